// The demo's cache of textures ("texture"): file textures read from
// "textures\" through the picture loader, and screen textures that the script
// declares with its "texture" statement (requested under 0x08-coded names).
#pragma once

#include <cstdint>
#include <functional>

#include "demo/datacollector.h"
#include "foundation/basis.h"
#include "foundation/gfxloader.h"
#include "foundation/pictures.h"

namespace VOXA2 {

// How the collector reaches the kernel's textures. Each maker returns a new
// texture the collector owns, or none; preLoad brings one into video memory.
// Until the kernel's texture layer is installed, no texture can be made.
struct tTextureMaker {
  std::function<basis::basisObject*(cColorPic* picture, tChannelDepths* depths)> fromPicture;
  std::function<basis::basisObject*(std::int32_t width, std::int32_t height)> screen;
  std::function<void(basis::basisObject* texture)> preLoad;
};
void SetTextureMaker(tTextureMaker maker);

class cVOXAtexturecollector : public cVOXAdatacollector {
 public:
  explicit cVOXAtexturecollector(const char* kind) : cVOXAdatacollector(kind) {}
  ~cVOXAtexturecollector() override { FreeEntries(); }

  // The entries' data are basis::basisObject pointers (the textures).
  void FreeItem(void* data) override;
  bool LoadItem(tDataEntry* entry) override;
  void PrepareItem(void* data) override;
  bool RestoreItem(void*) override { return true; }

 private:
  bool LoadScreenTexture(tDataEntry* entry);
  bool LoadFileTexture(tDataEntry* entry);
};

}  // namespace VOXA2

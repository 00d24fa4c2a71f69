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

namespace video {
class voxaTexture;
}

// How the collector makes its textures: each maker returns a new texture the
// collector owns, or none. A maker left empty is the kernel's (a texture from
// the picture, or an empty screen texture); tests put their own in.
struct tTextureMaker {
  std::function<video::voxaTexture*(cColorPic* picture, tChannelDepths* depths)> fromPicture;
  std::function<video::voxaTexture*(std::int32_t width, std::int32_t height)> screen;
};
void SetTextureMaker(tTextureMaker maker);

class cVOXAtexturecollector : public cVOXAdatacollector {
 public:
  explicit cVOXAtexturecollector(const char* kind) : cVOXAdatacollector(kind) {}
  ~cVOXAtexturecollector() override { FreeEntries(); }

  // The entries' data are video::voxaTexture pointers.
  void FreeItem(void* data) override;
  bool LoadItem(tDataEntry* entry) override;
  void PrepareItem(void* data) override;
  bool RestoreItem(void*) override { return true; }

 private:
  bool LoadScreenTexture(tDataEntry* entry);
  bool LoadFileTexture(tDataEntry* entry);
};

}  // namespace VOXA2

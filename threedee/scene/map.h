// Texture maps of a material: a texture by name, the scale and offset of each
// texture coordinate, and an amount (0 to 1) that weights the map. An
// interpolated map takes those from tracks and may switch textures over time.
#pragma once

#include <optional>
#include <string>

#include "foundation/basis.h"
#include "threedee/scene/steptracks.h"
#include "threedee/scene/valuetracks.h"

namespace VOXA2 {
class cVOXAdatacollector;
namespace video {
class voxaTexture;
}
}  // namespace VOXA2

namespace VOXA2::threedee {

class cMap : public virtual basis::basisObject {
 public:
  cMap() = default;
  cMap(const cMap&) = delete;
  cMap& operator=(const cMap&) = delete;
  ~cMap() override = default;  // the texture is the collector's

  virtual bool Update(float time);
  virtual cMap* Clone() const;
  // False for a null text; otherwise the map keeps a copy.
  virtual bool SetName(const char* text);
  // The collector's texture of the map's name; false without one.
  virtual bool LoadTexture(cVOXAdatacollector* textures);

  const char* GetName() const { return textureName ? textureName->c_str() : nullptr; }
  // Whether the map scales or shifts its coordinates (scales compared bit for bit).
  bool HasTexCoordTransform() const;
  // u' = u × uScale + uOffset, v' = v × vScale + vOffset, rows of one shared
  // matrix that the next call overwrites.
  const float* BuildTexCoordMatrix() const;

  std::optional<std::string> textureName;
  video::voxaTexture* texture = nullptr;
  float uScale = 1.0f;
  float uOffset = 0.0f;
  float vScale = 1.0f;
  float vOffset = 0.0f;
  float amount = 1.0f;

 protected:
  // The plain fields into a copy; the texture is shared.
  void CopyFieldsTo(cMap& copy) const;
};

class cIMap : public cMap {
 public:
  cIMap() = default;
  ~cIMap() override;

  bool Update(float time) override;
  cMap* Clone() const override;
  // With a texture track: every key's name becomes the collector's texture,
  // once; the track then owns nothing.
  bool LoadTexture(cVOXAdatacollector* textures) override;

  cView3Di_position* uScaleTrack = nullptr;
  cView3Di_position* uOffsetTrack = nullptr;
  cView3Di_position* vScaleTrack = nullptr;
  cView3Di_position* vOffsetTrack = nullptr;
  cView3Di_position* amountTrack = nullptr;
  // Key values are names (malloc'd texts) until the textures are loaded.
  cView3Di_pointer* textureTrack = nullptr;
  bool texturesResolved = false;
};

}  // namespace VOXA2::threedee

// Textures as the rest of the player sees them: a Direct3D texture surface
// that binds to a texture stage.
#pragma once

#include <cstdint>

#include "windxkernel/video.h"

namespace VOXA2::video {

class voxaTexture : public virtual basis::basisObject {
 public:
  ~voxaTexture() override = default;
  virtual void Bind(std::uint32_t stage) = 0;
  virtual voxaSurface* GetSurface() = 0;
  virtual void Update(voxaSurface* source) = 0;
  virtual void PreLoad() = 0;
  virtual int GetWidth() = 0;
  virtual int GetHeight() = 0;
  virtual int GetBitCount() = 0;
  virtual std::uint32_t GetRedMask() = 0;
  virtual std::uint32_t GetGreenMask() = 0;
  virtual std::uint32_t GetBlueMask() = 0;
  virtual std::uint32_t GetAlphaMask() = 0;
  virtual bool IsScreenTexture() = 0;
};

}  // namespace VOXA2::video

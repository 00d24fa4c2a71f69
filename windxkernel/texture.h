// Textures as the rest of the player sees them: a Direct3D texture surface
// that binds to a texture stage.
#pragma once

#include <cstdint>

#include "foundation/basis.h"
#include "platform/ddraw.h"
#include "windxkernel/video.h"

class cColorPic;
struct tChannelDepths;

namespace kernel {

// Owns a texture surface with its mip chain, and the chosen format.
class cTexture : public virtual basis::basisObject {
 public:
  ~cTexture() override;
  IDirectDrawSurface7* surface = nullptr;
  std::int32_t width = 0, height = 0;
  std::int32_t bitsPerPixel = 0;
  std::uint32_t redMask = 0, greenMask = 0, blueMask = 0, alphaMask = 0;
};

// Sizes, chooses the format, creates the chain and uploads every level (the
// picture ends at the smallest level's size).
bool CreateTextureFromFile(cTexture* texture, cColorPic* picture, const tChannelDepths* depths);
// An empty texture like the screen, for content copied in later.
bool CreateScreenSurface(cTexture* texture, std::int32_t width, std::int32_t height);

}  // namespace kernel

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

class kernelTexture : public voxaTexture {
 public:
  ~kernelTexture() override;
  static kernelTexture* LoadFile(cColorPic* picture, const tChannelDepths* depths);
  // A screen texture; a width below 1 becomes 256, a height below 1 the width.
  // Null when the texture cannot be created.
  static kernelTexture* FromPicture(std::int32_t width, std::int32_t height);

  void Bind(std::uint32_t stage) override;
  voxaSurface* GetSurface() override { return &surface; }
  void Update(voxaSurface* source) override;
  void PreLoad() override;
  int GetWidth() override { return width; }
  int GetHeight() override { return height; }
  int GetBitCount() override;
  std::uint32_t GetRedMask() override;
  std::uint32_t GetGreenMask() override;
  std::uint32_t GetBlueMask() override;
  std::uint32_t GetAlphaMask() override;
  bool IsScreenTexture() override { return screenTexture != 0; }

  kernel::cTexture* owner = nullptr;
  kernelSurface surface;
  RECT rectangle{0, 0, 0, 0};  // the whole texture
  std::uint8_t screenTexture = 0;
  std::int32_t width = 0, height = 0;

 private:
  void TakeSurface();
};

}  // namespace VOXA2::video

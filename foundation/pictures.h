// Planar pictures: every picture of the player is held as 8-bit planes. A
// cMonoPic is one plane (a gray picture, a morph map or one channel); a
// cColorPic is four planes of one size: red, green, blue and alpha (255 opaque).
#pragma once

#include <cstdint>

#include "foundation/basis.h"

struct tChannelDepths;

class cMonoPic : public virtual basis::basisObject {
 public:
  cMonoPic() = default;
  explicit cMonoPic(const cMonoPic* source);
  cMonoPic(const cMonoPic&) = delete;
  cMonoPic& operator=(const cMonoPic&) = delete;
  ~cMonoPic() override;

  // A zeroed block of width x height bytes; into the plane (which takes the
  // size, without freeing its old block) or, with a target, into *target.
  void Allocate(std::int32_t width, std::int32_t height, std::uint8_t** target = nullptr);
  // Frees the plane's block (and clears its size) or, with a target, *target.
  void Free(std::uint8_t** target = nullptr);
  void Clear();
  void Create(std::int32_t width, std::int32_t height);
  // Re-sizes the block in place, keeping its leading bytes where they lie.
  void size(std::int32_t width, std::int32_t height);
  void Copy(const cMonoPic* source);
  std::uint8_t* GetPixels() const { return pixels; }

  void FlipVertical();
  void CopyRect(const cMonoPic* source, std::int32_t sx, std::int32_t sy, std::int32_t dx,
                std::int32_t dy, std::int32_t w, std::int32_t h);
  // Nearest neighbour, in place.
  void ScaleWidth(std::int32_t newWidth);
  void ScaleHeight(std::int32_t newHeight);
  void Scale(std::int32_t newWidth, std::int32_t newHeight);
  // Box filter when shrinking (weighted by a plane of the same size when
  // given), linear interpolation when growing.
  void ResampleWidth(std::int32_t newWidth, const cMonoPic* weight);
  void ResampleHeight(std::int32_t newHeight, const cMonoPic* weight);
  void Resample(std::int32_t newWidth, std::int32_t newHeight, const cMonoPic* weight);

  bool Load(const char* name);
  // A headerless plane of bytes; a negative width or height is derived from the file length.
  bool LoadRaw(const char* name, std::int32_t width, std::int32_t height);

  std::uint8_t* pixels = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

class cColorPic : public virtual basis::basisObject {
 public:
  cColorPic() = default;
  explicit cColorPic(const cColorPic* source);
  explicit cColorPic(const cMonoPic (&source)[4]);
  explicit cColorPic(cMonoPic* const (&source)[4]);
  cColorPic(const cColorPic&) = delete;
  cColorPic& operator=(const cColorPic&) = delete;
  ~cColorPic() override = default;

  void Clear();
  void Create(std::int32_t width, std::int32_t height);
  void Copy(const cColorPic* source);
  void SetPlanes(const cMonoPic (&source)[4]);
  void SetPlanes(cMonoPic* const (&source)[4]);
  void Fill(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha);
  void CopyRect(const cColorPic* source, std::int32_t sx, std::int32_t sy, std::int32_t dx,
                std::int32_t dy, std::int32_t w, std::int32_t h);
  void FlipVertical();
  void ScaleWidth(std::int32_t newWidth);
  void ScaleHeight(std::int32_t newHeight);
  // The colour planes are resampled weighted by the alpha plane as it was before.
  void ResampleWidth(std::int32_t newWidth);
  void ResampleHeight(std::int32_t newHeight);
  void Resample(std::int32_t newWidth, std::int32_t newHeight);
  void Scale(std::int32_t newWidth, std::int32_t newHeight);

  bool Load(const char* name, tChannelDepths* depths = nullptr);

  cMonoPic planes[4];  // red, green, blue, alpha
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t reserved[2] = {0, 0};
};

// Guards that delete an object or free a block when they go.
class AutoDelete : public virtual basis::basisObject {
 public:
  explicit AutoDelete(basis::basisObject* object) : object_(object) {}
  AutoDelete(const AutoDelete&) = delete;
  AutoDelete& operator=(const AutoDelete&) = delete;
  ~AutoDelete() override { delete object_; }

 private:
  basis::basisObject* object_;
};

class AutoFree : public virtual basis::basisObject {
 public:
  explicit AutoFree(void* block) : block_(block) {}
  AutoFree(const AutoFree&) = delete;
  AutoFree& operator=(const AutoFree&) = delete;
  ~AutoFree() override;

 private:
  void* block_;
};

// A picture held in the screen's pixel format, ready to be copied by the
// graphics device without conversion. Each bitmap owns a device that draws into
// its own pixels. Rows are packed: the pitch is width x bytes per pixel.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gui/graphicsdevice.h"
#include "gui/object.h"
#include "gui/types.h"

class cColorPic;

namespace ZGUI {

class cBitmap : public cObject {
 public:
  cBitmap();
  cBitmap(const cBitmap* source, std::int32_t width, std::int32_t height);
  cBitmap(const cColorPic* picture, std::int32_t width, std::int32_t height);
  cBitmap(const cBitmap&) = delete;
  cBitmap& operator=(const cBitmap&) = delete;
  ~cBitmap() override;

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  // After a change of video mode: the buffer follows the new depth. The values
  // are carried over raw; owners redraw or reload their pictures.
  void Reinitialize() override;

  virtual void Clear();
  virtual void Create(tPoint size);
  virtual void Create(std::int32_t width, std::int32_t height);
  virtual void Recreate(const cBitmap* source, std::int32_t width, std::int32_t height);
  virtual void FromColorPic(const cColorPic* picture, std::int32_t width, std::int32_t height);
  virtual void ToColorPic(cColorPic* picture);
  virtual void FillRect(tRect rect, std::uint32_t color);
  virtual void FillRect(tPoint topLeft, tPoint bottomRight, std::uint32_t color);
  virtual void FillRect(std::int32_t left, std::int32_t top, std::int32_t right,
                        std::int32_t bottom, std::uint32_t color);
  virtual tPoint GetSize() const;
  virtual std::int32_t GetWidth() const;
  virtual std::int32_t GetHeight() const;
  virtual cGraphicsDevice* LockDevice();
  virtual void UnlockDevice();
  virtual bool IsLocked() const;
  virtual std::uint8_t* GetData() const;
  virtual void AddBorder(std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom);
  virtual void AddBorder(tPoint size);
  virtual void AddBorder(std::int32_t width);
  virtual void SetSize(tPoint size);
  virtual void SetSize(std::int32_t width, std::int32_t height);
  virtual void Scale(tPoint size);
  virtual void Scale(std::int32_t width, std::int32_t height);
  virtual void Resample(tPoint size);
  virtual void Resample(std::int32_t width, std::int32_t height);
  virtual void SetWidth(std::int32_t width);
  virtual void ScaleWidth(std::int32_t width);
  virtual void ResampleWidth(std::int32_t width);
  virtual void SetHeight(std::int32_t height);
  virtual void ScaleHeight(std::int32_t height);
  virtual void ResampleHeight(std::int32_t height);
  virtual std::uint32_t GetPixel(tPoint p) const;
  virtual std::uint32_t GetPixel(std::int32_t x, std::int32_t y) const;
  virtual void SetPixel(tPoint p, std::uint32_t color);
  virtual void SetPixel(std::int32_t x, std::int32_t y, std::uint32_t color);
  virtual void Darken();
  virtual void Lighten();
  virtual void Blend(std::uint32_t color);

  // The bytes per pixel that the buffer is laid out in.
  std::int32_t GetDepth() const { return depth_; }
  // The buffer's length in bytes (a spare byte for 3-byte pixels, rounded to 4).
  std::uint32_t GetBufferSize() const { return size_; }

 private:
  void Allocate(std::int32_t width, std::int32_t height);
  void Reallocate(std::int32_t width, std::int32_t height);
  void Release();
  void Attach();
  // Brings a bitmap that missed a change of video mode to the current depth
  // before its pixels are touched.
  void Sync();
  bool PixelsUsable() const;
  void ScaleRows(std::int32_t width);
  void ScaleColumns(std::int32_t height);

  std::vector<std::uint8_t> data_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::uint32_t size_ = 0;
  tRect bounds_ = kEmptyRect;
  std::int32_t depth_ = 0;
  bool locked_ = false;
  std::unique_ptr<cGraphicsDevice> device_;
};

}  // namespace ZGUI

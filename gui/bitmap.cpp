#include "gui/bitmap.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "gui/metrics.h"
#include "gui/pixels.h"

namespace ZGUI {
namespace {

// Larger buffers are refused as a failed allocation rather than attempted.
constexpr std::uint64_t kLargestBuffer = std::uint64_t{1} << 30;

std::uint64_t BufferSize(std::int32_t width, std::int32_t height, std::int32_t bytes) {
  std::uint64_t size = std::uint64_t(width) * std::uint64_t(height) * std::uint64_t(bytes);
  if (bytes == 3) size += 1;  // 4-byte reads of the last pixel stay inside
  return (size + 3) & ~std::uint64_t{3};
}

bool SupportedDepth(std::int32_t bytes) { return bytes >= 2 && bytes <= 4; }

}  // namespace

cBitmap::cBitmap() {
  device_.reset(VOXA::errors::NewOrThrow<cGraphicsDevice>("cGraphicsDevice"));
  depth_ = GetBytesPerPixel();
  Allocate(0, 0);
}

cBitmap::cBitmap(const cBitmap* source, std::int32_t width, std::int32_t height) : cBitmap() {
  Recreate(source, width, height);
}

cBitmap::~cBitmap() = default;

const char* cBitmap::GetClassName() const { return "cBitmap"; }
std::int32_t cBitmap::GetClassID() const { return classid::Bitmap; }
bool cBitmap::InheritsFrom(std::int32_t id) const { return id == classid::Object; }

void cBitmap::Attach() {
  // A buffer in another depth than the screen's is never drawn into.
  if (depth_ != GetBytesPerPixel() || data_.empty()) {
    device_->SetBuffer(nullptr, 0, kEmptyRect);
    return;
  }
  device_->SetBuffer(data_.data(), width_ * depth_, bounds_);
}

void cBitmap::Release() {
  std::vector<std::uint8_t>().swap(data_);
  width_ = height_ = 0;
  size_ = 0;
  bounds_ = kEmptyRect;
  Attach();
}

void cBitmap::Allocate(std::int32_t width, std::int32_t height) {
  depth_ = GetBytesPerPixel();
  std::vector<std::uint8_t>().swap(data_);
  Reallocate(width, height);
}

void cBitmap::Reallocate(std::int32_t width, std::int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  const std::uint64_t size = BufferSize(width, height, depth_);
  try {
    if (size > kLargestBuffer) throw std::bad_alloc();
    data_.resize(size);
  } catch (const std::bad_alloc&) {
    // Nothing may later copy from a size that has no buffer behind it.
    Release();
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("bitmap data!");
  }
  width_ = width;
  height_ = height;
  size_ = static_cast<std::uint32_t>(size);
  bounds_ = tRect{0, 0, width - 1, height - 1};
  Attach();
}

void cBitmap::Reinitialize() {
  const std::int32_t old = depth_, now = GetBytesPerPixel();
  if (old == now) return;
  const std::size_t count = std::size_t(width_) * std::size_t(height_);
  if (old == 2 && now == 4) {
    depth_ = now;
    Reallocate(width_, height_);
    for (std::size_t i = count; i-- > 0;) {
      auto value = static_cast<std::int16_t>(pixels::Load<2>(&data_[2 * i]));
      pixels::Store<4>(&data_[4 * i], static_cast<std::uint32_t>(std::int32_t{value}));
    }
  } else if (old == 4 && now == 2) {
    for (std::size_t i = 0; i < count; ++i)
      pixels::Store<2>(&data_[2 * i], pixels::Load<4>(&data_[4 * i]));
    depth_ = now;
    Reallocate(width_, height_);
  } else {
    // 2 <-> 3, 3 <-> 4 keep the leading bytes; any other pair too, so that the
    // buffer always matches the depth it is read in.
    depth_ = now;
    Reallocate(width_, height_);
  }
}

void cBitmap::Sync() {
  if (depth_ != GetBytesPerPixel()) cBitmap::Reinitialize();
}

bool cBitmap::PixelsUsable() const {
  return !locked_ && SupportedDepth(depth_) && depth_ == GetBytesPerPixel();
}

void cBitmap::Clear() {
  if (locked_) return;
  Release();
  Allocate(0, 0);
}

void cBitmap::Create(tPoint size) { Create(size.x, size.y); }

void cBitmap::Create(std::int32_t width, std::int32_t height) {
  if (locked_) return;
  Release();
  Allocate(width, height);
}

void cBitmap::Recreate(const cBitmap* source, std::int32_t width, std::int32_t height) {
  if (locked_ || !source) return;
  // Recreating from itself keeps its own pixels.
  if (source != this) {
    Release();
    Allocate(source->GetWidth(), source->GetHeight());
    // Both should be in the screen format; a stale source never gives more
    // bytes than it holds.
    std::size_t bytes = std::min<std::size_t>(size_, source->data_.size());
    if (bytes) std::memcpy(data_.data(), source->data_.data(), bytes);
  }
  if (width != 0 && height != 0)
    Resample(width, height);
  else if (width != 0)
    ResampleWidth(width);
  else if (height != 0)
    ResampleHeight(height);
}

void cBitmap::FillRect(tRect rect, std::uint32_t color) {
  if (locked_) return;
  Sync();
  device_->FillRect(rect, color);
}

void cBitmap::FillRect(tPoint topLeft, tPoint bottomRight, std::uint32_t color) {
  FillRect(tRect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y}, color);
}

void cBitmap::FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                       std::uint32_t color) {
  FillRect(tRect{left, top, right, bottom}, color);
}

tPoint cBitmap::GetSize() const { return tPoint(width_, height_); }
std::int32_t cBitmap::GetWidth() const { return width_; }
std::int32_t cBitmap::GetHeight() const { return height_; }

cGraphicsDevice* cBitmap::LockDevice() {
  if (locked_) return nullptr;
  Sync();
  locked_ = true;
  return device_.get();
}

void cBitmap::UnlockDevice() { locked_ = false; }
bool cBitmap::IsLocked() const { return locked_; }
std::uint8_t* cBitmap::GetData() const {
  return data_.empty() ? nullptr : const_cast<std::uint8_t*>(data_.data());
}

void cBitmap::AddBorder(std::int32_t left, std::int32_t top, std::int32_t right,
                        std::int32_t bottom) {
  if (locked_) return;
  Sync();
  // A border is never negative: a shrinking "border" would move rows over
  // each other and out of the buffer.
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::max(right, 0);
  bottom = std::max(bottom, 0);
  const std::int32_t width = width_, height = height_;
  const std::int64_t newWidth = std::int64_t{width} + left + right;
  const std::int64_t newHeight = std::int64_t{height} + top + bottom;
  if (newWidth > INT32_MAX || newHeight > INT32_MAX) {
    Release();
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("bitmap data!");
  }
  const auto nw = static_cast<std::int32_t>(newWidth), nh = static_cast<std::int32_t>(newHeight);
  locked_ = true;
  try {
    Reallocate(nw, nh);
  } catch (...) {
    locked_ = false;
    throw;
  }
  const std::size_t rowBytes = std::size_t(width) * depth_;
  for (std::int32_t i = height; i-- > 0;) {
    std::size_t from = std::size_t(i) * rowBytes;
    std::size_t to = (std::size_t(top + i) * nw + left) * depth_;
    if (rowBytes) std::memmove(&data_[to], &data_[from], rowBytes);
  }
  locked_ = false;
  device_->FillRect(tRect{0, 0, nw, top - 1}, 0);
  device_->FillRect(tRect{0, height + top, nw, nh}, 0);
  device_->FillRect(tRect{0, top, left - 1, nh - bottom}, 0);
  device_->FillRect(tRect{nw - right, top, nw, nh - bottom}, 0);
}

void cBitmap::AddBorder(tPoint size) { AddBorder(size.x, size.y, size.x, size.y); }
void cBitmap::AddBorder(std::int32_t width) { AddBorder(width, width, width, width); }

void cBitmap::SetSize(tPoint size) { SetSize(size.x, size.y); }
void cBitmap::SetSize(std::int32_t width, std::int32_t height) {
  if (locked_) return;
  SetWidth(width);
  SetHeight(height);
}

void cBitmap::Scale(tPoint size) { Scale(size.x, size.y); }
void cBitmap::Scale(std::int32_t width, std::int32_t height) {
  if (locked_) return;
  ScaleWidth(width);
  ScaleHeight(height);
}

void cBitmap::Resample(tPoint size) { Resample(size.x, size.y); }
void cBitmap::Resample(std::int32_t width, std::int32_t height) {
  if (locked_) return;
  ResampleWidth(width);
  ResampleHeight(height);
}

void cBitmap::SetWidth(std::int32_t width) {
  width = std::max(width, 0);
  if (locked_ || width == width_) return;
  Sync();
  const std::int32_t old = width_;
  const std::size_t oldRow = std::size_t(old) * depth_, newRow = std::size_t(width) * depth_;
  const std::size_t keep = std::min(oldRow, newRow);
  locked_ = true;
  try {
    if (width < old) {
      for (std::int32_t y = 0; y < height_; ++y)
        if (keep) std::memmove(&data_[y * newRow], &data_[y * oldRow], keep);
      Reallocate(width, height_);
    } else {
      Reallocate(width, height_);
      for (std::int32_t y = height_; y-- > 0;)
        if (keep) std::memmove(&data_[y * newRow], &data_[y * oldRow], keep);
    }
  } catch (...) {
    locked_ = false;
    throw;
  }
  locked_ = false;
  if (width > old) device_->FillRect(tRect{old, 0, width, height_}, 0);
}

void cBitmap::SetHeight(std::int32_t height) {
  height = std::max(height, 0);
  if (locked_ || height == height_) return;
  Sync();
  const std::int32_t old = height_;
  locked_ = true;
  try {
    Reallocate(width_, height);
  } catch (...) {
    locked_ = false;
    throw;
  }
  locked_ = false;
  if (height > old) device_->FillRect(tRect{0, old, width_, height}, 0);
}

// Nearest neighbour along the rows. Shrinking, destination pixel j takes
// source pixel floor(j * old / new); growing, the rows are walked from their
// ends with a 32.32 step, so the last pixel stays the last.
void cBitmap::ScaleRows(std::int32_t width) {
  const std::int32_t old = width_;
  const int bytes = depth_;
  std::vector<std::uint8_t> scaled(BufferSize(width, height_, bytes));
  const std::uint64_t step = (std::uint64_t(old) << 32) / std::uint64_t(width);
  for (std::int32_t y = 0; y < height_; ++y) {
    const std::uint8_t* source = &data_[std::size_t(y) * old * bytes];
    std::uint8_t* target = &scaled[std::size_t(y) * width * bytes];
    for (std::int32_t j = 0; j < width; ++j) {
      std::uint64_t from;
      if (width < old)
        from = std::uint64_t(j) * std::uint64_t(old) / std::uint64_t(width);
      else
        from = std::uint64_t(old - 1) - (std::uint64_t(width - 1 - j) * step >> 32);
      std::memcpy(target + std::size_t(j) * bytes, source + from * bytes, bytes);
    }
  }
  data_.swap(scaled);
  width_ = width;
  size_ = static_cast<std::uint32_t>(data_.size());
  bounds_ = tRect{0, 0, width_ - 1, height_ - 1};
  Attach();
}

// The same on whole rows with a 16.16 step of old x 65536 / new.
void cBitmap::ScaleColumns(std::int32_t height) {
  const std::int32_t old = height_;
  const std::size_t row = std::size_t(width_) * depth_;
  std::vector<std::uint8_t> scaled(BufferSize(width_, height, depth_));
  const std::uint64_t step = (std::uint64_t(old) << 16) / std::uint64_t(height);
  for (std::int32_t i = 0; i < height; ++i) {
    std::uint64_t from;
    if (height < old)
      from = std::uint64_t(i) * step >> 16;
    else
      from = std::uint64_t(old - 1) - (std::uint64_t(height - 1 - i) * step >> 16);
    if (row) std::memcpy(&scaled[i * row], &data_[from * row], row);
  }
  data_.swap(scaled);
  height_ = height;
  size_ = static_cast<std::uint32_t>(data_.size());
  bounds_ = tRect{0, 0, width_ - 1, height_ - 1};
  Attach();
}

void cBitmap::ScaleWidth(std::int32_t width) {
  width = std::max(width, 0);
  if (locked_ || width == width_) return;
  Sync();
  // Nothing to take pixels from: the new columns are black, as SetWidth gives.
  if (width == 0 || width_ == 0 || !SupportedDepth(depth_) ||
      BufferSize(width, height_, depth_) > kLargestBuffer)
    return SetWidth(width);
  locked_ = true;
  try {
    ScaleRows(width);
  } catch (const std::bad_alloc&) {
    locked_ = false;
    Release();
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("bitmap data!");
  }
  locked_ = false;
}

void cBitmap::ScaleHeight(std::int32_t height) {
  height = std::max(height, 0);
  if (locked_ || height == height_) return;
  Sync();
  if (height == 0 || height_ == 0 || !SupportedDepth(depth_) ||
      BufferSize(width_, height, depth_) > kLargestBuffer)
    return SetHeight(height);
  locked_ = true;
  try {
    ScaleColumns(height);
  } catch (const std::bad_alloc&) {
    locked_ = false;
    Release();
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("bitmap data!");
  }
  locked_ = false;
}

void cBitmap::ResampleWidth(std::int32_t width) { ScaleWidth(width); }
void cBitmap::ResampleHeight(std::int32_t height) { ScaleHeight(height); }

std::uint32_t cBitmap::GetPixel(tPoint p) const { return GetPixel(p.x, p.y); }

std::uint32_t cBitmap::GetPixel(std::int32_t x, std::int32_t y) const {
  if (!PixelsUsable()) return 0;
  if (static_cast<std::uint32_t>(x) >= static_cast<std::uint32_t>(width_) ||
      static_cast<std::uint32_t>(y) >= static_cast<std::uint32_t>(height_))
    return 0;
  const std::size_t at = (std::size_t(y) * width_ + x) * depth_;
  return UnpackColor(pixels::Load(&data_[at], depth_));
}

void cBitmap::SetPixel(tPoint p, std::uint32_t color) { SetPixel(p.x, p.y, color); }

void cBitmap::SetPixel(std::int32_t x, std::int32_t y, std::uint32_t color) {
  if (locked_) return;
  Sync();
  if (!PixelsUsable()) return;
  if (static_cast<std::uint32_t>(x) >= static_cast<std::uint32_t>(width_) ||
      static_cast<std::uint32_t>(y) >= static_cast<std::uint32_t>(height_))
    return;
  const std::size_t at = (std::size_t(y) * width_ + x) * depth_;
  pixels::Store(&data_[at], depth_, PackColor(color));
}

void cBitmap::Darken() {
  if (locked_) return;
  Sync();
  device_->DarkenRect(bounds_);
}

void cBitmap::Lighten() {
  if (locked_) return;
  Sync();
  device_->LightenRect(bounds_);
}

void cBitmap::Blend(std::uint32_t color) {
  if (locked_) return;
  Sync();
  device_->BlendRect(bounds_, color);
}

}  // namespace ZGUI

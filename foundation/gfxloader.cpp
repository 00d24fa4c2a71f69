#include "foundation/gfxloader.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>

#include "foundation/archive.h"
#include "foundation/errors.h"
#include "foundation/jpegreader.h"
#include "foundation/log.h"
#include "foundation/pcx.h"
#include "foundation/pictures.h"
#include "foundation/pngreader.h"
#include "foundation/stream.h"
#include "foundation/tga.h"

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::logging::LogMessage;

std::uint32_t cGfxFFmtWrapper::SignatureLength() { return 0; }
bool cGfxFFmtWrapper::CheckSignature(const std::uint8_t*, std::uint32_t) { return true; }
bool cGfxFFmtWrapper::ReadColor(TStream*, cColorPic*, tChannelDepths*) { return false; }
bool cGfxFFmtWrapper::WriteColor(TStream*, cColorPic*) { return false; }
bool cGfxFFmtWrapper::SaveColor(const char*, cColorPic*) { return false; }
bool cGfxFFmtWrapper::ReadGray(TStream*, cMonoPic*) { return false; }
bool cGfxFFmtWrapper::WriteGray(TStream*, cMonoPic*) { return false; }
bool cGfxFFmtWrapper::SaveGray(const char*, cMonoPic*) { return false; }

ePictureTooLarge::ePictureTooLarge(std::int64_t width, std::int64_t height)
    : VOXA::errors::eOutOfMemory("A picture of %lld x %lld pixels is above the limits!",
                                 static_cast<long long>(width), static_cast<long long>(height)),
      width(width),
      height(height) {}

void CheckPictureSize(std::int64_t width, std::int64_t height) {
  if (width <= 0 || height <= 0) return;  // nothing to allocate; other checks judge it
  if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels) {
    throw new ePictureTooLarge(width, height);
  }
}

void LogPictureTooLarge(const char* name, const ePictureTooLarge& error) {
  LogMessage(5,
             "Picture \"%s\" refused: %lld x %lld pixels is above the limit of %lld pixels a side "
             "and %lld pixels in all",
             name ? name : "", static_cast<long long>(error.width),
             static_cast<long long>(error.height), static_cast<long long>(kMaxPictureSide),
             static_cast<long long>(kMaxPicturePixels));
}

namespace {

// Files are opened without a read buffer: the readers read in large blocks.
template <typename Read>
bool LoadFile(const char* name, Read read) {
  std::unique_ptr<TStream> stream = OpenFile(name, 0);
  if (!stream) return false;
  try {
    return read(stream.get());
  } catch (ePictureTooLarge* error) {
    LogPictureTooLarge(name, *error);
    delete error;
    return false;
  }
}

}  // namespace

bool cGfxFFmtWrapper::LoadColor(const char* name, cColorPic* picture, tChannelDepths* depths) {
  if (!picture || !name) return false;
  return LoadFile(name, [&](TStream* stream) { return ReadColor(stream, picture, depths); });
}

bool cGfxFFmtWrapper::LoadGray(const char* name, cMonoPic* plane) {
  if (!plane || !name) return false;
  return LoadFile(name, [&](TStream* stream) { return ReadGray(stream, plane); });
}

cGfxLoader::~cGfxLoader() {
  for (std::size_t i = 0; i < readers_.size(); ++i) {
    if (owns_[i] && readers_[i]) delete readers_[i];
  }
}

void cGfxLoader::RegisterReader(cGfxFFmtWrapper* reader, bool owns) {
  if (!reader) return;
  auto found = std::find(readers_.begin(), readers_.end(), reader);
  if (found != readers_.end()) {
    if (owns) owns_[static_cast<std::size_t>(found - readers_.begin())] = 1;
    return;
  }
  try {
    owns_.push_back(owns ? 1 : 0);
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("freeing list!");
  }
  try {
    readers_.push_back(reader);
  } catch (const std::bad_alloc&) {
    owns_.pop_back();
    throw new eCouldNotAllocateMemoryFor("wrapper list!");
  }
}

template <typename Read>
bool cGfxLoader::Offer(TStream* stream, Read read) {
  const std::int32_t start = stream->Tell();
  std::int64_t remaining = static_cast<std::int64_t>(stream->Size()) - start;
  if (remaining < 0) remaining = 0;

  std::uint32_t length = 0;
  for (cGfxFFmtWrapper* reader : readers_) length = std::max(length, reader->SignatureLength());
  if (length > remaining) length = static_cast<std::uint32_t>(remaining);

  // The buffer is released however a reader leaves, errors included.
  std::unique_ptr<std::uint8_t, decltype(&std::free)> signature(nullptr, &std::free);
  if (length > 0) {
    signature.reset(static_cast<std::uint8_t*>(std::malloc(length)));
    if (!signature) throw new eCouldNotAllocateMemoryFor("signature buffer!");
    if (stream->Read(signature.get(), static_cast<std::int32_t>(length), 1) != 1) return false;
  }
  for (cGfxFFmtWrapper* reader : readers_) {
    if (length > 0 && !reader->CheckSignature(signature.get(), length)) continue;
    stream->Seek(start, kSeekStart);
    if (read(reader)) return true;
  }
  stream->Seek(start, kSeekStart);
  return false;
}

bool cGfxLoader::ReadColor(TStream* stream, cColorPic* picture, tChannelDepths* depths) {
  if (!stream || !picture) return false;
  return Offer(stream, [&](cGfxFFmtWrapper* r) { return r->ReadColor(stream, picture, depths); });
}

bool cGfxLoader::ReadGray(TStream* stream, cMonoPic* plane) {
  if (!stream || !plane) return false;
  return Offer(stream, [&](cGfxFFmtWrapper* r) { return r->ReadGray(stream, plane); });
}

cGfxLoader& GetGfxLoader() {
  static cGfxLoader loader;
  return loader;
}

namespace {
template <typename Reader>
cGfxFFmtWrapper* NewReader() {
  return new (std::nothrow) Reader();
}
}  // namespace

void RegisterPictureReaders() {
  cGfxLoader& loader = GetGfxLoader();
  loader.RegisterReader(NewReader<JPEGlib::cJPEGreader>(), true);
  loader.RegisterReader(NewReader<PNGlib::cPNGreader>(), true);
  loader.RegisterReader(NewReader<PCXlib::cPCXreader>(), true);
  loader.RegisterReader(NewReader<TARGAlib::cTARGAreader>(), true);
}

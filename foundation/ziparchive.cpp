#include "foundation/ziparchive.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "foundation/allocate.h"
#include "foundation/decoders.h"
#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/vornarc.h"

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::errors::eCouldNotCreateObject;
using VOXA::logging::LogMessage;
using VOXA::errors::NewOrThrow;

namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr uint32_t kDataDescriptorFlag = 1u << 3;

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

TZipArchive::TZipArchive(std::unique_ptr<TStream> stream) : stream_(std::move(stream)) {
  if (!stream_) {
    stream_.reset(NewOrThrow<TStream>("TStream"));
  }
}

TZipArchive::~TZipArchive() { Close(); }

bool TZipArchive::NextEntry(tSearchRecord* record) {
  if (!record || record->cursor < 0 || record->cursor >= count_) return false;
  const tZipEntry& entry = entries_[static_cast<size_t>(record->cursor)];
  record->name = CopyName(entry.name.c_str());
  record->size = static_cast<int32_t>(entry.uncompressedSize);
  ++record->cursor;
  return true;
}

void TZipArchive::EndSearch(tSearchRecord* record) {
  if (record) record->cursor = 0;
}

void TZipArchive::SetFileName(const char* name) { stream_->SetName(name); }
bool TZipArchive::Open(int mode) { return ReadDirectory(mode); }
bool TZipArchive::IsOpen() { return open_; }

void TZipArchive::Close() {
  if (!open_) return;
  stream_->Close();
  open_ = false;
  writeMode_ = false;
  std::vector<tZipEntry>().swap(entries_);
  count_ = 0;
}

bool TZipArchive::FailOpen() {
  stream_->Close();
  std::vector<tZipEntry>().swap(entries_);
  count_ = 0;
  return false;
}

bool TZipArchive::ReadDirectory(int mode) {
  if (open_) Close();
  writeMode_ = (mode & kStreamWrite) != 0;
  if (writeMode_) return false;
  if (!stream_->Open(kStreamRead)) return false;
  const int64_t streamSize = stream_->Size();

  uint8_t header[30];
  if (stream_->Read(header, sizeof(header), 1) != 1) return FailOpen();
  // A file that does not start with a member is not a ZIP archive.
  if (Le32(header) != kLocalHeaderSignature) return FailOpen();
  while (Le32(header) == kLocalHeaderSignature) {
    try {
      entries_.emplace_back();
    } catch (const std::bad_alloc&) {
      throw new eCouldNotAllocateMemoryFor("ZIP archive file list!");
    }
    ++count_;
    tZipEntry& entry = entries_.back();
    const uint16_t nameLength = Le16(header + 26);
    const uint16_t extraLength = Le16(header + 28);
    if (nameLength == 0) return FailOpen();
    std::string name(nameLength, '\0');
    if (stream_->Read(name.data(), nameLength, 1) != 1) return FailOpen();
    entry.name = name.c_str();
    const int64_t dataOffset = static_cast<int64_t>(stream_->Tell()) + extraLength;
    entry.dataOffset = static_cast<uint32_t>(dataOffset);
    const uint32_t compressedSize = Le32(header + 18);
    // The stream must hold the data that the header skips.
    if (dataOffset + compressedSize > streamSize) {
      LogMessage(5, "ZIP archive refused: member \"%s\" runs past the end of the file",
                 entry.name.c_str());
      return FailOpen();
    }
    stream_->Seek(static_cast<int32_t>(dataOffset + compressedSize), kSeekStart);
    if (stream_->Failed()) return FailOpen();
    entry.uncompressedSize = Le32(header + 22);
    entry.compressedSize = compressedSize;
    entry.crc = Le32(header + 14);
    entry.method = Le16(header + 8);
    entry.flags = Le16(header + 6);
    if (entry.flags & kDataDescriptorFlag) {
      uint8_t descriptor[12];
      if (stream_->Read(descriptor, sizeof(descriptor), 1) != 1) return FailOpen();
      entry.crc = Le32(descriptor);
      entry.compressedSize = Le32(descriptor + 4);
      entry.uncompressedSize = Le32(descriptor + 8);
    }
    if (stream_->Read(header, sizeof(header), 1) != 1) return FailOpen();
  }
  open_ = true;
  return true;
}

void TZipArchive::ExtractMember(const char* path, int32_t& size, uint8_t*& data,
                                tExtractProgress progress) {
  const tZipEntry* found = nullptr;
  for (const tZipEntry& entry : entries_) {
    if (SameMemberName(entry.name.c_str(), path)) {
      found = &entry;
      break;
    }
  }
  if (!open_ || !found) {
    size = kZipNoSuchMember;
    return;
  }
  const tZipEntry& entry = *found;
  data = nullptr;
  size = 0;
  if (entry.uncompressedSize == 0) return;  // no block of 0 bytes is handed out

  // Sizes from the file are checked against it before anything is allocated.
  const int64_t streamSize = stream_->Size();
  const bool stored = entry.method == 0;
  const uint32_t readSize = stored ? entry.uncompressedSize : entry.compressedSize;
  if (static_cast<int64_t>(entry.dataOffset) + readSize > streamSize) {
    LogMessage(5, "ZIP member \"%s\" refused: its data runs past the end of the file",
               entry.name.c_str());
    size = kZipReadFailed;
    return;
  }
  const bool reduced = entry.method >= 2 && entry.method <= 5;
  const bool deflated = entry.method == 8;
  if (!stored && !reduced && !deflated) {
    // Shrunk (1) counts as a failed decoder; the rest have none.
    size = entry.method == 1 ? kZipDecoderFailed : kZipBadCrc;
    return;
  }
  if ((reduced || deflated) &&
      !PlausibleDecodedSize(reduced ? tPacking::Reduced : tPacking::Deflate, entry.compressedSize,
                            entry.uncompressedSize)) {
    LogMessage(5, "ZIP member \"%s\" refused: its sizes do not fit together", entry.name.c_str());
    size = kZipDecoderFailed;
    return;
  }
  if (!DecodedSizeAllowed("ZIP", entry.name.c_str(), entry.uncompressedSize)) {
    size = kZipNoMemory;
    return;
  }

  uint8_t* output = static_cast<uint8_t*>(std::malloc(entry.uncompressedSize));
  if (!output) {
    size = kZipNoMemory;
    return;
  }
  stream_->Seek(static_cast<int32_t>(entry.dataOffset), kSeekStart);
  if (stored) {
    if (stream_->Read(output, static_cast<int32_t>(entry.uncompressedSize), 1) != 1) {
      std::free(output);
      size = kZipReadFailed;
      return;
    }
  } else {
    uint8_t* packed =
        static_cast<uint8_t*>(std::malloc(entry.compressedSize ? entry.compressedSize : 1));
    if (!packed) {
      std::free(output);
      size = kZipNoMemory;
      return;
    }
    if (entry.compressedSize &&
        stream_->Read(packed, static_cast<int32_t>(entry.compressedSize), 1) != 1) {
      std::free(packed);
      std::free(output);
      size = kZipReadFailed;
      return;
    }
    const bool decoded =
        reduced ? ExpandReduced(packed, entry.compressedSize, output, entry.uncompressedSize,
                                progress, static_cast<int>(entry.method) - 2) != 0
                : InflateRawMember(packed, entry.compressedSize, output, entry.uncompressedSize);
    std::free(packed);
    if (!decoded) {
      std::free(output);
      size = kZipDecoderFailed;
      return;
    }
  }
  if (Crc32(output, entry.uncompressedSize) != entry.crc) {
    std::free(output);
    size = kZipBadCrc;
    return;
  }
  data = output;
  size = static_cast<int32_t>(entry.uncompressedSize);
}

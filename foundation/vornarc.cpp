#include "foundation/vornarc.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <set>

#include "foundation/allocate.h"
#include "foundation/decoders.h"
#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/streams.h"
#include "foundation/text.h"

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::errors::eCouldNotCreateObject;
using VOXA::logging::LogMessage;
using VOXA::errors::NewOrThrow;

namespace {

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

std::unique_ptr<TStream> StreamOrStandIn(std::unique_ptr<TStream> stream) {
  if (stream) return stream;
  TStream* plain = NewOrThrow<TStream>("TStream");
  return std::unique_ptr<TStream>(plain);
}

uint8_t* AllocateBlock(uint32_t size, const char* what) {
  uint8_t* block = static_cast<uint8_t*>(std::malloc(size ? size : 1));
  if (!block) throw new eCouldNotAllocateMemoryFor(what);
  return block;
}

std::unique_ptr<TStream> MemberAsArcFile(TArchive* archive, const char* path) {
  std::unique_ptr<TStream> file(NewOrThrow<TArcFile>("TArcFile", archive));
  file->SetName(path);
  if (!file->Open(kStreamRead)) return nullptr;
  return file;
}

bool ReadItem(TStream* stream, void* buffer, uint32_t size) {
  return size == 0 || stream->Read(buffer, static_cast<int32_t>(size), 1) == 1;
}

}  // namespace

bool SameMemberName(const char* a, const char* b) {
  if (!a || !b) return false;
  for (; *a && *b; ++a, ++b) {
    if (LowerAscii(*a) != LowerAscii(*b)) return false;
  }
  return *a == *b;
}

// ------------------------------------------------------------------ TVORNarc

TVORNarc::TVORNarc(std::unique_ptr<TStream> stream) : stream_(StreamOrStandIn(std::move(stream))) {}

TVORNarc::~TVORNarc() { Close(); }

bool TVORNarc::NextEntry(tSearchRecord* record) {
  if (!record || record->cursor < 0 || record->cursor >= count_) return false;
  const tArcEntry& entry = entries_[static_cast<size_t>(record->cursor)];
  record->name = CopyName(entry.name.c_str());
  record->size = static_cast<int32_t>(entry.decodedSize);
  ++record->cursor;
  return true;
}

void TVORNarc::EndSearch(tSearchRecord* record) {
  if (record) record->cursor = 0;
}

void TVORNarc::SetFileName(const char* name) {
  name_ = name ? CopyName(name) : std::string();
  stream_->SetName(name);
}

void TVORNarc::LogCut(const char* part) const {
  LogMessage(5, "VORNarc archive \"%s\" refused: the file ends before its %s", name_.c_str(),
             part);
}
bool TVORNarc::Open(int) { return ReadDirectory(); }
bool TVORNarc::IsOpen() { return open_; }

void TVORNarc::Close() {
  open_ = false;
  std::vector<tArcEntry>().swap(entries_);
  count_ = 0;
  stream_->Close();
}

bool TVORNarc::ReadDirectory() {
  Close();
  if (!stream_->Open(kStreamRead)) return false;
  const int64_t streamSize = stream_->Size();
  uint8_t header[16];
  stream_->Seek(0, kSeekStart);
  const int32_t got = stream_->Read(header, 1, sizeof(header));
  if (got < static_cast<int32_t>(sizeof(header))) {
    // Only a file that starts as an archive does is one cut short: the
    // folder's other files are offered as archives too.
    const size_t known = got > 0 ? std::min<size_t>(got, sizeof(kVornarcMagic)) : 0;
    if (known > 0 && std::memcmp(header, kVornarcMagic, known) == 0) LogCut("header ends");
    return false;
  }
  if (std::memcmp(header, kVornarcMagic, sizeof(kVornarcMagic)) != 0) return false;
  const uint32_t count = Le32(header + 8);
  uint32_t blockOffset = Le32(header + 12);

  // Every record takes at least its fixed part: a count the file cannot hold
  // is refused before anything is allocated for it.
  if (static_cast<uint64_t>(count) * kVornarcRecordSize > static_cast<uint64_t>(streamSize)) {
    LogMessage(5, "VORNarc archive refused: %u entries cannot fit in %lld bytes", count,
               static_cast<long long>(streamSize));
    return false;
  }
  try {
    entries_.reserve(count);
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("VORNarc archive file list!");
  }
  count_ = 0;

  std::set<uint32_t> visited;
  while (blockOffset != 0) {
    if (!visited.insert(blockOffset).second) {
      LogMessage(5, "VORNarc archive refused: the directory blocks run in a circle");
      return false;
    }
    uint8_t head[8];
    const bool inFile = static_cast<int64_t>(blockOffset) + 8 <= streamSize;
    if (inFile) stream_->Seek(static_cast<int32_t>(blockOffset), kSeekStart);
    if (!inFile || stream_->Read(head, sizeof(head), 1) != 1) {
      LogCut("directory ends");
      return false;
    }
    const int32_t records = static_cast<int32_t>(Le32(head));
    blockOffset = Le32(head + 4);
    for (int32_t i = 0; i < records; ++i) {
      if (static_cast<uint32_t>(count_) >= count) return false;
      uint8_t fixed[kVornarcRecordSize];
      if (stream_->Read(fixed, sizeof(fixed), 1) != 1) {
        LogCut("directory ends");
        return false;
      }
      tArcEntry entry;
      entry.decodedSize = Le32(fixed + 0);
      entry.storedSize = Le32(fixed + 4);
      entry.method = Le32(fixed + 8);
      entry.dataOffset = Le32(fixed + 12);
      entry.fragmented = (fixed[16] & kVornarcFragmented) != 0;
      entry.flags = fixed[16] & 0x7F;
      entry.storedCrc = Le32(fixed + 17);
      entry.decodedCrc = Le32(fixed + 21);
      entry.kept = Le16(fixed + 25);
      const int16_t nameLength = static_cast<int16_t>(Le16(fixed + 27));
      entry.extraLength = Le32(fixed + 29);
      const int64_t left = streamSize - stream_->Tell();
      if (nameLength < 0 || static_cast<int64_t>(nameLength) + entry.extraLength > left) {
        LogMessage(
            5, "VORNarc archive refused: a member record's name or extra data runs past the end");
        return false;
      }
      std::string name(static_cast<size_t>(nameLength), '\0');
      if (!ReadItem(stream_.get(), name.data(), static_cast<uint32_t>(nameLength))) return false;
      try {
        entry.extra.resize(entry.extraLength);
      } catch (const std::bad_alloc&) {
        throw new eCouldNotAllocateMemoryFor("extra data!");
      }
      if (!ReadItem(stream_.get(), entry.extra.data(), entry.extraLength)) return false;
      entry.name = name.c_str();  // up to the first zero byte
      entry.recordLength =
          static_cast<uint32_t>(kVornarcRecordSize + entry.name.size() + entry.extraLength);
      entries_.push_back(std::move(entry));
      ++count_;
    }
  }
  if (static_cast<uint32_t>(count_) != count) return false;
  open_ = true;
  return true;
}

const tArcEntry* TVORNarc::FindEntry(const char* path) const {
  for (const tArcEntry& entry : entries_) {
    if (SameMemberName(entry.name.c_str(), path)) return &entry;
  }
  return nullptr;
}

bool TVORNarc::ReadStoredBytes(const tArcEntry& entry, uint8_t* packed) {
  if (!entry.fragmented) {
    stream_->Seek(static_cast<int32_t>(entry.dataOffset), kSeekStart);
    return ReadItem(stream_.get(), packed, entry.storedSize);
  }
  const int64_t streamSize = stream_->Size();
  uint32_t done = 0;
  uint32_t offset = entry.dataOffset;
  std::set<uint32_t> visited;
  while (offset != 0) {
    if (!visited.insert(offset).second || static_cast<int64_t>(offset) + 8 > streamSize) {
      return false;
    }
    uint8_t head[8];
    stream_->Seek(static_cast<int32_t>(offset), kSeekStart);
    if (stream_->Read(head, sizeof(head), 1) != 1) return false;
    const uint32_t length = Le32(head);
    offset = Le32(head + 4);
    if (length > entry.storedSize - done) return false;
    if (!ReadItem(stream_.get(), packed + done, length)) return false;
    done += length;
  }
  return done == entry.storedSize;
}

void TVORNarc::ExtractMember(const char* path, int32_t& size, uint8_t*& data,
                             tExtractProgress progress) {
  size = 0;
  data = nullptr;
  if (!open_ || !path) return;
  const tArcEntry* found = FindEntry(path);
  if (!found) return;
  const tArcEntry& entry = *found;

  tPacking packing;
  switch (entry.method) {
    case kMethodStored:
      packing = tPacking::Stored;
      break;
    case 2:
    case 3:
    case 4:
    case 5:
      packing = tPacking::Reduced;
      break;
    case kMethodDeflate:
      packing = tPacking::Deflate;
      break;
    case kMethodLzh:
      packing = tPacking::Lzh;
      break;
    case kMethodBzip2:
      packing = tPacking::Bzip2;
      break;
    default:
      return;  // no decoder for this method
  }
  const uint32_t resultSize = packing == tPacking::Stored ? entry.storedSize : entry.decodedSize;
  if (resultSize == 0) return;  // no block of 0 bytes is handed out

  // The sizes come from the file: check them against it before allocating.
  const int64_t streamSize = stream_->Size();
  const int64_t storedEnd = entry.fragmented
                                ? entry.storedSize
                                : static_cast<int64_t>(entry.dataOffset) + entry.storedSize;
  if (storedEnd > streamSize ||
      (packing != tPacking::Stored &&
       !PlausibleDecodedSize(packing, entry.storedSize, entry.decodedSize))) {
    LogMessage(5, "VORNarc member \"%s\" refused: its sizes do not fit the archive",
               entry.name.c_str());
    return;
  }
  if (!DecodedSizeAllowed("VORNarc", entry.name.c_str(), resultSize)) return;

  uint8_t* packed = AllocateBlock(entry.storedSize, "compressed data!");
  uint8_t* decoded = nullptr;
  if (packing != tPacking::Stored) {
    decoded = static_cast<uint8_t*>(std::malloc(entry.decodedSize));
    if (!decoded) {
      std::free(packed);
      throw new eCouldNotAllocateMemoryFor("uncompressed data!");
    }
  }
  bool ok = ReadStoredBytes(entry, packed);
  if (ok) {
    try {
      switch (packing) {
        case tPacking::Stored:
          break;
        case tPacking::Reduced:
          ok = ExpandReduced(packed, entry.storedSize, decoded, entry.decodedSize, progress,
                             static_cast<int>(entry.method) - 2) != 0;
          break;
        case tPacking::Deflate:
          ok = InflateRawMember(packed, entry.storedSize, decoded, entry.decodedSize);
          break;
        case tPacking::Lzh:
          ok = DecodeLzhMember(packed, entry.storedSize, decoded, entry.decodedSize, progress) != 0;
          break;
        case tPacking::Bzip2:
          ok = DecodeBzip2Member(packed, entry.storedSize, decoded, entry.decodedSize);
          break;
      }
    } catch (...) {
      std::free(packed);
      std::free(decoded);
      throw;
    }
  }
  if (!ok) {
    std::free(packed);
    std::free(decoded);
    return;
  }
  uint8_t* result = packed;
  if (packing != tPacking::Stored) {
    std::free(packed);
    result = decoded;
  }
  if (Crc32(result, resultSize) != entry.decodedCrc) {
    std::free(result);
    return;
  }
  data = result;
  size = static_cast<int32_t>(resultSize);
}

std::unique_ptr<TStream> TVORNarc::OpenFile(const char* path, bool buffered) {
  if (!path) return nullptr;
  if (!buffered) {
    tSearchRecord search;
    std::unique_ptr<TStream> window;
    if (FindFirst(&search, path) && SameMemberName(search.name.c_str(), path)) {
      const tArcEntry& entry = entries_[static_cast<size_t>(search.cursor - 1)];
      const int64_t end = static_cast<int64_t>(entry.dataOffset) + entry.decodedSize;
      if (!entry.fragmented && entry.method == kMethodStored && end <= stream_->Size()) {
        window.reset(new (std::nothrow) TStreamWindow(
            stream_.get(), static_cast<int32_t>(entry.dataOffset), static_cast<int32_t>(end - 1)));
      }
    }
    FindClose(&search);
    if (window) return window;
  }
  return MemberAsArcFile(this, path);
}

// --------------------------------------------------------------- TVORNarcEXE

TVORNarcEXE::TVORNarcEXE(std::unique_ptr<TStream> stream)
    : stream_(StreamOrStandIn(std::move(stream))) {}

TVORNarcEXE::~TVORNarcEXE() { Close(); }

bool TVORNarcEXE::NextEntry(tSearchRecord* record) {
  if (!record || record->cursor < 0 || record->cursor >= count_) return false;
  const tArcExeEntry& entry = entries_[static_cast<size_t>(record->cursor)];
  record->name = CopyName(entry.name);
  record->size = static_cast<int32_t>(entry.length);
  ++record->cursor;
  return true;
}

void TVORNarcEXE::EndSearch(tSearchRecord* record) {
  if (record) record->cursor = 0;
}

void TVORNarcEXE::SetFileName(const char* name) { stream_->SetName(name); }
bool TVORNarcEXE::Open(int) { return ReadDirectory(); }
bool TVORNarcEXE::IsOpen() { return open_; }

void TVORNarcEXE::Close() {
  open_ = false;
  count_ = 0;
  std::vector<tArcExeEntry>().swap(entries_);
  stream_->Close();
}

bool TVORNarcEXE::ReadDirectory() {
  Close();
  if (!stream_->Open(kStreamRead)) return false;
  const int64_t streamSize = stream_->Size();
  if (streamSize < 16) return false;
  uint8_t trailer[16] = {};
  stream_->Seek(static_cast<int32_t>(streamSize - 16), kSeekStart);
  if (stream_->Read(trailer, sizeof(trailer), 1) != 1) return false;
  const int32_t count = static_cast<int32_t>(Le32(trailer + 12));
  if (count <= 0 || std::memcmp(trailer, kVornarcExeMagic, sizeof(kVornarcExeMagic)) != 0) {
    return false;
  }
  const int64_t listStart = streamSize - 16 - static_cast<int64_t>(count) * kVornarcExeRecordSize;
  if (listStart < 0) {
    LogMessage(5, "VORNarc/EXE list refused: %d records cannot fit in %lld bytes", count,
               static_cast<long long>(streamSize));
    return false;
  }
  try {
    entries_.resize(static_cast<size_t>(count));
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("VORNarcEXE archive file list!");
  }
  stream_->Seek(static_cast<int32_t>(listStart), kSeekStart);
  for (tArcExeEntry& entry : entries_) {
    uint8_t record[kVornarcExeRecordSize];
    if (stream_->Read(record, sizeof(record), 1) != 1) {
      std::vector<tArcExeEntry>().swap(entries_);
      return false;
    }
    entry.offset = Le32(record);
    entry.length = Le32(record + 4);
    // A name without its terminator ends at the 55th character.
    std::memcpy(entry.name, record + 8, sizeof(entry.name) - 1);
    entry.name[sizeof(entry.name) - 1] = 0;
  }
  count_ = count;
  open_ = true;
  return true;
}

const tArcExeEntry* TVORNarcEXE::FindEntry(const char* path) const {
  for (const tArcExeEntry& entry : entries_) {
    if (SameMemberName(entry.name, path)) return &entry;
  }
  return nullptr;
}

bool TVORNarcEXE::InStream(const tArcExeEntry& entry) {
  if (static_cast<int64_t>(entry.offset) + entry.length <= stream_->Size()) return true;
  LogMessage(5, "VORNarc/EXE record \"%s\" refused: it reaches past the end of the file",
             entry.name);
  return false;
}

void TVORNarcEXE::ExtractMember(const char* path, int32_t& size, uint8_t*& data, tExtractProgress) {
  size = 0;
  data = nullptr;
  if (!open_ || count_ == 0 || !path) return;
  const tArcExeEntry* entry = FindEntry(path);
  if (!entry || !InStream(*entry) || entry->length == 0) return;
  if (!DecodedSizeAllowed("VORNarc/EXE", entry->name, entry->length)) return;
  stream_->Seek(static_cast<int32_t>(entry->offset), kSeekStart);
  uint8_t* block = static_cast<uint8_t*>(std::malloc(entry->length));
  if (!block) return;
  if (stream_->Read(block, static_cast<int32_t>(entry->length), 1) != 1) {
    std::free(block);
    return;
  }
  size = static_cast<int32_t>(entry->length);
  data = block;
}

std::unique_ptr<TStream> TVORNarcEXE::OpenFile(const char* path, bool buffered) {
  if (!path) return nullptr;
  if (!buffered) {
    tSearchRecord search;
    const tArcExeEntry* entry = nullptr;
    if (FindFirst(&search, path) && SameMemberName(search.name.c_str(), path)) {
      entry = &entries_[static_cast<size_t>(search.cursor - 1)];
    }
    FindClose(&search);
    if (entry && InStream(*entry)) {
      const int64_t last = static_cast<int64_t>(entry->offset) + entry->length - 1;
      return std::unique_ptr<TStream>(NewOrThrow<TStreamWindow>("TStreamWindow", stream_.get(),
                                                                static_cast<int32_t>(entry->offset),
                                                                static_cast<int32_t>(last)));
    }
  }
  return MemberAsArcFile(this, path);
}

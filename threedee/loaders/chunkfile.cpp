#include "threedee/loaders/chunkfile.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "foundation/errors.h"
#include "foundation/stream.h"
#include "windxkernel/debuglog.h"

namespace VOXA2::threedee {

cChunkFile::~cChunkFile() {
  if (ownsBuffer) std::free(buffer);
}

bool cChunkFile::LoadStream(TStream* stream) {
  const std::int32_t size = stream->Size();
  if (size < 0) return false;
  auto* bytes = static_cast<std::uint8_t*>(std::malloc(size > 0 ? size : 1));
  if (!bytes) throw new VOXA::errors::eCouldNotAllocateMemoryFor("chunk buffer!");
  if (size == 0 || stream->Read(bytes, size, 1) == 0) {
    std::free(bytes);
    return false;
  }
  if (ownsBuffer) std::free(buffer);
  ownsBuffer = true;
  buffer = bytes;
  bufferSize = size;
  chunkData = bytes;
  chunkLength = size;
  readPosition = 0;
  nextHeader = 0;
  chunkOpen = false;
  return true;
}

void cChunkFile::OpenSubChunks(const cChunkFile& parent) {
  if (ownsBuffer) std::free(buffer);
  ownsBuffer = false;
  chunkOpen = false;
  nextHeader = 0;
  readPosition = 0;
  if (parent.chunkData && parent.Remaining() >= 4) {
    buffer = const_cast<std::uint8_t*>(parent.chunkData + parent.readPosition);
    bufferSize = parent.Remaining();
    chunkData = buffer;
    chunkLength = bufferSize;
  } else {
    buffer = nullptr;
    bufferSize = 0;
    chunkData = nullptr;
    chunkLength = 0;
  }
}

void cChunkFile::CloseChunk() {
  chunkData = nullptr;
  chunkLength = 0;
  readPosition = 0;
}

bool cChunkFile::NextChunk() {
  if (!chunkOpen) nextHeader = readPosition;
  // A header needs one byte of data after it to be seen: a header-only chunk
  // standing last in its parent is passed over, as stored files expect.
  if (static_cast<std::int64_t>(nextHeader) + 6 >= bufferSize) {
    CloseChunk();
    return false;
  }
  const std::uint8_t* header = buffer + nextHeader;
  std::uint16_t id = static_cast<std::uint16_t>(header[0] | header[1] << 8);
  std::uint32_t raw = static_cast<std::uint32_t>(header[2]) | static_cast<std::uint32_t>(header[3]) << 8 |
                      static_cast<std::uint32_t>(header[4]) << 16 |
                      static_cast<std::uint32_t>(header[5]) << 24;
  std::int64_t length = static_cast<std::int32_t>(raw);
  if (length < 6) {
    // The rest of the level cannot be found; what was read so far stands.
    LogMessage(7, "Chunk 0x%X with length %lld ends its chunk list", static_cast<unsigned>(id),
               static_cast<long long>(length));
    CloseChunk();
    return false;
  }
  const std::int64_t left = static_cast<std::int64_t>(bufferSize) - nextHeader;
  if (length > left) {
    LogMessage(7, "Chunk 0x%X of length %lld cut to the %lld bytes left in its parent",
               static_cast<unsigned>(id),
               static_cast<long long>(length), static_cast<long long>(left));
    length = left;
  }
  chunkId = id;
  chunkData = header + 6;
  chunkLength = static_cast<std::int32_t>(length - 6);
  readPosition = 0;
  nextHeader += static_cast<std::int32_t>(length);
  chunkOpen = true;
  return true;
}

std::uint8_t cChunkFile::ReadByte() {
  if (Remaining() < 1) {
    readPosition = chunkLength;
    return 0;
  }
  return chunkData[readPosition++];
}

std::uint16_t cChunkFile::ReadWord() {
  if (Remaining() < 2) {
    readPosition = chunkLength;
    return 0;
  }
  const std::uint8_t* p = chunkData + readPosition;
  readPosition += 2;
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

float cChunkFile::ReadFloat() {
  float value = 0.0f;
  if (Remaining() < 4) {
    readPosition = chunkLength;
    return value;
  }
  const std::uint8_t* p = chunkData + readPosition;
  std::uint32_t bits = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                       static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
  std::memcpy(&value, &bits, sizeof value);
  readPosition += 4;
  return value;
}

void cChunkFile::Skip(std::int32_t count) {
  if (count < 0) return;
  readPosition = Remaining() < count ? chunkLength : readPosition + count;
}

bool cChunkFile::ReadBlock(std::int32_t count, void* destination) {
  if (count < 0 || Remaining() < count) return false;
  if (count > 0) std::memcpy(destination, chunkData + readPosition, count);
  readPosition += count;
  return true;
}

std::string cChunkFile::ReadString() {
  if (!chunkData || Remaining() <= 0) return {};
  const char* start = reinterpret_cast<const char*>(chunkData + readPosition);
  const void* zero = std::memchr(start, 0, Remaining());
  const std::int32_t length =
      zero ? static_cast<std::int32_t>(static_cast<const char*>(zero) - start) : Remaining();
  try {
    std::string text(start, length);
    readPosition += zero ? length + 1 : length;
    return text;
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("string!");
  }
}

}  // namespace VOXA2::threedee

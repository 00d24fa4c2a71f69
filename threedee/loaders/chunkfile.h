// The 3DS chunk tree over one byte buffer: a reader walks one level of it.
// The file level owns the whole file; every deeper level is a view into its
// parent's bytes, which must outlive it. Reads past the end of a chunk give 0.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/basis.h"

class TStream;

namespace VOXA2::threedee {

class cChunkFile : public virtual basis::basisObject {
 public:
  cChunkFile() = default;
  cChunkFile(const cChunkFile&) = delete;
  cChunkFile& operator=(const cChunkFile&) = delete;
  ~cChunkFile() override;

  // The whole stream into an owned buffer; false when its size is unknown or
  // the read fails.
  bool LoadStream(TStream* stream);
  // A walker over the rest of the parent's open chunk, from its read position.
  void OpenSubChunks(const cChunkFile& parent);
  // Opens the next chunk of this level; false when there is none.
  bool NextChunk();

  std::uint8_t ReadByte();
  std::uint16_t ReadWord();
  float ReadFloat();
  void Skip(std::int32_t count);
  // Copies nothing and stays put when fewer bytes remain.
  bool ReadBlock(std::int32_t count, void* destination);
  // The text up to the first zero byte, or up to the end of the chunk when
  // it has none (so every name is a text, maybe empty).
  std::string ReadString();
  // Whether count records of size bytes each remain in the chunk.
  bool Holds(std::int64_t count, std::int64_t size) const { return count * size <= Remaining(); }

  std::uint16_t Id() const { return chunkId; }
  std::int32_t DataLength() const { return chunkLength; }
  std::int32_t Remaining() const { return chunkLength - readPosition; }
  bool HasData() const { return chunkData != nullptr; }

 private:
  void CloseChunk();

  bool ownsBuffer = false;
  bool chunkOpen = false;
  std::uint8_t* buffer = nullptr;
  std::int32_t bufferSize = 0;
  std::int32_t nextHeader = 0;
  const std::uint8_t* chunkData = nullptr;
  std::int32_t chunkLength = 0;
  std::int32_t readPosition = 0;
  std::uint16_t chunkId = 0;
};

}  // namespace VOXA2::threedee

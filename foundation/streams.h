// Streams over memory or over another stream: a read buffer, a whole stream
// read into memory, a decoded archive member, a caller's memory block, and a
// window onto a stretch of another stream.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/stream.h"

class TArchive;

// A read-only buffer in front of another stream, which it owns.
class TBufferedStream : public TStream {
 public:
  // A buffer size of 0 (or less) means 1024 bytes; without an inner stream a
  // plain TStream, on which everything fails, stands in.
  TBufferedStream(std::unique_ptr<TStream> inner, int32_t bufferSize);

  void SetName(const char* name) override;
  bool Open(int mode) override;
  bool IsOpen() override;
  void Close() override;
  void Seek(int32_t offset, int origin) override;
  void Truncate() override;
  int32_t Read(void* buffer, int32_t size, int32_t count) override;
  uint8_t ReadByte() override;
  uint16_t ReadWord() override;
  uint32_t ReadDword() override;
  bool Failed() override;
  int32_t Tell() override;
  int32_t Size() override;
  bool Eof() override;
  bool Remove() override;
  bool IsBuffered() override;

  TStream* Inner() const { return inner_.get(); }

 private:
  void Refill();

  std::unique_ptr<TStream> inner_;
  std::unique_ptr<uint8_t[]> buffer_;
  int32_t fill_ = 0;
  int32_t index_ = 0;
  int32_t blockStart_ = 0;
  int32_t size_ = 0;
  bool end_ = false;
};

// The whole content of another stream in one memory block. With write access
// it is a growable memory buffer whose content replaces the inner stream's on
// closing.
class TPrereadStream : public TStream {
 public:
  // Counts as buffered, has no inner stream: the data comes from elsewhere.
  TPrereadStream();
  // Not counted as buffered; without a stream a plain TStream stands in.
  explicit TPrereadStream(std::unique_ptr<TStream> inner);
  ~TPrereadStream() override;

  void SetName(const char* name) override;
  bool Open(int mode) override;
  bool IsOpen() override;
  void Close() override;
  void Seek(int32_t offset, int origin) override;
  void Truncate() override;
  int32_t Read(void* buffer, int32_t size, int32_t count) override;
  int32_t Write(const void* buffer, int32_t size, int32_t count) override;
  uint8_t ReadByte() override;
  uint16_t ReadWord() override;
  uint32_t ReadDword() override;
  bool Failed() override;
  int32_t Tell() override;
  int32_t Size() override;
  bool Eof() override;
  bool Remove() override;

 protected:
  // Takes over a block allocated with malloc as the stream's content and opens
  // the stream for reading.
  void AdoptBlock(uint8_t* block, int32_t size);
  void SetError(bool error) { error_ = error; }
  void ClearEnd() { end_ = false; }

 private:
  bool LoadInner();
  bool Resize(int32_t newSize);

  std::unique_ptr<TStream> inner_;
  bool open_ = false;
  bool error_ = false;
  bool writable_ = false;
  uint8_t* data_ = nullptr;  // malloc'd, owned
  int32_t size_ = 0;
  int32_t position_ = -1;
  bool end_ = false;
};

// An archive member decoded by its archive (TArchive::ExtractMember) and
// served from memory. Read-only; the archive must outlive the stream.
class TArcFile : public TPrereadStream {
 public:
  explicit TArcFile(TArchive* archive);

  // Names the member, not a file.
  void SetName(const char* name) override;
  bool Open(int mode) override;

 private:
  TArchive* archive_;  // not owned
  std::string memberName_;
};

// A stream over a memory block that belongs to its creator, of fixed size.
// Reads, writes and seeks work without opening it. Truncate reallocates the
// block, so a memory file that is truncated must be given a malloc'd block,
// and its creator must take the block back from Data() afterwards.
class TMemFile : public TStream {
 public:
  TMemFile(void* block, int32_t size, bool readOnly);

  bool Open(int mode) override;
  bool IsOpen() override;
  void Close() override;
  void Seek(int32_t offset, int origin) override;
  void Truncate() override;
  int32_t Read(void* buffer, int32_t size, int32_t count) override;
  int32_t Write(const void* buffer, int32_t size, int32_t count) override;
  uint8_t ReadByte() override;
  uint16_t ReadWord() override;
  uint32_t ReadDword() override;
  bool Failed() override;
  int32_t Tell() override;
  int32_t Size() override;
  bool Eof() override;
  bool Remove() override;

  uint8_t* Data() const { return data_; }

 private:
  bool open_ = false;
  bool error_ = false;
  bool readOnly_;
  uint8_t* data_;  // the creator's
  int32_t size_;
  int32_t position_ = 0;
  bool end_ = false;
};

// A read-only window onto bytes first..last (inclusive) of another stream. The
// window never opens, closes or destroys its inner stream and leaves the inner
// stream's position as it found it, so many windows and their owner can share
// one stream.
class TStreamWindow : public TStream {
 public:
  TStreamWindow(TStream* inner, int32_t first, int32_t last);

  bool Open(int mode) override;
  bool IsOpen() override;
  void Seek(int32_t offset, int origin) override;
  int32_t Read(void* buffer, int32_t size, int32_t count) override;
  bool Failed() override;
  int32_t Tell() override;
  int32_t Size() override;
  bool Eof() override;
  bool IsBuffered() override;

 private:
  TStream* inner_;  // not owned
  int32_t first_;
  int32_t length_;
  int32_t position_ = 0;
};

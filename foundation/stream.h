// The byte-stream interface through which the player reads all of its data,
// the forwarding wrappers, and the stream over a file on disk.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "foundation/basis.h"

class TArchive;

// Mode bits of TStream::Open.
enum : int { kStreamRead = 1, kStreamWrite = 2, kStreamAppend = 4 };
// Origins of TStream::Seek.
enum : int { kSeekStart = 0, kSeekCurrent = 1, kSeekEnd = 2 };

// Every operation fails softly: a stream reports trouble through its results
// and its error flag, and throws only when memory runs out.
//
// The end-of-file query is called Eof: the C library owns the name EOF as a macro.
class TStream : public virtual basis::basisObject {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  ~TStream() override = default;

  virtual void SetName(const char* name);
  virtual bool Open(int mode);
  virtual bool IsOpen();
  virtual void Close();
  virtual void Seek(int32_t offset, int origin);
  virtual void Truncate();
  // Both move at most size * count bytes and answer the number of whole items moved.
  virtual int32_t Read(void* buffer, int32_t size, int32_t count);
  virtual int32_t Write(const void* buffer, int32_t size, int32_t count);
  // Little-endian, whatever the host. A short read gives 0.
  virtual uint8_t ReadByte();
  virtual uint16_t ReadWord();
  virtual uint32_t ReadDword();
  virtual bool Failed();
  virtual int32_t Tell();
  virtual int32_t Size();
  virtual bool Eof();
  virtual bool Remove();
  // True for a stream that buffers itself or holds its data in memory; the
  // file access layer puts no further read buffer around such a stream.
  virtual bool IsBuffered();

 protected:
  // Words made of the kind's own ReadByte, for kinds that read bytes cheaply.
  uint16_t WordFromBytes();
  uint32_t DwordFromWords();

  int32_t bufferSize_ = 0;
};

// Forwards everything to an inner stream that it owns.
class TStreamWrapper : public TStream {
 public:
  explicit TStreamWrapper(std::unique_ptr<TStream> inner = nullptr);

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
  bool IsBuffered() override;

  TStream* Inner() const { return inner_.get(); }

 protected:
  std::unique_ptr<TStream> inner_;
};

// Stands for one member of an archive: the member is fetched from the archive
// when the wrapper is opened. Lets an archive that is itself a member of
// another archive be read through the ordinary archive interface.
class TArchiveWrapper : public TStreamWrapper {
 public:
  explicit TArchiveWrapper(TArchive* archive);

  void SetName(const char* name) override;
  bool Open(int mode) override;

 private:
  TArchive* archive_;  // not owned
  std::optional<std::string> memberName_;
};

// A file on disk, through the C library's buffered file interface. Data paths
// are written with backslashes; see ResolveDiskPath for how they reach the disk.
class TFile : public TStream {
 public:
  TFile() = default;
  ~TFile() override;

  void SetName(const char* name) override;
  bool Open(int mode) override;
  bool IsOpen() override;
  void Close() override;
  void Seek(int32_t offset, int origin) override;
  void Truncate() override;
  int32_t Read(void* buffer, int32_t size, int32_t count) override;
  int32_t Write(const void* buffer, int32_t size, int32_t count) override;
  bool Failed() override;
  int32_t Tell() override;
  int32_t Size() override;
  bool Eof() override;
  bool Remove() override;

 private:
  bool open_ = false;
  bool error_ = false;  // sticky: only a successful Open clears it
  std::FILE* handle_ = nullptr;
  std::optional<std::string> name_;
};

// The byte count size * count of a read or write; 0 when either is not positive.
int64_t StreamByteCount(int32_t size, int32_t count);

// A copy of a name that streams and archives keep for themselves; running out
// of memory throws eOutOfMemory with the given text.
std::string CopyName(const char* name,
                     const char* failure = "Could not allocate memory to duplicate string!");

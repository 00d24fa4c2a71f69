// ZIP files, read front to back by their local file headers (the central
// directory is never read). Methods stored, reduced and deflated.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/archive.h"
#include "foundation/stream.h"

struct tZipEntry {
  std::string name;
  uint32_t uncompressedSize = 0;
  uint32_t compressedSize = 0;
  uint32_t dataOffset = 0;
  uint32_t crc = 0;
  uint32_t method = 0;
  uint32_t flags = 0;
};

// ExtractMember's results in the size when it fails.
enum : int32_t {
  kZipNoSuchMember = -1,
  kZipReadFailed = -2,
  kZipNoMemory = -3,
  kZipDecoderFailed = -4,
  kZipBadCrc = -5,
};

class TZipArchive : public TArchive {
 public:
  explicit TZipArchive(std::unique_ptr<TStream> stream = nullptr);
  ~TZipArchive() override;

  bool NextEntry(tSearchRecord* record) override;
  void EndSearch(tSearchRecord* record) override;
  void SetFileName(const char* name) override;
  // Read-only: asking for write access fails without touching the stream.
  bool Open(int mode = kStreamRead) override;
  bool IsOpen() override;
  void Close() override;
  void ExtractMember(const char* path, int32_t& size, uint8_t*& data,
                     tExtractProgress progress) override;

  const std::vector<tZipEntry>& Entries() const { return entries_; }

 private:
  bool ReadDirectory(int mode);
  bool FailOpen();

  std::unique_ptr<TStream> stream_;
  bool open_ = false;
  bool writeMode_ = false;
  std::vector<tZipEntry> entries_;
  int32_t count_ = 0;
};

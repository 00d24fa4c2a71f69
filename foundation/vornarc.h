// The player's own archive format (VORNarc) and the list of archives that an
// executable carries behind its own image (VORNarc/EXE).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/archive.h"
#include "foundation/stream.h"

// "VORNarc" and the byte 0x1A.
inline constexpr char kVornarcMagic[8] = {'V', 'O', 'R', 'N', 'a', 'r', 'c', 0x1A};
// "VORNarc/EXE" and the byte 0x1A.
inline constexpr char kVornarcExeMagic[12] = {'V', 'O', 'R', 'N', 'a', 'r',
                                              'c', '/', 'E', 'X', 'E', 0x1A};
inline constexpr int32_t kVornarcRecordSize = 33;
inline constexpr int32_t kVornarcExeRecordSize = 64;
// Member records with this flag bit keep their stored bytes in a fragment chain.
inline constexpr uint8_t kVornarcFragmented = 0x80;

// Packing methods of the own format.
enum : uint32_t {
  kMethodStored = 0,
  kMethodDeflate = 10,
  kMethodLzh = 11,
  kMethodBzip2 = 12,
};

// One member record of the directory.
struct tArcEntry {
  uint32_t decodedSize = 0;
  uint32_t storedSize = 0;
  uint32_t method = 0;
  uint32_t dataOffset = 0;
  bool fragmented = false;
  uint8_t flags = 0;  // bits 0 to 6, kept as stored
  uint32_t storedCrc = 0;
  uint32_t decodedCrc = 0;
  std::string name;
  uint32_t recordLength = 0;
  uint16_t kept = 0;
  uint32_t extraLength = 0;
  std::vector<uint8_t> extra;
};

class TVORNarc : public TArchive {
 public:
  // Reads through the given stream, which it owns; without one, a plain
  // TStream (on which everything fails) stands in.
  explicit TVORNarc(std::unique_ptr<TStream> stream = nullptr);
  ~TVORNarc() override;

  bool NextEntry(tSearchRecord* record) override;
  void EndSearch(tSearchRecord* record) override;
  void SetFileName(const char* name) override;
  // Reads the whole directory; any mode reads.
  bool Open(int mode = kStreamRead) override;
  bool IsOpen() override;
  void Close() override;
  // The member's decoded bytes, checked against their CRC-32; nothing when
  // the member is missing, unreadable or corrupt.
  void ExtractMember(const char* path, int32_t& size, uint8_t*& data,
                     tExtractProgress progress) override;
  // Unbuffered, a stored member in one piece is a window onto the archive;
  // everything else is decoded into a TArcFile.
  std::unique_ptr<TStream> OpenFile(const char* path, bool buffered) override;

  const std::vector<tArcEntry>& Entries() const { return entries_; }
  TStream* Stream() const { return stream_.get(); }

 private:
  bool ReadDirectory();
  const tArcEntry* FindEntry(const char* path) const;
  bool ReadStoredBytes(const tArcEntry& entry, uint8_t* packed);
  // Logs that the file ends before the part of the archive named.
  void LogCut(const char* part) const;

  std::unique_ptr<TStream> stream_;
  std::string name_;  // as given to SetFileName, for the log
  bool open_ = false;
  std::vector<tArcEntry> entries_;
  int32_t count_ = 0;
};

// One record of the executable's list: an archive at an absolute offset.
struct tArcExeEntry {
  uint32_t offset = 0;
  uint32_t length = 0;
  char name[56] = {};
};

class TVORNarcEXE : public TArchive {
 public:
  explicit TVORNarcEXE(std::unique_ptr<TStream> stream = nullptr);
  ~TVORNarcEXE() override;

  bool NextEntry(tSearchRecord* record) override;
  void EndSearch(tSearchRecord* record) override;
  void SetFileName(const char* name) override;
  bool Open(int mode = kStreamRead) override;
  bool IsOpen() override;
  void Close() override;
  // The record's bytes as they stand in the executable (records carry no CRC).
  void ExtractMember(const char* path, int32_t& size, uint8_t*& data,
                     tExtractProgress progress) override;
  // Unbuffered, a window onto the executable; buffered, a TArcFile.
  std::unique_ptr<TStream> OpenFile(const char* path, bool buffered) override;

  const std::vector<tArcExeEntry>& Entries() const { return entries_; }

 private:
  bool ReadDirectory();
  const tArcExeEntry* FindEntry(const char* path) const;
  bool InStream(const tArcExeEntry& entry);

  std::unique_ptr<TStream> stream_;
  bool open_ = false;
  std::vector<tArcExeEntry> entries_;
  int32_t count_ = 0;
};

// Whether two member names are equal without regard to ASCII letter case.
bool SameMemberName(const char* a, const char* b);

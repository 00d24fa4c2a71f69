// Helpers shared by the stream and archive tests.
#pragma once

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "foundation/archive.h"
#include "foundation/stream.h"

namespace streamtest {

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// count bytes read one item at a time; fewer when the stream ends.
inline std::string ReadAll(TStream& stream, int32_t count) {
  std::string bytes(static_cast<std::size_t>(count), '\0');
  int32_t got = stream.Read(bytes.data(), 1, count);
  bytes.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return bytes;
}

inline std::string Pattern(std::size_t length) {
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

inline std::unique_ptr<TStream> OpenTFile(const char* path, int mode = kStreamRead) {
  auto file = std::make_unique<TFile>();
  file->SetName(path);
  if (!file->Open(mode)) return nullptr;
  return file;
}

// What the kernel registers for plain files, as a test stand-in.
inline std::unique_ptr<TStream> PlainFileAccess(const char* path, int32_t) {
  return OpenTFile(path);
}

// An archive of members held in memory; members open as TArcFiles (the base
// OpenFile). It remembers the buffered flag that OpenFile was last given.
class MemberArchive : public TArchive {
 public:
  MemberArchive(std::initializer_list<std::pair<const std::string, std::string>> members)
      : members_(members) {}

  bool NextEntry(tSearchRecord* record) override {
    if (!record) return false;
    auto it = members_.begin();
    std::advance(it,
                 std::min<std::size_t>(static_cast<std::size_t>(record->cursor), members_.size()));
    if (it == members_.end()) return false;
    record->name = it->first;
    record->size = static_cast<int32_t>(it->second.size());
    ++record->cursor;
    return true;
  }
  void EndSearch(tSearchRecord* record) override { record->cursor = 0; }
  bool IsOpen() override { return true; }
  void ExtractMember(const char* path, int32_t& size, uint8_t*& data, tExtractProgress) override {
    size = -1;
    data = nullptr;
    auto it = members_.find(path ? path : "");
    if (it == members_.end() || it->second.empty()) return;
    data = static_cast<uint8_t*>(std::malloc(it->second.size()));
    std::memcpy(data, it->second.data(), it->second.size());
    size = static_cast<int32_t>(it->second.size());
  }
  std::unique_ptr<TStream> OpenFile(const char* path, bool buffered) override {
    lastBuffered = buffered;
    return TArchive::OpenFile(path, buffered);
  }

  bool lastBuffered = false;

 private:
  std::map<std::string, std::string> members_;
};

}  // namespace streamtest

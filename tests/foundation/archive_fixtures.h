// Helpers of the archive reader tests: byte blocks, files, and the real
// packing tools (bzip2, zip, gzip, Python's zlib and zipfile, lhasa) run
// through the shell in the test's own folder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "foundation/archive.h"
#include "foundation/streams.h"
#include "tools/vornarc/writer.h"

namespace archivetest {

using Bytes = std::vector<uint8_t>;

inline Bytes ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline Bytes RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<uint8_t>(rng());
  return bytes;
}

// Words from a small vocabulary: text that packs well but not trivially.
inline Bytes TextBytes(size_t size, uint32_t seed) {
  static const char* words[] = {"demo ",  "scroller ", "plasma ", "the ",   "of ",   "rotozoom\n",
                                "music ", "Pixel ",    "copper ", "bars, ", "VORN ", "sine "};
  std::mt19937 rng(seed);
  Bytes bytes;
  while (bytes.size() < size) {
    const char* w = words[rng() % std::size(words)];
    bytes.insert(bytes.end(), w, w + std::char_traits<char>::length(w));
  }
  bytes.resize(size);
  return bytes;
}

inline Bytes RunBytes(size_t size) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<uint8_t>("AAAAAAAAAAAAAAAAAAB"[(i / 7) % 19]);
  return bytes;
}

inline Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Runs a shell command in the current folder; the test fails when it fails.
inline void Shell(const std::string& command) {
  int status = std::system(command.c_str());
  ASSERT_EQ(status, 0) << command;
}

inline std::unique_ptr<TStream> DiskStream(const std::filesystem::path& path) {
  auto file = std::make_unique<TFile>();
  file->SetName(path.string().c_str());
  return file;
}

// The member's bytes through ExtractMember; `size` gets what the archive said.
inline Bytes Extract(TArchive& archive, const char* name, int32_t* size = nullptr,
                     bool* gotData = nullptr) {
  int32_t length = 0;
  uint8_t* data = nullptr;
  archive.ExtractMember(name, length, data, nullptr);
  if (size) *size = length;
  if (gotData) *gotData = data != nullptr;
  Bytes bytes;
  if (data && length > 0) bytes.assign(data, data + length);
  std::free(data);
  return bytes;
}

inline Bytes ReadStream(TStream& stream) {
  Bytes bytes(static_cast<size_t>(std::max(0, stream.Size())));
  int32_t got =
      bytes.empty() ? 0 : stream.Read(bytes.data(), 1, static_cast<int32_t>(bytes.size()));
  bytes.resize(static_cast<size_t>(std::max(0, got)));
  return bytes;
}

}  // namespace archivetest

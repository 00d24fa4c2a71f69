// A fresh folder that a test works in; it becomes the current folder while the
// object lives and is removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

// The whole content of a file ("" when it does not exist).
std::string ReadFile(const std::filesystem::path& path);

// The lines of debug.txt in the current folder, each without the time prefix
// "(sss.mmm) " that the log puts in front while an application exists.
std::vector<std::string> DebugLogLines();

}  // namespace testsupport

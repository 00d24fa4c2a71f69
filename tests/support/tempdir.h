// A fresh folder that a test works in; it becomes the current folder while the
// object lives and is removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <string>

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

}  // namespace testsupport

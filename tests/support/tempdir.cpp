#include "tests/support/tempdir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testsupport {

ScopedTempDir::ScopedTempDir() : previous_(std::filesystem::current_path()) {
  std::string pattern = (std::filesystem::temp_directory_path() / "voxa2-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  std::filesystem::current_path(path_);
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ec;
  std::filesystem::current_path(previous_, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::vector<std::string> DebugLogLines() {
  std::istringstream in(ReadFile("debug.txt"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (line.size() >= 10 && line[0] == '(' && line[8] == ')' && line[9] == ' ') line.erase(0, 10);
    lines.push_back(line);
  }
  return lines;
}

}  // namespace testsupport

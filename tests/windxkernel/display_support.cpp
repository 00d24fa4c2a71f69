#include "tests/windxkernel/display_support.h"

#include <algorithm>

#include "tests/support/tempdir.h"

namespace displaytest {

std::vector<std::string> LogLines() { return testsupport::DebugLogLines(); }

bool ContainsInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& want) {
  auto it = lines.begin();
  for (const std::string& w : want) {
    it = std::find(it, lines.end(), w);
    if (it == lines.end()) return false;
    ++it;
  }
  return true;
}

int CountLines(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

}  // namespace displaytest

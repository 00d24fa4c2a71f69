#include "windxkernel/options.h"

#include <string_view>

#include "foundation/text.h"

namespace kernel {

tCommandLine ReadCommandLine(int argc, const char* const* argv) {
  tCommandLine line;
  for (int i = 0; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      line.verdict = tCommandLine::Verdict::Help;
      return line;
    }
    if (arg == "--version") {
      line.verdict = tCommandLine::Verdict::Version;
      return line;
    }
  }
  for (int i = 0; i < argc; ++i) {
    bool known = false;
    for (const char* word : kOptionWords) known = known || EqualsNoCase(argv[i], word);
    if (!known && line.verdict == tCommandLine::Verdict::Run) {
      line.verdict = tCommandLine::Verdict::Refused;
      line.refused = argv[i];
    }
    if (EqualsNoCase(argv[i], "directlaunch")) line.directLaunch = true;
  }
  return line;
}

std::string RefusalLine(const std::string& argument) {
  std::string line = "unknown option \"" + argument + "\"; the options are";
  const char* separator = " ";
  for (const char* word : kOptionWords) {
    line += separator;
    line += word;
    separator = ", ";
  }
  return line + " (--help tells more)";
}

}  // namespace kernel

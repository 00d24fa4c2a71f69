// The command line as the program's entry point reads it before anything
// starts: the player's four words, the usual --help, -h and --version, and
// everything else refused, so that a misspelt option is never ignored.
#pragma once

#include <string>

namespace kernel {

// The player's own options, matched without regard to case.
inline constexpr const char* kOptionWords[] = {"debugmode", "windowed", "nosound",
                                               "directlaunch"};

struct tCommandLine {
  enum class Verdict { Run, Help, Version, Refused };
  Verdict verdict = Verdict::Run;
  std::string refused;  // the first argument that is no option
  bool directLaunch = false;
};

// The first help or version request wins over everything else; otherwise the first
// argument that is none of the four words refuses the line.
tCommandLine ReadCommandLine(int argc, const char* const* argv);

// The line that refuses an argument, naming it and the known options.
std::string RefusalLine(const std::string& argument);

}  // namespace kernel

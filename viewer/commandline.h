// What the program says about itself on the terminal: --help and --version.
#pragma once

#include <cstdio>

namespace VOXA2 {

// The options, the data tree the player reads and the environment variables.
void WriteUsage(std::FILE* stream);
// The version, the build, and what the linked libraries report of themselves.
void WriteVersion(std::FILE* stream);

}  // namespace VOXA2

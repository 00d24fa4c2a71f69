// Runs the display set-up inside a real application road on the headless
// backend, and reads back the debug log it wrote.
#pragma once

#include <string>
#include <vector>

#include "tests/support/display_fixture.h"
#include "windxkernel/application.h"

namespace displaytest {

// A fresh folder, default fake hardware, no launcher behaviour, a 1024x768x32 desktop.
using Environment = testsupport::DisplayEnvironment;

// Runs body as the application's initialisation (with the window made) for the
// command line, then quits; Deinitialize releases what the set-up made.
// Returns RunApplication's result.
using testsupport::RunWithDisplay;

// debug.txt without the time prefixes.
std::vector<std::string> LogLines();
// Whether want appears in lines in this order (other lines may come between).
bool ContainsInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& want);
int CountLines(const std::vector<std::string>& lines, const std::string& line);

}  // namespace displaytest

// The headless backend's input script (SetHeadlessScript in headless.h): read
// once, then run step by step from the backend's event pump.
#pragma once

#include "platform/win32.h"

namespace platform {

// Loads the script that VOXA2_HEADLESS_SCRIPT names, if any. A script that
// cannot be read ends the process with exit code 2: a test that went on
// without its input would only hang.
void LoadScriptFromEnvironment();

// Runs the steps that are due. Input goes to the window (null: none shown
// yet, so nothing runs); in relative mouse mode pointer moves arrive as counts.
void RunDueScriptSteps(HWND window, bool relativeMouse);

}  // namespace platform

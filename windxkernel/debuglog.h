// The debug log debug.txt, the application clock and the option flags of the kernel.
#pragma once

#include <cstdarg>

#include "foundation/errors.h"

// Writes one line to debug.txt; the level is accepted and ignored.
void LogMessage(int level, const char* format, ...) VOXA_PRINTF(2, 3);
void AppendDebugLog(const char* format, va_list args);

// Application time in seconds (0 while no application object exists).
float GetTime();

namespace kernel {

// Whether debug.txt was (re)created in this run; the first write truncates it.
bool DebugLogCreated();
void SetDebugLogCreated(bool created);

// Deletes an old debug.txt and creates it empty, once per run (the launch step
// with "debugmode"); raises eFatalError when it cannot be created.
void RecreateDebugLog();

// Flags of the options "nosound" and "directlaunch".
extern bool noSound;
extern bool directLaunch;

}  // namespace kernel

// The debug log debug.txt, the application clock and the option flags of the kernel.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "foundation/errors.h"

// Writes one line to debug.txt; the level is accepted and ignored.
void LogMessage(int level, const char* format, ...) VOXA_PRINTF(2, 3);
void AppendDebugLog(const char* format, va_list args);

// Writes one line like LogMessage and keeps it, with or without "debugmode",
// as a reason why the run failed: a run that ends with 1 tells its user why on
// standard error, where no message box and no debug log reach.
void LogFailure(const char* format, ...) VOXA_PRINTF(1, 2);
void AppendFailure(const char* format, va_list args);

// Application time in seconds (0 while no application object exists).
float GetTime();

namespace kernel {

// Whether debug.txt was (re)created in this run; the first write truncates it.
bool DebugLogCreated();
void SetDebugLogCreated(bool created);

// Deletes an old debug.txt and creates it empty, once per run (the launch step
// with "debugmode"); raises eFatalError when it cannot be created.
void RecreateDebugLog();

// The kept failure lines, oldest first: the first ones and the latest ones of
// a run, each without trailing line breaks. Safe from both threads.
std::vector<std::string> FailureLines();
void ClearFailureLines();
// Writes the kept failure lines to stream, each prefixed "voxa2: ".
void WriteFailureLines(std::FILE* stream);

// Flags of the options "nosound" and "directlaunch".
extern bool noSound;
extern bool directLaunch;

}  // namespace kernel

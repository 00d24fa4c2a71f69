#include "windxkernel/debuglog.h"

#include <cstdio>
#include <mutex>

#include "foundation/log.h"
#include "windxkernel/application.h"

namespace kernel {
// Both threads log; one writer at a time keeps lines whole and the first
// write the only one that truncates.
static std::recursive_mutex logMutex;
static bool logCreated = false;

// The foundation's lines go into the same log. Plugged in while the program
// starts, so no entry point can forget it and it is set before any thread runs.
[[maybe_unused]] const bool foundationLogPlugged = [] {
  VOXA::logging::SetLogSink(
      [](int, const char* format, va_list args) { AppendDebugLog(format, args); });
  return true;
}();

bool noSound = false;
bool directLaunch = false;

bool DebugLogCreated() {
  std::lock_guard lock(logMutex);
  return logCreated;
}

void SetDebugLogCreated(bool created) {
  std::lock_guard lock(logMutex);
  logCreated = created;
}

void RecreateDebugLog() {
  std::lock_guard lock(logMutex);
  if (logCreated) return;
  std::remove("debug.txt");
  std::FILE* f = std::fopen("debug.txt", "w");
  if (!f) throw new VOXA::errors::eFatalError("Could not open debug file for writing");
  logCreated = true;
  std::fclose(f);
}

}  // namespace kernel

void AppendDebugLog(const char* format, va_list args) {
  kernel::cApplication* app = GetApplication();
  if (app && !app->debugFlag) return;
  std::lock_guard lock(kernel::logMutex);
  std::FILE* f = std::fopen("debug.txt", kernel::logCreated ? "a" : "w");
  kernel::logCreated = true;
  if (!f) throw new VOXA::errors::eFatalError("Could not open debug file for appending!");
  if (app) std::fprintf(f, "(%07.3f) ", static_cast<double>(GetTime()));
  std::vfprintf(f, format, args);
  std::fputc('\n', f);
  std::fclose(f);
}

void LogMessage(int, const char* format, ...) {
  va_list args;
  va_start(args, format);
  AppendDebugLog(format, args);
  va_end(args);
}

float GetTime() {
  kernel::cApplication* app = GetApplication();
  if (!app) return 0.0f;
  return static_cast<float>(static_cast<double>(GetTickCount()) * 0.001 - app->startTime);
}

#include "windxkernel/debuglog.h"

#include <cstdio>
#include <deque>
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

namespace {

// Bounds of the kept failure lines: the first ones name the cause, the latest
// ones how the run ended; a run that fails over and over keeps no more.
constexpr std::size_t kFirstFailureLines = 32;
constexpr std::size_t kLatestFailureLines = 32;
constexpr std::size_t kFailureLineLength = 1024;

std::mutex failureMutex;
std::vector<std::string> firstFailures;
std::deque<std::string> latestFailures;

void KeepFailure(const char* format, va_list args) {
  char text[kFailureLineLength];
  std::vsnprintf(text, sizeof text, format, args);
  std::string line(text);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  std::lock_guard lock(failureMutex);
  if (firstFailures.size() < kFirstFailureLines) {
    firstFailures.push_back(std::move(line));
    return;
  }
  if (latestFailures.size() == kLatestFailureLines) latestFailures.pop_front();
  latestFailures.push_back(std::move(line));
}

}  // namespace

std::vector<std::string> FailureLines() {
  std::lock_guard lock(failureMutex);
  std::vector<std::string> lines = firstFailures;
  lines.insert(lines.end(), latestFailures.begin(), latestFailures.end());
  return lines;
}

void ClearFailureLines() {
  std::lock_guard lock(failureMutex);
  firstFailures.clear();
  latestFailures.clear();
}

void WriteFailureLines(std::FILE* stream) {
  for (const std::string& line : FailureLines()) std::fprintf(stream, "voxa2: %s\n", line.c_str());
  std::fflush(stream);
}

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

void AppendFailure(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  kernel::KeepFailure(format, copy);
  va_end(copy);
  AppendDebugLog(format, args);
}

void LogFailure(const char* format, ...) {
  va_list args;
  va_start(args, format);
  AppendFailure(format, args);
  va_end(args);
}

float GetTime() {
  kernel::cApplication* app = GetApplication();
  if (!app) return 0.0f;
  return static_cast<float>(static_cast<double>(GetTickCount()) * 0.001 - app->startTime);
}

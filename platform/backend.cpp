#include "platform/backend.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace platform {
namespace {
// Owned, but left alone at exit: only ReleaseBackend and a new selection end it.
std::unique_ptr<Backend>& Current() {
  static auto* current = new std::unique_ptr<Backend>;
  return *current;
}

std::atomic<DisplayLostHandler> displayLostHandler{nullptr};
std::atomic<bool> displayLost{false};
}  // namespace

Backend& SelectBackend(BackendKind kind) {
  std::unique_ptr<Backend>& current = Current();
  current.reset();
  if (kind != BackendKind::Headless) current = CreateSdlBackend();
  if (!current) current = CreateHeadlessBackend();
  return *current;
}

Backend& CurrentBackend() {
  if (!Current()) SelectBackend(BackendKind::Automatic);
  return *Current();
}

void ReleaseBackend() { Current().reset(); }

void SetDisplayLostHandler(DisplayLostHandler handler) { displayLostHandler = handler; }

void DisplayLost(const char* line) {
  // A second loss (another thread, or an error inside the handler) just ends.
  if (!displayLost.exchange(true)) {
    if (DisplayLostHandler handler = displayLostHandler.load())
      handler(line);
    else
      std::fprintf(stderr, "%s\n", line);
  }
  std::fflush(nullptr);
  _exit(1);
}

}  // namespace platform

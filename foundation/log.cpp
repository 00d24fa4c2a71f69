#include "foundation/log.h"

#include <atomic>

namespace VOXA::logging {

namespace {
std::atomic<tLogSink> sink{nullptr};
}  // namespace

void SetLogSink(tLogSink s) { sink.store(s, std::memory_order_release); }

void LogMessage(int level, const char* format, ...) {
  const tLogSink s = sink.load(std::memory_order_acquire);
  if (!s) return;
  va_list args;
  va_start(args, format);
  s(level, format, args);
  va_end(args);
}

}  // namespace VOXA::logging

// Where the foundation's readers report what they refused or repaired. The
// foundation writes no log of its own: whoever owns one (the kernel's debug
// log) plugs a sink in at start-up. Without a sink the lines are dropped.
#pragma once

#include <cstdarg>

#include "foundation/errors.h"

namespace VOXA::logging {

using tLogSink = void (*)(int level, const char* format, va_list args);

// Installs the sink (null drops the lines). Set once at start-up; reading it
// from other threads while they log is safe.
void SetLogSink(tLogSink sink);

// Hands one line to the sink.
void LogMessage(int level, const char* format, ...) VOXA_PRINTF(2, 3);

}  // namespace VOXA::logging

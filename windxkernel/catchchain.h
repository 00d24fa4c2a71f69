// The top-level catch chains: what escapes a main loop, a window procedure,
// the de-initialisation or the input thread is logged with the chain's own
// lines, deleted, and remembered as a failure of the run.
#pragma once

#include <cstdarg>

#include "foundation/errors.h"
#include "windxkernel/debuglog.h"

namespace kernel {

// The four lines of one chain.
struct CatchTexts {
  const char* fatal;      // "%s" gets the message
  const char* notCaught;  // followed by "Message: %s"
  const char* extreme;    // followed by "Message: %s"
  const char* unknown;
};

// Logs a failure line (LogFailure) without raising: a log that cannot be
// written must not escape a chain.
void SafeLog(const char* format, ...) VOXA_PRINTF(1, 2);

// Whether a chain caught anything since the last reset (the run then ends
// with 1); a reset forgets the kept failure lines as well.
void NoteFailure();
bool FailureNoted();
void ResetFailure();

void ReportCaught(const CatchTexts& texts, VOXA::errors::eError* error, bool fatalKind);
void ReportCaught(const CatchTexts& texts, const char* text);
void ReportCaught(const CatchTexts& texts);

// Runs body inside a chain; false when one of the handlers ran.
template <typename Body>
bool Guarded(const CatchTexts& texts, Body&& body) {
  try {
    body();
    return true;
  } catch (VOXA::errors::eFatalError* e) {
    ReportCaught(texts, e, true);
  } catch (VOXA::errors::eError* e) {
    ReportCaught(texts, e, false);
  } catch (const char* s) {
    ReportCaught(texts, s);
  } catch (...) {
    ReportCaught(texts);
  }
  return false;
}

}  // namespace kernel

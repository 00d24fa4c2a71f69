#include "windxkernel/catchchain.h"

#include <atomic>

namespace kernel {
namespace {

std::atomic<bool> failure{false};

// A null error object (its own allocation failed) is reported without a text.
const char* TextOf(const VOXA::errors::eError* e) {
  return e ? e->GetMessage() : "(no error object)";
}

}  // namespace

void SafeLog(const char* format, ...) {
  va_list args;
  va_start(args, format);
  try {
    AppendFailure(format, args);
  } catch (VOXA::errors::eError* e) {
    delete e;
  } catch (...) {
  }
  va_end(args);
}

void NoteFailure() { failure = true; }
bool FailureNoted() { return failure; }
void ResetFailure() {
  failure = false;
  ClearFailureLines();
}

void ReportCaught(const CatchTexts& texts, VOXA::errors::eError* error, bool fatalKind) {
  if (fatalKind) {
    SafeLog(texts.fatal, TextOf(error));
  } else {
    SafeLog("%s", texts.notCaught);
    SafeLog("Message: %s", TextOf(error));
  }
  delete error;
  NoteFailure();
}

void ReportCaught(const CatchTexts& texts, const char* text) {
  SafeLog("%s", texts.extreme);
  if (text) SafeLog("Message: %s", text);
  NoteFailure();
}

void ReportCaught(const CatchTexts& texts) {
  SafeLog("%s", texts.unknown);
  NoteFailure();
}

}  // namespace kernel

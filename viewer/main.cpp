// The program's entry point: it hands its arguments to the main routine as one
// command line, so that they are split by the player's own rules.
#include "foundation/errors.h"
#include "platform/backend.h"
#include "platform/headless.h"
#include "windxkernel/application.h"
#include "windxkernel/catchchain.h"
#include "windxkernel/debuglog.h"

int main(int argc, char** argv) {
  // A lost display ends the run at once: the log and the terminal hear why.
  platform::SetDisplayLostHandler([](const char* line) {
    kernel::SafeLog("%s", line);
    kernel::WriteFailureLines(stderr);
  });
  platform::SelectBackend(platform::BackendKind::Automatic);
  platform::InstallShutdownSignals();
  platform::SetMessageBoxLogger([](const char* caption, const char* text) {
    try {
      LogMessage(5, "%s: %s", caption, text);
    } catch (VOXA::errors::eError* e) {
      delete e;
    }
  });
  std::string commandLine = kernel::JoinCommandLine(argc - 1, argv + 1);
  const int code =
      RunApplication(GetModuleHandleA(nullptr), nullptr, commandLine.c_str(), SW_SHOWNORMAL);
  // The terminal hears only why a run failed.
  if (code == 1) kernel::WriteFailureLines(stderr);
  platform::ReleaseBackend();
  return code;
}

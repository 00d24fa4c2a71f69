// The program's entry point: it answers --help and --version, refuses what is
// no option, and hands the arguments to the main routine as one command line,
// so that they are split by the player's own rules.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/errors.h"
#include "platform/backend.h"
#include "platform/headless.h"
#include "viewer/commandline.h"
#include "windxkernel/application.h"
#include "windxkernel/catchchain.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/options.h"

int main(int argc, char** argv) {
  const kernel::tCommandLine options = kernel::ReadCommandLine(argc - 1, argv + 1);
  switch (options.verdict) {
    case kernel::tCommandLine::Verdict::Help:
      VOXA2::WriteUsage(stdout);
      return 0;
    case kernel::tCommandLine::Verdict::Version:
      VOXA2::WriteVersion(stdout);
      return 0;
    case kernel::tCommandLine::Verdict::Refused:
      std::fprintf(stderr, "voxa2: %s\n", kernel::RefusalLine(options.refused).c_str());
      return 2;
    case kernel::tCommandLine::Verdict::Run:
      break;
  }
  // A lost display ends the run at once: the log and the terminal hear why.
  platform::SetDisplayLostHandler([](const char* line) {
    kernel::SafeLog("%s", line);
    kernel::WriteFailureLines(stderr);
  });
  platform::SelectBackend(platform::BackendKind::Automatic);
  // Nobody could use a launcher without a window; a headless input script
  // (tests) or "directlaunch" still runs without one.
  if (!platform::CurrentBackend().HasDisplay() && !options.directLaunch &&
      !std::getenv("VOXA2_HEADLESS_SCRIPT")) {
    std::fputs(
        "voxa2: no display found (DISPLAY and WAYLAND_DISPLAY name none that opens): the "
        "launcher needs one; \"directlaunch\" plays the default demo without a window\n",
        stderr);
    platform::ReleaseBackend();
    return 1;
  }
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

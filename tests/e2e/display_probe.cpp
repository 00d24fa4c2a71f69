// The real kernel with a launcher that only paints: every frame fills the back
// buffer with one colour and presents it. "resize" asks for 800x600 after a
// few frames, as the Setup window would.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/headless.h"
#include "windxkernel/application.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/nolauncher/nolauncher.h"
#include "windxkernel/video.h"

int main(int argc, char** argv) {
  std::uint32_t colour =
      argc > 1 ? static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 16)) : 0xFF0000;
  bool resize = false;
  std::vector<const char*> rest;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "resize") == 0)
      resize = true;
    else
      rest.push_back(argv[i]);
  }
  platform::SelectBackend(platform::BackendKind::Automatic);
  platform::InstallShutdownSignals();
  int frames = 0;
  VOXA2::Hooks().frame = [&](float) {
    if (resize && ++frames == 30)
      VOXA2::video::RequestVideoMode(VOXA2::video::GetCurrentVideoDevice(), 800, 600, 0);
    VOXA2::video::GetBackSurface()->Fill(colour);
    VOXA2::video::PresentFrame();
    return true;
  };
  VOXA2::Hooks().onKey = [](int key, bool pressed, float) {
    LogMessage(5, "OnKey(%i, %s)", key, pressed ? "pressed" : "released");
    return true;
  };
  std::string commandLine = kernel::JoinCommandLine(static_cast<int>(rest.size()), rest.data());
  return RunApplication(GetModuleHandleA(nullptr), nullptr, commandLine.c_str(), SW_SHOWNORMAL);
}

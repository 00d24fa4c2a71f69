// For the fuzz targets that need the headless display, with every command
// registered: include once; it brings main(). The application sets up a
// 320x240 32-bit full-screen mode as the effect tests do, and libFuzzer runs
// inside it. Such targets link libFuzzer without its own main (CMakeLists).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "demo/command.h"
#include "effects2d/frame.h"
#include "gui/metrics.h"
#include "platform/backend.h"
#include "platform/ddraw.h"
#include "platform/fakehardware.h"
#include "windxkernel/application.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/input.h"
#include "windxkernel/video.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerRunDriver(int* argc, char*** argv,
                                   int (*test)(const std::uint8_t* data, std::size_t size));

namespace fuzzdisplay {

class cFuzzApp : public kernel::cApplication {
 public:
  cFuzzApp(int* argc, char*** argv) : argc_(argc), argv_(argv) {}
  bool Initialize() override {
    using namespace VOXA2;
    if (!kernel::DDInit() || !kernel::D3DCreate()) std::abort();
    video::EnumerateVideoDevices();
    if (!video::RequestVideoMode(video::GetCurrentVideoDevice(), 320, 240, 32) ||
        !video::ChooseVideoMode())
      std::abort();
    ZGUI::UpdatePixelFormat();
    if (!InitCommandRegistry() || !RegisterEffects2D() || !RegisterCommands()) std::abort();
    // libFuzzer ends the process itself when the run is over: the display is
    // taken down on the way out, before the leak check.
    std::atexit(TakeDown);
    std::exit(LLVMFuzzerRunDriver(argc_, argv_, LLVMFuzzerTestOneInput));
  }

 private:
  static void TakeDown() {
    VOXA2::FreeCommandRegistry();
    VOXA2::video::FreeVideoDevices();
    kernel::D3DDeinit();
    kernel::DDRelease();
    kernel::DIRelease();
  }

  int* argc_;
  char*** argv_;
};

}  // namespace fuzzdisplay

int main(int argc, char** argv) {
  platform::SelectBackend(platform::BackendKind::Headless);
  platform::Hardware().displays[0].modes = {platform::MakeMode(320, 240, platform::pixels::X8R8G8B8())};
  kernel::SetApplicationFactory([&] { return new fuzzdisplay::cFuzzApp(&argc, &argv); });
  return RunApplication(nullptr, nullptr, "debugmode", SW_SHOWNORMAL);
}

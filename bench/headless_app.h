// The benchmarks that need the display: a body run inside an application on
// the headless backend, in a full-screen mode of the given size and depth.
#pragma once

#include <functional>
#include <utility>

#include "demo/demo.h"
#include "gui/metrics.h"
#include "platform/backend.h"
#include "platform/fakehardware.h"
#include "platform/headless.h"
#include "windxkernel/application.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/input.h"
#include "windxkernel/kernel.h"
#include "windxkernel/nolauncher/nolauncher.h"
#include "windxkernel/video.h"

namespace benchsupport {

class BenchApp : public kernel::cApplication {
 public:
  BenchApp(std::function<void()> body, int width, int height, int bits)
      : body_(std::move(body)), width_(width), height_(height), bits_(bits) {}
  bool Initialize() override {
    using namespace VOXA2;
    if (kernel::DDInit() && kernel::D3DCreate()) {
      video::EnumerateVideoDevices();
      if (video::RequestVideoMode(video::GetCurrentVideoDevice(), width_, height_, bits_) &&
          video::ChooseVideoMode()) {
        ZGUI::UpdatePixelFormat();
        body_();
      }
    }
    Quit();
    return true;
  }
  void Deinitialize() override {
    VOXA2::video::FreeVideoDevices();
    kernel::D3DDeinit();
    kernel::DDRelease();
    kernel::DIRelease();
  }

 private:
  std::function<void()> body_;
  int width_, height_, bits_;
};

inline void ResetAll() {
  using namespace VOXA2;
  platform::ResetHardware();
  platform::ResetWindowing();
  platform::ResetInput();
  platform::SetHeadlessDesktop(1024, 768, 32);
  platform::SetTickSource(nullptr);
  Hooks() = LauncherHooks{};
  kernel::videoState = kernel::tVideoState{};
  kernel::d3dState = kernel::t3DState{};
  screenInfo = tScreenInfo{};
  kernel::SetApplicationFactory(nullptr);
}

// Runs body once with the display up (16 bits: 565, else 32-bit).
inline void RunOnDisplay(int width, int height, int bits, const std::function<void()>& body) {
  ResetAll();
  platform::Hardware().displays[0].modes = {
      platform::MakeMode(static_cast<DWORD>(width), static_cast<DWORD>(height),
                         bits == 16 ? platform::pixels::R5G6B5() : platform::pixels::X8R8G8B8())};
  kernel::SetApplicationFactory([&] { return new BenchApp(body, width, height, bits); });
  RunApplication(nullptr, nullptr, "", SW_SHOWNORMAL);
  kernel::SetApplicationFactory(nullptr);
}

}  // namespace benchsupport

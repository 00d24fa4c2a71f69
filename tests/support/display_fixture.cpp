#include "tests/support/display_fixture.h"

#include <gtest/gtest.h>

#include "platform/headless.h"
#include "windxkernel/application.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/input.h"
#include "windxkernel/kernel.h"
#include "windxkernel/video.h"

namespace testsupport {
namespace {

class BodyApp : public kernel::cApplication {
 public:
  explicit BodyApp(std::function<void()> body) : body_(std::move(body)) {}
  bool Initialize() override {
    body_();
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
};

}  // namespace

void ResetProcessState() {
  platform::ResetState();
  kernel::ResetKernelState();
}

DisplayEnvironment::DisplayEnvironment() { ResetProcessState(); }
DisplayEnvironment::~DisplayEnvironment() { ResetProcessState(); }

int RunWithDisplay(const char* commandLine, const std::function<void()>& body) {
  kernel::SetApplicationFactory([body] { return new BodyApp(body); });
  const int result = RunApplication(nullptr, nullptr, commandLine, SW_SHOWNORMAL);
  kernel::SetApplicationFactory(nullptr);
  return result;
}

int RunWithDevices(const char* commandLine, const std::function<void()>& body) {
  return RunWithDisplay(commandLine, [&body] {
    if (kernel::DDInit() && kernel::D3DCreate()) {
      VOXA2::video::EnumerateVideoDevices();
      body();
    } else {
      ADD_FAILURE() << "no display";
    }
  });
}

}  // namespace testsupport

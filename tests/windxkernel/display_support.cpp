#include "tests/windxkernel/display_support.h"

#include <algorithm>
#include <sstream>

#include "platform/fakehardware.h"
#include "platform/headless.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/input.h"
#include "windxkernel/nolauncher/nolauncher.h"
#include "windxkernel/video.h"

namespace displaytest {
namespace {

class DisplayApp : public kernel::cApplication {
 public:
  explicit DisplayApp(std::function<void()> body) : body_(std::move(body)) {}
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

void ResetAll() {
  platform::ResetHardware();
  platform::ResetWindowing();
  platform::ResetInput();
  platform::SetHeadlessDesktop(1024, 768, 32);
  VOXA2::Hooks() = VOXA2::LauncherHooks{};
  kernel::videoState = kernel::tVideoState{};
  kernel::d3dState = kernel::t3DState{};
  VOXA2::screenInfo = VOXA2::tScreenInfo{};
  kernel::SetApplicationFactory(nullptr);
}

}  // namespace

Environment::Environment() { ResetAll(); }
Environment::~Environment() { ResetAll(); }

int RunWithDisplay(const char* commandLine, const std::function<void()>& body) {
  kernel::SetApplicationFactory([body] { return new DisplayApp(body); });
  int result = RunApplication(nullptr, nullptr, commandLine, SW_SHOWNORMAL);
  kernel::SetApplicationFactory(nullptr);
  return result;
}

std::vector<std::string> LogLines() { return testsupport::DebugLogLines(); }

bool ContainsInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& want) {
  auto it = lines.begin();
  for (const std::string& w : want) {
    it = std::find(it, lines.end(), w);
    if (it == lines.end()) return false;
    ++it;
  }
  return true;
}

int CountLines(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

}  // namespace displaytest

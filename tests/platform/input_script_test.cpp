// The headless backend's input script, met by a stand-in program that does
// what the player does each frame: hand out its messages, poll its input
// devices, present a frame.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/dinput.h"
#include "platform/headless.h"
#include "platform/win32.h"
#include "tests/support/tempdir.h"

namespace {

std::vector<std::string>* messages = nullptr;

LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_MOUSEMOVE)
    messages->push_back("move " + std::to_string(LOWORD(static_cast<std::uintptr_t>(lParam))) +
                        "," + std::to_string(HIWORD(static_cast<std::uintptr_t>(lParam))));
  if (message == WM_CLOSE) messages->push_back("close");
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

struct tEvent {
  std::string what;
  DWORD time;
  int poll;
};

class InputScript : public testing::Test {
 protected:
  void SetUp() override {
    platform::ResetState();
    platform::SetTickSource([this] { return now; });
    messages = &seen_;
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "Script_Test";
    ASSERT_NE(RegisterClassA(&wc), 0);
    window = CreateWindowExA(0, "Script_Test", "Test", WS_POPUP, 0, 0, 64, 48, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOW);
    void* object = nullptr;
    ASSERT_EQ(
        DirectInputCreateEx(nullptr, DIRECTINPUT_VERSION, IID_IDirectInput7A, &object, nullptr),
        DI_OK);
    input_ = static_cast<IDirectInput7A*>(object);
    keyboard_ = Device(GUID_SysKeyboard, &c_dfDIKeyboard, DISCL_NONEXCLUSIVE);
  }
  void TearDown() override {
    for (IDirectInputDevice7A* d : {keyboard_, mouse_})
      if (d) d->Release();
    input_->Release();
    platform::ResetState();
  }

  IDirectInputDevice7A* Device(const GUID& guid, const DIDATAFORMAT* format, DWORD level) {
    void* object = nullptr;
    EXPECT_EQ(input_->CreateDeviceEx(guid, IID_IDirectInputDevice7A, &object, nullptr), DI_OK);
    auto* d = static_cast<IDirectInputDevice7A*>(object);
    d->SetDataFormat(format);
    d->SetCooperativeLevel(window, level | DISCL_FOREGROUND);
    d->Acquire();
    return d;
  }
  void UseMouse(DWORD level) { mouse_ = Device(GUID_SysMouse, &c_dfDIMouse, level); }

  // One frame; without `poll` the devices are not read.
  void Frame(bool poll = true) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    for (auto& m : seen_) events.push_back({m, now, polls_});
    seen_.clear();
    if (poll) Poll();
    const std::uint32_t pixel = 0x123456;
    platform::CurrentBackend().Present(window, &pixel, 1, 1, 1, false);
    now += 10;
  }
  void Poll() {
    ++polls_;
    if (mouse_) {
      DIMOUSESTATE m{};
      ASSERT_EQ(mouse_->GetDeviceState(sizeof m, &m), DI_OK);
      if (m.lX || m.lY) Record("counts " + std::to_string(m.lX) + "," + std::to_string(m.lY));
      for (int b = 0; b < 4; ++b)
        if ((m.rgbButtons[b] != 0) != (buttons_[b] != 0))
          Record((m.rgbButtons[b] ? "press " : "release ") + std::to_string(b));
      std::memcpy(buttons_, m.rgbButtons, sizeof buttons_);
    }
    BYTE keys[256];
    ASSERT_EQ(keyboard_->GetDeviceState(sizeof keys, keys), DI_OK);
    for (int k = 0; k < 256; ++k)
      if ((keys[k] != 0) != (keys_[k] != 0))
        Record("key " + std::to_string(k) + (keys[k] ? " down" : " up"));
    std::memcpy(keys_, keys, sizeof keys_);
  }
  void Record(const std::string& what) { events.push_back({what, now, polls_}); }
  void RunToEnd() {
    for (int i = 0; i < 500 && !platform::HeadlessScriptDone(); ++i) Frame();
    ASSERT_TRUE(platform::HeadlessScriptDone());
    for (int i = 0; i < 5; ++i) Frame();
  }
  std::vector<std::string> What() const {
    std::vector<std::string> what;
    for (auto& e : events) what.push_back(e.what);
    return what;
  }

  DWORD now = 5000;
  HWND window = nullptr;
  std::vector<tEvent> events;

 private:
  std::vector<std::string> seen_;
  IDirectInput7A* input_ = nullptr;
  IDirectInputDevice7A* keyboard_ = nullptr;
  IDirectInputDevice7A* mouse_ = nullptr;
  BYTE buttons_[4] = {};
  BYTE keys_[256] = {};
  int polls_ = 0;
};

TEST_F(InputScript, StepsArriveInOrderFromTheirTimeOnEachInAPollOfItsOwn) {
  UseMouse(DISCL_NONEXCLUSIVE);
  ASSERT_TRUE(
      platform::SetHeadlessScript("# a user\n"
                                  "100 click 30 40\n"
                                  "+0 key 0x01   # escape\n"
                                  "\n"
                                  "+300 press right\n"
                                  "+0 release 1\n",
                                  nullptr));
  RunToEnd();
  EXPECT_EQ(What(), (std::vector<std::string>{"move 30,40", "counts 30,40", "press 0", "release 0",
                                              "key 1 down", "key 1 up", "press 1", "release 1"}));
  EXPECT_GE(events.front().time, 5100u) << "times count from when the script was set";
  EXPECT_LT(events.front().time, 5150u);
  for (size_t i = 2; i < events.size(); ++i) EXPECT_GT(events[i].poll, events[i - 1].poll) << i;
  EXPECT_GE(events[6].time, events[5].time + 300) << "\"+\" counts from the step before";
}

TEST_F(InputScript, NoStepRunsWhileTheInputBeforeItIsUnread) {
  UseMouse(DISCL_NONEXCLUSIVE);
  ASSERT_TRUE(platform::SetHeadlessScript("0 press left\n0 release left\n", nullptr));
  for (int i = 0; i < 50; ++i) Frame(false);
  EXPECT_FALSE(platform::HeadlessScriptDone());
  RunToEnd();
  EXPECT_EQ(What(), (std::vector<std::string>{"press 0", "release 0"}));
}

// The program must get the whole delay to act on the input before: a delay
// spent while nothing read it would leave none.
TEST_F(InputScript, ADelayCountsFromWhenTheInputBeforeWasRead) {
  UseMouse(DISCL_NONEXCLUSIVE);
  ASSERT_TRUE(platform::SetHeadlessScript("0 press left\n+100 release left\n", nullptr));
  for (int i = 0; i < 30; ++i) Frame(false);
  RunToEnd();
  ASSERT_EQ(What(), (std::vector<std::string>{"press 0", "release 0"}));
  EXPECT_GE(events[0].time, 5300u) << "the press is read late";
  EXPECT_GE(events[1].time, events[0].time + 100);
}

TEST_F(InputScript, ACapturedMouseGetsCountsFromTheOrigin) {
  UseMouse(DISCL_EXCLUSIVE);
  ASSERT_TRUE(platform::SetHeadlessScript("0 move 30 40\n0 move 35 20\n", nullptr));
  RunToEnd();
  EXPECT_EQ(What(),
            (std::vector<std::string>{"counts -65536,-65536", "move 30,40", "counts 30,40",
                                      "counts -65536,-65536", "move 35,20", "counts 35,20"}));
}

TEST_F(InputScript, DumpsFramesAndTheGuiAndClosesTheWindow) {
  testsupport::ScopedTempDir dir;
  const std::string frame = (dir.path() / "f.png").string();
  const std::string gui = (dir.path() / "gui.txt").string();
  const std::string none = (dir.path() / "none.txt").string();
  platform::SetGuiDumper(nullptr);
  ASSERT_TRUE(platform::SetHeadlessScript("10 gui " + none + "\n", nullptr));
  RunToEnd();
  platform::SetGuiDumper([] { return std::string("element\t0\tdesktop\n"); });
  ASSERT_TRUE(platform::SetHeadlessScript("10 frame " + frame + "\n20 gui " + gui + "\n30 close\n",
                                          nullptr));
  RunToEnd();
  platform::SetGuiDumper(nullptr);
  EXPECT_TRUE(std::filesystem::exists(none));
  EXPECT_EQ(testsupport::ReadFile(none), "");
  EXPECT_EQ(testsupport::ReadFile(gui), "element\t0\tdesktop\n");
  EXPECT_EQ(testsupport::ReadFile(frame).substr(1, 3), "PNG");
  EXPECT_EQ(What(), std::vector<std::string>{"close"});
}

TEST(InputScriptText, AScriptThatCannotBeReadIsRefusedWithItsLine) {
  const struct {
    const char* text;
    const char* error;
  } rows[] = {
      {"soon click 1 2", "line 1: a time in milliseconds expected, not \"soon\""},
      {"10 move 1 2\n20 jump", "line 2: no step \"jump\""},
      {"10", "line 1: a step expected after the time"},
      {"10 click 1", "line 1: wrong number of arguments to \"click\""},
      {"10 click 1 2 thumb", "line 1: no mouse button \"thumb\""},
      {"10 move -1 2", "line 1: a position in pixels expected"},
      {"10 key 256", "line 1: a key code from 1 to 255 expected, not \"256\""},
      {"10 close now", "line 1: wrong number of arguments to \"close\""},
  };
  for (const auto& row : rows) {
    std::string error;
    EXPECT_FALSE(platform::SetHeadlessScript(row.text, &error)) << row.text;
    EXPECT_EQ(error, row.error);
  }
}

}  // namespace

TEST(HeadlessEnvironment, AFixedFrameClockCapturesEachFrameAndPlaysTheScript) {
  testsupport::ScopedTempDir dir;
  {
    std::FILE* f = std::fopen("script.txt", "w");
    ASSERT_NE(f, nullptr);
    std::fputs("80 frame at80.png\n", f);
    std::fclose(f);
  }
  std::filesystem::create_directory("frames");
  setenv("VOXA2_HEADLESS_FRAME_MS", "40", 1);
  setenv("VOXA2_HEADLESS_CAPTURE", "frames", 1);
  setenv("VOXA2_HEADLESS_SCRIPT", "script.txt", 1);
  platform::SelectBackend(platform::BackendKind::Headless);
  for (const char* name :
       {"VOXA2_HEADLESS_FRAME_MS", "VOXA2_HEADLESS_CAPTURE", "VOXA2_HEADLESS_SCRIPT"})
    unsetenv(name);
  platform::ResetWindowing();
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "Clock_Test";
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND window = CreateWindowExA(0, "Clock_Test", "Test", WS_POPUP, 0, 0, 4, 4, nullptr, nullptr,
                                nullptr, nullptr);
  ShowWindow(window, SW_SHOW);
  std::vector<DWORD> ticks;
  for (std::uint32_t frame = 0; frame < 4; ++frame) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    ticks.push_back(GetTickCount());
    platform::CurrentBackend().Present(window, &frame, 1, 1, 1, false);
  }
  EXPECT_EQ(ticks, (std::vector<DWORD>{0, 40, 80, 120}));
  for (const char* name :
       {"frame-0000000.png", "frame-0000040.png", "frame-0000080.png", "frame-0000120.png"})
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path("frames") / name)) << name;
  EXPECT_EQ(testsupport::ReadFile("at80.png"), testsupport::ReadFile("frames/frame-0000040.png"))
      << "the frame presented before the step's time";
  platform::SelectBackend(platform::BackendKind::Headless);
  platform::ResetState();
}

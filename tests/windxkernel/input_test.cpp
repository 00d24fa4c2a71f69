// The input thread of the real kernel, driven by scripted keyboard and mouse
// input while the main loop runs.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <future>
#include <iostream>
#include <mutex>
#include <thread>

#include "foundation/errors.h"
#include "platform/dinput.h"
#include "platform/fakehardware.h"
#include "tests/windxkernel/display_support.h"
#include "windxkernel/application.h"
#include "windxkernel/kernel.h"
#include "windxkernel/nolauncher/nolauncher.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

struct Event {
  char kind;  // 'k' key, 'b' button, 'm' move
  int a, b;
  std::thread::id thread{};
  Clock::time_point when{};
  bool operator==(const Event& o) const { return kind == o.kind && a == o.a && b == o.b; }
};
std::ostream& operator<<(std::ostream& os, const Event& e) {
  return os << e.kind << "(" << e.a << "," << e.b << ")";
}

class Recorder {
 public:
  void Add(char kind, int a, int b) {
    std::lock_guard lock(mutex_);
    events_.push_back(Event{kind, a, b, std::this_thread::get_id(), Clock::now()});
    changed_.notify_all();
  }
  // Waits until count events are there; false after the timeout.
  bool WaitFor(size_t count, std::chrono::milliseconds timeout = 2000ms) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return events_.size() >= count; });
  }
  std::vector<Event> Events() {
    std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Event> events_;
};

// Runs the real kernel on its own thread; script runs here once frames are
// being drawn, and the kernel is closed afterwards. A shutdown that hangs
// fails the whole program rather than the test run.
int RunKernel(const char* commandLine, const std::function<void()>& script) {
  std::promise<void> running;
  auto runningFuture = running.get_future();
  std::once_flag once;
  HWND window = nullptr;
  auto userFrame = VOXA2::Hooks().frame;
  VOXA2::Hooks().frame = [&, userFrame](float t) {
    std::call_once(once, [&] {
      window = GetApplication()->window;
      running.set_value();
    });
    return userFrame ? userFrame(t) : true;
  };
  auto result = std::async(std::launch::async, [&] {
    return RunApplication(nullptr, nullptr, commandLine, SW_SHOWNORMAL);
  });
  if (runningFuture.wait_for(10s) == std::future_status::ready) {
    script();
    PostMessageA(window, WM_CLOSE, 0, 0);  // harmless when the window is gone already
  }
  if (result.wait_for(20s) != std::future_status::ready) {
    std::cerr << "the kernel did not shut down\n";
    std::_Exit(3);
  }
  return result.get();
}

void InjectUnderOnePoll(const std::function<void()>& inject) {
  std::lock_guard lock(kernel::InputLock());
  inject();
}

}  // namespace

TEST(InputThread, KeysReachOnKeyWithinOnePollInAscendingCodeOrder) {
  displaytest::Environment env;
  Recorder rec;
  VOXA2::Hooks().onKey = [&](int key, bool pressed, float) {
    rec.Add('k', key, pressed);
    return true;
  };
  std::thread::id mainThread;
  VOXA2::Hooks().setupDemos = [&] {
    mainThread = std::this_thread::get_id();
    return true;
  };
  std::chrono::milliseconds latency{};
  RunKernel("windowed", [&] {
    platform::InjectKey(DIK_KANA, true);  // not in the table
    std::this_thread::sleep_for(50ms);
    platform::InjectKey(DIK_KANA, false);
    // A focus change makes the devices report a loss once; the poll re-acquires.
    platform::InjectInputFocus(false);
    platform::InjectInputFocus(true);
    auto sent = Clock::now();
    platform::InjectKey(DIK_SPACE, true);
    ASSERT_TRUE(rec.WaitFor(1));
    latency = std::chrono::duration_cast<std::chrono::milliseconds>(rec.Events()[0].when - sent);
    InjectUnderOnePoll([] {
      platform::InjectKey(DIK_SPACE, false);
      platform::InjectKey(DIK_F1, true);
      platform::InjectKey(DIK_ESCAPE, true);
    });
    ASSERT_TRUE(rec.WaitFor(4));
  });
  auto events = rec.Events();
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0], (Event{'k', 57, 1}));
  EXPECT_EQ(events[1], (Event{'k', 1, 1}));   // DIK_ESCAPE 0x01
  EXPECT_EQ(events[2], (Event{'k', 57, 0}));  // DIK_SPACE 0x39
  EXPECT_EQ(events[3], (Event{'k', 58, 1}));  // DIK_F1 0x3B
  EXPECT_NE(events[0].thread, mainThread);
  // One poll is 10 ms; the rest is slack for slow (sanitised) builds.
  EXPECT_LT(latency.count(), 200);
}

TEST(InputThread, ButtonsOfOnePollFollowTheFlushedMoveAndTheCursorIsClamped) {
  displaytest::Environment env;
  Recorder rec;
  VOXA2::Hooks().onMouseButton = [&](int button, bool pressed, float) {
    rec.Add('b', button, pressed);
    return true;
  };
  VOXA2::Hooks().onMouseMove = [&](int x, int y, float) {
    rec.Add('m', x, y);
    return true;
  };
  RunKernel("", [&] {
    platform::InjectMouseMotion(30, 20);
    ASSERT_TRUE(rec.WaitFor(1));
    InjectUnderOnePoll([] {
      platform::InjectMouseMotion(-5000, -5000);
      platform::InjectMouseButton(1, true);
      platform::InjectMouseButton(0, true);
    });
    ASSERT_TRUE(rec.WaitFor(4));
    platform::InjectMouseMotion(50000, 50000);
    ASSERT_TRUE(rec.WaitFor(5));
  });
  auto events = rec.Events();
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[0], (Event{'m', 30, 20}));
  EXPECT_EQ(events[1], (Event{'m', 0, 0}));
  EXPECT_EQ(events[2], (Event{'b', 0, 1}));
  EXPECT_EQ(events[3], (Event{'b', 1, 1}));
  EXPECT_EQ(events[4], (Event{'m', 639, 479}));
}

// An error thrown inside a hook, on either thread, ends the program through
// its catch chain with exit code 1; the input lock is released on the way, so
// nothing hangs.
struct ThrowingHook {
  const char* name;
  bool inFrame;
  const char* logLine;
  int exitCode;
};
void PrintTo(const ThrowingHook& c, std::ostream* os) { *os << c.name; }

class InputShutdown : public testing::TestWithParam<ThrowingHook> {};

TEST_P(InputShutdown, ErrorInAHookDoesNotHangTheShutdown) {
  displaytest::Environment env;
  const ThrowingHook& c = GetParam();
  std::atomic<bool> armed{false}, thrown{false};
  if (c.inFrame) {
    VOXA2::Hooks().frame = [&](float) -> bool {
      if (!armed) return true;
      thrown = true;
      throw new VOXA::errors::eFatalError("frame hook failed");
    };
  } else {
    VOXA2::Hooks().onKey = [&](int, bool, float) -> bool {
      thrown = true;
      throw new VOXA::errors::eFatalError("key hook failed");
    };
  }
  int code = RunKernel("debugmode windowed", [&] {
    armed = true;
    platform::InjectKey(DIK_RETURN, true);
    for (int i = 0; i < 200 && !thrown; ++i) std::this_thread::sleep_for(10ms);
  });
  EXPECT_TRUE(thrown);
  EXPECT_EQ(code, c.exitCode);
  bool found = false;
  for (auto& l : displaytest::LogLines()) found = found || l.rfind(c.logLine, 0) == 0;
  EXPECT_TRUE(found) << c.logLine;
}

INSTANTIATE_TEST_SUITE_P(
    Hooks, InputShutdown,
    testing::Values(ThrowingHook{"OnKeyOnTheInputThread", false,
                                 "Fatal error occured in User Interaction Thread: ", 1},
                    ThrowingHook{"FrameOnTheMainThread", true, "Fatal error occured: ", 1}),
    [](const auto& info) { return std::string(info.param.name); });

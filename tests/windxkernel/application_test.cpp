#include "windxkernel/application.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <sstream>
#include <thread>

#include "foundation/errors.h"
#include "foundation/log.h"
#include "platform/headless.h"
#include "tests/support/tempdir.h"
#include "windxkernel/debuglog.h"

using namespace VOXA::errors;

namespace {

constexpr UINT WM_TEST_THROW = 0x0401;  // private messages of the test application
constexpr UINT WM_TEST_SEEN = 0x0402;

std::atomic<DWORD> ticks{100000};

// An application whose steps the tests script. By default it starts the frame
// clock, advances time by 500 ms per frame and quits after three frames.
struct TestApp : kernel::cApplication {
  std::function<bool()> launch, initialize, render;
  std::function<void()> deinitialize;
  std::function<void(UINT)> onMessage;
  int frames = 0;
  int* deinitialized = nullptr;

  TestApp() { windowTitle = "Test viewer"; }
  bool Launch(int count, char** vector) override {
    if (!cApplication::Launch(count, vector)) return false;
    return launch ? launch() : true;
  }
  bool Initialize() override {
    if (initialize) return initialize();
    ResumeClock();
    return true;
  }
  void Deinitialize() override {
    if (deinitialized) ++*deinitialized;
    if (deinitialize) deinitialize();
    PauseClock();
  }
  bool Render() override {
    ++frames;
    if (render) return render();
    ticks += 500;
    if (frames == 3) Quit();
    return true;
  }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (onMessage) onMessage(message);
    return cApplication::HandleMessage(message, wParam, lParam);
  }
};

class Application : public testing::Test {
 protected:
  void SetUp() override {
    Fresh();
    platform::SetTickSource([] { return ticks.load(); });
  }

  // A new run: no debug.txt, no window, no queued message.
  void Fresh() {
    std::filesystem::remove("debug.txt");
    kernel::SetDebugLogCreated(false);
    platform::ResetWindowing();
  }
  void TearDown() override {
    platform::SetTickSource(nullptr);
    kernel::SetApplicationFactory(nullptr);
  }

  // Runs the main routine with an application that configure() prepares.
  int Run(const char* commandLine, std::function<void(TestApp&)> configure = {}) {
    kernel::SetApplicationFactory([this, configure]() -> kernel::cApplication* {
      auto* app = new TestApp;
      app_ = app;
      if (configure) configure(*app);
      return app;
    });
    return RunApplication(nullptr, nullptr, commandLine, SW_SHOWNORMAL);
  }

  std::vector<std::string> Log() const {
    std::vector<std::string> lines;
    std::istringstream in(testsupport::ReadFile("debug.txt"));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // "(%07.3f) ": three digits, a point, three digits in parentheses, a blank.
  static bool HasTimePrefix(const std::string& line) {
    if (line.size() < 10 || line[0] != '(' || line[4] != '.' || line[8] != ')' || line[9] != ' ')
      return false;
    for (int i : {1, 2, 3, 5, 6, 7})
      if (line[i] < '0' || line[i] > '9') return false;
    return true;
  }

  // The log lines without their time prefix.
  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const std::string& line : Log())
      out.push_back(HasTimePrefix(line) ? line.substr(10) : line);
    return out;
  }

  bool Logged(const std::string& message) const {
    for (const std::string& m : Messages())
      if (m == message) return true;
    return false;
  }

  testsupport::ScopedTempDir dir_;
  TestApp* app_ = nullptr;  // valid only inside the run
};

}  // namespace

TEST_F(Application, CleanRunWritesTheLogbookAndEndsWithZero) {
  EXPECT_EQ(Run("debugmode windowed"), 0);
  std::vector<std::string> log = Log();
  ASSERT_GE(log.size(), 6u);
  EXPECT_EQ(log[0], "(000.000)  Test viewer - Debug Logbook");
  EXPECT_EQ(log[1], "(000.000) " + std::string(44, '-'));
  EXPECT_EQ(log[2], "");
  // asctime's layout: "Thu Dec 10 13:34:39 2026", with a line end of its own.
  const std::string launch = "(000.000) Launch time: ";
  EXPECT_EQ(log[3].substr(0, launch.size()), launch);
  EXPECT_EQ(log[3].size(), launch.size() + 24) << log[3];
  EXPECT_EQ(log[4], "");
  for (const std::string& line : log) EXPECT_TRUE(line.empty() || HasTimePrefix(line)) << line;

  std::string self = std::filesystem::canonical("/proc/self/exe").string();
  const std::vector<std::string> expected = {
      "  debugging mode (creation of debug.txt) enabled",
      "  windowed mode enabled",
      "",
      "Module filename: " + self,
      "",
      "I counted an overall frames per second rate of 2 over a period of 1.5 seconds",
      "Fetched Quit Message from Windows message queue.",
  };
  std::vector<std::string> messages = Messages();
  std::vector<std::string> tail(messages.begin() + 5, messages.end());
  EXPECT_EQ(tail, expected);
  EXPECT_EQ(GetApplication(), nullptr);
}

// The foundation's readers log through the kernel's debug log, under the
// same "debugmode" rule as the kernel's own lines.
TEST_F(Application, FoundationLinesGoToTheDebugLog) {
  const struct {
    const char* commandLine;
    bool logged;
  } rows[] = {{"debugmode windowed", true}, {"windowed", false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.commandLine);
    Fresh();
    EXPECT_EQ(Run(row.commandLine,
                  [](TestApp& app) {
                    app.initialize = [] {
                      VOXA::logging::LogMessage(5, "PNG Warning: %s", "bad chunk");
                      return true;
                    };
                  }),
              0);
    EXPECT_EQ(Logged("PNG Warning: bad chunk"), row.logged);
  }
}

TEST_F(Application, OptionsMatchWithoutRegardToCaseButWholly) {
  struct Row {
    const char* line;
    bool logged;
    bool windowed;
  };
  const Row rows[] = {
      {"DEBUGMODE windowed", true, true},
      {"DebugMode WINDOWED", true, true},
      {"-debugmode windowed", false, true},
      {"debugmodes windowed", false, true},
      {"windowed", false, true},
      {"debugmode", true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    Fresh();
    bool windowed = false;
    EXPECT_EQ(Run(row.line,
                  [&](TestApp& app) {
                    app.launch = [&] {
                      windowed = !app.fullScreen;
                      return true;
                    };
                  }),
              0);
    EXPECT_EQ(std::filesystem::exists("debug.txt"), row.logged);
    EXPECT_EQ(windowed, row.windowed);
  }
}

TEST_F(Application, AFailureToCreateTheApplicationIsLoggedWithoutOption) {
  kernel::SetApplicationFactory([]() -> kernel::cApplication* { return nullptr; });
  EXPECT_EQ(RunApplication(nullptr, nullptr, "windowed", SW_SHOWNORMAL), 1);
  // No application object: the line has no time prefix.
  EXPECT_EQ(Log(), std::vector<std::string>{
                       "Fatal error occured: Fatal: Could not create cApplication object!"});
}

TEST_F(Application, StartUpFailuresEndWithTheirLine) {
  struct Row {
    const char* failing;
    const char* line;
    int deinitializations;  // a failed initialisation destroys the window first
  };
  const Row rows[] = {
      {"launch", "Fatal error occured: Fatal: Could not launch cApplication!", 0},
      {"initialize", "Fatal error occured: Fatal: Error on initialization!", 1},
      {"render", "Fatal error occured: Fatal: Fatal: cApplication::Render() failed!", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.failing);
    Fresh();
    int deinitialized = 0;
    std::string failing = row.failing;
    EXPECT_EQ(Run("debugmode windowed",
                  [&](TestApp& app) {
                    app.deinitialized = &deinitialized;
                    if (failing == "launch") app.launch = [] { return false; };
                    if (failing == "initialize") app.initialize = [] { return false; };
                    if (failing == "render") app.render = [] { return false; };
                  }),
              1);
    EXPECT_TRUE(Logged(row.line));
    EXPECT_EQ(deinitialized, row.deinitializations);
    EXPECT_FALSE(Logged("Fetched Quit Message from Windows message queue."));
    EXPECT_EQ(GetApplication(), nullptr);
  }
}

namespace {

// What each top-level catch chain logs for each kind of raised thing.
struct Thrown {
  const char* kind;
  std::function<void()> raise;
};

const Thrown thrown[] = {
    {"fatal", [] { throw new eFatalError("boom %d", 7); }},
    {"other error", [] { throw new eWarning("odd"); }},
    {"string", [] { throw "plain text"; }},
    {"anything else", [] { throw 42; }},
    {"null fatal", [] { throw static_cast<eFatalError*>(nullptr); }},
};

std::vector<std::string> ExpectedLines(const std::string& where, const std::string& kind) {
  std::string fatal = "Fatal error occured" + where + ": ";
  std::string suffix = where.empty() ? "!" : where + "!";
  if (kind == "fatal") return {fatal + "Fatal: boom 7"};
  if (kind == "null fatal") return {fatal + "(no error object)"};
  if (kind == "other error")
    return {"Fatal: Exception was not catched" + suffix, "Message: Warning: odd"};
  if (kind == "string")
    return {"Fatal: Extreme fatal exception catched" + suffix, "Message: plain text"};
  return {"Fatal: Unknown exception was not catched" + suffix};
}

}  // namespace

TEST_F(Application, MainCatchChain) {
  for (const Thrown& t : thrown) {
    SCOPED_TRACE(t.kind);
    Fresh();
    int deinitialized = 0;
    EXPECT_EQ(Run("debugmode windowed",
                  [&](TestApp& app) {
                    app.deinitialized = &deinitialized;
                    app.render = [&] {
                      t.raise();
                      return true;
                    };
                  }),
              1);
    for (const std::string& line : ExpectedLines("", t.kind)) EXPECT_TRUE(Logged(line)) << line;
    EXPECT_EQ(deinitialized, 1) << "the chain destroys the window, which de-initialises";
  }
}

TEST_F(Application, WindowProcedureCatchChainSetsTheQuitFlag) {
  for (const Thrown& t : thrown) {
    SCOPED_TRACE(t.kind);
    Fresh();
    bool quitSeenAfterError = false;
    EXPECT_EQ(Run("debugmode windowed",
                  [&](TestApp& app) {
                    app.initialize = [&app] {
                      PostMessageA(app.window, WM_TEST_THROW, 0, 0);
                      PostMessageA(app.window, WM_TEST_SEEN, 0, 0);
                      PostMessageA(app.window, WM_CLOSE, 0, 0);
                      return true;
                    };
                    app.render = [] { return true; };
                    app.onMessage = [&](UINT message) {
                      if (message == WM_TEST_THROW) t.raise();
                      if (message == WM_TEST_SEEN) quitSeenAfterError = app.quitFlag != 0;
                    };
                  }),
              1);
    EXPECT_TRUE(quitSeenAfterError);
    for (const std::string& line : ExpectedLines(" in Window Procedure", t.kind))
      EXPECT_TRUE(Logged(line)) << line;
    EXPECT_TRUE(Logged("Fetched Quit Message from Windows message queue."));
  }
}

TEST_F(Application, DeinitializationCatchChainLetsTheShutdownGoOn) {
  for (const Thrown& t : thrown) {
    SCOPED_TRACE(t.kind);
    Fresh();
    EXPECT_EQ(
        Run("debugmode windowed", [&](TestApp& app) { app.deinitialize = [&] { t.raise(); }; }), 1);
    for (const std::string& line : ExpectedLines(" at deinitialization", t.kind))
      EXPECT_TRUE(Logged(line)) << line;
    EXPECT_TRUE(Logged("Fetched Quit Message from Windows message queue."));
  }
}

TEST_F(Application, FrameRateLineOnlyWhenFramesWereCounted) {
  // The clock never runs: frames are drawn but none is counted.
  EXPECT_EQ(Run("debugmode windowed", [](TestApp& app) { app.initialize = [] { return true; }; }),
            0);
  for (const std::string& m : Messages()) EXPECT_EQ(m.find("I counted"), std::string::npos) << m;
}

TEST_F(Application, FrameClockCountsOnlyRunningPeriods) {
  kernel::cApplication app;
  app.ResumeClock();
  app.periodFrames = 10;
  app.PauseClock();
  EXPECT_EQ(app.totalFrames, 10);
  app.ResumeClock();
  EXPECT_EQ(app.periodFrames, 0) << "a new period starts its own frame count";
  app.periodFrames = 5;
  app.ResumeClock();  // already running: nothing changes
  EXPECT_EQ(app.periodFrames, 5);
  app.PauseClock();
  app.PauseClock();  // not running: nothing is added twice
  EXPECT_EQ(app.totalFrames, 15);
}

TEST_F(Application, InactiveFullScreenDrawsNothingButKeepsDispatching) {
  struct Row {
    const char* line;
    bool active;
    bool draws;
  };
  const Row rows[] = {
      {"", false, false},
      {"", true, true},
      {"windowed", false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.line) + (row.active ? " active" : " inactive"));
    platform::ResetWindowing();
    int frames = 0;
    bool seen = false;
    std::thread later;
    EXPECT_EQ(Run(row.line,
                  [&](TestApp& app) {
                    app.initialize = [&] {
                      PostMessageA(app.window, WM_ACTIVATEAPP, row.active, 0);
                      HWND window = app.window;
                      later = std::thread([window] {
                        ::Sleep(50);
                        PostMessageA(window, WM_TEST_SEEN, 0, 0);
                        PostMessageA(window, WM_CLOSE, 0, 0);
                      });
                      return true;
                    };
                    app.render = [&] {
                      ++frames;
                      return true;
                    };
                    app.onMessage = [&](UINT message) {
                      if (message == WM_TEST_SEEN) seen = true;
                    };
                  }),
              0);
    later.join();
    EXPECT_TRUE(seen);
    EXPECT_EQ(frames > 0, row.draws);
  }
}

// Full-screen without focus there is nothing to draw: the loop waits for
// messages (looking at the display once a frame) instead of spinning, and a
// posted message wakes it at once.
TEST_F(Application, InactiveFullScreenWaitsForMessagesInsteadOfSpinning) {
  using Clock = std::chrono::steady_clock;
  std::atomic<long> pumpsAtPost{0};
  std::atomic<Clock::rep> postedAt{0};
  long pumpsWhileInactive = -1;
  Clock::duration wakeUp{};
  std::thread later;
  EXPECT_EQ(Run("",
                [&](TestApp& app) {
                  app.initialize = [&] {
                    PostMessageA(app.window, WM_ACTIVATEAPP, FALSE, 0);
                    HWND window = app.window;
                    later = std::thread([&, window] {
                      ::Sleep(100);  // the focus loss is handled by now
                      const long before = platform::HeadlessEventPumps();
                      ::Sleep(500);
                      pumpsAtPost = platform::HeadlessEventPumps() - before;
                      postedAt = Clock::now().time_since_epoch().count();
                      PostMessageA(window, WM_TEST_SEEN, 0, 0);
                    });
                    return true;
                  };
                  app.render = [] { return true; };
                  app.onMessage = [&](UINT message) {
                    if (message != WM_TEST_SEEN) return;
                    wakeUp = Clock::now().time_since_epoch() - Clock::duration(postedAt.load());
                    pumpsWhileInactive = pumpsAtPost;
                    PostMessageA(app.window, WM_CLOSE, 0, 0);
                  };
                }),
            0);
  later.join();
  ASSERT_GE(pumpsWhileInactive, 0) << "the posted message never arrived";
  // Waiting a frame at a time makes about 30 passes in 0.5 s; a spinning loop
  // makes hundreds of thousands.
  EXPECT_LT(pumpsWhileInactive, 200);
  EXPECT_LT(wakeUp, std::chrono::milliseconds(100));
}

TEST_F(Application, WindowMessagesUpdateTheApplication) {
  struct Seen {
    int mouseX, mouseY, windowX, windowY;
    bool aliveAfterIgnoredCommands;
  } seen{};
  EXPECT_EQ(
      Run("windowed",
          [&](TestApp& app) {
            app.initialize = [&] {
              SendMessageA(app.window, WM_MOUSEMOVE, 0, MAKELPARAM(65535, 12));
              SendMessageA(app.window, WM_MOVE, 0, MAKELPARAM(30, 40));
              for (WPARAM command : {SC_KEYMENU, SC_SCREENSAVE, SC_MONITORPOWER})
                SendMessageA(app.window, WM_SYSCOMMAND, command, 0);
              seen = {app.mouseX, app.mouseY, app.windowX, app.windowY, IsWindow(app.window) != 0};
              SendMessageA(app.window, WM_SYSCOMMAND, SC_CLOSE, 0);  // closes the window
              return true;
            };
          }),
      0);
  EXPECT_EQ(seen.mouseX, 65535) << "mouse words are unsigned";
  EXPECT_EQ(seen.mouseY, 12);
  EXPECT_EQ(seen.windowX, 30);
  EXPECT_EQ(seen.windowY, 40);
  EXPECT_TRUE(seen.aliveAfterIgnoredCommands);
}

TEST_F(Application, LogTimePrefixShowsApplicationTime) {
  EXPECT_EQ(Run("debugmode windowed",
                [](TestApp& a) {
                  a.initialize = [&a] {
                    ticks = static_cast<DWORD>(a.startTime * 1000.0 + 3500.0);
                    LogMessage(5, "three and a half");
                    a.Quit();
                    return true;
                  };
                }),
            0);
  bool found = false;
  for (const std::string& line : Log()) found |= line == "(003.500) three and a half";
  EXPECT_TRUE(found);
}

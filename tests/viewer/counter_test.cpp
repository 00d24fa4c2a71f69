// The frame-rate counter on a clock that the test sets, and the scale of the
// music volume.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/headless.h"
#include "tests/support/display_fixture.h"
#include "viewer/launcher.h"

namespace {

DWORD ticks = 0;

// The counter's log line, or "" when it logged none.
std::string CounterLine(const std::function<void()>& body) {
  testsupport::DisplayEnvironment environment;
  ticks = 0;
  platform::SetTickSource([] { return ticks; });
  // The application's clock counts from its start.
  testsupport::RunWithDisplay("debugmode", body);
  const std::string log = testsupport::ReadFile("debug.txt");
  const std::size_t at = log.find("Demo counter result: ");
  return at == std::string::npos ? "" : log.substr(at, log.find('\n', at) - at);
}

void Frames(int n) {
  for (int i = 0; i < n; i++) VOXA2::CountFrame();
}

struct CounterCase {
  const char* name;
  void (*body)();
  const char* line;
};

void PrintTo(const CounterCase& c, std::ostream* os) { *os << c.name; }

class FrameCounter : public ::testing::TestWithParam<CounterCase> {};

TEST_P(FrameCounter, AddsUpOnlyTheActiveStretches) {
  EXPECT_EQ(CounterLine(GetParam().body), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameCounter,
    ::testing::Values(
        CounterCase{"Plain",
                    [] {
                      VOXA2::StartFrameCounter();
                      Frames(50);
                      ticks = 2000;
                      VOXA2::DemoCounter();
                    },
                    "Demo counter result: 50 frames in 2 seconds => 25.00 frames per second"},
        // Active 0-1 s and 3-4 s and 6-7 s; the frames while inactive do not count.
        CounterCase{"PausedAndResumedTwice",
                    [] {
                      VOXA2::StartFrameCounter();
                      Frames(10);
                      ticks = 1000;
                      VOXA2::PauseFrameCounter(0);
                      Frames(99);
                      ticks = 3000;
                      VOXA2::ResumeFrameCounter(0);
                      Frames(10);
                      ticks = 4000;
                      VOXA2::PauseFrameCounter(0);
                      ticks = 6000;
                      VOXA2::ResumeFrameCounter(0);
                      Frames(10);
                      ticks = 7000;
                      VOXA2::DemoCounter();
                    },
                    "Demo counter result: 30 frames in 3 seconds => 10.00 frames per second"},
        CounterCase{"PausedTwiceCountsTheStretchOnce",
                    [] {
                      VOXA2::StartFrameCounter();
                      Frames(4);
                      ticks = 1000;
                      VOXA2::PauseFrameCounter(0);
                      ticks = 5000;
                      VOXA2::PauseFrameCounter(0);
                      VOXA2::DemoCounter();
                    },
                    "Demo counter result: 4 frames in 1 seconds => 4.00 frames per second"},
        CounterCase{"NoFrameNoLine",
                    [] {
                      VOXA2::StartFrameCounter();
                      ticks = 1000;
                      VOXA2::DemoCounter();
                    },
                    ""},
        // The clock counts milliseconds: frames in no time give no "inf".
        CounterCase{"FramesInNoTime",
                    [] {
                      VOXA2::StartFrameCounter();
                      Frames(3);
                      VOXA2::DemoCounter();
                    },
                    "Demo counter result: 3 frames in 0 seconds => 0.00 frames per second"},
        CounterCase{"StoppedTwiceLogsOnce",
                    [] {
                      VOXA2::StartFrameCounter();
                      Frames(2);
                      ticks = 1000;
                      VOXA2::DemoCounter();
                      Frames(5);
                      ticks = 9000;
                      VOXA2::DemoCounter();
                    },
                    "Demo counter result: 2 frames in 1 seconds => 2.00 frames per second"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DemoMusicVolume, ScriptVolumeMapsToTheLibraryScaleClamped) {
  const std::pair<int, int> cases[] = {{64, 255}, {32, 127}, {0, 0}, {1, 3}, {100, 255}, {-5, 0}};
  for (auto [script, library] : cases)
    EXPECT_EQ(VOXA2::MusicVolumeForLibrary(script), library) << script;
}

}  // namespace

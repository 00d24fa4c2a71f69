// The demo's frame against an injected clock: sequences mapping demo time onto
// pipelines, the loop window, bod and eod, and the key handlers.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/demo/demo_fixture.h"

namespace demotest {
namespace {

using Calls = std::vector<std::string>;

bool Contains(const Calls& calls, const std::string& call) {
  return std::find(calls.begin(), calls.end(), call) != calls.end();
}

// An identity sequence over [0, 100) holding the pipeline "p".
const char* const kIdentity =
    "pipeline p { entry 0 : 1000 : probe { 1 } }"
    "sequence s { start 0; length 100; relative start 0; relative length 100; pipeline p; }";

struct MappingCase {
  const char* name;
  const char* sequence;
  float clock;
  const char* expected;
};

class SequenceMapping : public DemoTest, public ::testing::WithParamInterface<MappingCase> {};

TEST_P(SequenceMapping, PipelineTimeAtClock) {
  const MappingCase& c = GetParam();
  ASSERT_TRUE(Compile(std::string("pipeline p { entry 0 : 1000 : probe { 1 } }") + "sequence s {" +
                      c.sequence + "} main() { sequence s; eod 1000; }"));
  StartAt(0);
  ASSERT_TRUE(RunAt(c.clock));
  const Calls trace = TakeTrace();
  if (*c.expected)
    EXPECT_TRUE(Contains(trace, c.expected)) << ::testing::PrintToString(trace);
  else
    EXPECT_TRUE(trace.empty()) << ::testing::PrintToString(trace);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, SequenceMapping,
    ::testing::Values(
        MappingCase{"RelativeWindowAddAndMultiply",
                    "start 5; length 10; relative start 0; relative length 100; "
                    "pipeline p add 2 multiply 0.5;",
                    10, "1 Execute(27,27,0.027)"},
        MappingCase{"MultiplyBeforeAdd",
                    "start 0; length 10; relative start 0; relative length 10; "
                    "pipeline p multiply 2 add 1;",
                    3, "1 Execute(7,7,0.007)"},
        MappingCase{"AddBeforeMultiply",
                    "start 0; length 10; relative start 0; relative length 10; "
                    "pipeline p add 1 multiply 2;",
                    3, "1 Execute(7,7,0.007)"},
        MappingCase{"WithoutRelativeLengthTheTimeIsConstant",
                    "start 0; length 10; relative start 4; pipeline p;", 9, "1 Execute(4,4,0.004)"},
        MappingCase{"BeforeTheWindow", "start 5; length 10; pipeline p;", 4.9f, ""},
        MappingCase{"EndOfTheWindowIsOutside", "start 5; length 10; pipeline p;", 15, ""},
        MappingCase{"ZeroLengthIsNeverActive", "start 0; length 0; pipeline p;", 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DemoTest, SequenceLeavingItsWindowDeactivatesItsPipelines) {
  ASSERT_TRUE(
      Compile("pipeline p { entry 0 : 1000 : probe { 1 } }"
              "sequence s { start 5; length 10; relative length 10; pipeline p; }"
              "main() { sequence s; eod 100; }"));
  StartAt(0);
  RunAt(5);
  EXPECT_EQ(TakeTrace(), (Calls{"1 Start", "1 Show", "1 Execute(0,0,0)"}));
  RunAt(15);
  EXPECT_EQ(TakeTrace(), (Calls{"1 Stop"}));
  EXPECT_FALSE(demo->runList[0]->active);
}

TEST_F(DemoTest, FailingPipelineLogsTimesAndFailsTheFrame) {
  ASSERT_TRUE(Compile(
      "pipeline good { entry 0 : 100 : probe { 1 } }"
      "pipeline bad { entry 0 : 100 : probe { 2 fail } }"
      "pipeline never { entry 0 : 100 : probe { 3 } }"
      "sequence s { start 0; length 10; relative length 20; pipeline good; pipeline bad add 1; "
      "pipeline never; }"
      "main() { sequence s; eod 100; }"));
  StartAt(0);
  EXPECT_FALSE(RunAt(1));
  EXPECT_FALSE(Contains(TakeTrace(), "3 Start"));
  const auto lines = LogLines();
  EXPECT_TRUE(Contains(lines,
                       "Pipeline 1 failed at 1.000000 (relative to sequence: 2.000000, relative "
                       "to pipeline: 3.000000) seconds!"));
  EXPECT_TRUE(Contains(lines, "Sequence 0 failed at 1.000000 seconds!"));
}

struct ClockCase {
  const char* name;
  const char* main;
  std::vector<std::pair<float, float>> frames;  // clock, then the demo time (-1: ended)
};

class DemoClock : public DemoTest, public ::testing::WithParamInterface<ClockCase> {};

TEST_P(DemoClock, DemoTimeOfEachFrame) {
  const ClockCase& c = GetParam();
  ASSERT_TRUE(Compile(std::string(kIdentity) + "main() { sequence s; " + c.main + " }"));
  StartAt(0);
  for (auto [clock, expected] : c.frames) {
    SCOPED_TRACE(clock);
    TakeTrace();
    ASSERT_TRUE(RunAt(clock));
    if (expected < 0) {
      EXPECT_FALSE(demo->running);
      EXPECT_TRUE(TakeTrace().empty());
    } else {
      ASSERT_TRUE(demo->running);
      EXPECT_FLOAT_EQ(demo->demoTime, expected);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Frames, DemoClock,
    ::testing::Values(
        ClockCase{"WithoutEodEndsAtOnce", "", {{0, -1}}},
        ClockCase{"EodEndsWhenReached", "eod 10;", {{0, 0}, {9.5f, 9.5f}, {10, -1}}},
        ClockCase{"BodStartsLater", "bod 30; eod 40;", {{0, 30}, {5, 35}}},
        ClockCase{"LoopJumpsBackOncePerFrame",
                  "loop 20 to 10; eod 5;",
                  {{19, 19}, {20.5f, 10.5f}, {25, 15}, {30.5f, 10.5f}}},
        ClockCase{"LoopPointBelowTargetMovesForward", "loop 5 to 8;", {{4, 4}, {5, 8}, {6, 12}}},
        ClockCase{"LoopDisabledRestoresTheEnd",
                  "loop 20 to 10; loop disabled; eod 15;",
                  {{14, 14}, {15, -1}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DemoTest, ANotRunningDemoRefusesFrames) {
  ASSERT_TRUE(Compile("main() { eod 10; }"));
  EXPECT_FALSE(RunAt(0));
}

TEST_F(DemoTest, MainBlocksAccumulateInFileOrder) {
  ASSERT_TRUE(Compile(std::string(kIdentity) +
                      "sequence t { length 1; } main() { sequence t; music \"a.xm\", 32, 1; }"
                      "main() { sequence s; eod 5; music \"b.xm\", 48, 0; }"));
  ASSERT_EQ(demo->runList.size(), 2u);
  EXPECT_EQ(demo->runList[0], demo->sequences[1]);
  EXPECT_EQ(demo->runList[1], demo->sequences[0]);
  EXPECT_EQ(demo->musicFile, "b.xm");
  EXPECT_EQ(demo->musicVolume, 48);
  EXPECT_FALSE(demo->musicFlag);
  EXPECT_FLOAT_EQ(demo->end, 5);
}

TEST_F(DemoTest, TimingSymbolsFollowTheEntries) {
  ASSERT_TRUE(
      Compile("pipeline p { entry __LAST_END__ : 2 : probe { 1 } entry 2 : 3 : probe { 2 } "
              "entry __LAST_END__ : __LAST_LENGTH__ + 1 : probe { __END__ } ; ; }"
              "pipeline q { entry __LAST_END__ + 1 : 1 : probe { 4 } }"
              "sequence s { length __LAST_END__; }"));
  const auto& p = demo->pipelines[0]->commands;
  EXPECT_FLOAT_EQ(p[0]->start, 0);
  EXPECT_FLOAT_EQ(p[2]->start, 5);
  EXPECT_FLOAT_EQ(p[2]->length, 4);
  EXPECT_FLOAT_EQ(p[2]->end, 9);
  // The block sees its own entry's symbols.
  EXPECT_EQ(static_cast<cProbe*>(p[2])->id, 9);
  // Each pipeline starts from zero; the symbols outlive the pipeline.
  EXPECT_FLOAT_EQ(demo->pipelines[1]->commands[0]->start, 1);
  EXPECT_FLOAT_EQ(demo->sequences[0]->length, 2);
}

TEST_F(DemoTest, NopSkipsItsBlockAndTheBodyGoesOn) {
  ASSERT_TRUE(
      Compile("pipeline p { entry 1 : 2 : nop { color 1, 2; { x } entry 3 : 1 : probe { 1 } }"));
  const auto& commands = demo->pipelines[0]->commands;
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_FLOAT_EQ(commands[0]->start, 1);
  EXPECT_FLOAT_EQ(commands[0]->end, 3);
  EXPECT_TRUE(commands[0]->Execute(1, 0, 0));
}

TEST_F(DemoTest, PrepareAndRestoreReachEveryCommandInDeclarationOrder) {
  ASSERT_TRUE(
      Compile("pipeline a { entry 0 : 1 : probe { 1 } entry 0 : 1 : probe { 2 } }"
              "pipeline b { entry 0 : 1 : probe { 3 } }"));
  demo->Prepare();
  EXPECT_EQ(TakeTrace(), (Calls{"1 Prepare", "2 Prepare", "3 Prepare"}));
  EXPECT_TRUE(demo->Restore());
  EXPECT_EQ(TakeTrace(), (Calls{"1 Restore", "2 Restore", "3 Restore"}));
}

// Handlers: the script's handlers fired by keys between frames.
const char* const kHandlers =
    "handler restart() { jump 2; }"
    "handler once() { jump 50; disable once; }"
    "handler unloop() { loop disabled; }"
    "handler ten() { jump 10; }"
    "handler twenty() { jump 20; }"
    "handler revive() { enable once; }"
    "handler both() { enable twenty; disable twenty; }"
    "handler ping() { trigger ping; jump 7; }"
    "handler pong() { trigger ping; trigger pong; }"
    "handler looper() { loop 20 to 10; }"
    "handler late() { jump 70; }"
    "main() { sequence s; eod 60;"
    "  key R with restart; key J with once; key escape with unloop;"
    "  key A with ten; key A with twenty; key B with revive; key C with both;"
    "  key P with ping; key Q with pong; key L with looper; key Z with late; }";

struct KeyStep {
  float clock;
  const char* key;  // pressed before the frame, or null
  float demoTime;   // -1: the frame ends the demo
};

struct HandlerCase {
  const char* name;
  std::vector<KeyStep> steps;
};

class KeyHandlers : public DemoTest, public ::testing::WithParamInterface<HandlerCase> {};

TEST_P(KeyHandlers, DemoTimeAfterKeys) {
  ASSERT_TRUE(Compile(std::string(kIdentity) + kHandlers));
  StartAt(0);
  for (const KeyStep& step : GetParam().steps) {
    SCOPED_TRACE(step.clock);
    now = step.clock;
    if (step.key) demo->FireKeyHandlers(VOXA2::LookupKeyName(step.key));
    ASSERT_TRUE(RunAt(step.clock));
    if (step.demoTime < 0) {
      EXPECT_FALSE(demo->running);
    } else {
      ASSERT_TRUE(demo->running);
      EXPECT_FLOAT_EQ(demo->demoTime, step.demoTime);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyHandlers,
    ::testing::Values(HandlerCase{"JumpMovesTheClock", {{5, "R", 2}, {6, nullptr, 3}}},
                      HandlerCase{"SelfDisablingJumpWorksOnce",
                                  {{1, "J", 50}, {2, "J", 51}, {3, "B", 52}, {4, "J", 50}}},
                      HandlerCase{"LoopDisabledLetsTheDemoEnd",
                                  {{1, "L", 1},
                                   {25, nullptr, 15},
                                   {26, "ESCAPE", 16},
                                   {40, nullptr, 30},
                                   {70, nullptr, -1}}},
                      HandlerCase{"KeyBoundTwiceFiresBothInOrder", {{1, "A", 20}}},
                      HandlerCase{"EnabledAndDisabledEndsDisabled", {{1, "C", 1}, {2, "A", 10}}},
                      HandlerCase{"TriggerCycleEnds", {{1, "P", 7}, {3, "Q", 7}}},
                      HandlerCase{"JumpBeyondTheEndEndsAtTheNextFrame",
                                  {{1, nullptr, 1}, {2, "Z", -1}}},
                      HandlerCase{"UnboundKeyDoesNothing", {{1, "SPACE", 1}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeyNames, LookUpWithoutRegardToCase) {
  const std::pair<const char*, int> rows[] = {{"ESCAPE", 1},
                                              {"escape", 1},
                                              {"K", 37},
                                              {"l", 38},
                                              {"NUMPADSUBSTRACT", 79},
                                              {"End", 101},
                                              {"WindowsApplication", 108},
                                              {"PAUSE", 109},
                                              {"EUROPEAN1", 110},
                                              {"0", 11},
                                              {"SUBTRACT", 0},
                                              {"", 0}};
  for (auto [name, code] : rows) EXPECT_EQ(VOXA2::LookupKeyName(name), code) << name;
}

}  // namespace
}  // namespace demotest

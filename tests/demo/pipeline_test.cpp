// Pipelines driven frame by frame: which probe calls each pipeline time gives.
#include <gtest/gtest.h>

#include "tests/demo/demo_fixture.h"

namespace demotest {
namespace {

using Calls = std::vector<std::string>;

struct Step {
  float time;
  Calls calls;
  bool result = true;
};

struct PipelineCase {
  const char* name;
  const char* script;
  std::vector<Step> steps;
};

class PipelineTrace : public DemoTest, public ::testing::WithParamInterface<PipelineCase> {};

TEST_P(PipelineTrace, CallsAtEachTime) {
  const PipelineCase& c = GetParam();
  ASSERT_TRUE(Compile(c.script));
  ASSERT_EQ(demo->pipelines.size(), 1u);
  VOXA2::cVOXApipeline* pipeline = demo->pipelines[0];
  for (const Step& step : c.steps) {
    SCOPED_TRACE(step.time);
    EXPECT_EQ(pipeline->Run(step.time), step.result);
    EXPECT_EQ(TakeTrace(), step.calls);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pipelines, PipelineTrace,
    ::testing::Values(
        PipelineCase{"SerialHandsOverAtTheSharedEdge",
                     "pipeline p { entry 0 : 5 : probe { 1 } entry 5 : 5 : probe { 2 } }",
                     {{4, {"1 Start", "1 Show", "1 Execute(4,4,0.8)"}},
                      {5, {"1 Hide", "1 Stop", "2 Start", "2 Show", "2 Execute(5,0,0)"}},
                      {10, {"2 Hide", "2 Stop"}},
                      {11, {}}}},
        PipelineCase{"SerialRunsOnlyTheFirstOfOverlappingWindows",
                     "pipeline p { entry 0 : 10 : probe { 1 } entry 2 : 2 : probe { 2 } }",
                     {{3, {"1 Start", "1 Show", "1 Execute(3,3,0.3)"}}}},
        PipelineCase{"ParallelRunsEveryWindowInListOrder",
                     "parallel pipeline p { entry 0 : 10 : probe { 1 } entry 2 : 2 : probe { 2 } }",
                     {{3, {"1 Start", "1 Execute(3,3,0.3)", "2 Start", "2 Execute(3,1,0.5)"}},
                      {4, {"1 Execute(4,4,0.4)", "2 Stop"}}}},
        PipelineCase{"ParallelHideTrackHidesAndShowsOnChange",
                     "parallel pipeline p { entry 0 : 10 : probe { 1 } "
                     "hide interpolate { 0: 0, 2: 1, 3: 0 } }",
                     {{1, {"1 Start", "1 Execute(1,1,0.1)"}},
                      {2, {"1 Hide"}},
                      {2.5f, {}},
                      {3, {"1 Show", "1 Execute(3,3,0.3)"}}}},
        PipelineCase{
            "SerialHideTrackHidesAndShows",
            "pipeline p { entry 0 : 10 : probe { 1 } hide interpolate { 0: 0, 2: 1, 3: 0 } }",
            {{1, {"1 Start", "1 Show", "1 Execute(1,1,0.1)"}},
             {2, {"1 Hide"}},
             {3, {"1 Show", "1 Execute(3,3,0.3)"}},
             {20, {"1 Hide", "1 Stop"}}}},
        PipelineCase{"SerialHiddenCommandStopsWithoutHide",
                     "pipeline p { entry 0 : 1 : probe { 1 } hide 1; }",
                     {{0.5f, {"1 Start", "1 Hide"}}, {1, {"1 Stop"}}}},
        PipelineCase{"TimeBeforeEveryWindowCallsNothing",
                     "pipeline p { entry 2 : 1 : probe { 1 } }",
                     {{-1, {}}, {1, {}}}},
        PipelineCase{"ZeroLengthNeverRuns", "pipeline p { entry 0 : 0 : probe { 1 } }", {{0, {}}}},
        PipelineCase{
            "ParallelStopsAtTheFirstFailure",
            "parallel pipeline p { entry 0 : 5 : probe { 1 } "
            "entry 0 : 5 : probe { 2 fail } entry 0 : 5 : probe { 3 } }",
            {{1, {"1 Start", "1 Execute(1,1,0.2)", "2 Start", "2 Execute(1,1,0.2)"}, false}}},
        PipelineCase{"SerialFailureKeepsTheCommandRunning",
                     "pipeline p { entry 0 : 5 : probe { 1 fail } }",
                     {{1, {"1 Start", "1 Show", "1 Execute(1,1,0.2)"}, false},
                      {2, {"1 Execute(2,2,0.4)"}, false}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Deactivation stops the running command without hiding it; activation starts afresh.
TEST_F(DemoTest, DeactivateStopsWithoutHide) {
  ASSERT_TRUE(
      Compile("pipeline s { entry 0 : 5 : probe { 1 } }"
              "parallel pipeline p { entry 0 : 5 : probe { 2 } hide 1 }"));
  for (auto* pipeline : demo->pipelines) pipeline->Run(1);
  TakeTrace();
  for (auto* pipeline : demo->pipelines) pipeline->Deactivate();
  EXPECT_EQ(TakeTrace(), (Calls{"1 Stop", "2 Stop"}));
  for (auto* pipeline : demo->pipelines) pipeline->Activate();
  for (auto* pipeline : demo->pipelines) pipeline->Run(1);
  EXPECT_EQ(TakeTrace(), (Calls{"1 Start", "1 Show", "1 Execute(1,1,0.2)", "2 Start", "2 Hide"}));
}

}  // namespace
}  // namespace demotest

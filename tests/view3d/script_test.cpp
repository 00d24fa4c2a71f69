// The view3D block as scripts write it: the sub-command registry, the errors
// of each sub-command with their positions, frame mapping, and conditions.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "demo/view3dregistry.h"
#include "script/tokens.h"
#include "tests/view3d/view3d_fixture.h"
#include "view3d/animation.h"
#include "view3d/conditions.h"

namespace view3dtest {
namespace {

using namespace VOXA2;

std::string Entry(const std::string& block) {
  return "pipeline p {\n  entry 0 : 10 : view3D {\n" + block + "\n  }\n}\n";
}

// ---- the registry

TEST_F(View3DTest, RegistryListsBuiltInsThenScriptLevelInOrderOfIdentifier) {
  const struct {
    const char* word;
    std::int32_t token;
    std::uint32_t id;
  } expected[] = {
      {"use", tokIdentifier, 0xFE000000},     {"show", tokIdentifier, 0xFE000001},
      {"hide", tokIdentifier, 0xFE000002},    {"draw", tokIdentifier, 0xFE000003},
      {"magnet", tokIdentifier, 0xFE000004},  {"wireframed", tokIdentifier, 0xFE000005},
      {"culling", tokIdentifier, 0xFE000006}, {nullptr, tokFrames, 0xFE000007},
      {nullptr, tokClearZBuffer, 0xFE000008}, {nullptr, tokAlpha, 0xFE000009},
      {nullptr, tokTint, 0xFE00000A},         {nullptr, tokCamera, 0xFE00000B},
      {"flush", tokIdentifier, 0xFE00000C},   {"fog", tokIdentifier, 0xFE00000D},
      {"camera_stretch", tokIdentifier, 0xFE00000E}, {"if", tokIdentifier, 0xFE000200},
      {"ifnot", tokIdentifier, 0xFE000201},   {"flare", tokIdentifier, 0xFE000300},
      {"fade_to_color", tokIdentifier, 0xFE000400}, {"window", tokIdentifier, 0xFE000500},
      {"skybox", tokIdentifier, 0xFE000600},
  };
  int i = 0;
  for (const auto& e : expected) {
    const t3DCommandDesc* record = Get3DCommand(i++);
    ASSERT_NE(record, nullptr) << i;
    EXPECT_STREQ(record->name, e.word) << i;
    EXPECT_EQ(record->tokenCode, e.token) << i;
    EXPECT_EQ(record->identifier, e.id) << i;
    EXPECT_EQ(record->version, 0x02000000u) << i;
  }
  EXPECT_EQ(Get3DCommand(i), nullptr);
  EXPECT_TRUE(Is3DCommandRegistryReady());
  EXPECT_FALSE(RegisterBuiltIn3DCommands()) << "ready already";
  EXPECT_EQ(Find3DCommandByToken(tokIdentifier, "Use"), nullptr) << "words are case-sensitive";
  EXPECT_EQ(Find3DCommandByToken(tokAlpha, nullptr)->identifier, 0xFE000009u);
}

TEST_F(View3DTest, RegistryRefusesAUsedWordOrIdentifierWithALogLine) {
  static const t3DCommandDesc sameWord = {"fog", tokIdentifier, 0xFE000700, nullptr, 0x02000000};
  static const t3DCommandDesc sameToken = {nullptr, tokFrames, 0xFE000701, nullptr, 0x02000000};
  static const t3DCommandDesc sameId = {"mist", tokIdentifier, 0xFE00000D, nullptr, 0x02000000};
  static const t3DCommandDesc fresh = {"mist", tokIdentifier, 0xFE000100, nullptr, 0x02000000};
  EXPECT_FALSE(Register3DCommand(&sameWord));
  EXPECT_FALSE(Register3DCommand(&sameToken));
  EXPECT_FALSE(Register3DCommand(&sameId));
  EXPECT_TRUE(Logged("Register3DCommand(): token/command already in use!"));
  EXPECT_TRUE(Logged("Register3DCommand(): ID already in use! (0xFE00000D)"));
  ASSERT_TRUE(Register3DCommand(&fresh));
  EXPECT_EQ(Get3DCommand(15), &fresh) << "between the built-ins and the script level";
  Free3DCommandRegistry();
  EXPECT_FALSE(Is3DCommandRegistryReady());
  EXPECT_FALSE(Register3DCommand(&fresh)) << "not ready";
}

// ---- errors, with code, message and position

struct ErrorCase {
  const char* name;
  const char* block;
  const char* logged;
};

class SubCommandErrors : public View3DTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(SubCommandErrors, LogCodeMessageAndPosition) {
  const std::string block = GetParam().block;
  EXPECT_FALSE(Compile(block.rfind("pipeline", 0) == 0 ? block : Entry(block)));
  EXPECT_TRUE(Logged(GetParam().logged)) << ::testing::PrintToString(LogLines());
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, SubCommandErrors,
    ::testing::Values(
        ErrorCase{"UnknownWord", "use \"names\";\nzoom 2;", "demo.txt(4,5) Error 201 occured: Syntax error!"},
        ErrorCase{"CapitalUse", "Use \"names\";", "demo.txt(3,4) Error 201 occured: Syntax error!"},
        ErrorCase{"UnknownAnimation", "use \"missing\";", "demo.txt(3,15) Error 114 occured: Error on loading command!"},
        ErrorCase{"UseWithoutName", "use names;", "demo.txt(3,10) Error 2 occured: String expected, but found Identifier!"},
        ErrorCase{"FramesBeforeUse", "frames 5;", "demo.txt(3,9) An animation must be specified before the frames command can be used!"},
        ErrorCase{"DrawBeforeUse", "draw all;", "demo.txt(3,9) An animation must be specified before the draw command can be used!"},
        ErrorCase{"ShowBeforeUse", "show all;", "demo.txt(3,9) An animation must be specified before the show command can be used!"},
        ErrorCase{"HideBeforeUse", "hide all;", "demo.txt(3,9) An animation must be specified before the hide command can be used!"},
        ErrorCase{"CameraBeforeUse", "camera \"cam\";", "demo.txt(3,13) An animation must be specified before the camera command can be used!"},
        ErrorCase{"UnknownCamera", "use \"names\";\ncamera \"thing\";", "demo.txt(4,16) Could not find camera named \"thing\"!"},
        ErrorCase{"TargetThatIsNoTarget", "use \"names\";\ncamera \"cam\" at \"cam\";", "demo.txt(4,23) Could not find target named \"cam\"!"},
        ErrorCase{"CameraRangeWithoutTo", "use \"names\";\ncamera \"cam\", 1, 100;", "demo.txt(4,17) Error 2 occured: to expected, but found ,!"},
        ErrorCase{"UnknownObject", "use \"names\";\nshow \"thing\", \"nope\";", "demo.txt(4,22) Object \"nope\" does not exists in 3DS animation!"},
        ErrorCase{"ObjectNameUnquoted", "use \"names\";\ndraw thing;", "demo.txt(4,11) Error 2 occured: String expected, but found Identifier!"},
        ErrorCase{"CommaBeforeSemicolon", "use \"names\";\nhide \"thing\",;", "demo.txt(4,15) Error 2 occured: String expected, but found ;!"},
        ErrorCase{"FramesWrapNotANumber", "use \"names\";\nframes 5, \"x\";", "demo.txt(4,14) Error 200 occured: Integer expression expected!"},
        ErrorCase{"ClearZBufferWithoutSemicolon", "clearzbuffer draw", "demo.txt(3,18) Error 2 occured: ; expected, but found Identifier!"},
        ErrorCase{"StretchWithoutComma", "camera_stretch 2 1;", "demo.txt(3,19) Error 2 occured: , expected, but found Number!"},
        ErrorCase{"AlphaWithoutValue", "alpha;", "demo.txt(3,7) Error 200 occured: Float expression expected!"},
        ErrorCase{"TintOfOneComponent", "tint 0.5;", "demo.txt(3,9) Error 2 occured: ( expected, but found Float!"},
        ErrorCase{"WireframedFloatTrack", "wireframed interpolate linear { 0: 1 };", "demo.txt(3,30) Error 2 occured: { expected, but found Identifier!"},
        ErrorCase{"FogRangeWithoutComma", "fog (1, 0, 0) ranged 0.2 0.8;", "demo.txt(3,29) Error 2 occured: , expected, but found Float!"},
        ErrorCase{"ConditionOfANumber", "if 1 alpha 1;", "demo.txt(3,5) Symbolic Spline Definition expected!"},
        ErrorCase{"ConditionWithoutParen", "if (true & false alpha 1;", "demo.txt(3,23) Error 2 occured: ) expected, but found alpha!"},
        ErrorCase{"CapitalElse", "if true alpha 1; Else alpha 0;", "demo.txt(3,22) Error 201 occured: Syntax error!"},
        ErrorCase{"RefusedOperand", "if use \"missing\"; & true alpha 1;", "demo.txt(3,18) Error 114 occured: Error on loading command!"},
        ErrorCase{"UnclosedBody", "pipeline p { entry 0 : 10 : view3D { if true { alpha 1;\n", "demo.txt(2,1) Error 201 occured: Syntax error!"},
        ErrorCase{"MagnetBeforeUse", "magnet \"aim\" at all;", "demo.txt(3,13) An animation must be specified before the magnet command can be used!"},
        ErrorCase{"UnknownMagnet", "use \"names\";\nmagnet \"pull\" at all;", "demo.txt(4,17) Could not find magnet object named \"pull\"!"},
        ErrorCase{"MagnetNameUnquoted", "use \"names\";\nmagnet aim at all;", "demo.txt(4,11) Error 2 occured: String expected, but found Identifier!"},
        ErrorCase{"MagnetWithoutAt", "use \"names\";\nmagnet \"aim\" all;", "demo.txt(4,17) Error 2 occured: at expected, but found Identifier!"},
        ErrorCase{"MagnetOnNoMesh", "use \"names\";\nmagnet \"aim\" at \"mesh\", \"thing\";", "demo.txt(4,33) Object \"thing\" is no mesh!"},
        ErrorCase{"MagnetRadiusWithoutValue", "use \"names\";\nmagnet \"aim\" at all radius;", "demo.txt(4,28) Error 200 occured: Float expression expected!"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(View3DTest, EmptyStatementsAndFlushWithOrWithoutSemicolon) {
  ASSERT_TRUE(Compile(Entry(";; use \"names\"; ; flush flush; frames 1;;")));
  EXPECT_EQ(View()->commands.size(), 4u);
  EXPECT_EQ(View()->length, 10.0f);
}

// ---- frames

TEST(MapFrame, WrapsInClosedFormAndClamps) {
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    float f, frames;
    bool wrap;
    float expected;
  } cases[] = {
      {150, 100, true, 50},   {150, 100, false, 100}, {-10, 100, true, 90},
      {200, 100, true, 100},  {100, 100, true, 100},  {0, 100, true, 0},
      {-100, 100, true, 0},   {-10, 100, false, 0},   {250, 100, true, 50},
      {1e12f, 100, true, static_cast<float>(std::fmod(static_cast<double>(1e12f), 100.0))},
      {5, 0, true, 0},        {5, 0, false, 0},       {std::nanf(""), 100, true, 0},
      {inf, 100, true, 0},    {inf, 100, false, 100}, {37.5f, 100, true, 37.5f},
  };
  for (const auto& c : cases) {
    const float got = MapFrame(c.f, c.frames, c.wrap);
    EXPECT_EQ(got, c.expected) << c.f << " of " << c.frames << (c.wrap ? " wrapped" : " held");
    EXPECT_TRUE(got >= 0 && got <= std::max(c.frames, 0.0f));
  }
}

// ---- conditions

struct ConditionCase {
  const char* name;
  const char* statement;
  float time;
  float alpha;  // which body ran: 0.25 the first, 0.75 the second, 1 none
  bool flag;
};

class Conditions : public View3DTest, public ::testing::WithParamInterface<ConditionCase> {};

TEST_P(Conditions, ChooseThePathAndLeaveTheFlag) {
  const ConditionCase& c = GetParam();
  ASSERT_TRUE(Compile(Entry(c.statement))) << ::testing::PrintToString(LogLines());
  cVOXAview3D* view = View();
  ASSERT_EQ(view->commands.size(), 1u);
  for (int frame = 0; frame < 2; frame++) {
    view->alpha = 1.0f;
    bool flag = !c.flag;
    ASSERT_TRUE(view->commands[0]->Execute(c.time, c.time, c.time / 10, &flag));
    EXPECT_EQ(view->alpha, c.alpha);
    EXPECT_EQ(flag, c.flag);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Conditions,
    ::testing::Values(
        ConditionCase{"NotTakesTheRest", "if ! true | true alpha 0.25; else alpha 0.75;", 0, 0.75f, true},
        ConditionCase{"ParenthesesLimitNot", "if (! true) | true alpha 0.25; else alpha 0.75;", 0, 0.25f, true},
        ConditionCase{"XorOfEqual", "if true ^ true alpha 0.25; else alpha 0.75;", 0, 0.75f, true},
        ConditionCase{"XorOfDifferent", "if true ^ false alpha 0.25; else alpha 0.75;", 0, 0.25f, true},
        ConditionCase{"AndBindsTighterThanOr", "if true & false | true alpha 0.25; else alpha 0.75;", 0, 0.25f, true},
        ConditionCase{"AndBindsTighterThanOrOnTheRight", "if false | true & false alpha 0.25; else alpha 0.75;", 0, 0.75f, true},
        ConditionCase{"XorBindsTighterThanOr", "if true | true ^ true alpha 0.25; else alpha 0.75;", 0, 0.25f, true},
        ConditionCase{"TrackBeforeItsTurn", "if interpolate { 0: true, relative 0.5: false } alpha 0.25; else alpha 0.75;", 2.5f, 0.25f, true},
        ConditionCase{"TrackAfterItsTurn", "if interpolate { 0: true, relative 0.5: false } alpha 0.25; else alpha 0.75;", 7.5f, 0.75f, true},
        ConditionCase{"IfnotInverts", "ifnot true alpha 0.25; else alpha 0.75;", 0, 0.75f, true},
        ConditionCase{"IfnotWithoutElse", "ifnot true alpha 0.25;", 0, 1.0f, false},
        ConditionCase{"EmptyBodyLeavesTheCondition", "if true { }", 0, 1.0f, true},
        ConditionCase{"EmptyElseLeavesTheCondition", "if false alpha 0.25; else { ; }", 0, 1.0f, false},
        ConditionCase{"ElseIfChain", "if false alpha 0.25; else if true alpha 0.5; else alpha 0.75;", 0, 0.5f, true},
        ConditionCase{"OperandResult", "if culling 0; alpha 0.25; else alpha 0.75;", 0, 0.75f, true},
        ConditionCase{"BodyInBraces", "if wireframed 0; | culling 1; { alpha 0.5; alpha 0.25; }", 0, 0.25f, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(View3DTest, EveryOperandRunsOnEveryEvaluation) {
  ASSERT_TRUE(Compile(Entry("if false & tint (0.5, 0.5, 0.5); alpha 0.25;")));
  cVOXAview3D* view = View();
  for (int frame = 0; frame < 3; frame++) {
    view->tint[1] = 1.0f;
    bool flag = true;
    ASSERT_TRUE(view->commands[0]->Execute(0, 0, 0, &flag));
    EXPECT_EQ(view->tint[1], 0.5f) << "the operand after false ran";
    EXPECT_FALSE(flag);
  }
}

TEST_F(View3DTest, AFailingBodyCommandIsLoggedWithItsPathAndFlag) {
  ASSERT_TRUE(Compile(Entry("use \"names\";\nif false { } else { alpha 1; tint (1, 1, 1); frames 5; alpha 0; }")));
  cVOXAview3D* view = View();
  view->currentAnimation = nullptr;  // "frames" without an animation fails
  bool flag = false;
  EXPECT_FALSE(view->commands[1]->Execute(0, 0, 0, &flag));
  EXPECT_TRUE(Logged("view3D condition (second/alternative path) #2 failed (result is true)!"));
  EXPECT_EQ(view->alpha, 1.0f) << "the commands after it did not run";
}

TEST_F(View3DTest, AUseInABodyNamesTheAnimationForThatBodyOnly) {
  Scenes()["other"] = NamesOnlyScene;
  ASSERT_TRUE(Compile(Entry("use \"names\";\nif true { use \"other\"; draw \"thing\"; }\ndraw \"thing\";")));
  cVOXAview3D* view = View();
  auto* inner = dynamic_cast<cVOXA3Dconditional*>(view->commands[1]);
  ASSERT_NE(inner, nullptr);
  auto* innerUse = dynamic_cast<cVOXA3Duse*>(inner->pathCommands[1][0]);
  auto* outerUse = dynamic_cast<cVOXA3Duse*>(view->commands[0]);
  ASSERT_TRUE(innerUse && outerUse);
  EXPECT_NE(innerUse->animation, outerUse->animation);
  EXPECT_EQ(view->currentAnimation, outerUse->animation) << "put back after the body";
}

}  // namespace
}  // namespace view3dtest

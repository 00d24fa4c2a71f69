// The script syntax of interpolated values, read through the real tokenizer and
// parser: every written form, the track it gives, and every syntax error with
// its code and position.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/scriptread.h"
#include "tests/support/tempdir.h"
#include "threedee/scene/interpolatedvalues.h"

namespace {

using namespace VOXA2;

using Op = std::function<cView3Dinterpolator*(cParserT*)>;

// How the parse ended, and the track it gave.
struct Outcome : testsupport::ScriptRead {
  std::unique_ptr<cView3Dinterpolator> track;
};

class InterpolatedValues : public ::testing::Test {
 protected:
  Outcome Parse(const std::string& text, const Op& op) {
    Outcome out;
    static_cast<testsupport::ScriptRead&>(out) =
        testsupport::ReadScript(text, "values.txt", [&](cParserT* p) { out.track.reset(op(p)); });
    return out;
  }
  std::string Log() const { return testsupport::ReadFile("debug.txt"); }

  testsupport::ScopedTempDir dir_;
};

Op Floats(int n, float length) {
  return [=](cParserT* p) { return ParseInterpolator(p, n, length); };
}
Op Integer(float length) {
  return [=](cParserT* p) { return ParseEnumInterpolator(p, length); };
}
const tSymbolicName kBlendNames[] = {
    {0, tokIdentifier, "additive"}, {1, tokIdentifier, "mixing"}, {2, tokIdentifier, "subtractive"},
    {3, tokIdentifier, "filter"},   {0, tokDisabled, nullptr},    {1, tokEnabled, nullptr}};
const tSymbolicSplineDef kBlend{6, kBlendNames};
Op Symbolic(const tSymbolicSplineDef* table, float length) {
  return [=](cParserT* p) { return ParseSymbolicInterpolator(p, table, length); };
}
Op Rotation(float length) {
  return [=](cParserT* p) { return ParseRotationInterpolator(p, length); };
}
Op Text(float length) {
  return [=](cParserT* p) { return ParsePointerInterpolator(p, length); };
}

// The evaluated result as floats (a rotation as its 16 matrix entries).
std::vector<float> At(cView3Dinterpolator& track, float time) {
  track.Evaluate(time);
  if (auto* v = dynamic_cast<cView3Di_position*>(&track)) {
    return {v->GetValues(), v->GetValues() + v->GetComponentCount()};
  }
  if (auto* e = dynamic_cast<cView3Di_enum*>(&track)) return {static_cast<float>(e->value)};
  auto& r = dynamic_cast<cView3Di_rotation&>(track);
  return {r.GetMatrix(), r.GetMatrix() + 16};
}

// The matrix convention of the rotation tracks for a turn by a about z:
// row 0 = (cos a, sin a, 0), row 1 = (-sin a, cos a, 0).
std::vector<float> TurnAboutZ(double a) {
  const float c = static_cast<float>(std::cos(a)), s = static_cast<float>(std::sin(a));
  return {c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

struct Probe {
  float time;
  std::vector<float> expected;
};

struct GoodCase {
  const char* rule;
  const char* text;
  Op op;
  const char* className;
  int repeatMode;
  std::vector<Probe> probes;
};

TEST_F(InterpolatedValues, WrittenFormsGiveTheirTracks) {
  const double kQuarter = M_PI / 2;
  const GoodCase cases[] = {
      {"constant of three components",
       "(1, 0.5, 0)",
       Floats(3, 1),
       "VOXA2::cView3Di_position",
       0,
       {{0, {1, 0.5f, 0}}, {99, {1, 0.5f, 0}}}},
      {"constant expression", "2*3", Floats(1, 1), "VOXA2::cView3Di_position", 0, {{5, {6}}}},
      {"relative times scale by the length",
       "interpolate linear { 0: 0, relative 1: 10 }",
       Floats(1, 8),
       "VOXA2::cView3Di_linear",
       0,
       {{4, {5}}, {8, {10}}, {20, {10}}}},
      {"descriptor case ignored, loop then repeat, leading comma",
       "interpolate KBSpline loop repeat { , 0: 1 }",
       Floats(1, 1),
       "VOXA2::cView3Di_kbsplines",
       2,
       {{-3, {1}}, {7, {1}}}},
      {"kbspline keys",
       "interpolate kbspline { 0: 0, 1: 1, 2: 4 }",
       Floats(1, 1),
       "VOXA2::cView3Di_kbsplines",
       0,
       {{0.5f, {0.3125f}}}},
      {"softy with loop and two components",
       "interpolate softy loop { 0: (0, 0), 10: (10, 20) }",
       Floats(2, 1),
       "VOXA2::cView3Di_softy",
       1,
       {{2.5f, {1.5625f, 3.125f}}}},
      {"discreet repeats with the last key's time as period, never showing that key",
       "interpolate DISCREET repeat { 1: 5, 3: 7 }",
       Floats(1, 1),
       "VOXA2::cView3Di_discreet",
       2,
       {{2, {5}}, {3, {5}}, {4, {5}}, {5.5f, {5}}}},
      {"linear ramp",
       "linear 0 to 1",
       Floats(1, 50),
       "VOXA2::cView3Di_linear",
       0,
       {{25, {0.5f}}, {50, {1}}}},
      {"softy ramp of three components",
       "softy (0, 0, 0) to (1, 1, 1)",
       Floats(3, 50),
       "VOXA2::cView3Di_softy",
       0,
       {{12.5f, {0.15625f, 0.15625f, 0.15625f}}}},
      {"ramp word case ignored",
       "LINEAR 2 to 4",
       Floats(1, 10),
       "VOXA2::cView3Di_linear",
       0,
       {{5, {3}}}},
      {"integer constant", "3+4", Integer(1), "VOXA2::cView3Di_enum", 0, {{9, {7}}}},
      {"integer keys with relative time",
       "interpolate { 0: 1, relative 0.5: 0 }",
       Integer(10),
       "VOXA2::cView3Di_enum",
       0,
       {{4.9f, {1}}, {5, {0}}}},
      {"integer keys with loop and repeat",
       "interpolate loop repeat { 0: 2, 10: 3 }",
       Integer(1),
       "VOXA2::cView3Di_enum",
       2,
       {{15, {2}}}},
      {"symbolic word", "mixing", Symbolic(&kBlend, 1), "VOXA2::cView3Di_enum", 0, {{0, {1}}}},
      {"symbolic keyword", "enabled", Symbolic(&kBlend, 1), "VOXA2::cView3Di_enum", 0, {{0, {1}}}},
      {"symbolic keys",
       "interpolate { 0: filter, relative 1: additive }",
       Symbolic(&kBlend, 4),
       "VOXA2::cView3Di_enum",
       0,
       {{3, {3}}, {4, {0}}}},
      {"rotation constant, angle first",
       "(3.14159, 0, 0, 2)",
       Rotation(1),
       "VOXA2::cView3Di_linear_quat",
       0,
       {{7, TurnAboutZ(3.14159)}}},
      {"rotation keys",
       "interpolate linear { 0: (0, 0, 0, 1), 10: (1.5707964, 0, 0, 1) }",
       Rotation(1),
       "VOXA2::cView3Di_linear_quat",
       0,
       {{5, TurnAboutZ(kQuarter / 2)}}},
      {"rotation keys eased",
       "interpolate Softy { 0: (0, 0, 0, 1), 10: (1.5707964, 0, 0, 1) }",
       Rotation(1),
       "VOXA2::cView3Di_softy_quat",
       0,
       {{2.5f, TurnAboutZ(kQuarter * 0.15625)}}},
      {"rotation ramp, second relative to the first",
       "softy (1, 0, 0, 1) to (1.5707964, 0, 0, 1)",
       Rotation(10),
       "VOXA2::cView3Di_softy_quat",
       0,
       {{2.5f, TurnAboutZ(1 + kQuarter * 0.15625)}, {10, TurnAboutZ(1 + kQuarter)}}},
      {"rotation kbspline",
       "interpolate kbspline repeat { 0: (0, 0, 0, 1), 4: (1, 0, 0, 1) }",
       Rotation(1),
       "VOXA2::cView3Di_kbsplines_quat",
       2,
       {{4, TurnAboutZ(1)}}},
      {"rotation about a zero axis is none",
       "(1, 0, 0, 0)",
       Rotation(1),
       "VOXA2::cView3Di_linear_quat",
       0,
       {{0, TurnAboutZ(0)}}},
  };
  for (const GoodCase& c : cases) {
    SCOPED_TRACE(std::string(c.rule) + ": " + c.text);
    Outcome out = Parse(std::string(c.text) + " ;", c.op);
    ASSERT_TRUE(out.ok) << Log();
    ASSERT_TRUE(out.track);
    EXPECT_EQ(out.next, tokSemicolon);
    EXPECT_STREQ(out.track->ClassName(), c.className);
    EXPECT_EQ(out.track->repeatMode, c.repeatMode);
    for (const Probe& probe : c.probes) {
      const std::vector<float> got = At(*out.track, probe.time);
      ASSERT_EQ(got.size(), probe.expected.size());
      for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_NEAR(got[i], probe.expected[i], 2e-5) << "time " << probe.time << " entry " << i;
      }
    }
  }
}

TEST_F(InterpolatedValues, TextTracksOwnCopiesOfTheirTexts) {
  Outcome constant = Parse("\"sky.tga\";", Text(1));
  ASSERT_TRUE(constant.ok);
  auto* sky = dynamic_cast<cView3Di_pointer*>(constant.track.get());
  ASSERT_TRUE(sky);
  EXPECT_TRUE(sky->ownsValues);
  EXPECT_EQ(sky->GetKeyCount(), 0);
  EXPECT_STREQ(static_cast<const char*>(sky->value), "sky.tga");

  // The parser and its text are gone once Parse returns; the track still reads.
  Outcome keyed = Parse("interpolate loop { 0: \"a.tga\", relative 1: \"b.tga\" };", Text(2));
  ASSERT_TRUE(keyed.ok);
  auto* names = dynamic_cast<cView3Di_pointer*>(keyed.track.get());
  ASSERT_TRUE(names);
  EXPECT_EQ(names->repeatMode, cView3Dinterpolator::kRepeatLoop);
  EXPECT_EQ(names->GetKeyCount(), 2);
  names->Evaluate(1);
  EXPECT_STREQ(static_cast<const char*>(names->value), "a.tga");
  names->Evaluate(2);
  EXPECT_STREQ(static_cast<const char*>(names->value), "b.tga");
}

TEST_F(InterpolatedValues, KeyTimesThatDoNotIncreaseAreKeptAndReported) {
  Outcome out = Parse("interpolate kbspline { 0: 1, 5: 2, 5: 3, 4: 0, 9: 1 };", Floats(1, 1));
  ASSERT_TRUE(out.ok);
  EXPECT_NE(Log().find("values.txt(1,38) Warning: Key time 5 does not follow 5!"),
            std::string::npos)
      << Log();
  EXPECT_NE(Log().find("Warning: Key time 4 does not follow 5!"), std::string::npos);
  for (float t = -1; t < 10; t += 0.25f) EXPECT_TRUE(std::isfinite(At(*out.track, t)[0])) << t;
}

struct BadCase {
  const char* rule;
  const char* text;
  Op op;
  std::int32_t code;
  const char* message;
  std::int32_t line, column;
};

// LeakSanitizer also checks that a track half read when the error comes is
// released.
TEST_F(InterpolatedValues, SyntaxErrorsCarryTheirCodeAndPosition) {
  const BadCase cases[] = {
      {"N > 1 needs parentheses", "1", Floats(3, 1), 2, "( expected, but found Number!", 1, 2},
      {"exactly N values", "(1, 2)", Floats(3, 1), 2, ", expected, but found )!", 1, 7},
      {"repeat is case-sensitive", "interpolate linear Repeat { 0: 1 }", Floats(1, 1), 2,
       "{ expected, but found Identifier!", 1, 26},
      {"no comma before the brace", "interpolate linear { 0: 1, }", Floats(1, 1), 200,
       "Float expression expected!", 1, 29},
      {"unknown descriptor", "interpolate spline { 0: 1 }", Floats(1, 1), -1,
       "Unknown interpolation descriptor: \"spline\"", 1, 19},
      {"descriptor must be a word", "interpolate 5 { 0: 1 }", Floats(1, 1), -1,
       "Interpolation descriptor expected!", 1, 14},
      {"colon between time and value", "interpolate linear {\n  0: 1,\n  2 3\n}", Floats(1, 1), 2,
       ": expected, but found Number!", 3, 6},
      {"closing brace", "interpolate linear { 0: 1 ;", Floats(1, 1), 2, "} expected, but found ;!",
       1, 28},
      {"ramp needs to", "linear 0 1", Floats(1, 1), 2, "to expected, but found Number!", 1, 11},
      {"rotations have no discreet", "interpolate discreet { 0: (1, 0, 0, 1) }", Rotation(1), -1,
       "Unknown interpolation descriptor: \"discreet\"", 1, 21},
      {"rotation of four numbers", "(1, 0, 0)", Rotation(1), 2, ", expected, but found )!", 1, 10},
      {"symbolic words are case-sensitive", "Mixing", Symbolic(&kBlend, 1), -1,
       "Symbolic Spline Definition expected!", 1, 7},
      {"symbolic key values", "interpolate { 0: mixing, 1: blue }", Symbolic(&kBlend, 1), -1,
       "Symbolic Spline Definition expected!", 1, 33},
      {"symbolic value without a table", "mixing", Symbolic(nullptr, 1), -1,
       "Internal error: Symbolic Spline Definition is NULL!", 1, 7},
      {"integer expression", "interpolate { 0: }", Integer(1), 200, "Integer expression expected!",
       1, 19},
      {"text must be a string", "sky", Text(1), 2, "String expected, but found Identifier!", 1, 4},
      {"text keys must be strings", "interpolate { 0: \"a\", 1: b }", Text(1), 2,
       "String expected, but found Identifier!", 1, 27},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(std::string(c.rule) + ": " + c.text);
    Outcome out = Parse(c.text, c.op);
    EXPECT_FALSE(out.ok);
    EXPECT_FALSE(out.track);
    EXPECT_EQ(out.code, c.code);
    EXPECT_EQ(out.message, c.message);
    EXPECT_EQ(out.line, c.line);
    EXPECT_EQ(out.column, c.column);
  }
}

}  // namespace

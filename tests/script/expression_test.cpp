#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "script/parser.h"
#include "tests/script/script_fixture.h"

namespace {

using namespace VOXA2;
using scripttest::ScriptTest;

struct IntCase {
  const char* text;
  std::int32_t value;
  int next;  // the token the evaluator stops on
};

TEST_F(ScriptTest, IntegerExpressions) {
  const IntCase cases[] = {
      {"1 + 2 << 3", 17, tokEndOfFile},
      {"2 * 3 | 1", 6, tokEndOfFile},
      {"2 ** 3 ** 2", 512, tokEndOfFile},
      {"(1 < 2) + 1", 2, tokEndOfFile},
      {"1 < 2 < 3", 1, tokLess},
      {"1 << 33", 2, tokEndOfFile},
      {"-8 >> 1", -4, tokEndOfFile},
      {"1 >> -1", 0, tokEndOfFile},
      {"!0", 1, tokEndOfFile},
      {"!5", 0, tokEndOfFile},
      {"!!7", 1, tokEndOfFile},
      {"true + true", 2, tokEndOfFile},
      {"false", 0, tokEndOfFile},
      {"--3", 3, tokEndOfFile},
      {"7 / 2", 3, tokEndOfFile},
      {"-7 / 2", -3, tokEndOfFile},
      {"10 - 2 - 3", 5, tokEndOfFile},
      {"12 / 2 / 3", 2, tokEndOfFile},
      {"6 & 3 ^ 1", 3, tokEndOfFile},
      {"6 | 3 & 1", 7, tokEndOfFile},
      {"$ff & $0f", 15, tokEndOfFile},
      {"3 == 3", 1, tokEndOfFile},
      {"3 != 3", 0, tokEndOfFile},
      {"3 =< 3", 1, tokEndOfFile},
      {"2 => 3", 0, tokEndOfFile},
      {"-1 < 1", 1, tokEndOfFile},
      {"4 > 3 + 2", 0, tokEndOfFile},
      {"5 = 6", 5, tokAssign},
      {"3 ;", 3, tokSemicolon},
      {"((((2))))", 2, tokEndOfFile},
      // Wrapping in 32 bits.
      {"2147483647 + 1", std::numeric_limits<std::int32_t>::min(), tokEndOfFile},
      {"65536 * 65536", 0, tokEndOfFile},
      {"-2147483648", std::numeric_limits<std::int32_t>::min(), tokEndOfFile},
      {"-2147483648 / -1", std::numeric_limits<std::int32_t>::min(), tokEndOfFile},
      {"3 ** 21", 1870418611, tokEndOfFile},
      {"2 ** 2147483647", 0, tokEndOfFile},
      // Exponents of 0 and below.
      {"5 ** 0", 1, tokEndOfFile},
      {"0 ** 0", 1, tokEndOfFile},
      {"2 ** -1", 0, tokEndOfFile},
      {"1 ** -5", 1, tokEndOfFile},
      {"-1 ** -3", -1, tokEndOfFile},
      {"-1 ** -4", 1, tokEndOfFile},
      {"0 ** -1", 0, tokEndOfFile},
  };
  for (const IntCase& c : cases) {
    std::int32_t value = 12345;
    int next = -1;
    EXPECT_TRUE(Parse(c.text, [&](cParserT* p) {
      value = p->ParseIntExpression();
      next = p->token->code;
    })) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_EQ(next, c.next) << c.text;
  }
}

struct FloatCase {
  const char* text;
  float value;
  int next;
};

TEST_F(ScriptTest, FloatExpressions) {
  const float inf = std::numeric_limits<float>::infinity();
  const FloatCase cases[] = {
      {"7 / 2", 3.5f, tokEndOfFile},
      {"2 ** -1", 0.5f, tokEndOfFile},
      {"0 ** -1", inf, tokEndOfFile},
      {"1 ** 1000", 1.0f, tokEndOfFile},
      {"1 ** -3.5", 1.0f, tokEndOfFile},
      {"0 ** 0", 1.0f, tokEndOfFile},
      {"0 ** 2", 0.0f, tokEndOfFile},
      {"2 ** 3 ** 2", 512.0f, tokEndOfFile},
      {"4 ** 0.5", 2.0f, tokEndOfFile},
      {"10 ** 2", 100.0f, tokEndOfFile},
      {"true + true", 2.0f, tokEndOfFile},
      {"false * 3", 0.0f, tokEndOfFile},
      {"1 + 2 * 3", 7.0f, tokEndOfFile},
      {"(1 + 2) * 3", 9.0f, tokEndOfFile},
      {"10 - 4 - 3", 3.0f, tokEndOfFile},
      {"8 / 4 / 2", 1.0f, tokEndOfFile},
      {"-2 * 3", -6.0f, tokEndOfFile},
      {"2 * -3", -6.0f, tokEndOfFile},
      {"1.5e2 .5", 150.0f, tokDot},
      {"0.1 + 0.2", 0.1f + 0.2f, tokEndOfFile},
      {"3 , 4", 3.0f, tokComma},
      {"3 < 4", 3.0f, tokLess},
      {"16777216 + 1", 16777216.0f, tokEndOfFile},
  };
  for (const FloatCase& c : cases) {
    float value = 12345.0f;
    int next = -1;
    EXPECT_TRUE(Parse(c.text, [&](cParserT* p) {
      value = p->ParseFloatExpression();
      next = p->token->code;
    })) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_EQ(next, c.next) << c.text;
  }
}

TEST_F(ScriptTest, FloatPowerOfNegativeBaseIsNaN) {
  for (const char* text : {"-2 ** 2", "(-8) ** (1/3)"}) {
    float value = 0.0f;
    EXPECT_TRUE(Parse(text, [&](cParserT* p) { value = p->ParseFloatExpression(); }));
    EXPECT_TRUE(std::isnan(value)) << text;
  }
}

struct ExpressionError {
  const char* text;
  bool integer;
  const char* log;
};

TEST_F(ScriptTest, ExpressionErrors) {
  const ExpressionError cases[] = {
      {";", true, "main.txt(1,2) Error 200 occured: Integer expression expected!"},
      {";", false, "main.txt(1,2) Error 200 occured: Float expression expected!"},
      {"1.5", true, "main.txt(1,4) Error 200 occured: Integer expression expected!"},
      {"x", false, "main.txt(1,2) Error 200 occured: Float expression expected!"},
      {"\"s\"", false, "main.txt(1,4) Error 200 occured: Float expression expected!"},
      {"!1", false, "main.txt(1,2) Error 200 occured: Float expression expected!"},
      {")", true, "main.txt(1,2) Error 200 occured: Integer expression expected!"},
      {"1 +", true, "main.txt(1,4) Error 200 occured: Integer expression expected!"},
      {"", true, "main.txt(1,1) Error 200 occured: Integer expression expected!"},
      {"1 / 0", true, "main.txt(1,6) Error 201 occured: Division by zero!"},
      {"1 / (2 - 2)", true, "main.txt(1,12) Error 201 occured: Division by zero!"},
      {"1 / 0", false, "main.txt(1,6) Error 201 occured: Division by zero!"},
      {"1 / -0.0", false, "main.txt(1,9) Error 201 occured: Division by zero!"},
      {"(1 + 2", true, "main.txt(1,7) Error 2 occured: ) expected, but found <end of file>!"},
      {"(1 + 2;", false, "main.txt(1,8) Error 2 occured: ) expected, but found ;!"},
  };
  for (const ExpressionError& c : cases) {
    std::remove("debug.txt");
    bool returned = false;
    EXPECT_FALSE(Parse(c.text, [&](cParserT* p) {
      if (c.integer)
        p->ParseIntExpression();
      else
        p->ParseFloatExpression();
      returned = true;
    })) << c.text;
    EXPECT_FALSE(returned) << c.text;
    EXPECT_EQ(FirstLogLine(), c.log) << c.text;
  }
}

TEST_F(ScriptTest, DeepNestingIsRefused) {
  const std::string deep = std::string(100000, '(') + "1";
  for (bool integer : {true, false}) {
    std::remove("debug.txt");
    EXPECT_FALSE(Parse(deep, [&](cParserT* p) {
      if (integer)
        p->ParseIntExpression();
      else
        p->ParseFloatExpression();
    }));
    EXPECT_NE(FirstLogLine().find("Error 200 occured: Expression nested too deeply!"),
              std::string::npos);
  }
  std::remove("debug.txt");
  EXPECT_FALSE(Parse(std::string(100000, '-') + "1", [](cParserT* p) { p->ParseIntExpression(); }));
  EXPECT_NE(FirstLogLine().find("Expression nested too deeply!"), std::string::npos);
}

}  // namespace

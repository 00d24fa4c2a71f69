#include "script/tokens.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/script/script_fixture.h"

namespace {

using namespace VOXA2;
using scripttest::ScriptTest;

TEST(TokenTable, DisplayTexts) {
  struct Case {
    int code;
    const char* text;
  } cases[] = {
      {0, "<none>"}, {1, "<end of file>"}, {2, "{"},          {11, "\\"},         {16, "<unknown>"},
      {18, "|"},     {21, "**"},           {28, "<="},        {29, ">="},         {31, "?"},
      {49, "bod"},   {50, "eod"},          {80, "false"},     {81, "Identifier"}, {82, "Number"},
      {83, "Float"}, {84, "String"},       {85, "<unknown>"}, {-1, "<unknown>"},
  };
  for (const Case& c : cases) EXPECT_STREQ(cToken::GetTypeName(c.code), c.text) << c.code;
}

TEST(TokenTable, KeywordLookupIsExactAndCaseSensitive) {
  struct Case {
    const char* text;
    int code;
  } cases[] = {
      {"pipeline", 32},    {"Pipeline", 81}, {"pipeline2", 81}, {"bod", 49},          {"eod", 50},
      {"interpolate", 78}, {"true", 79},     {"false", 80},     {"clearzbuffer", 60}, {"main", 34},
      {"Main", 81},        {"{", 2},         {"", 81},
  };
  for (const Case& c : cases) EXPECT_EQ(LookupKeyword(c.text), c.code) << c.text;
}

struct TokenCase {
  const char* name;
  std::string text;
  std::string tokens;
  friend void PrintTo(const TokenCase& c, std::ostream* os) { *os << c.name; }
};

class Tokenizer : public ScriptTest, public ::testing::WithParamInterface<TokenCase> {};

TEST_P(Tokenizer, Yields) { EXPECT_EQ(Tokens(GetParam().text), GetParam().tokens); }

const TokenCase tokenCases[] = {
    // Operators that share a first character.
    {"LessEqualIsEqualsFirst", "a=<b", "81:a 28 81:b"},
    {"LessThenAssign", "a<=b", "81:a 26 25 81:b"},
    {"GreaterEqual", "a=>b >= c", "81:a 29 81:b 27 25 81:c"},
    {"Shifts", "<< >> < >", "23 22 26 27"},
    {"EqualAndAssign", "== = !=!", "24 25 30 19"},
    {"PowerAndStar", "** * *", "21 14 14"},
    {"Punctuation", "{}();,:'.\\+-/?&^|", "2 3 4 5 6 7 8 9 10 11 12 13 15 31 17 20 18"},
    // Numbers in every notation.
    {"FloatWithExponent", "x = 1.5e2;", "81:x 25 83:150 6"},
    {"NegativeExponent", "2.5e-2", "83:0.025"},
    {"PlusExponent", "3e+2", "83:300"},
    {"IntegerExponent", "3e2", "83:300"},
    {"ExponentWithoutDigits", "1E", "83:1"},
    {"TrailingDot", "1.", "83:1"},
    {"LeadingDot", ".5", "10 82:5"},
    {"TwoDots", "1.5.2", "83:1.5 10 82:2"},
    {"NumberThenIdentifier", "12abc", "82:12 81:abc"},
    {"HexLower", "$ff", "82:255"},
    {"HexUpper", "$FF", "82:255"},
    {"LoneDollar", "$", "82:0"},
    {"HexWraps", "$100000001", "82:1"},
    {"DecimalWraps", "4294967297", "82:1"},
    {"NoSign", "-5", "13 82:5"},
    // Strings with every escape.
    {"SlashesInString", "\"a//b/*c\"", "84:a//b/*c"},
    {"UnknownEscape", "\"\\q\"", "84:q"},
    {"OctalEscape", "\"\\101\"", "84:A"},
    {"ShortOctalEscape", "\"\\62x\"", "84:2x"},
    {"OctalStopsAfterThree", "\"\\1011\"", "84:A1"},
    {"HexEscape", "\"\\x41\"", "84:A"},
    {"HexEscapeTwoDigitsOnly", "\"\\x414\"", "84:A4"},
    {"HexEscapeWithoutDigit", "\"\\xg\"", "84:xg"},
    {"QuoteEscapes", "\"\\\"\\'\\\\\"", "84:\"'\\"},
    {"ControlEscapes", "\"\\a\\b\\f\\n\\r\\t\\v\"", "84:\a\b\f\n\r\t\v"},
    {"EscapedNulEndsText", "\"ab\\0cd\"", "84:ab"},
    {"StringSpansLines", "\"a\nb\"", "84:a\nb"},
    // Comments.
    {"BlockCommentSeparates", "a/**/b", "81:a 81:b"},
    {"SlashOperator", "a / b", "81:a 15 81:b"},
    {"LineCommentEndsToken", "abc//x\ny", "81:abc 81:y"},
    {"ShortBlockComment", "a/*/b", "81:a 81:b"},
    {"SlashStarSlashCloses", "a /*/ b */ c", "81:a 81:b 14 15 81:c"},
    {"BlockCommentsDoNotNest", "a /* /* */ b */", "81:a 81:b 14 15"},
    {"UnclosedBlockComment", "a /* b", "81:a"},
    {"CommentAtStart", "// c\n/* d */x", "81:x"},
    // Identifiers and keywords.
    {"HighBytesAreLetters", "\xe4\xf6\xfc \xff_9", "81:\xe4\xf6\xfc 81:\xff_9"},
    {"Keywords", "pipeline Pipeline true", "32 81:Pipeline 79"},
    {"NulEndsTokens", std::string("a\0b", 3), "81:a"},
    {"Empty", "", ""},
    {"OnlyComments", "  // x\n /* y */ \n", ""},
};

INSTANTIATE_TEST_SUITE_P(Table, Tokenizer, ::testing::ValuesIn(tokenCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptTest, KeywordTokensCarryTheirText) {
  ASSERT_TRUE(Parse("true false", [](cParserT* p) {
    auto* ident = dynamic_cast<cIdentToken*>(p->token.get());
    ASSERT_NE(ident, nullptr);
    EXPECT_EQ(ident->code, tokTrue);
    EXPECT_EQ(ident->text, "true");
  }));
}

TEST_F(ScriptTest, EndOfFileRepeats) {
  ASSERT_TRUE(Parse("x", [](cParserT* p) {
    EXPECT_EQ(p->GetToken(), tokEndOfFile);
    EXPECT_EQ(p->GetToken(), tokEndOfFile);
    EXPECT_EQ(p->token->code, tokEndOfFile);
  }));
}

struct BadCase {
  const char* name;
  const char* text;
  const char* log;
  friend void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }
};

class TokenizerError : public ScriptTest, public ::testing::WithParamInterface<BadCase> {};

TEST_P(TokenizerError, IsLogged) {
  EXPECT_FALSE(Parse(GetParam().text, [](cParserT* p) {
    while (p->token->code != tokEndOfFile) p->GetToken();
  }));
  EXPECT_EQ(FirstLogLine(), GetParam().log);
}

const BadCase badCases[] = {
    {"BadCharacter", "a\n  @", "main.txt(2,3) Error 3 occured: what's this: \"@\" (64d, 40h)"},
    {"BadCharacterAfterTab", "\t`", "main.txt(1,9) Error 3 occured: what's this: \"`\" (96d, 60h)"},
    {"UnterminatedString", "x \"abc", "main.txt(1,7) Error 10 occured: Unterminated string!"},
    {"UnterminatedEscape", "\"abc\\", "main.txt(1,6) Error 10 occured: Unterminated string!"},
};

INSTANTIATE_TEST_SUITE_P(Table, TokenizerError, ::testing::ValuesIn(badCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

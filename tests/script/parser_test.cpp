#include "script/parser.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/streams.h"
#include "tests/script/script_fixture.h"

namespace {

using namespace VOXA2;
using scripttest::ScriptTest;

TEST_F(ScriptTest, OnlyWhiteSpaceAndCommentsGiveEndOfFile) {
  int first = -1;
  EXPECT_TRUE(Parse(" \n// x\n/* y */\t", [&](cParserT* p) { first = p->token->code; }));
  EXPECT_EQ(first, tokEndOfFile);
}

TEST_F(ScriptTest, EmptyFileParses) {
  int first = -1;
  EXPECT_TRUE(Parse("", [&](cParserT* p) { first = p->token->code; }));
  EXPECT_EQ(first, tokEndOfFile);
}

TEST_F(ScriptTest, MissingFileFailsWithoutLogging) {
  bool called = false;
  EXPECT_FALSE(ParseNamed("nothere.txt", [&](cParserT*) { called = true; }));
  EXPECT_FALSE(called);
  EXPECT_EQ(Log(), "");
  EXPECT_FALSE(parser.ParseFile(nullptr, nullptr, nullptr));
}

TEST_F(ScriptTest, CallbackErrorIsLoggedWithItsPlace) {
  AddFile("s.txt", "a\nb\n  c d ");
  EXPECT_FALSE(ParseNamed("s.txt", [](cParserT* p) {
    while (p->token->code != tokEndOfFile) {
      auto* ident = dynamic_cast<cIdentToken*>(p->token.get());
      if (ident->text == "c") p->Error(100, "Syntax error!");
      p->GetToken();
    }
  }));
  // The reader stands on the blank behind c: line 3, column 4.
  EXPECT_EQ(Log(), "s.txt(3,4) Error 100 occured: Syntax error!\n\n");
  EXPECT_EQ(parser.token, nullptr);
}

TEST_F(ScriptTest, ErrorLineShapes) {
  struct Case {
    int code;
    const char* message;
    const char* log;
  } cases[] = {
      {100, "Syntax error!", "main.txt(1,2) Error 100 occured: Syntax error!"},
      {5, nullptr, "main.txt(1,2) Error 5 occured!"},
      {-1, "Texture x is no screen texture!", "main.txt(1,2) Texture x is no screen texture!"},
  };
  for (const Case& c : cases) {
    std::remove("debug.txt");
    EXPECT_FALSE(Parse("x", [&](cParserT* p) {
      if (c.message)
        p->Error(c.code, "%s", c.message);
      else
        p->Error(c.code);
    }));
    EXPECT_EQ(FirstLogLine(), c.log);
  }
}

TEST_F(ScriptTest, CallbackStopsAtTheFirstError) {
  bool after = false;
  EXPECT_FALSE(Parse("x", [&](cParserT* p) {
    p->Error(101, "Syntax error!");
    after = true;
  }));
  EXPECT_FALSE(after);
}

TEST_F(ScriptTest, OtherErrorsPassThroughTheParser) {
  try {
    Parse("x", [](cParserT*) { throw new VOXA::errors::eOutOfMemory("Out of memory"); });
    FAIL() << "nothing thrown";
  } catch (VOXA::errors::eError* error) {
    delete error;
  }
  EXPECT_EQ(Log(), "");
}

TEST_F(ScriptTest, ExpectPromotesNumberToFloat) {
  ASSERT_TRUE(Parse("5 x", [](cParserT* p) {
    p->Check(tokFloat);
    auto* value = dynamic_cast<cFloatToken*>(p->token.get());
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->value, 5.0f);
    p->Expect(tokFloat);
    EXPECT_EQ(p->token->code, tokIdentifier);
    p->Expect(tokIdentifier);
    EXPECT_EQ(p->token->code, tokEndOfFile);
  }));
}

TEST_F(ScriptTest, CheckRefusesFloatForNumber) {
  EXPECT_FALSE(Parse("5.0", [](cParserT* p) { p->Check(tokNumber); }));
  EXPECT_EQ(FirstLogLine(), "main.txt(1,4) Error 2 occured: Number expected, but found Float!");
}

TEST_F(ScriptTest, ExpectNamesBothTokens) {
  EXPECT_FALSE(Parse("pipeline x {", [](cParserT* p) {
    p->Expect(tokPipeline);
    p->Expect(tokIdentifier);
    p->Expect(tokCloseBrace);
  }));
  EXPECT_EQ(FirstLogLine(), "main.txt(1,13) Error 2 occured: } expected, but found {!");
}

TEST(Parser, ExpectAndCheckWithNothingOpen) {
  cParser parser;
  EXPECT_NO_THROW(parser.Check(tokNumber));
  EXPECT_NO_THROW(parser.Expect(tokNumber));
  EXPECT_EQ(parser.token, nullptr);
  EXPECT_EQ(parser.GetToken(), tokNone);
  EXPECT_EQ(parser.ParseIntExpression(), 0);
  EXPECT_EQ(parser.ParseFloatExpression(), 0.0f);
  EXPECT_FALSE(parser.Run(nullptr, nullptr));
}

TEST_F(ScriptTest, ParseStreamKeepsTheCallersName) {
  char text[] = "a ERR";
  TMemFile stream(text, 5, true);
  parser.SetSourceName("stream.dsc");
  EXPECT_FALSE(parser.ParseStream(
      &stream, [](cParserT* p, void*) { p->Expect(tokIdentifier), p->Expect(tokNumber); },
      nullptr));
  EXPECT_EQ(FirstLogLine(),
            "stream.dsc(1,6) Error 2 occured: Number expected, but found Identifier!");
}

}  // namespace

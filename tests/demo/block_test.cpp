// The helpers that every command's block is read with, run on one-line blocks
// through the real tokenizer and parser.
#include "demo/block.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "tests/support/scriptread.h"
#include "tests/support/tempdir.h"

namespace {

using namespace VOXA2;
using Op = std::function<void(cParserT*)>;

class Block : public ::testing::Test {
 protected:
  testsupport::ScriptRead Read(const std::string& text, const Op& op) {
    return testsupport::ReadScript(text, "block.txt", op);
  }

  testsupport::ScopedTempDir dir_;
};

TEST_F(Block, AClosingBraceEndsTheBlockAndIsConsumedASemicolonIsSkipped) {
  struct Row {
    const char* rule;
    const char* text;
    bool ended, skipped;
    std::int32_t next;
  };
  const Row rows[] = {
      {"\"}\" ends the block and is consumed", "}", true, false, tokEndOfFile},
      {"\";\" is consumed and reported skipped", "; }", false, true, tokCloseBrace},
      {"a statement stays current", "size }", false, false, tokIdentifier},
  };
  for (const Row& row : rows) {
    bool ended = false, skipped = true;
    testsupport::ScriptRead out =
        Read(row.text, [&](cParserT* p) { ended = AtBlockEnd(p, &skipped); });
    ASSERT_TRUE(out.ok) << row.rule;
    EXPECT_EQ(ended, row.ended) << row.rule;
    EXPECT_EQ(skipped, row.skipped) << row.rule;
    EXPECT_EQ(out.next, row.next) << row.rule;
  }
}

TEST_F(Block, WordsMatchInAnyCaseOrExactly) {
  struct Row {
    const char* text;
    const char* word;
    bool anyCase, exact;
  };
  const Row rows[] = {
      {"size", "size", true, true},       {"SiZe", "size", true, false},
      {"sizes", "size", false, false},    {"siz", "size", false, false},
      {"\"size\"", "size", false, false},
  };
  for (const Row& row : rows) {
    bool anyCase = false, exact = false;
    testsupport::ScriptRead out = Read(row.text, [&](cParserT* p) {
      anyCase = IsWordAnyCase(p, row.word);
      exact = IsExactWord(p, row.word);
    });
    ASSERT_TRUE(out.ok) << row.text;
    EXPECT_EQ(anyCase, row.anyCase) << row.text;
    EXPECT_EQ(exact, row.exact) << row.text;
  }
}

TEST_F(Block, FileNameIsTheStringAfterTheKeyword) {
  std::string name;
  testsupport::ScriptRead out =
      Read("file \"logo.pcx\";", [&](cParserT* p) { name = ReadFileName(p); });
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(name, "logo.pcx");
  EXPECT_EQ(out.next, tokSemicolon);
}

TEST_F(Block, TrackIsTheValueAfterTheKeyword) {
  std::unique_ptr<cView3Di_position> track;
  testsupport::ScriptRead out =
      Read("alpha (0.25, 4);", [&](cParserT* p) { track.reset(ReadTrack(p, 2, 1.0f)); });
  ASSERT_TRUE(out.ok);
  ASSERT_NE(track, nullptr);
  EXPECT_FLOAT_EQ(track->GetValues()[0], 0.25f);
  EXPECT_FLOAT_EQ(track->GetValues()[1], 4.0f);
  EXPECT_EQ(out.next, tokSemicolon);
}

TEST_F(Block, ErrorsCarryTheirCodeAndTheCurrentPosition) {
  struct Row {
    const char* rule;
    const char* text;
    Op op;
    testsupport::RaisedError raised;
  };
  const Row rows[] = {
      {"syntax error",
       "\n  size",
       [](cParserT* p) { BlockSyntaxError(p); },
       {201, "Syntax error!", 2, 7}},
      {"a file name must be a string",
       "file a;",
       [](cParserT* p) { ReadFileName(p); },
       {2, "String expected, but found Identifier!", 1, 7}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.rule);
    testsupport::ExpectRaised(Read(row.text, row.op), row.raised);
  }
}

}  // namespace

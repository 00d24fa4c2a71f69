#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/streams.h"
#include "script/parser.h"
#include "tests/script/script_fixture.h"
#include "tests/support/tempdir.h"

namespace {

using namespace VOXA2;

struct Place {
  char c;
  int line;
  int column;
};

// Every character the base reader steps onto, with its place.
std::vector<Place> Walk(cParserR& reader) {
  std::vector<Place> places;
  places.push_back({static_cast<char>(reader.current), reader.line, reader.column});
  while (reader.remaining > 1) {
    reader.NextChar();
    places.push_back({static_cast<char>(reader.current), reader.line, reader.column});
  }
  return places;
}

int LineOf(const std::vector<Place>& places, char c) {
  for (const Place& p : places)
    if (p.c == c) return p.line;
  return -1;
}

TEST(SourceReader, EveryKindOfLineBreakCountsOnce) {
  cParserR reader;
  const std::string text = "a\r\nb\rc\n\rd\n\ne";
  ASSERT_TRUE(reader.LoadBytes(text.data(), static_cast<int>(text.size())));
  std::vector<Place> places = Walk(reader);
  EXPECT_EQ(LineOf(places, 'a'), 1);
  EXPECT_EQ(LineOf(places, 'b'), 2);
  EXPECT_EQ(LineOf(places, 'c'), 3);
  EXPECT_EQ(LineOf(places, 'd'), 4);
  EXPECT_EQ(LineOf(places, 'e'), 6);
}

TEST(SourceReader, TabsMoveToTheNextMultipleOfEight) {
  struct Case {
    const char* text;
    char probe;
    int column;
  } cases[] = {
      {"\tx", '\t', 8},       {"\tx", 'x', 9},          {"ab\tx", 'x', 9},
      {"abcdefg\tx", 'x', 9}, {"abcdefgh\tx", 'x', 17}, {"a\n\tx", 'x', 9},
  };
  for (const Case& c : cases) {
    cParserR reader;
    ASSERT_TRUE(reader.LoadBytes(c.text, static_cast<int>(std::string(c.text).size())));
    int column = -1;
    for (const Place& p : Walk(reader))
      if (p.c == c.probe) column = p.column;
    EXPECT_EQ(column, c.column) << c.text;
  }
}

TEST(SourceReader, NothingMovesAfterTheLastCharacter) {
  cParserR reader;
  ASSERT_TRUE(reader.LoadBytes("ab", 2));
  reader.NextChar();
  EXPECT_EQ(reader.NextChar(), 0);  // onto the terminating NUL
  EXPECT_EQ(reader.remaining, 0);
  const int line = reader.line, column = reader.column;
  EXPECT_EQ(reader.NextChar(), 0);
  EXPECT_EQ(reader.current, 0);
  EXPECT_EQ(reader.line, line);
  EXPECT_EQ(reader.column, column);
}

TEST(SourceReader, InsertedTextIsReadFirst) {
  cParserR reader;
  ASSERT_TRUE(reader.LoadBytes("abc", 3));
  reader.NextChar();  // on b
  reader.InsertText(reader.Position(), "XY");
  std::string read(1, static_cast<char>(reader.current));
  while (reader.remaining > 1) read += static_cast<char>(reader.NextChar());
  EXPECT_EQ(read, "XYbc");
  EXPECT_STREQ(reader.Text(), "aXYbc");
}

TEST(SourceReader, DeleteTextMovesThePosition) {
  struct Case {
    int at;  // position before the edit
    int offset, count;
    const char* text;
    char current;
  } cases[] = {
      {5, 1, 2, "adefg", 'f'},  // after the range: moves down
      {2, 1, 3, "aefg", 'e'},   // inside: moves to the offset
      {0, 2, 2, "abefg", 'a'},  // before: stays
      {3, 4, 99, "abcd", 'd'},  // count cut to the text
  };
  for (const Case& c : cases) {
    cParserR reader;
    ASSERT_TRUE(reader.LoadBytes("abcdefg", 7));
    for (int i = 0; i < c.at; i++) reader.NextChar();
    reader.DeleteText(c.offset, c.count);
    EXPECT_STREQ(reader.Text(), c.text);
    EXPECT_EQ(reader.current, c.current) << c.text;
    EXPECT_EQ(reader.remaining, reader.length - reader.Position());
  }
}

TEST(SourceReader, ExtractAndPeek) {
  cParserR reader;
  ASSERT_TRUE(reader.LoadBytes("hello", 5));
  EXPECT_EQ(reader.Extract(1, 3), "ell");
  EXPECT_EQ(reader.Extract(3, 99), "lo");
  EXPECT_EQ(reader.Extract(1, -1), "");
  EXPECT_EQ(reader.PeekBackChar(), 0);
  EXPECT_EQ(reader.PeekChar(), 'e');
  reader.NextChar();
  EXPECT_EQ(reader.PeekBackChar(), 'h');
}

TEST(SourceReader, LoadStreamReadsTheWholeStream) {
  char data[] = "x y";
  TMemFile stream(data, 3, true);
  cParserR reader;
  ASSERT_TRUE(reader.LoadStream(&stream));
  EXPECT_EQ(reader.length, 3);
  EXPECT_EQ(reader.current, 'x');
  EXPECT_EQ(reader.line, 1);
  EXPECT_EQ(reader.column, 1);
  EXPECT_FALSE(reader.LoadStream(nullptr));
  EXPECT_FALSE(reader.open);
}

TEST(SourceReader, ErrorWithNothingOpenDoesNothing) {
  cParserR reader;
  EXPECT_NO_THROW(reader.Error(100, "Syntax error!"));
  EXPECT_NO_THROW(reader.Error(100));
}

TEST(SourceReader, ErrorThrowsTheCodeAndTheCutMessage) {
  cParserR reader;
  ASSERT_TRUE(reader.LoadBytes("x", 1));
  const std::string longName(400, 'n');
  try {
    reader.Error(7, "%s was already defined!", longName.c_str());
    FAIL() << "no error";
  } catch (cParserR::CompilerError* error) {
    EXPECT_EQ(error->code, 7);
    ASSERT_NE(error->GetMessage(), nullptr);
    EXPECT_EQ(std::string(error->GetMessage()), std::string(255, 'n'));
    delete error;
  }
  try {
    reader.Error(-1);
    FAIL() << "no error";
  } catch (cParserR::CompilerError* error) {
    EXPECT_EQ(error->code, -1);
    EXPECT_EQ(error->GetMessage(), nullptr);
    delete error;
  }
}

TEST(SourceReader, MessagesCarryNameLineAndColumn) {
  testsupport::ScopedTempDir dir;
  cParserR reader;
  const std::string text = "\n\n\n\n\n\n\n\n\n\n\n    x";
  ASSERT_TRUE(reader.LoadBytes(text.data(), static_cast<int>(text.size())));
  while (reader.current != 'x') reader.NextChar();
  reader.Warning("unnamed");
  reader.SetSourceName("scene.t3d");
  reader.Warning("odd value %i", 3);
  reader.Message(nullptr, "%s", std::string(300, 'm').c_str());
  EXPECT_EQ(testsupport::ReadFile("debug.txt"),
            "<unknown>(12,5) Warning: unnamed\n"
            "scene.t3d(12,5) Warning: odd value 3\n"
            "scene.t3d(12,5) " +
                std::string(255, 'm') + "\n");
}

}  // namespace

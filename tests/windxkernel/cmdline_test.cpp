#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "windxkernel/application.h"

using Words = std::vector<std::string>;

TEST(CommandLine, SplitsAsTheMainRoutineDoes) {
  struct Row {
    const char* rule;
    const char* line;
    Words words;
  };
  const Row rows[] = {
      {"blanks separate, quotes group, a doubled quote is one quote",
       R"(a "b c" "x""y" d)",
       {"a", "b c", "x\"y", "d"}},
      {"a word may start right behind a closing quote", R"("abc"def)", {"abc", "def"}},
      {"an open quote runs to the end of the line",
       R"(a "open quote here)",
       {"a", "open quote here"}},
      {"quotes inside an unquoted word are ordinary", R"(x"y z)", {"x\"y", "z"}},
      {"runs of blanks, leading and trailing", "   lead    trail   ", {"lead", "trail"}},
      {"an empty quoted word is a word", R"("" b)", {"", "b"}},
      {"only the blank separates; a tab is part of a word", "a\tb c", {"a\tb", "c"}},
      {"an empty line has no words", "", {}},
  };
  for (const Row& row : rows) EXPECT_EQ(kernel::SplitCommandLine(row.line), row.words) << row.rule;
}

TEST(CommandLine, JoinedArgumentsSplitBackUnchanged) {
  const char* argv[] = {"debugmode", "with blank", "quote\"inside", "", "\"", "windowed"};
  std::string line = kernel::JoinCommandLine(6, argv);
  EXPECT_EQ(kernel::SplitCommandLine(line.c_str()),
            (Words{"debugmode", "with blank", "quote\"inside", "", "\"", "windowed"}));
}

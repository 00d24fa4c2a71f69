#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "windxkernel/application.h"
#include "windxkernel/options.h"

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


// What the entry point makes of its arguments before anything starts.
TEST(CommandLine, HelpAndVersionWinAndAnythingButTheFourWordsIsRefused) {
  using Verdict = kernel::tCommandLine::Verdict;
  struct Row {
    Words args;
    Verdict verdict;
    const char* refused;
    bool directLaunch;
  };
  const Row rows[] = {
      {{}, Verdict::Run, "", false},
      {{"DebugMode", "WINDOWED", "nosound", "directLaunch"}, Verdict::Run, "", true},
      {{"--help"}, Verdict::Help, "", false},
      {{"windowed", "-h"}, Verdict::Help, "", false},
      {{"--windowed", "--version"}, Verdict::Version, "", false},
      {{"--version", "--help"}, Verdict::Version, "", false},  // the first of them
      {{"windowed", "--windowed", "nosund"}, Verdict::Refused, "--windowed", false},
      {{"directlaunch", "-H"}, Verdict::Refused, "-H", true},
      {{""}, Verdict::Refused, "", false},
  };
  for (const Row& row : rows) {
    std::vector<const char*> argv;
    for (const std::string& a : row.args) argv.push_back(a.c_str());
    const kernel::tCommandLine line =
        kernel::ReadCommandLine(static_cast<int>(argv.size()), argv.data());
    const std::string what = testing::PrintToString(row.args);
    EXPECT_EQ(line.verdict, row.verdict) << what;
    EXPECT_EQ(line.refused, row.refused) << what;
    if (row.verdict == Verdict::Run || row.verdict == Verdict::Refused) {
      EXPECT_EQ(line.directLaunch, row.directLaunch) << what;
    }
  }
  EXPECT_EQ(kernel::RefusalLine("--windowed"),
            "unknown option \"--windowed\"; the options are debugmode, windowed, nosound, "
            "directlaunch (--help tells more)");
}

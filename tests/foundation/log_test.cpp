// The foundation runs here without the kernel: its lines go to debug.txt in
// the current folder through a sink of the tests' own, the way the kernel's
// log writes them while no application exists.
#include "foundation/log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/tempdir.h"

namespace {

void AppendToDebugFile(int, const char* format, va_list args) {
  std::FILE* f = std::fopen("debug.txt", "a");
  if (!f) return;
  std::vfprintf(f, format, args);
  std::fputc('\n', f);
  std::fclose(f);
}

// Before any test runs, so the readers' tests find their lines.
[[maybe_unused]] const bool sinkPlugged =
    (VOXA::logging::SetLogSink(&AppendToDebugFile), true);

struct Line {
  int level;
  std::string text;
};
std::vector<Line> caught;

void Catch(int level, const char* format, va_list args) {
  char text[64];
  std::vsnprintf(text, sizeof text, format, args);
  caught.push_back({level, text});
}

}  // namespace

TEST(FoundationLog, TheSinkGetsTheLevelAndTheFormattedLine) {
  caught.clear();
  VOXA::logging::SetLogSink(&Catch);
  VOXA::logging::LogMessage(5, "member \"%s\" refused at %d", "a.txt", 12);
  VOXA::logging::SetLogSink(&AppendToDebugFile);
  ASSERT_EQ(caught.size(), 1u);
  EXPECT_EQ(caught[0].level, 5);
  EXPECT_EQ(caught[0].text, "member \"a.txt\" refused at 12");
}

TEST(FoundationLog, WithoutASinkLinesAreDropped) {
  testsupport::ScopedTempDir dir;
  VOXA::logging::SetLogSink(nullptr);
  VOXA::logging::LogMessage(5, "dropped %d", 1);
  VOXA::logging::SetLogSink(&AppendToDebugFile);
  VOXA::logging::LogMessage(5, "kept %d", 2);
  EXPECT_EQ(testsupport::ReadFile("debug.txt"), "kept 2\n");
}

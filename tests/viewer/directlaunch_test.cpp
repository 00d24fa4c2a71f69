// The whole program in this process on the headless display, started with
// "directlaunch" on small data trees: the first catalogue's default demo plays
// to its end, and every road that cannot start it ends the program with 1.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/display_fixture.h"
#include "windxkernel/application.h"
#include "windxkernel/debuglog.h"

namespace {

void WriteText(const std::filesystem::path& path, const std::string& text) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

void WritePng(const std::filesystem::path& path, int width, int height, std::uint32_t rgb) {
  std::filesystem::create_directories(path.parent_path());
  std::vector<std::uint8_t> pixels;
  for (int i = 0; i < width * height; i++)
    pixels.insert(pixels.end(),
                  {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                   static_cast<std::uint8_t>(rgb)});
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr));
}

// Whether lines holds lines starting with each of want, in this order.
bool StartsInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& want) {
  auto it = lines.begin();
  for (const std::string& w : want) {
    it = std::find_if(it, lines.end(), [&](const std::string& l) { return l.rfind(w, 0) == 0; });
    if (it == lines.end()) return false;
    ++it;
  }
  return true;
}

bool HasLineStarting(const std::vector<std::string>& lines, const std::string& start) {
  return StartsInOrder(lines, {start});
}

const char* const kStill =
    "pipeline p { entry 0 : 1 : clear { buffer DDSsecondary; color (0, 0, 255); } }\n"
    "sequence s { length 1; relative length 1; pipeline p; }\n"
    "main() { sequence s; eod 0.2; }\n";

// A catalogue in data\ with two demos, the second the default, each with its
// own loading picture.
void WriteGoodTree() {
  WriteText(
      "data/demo.ini",
      "demo first { title \"First\"; file \"demos\\\\first.scr\"; loading image \"la\"; }\n"
      "demo second { title \"Second\"; file \"demos\\\\second.scr\"; loading image \"lb\"; }\n"
      "main() { title \"Tests\"; demo first; demo second, default; }\n");
  WriteText("data/demos/first.scr", kStill);
  WriteText("data/demos/second.scr", kStill);
  WritePng("data/pictures/la.png", 8, 8, 0xFF0000);
  WritePng("data/pictures/lb.png", 8, 8, 0x00FF00);
}

class DirectLaunch : public ::testing::Test {
 protected:
  static int Run(const char* commandLine) {
    return RunApplication(nullptr, nullptr, commandLine, SW_SHOWNORMAL);
  }

  testsupport::DisplayEnvironment environment_;
};

TEST_F(DirectLaunch, PlaysTheDefaultDemoToItsEndAndEndsWithZero) {
  WriteGoodTree();
  EXPECT_EQ(Run("directlaunch debugmode nosound windowed"), 0);
  const std::vector<std::string> lines = testsupport::DebugLogLines();
  EXPECT_TRUE(StartsInOrder(lines, {"  disabling GUI", "Trying to load bitmap \"pictures\\lb\"",
                                    "OK, now we will start the demo...", "Demo counter result: ",
                                    "Fetched Quit Message from Windows message queue."}))
      << testsupport::ReadFile("debug.txt");
  EXPECT_FALSE(HasLineStarting(lines, "Trying to load bitmap \"pictures\\la\""));
}

struct FailureCase {
  const char* name;
  void (*damage)();
  std::vector<std::string> lines;    // in this order, each the start of a line
  std::vector<std::string> reasons;  // the kept failure lines, each the start of one
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class DirectLaunchFailure : public DirectLaunch,
                            public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DirectLaunchFailure, LogsWhyAndEndsWithOneWithoutStartingTheDemo) {
  WriteGoodTree();
  GetParam().damage();
  EXPECT_EQ(Run("directlaunch debugmode nosound windowed"), 1);
  const std::vector<std::string> lines = testsupport::DebugLogLines();
  EXPECT_TRUE(StartsInOrder(lines, GetParam().lines)) << testsupport::ReadFile("debug.txt");
  EXPECT_FALSE(HasLineStarting(lines, "OK, now we will start the demo..."));
  EXPECT_FALSE(HasLineStarting(lines, "Demo counter result:"));
}

// The terminal hears why: without "debugmode" the run writes no log, yet keeps
// its failure lines for the program to write to standard error.
TEST_P(DirectLaunchFailure, KeepsWhyWithoutDebugMode) {
  WriteGoodTree();
  GetParam().damage();
  EXPECT_EQ(Run("directlaunch nosound windowed"), 1);
  EXPECT_FALSE(std::filesystem::exists("debug.txt"));
  const std::vector<std::string> kept = kernel::FailureLines();
  EXPECT_EQ(kept.size(), GetParam().reasons.size());
  EXPECT_TRUE(StartsInOrder(kept, GetParam().reasons)) << testing::PrintToString(kept);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DirectLaunchFailure,
    ::testing::Values(
        FailureCase{
            "LoadingPictureMissing",
            [] { std::filesystem::remove("data/pictures/lb.png"); },
            {"Could not load loading image!", "Could not load demo!"},
            {"Could not load bitmap file \"pictures\\lb\"!", "Error on loading data \"lb\"",
             "Could not load loading image!", "Could not load demo!"}},
        FailureCase{"ScriptDoesNotCompile",
                    [] { WriteText("data/demos/second.scr", "main() { eod 1; \n sequence ; }"); },
                    {"demos\\second.scr(2,", "Could not load demo!"},
                    {"demos\\second.scr(2,12) Error 104 occured: Sequence expected!",
                     "Could not load demo!"}},
        FailureCase{"ScriptMissing",
                    [] { std::filesystem::remove("data/demos/second.scr"); },
                    {"Could not load demo!"},
                    {"Could not load demo!"}},
        FailureCase{
            "MusicMissing",
            [] {
              WriteText("data/demos/second.scr",
                        "main() { music \"music\\\\none.mod\", 64, 0; eod 0.2; }");
            },
            {"Could not load music from disk: music\\none.mod!",
             "demos\\second.scr(1,33) Error on loading the music!", "Could not load demo!",
             "Fetched Quit Message from Windows message queue."},
            {"Could not load music from disk: music\\none.mod!",
             "demos\\second.scr(1,33) Error on loading the music!", "Could not load demo!"}},
        FailureCase{"NoCatalogue",
                    [] { std::filesystem::remove("data/demo.ini"); },
                    {"No demo collectors found!",
                     "Could not initialize the Independent VOXA Kernel! Aborting..."},
                    {"No demo catalogue found in the folder /", "No demo collectors found!",
                     "Could not initialize the Independent VOXA Kernel! Aborting...",
                     "Fatal error occured: Fatal: Error on initialization!"}},
        FailureCase{"CatalogueWithoutDemos",
                    [] { WriteText("data/demo.ini", "demo a { title \"A\"; file \"a.scr\"; }"); },
                    {"(demo.ini) Fatal error: No demos enlisted!", "No demo collectors found!"},
                    {"(demo.ini) Fatal error: No demos enlisted!",
                     "No demo catalogue found in the folder /", "No demo collectors found!",
                     "Could not initialize the Independent VOXA Kernel! Aborting...",
                     "Fatal error occured: Fatal: Error on initialization!"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Without the option the launcher is built, which needs its own data
// (viewer.dat): a start without it says so and fails.
TEST_F(DirectLaunch, WithoutTheOptionTheLauncherNeedsItsOwnData) {
  WriteGoodTree();
  testing::internal::CaptureStderr();
  EXPECT_EQ(Run("debugmode nosound windowed"), 1);
  kernel::WriteFailureLines(stderr);  // as the program does when it ends with 1
  const std::string errors = testing::internal::GetCapturedStderr();
  const std::string line = "Could not load bitmap file \"GUI\\pictures\\desktop\"!";
  EXPECT_NE(errors.find(line), std::string::npos) << errors;
  EXPECT_TRUE(
      StartsInOrder(testsupport::DebugLogLines(),
                    {line, "Could not initialize the Independent VOXA Kernel! Aborting..."}));
}

}  // namespace

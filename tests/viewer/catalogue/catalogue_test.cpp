#include "viewer/catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "foundation/archive.h"
#include "foundation/fakearchive.h"
#include "foundation/stream.h"
#include "script/parser.h"
#include "tests/support/tempdir.h"

namespace {

using VOXA2::tDCdemo;
using VOXA2::tDCdemocollector;

std::string Log() {
  return std::filesystem::exists("debug.txt") ? testsupport::ReadFile("debug.txt") : "";
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

std::string Title(const tDCdemo* demo) { return demo && demo->title ? *demo->title : "<none>"; }

std::string EnlistedTitles(const tDCdemocollector& catalogue) {
  std::string titles;
  for (const tDCdemo* demo : catalogue.enlisted)
    titles += (titles.empty() ? "" : ",") + Title(demo);
  return titles;
}

// Runs the catalogue reader over text as the file "demo.ini".
bool Read(const std::string& text, tDCdemocollector& catalogue) {
  VOXA2::cParser parser;
  parser.SetSourceName("demo.ini");
  if (!parser.LoadBytes(text.data(), static_cast<std::int32_t>(text.size()))) return false;
  return parser.Run(VOXA2::ParseDemoList, &catalogue);
}

const char* const kTwoDemos =
    "demo a { title \"A\"; file \"a.scr\"; }\n"
    "demo b { title \"B\"; file \"b.scr\"; }\n";

struct tGood {
  const char* name;
  std::string text;
  std::string title;
  int width, height;
  std::string enlisted;
  std::string defaultDemo;
};

TEST(CatalogueFormat, ReadsValidFiles) {
  const std::vector<tGood> cases = {
      {"empty file", "", "<none>", 640, 480, "", "<none>"},
      {"title and resolution",
       std::string(kTwoDemos) + "main() { title \"Cat\"; resolution 800 times 2*300; demo a; }",
       "Cat", 800, 600, "A", "<none>"},
      {"negative and zero resolution kept",
       std::string(kTwoDemos) + "main() { resolution -1 times 0; demo b; }", "<none>", -1, 0, "B",
       "<none>"},
      {"condition zero then default enlists nothing",
       std::string(kTwoDemos) + "main() { demo a; demo b, condition 0, default; }", "<none>", 640,
       480, "A", "<none>"},
      {"default then condition one",
       std::string(kTwoDemos) + "main() { demo a; demo b, default, condition 1; }", "<none>", 640,
       480, "A,B", "B"},
      {"condition zero skips bad descriptors",
       std::string(kTwoDemos) + "main() { demo a, condition 2 > 3, bogus 7 \"x\"; demo b; }",
       "<none>", 640, 480, "B", "<none>"},
      {"a demo listed twice", std::string(kTwoDemos) + "main() { demo a; demo a; }", "<none>", 640,
       480, "A,A", "<none>"},
      {"the later default wins",
       std::string(kTwoDemos) + "main() { demo a, default; demo b, default; }", "<none>", 640, 480,
       "A,B", "B"},
      {"several main blocks act as one",
       std::string(kTwoDemos) +
           "main() { title \"One\"; demo b; }\nmain() { title \"Two\"; demo a; }",
       "Two", 640, 480, "B,A", "<none>"},
      {"date and time in conditions",
       std::string(kTwoDemos) +
           "main() { demo a, condition date > 19991231; demo b, condition time > 240000; }",
       "<none>", 640, 480, "A", "<none>"},
      {"lone semicolons inside blocks",
       "demo a { ; title \"A\"; ; file \"f\"; }\n"
       "main() { ; demo a; ; }",
       "<none>", 640, 480, "A", "<none>"},
      {"comments and directives",
       "#define W 1024\n// note\ndemo a { title \"A\"; file \"f\"; }\n"
       "main() { /* c */ resolution W times 768; demo a; }",
       "<none>", 1024, 768, "A", "<none>"},
  };
  for (const tGood& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::ScopedTempDir dir;
    tDCdemocollector catalogue;
    ASSERT_TRUE(Read(c.text, catalogue)) << Log();
    EXPECT_EQ(catalogue.title.value_or("<none>"), c.title);
    EXPECT_EQ(catalogue.width, c.width);
    EXPECT_EQ(catalogue.height, c.height);
    EXPECT_EQ(EnlistedTitles(catalogue), c.enlisted);
    EXPECT_EQ(Title(catalogue.defaultDemo), c.defaultDemo);
    EXPECT_EQ(Log(), "");
  }
}

TEST(CatalogueFormat, DemoRecordFields) {
  testsupport::ScopedTempDir dir;
  tDCdemocollector catalogue;
  ASSERT_TRUE(
      Read("demo a { title \"First\"; title \"A\"; file \"demos\\\\a.scr\";"
           " loading image \"loada\"; }\n"
           "demo b { title \"B\"; file \"b\\tc\"; }\n"
           "main() { demo b; }",
           catalogue));
  ASSERT_EQ(catalogue.demos.size(), 2u);
  const tDCdemo& a = *catalogue.demos[0];
  EXPECT_EQ(a.title, "A");
  EXPECT_EQ(a.file, "demos\\a.scr");
  EXPECT_EQ(a.loadingImage, "loada");
  EXPECT_FALSE(a.description);
  const tDCdemo& b = *catalogue.demos[1];
  EXPECT_EQ(b.file, "b\tc");
  EXPECT_EQ(b.loadingImage, "loading");
}

struct tBad {
  const char* name;
  std::string text;
  std::string logLine;
};

TEST(CatalogueFormat, ReportsEveryErrorWithItsPosition) {
  const std::string demoA = "demo a { title \"A\"; file \"f\"; }\n";
  const std::vector<tBad> cases = {
      {"top-level semicolon", ";", "demo.ini(1,2) Error 100 occured: Syntax error!"},
      {"top-level identifier", "demos", "demo.ini(1,6) Error 100 occured: Syntax error!"},
      {"unknown demo statement", "demo a { title \"A\"; x; }",
       "demo.ini(1,22) Error 101 occured: Syntax error!"},
      {"keywords are case-sensitive", "demo a { Title \"A\"; }",
       "demo.ini(1,15) Error 101 occured: Syntax error!"},
      {"unknown main statement", "main() { file \"x\"; }",
       "demo.ini(1,14) Error 101 occured: Syntax error!"},
      {"end of file inside a demo block", "demo a { title \"A\"; file \"f\";",
       "demo.ini(1,30) Error 101 occured: Syntax error!"},
      {"end of file inside a main block", demoA + "main() { demo a;",
       "demo.ini(2,17) Error 101 occured: Syntax error!"},
      {"demo without title", "demo a { file \"f\"; }",
       "demo.ini(1,21) Error 102 occured: Title not found!"},
      {"demo without file", "demo a { title \"A\"; }",
       "demo.ini(1,22) Error 103 occured: File name not found!"},
      {"undeclared demo", "main() { demo a; }", "demo.ini(1,16) Error 300 occured: Demo expected!"},
      {"demo declared after main", "main() { demo a; }\n" + demoA,
       "demo.ini(1,16) Error 300 occured: Demo expected!"},
      {"bad descriptor", demoA + "main() { demo a, fast; }",
       "demo.ini(2,22) Error 301 occured: Demo descriptor expected!"},
      {"main without parentheses", "main { }",
       "demo.ini(1,7) Error 2 occured: ( expected, but found {!"},
      {"value without quotes", "demo a { title A; }",
       "demo.ini(1,17) Error 2 occured: String expected, but found Identifier!"},
      {"keyword as demo name", "demo title { }",
       "demo.ini(1,11) Error 2 occured: Identifier expected, but found title!"},
      {"date cannot name a demo", demoA + "main() { demo date; }",
       "demo.ini(2,15) Error 2 occured: Identifier expected, but found Number!"},
      {"missing semicolon after an entry", demoA + "main() { demo a }",
       "demo.ini(2,18) Error 2 occured: ; expected, but found }!"},
      {"resolution without times", "main() { resolution 1, 2; }",
       "demo.ini(1,23) Error 2 occured: times expected, but found ,!"},
      {"duplicate demo identifier", demoA + "demo a { }",
       "demo.ini(2,7) Error 7 occured: a was already defined!"},
  };
  for (const tBad& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::ScopedTempDir dir;
    tDCdemocollector catalogue;
    EXPECT_FALSE(Read(c.text, catalogue));
    const std::string log = Log();
    EXPECT_NE(log.find(c.logLine), std::string::npos) << log;
  }
}

TEST(CatalogueFormat, FailedBlockKeepsItsRecord) {
  testsupport::ScopedTempDir dir;
  tDCdemocollector catalogue;
  EXPECT_FALSE(Read("demo a { title \"A\"; }", catalogue));
  ASSERT_EQ(catalogue.demos.size(), 1u);
  EXPECT_EQ(catalogue.demos[0]->title, "A");
  EXPECT_TRUE(catalogue.enlisted.empty());
}

// A member that reports a size but yields no bytes.
class tUnreadableStream : public TStream {
 public:
  int32_t Size() override { return 5; }
  int32_t Read(void*, int32_t, int32_t) override { return 0; }
};

class tUnreadableArchive : public TFakeArchive {
 public:
  std::unique_ptr<TStream> OpenFile(const char* path, bool buffered) override {
    if (std::string(path) == "bad.txt") return std::make_unique<tUnreadableStream>();
    return TFakeArchive::OpenFile(path, buffered);
  }
};

TEST(CatalogueFormat, UnreadableDescriptionIsError310) {
  testsupport::ScopedTempDir dir;
  tUnreadableArchive archive;
  archive.SetFileName("data\\");
  tDCdemocollector catalogue;
  catalogue.dataFile = &archive;
  EXPECT_FALSE(Read("demo a { title \"A\"; file \"f\"; desc \"bad.txt\"; }", catalogue));
  EXPECT_NE(Log().find("demo.ini(1,48) Error 310 occured: Error on reading from description file!"),
            std::string::npos)
      << Log();
}

// Mounts a folder as a data file for the length of a test.
class tMountedFolder {
 public:
  explicit tMountedFolder(const char* folder) {
    archive_.SetFileName(folder);
    AddArchive(&archive_);
  }
  ~tMountedFolder() { RemoveArchive(&archive_); }

 private:
  TFakeArchive archive_;
};

TEST(CatalogueFormat, DescriptionsComeFromTheDataFile) {
  testsupport::ScopedTempDir dir;
  WriteText("data/docs/a.txt", "About A");
  WriteText("data/docs/empty.txt", "");
  WriteText("other/docs/a.txt", "the wrong file");
  tMountedFolder other("other\\");
  TFakeArchive archive;
  archive.SetFileName("data\\");
  tDCdemocollector catalogue;
  catalogue.dataFile = &archive;
  ASSERT_TRUE(
      Read("demo a { title \"A\"; file \"f\"; desc \"docs\\\\a.txt\"; }\n"
           "demo e { title \"E\"; file \"f\"; desc \"docs\\\\empty.txt\"; }\n"
           "demo m { title \"M\"; file \"f\"; desc \"docs\\\\missing.txt\"; }\n",
           catalogue))
      << Log();
  ASSERT_EQ(catalogue.demos.size(), 3u);
  EXPECT_EQ(catalogue.demos[0]->description, "About A");
  EXPECT_EQ(catalogue.demos[1]->description, "");
  EXPECT_FALSE(catalogue.demos[2]->description);
  EXPECT_EQ(Log(), "");
}

class CatalogueReading : public ::testing::Test {
 protected:
  void SetUp() override { archive.SetFileName("data\\"); }
  tDCdemocollector* Build() { return tDCdemocollector::BuildDemoList("demo.ini", &archive); }

  testsupport::ScopedTempDir dir;
  TFakeArchive archive;
};

TEST_F(CatalogueReading, MissingCatalogueIsSkippedQuietly) {
  std::filesystem::create_directory("data");
  EXPECT_EQ(Build(), nullptr);
  EXPECT_EQ(Log(), "");
}

TEST_F(CatalogueReading, CatalogueWithoutListedDemosIsDropped) {
  const std::vector<std::string> texts = {
      kTwoDemos,
      std::string(kTwoDemos) + "main() { }",
      std::string(kTwoDemos) + "main() { demo a, condition 0; demo b, condition 1 - 1; }",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    std::filesystem::remove("debug.txt");
    WriteText("data/demo.ini", text);
    EXPECT_EQ(Build(), nullptr);
    EXPECT_NE(Log().find("(demo.ini) Fatal error: No demos enlisted!"), std::string::npos) << Log();
  }
}

TEST_F(CatalogueReading, ParseErrorDropsTheCatalogue) {
  WriteText("data/demo.ini", "demo a { file \"f\"; }");
  EXPECT_EQ(Build(), nullptr);
  EXPECT_NE(Log().find("demo.ini(1,21) Error 102 occured: Title not found!"), std::string::npos)
      << Log();
}

TEST_F(CatalogueReading, DefaultDemoIsFilledIn) {
  struct tCase {
    std::string main;
    std::string defaultDemo;
  };
  for (const tCase& c : std::vector<tCase>{{"main() { demo b; demo a; }", "B"},
                                           {"main() { demo b; demo a, default; }", "A"}}) {
    SCOPED_TRACE(c.main);
    WriteText("data/demo.ini", kTwoDemos + c.main);
    std::unique_ptr<tDCdemocollector, void (*)(tDCdemocollector*)> catalogue(
        Build(), tDCdemocollector::FreeDemoList);
    ASSERT_NE(catalogue, nullptr) << Log();
    EXPECT_EQ(catalogue->dataFile, &archive);
    EXPECT_EQ(Title(catalogue->defaultDemo), c.defaultDemo);
    EXPECT_EQ(EnlistedTitles(*catalogue), "B,A");
  }
}

TEST_F(CatalogueReading, WithoutDataFileReadsByName) {
  WriteText("tree/demo.ini", std::string("demo a { title \"A\"; file \"f\"; desc \"a.txt\"; }\n") +
                                 "main() { demo a; }");
  WriteText("tree/a.txt", "text");
  tMountedFolder mounted("tree\\");
  std::unique_ptr<tDCdemocollector, void (*)(tDCdemocollector*)> catalogue(
      tDCdemocollector::BuildDemoList("demo.ini", nullptr), tDCdemocollector::FreeDemoList);
  ASSERT_NE(catalogue, nullptr) << Log();
  EXPECT_EQ(catalogue->dataFile, nullptr);
  EXPECT_EQ(catalogue->demos[0]->description, "text");
  EXPECT_EQ(Title(catalogue->defaultDemo), "A");
}

}  // namespace

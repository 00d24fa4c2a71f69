// One-line scripts that fail to compile: each logs its code with the source
// position and makes the load fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "tests/demo/demo_fixture.h"

namespace demotest {
namespace {

struct ErrorCase {
  const char* name;
  const char* script;
  const char* logged;
};

class CompileErrors : public DemoTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(CompileErrors, LogsCodeAndPosition) {
  const ErrorCase& c = GetParam();
  EXPECT_FALSE(Compile(c.script));
  const auto lines = LogLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), c.logged), lines.end())
      << ::testing::PrintToString(lines);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, CompileErrors,
    ::testing::Values(
        ErrorCase{"UnknownTopLevelWord", "pipeline p { }\nfoo;",
                  "demo.txt(2,4) Error 100 occured: Syntax error!"},
        ErrorCase{"TextureIsCaseSensitive", "Texture \"a\";",
                  "demo.txt(1,8) Error 100 occured: Syntax error!"},
        ErrorCase{"UnknownMainStatement", "main() { foo; }",
                  "demo.txt(1,13) Error 101 occured: Syntax error!"},
        ErrorCase{"StrayNumberInPipeline", "pipeline p { 5 }",
                  "demo.txt(1,15) Error 101 occured: Syntax error!"},
        ErrorCase{"CapitalHideIsNoHideTrack", "pipeline p { entry 0 : 1 : probe { } Hide 1 }",
                  "demo.txt(1,42) Error 101 occured: Syntax error!"},
        ErrorCase{"UnknownRelativeWord", "sequence s { relative end 1; }",
                  "demo.txt(1,26) Error 101 occured: Syntax error!"},
        ErrorCase{"SequenceNamesNoPipeline", "sequence s { pipeline s; }",
                  "demo.txt(1,24) Error 104 occured: Pipeline expected!"},
        ErrorCase{"MainNamesNoSequence", "pipeline p { } main() { sequence p; }",
                  "demo.txt(1,35) Error 104 occured: Sequence expected!"},
        ErrorCase{"KeyBindsALaterHandler", "main() { key SPACE with later; } handler later() { }",
                  "demo.txt(1,30) Error 105 occured: Handler expected!"},
        ErrorCase{"EntryNamesAPipeline", "pipeline p { entry 0 : 1 : p { } }",
                  "demo.txt(1,29) Error 111 occured: Command expected"},
        ErrorCase{"BufferNameInUse", "buffer DDSsecondary;",
                  "demo.txt(1,20) Error 112 occured: Symbol already defined!"},
        ErrorCase{"CommandRefusesItsBlock", "pipeline p { entry 0 : 1 : probe { refuse } }",
                  "demo.txt(1,46) Error 114 occured: Error on loading command!"},
        ErrorCase{"ListNamesNoHandler", "handler h() { enable p; }",
                  "demo.txt(1,23) Error 115 occured: Handler expected!"},
        ErrorCase{"UnknownKeyName", "handler h() { } main() { key NOKEY with h; }",
                  "demo.txt(1,35) Error 116 occured: Unknown keycode \"NOKEY\"!"},
        ErrorCase{"BufferWithoutVideoDevice", "buffer extra;",
                  "demo.txt(1,13) Error 120 occured: Error on allocating new temporary surface!"},
        ErrorCase{"NegativeTextureSize", "texture \"t\", -1, 0;",
                  "demo.txt(1,20) Width and height must be greater or equal to one pixel, or "
                  "must be zero for default size"},
        ErrorCase{"TextureSizeBeyondFourDigits", "texture \"t\", 10000, 64;",
                  "demo.txt(1,24) Width and height must be at most 9999 pixels"},
        ErrorCase{"TextureWithoutCollector", "texture \"t\";",
                  "demo.txt(1,13) Error on creating texture collector!"},
        ErrorCase{"UnclosedNopBlockStops", "pipeline p { entry 0 : 1 : nop { 1 2",
                  "demo.txt(1,37) Error 101 occured: Syntax error!"},
        ErrorCase{"NameDefinedTwice", "pipeline p { } sequence p { }",
                  "demo.txt(1,26) Error 7 occured: p was already defined!"}),
    [](const auto& info) { return std::string(info.param.name); });

// Objects made before the error stay in the demo and go with it.
TEST_F(DemoTest, ObjectsBeforeAnErrorStayInTheDemo) {
  EXPECT_FALSE(Compile("pipeline p { entry 0 : 1 : probe { 1 } entry 1 : 1 : probe { refuse } }"));
  ASSERT_EQ(demo->pipelines.size(), 1u);
  EXPECT_EQ(demo->pipelines[0]->commands.size(), 2u);
}

TEST_F(DemoTest, AMainBlockWithEodCompiles) {
  ASSERT_TRUE(Compile("main() { eod 10; }"));
  EXPECT_FLOAT_EQ(demo->end, 10);
  EXPECT_EQ(demo->surfaces.size(), 3u);
}

// The "texture" statement hands its request to the demo's texture collector,
// whichever kind the texture code registers.
class RecordingTextures : public VOXA2::cVOXAdatacollector {
 public:
  RecordingTextures() : cVOXAdatacollector("texture") {}
  ~RecordingTextures() override { FreeEntries(); }
  bool LoadItem(VOXA2::tDataEntry* entry) override {
    requests().push_back(entry->name);
    if (entry->name.find("broken") != std::string::npos) return false;
    entry->data = std::malloc(1);
    return true;
  }
  static std::vector<std::string>& requests() {
    static std::vector<std::string> list;
    return list;
  }
};

VOXA2::cVOXAdatacollector* CreateRecordingTextures() { return new RecordingTextures; }

class TextureStatement : public DemoTest {
 protected:
  void SetUp() override {
    DemoTest::SetUp();
    RecordingTextures::requests().clear();
    VOXA2::RegisterDataCollectorKind("texture", CreateRecordingTextures);
  }
  void TearDown() override {
    VOXA2::UnregisterDataCollectorKind("texture");
    DemoTest::TearDown();
  }
};

TEST_F(TextureStatement, RequestsScreenTexturesByCodedName) {
  ASSERT_TRUE(
      Compile("texture \"plain\"; texture \"grab\", 640, 480; texture \"zero\", 0, 0; "
              "texture \"w\", 512 + 0, 7;"));
  const std::vector<std::string> expected = {
      std::string("\x08") + "plain", std::string("\x08\x08") + "06400480grab",
      std::string("\x08\x08") + "00000000zero", std::string("\x08\x08") + "05120007w"};
  EXPECT_EQ(RecordingTextures::requests(), expected);
  ASSERT_EQ(demo->dataCollectors.size(), 1u);
  EXPECT_EQ(demo->FindDataCollector("TEXTURE"), demo->dataCollectors[0]);
}

TEST_F(TextureStatement, NoTextureFailsTheCompile) {
  EXPECT_FALSE(Compile("texture \"broken\";"));
  const auto lines = LogLines();
  EXPECT_NE(
      std::find(lines.begin(), lines.end(), "demo.txt(1,18) Error on creating new screen texture!"),
      lines.end())
      << ::testing::PrintToString(lines);
}

}  // namespace
}  // namespace demotest

namespace demotest {
namespace {

// An empty script compiles (and, without "eod", ends at its first frame); a
// missing one fails.
TEST_F(DemoTest, EmptyScriptCompilesAndMissingScriptFails) {
  ASSERT_TRUE(Compile(""));
  StartAt(0);
  EXPECT_TRUE(RunAt(0));
  EXPECT_FALSE(demo->running);
  demo = std::make_unique<VOXA2::cVOXAdemo>();
  EXPECT_FALSE(demo->Load("missing.txt"));
}

// A size that only its low 16 bits would make look valid is still refused.
TEST_F(DemoTest, TextureSizeIsCheckedBeforeNarrowing) {
  EXPECT_FALSE(Compile("texture \"t\", -65536, 0;"));
  const auto lines = LogLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "demo.txt(1,24) Width and height must be greater or equal to one pixel, or "
                      "must be zero for default size"),
            lines.end())
      << ::testing::PrintToString(lines);
}

}  // namespace
}  // namespace demotest

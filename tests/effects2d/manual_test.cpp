// The authors' manual (docs/): every registered command, view3D sub-command,
// Text3D object kind, data collector kind and picture filter has its place in
// it, and every example it shows compiles and plays a few frames headless
// against the sample data tree, as a reader would use it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "demo/command.h"
#include "demo/datacollector.h"
#include "demo/view3dregistry.h"
#include "effects2d/crazyfontcollector.h"
#include "foundation/archive.h"
#include "foundation/fakearchive.h"
#include "script/filters.h"
#include "script/parser.h"
#include "script/tokens.h"
#include "tests/effects2d/fx_fixture.h"
#include "threedee/loaders/text3d.h"
#include "viewer/catalogue/catalogue.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/sound.h"

namespace fxtest {
namespace {

using namespace VOXA2;
namespace fs = std::filesystem;

// The chapters in reading order: examples may use files that earlier ones wrote.
const char* const kChapters[] = {"getting-started.md", "script-language.md", "commands-2d.md",
                                 "view3d.md",          "scenes-3d.md",       "resources.md",
                                 "catalogue.md"};

std::string ReadDoc(const std::string& name) {
  std::ifstream in(fs::path(VOXA2_DOCS_DIR) / name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The heading lines of a chapter, lower-cased.
std::vector<std::string> Headings(const std::string& chapter) {
  std::vector<std::string> headings;
  std::istringstream in(ReadDoc(chapter));
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] == '#') {
      std::transform(line.begin(), line.end(), line.begin(), ::tolower);
      headings.push_back(line);
    }
  return headings;
}

// Whether a heading names the word as a whole word.
bool HasHeading(const std::vector<std::string>& headings, std::string word) {
  std::transform(word.begin(), word.end(), word.begin(), ::tolower);
  const std::regex whole("(^|[^a-z0-9_])" + word + "([^a-z0-9_]|$)");
  return std::any_of(headings.begin(), headings.end(),
                     [&](const std::string& h) { return std::regex_search(h, whole); });
}

// Whether the chapter writes the word in code, as a whole word: `word` or `word ...`.
bool MentionsInCode(const std::string& chapter, const std::string& word) {
  return std::regex_search(ReadDoc(chapter), std::regex("`" + word + "([^A-Za-z0-9_]|$)"));
}

struct tExample {
  std::string chapter;
  int line = 0;
  std::string kind;
  std::string path;  // with '/', relative to the example tree's root
  std::string text;
};

// The fenced blocks whose info string starts with "voxa-", in reading order.
std::vector<tExample> Examples() {
  std::vector<tExample> examples;
  for (const char* chapter : kChapters) {
    std::istringstream in(ReadDoc(chapter));
    int number = 0;
    tExample* open = nullptr;
    std::string indent;
    for (std::string line; std::getline(in, line);) {
      number++;
      const std::size_t start = line.find_first_not_of(' ');
      const bool fence = start != std::string::npos && line.compare(start, 3, "```") == 0;
      if (open) {
        if (fence) {
          open = nullptr;
          continue;
        }
        open->text += (line.compare(0, indent.size(), indent) == 0 ? line.substr(indent.size())
                                                                    : line) +
                      "\n";
        continue;
      }
      if (!fence) continue;
      std::istringstream info(line.substr(start + 3));
      std::string kind;
      info >> kind;
      if (kind.rfind("voxa-", 0) != 0) {
        // Not an example: skip the block to its closing fence.
        for (std::string skipped; std::getline(in, skipped);) {
          number++;
          const std::size_t s = skipped.find_first_not_of(' ');
          if (s != std::string::npos && skipped.compare(s, 3, "```") == 0) break;
        }
        continue;
      }
      tExample example{chapter, number, kind.substr(5), "", ""};
      for (std::string word; info >> word;)
        if (word.rfind("path=", 0) == 0) example.path = word.substr(5);
      examples.push_back(example);
      open = &examples.back();
      indent = line.substr(0, start);
    }
  }
  return examples;
}

// The pipeline entries of an example inside a ten-second demo.
std::string EntriesScript(const std::string& entries) {
  return "parallel pipeline p_example {\n" + entries +
         "}\n"
         "sequence s_example { start 0; length 10; relative start 0; relative length 10;\n"
         "    pipeline p_example; }\n"
         "main() { sequence s_example; eod 10; }\n";
}

class Manual : public FxTest {
 protected:
  void SetUp() override {
    FxTest::SetUp();
    // The sample tree behind the examples' own tree, as a demo folder would
    // have copies of its files.
    fs::create_directory_symlink(std::string(VOXA2_PLAY_DIR) + "/data", "data");
    for (const char* folder : {"pictures", "textures", "fonts", "samples", "music", "3ds"})
      fs::create_directories(fs::path("mine") / folder);
    // The files that Getting started copies from the sample tree under new names.
    const std::pair<const char*, const char*> copies[] = {
        {"pictures/still_scene.png", "pictures/title.png"},
        {"textures/effects_tile.png", "textures/tile.png"},
        {"fonts/effects_font.png", "fonts/big.png"},
        {"samples/showcase_chime.wav", "samples/ping.wav"},
        {"music/showcase.mod", "music/tune.mod"}};
    for (const auto& [from, to] : copies) fs::copy_file(fs::path("data") / from, fs::path("mine") / to);
    // What the manual's camera script writes.
    fs::copy_file(fs::path(VOXA2_DOCS_BUILD_DIR) / "ORBIT.3DS", "mine/3ds/ORBIT.3DS");
    mine_.SetFileName("mine\\");
    samples_.SetFileName("data\\");
    AddArchive(&mine_);
    AddArchive(&samples_);
  }
  void TearDown() override {
    RemoveArchive(&samples_);
    RemoveArchive(&mine_);
    FxTest::TearDown();
  }

  // Compiles the script file (a path of the data tree), loads its music, and
  // plays it at a few times of its first ten seconds.
  void CompileAndPlay(const std::string& script) {
    demo = std::make_unique<cVOXAdemo>();
    demo->clock = [this] { return now; };
    ASSERT_TRUE(demo->Load(script.c_str())) << Failures();
    if (demo->musicFile) {
      EXPECT_TRUE(LoadMusic(demo->musicFile->c_str(), true)) << *demo->musicFile;
    }
    demo->Prepare();
    now = 0;
    demo->Start();
    for (float t : {0.0f, 1.25f, 4.5f, 9.0f}) {
      now = t;
      if (!demo->running) break;
      EXPECT_TRUE(demo->Run()) << "at " << t << " s\n" << Failures();
    }
    StopMusic();
    ASSERT_TRUE(InitSound());
    demo.reset();
  }

  void Write(const std::string& path, const std::string& text) {
    const fs::path file = fs::path("mine") / path;
    fs::create_directories(file.parent_path());
    WriteText(file.string(), text);
  }

  static std::string TreePath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
  }
  // The same inside a script's string, where a backslash is written twice.
  static std::string Quoted(const std::string& path) {
    std::string quoted;
    for (char c : TreePath(path)) quoted += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return quoted;
  }

  // Loads an animation of the example tree through a view3D "use".
  void UseAnimation(const std::string& name) {
    Write("__use.scr", EntriesScript("entry 0 : 10 : view3D { use \"" + name +
                                     "\"; frames linear 0 to 100; draw all; }\n"));
    CompileAndPlay("__use.scr");
  }

  // What a description file is checked with, by its folder.
  void CheckFile(const tExample& example) {
    const fs::path path(example.path);
    const std::string folder = path.parent_path().string();
    const std::string name = path.stem().string();
    if (folder == "3ds" && path.extension() == ".dsc") {
      // Its scene file may follow in a later example: loaded once all are written.
      animations_.push_back(name);
    } else if (folder == "pictures") {
      Write("__file.scr", EntriesScript("entry 0 : 10 : picture { buffer DDSsecondary; file \"" +
                                        name + "\"; }\n"));
      CompileAndPlay("__file.scr");
    } else if (folder == "textures") {
      Write("__file.scr", EntriesScript("entry 0 : 10 : sprite { file \"" + name + "\"; }\n"));
      CompileAndPlay("__file.scr");
    } else if (folder == "fonts") {
      // A font description that does not parse falls back to the defaults
      // without failing a demo: parse it on its own.
      tFontDesc description;
      tFontDesc::SetDefaults(&description, name.c_str());
      cParser parser;
      EXPECT_TRUE(parser.ParseFile(TreePath(example.path).c_str(), ReadFontDescription,
                                   &description))
          << Failures();
    } else if (folder == "scrolly") {
      Write("__file.scr", EntriesScript("entry 0 : 10 : scrolly { file \"" +
                                        Quoted(example.path) +
                                        "\"; position linear 0 to 10; }\n"));
      CompileAndPlay("__file.scr");
    }
  }

  void CheckCatalogue(const std::string& path, TArchive* dataFile) {
    tDCdemocollector* catalogue = tDCdemocollector::BuildDemoList(path.c_str(), dataFile);
    ASSERT_NE(catalogue, nullptr) << Failures();
    std::vector<std::string> scripts;
    for (const auto& record : catalogue->demos) scripts.push_back(*record->file);
    tDCdemocollector::FreeDemoList(catalogue);
    for (const std::string& script : scripts) {
      SCOPED_TRACE(script);
      CompileAndPlay(script);
    }
  }

  // The log's error lines, to say why an example failed.
  std::string Failures() const {
    std::string out;
    for (const std::string& line : LogLines())
      if (line.find("rror") != std::string::npos || line.find("ould not") != std::string::npos ||
          line.find("expected") != std::string::npos)
        out += line + "\n";
    return out;
  }

  void WithSound(const std::function<void()>& body) {
    OnDisplayWithSound(
        kModes[2],
        [&] {
          ASSERT_TRUE(InitSound());
          body();
          StopMusic();
        },
        640, 480);
  }

  TFakeArchive mine_;
  TFakeArchive samples_;
  std::vector<std::string> animations_;
};

TEST_F(Manual, EveryRegisteredCommandHasItsSection) {
  std::vector<std::string> headings = Headings("commands-2d.md");
  const std::vector<std::string> view3d = Headings("view3d.md");
  headings.insert(headings.end(), view3d.begin(), view3d.end());
  for (std::int32_t i = 0; const tCommandDesc* record = GetRegisteredCommand(i); i++)
    EXPECT_TRUE(HasHeading(headings, record->name)) << "no section for the command " << record->name;
}

TEST_F(Manual, EveryView3DSubCommandHasItsSection) {
  const std::vector<std::string> headings = Headings("view3d.md");
  for (std::int32_t i = 0; const t3DCommandDesc* record = Get3DCommand(i); i++) {
    // A sub-command named by a reserved word goes by that word's text.
    const std::string word = record->name ? record->name : cToken::GetTypeName(record->tokenCode);
    EXPECT_TRUE(HasHeading(headings, word)) << "no section for the view3D sub-command " << word;
  }
}

TEST_F(Manual, EveryText3DObjectKindAndAdderHasItsSection) {
  threedee::RegisterProceduralText3DKinds();
  threedee::RegisterParticleText3DKinds();
  const std::vector<std::string> headings = Headings("scenes-3d.md");
  const std::vector<std::string> kinds = threedee::Text3DKindKeywords();
  ASSERT_FALSE(kinds.empty());
  for (const std::string& kind : kinds)
    EXPECT_TRUE(HasHeading(headings, kind)) << "no section for the Text3D object kind " << kind;
  for (const std::string& adder : threedee::Text3DAdderTypes())
    EXPECT_TRUE(MentionsInCode("scenes-3d.md", "add " + adder)) << "the adder " << adder;
}

TEST_F(Manual, EveryDataCollectorKindAndPictureFilterIsDescribed) {
  const std::vector<std::string> kinds = RegisteredDataCollectorKinds();
  ASSERT_FALSE(kinds.empty());
  for (const std::string& kind : kinds)
    EXPECT_TRUE(MentionsInCode("commands-2d.md", kind)) << "the collector kind " << kind;
  // The program's own filters, whatever other tests of this program registered.
  filter::FreeFilters();
  ASSERT_TRUE(filter::RegisterFilters());
  for (std::int32_t i = 0; const filter::tFilterDesc* record = filter::GetFilter(i); i++) {
    const std::string word = record->keyword ? record->keyword : cToken::GetTypeName(record->tokenCode);
    EXPECT_TRUE(MentionsInCode("resources.md", word)) << "the picture filter " << word;
  }
}

TEST_F(Manual, EveryExampleCompilesAndPlays) {
  const std::vector<tExample> examples = Examples();
  ASSERT_FALSE(examples.empty());
  std::vector<std::string> catalogues;
  WithSound([&] {
    for (const tExample& example : examples) {
      SCOPED_TRACE(example.chapter + ":" + std::to_string(example.line) + " voxa-" + example.kind);
      if (example.kind == "script") {
        const std::string path = example.path.empty() ? "__example.scr" : example.path;
        Write(path, example.text);
        CompileAndPlay(TreePath(path));
      } else if (example.kind == "entries") {
        Write("__example.scr", EntriesScript(example.text));
        CompileAndPlay("__example.scr");
      } else if (example.kind == "file") {
        ASSERT_FALSE(example.path.empty()) << "a file example needs its path";
        Write(example.path, example.text);
        CheckFile(example);
      } else if (example.kind == "t3d") {
        ASSERT_FALSE(example.path.empty()) << "a Text3D example needs its path";
        Write(example.path, example.text);
        const std::string name = fs::path(example.path).stem().string();
        if (!fs::exists(fs::path("mine/3ds") / (name + ".dsc")))
          Write("3ds/" + name + ".dsc", "animation t3d \"" + name + "\" { }\n");
        UseAnimation(name);
      } else if (example.kind == "catalogue") {
        // Its scripts may follow in later examples: read once all are written.
        const std::string name = "__catalogue" + std::to_string(catalogues.size()) + ".ini";
        Write(name, example.text);
        catalogues.push_back(name);
      } else {
        ADD_FAILURE() << "unknown example kind voxa-" << example.kind;
      }
    }
    for (const std::string& name : animations_) {
      SCOPED_TRACE("3ds\\" + name + ".dsc");
      UseAnimation(name);
    }
    for (const std::string& name : catalogues) {
      SCOPED_TRACE(name);
      CheckCatalogue(name, &mine_);
    }
  });
}

// Each folder under docs/examples with a data folder is a demo folder of its
// own: its catalogue's demos compile and play, with the files of Getting
// started and the sample tree behind it.
TEST_F(Manual, EveryExampleDemoFolderPlays) {
  std::vector<fs::path> folders;
  for (const auto& entry : fs::directory_iterator(fs::path(VOXA2_DOCS_DIR) / "examples"))
    if (fs::exists(entry.path() / "data" / "demo.ini")) folders.push_back(entry.path());
  std::sort(folders.begin(), folders.end());
  ASSERT_FALSE(folders.empty());
  WithSound([&] {
    for (const fs::path& folder : folders) {
      SCOPED_TRACE(folder.filename().string());
      const std::string link = "example_" + folder.filename().string();
      fs::create_directory_symlink(folder / "data", link);
      TFakeArchive own;
      own.SetFileName((link + "\\").c_str());
      // In front of the files that Getting started makes, as in the reader's folder.
      RemoveArchive(&mine_);
      RemoveArchive(&samples_);
      AddArchive(&own);
      AddArchive(&mine_);
      AddArchive(&samples_);
      CheckCatalogue("demo.ini", &own);
      RemoveArchive(&own);
    }
  });
}

}  // namespace
}  // namespace fxtest

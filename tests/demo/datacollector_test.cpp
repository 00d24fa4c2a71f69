// The data collector base: one load per name, use counts, failed loads,
// recursion, release, and the demo's collector list.
#include "demo/datacollector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "demo/command.h"
#include "demo/demo.h"
#include "tests/support/tempdir.h"

namespace {

using namespace VOXA2;

// Pieces are copies of their names. "bad..." fails; "self" asks for itself;
// "outer" asks for "inner" before it loads; "sneaky" adds "helper" and then fails.
class NameCollector : public cVOXAdatacollector {
 public:
  NameCollector() : cVOXAdatacollector("names") {}
  ~NameCollector() override { FreeEntries(); }

  bool LoadItem(tDataEntry* entry) override {
    loads.push_back(entry->name);
    if (entry->name.rfind("bad", 0) == 0) return false;
    if (entry->name == "self") inner = GetData("self");
    if (entry->name == "outer") inner = GetData("inner");
    if (entry->name == "sneaky") {
      GetData("helper");
      return false;
    }
    entry->data = strdup(entry->name.c_str());
    return true;
  }
  void FreeItem(void* data) override {
    if (data) freed.push_back(static_cast<const char*>(data));
    cVOXAdatacollector::FreeItem(data);
  }
  void PrepareItem(void* data) override { prepared.push_back(static_cast<const char*>(data)); }

  std::vector<std::string> loads, freed, prepared;
  void* inner = reinterpret_cast<void*>(1);
};

std::vector<std::string> Log() {
  std::vector<std::string> lines;
  std::string text = testsupport::ReadFile("debug.txt");
  for (std::size_t at = 0, next; at < text.size(); at = next + 1) {
    next = text.find('\n', at);
    if (next == std::string::npos) next = text.size();
    lines.push_back(text.substr(at, next - at));
  }
  return lines;
}

class Collector : public ::testing::Test {
 protected:
  testsupport::ScopedTempDir dir;
  NameCollector names;
};

TEST_F(Collector, NameInOtherCaseLoadsOnceAndCountsTwoUses) {
  void* first = names.GetData("Logo");
  void* second = names.GetData("LOGO");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_EQ(names.loads, std::vector<std::string>{"Logo"});
  ASSERT_EQ(names.entries.size(), 1u);
  EXPECT_EQ(names.entries[0]->useCount, 2);
}

TEST_F(Collector, FailedLoadLeavesNoEntryAndIsTriedAgain) {
  EXPECT_EQ(names.GetData("bad"), nullptr);
  EXPECT_TRUE(names.entries.empty());
  EXPECT_EQ(names.GetData("bad"), nullptr);
  EXPECT_EQ(names.loads, (std::vector<std::string>{"bad", "bad"}));
  const auto log = Log();
  EXPECT_EQ(std::count(log.begin(), log.end(), "Error on loading data \"bad\""), 2);
}

TEST_F(Collector, FailedLoadRemovesItsOwnEntryNotTheLastOne) {
  EXPECT_EQ(names.GetData("sneaky"), nullptr);
  ASSERT_EQ(names.entries.size(), 1u);
  EXPECT_EQ(names.entries[0]->name, "helper");
  EXPECT_EQ(names.GetData("helper"), names.entries[0]->data);
}

TEST_F(Collector, RecursiveRequestGetsNoneAndTheOuterLoadGoesOn) {
  void* piece = names.GetData("self");
  EXPECT_EQ(names.inner, nullptr);
  ASSERT_NE(piece, nullptr);
  EXPECT_STREQ(static_cast<const char*>(piece), "self");
  const auto log = Log();
  EXPECT_NE(std::find(log.begin(), log.end(),
                      "Recursive use of data piece called \"self\" detected! Aborting..."),
            log.end());
  // A piece that needs another one gets it.
  names.GetData("outer");
  EXPECT_STREQ(static_cast<const char*>(names.inner), "inner");
}

TEST_F(Collector, ReleaseFreesAtTheLastUse) {
  void* piece = names.GetData("a");
  names.GetData("b");
  EXPECT_TRUE(names.ReleaseData("A"));
  EXPECT_EQ(names.freed, std::vector<std::string>{"a"});
  EXPECT_FALSE(names.ReleaseData("a"));
  EXPECT_FALSE(names.ReleaseDataByPointer(piece));
  names.GetData("c");
  names.GetData("c");
  void* c = names.GetData("C");
  EXPECT_TRUE(names.ReleaseDataByPointer(c));
  EXPECT_TRUE(names.ReleaseEntry(names.entries[1]));
  EXPECT_EQ(names.entries.size(), 2u);
  EXPECT_FALSE(names.ReleaseDataByPointer(nullptr));
  EXPECT_FALSE(names.ReleaseEntry(nullptr));
  names.PrepareAll();
  EXPECT_EQ(names.prepared, (std::vector<std::string>{"b", "c"}));
}

TEST(DemoCollectors, OneCollectorPerKindWithoutRegardToCase) {
  testsupport::ScopedTempDir dir;
  cVOXAdemo demo;
  auto* textures = new cVOXAdatacollector("texture");
  ASSERT_TRUE(demo.AddDataCollector(textures));
  EXPECT_EQ(textures->demo, &demo);
  cVOXAdatacollector second("Texture");
  EXPECT_FALSE(demo.AddDataCollector(&second));
  EXPECT_TRUE(demo.AddDataCollector(nullptr));
  EXPECT_EQ(demo.FindDataCollector("TEXTURE"), textures);
  EXPECT_EQ(demo.FindDataCollector("sample"), nullptr);
}

// Collectors go after the commands, and a kind's own FreeItem frees its pieces.
TEST(DemoCollectors, DeletedWithTheDemoThroughTheirKind) {
  testsupport::ScopedTempDir dir;
  std::vector<std::string> freed;
  {
    cVOXAdemo demo;
    auto* names = new NameCollector;
    ASSERT_TRUE(demo.AddDataCollector(names));
    names->GetData("x");
    names->GetData("y");
    struct Spy : NameCollector {
      std::vector<std::string>* out;
      ~Spy() override { *out = freed; }
    };
    auto* spy = new Spy;
    spy->kindName = "spy";
    spy->out = &freed;
    spy->GetData("z");
    ASSERT_TRUE(demo.AddDataCollector(spy));
  }
  EXPECT_EQ(freed, std::vector<std::string>{"z"});
}

}  // namespace

namespace {

// A command that gives its piece back when it is deleted, as resource-holding
// commands do: the demo must delete it while the collector still exists.
class Holder : public VOXA2::cVOXAcommand {
 public:
  explicit Holder(VOXA2::cVOXAdemo* owner) : cVOXAcommand(owner) {
    piece = owner->FindDataCollector("names")->GetData("held");
  }
  ~Holder() override { released = demo->FindDataCollector("names")->ReleaseDataByPointer(piece); }
  void* piece;
  static inline bool released = false;
};

TEST(DemoCollectors, CommandsAreDeletedBeforeTheCollectors) {
  testsupport::ScopedTempDir dir;
  Holder::released = false;
  {
    VOXA2::cVOXAdemo demo;
    ASSERT_TRUE(demo.AddDataCollector(new NameCollector));
    auto* pipeline = new VOXA2::cVOXApipeline(&demo);
    demo.pipelines.push_back(pipeline);
    pipeline->AddCommand(new Holder(&demo));
  }
  EXPECT_TRUE(Holder::released);
}

}  // namespace

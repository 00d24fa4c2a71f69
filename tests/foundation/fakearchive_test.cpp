#include "foundation/fakearchive.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "foundation/archive.h"
#include "foundation/streams.h"
#include "tests/foundation/stream_fixtures.h"
#include "tests/support/tempdir.h"

using streamtest::PlainFileAccess;
using streamtest::ReadAll;
using streamtest::WriteBytes;
using testsupport::ScopedTempDir;

namespace {

using Listing = std::vector<std::pair<std::string, int32_t>>;

// A data tree with nested folders, an empty folder, hidden files and names in
// mixed case; "secret.txt" lies beside the data folder, outside it.
void MakeTree() {
  WriteBytes("data/GUI/pictures/Desktop.PCX", std::string(1234, 'p'));
  WriteBytes("data/GUI/mouse/arrow.pcx", "arrow");
  WriteBytes("data/GUI/.hidden", "h");
  WriteBytes("data/Readme.TXT", "readme");
  WriteBytes("data/a.txt", "aa");
  WriteBytes("data/zz/deep/er/bottom.bin", "bottom");
  WriteBytes("data/zz/empty.bin", "");
  std::filesystem::create_directories("data/Empty");
  WriteBytes("secret.txt", "secret");
}

Listing Search(TArchive& archive, const char* mask) {
  Listing found;
  tSearchRecord record;
  for (bool more = archive.FindFirst(&record, mask); more; more = archive.FindNext(&record)) {
    found.emplace_back(record.name, record.size);
  }
  archive.FindClose(&record);
  EXPECT_EQ(record.cursor, 0);
  return found;
}

std::string Content(const std::unique_ptr<TStream>& stream) {
  return stream ? ReadAll(*stream, 5000) : "<none>";
}

}  // namespace

// Depth-first and in name order: a sub-folder's files come before the entries
// that follow the sub-folder in its parent.
TEST(TFakeArchive, WalksTheTreeDepthFirstInNameOrder) {
  ScopedTempDir dir;
  MakeTree();
  TFakeArchive archive;
  archive.SetFileName("data\\");
  const Listing all = {
      {"GUI\\.hidden", 1},
      {"GUI\\mouse\\arrow.pcx", 5},
      {"GUI\\pictures\\Desktop.PCX", 1234},
      {"Readme.TXT", 6},
      {"a.txt", 2},
      {"zz\\deep\\er\\bottom.bin", 6},
      {"zz\\empty.bin", 0},
  };
  struct Case {
    const char* mask;
    Listing found;
  } cases[] = {
      {"*", all},
      {"*.*", all},
      {"*.pcx", {{"GUI\\mouse\\arrow.pcx", 5}, {"GUI\\pictures\\Desktop.PCX", 1234}}},
      {"GUI\\*", {{"GUI\\.hidden", 1}}},
      {"gui\\pictures\\*.pcx", {{"GUI\\pictures\\Desktop.PCX", 1234}}},
      {"readme.txt", {{"Readme.TXT", 6}}},
      {"*.gif", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask);
    EXPECT_EQ(Search(archive, c.mask), c.found);
  }
}

TEST(TFakeArchive, CurrentFolderAndOtherCaseFolderNames) {
  ScopedTempDir dir;
  MakeTree();
  struct Case {
    const char* folder;
    const char* mask;
    Listing found;
  } cases[] = {
      {"",
       "*.pcx",
       {{"data\\GUI\\mouse\\arrow.pcx", 5}, {"data\\GUI\\pictures\\Desktop.PCX", 1234}}},
      {"", "*.txt", {{"data\\Readme.TXT", 6}, {"data\\a.txt", 2}, {"secret.txt", 6}}},
      {"DATA\\gui\\",
       "*",
       {{".hidden", 1}, {"mouse\\arrow.pcx", 5}, {"pictures\\Desktop.PCX", 1234}}},
      {"data\\Empty\\", "*", {}},
      {"nowhere\\", "*", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "'" << c.folder << "' " << c.mask);
    TFakeArchive archive;
    archive.SetFileName(c.folder);
    EXPECT_EQ(Search(archive, c.mask), c.found);
  }
}

TEST(TFakeArchive, IsAlwaysOpen) {
  TFakeArchive archive;
  EXPECT_TRUE(archive.IsOpen());
  EXPECT_FALSE(archive.Open());
  archive.Close();
  EXPECT_TRUE(archive.IsOpen());
}

// Names come from the data tree, so they are looked up without regard to case,
// and none can reach outside the folder.
TEST(TFakeArchive, OpensMembersByBackslashPathsInsideTheFolderOnly) {
  ScopedTempDir dir;
  MakeTree();
  TFakeArchive archive;
  archive.SetFileName("data\\");
  struct Case {
    const char* member;
    const char* content;
  } cases[] = {
      {"GUI\\mouse\\arrow.pcx", "arrow"},
      {"gui\\MOUSE\\Arrow.PCX", "arrow"},
      {"readme.txt", "readme"},
      {"GUI\\.hidden", "h"},
      {"zz\\empty.bin", ""},
      {"GUI\\mouse\\missing.pcx", "<none>"},
      {"GUI", "<none>"},  // a folder is no member
      {"..\\secret.txt", "<none>"},
      {"GUI\\..\\..\\secret.txt", "<none>"},
      {"../secret.txt", "<none>"},
      {"GUI\\..\\a.txt", "<none>"},
      {"\\etc\\passwd", "<none>"},
      {"/etc/passwd", "<none>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.member);
    std::unique_ptr<TStream> stream = archive.OpenFile(c.member, true);
    if (stream) {
      EXPECT_NE(dynamic_cast<TFile*>(stream.get()), nullptr);
    }
    EXPECT_EQ(Content(stream), c.content);
  }
}

TEST(TFakeArchive, ExtractMemberReadsTheWholeFile) {
  ScopedTempDir dir;
  MakeTree();
  TFakeArchive archive;
  archive.SetFileName("data\\");
  struct Case {
    const char* member;
    const char* content;  // null: no data
  } cases[] = {
      {"gui\\pictures\\desktop.pcx", nullptr},  // checked by size below
      {"a.txt", "aa"},
      {"zz\\empty.bin", nullptr},
      {"missing.bin", nullptr},
      {"..\\secret.txt", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.member);
    int32_t size = -7;
    uint8_t* data = nullptr;
    archive.ExtractMember(c.member, size, data, nullptr);
    if (std::string(c.member) == "gui\\pictures\\desktop.pcx") {
      ASSERT_NE(data, nullptr);
      EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), std::string(1234, 'p'));
    } else if (c.content) {
      ASSERT_NE(data, nullptr);
      EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), c.content);
    } else {
      EXPECT_EQ(data, nullptr);
      EXPECT_EQ(size, 0);
    }
    std::free(data);
  }
}

// The road of every loader: a mounted data folder, then plain files.
TEST(TFakeArchive, MountedFolderThroughTheFileAccessLayer) {
  ScopedTempDir dir;
  MakeTree();
  WriteBytes("extra/a.txt", "extra a");
  WriteBytes("extra/b.txt", "extra b");
  WriteBytes("a.txt", "plain a");
  ClearFileAccessFunctions();
  TFakeArchive data, extra;
  data.SetFileName("data\\");
  extra.SetFileName("extra\\");
  AddFileAccessFunction(PlainFileAccess);
  AddArchive(&data);
  AddArchive(&extra);

  EXPECT_EQ(Content(OpenFile("a.txt", 1024)), "aa");
  EXPECT_EQ(Content(OpenFile("B.TXT", 1024)), "extra b");
  EXPECT_EQ(Content(OpenFile("secret.txt", 0)), "secret");  // a plain file
  EXPECT_EQ(Content(OpenFile("GUI\\nothing.pcx", 1024)), "<none>");
  std::unique_ptr<TStream> picture = OpenFile("GUI\\Pictures\\DESKTOP.pcx", 1024);
  ASSERT_NE(dynamic_cast<TBufferedStream*>(picture.get()), nullptr);
  EXPECT_EQ(Content(picture), std::string(1234, 'p'));

  Listing found;
  tSearchRecord record;
  for (bool more = FindFirst(&record, "*.txt"); more; more = FindNext(&record)) {
    found.emplace_back(record.name, record.size);
  }
  FindClose(&record);
  EXPECT_EQ(found, (Listing{{"Readme.TXT", 6}, {"a.txt", 2}, {"a.txt", 7}, {"b.txt", 7}}));

  RemoveArchive(&data);
  EXPECT_EQ(Content(OpenFile("a.txt", 0)), "extra a");
  RemoveArchive(&extra);
  EXPECT_EQ(Content(OpenFile("a.txt", 0)), "plain a");
  FreeFileAccessLists();
}

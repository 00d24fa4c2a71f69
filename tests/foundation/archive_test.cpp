#include "foundation/archive.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "foundation/streams.h"
#include "tests/foundation/stream_fixtures.h"
#include "tests/support/tempdir.h"

using streamtest::MemberArchive;
using streamtest::PlainFileAccess;
using streamtest::ReadAll;
using streamtest::WriteBytes;
using testsupport::ScopedTempDir;

namespace {

// Every test starts and ends with empty registries.
class FileAccess : public testing::Test {
 protected:
  void SetUp() override { ClearFileAccessFunctions(); }
  void TearDown() override { FreeFileAccessLists(); }
};

std::string Content(const std::unique_ptr<TStream>& stream) {
  return stream ? ReadAll(*stream, 1000) : "<none>";
}

using Listing = std::vector<std::pair<std::string, int32_t>>;

Listing GlobalSearch(const char* mask) {
  Listing found;
  tSearchRecord record;
  for (bool more = FindFirst(&record, mask); more; more = FindNext(&record)) {
    found.emplace_back(record.name, record.size);
  }
  FindClose(&record);
  EXPECT_EQ(record.cursor, 0);
  return found;
}

}  // namespace

TEST(PathHelpers, FileNamePartAndExtension) {
  struct Case {
    const char* path;
    const char* namePart;
    const char* extension;
  } cases[] = {
      {"plain", "plain", ""},
      {"a\\b/c.txt", "c.txt", "txt"},
      {"dir\\", "", ""},
      {"folder.d\\file", "file", ""},  // a dot in a folder name does not count
      {"a.tar.gz", "a.tar.gz", "gz"},
      {"name.", "name.", ""},
      {"GUI\\x.PNG", "x.PNG", "PNG"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_STREQ(GetFileNamePart(c.path), c.namePart);
    EXPECT_STREQ(GetFileExtension(c.path), c.extension);
  }
}

TEST(PathHelpers, MatchFileMask) {
  struct Case {
    const char* mask;
    const char* name;
    bool matches;
  } cases[] = {
      // star, dot, extension: any folder, any case, and names running on
      {"*.png", "x.png", true},
      {"*.png", "X.PNG", true},
      {"*.png", "a\\b\\x.Png", true},
      {"*.png", "x.pngx", true},
      {"*.png", "x.pn", false},
      {"*.png", "x.jpg", false},
      {"*.png", "png", false},
      // star, dot, star
      {"*.*", "readme", false},
      {"*.*", "dir\\a.b", true},
      // lone star
      {"*", "readme", true},
      {"*", "dir\\sub\\a.b", true},
      // letters and a star, no dot
      {"abc*", "abc", false},
      {"abc*", "abcd", true},
      {"abc*", "ABCDE.txt", true},
      // question marks never match a dot
      {"???.txt", "abc.txt", true},
      {"???.txt", "a.b.txt", false},
      {"???.txt", "ab.txt", false},
      {"???.txt", "abcd.txt", false},
      {"a?c", "abc", true},
      {"a?c", "a.c", false},
      // a star inside the extension ends the walk
      {"*.t*", "x.txt", true},
      {"*.t*", "x.doc", false},
      // a star before the dot jumps to the extensions
      {"data*.dat", "data1.dat", true},
      {"data*.dat", "data1.txt", false},
      // a folder part must be the name's whole folder, in either case, same separators
      {"GUI\\*.pcx", "GUI\\x.pcx", true},
      {"GUI\\*.pcx", "gui\\X.PCX", true},
      {"GUI\\*.pcx", "GUI/x.pcx", false},
      {"GUI\\*.pcx", "GUI\\pictures\\x.pcx", false},
      {"GUI\\*.pcx", "x.pcx", false},
      // no mask matches everything
      {nullptr, "anything.at\\all", true},
      {"", "x", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.mask ? c.mask : "(none)") << " ~ " << c.name);
    EXPECT_EQ(MatchFileMask(c.name, c.mask), c.matches);
  }
}

TEST_F(FileAccess, OpenFileWrapsOnlyWhatDoesNotBufferItself) {
  ScopedTempDir dir;
  WriteBytes("plain.txt", "plain bytes");
  MemberArchive archive({{"member.txt", "member bytes"}});
  AddArchive(&archive);
  AddFileAccessFunction(PlainFileAccess);

  enum Kind { kNone, kArcFile, kBuffered, kFile };
  struct Case {
    const char* path;
    int32_t bufferSize;
    Kind kind;
    bool archiveAskedBuffered;
    const char* content;
  } cases[] = {
      {"member.txt", 4096, kArcFile, true, "member bytes"},
      {"member.txt", 0, kArcFile, false, "member bytes"},
      {"member.txt", -1, kArcFile, true, "member bytes"},
      {"plain.txt", 4096, kBuffered, true, "plain bytes"},
      {"plain.txt", 0, kFile, false, "plain bytes"},
      {"plain.txt", -1, kFile, true, "plain bytes"},
      {"missing.txt", 4096, kNone, true, "<none>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.path << " with " << c.bufferSize);
    std::unique_ptr<TStream> stream = OpenFile(c.path, c.bufferSize);
    EXPECT_EQ(archive.lastBuffered, c.archiveAskedBuffered);
    Kind kind = !stream                                        ? kNone
                : dynamic_cast<TArcFile*>(stream.get())        ? kArcFile
                : dynamic_cast<TBufferedStream*>(stream.get()) ? kBuffered
                : dynamic_cast<TFile*>(stream.get())           ? kFile
                                                               : kNone;
    EXPECT_EQ(kind, c.kind);
    if (kind == kBuffered) {
      EXPECT_NE(dynamic_cast<TFile*>(static_cast<TBufferedStream*>(stream.get())->Inner()),
                nullptr);
      EXPECT_EQ(stream->Size(), 11);
    }
    EXPECT_EQ(Content(stream), c.content);
  }
}

TEST_F(FileAccess, FirstHitWinsInMountThenRegistrationOrder) {
  ScopedTempDir dir;
  WriteBytes("shared.txt", "disk");
  WriteBytes("disk-only.txt", "disk only");
  MemberArchive first({{"shared.txt", "first"}, {"first-only.txt", "1"}});
  MemberArchive second({{"shared.txt", "second"}, {"first-only.txt", "2"}});
  // A function that answers every path with its own bytes, registered after
  // the plain files: it is asked only when they have nothing.
  tFileAccessFunction fallback = [](const char*, int32_t) -> std::unique_ptr<TStream> {
    static char bytes[] = "fallback";
    return std::make_unique<TMemFile>(bytes, 8, true);
  };
  AddArchive(nullptr);  // ignored
  AddArchive(&first);
  AddArchive(&second);
  AddFileAccessFunction(nullptr);  // ignored
  AddFileAccessFunction(PlainFileAccess);
  AddFileAccessFunction(fallback);

  struct Step {
    const char* action;
    const char* path;
    const char* content;
  } steps[] = {
      {"", "shared.txt", "first"},
      {"", "first-only.txt", "1"},
      {"", "disk-only.txt", "disk only"},
      {"", "nowhere.txt", "fallback"},
      {"unmount second", "shared.txt", "first"},
      {"unmount first", "shared.txt", "disk"},
      {"unmount first again", "first-only.txt", "fallback"},
      {"mount second", "shared.txt", "second"},
      {"free", "shared.txt", "<none>"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << s.action << ": " << s.path);
    std::string action = s.action;
    if (action == "unmount second") RemoveArchive(&second);
    if (action == "unmount first" || action == "unmount first again") RemoveArchive(&first);
    if (action == "mount second") AddArchive(&second);
    if (action == "free") FreeFileAccessLists();
    EXPECT_EQ(Content(OpenFile(s.path, 0)), s.content);
  }
}

TEST_F(FileAccess, ClearEmptiesBothRegistries) {
  ScopedTempDir dir;
  WriteBytes("f.txt", "x");
  MemberArchive archive({{"m.txt", "y"}});
  AddArchive(&archive);
  AddFileAccessFunction(PlainFileAccess);
  ClearFileAccessFunctions();
  EXPECT_EQ(OpenFile("f.txt", 0), nullptr);
  EXPECT_EQ(OpenFile("m.txt", 0), nullptr);
  EXPECT_EQ(OpenFile(nullptr, 0), nullptr);
}

TEST_F(FileAccess, GlobalSearchGoesThroughTheArchivesInMountOrder) {
  MemberArchive first({{"a.txt", "11"}, {"b.dat", "2"}, {"dir\\c.txt", "333"}});
  MemberArchive second({{"a.txt", "4444"}, {"e.TXT", "55555"}});
  EXPECT_EQ(GlobalSearch("*.txt"), Listing{});
  AddArchive(&first);
  AddArchive(&second);
  struct Case {
    const char* mask;
    Listing found;
  } cases[] = {
      {"*.txt", {{"a.txt", 2}, {"dir\\c.txt", 3}, {"a.txt", 4}, {"e.TXT", 5}}},
      {"*.dat", {{"b.dat", 1}}},
      {"dir\\*", {{"dir\\c.txt", 3}}},
      {"e*", {{"e.TXT", 5}}},
      {"*.png", {}},
      {nullptr, {{"a.txt", 2}, {"b.dat", 1}, {"dir\\c.txt", 3}, {"a.txt", 4}, {"e.TXT", 5}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask ? c.mask : "(none)");
    EXPECT_EQ(GlobalSearch(c.mask), c.found);
  }
}

// Closing a search half-way releases the archive search under way as well.
TEST_F(FileAccess, GlobalSearchClosedHalfWay) {
  MemberArchive first({{"a.txt", "1"}, {"b.txt", "2"}});
  AddArchive(&first);
  tSearchRecord record;
  ASSERT_TRUE(FindFirst(&record, "*.txt"));
  EXPECT_EQ(record.name, "a.txt");
  FindClose(&record);
  EXPECT_EQ(record.cursor, 0);
  EXPECT_FALSE(FindNext(&record));
}

TEST(TArchiveBase, DefaultsAndOwnSearch) {
  TArchive archive;
  int32_t size = 7;
  uint8_t* data = reinterpret_cast<uint8_t*>(&size);
  archive.ExtractMember("x", size, data, nullptr);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(archive.OpenFile("x", false), nullptr);  // a TArcFile that found nothing
  tSearchRecord record;
  EXPECT_FALSE(archive.FindFirst(&record, "*"));
  archive.FindClose(&record);

  MemberArchive members({{"GUI\\a.pcx", "1"}, {"GUI\\b.tga", "22"}, {"x.pcx", "333"}});
  Listing found;
  for (bool more = members.FindFirst(&record, "*.PCX"); more; more = members.FindNext(&record)) {
    found.emplace_back(record.name, record.size);
  }
  members.FindClose(&record);
  EXPECT_EQ(found, (Listing{{"GUI\\a.pcx", 1}, {"x.pcx", 3}}));
}

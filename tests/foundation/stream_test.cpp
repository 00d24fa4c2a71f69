#include "foundation/stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "foundation/streams.h"
#include "tests/foundation/stream_fixtures.h"
#include "tests/support/tempdir.h"

using streamtest::MemberArchive;
using streamtest::OpenTFile;
using streamtest::ReadAll;
using streamtest::WriteBytes;
using testsupport::ReadFile;
using testsupport::ScopedTempDir;

namespace {

// Hands out fewer bytes than asked: the first `available` bytes of 0x11 0x22 ...
class ShortStream : public TStream {
 public:
  explicit ShortStream(int32_t available) : available_(available) {}
  int32_t Read(void* buffer, int32_t size, int32_t count) override {
    int32_t n = std::min(available_, size * count);
    for (int32_t i = 0; i < n; ++i) static_cast<uint8_t*>(buffer)[i] = uint8_t(0x11 * (i + 1));
    available_ -= n;
    return n / size;
  }

 private:
  int32_t available_;
};

}  // namespace

TEST(TStreamBase, AnswersOfTheBareInterface) {
  TStream stream;
  char byte = 0;
  EXPECT_FALSE(stream.Open(kStreamRead));
  EXPECT_FALSE(stream.IsOpen());
  EXPECT_EQ(stream.Read(&byte, 1, 1), 0);
  EXPECT_EQ(stream.Write(&byte, 1, 1), 0);
  EXPECT_FALSE(stream.Failed());
  EXPECT_EQ(stream.Tell(), -1);
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_TRUE(stream.Eof());
  EXPECT_FALSE(stream.Remove());
  EXPECT_FALSE(stream.IsBuffered());
}

// The base reads give 0 on a short read, never a stale or partial value.
TEST(TStreamBase, ShortReadsGiveZero) {
  struct Case {
    int32_t available;
    uint32_t byte, word, dword;
  } cases[] = {
      {0, 0, 0, 0},
      {1, 0x11, 0, 0},
      {3, 0x11, 0x2211, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.available);
    ShortStream forByte(c.available), forWord(c.available), forDword(c.available);
    EXPECT_EQ(forByte.ReadByte(), c.byte);
    EXPECT_EQ(forWord.ReadWord(), c.word);
    EXPECT_EQ(forDword.ReadDword(), c.dword);
  }
}

TEST(TStreamWrapper, WithoutInnerStream) {
  TStreamWrapper wrapper;
  char byte = 0;
  EXPECT_FALSE(wrapper.Open(kStreamRead));
  EXPECT_FALSE(wrapper.IsOpen());
  EXPECT_EQ(wrapper.Read(&byte, 1, 1), 0);
  EXPECT_EQ(wrapper.ReadDword(), 0u);
  EXPECT_FALSE(wrapper.Failed());
  EXPECT_EQ(wrapper.Tell(), -1);
  EXPECT_EQ(wrapper.Size(), -1);
  EXPECT_FALSE(wrapper.Eof());
  EXPECT_FALSE(wrapper.IsBuffered());
}

TEST(TStreamWrapper, ForwardsToItsInnerStream) {
  ScopedTempDir dir;
  WriteBytes("f.bin", "abcdef");
  TStreamWrapper wrapper(std::make_unique<TFile>());
  wrapper.SetName("f.bin");
  ASSERT_TRUE(wrapper.Open(kStreamRead));
  wrapper.Seek(2, kSeekStart);
  EXPECT_EQ(ReadAll(wrapper, 2), "cd");
  EXPECT_EQ(wrapper.Tell(), 4);
  EXPECT_EQ(wrapper.Size(), 6);
  EXPECT_FALSE(wrapper.IsBuffered());
  wrapper.Seek(0, 3);
  EXPECT_TRUE(wrapper.Failed());
}

TEST(TArchiveWrapper, FetchesTheNamedMemberAndRenamingDropsTheOldOne) {
  MemberArchive archive({{"a", "first"}, {"b", "second"}});
  TArchiveWrapper wrapper(&archive);
  EXPECT_FALSE(wrapper.Open(kStreamRead));  // no member named yet

  wrapper.SetName("a");
  ASSERT_TRUE(wrapper.Open(kStreamWrite));  // the archive opens for reading anyway
  EXPECT_EQ(ReadAll(wrapper, 100), "first");
  EXPECT_FALSE(archive.lastBuffered);

  wrapper.SetName("b");
  EXPECT_FALSE(wrapper.IsOpen());
  ASSERT_TRUE(wrapper.Open(kStreamRead));
  EXPECT_EQ(ReadAll(wrapper, 100), "second");

  wrapper.SetName("missing");
  EXPECT_FALSE(wrapper.Open(kStreamRead));

  TArchiveWrapper orphan(nullptr);
  orphan.SetName("a");
  EXPECT_FALSE(orphan.Open(kStreamRead));
}

// ------------------------------------------------------------------- TFile

TEST(TFile, OpenModes) {
  struct Case {
    int mode;
    bool exists;
    bool opens;
    int32_t tellAfterOpen;
    const char* afterWritingXY;  // file content after writing "xy" and closing
  } cases[] = {
      {1, true, true, 0, "hello"},     // read only: the write fails
      {1, false, false, -1, nullptr},  // missing
      {2, true, true, 0, "xy"},        // emptied
      {3, true, true, 0, "xyllo"},     // read and write, kept
      {3, false, true, 0, "xy"},       // created through "w+b"
      {5, true, true, 5, "hello"},     // read, at the end
      {6, true, true, 5, "helloxy"},   // append
      {7, true, true, 0, "helloxy"},   // append and read
      {4, true, false, -1, nullptr},  {0, true, false, -1, nullptr}, {8, true, false, -1, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << (c.exists ? " existing" : " missing"));
    ScopedTempDir dir;
    if (c.exists) WriteBytes("f.bin", "hello");
    TFile file;
    file.SetName("f.bin");
    EXPECT_EQ(file.Open(c.mode), c.opens);
    EXPECT_EQ(file.IsOpen(), c.opens);
    EXPECT_EQ(file.Failed(), !c.opens);
    EXPECT_EQ(file.Tell(), c.tellAfterOpen);
    if (!c.opens) continue;
    file.Write("xy", 1, 2);
    file.Close();
    EXPECT_EQ(ReadFile("f.bin"), c.afterWritingXY);
  }
}

TEST(TFile, WithoutNameOpensNothingAndKeepsTheErrorFlag) {
  TFile file;
  EXPECT_FALSE(file.Open(kStreamRead));
  EXPECT_FALSE(file.Failed());
  EXPECT_FALSE(file.Remove());
  EXPECT_TRUE(file.Failed());
}

TEST(TFile, ReadCountsWholeItems) {
  ScopedTempDir dir;
  WriteBytes("f.bin", "0123456789");
  struct Case {
    int32_t size, count, items, tell;
  } cases[] = {
      {4, 3, 2, 10},  // ten bytes move, two whole items
      {1, 4, 4, 4},  {5, 2, 2, 10}, {3, 4, 3, 10}, {0, 5, 0, 0}, {5, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << " x " << c.count);
    auto file = OpenTFile("f.bin");
    char buffer[32] = {};
    EXPECT_EQ(file->Read(buffer, c.size, c.count), c.items);
    EXPECT_EQ(file->Tell(), c.tell);
  }
}

TEST(TFile, SeekWithEveryOrigin) {
  ScopedTempDir dir;
  WriteBytes("f.bin", "0123456789");
  struct Case {
    int32_t offset;
    int origin;
    int32_t tell;
    bool failed;
    char next;
  } cases[] =
      {
          {7, 0, 7, false, '7'},  {2, 1, 6, false, '6'}, {-3, 2, 7, false, '7'},
          {-2, 1, 2, false, '2'}, {1, 3, 4, true, '4'},  {1, -1, 4, true, '4'},
          {-20, 0, 4, true, '4'},  // before the start: refused by the file
      };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.offset << " from " << c.origin);
    auto file = OpenTFile("f.bin");
    file->Seek(4, kSeekStart);
    file->Seek(c.offset, c.origin);
    EXPECT_EQ(file->Tell(), c.tell);
    EXPECT_EQ(file->Failed(), c.failed);
    EXPECT_EQ(file->ReadByte(), c.next);
  }
}

TEST(TFile, ErrorFlagIsStickyUntilTheNextSuccessfulOpen) {
  ScopedTempDir dir;
  WriteBytes("f.bin", "0123456789");
  TFile file;
  file.SetName("f.bin");
  ASSERT_TRUE(file.Open(kStreamRead));
  file.Seek(0, 3);
  EXPECT_TRUE(file.Failed());
  file.Seek(1, kSeekStart);  // a good seek does not clear it
  EXPECT_TRUE(file.Failed());
  file.Close();
  EXPECT_TRUE(file.Failed());
  ASSERT_TRUE(file.Open(kStreamRead));
  EXPECT_FALSE(file.Failed());
}

TEST(TFile, SizeLeavesThePositionAndEndIsReported) {
  ScopedTempDir dir;
  WriteBytes("f.bin", "0123456789");
  auto file = OpenTFile("f.bin");
  file->Seek(3, kSeekStart);
  EXPECT_EQ(file->Size(), 10);
  EXPECT_EQ(file->Tell(), 3);
  EXPECT_FALSE(file->Eof());
  EXPECT_EQ(ReadAll(*file, 20), "3456789");
  EXPECT_TRUE(file->Eof());
}

TEST(TFile, ClosedFileAnswersSafelyAndSetsTheErrorFlag) {
  struct Case {
    const char* name;
    void (*use)(TFile&);
  } cases[] = {
      {"Read",
       [](TFile& f) {
         char b;
         EXPECT_EQ(f.Read(&b, 1, 1), 0);
       }},
      {"Write", [](TFile& f) { EXPECT_EQ(f.Write("x", 1, 1), 0); }},
      {"Tell", [](TFile& f) { EXPECT_EQ(f.Tell(), -1); }},
      {"Size", [](TFile& f) { EXPECT_EQ(f.Size(), -1); }},
      {"Eof", [](TFile& f) { EXPECT_TRUE(f.Eof()); }},
      {"Seek", [](TFile& f) { f.Seek(0, kSeekStart); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFile file;
    file.SetName("nowhere.bin");
    EXPECT_FALSE(file.Failed());
    c.use(file);
    EXPECT_TRUE(file.Failed());
  }
}

TEST(TFile, TruncateCutsAtThePosition) {
  ScopedTempDir dir;
  WriteBytes("f.bin", "0123456789");
  auto file = OpenTFile("f.bin", 3);
  file->Seek(4, kSeekStart);
  file->Truncate();
  EXPECT_EQ(file->Size(), 4);
  file->Close();
  EXPECT_EQ(ReadFile("f.bin"), "0123");
}

TEST(TFile, RemoveDeletesTheFile) {
  ScopedTempDir dir;
  WriteBytes("f.bin", "x");
  auto file = OpenTFile("f.bin");
  EXPECT_TRUE(file->Remove());
  EXPECT_FALSE(file->IsOpen());
  EXPECT_FALSE(std::filesystem::exists("f.bin"));
  EXPECT_FALSE(file->Remove());
}

TEST(TFile, DataPathsUseBackslashesAndAnyLetterCase) {
  ScopedTempDir dir;
  WriteBytes("Data/GUI/pictures/Desktop.PCX", "pcx");
  WriteBytes("Data/gui/other.txt", "lower");  // a second folder that differs only in case
  struct Case {
    const char* path;
    const char* content;
  } cases[] = {
      {"Data\\GUI\\pictures\\Desktop.PCX", "pcx"},
      {"data\\GUI\\PICTURES\\desktop.pcx", "pcx"},
      {"DATA\\Gui\\pictures\\desktop.pcx", "pcx"},  // no exact "Gui": "GUI" comes first by name
      {"Data/GUI/pictures/Desktop.PCX", "pcx"},
      {"DATA\\gui\\other.txt", "lower"},  // exact "gui" wins over "GUI"
      {"Data\\GUI\\pictures\\missing.pcx", nullptr},
      {"Data\\GUI", nullptr},  // a folder is not a file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    auto file = OpenTFile(c.path);
    ASSERT_EQ(file != nullptr, c.content != nullptr);
    if (file) {
      EXPECT_EQ(ReadAll(*file, 100), c.content);
    }
  }
}

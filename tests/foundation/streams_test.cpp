#include "foundation/streams.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "foundation/stream.h"
#include "tests/foundation/stream_fixtures.h"
#include "tests/support/tempdir.h"

using streamtest::MemberArchive;
using streamtest::OpenTFile;
using streamtest::Pattern;
using streamtest::ReadAll;
using streamtest::WriteBytes;
using testsupport::ReadFile;
using testsupport::ScopedTempDir;

// Every kind keeps the little-endian order of two- and four-byte reads.
TEST(StreamKinds, WordsAndDwordsAreLittleEndian) {
  ScopedTempDir dir;
  const std::string bytes("\x34\x12\x78\x56\x34\x12", 6);
  WriteBytes("w.bin", bytes);
  WriteBytes("framed.bin", "ab" + bytes + "cd");
  std::string memory = bytes;
  MemberArchive archive({{"w", bytes}});
  std::unique_ptr<TStream> outerFile;  // the window's inner stream

  struct Case {
    const char* kind;
    std::function<std::unique_ptr<TStream>()> make;
  } cases[] = {
      {"TFile", [] { return OpenTFile("w.bin"); }},
      {"TBufferedStream", [] { return std::make_unique<TBufferedStream>(OpenTFile("w.bin"), 4); }},
      {"TPrereadStream",
       [] {
         auto file = std::make_unique<TFile>();
         file->SetName("w.bin");
         auto s = std::make_unique<TPrereadStream>(std::move(file));
         s->Open(kStreamRead);
         return s;
       }},
      {"TArcFile", [&] { return archive.OpenFile("w", false); }},
      {"TMemFile", [&] { return std::make_unique<TMemFile>(memory.data(), 6, true); }},
      {"TStreamWindow",
       [&] {
         outerFile = OpenTFile("framed.bin");
         auto s = std::make_unique<TStreamWindow>(outerFile.get(), 2, 7);
         s->Open(kStreamRead);
         return s;
       }},
      {"TStreamWrapper", [] { return std::make_unique<TStreamWrapper>(OpenTFile("w.bin")); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    std::unique_ptr<TStream> stream = c.make();
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->ReadWord(), 0x1234);
    EXPECT_EQ(stream->ReadDword(), 0x12345678u);
    EXPECT_EQ(stream->Tell(), 6);
  }
}

// ----------------------------------------------------------- TBufferedStream

TEST(TBufferedStream, ZeroBufferSizeMeans1024Bytes) {
  ScopedTempDir dir;
  WriteBytes("f.bin", Pattern(3000));
  auto file = OpenTFile("f.bin");
  TStream* inner = file.get();
  TBufferedStream stream(std::move(file), 0);
  EXPECT_TRUE(stream.IsBuffered());
  EXPECT_EQ(stream.ReadByte(), static_cast<uint8_t>(Pattern(1)[0]));
  EXPECT_EQ(inner->Tell(), 1024);
  EXPECT_EQ(stream.Tell(), 1);
}

TEST(TBufferedStream, ReadsAcrossBufferBoundariesCountWholeItems) {
  ScopedTempDir dir;
  const std::string data = Pattern(3000);
  WriteBytes("f.bin", data);
  struct Case {
    int32_t bufferSize, skip, itemSize, count;
    int32_t items;
    bool end;
  } cases[] = {
      {1024, 0, 1, 5000, 3000, true},  // more than the stream holds
      {1024, 1000, 1, 100, 100, false},
      {16, 5, 10, 7, 7, false},  // every item spans buffer
                                 // boundaries
      {7, 2990, 4, 3, 2, true},  // two whole items of ten bytes left
      {1, 0, 3, 9, 9, false},
      {4096, 2999, 2, 1, 0, true},
      {64, 0, 0, 10, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "buffer " << c.bufferSize << " skip " << c.skip << " "
                                    << c.itemSize << " x " << c.count);
    TBufferedStream stream(OpenTFile("f.bin"), c.bufferSize);
    if (c.skip) {
      EXPECT_EQ(ReadAll(stream, c.skip), data.substr(0, c.skip));
    }
    std::string buffer(6000, '\0');
    EXPECT_EQ(stream.Read(buffer.data(), c.itemSize, c.count), c.items);
    int32_t moved = std::min<int32_t>(c.itemSize * c.count, 3000 - c.skip);
    EXPECT_EQ(buffer.substr(0, moved), data.substr(c.skip, moved));
    EXPECT_EQ(stream.Tell(), c.skip + moved);
    EXPECT_EQ(stream.Eof(), c.end);
  }
}

TEST(TBufferedStream, SeekWithEveryOrigin) {
  ScopedTempDir dir;
  const std::string data = Pattern(3000);
  WriteBytes("f.bin", data);
  struct Case {
    int32_t offset;
    int origin;
    int32_t tell;
    bool failed;
  } cases[] = {
      {0, 1, 10, false},      {25, 1, 35, false},   {-4, 1, 6, false},
      {2000, 0, 2000, false}, {-1, 2, 2999, false}, {5, 3, 10, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.offset << " from " << c.origin);
    TBufferedStream stream(OpenTFile("f.bin"), 64);
    ReadAll(stream, 10);
    stream.Seek(c.offset, c.origin);
    EXPECT_EQ(stream.Tell(), c.tell);
    EXPECT_EQ(stream.Failed(), c.failed);
    EXPECT_EQ(stream.ReadByte(), static_cast<uint8_t>(data[c.tell]));
  }
}

TEST(TBufferedStream, SizeIsTakenOnceAndLeavesThePosition) {
  ScopedTempDir dir;
  WriteBytes("f.bin", Pattern(3000));
  TBufferedStream stream(OpenTFile("f.bin"), 100);
  ReadAll(stream, 150);
  EXPECT_EQ(stream.Size(), 3000);
  EXPECT_EQ(stream.Tell(), 150);
}

TEST(TBufferedStream, IsReadOnly) {
  ScopedTempDir dir;
  WriteBytes("f.bin", "0123456789");
  auto file = OpenTFile("f.bin");
  TStream* inner = file.get();
  TBufferedStream stream(std::move(file), 4);
  ReadAll(stream, 3);
  for (int mode : {2, 3, 6, 7}) {
    SCOPED_TRACE(mode);
    EXPECT_FALSE(stream.Open(mode));
    EXPECT_TRUE(inner->IsOpen());
    EXPECT_EQ(stream.Tell(), 3);
  }
  EXPECT_EQ(stream.Write("x", 1, 1), 0);
  EXPECT_EQ(ReadFile("f.bin"), "0123456789");
}

TEST(TBufferedStream, OpensAndClosesItsInnerStream) {
  ScopedTempDir dir;
  WriteBytes("f.bin", "0123456789");
  TBufferedStream stream(std::make_unique<TFile>(), 4);
  stream.SetName("f.bin");
  EXPECT_FALSE(stream.IsOpen());
  ASSERT_TRUE(stream.Open(kStreamRead));
  EXPECT_EQ(stream.Size(), 10);
  EXPECT_EQ(ReadAll(stream, 6), "012345");
  stream.Close();
  EXPECT_FALSE(stream.IsOpen());
  EXPECT_EQ(stream.Read(nullptr, 1, 1), 0);
  EXPECT_FALSE(stream.Open(kStreamRead | 8));
  TBufferedStream empty(nullptr, 4);  // a plain stream stands in
  EXPECT_FALSE(empty.Open(kStreamRead));
  EXPECT_EQ(empty.ReadByte(), 0);
  EXPECT_TRUE(empty.Eof());
}

// The error flag is the inner stream's and stays set.
TEST(TBufferedStream, ErrorFlagIsTheInnerStreams) {
  ScopedTempDir dir;
  WriteBytes("f.bin", "0123456789");
  TBufferedStream stream(OpenTFile("f.bin"), 4);
  EXPECT_FALSE(stream.Failed());
  stream.Seek(0, 7);
  EXPECT_TRUE(stream.Failed());
  stream.Seek(0, kSeekStart);
  EXPECT_TRUE(stream.Failed());
}

// ------------------------------------------------------------ TPrereadStream

namespace {

std::unique_ptr<TPrereadStream> Preread(const char* path) {
  auto file = std::make_unique<TFile>();
  file->SetName(path);
  return std::make_unique<TPrereadStream>(std::move(file));
}

}  // namespace

TEST(TPrereadStream, OpenModes) {
  struct Case {
    int mode;
    bool opens;
    int32_t tell, size;
    bool writes;
    const char* fileAfterClose;
  } cases[] = {
      {1, true, 0, 10, false, "0123456789"},   {2, true, 0, 0, true, "AB"},
      {3, true, 0, 10, true, "AB23456789"},    {5, true, 0, 10, false, "0123456789"},
      {6, true, 10, 10, true, "0123456789AB"}, {7, true, 0, 10, true, "AB23456789"},
      {4, false, 0, 0, false, "0123456789"},   {0, false, 0, 0, false, "0123456789"},
      {9, false, 0, 0, false, "0123456789"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    ScopedTempDir dir;
    WriteBytes("f.bin", "0123456789");
    auto stream = Preread("f.bin");
    EXPECT_FALSE(stream->IsBuffered());
    EXPECT_EQ(stream->Open(c.mode), c.opens);
    EXPECT_EQ(stream->Failed(), !c.opens);
    if (c.opens) {
      EXPECT_EQ(stream->Tell(), c.tell);
      EXPECT_EQ(stream->Size(), c.size);
      EXPECT_EQ(stream->Write("AB", 1, 2), c.writes ? 2 : 0);
      EXPECT_EQ(stream->Failed(), !c.writes);
    }
    stream->Close();
    EXPECT_EQ(ReadFile("f.bin"), c.fileAfterClose);
  }
}

TEST(TPrereadStream, MissingSourceFailsToLoad) {
  ScopedTempDir dir;
  auto stream = Preread("missing.bin");
  EXPECT_FALSE(stream->Open(kStreamRead));
  EXPECT_TRUE(stream->Failed());
  EXPECT_FALSE(stream->IsOpen());
  EXPECT_EQ(stream->Size(), 0);
}

TEST(TPrereadStream, SeekWithEveryOrigin) {
  ScopedTempDir dir;
  struct Case {
    int mode;
    int32_t offset;
    int origin;
    int32_t tell, size;
    bool failed;
  } cases[] = {
      {1, 7, 0, 7, 10, false},   {1, 2, 1, 6, 10, false},   {1, -3, 2, 7, 10, false},
      {1, 0, 3, 4, 10, true},    {1, -9, 1, 0, 10, true},  // before the start: to 0
      {1, 11, 0, 4, 10, true},  // beyond the end of a read-only stream: kept
      {1, 10, 0, 10, 10, false}, {3, 15, 0, 15, 15, false},  // grows with zero bytes
      {3, 2, 2, 12, 12, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "mode " << c.mode << ": " << c.offset << " from " << c.origin);
    WriteBytes("f.bin", "0123456789");  // a writable stream wrote its growth back
    auto stream = Preread("f.bin");
    ASSERT_TRUE(stream->Open(c.mode));
    stream->Seek(4, kSeekStart);
    stream->Seek(c.offset, c.origin);
    EXPECT_EQ(stream->Tell(), c.tell);
    EXPECT_EQ(stream->Size(), c.size);
    EXPECT_EQ(stream->Failed(), c.failed);
  }
}

TEST(TPrereadStream, GrowsFromAnEmptySourceWithZeroBytes) {
  ScopedTempDir dir;
  WriteBytes("empty.bin", "");
  auto stream = Preread("empty.bin");
  ASSERT_TRUE(stream->Open(3));
  EXPECT_EQ(stream->Size(), 0);
  stream->Seek(100, kSeekStart);
  EXPECT_EQ(stream->Size(), 100);
  stream->Close();
  EXPECT_EQ(ReadFile("empty.bin"), std::string(100, '\0'));
}

TEST(TPrereadStream, AppendGrowsByWhatIsWritten) {
  ScopedTempDir dir;
  WriteBytes("f.bin", "0123456789");
  auto stream = Preread("f.bin");
  ASSERT_TRUE(stream->Open(6));
  EXPECT_EQ(stream->Tell(), 10);
  EXPECT_EQ(stream->Write("abcde", 1, 5), 5);
  EXPECT_EQ(stream->Size(), 15);
  stream->Seek(8, kSeekStart);
  EXPECT_EQ(stream->Write("WXYZ", 2, 2), 2);  // overwrites two, appends two
  EXPECT_EQ(stream->Size(), 15);
  stream->Seek(0, kSeekStart);
  EXPECT_EQ(ReadAll(*stream, 100), "01234567WXYZcde");
  EXPECT_TRUE(stream->Eof());
  stream.reset();  // destruction writes back too
  EXPECT_EQ(ReadFile("f.bin"), "01234567WXYZcde");
}

TEST(TPrereadStream, ReadsCountWholeItemsAndTruncateCuts) {
  ScopedTempDir dir;
  WriteBytes("f.bin", "0123456789");
  auto stream = Preread("f.bin");
  ASSERT_TRUE(stream->Open(3));
  char buffer[16] = {};
  EXPECT_EQ(stream->Read(buffer, 4, 3), 2);
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  EXPECT_TRUE(stream->Eof());
  stream->Seek(6, kSeekStart);
  stream->Truncate();
  EXPECT_EQ(stream->Size(), 6);
  stream->Close();
  EXPECT_EQ(ReadFile("f.bin"), "012345");
}

// The default construction serves data given to it elsewhere; before that,
// and after closing, nothing can be read.
TEST(TPrereadStream, ClosedStreamReadsNothing) {
  TPrereadStream stream;
  EXPECT_TRUE(stream.IsBuffered());
  EXPECT_EQ(stream.ReadByte(), 0);
  EXPECT_TRUE(stream.Failed());
  char b;
  EXPECT_EQ(stream.Read(&b, 1, 1), 0);
  ASSERT_TRUE(stream.Open(2));
  EXPECT_EQ(stream.Write("abc", 1, 3), 3);
  stream.Close();
  EXPECT_FALSE(stream.Failed());
  EXPECT_EQ(stream.Size(), 0);
  EXPECT_EQ(stream.ReadByte(), 0);
  EXPECT_TRUE(stream.Failed());
}

// ----------------------------------------------------- single bytes at the end

TEST(MemoryStreams, ReadByteAtTheEndGivesZeroAndSetsTheErrorFlag) {
  ScopedTempDir dir;
  WriteBytes("f.bin", "ab");
  std::string memory = "ab";
  MemberArchive archive({{"m", "ab"}});
  struct Case {
    const char* kind;
    std::function<std::unique_ptr<TStream>()> make;
  } cases[] = {
      {"TMemFile", [&] { return std::make_unique<TMemFile>(memory.data(), 2, true); }},
      {"TPrereadStream",
       [] {
         auto s = Preread("f.bin");
         s->Open(kStreamRead);
         return std::unique_ptr<TStream>(std::move(s));
       }},
      {"TArcFile", [&] { return archive.OpenFile("m", true); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    auto stream = c.make();
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->ReadWord(), 0x6261);
    EXPECT_FALSE(stream->Failed());
    EXPECT_EQ(stream->ReadByte(), 0);
    EXPECT_TRUE(stream->Failed());
    EXPECT_FALSE(stream->Eof());
    EXPECT_EQ(stream->Tell(), 2);
  }
}

// ------------------------------------------------------------------ TArcFile

TEST(TArcFile, ServesTheDecodedMemberReadOnly) {
  MemberArchive archive({{"dir\\member.txt", "member bytes"}});
  TArcFile file(&archive);
  EXPECT_TRUE(file.IsBuffered());
  file.SetName("dir\\member.txt");
  EXPECT_FALSE(file.Open(kStreamWrite));
  EXPECT_TRUE(file.Failed());
  ASSERT_TRUE(file.Open(kStreamRead));
  EXPECT_FALSE(file.Failed());
  EXPECT_EQ(file.Size(), 12);
  EXPECT_EQ(ReadAll(file, 6), "member");
  EXPECT_EQ(file.Write("x", 1, 1), 0);
  EXPECT_TRUE(file.Failed());
  file.Seek(100, kSeekStart);
  EXPECT_EQ(file.Tell(), 6);
}

TEST(TArcFile, MissingMemberOrArchiveFailsToOpen) {
  MemberArchive archive({{"a", "x"}, {"empty", ""}});
  for (const char* name : {"missing", "empty"}) {
    SCOPED_TRACE(name);
    TArcFile file(&archive);
    file.SetName(name);
    EXPECT_FALSE(file.Open(kStreamRead));
    EXPECT_TRUE(file.Failed());
    EXPECT_FALSE(file.IsOpen());
  }
  TArcFile orphan(nullptr);
  orphan.SetName("a");
  EXPECT_FALSE(orphan.Open(kStreamRead));
}

// ------------------------------------------------------------------ TMemFile

TEST(TMemFile, WorksUnopenedAndNeverGrows) {
  char block[10];
  std::memcpy(block, "0123456789", 10);
  TMemFile file(block, 10, false);
  EXPECT_TRUE(file.IsBuffered());
  EXPECT_FALSE(file.IsOpen());
  file.Seek(-3, kSeekEnd);
  EXPECT_EQ(file.Write("abcdefgh", 1, 8), 3);
  EXPECT_TRUE(file.Eof());
  EXPECT_EQ(file.Size(), 10);
  EXPECT_EQ(std::string(block, 10), "0123456abc");
  file.Seek(0, kSeekStart);
  char buffer[12] = {};
  EXPECT_EQ(file.Read(buffer, 4, 3), 2);
  EXPECT_EQ(std::string(buffer, 10), "0123456abc");
  EXPECT_FALSE(file.Remove());
}

TEST(TMemFile, SeekWithEveryOrigin) {
  char block[10] = {};
  struct Case {
    int32_t offset;
    int origin;
    int32_t tell;
    bool failed;
  } cases[] = {
      {7, 0, 7, false},  {2, 1, 6, false}, {-3, 2, 7, false},
      {0, 3, 4, true},   {-9, 1, 0, true},  // before the start: to 0
      {11, 0, 4, true},                     // beyond the end: kept
      {0, 2, 10, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.offset << " from " << c.origin);
    TMemFile file(block, 10, true);
    file.Seek(4, kSeekStart);
    file.Seek(c.offset, c.origin);
    EXPECT_EQ(file.Tell(), c.tell);
    EXPECT_EQ(file.Failed(), c.failed);
  }
}

TEST(TMemFile, ReadOnlyRefusesWritesAndWriteModes) {
  char block[4] = {'a', 'b', 'c', 'd'};
  TMemFile file(block, 4, true);
  EXPECT_EQ(file.Write("x", 1, 1), 0);
  EXPECT_EQ(block[0], 'a');
  EXPECT_FALSE(file.Open(3));
  EXPECT_TRUE(file.Failed());
  EXPECT_TRUE(file.Open(kStreamRead));
  EXPECT_FALSE(file.Failed());
  file.Close();
  EXPECT_FALSE(file.IsOpen());
}

TEST(TMemFile, TruncateReallocatesTheCreatorsBlock) {
  uint8_t* block = static_cast<uint8_t*>(std::malloc(10));
  std::memcpy(block, "0123456789", 10);
  TMemFile file(block, 10, false);
  file.Seek(4, kSeekStart);
  file.Truncate();  // not open: nothing
  EXPECT_EQ(file.Size(), 10);
  ASSERT_TRUE(file.Open(2));
  file.Seek(4, kSeekStart);
  file.Truncate();
  EXPECT_EQ(file.Size(), 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(file.Data()), 4), "0123");
  std::free(file.Data());
}

// ------------------------------------------------------------- TStreamWindow

TEST(TStreamWindow, ReadsItsStretchAndNeverMovesTheInnerStream) {
  ScopedTempDir dir;
  const std::string data = Pattern(300);
  WriteBytes("f.bin", data);
  auto inner = OpenTFile("f.bin");
  inner->Seek(37, kSeekStart);
  TStreamWindow window(inner.get(), 100, 199);
  EXPECT_TRUE(window.Open(kStreamWrite));  // the mode is not looked at
  EXPECT_EQ(window.Size(), 100);
  window.Seek(80, kSeekStart);
  std::string buffer(150, '\0');
  EXPECT_EQ(window.Read(buffer.data(), 1, 150), 20);
  EXPECT_EQ(buffer.substr(0, 20), data.substr(180, 20));
  EXPECT_EQ(inner->Tell(), 37);
  EXPECT_TRUE(window.Eof());
  EXPECT_EQ(window.Write("x", 1, 1), 0);
  window.Seek(0, kSeekStart);
  EXPECT_EQ(window.ReadByte(), static_cast<uint8_t>(data[100]));
  EXPECT_EQ(inner->Tell(), 37);
}

TEST(TStreamWindow, SeekWithEveryOrigin) {
  ScopedTempDir dir;
  WriteBytes("f.bin", Pattern(300));
  auto inner = OpenTFile("f.bin");
  struct Case {
    int32_t offset;
    int origin;
    int32_t tell;
  } cases[] = {
      {30, 0, 30},  {5, 1, 15}, {-5, 2, 95},
      {0, 2, 100},  {3, 3, 10}, {-11, 1, 10},  // before the start: kept
      {101, 0, 10},                            // beyond the end: kept
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.offset << " from " << c.origin);
    TStreamWindow window(inner.get(), 100, 199);
    window.Open(kStreamRead);
    window.Seek(10, kSeekStart);
    window.Seek(c.offset, c.origin);
    EXPECT_EQ(window.Tell(), c.tell);
    EXPECT_FALSE(window.Failed());
  }
}

TEST(TStreamWindow, FollowsItsInnerStreamsState) {
  ScopedTempDir dir;
  WriteBytes("f.bin", Pattern(300));
  TFile inner;
  inner.SetName("f.bin");
  TStreamWindow window(&inner, 10, 19);
  EXPECT_FALSE(window.Open(kStreamRead));
  EXPECT_EQ(window.Tell(), -1);
  EXPECT_EQ(window.Size(), -1);
  char b;
  EXPECT_EQ(window.Read(&b, 1, 1), 0);
  ASSERT_TRUE(inner.Open(kStreamRead));
  EXPECT_TRUE(window.IsOpen());
  EXPECT_FALSE(window.IsBuffered());
  EXPECT_EQ(window.Size(), 10);

  TStreamWindow backwards(&inner, 20, 10);
  EXPECT_EQ(backwards.Size(), 0);
  EXPECT_TRUE(backwards.Eof());
}

// A window that reaches past its inner stream's end reports only what came.
TEST(TStreamWindow, PastTheInnerEndReportsWhatCame) {
  ScopedTempDir dir;
  WriteBytes("f.bin", Pattern(300));
  auto inner = OpenTFile("f.bin");
  TStreamWindow window(inner.get(), 250, 349);
  window.Open(kStreamRead);
  std::string buffer(100, '\0');
  EXPECT_EQ(window.Read(buffer.data(), 1, 100), 50);
  EXPECT_EQ(window.Tell(), 50);
  EXPECT_EQ(window.ReadDword(), 0u);
}

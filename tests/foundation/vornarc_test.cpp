#include "foundation/vornarc.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "foundation/streams.h"
#include "tests/foundation/archive_fixtures.h"
#include "tests/support/tempdir.h"
#include "tools/vornarc/writer.h"

using namespace archivetest;
using testsupport::ReadFile;
using testsupport::ScopedTempDir;
using vornarc::tMember;

namespace {

// Offsets of the fields in a member record.
enum : size_t {
  kDecoded = 0,
  kStored = 4,
  kMethod = 8,
  kDataOffset = 12,
  kFlags = 16,
  kStoredCrc = 17,
  kDecodedCrc = 21,
  kNameLength = 27,
  kExtraLength = 29,
};

void Poke32(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}
void Poke16(Bytes& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

tMember Member(std::string name, Bytes data, uint32_t method) {
  tMember m;
  m.name = std::move(name);
  m.data = std::move(data);
  m.method = method;
  return m;
}

// An open reader over the bytes, written to a file of the given name.
std::unique_ptr<TVORNarc> OpenArchive(const Bytes& bytes, bool* opened,
                                      const char* file = "archive.dat") {
  WriteFileBytes(file, bytes);
  auto archive = std::make_unique<TVORNarc>(DiskStream(file));
  *opened = archive->Open();
  return archive;
}

std::vector<std::pair<std::string, int32_t>> List(TArchive& archive, const char* mask = "*") {
  std::vector<std::pair<std::string, int32_t>> found;
  tSearchRecord search;
  for (bool ok = archive.FindFirst(&search, mask); ok; ok = archive.FindNext(&search)) {
    found.emplace_back(search.name, search.size);
  }
  archive.FindClose(&search);
  return found;
}

// Members of every method, one in a fragment chain, in three directory blocks
// (one of them empty).
std::vector<tMember> EveryKindOfMember() {
  std::vector<tMember> members;
  members.push_back(Member("readme.txt", TextBytes(5000, 1), kMethodStored));
  members.push_back(Member("GUI\\pictures\\desktop.pcx", TextBytes(40000, 2), kMethodDeflate));
  members.push_back(Member("GUI\\font.bin", TextBytes(30000, 3), kMethodLzh));
  members.push_back(Member("music\\song.mod", RandomBytes(25000, 4), kMethodBzip2));
  tMember pieces = Member("split.lzh", TextBytes(9000, 5), kMethodLzh);
  pieces.fragments = {100, 50, 1000};
  members.push_back(pieces);
  tMember storedPieces = Member("split.raw", RandomBytes(3000, 6), kMethodStored);
  storedPieces.fragments = {1};
  members.push_back(storedPieces);
  tMember decorated = Member("empty.txt", {}, kMethodStored);
  decorated.extra = ToBytes("extra bytes");
  decorated.flagBits = 0x55;
  decorated.kept = 7;
  members.push_back(decorated);
  members.push_back(Member("runs.bz2", RunBytes(50000), kMethodBzip2));
  return members;
}

TEST(VORNarc, MembersOfEveryMethodExtractAsWritten) {
  ScopedTempDir dir;
  std::vector<tMember> members = EveryKindOfMember();
  bool opened = false;
  auto archive = OpenArchive(vornarc::WriteArchive(members, {3, 0, 5}).bytes, &opened);
  ASSERT_TRUE(opened);

  auto listing = List(*archive);
  ASSERT_EQ(listing.size(), members.size());
  for (size_t i = 0; i < members.size(); ++i) {
    EXPECT_EQ(listing[i].first, members[i].name);
    EXPECT_EQ(listing[i].second, static_cast<int32_t>(members[i].data.size()));
    bool got = false;
    EXPECT_EQ(Extract(*archive, members[i].name.c_str(), nullptr, &got), members[i].data)
        << members[i].name;
    EXPECT_EQ(got, !members[i].data.empty()) << "a member of length 0 yields no data";
  }
  const tArcEntry& decorated = archive->Entries()[6];
  EXPECT_EQ(decorated.extra, ToBytes("extra bytes"));
  EXPECT_EQ(decorated.flags, 0x55);
  EXPECT_EQ(decorated.kept, 7);
  EXPECT_EQ(decorated.recordLength, 33u + 9u + 11u);
  EXPECT_TRUE(archive->Entries()[4].fragmented);
}

TEST(VORNarc, NamesMatchWithoutRegardToCaseButSeparatorsMustMatch) {
  ScopedTempDir dir;
  std::vector<tMember> members = {Member("GUI\\Mouse.PCX", ToBytes("first"), kMethodStored),
                                  Member("gui\\mouse.pcx", ToBytes("second"), kMethodDeflate)};
  bool opened = false;
  auto archive = OpenArchive(vornarc::WriteArchive(members).bytes, &opened);
  ASSERT_TRUE(opened);
  EXPECT_EQ(Extract(*archive, "gui\\MOUSE.pcx"), ToBytes("first")) << "the first record wins";
  bool got = true;
  Extract(*archive, "GUI/Mouse.PCX", nullptr, &got);
  EXPECT_FALSE(got);
  EXPECT_EQ(List(*archive, "gui\\*.pcx").size(), 2u);
}

// The directory of 19 members in blocks of 10 and 9, with one field changed.
struct OpenCase {
  const char* name;
  std::function<void(Bytes&)> change;
  bool opens;
};

TEST(VORNarc, DirectoryChecksDecideWhetherTheArchiveOpens) {
  ScopedTempDir dir;
  std::vector<tMember> members;
  for (int i = 0; i < 19; ++i) {
    members.push_back(Member("m" + std::to_string(i), TextBytes(50, i), kMethodStored));
  }
  const vornarc::tWritten base = vornarc::WriteArchive(members, {10, 9});
  const size_t firstRecord = base.recordOffsets[0];
  const OpenCase cases[] = {
      {"as written", [](Bytes&) {}, true},
      {"wrong magic", [](Bytes& b) { b[7] = 0x1B; }, false},
      {"count 18", [](Bytes& b) { Poke32(b, 8, 18); }, false},
      {"count 20", [](Bytes& b) { Poke32(b, 8, 20); }, false},
      {"cut inside the directory", [](Bytes& b) { b.erase(b.end() - 5, b.end()); }, false},
      {"cut inside the header", [](Bytes& b) { b.resize(12); }, false},
      {"first block past the end", [](Bytes& b) { Poke32(b, 12, 0x7FFFFF00); }, false},
      {"huge entry count", [](Bytes& b) { Poke32(b, 8, 0x7FFFFFFF); }, false},
      {"entry count with bit 31", [](Bytes& b) { Poke32(b, 8, 0xFFFFFFFF); }, false},
      {"name length with bit 15", [&](Bytes& b) { Poke16(b, firstRecord + kNameLength, 0x8000); },
       false},
      {"name longer than the file", [&](Bytes& b) { Poke16(b, firstRecord + kNameLength, 0x7FFF); },
       false},
      {"huge extra length", [&](Bytes& b) { Poke32(b, firstRecord + kExtraLength, 0xFFFFFFF0); },
       false},
      {"a block that points to itself",
       [&](Bytes& b) {
         uint32_t block = static_cast<uint32_t>(firstRecord - 8);
         Poke32(b, block, 0);
         Poke32(b, block + 4, block);
       },
       false},
  };
  for (const OpenCase& c : cases) {
    Bytes bytes = base.bytes;
    c.change(bytes);
    bool opened = false;
    auto archive = OpenArchive(bytes, &opened);
    EXPECT_EQ(opened, c.opens) << c.name;
    EXPECT_EQ(archive->IsOpen(), c.opens) << c.name;
  }
  EXPECT_NE(ReadFile("debug.txt").find("refused"), std::string::npos)
      << "hostile directories leave a line in the log";
}

TEST(VORNarc, EmptyArchivesAndEmptyBlocks) {
  ScopedTempDir dir;
  bool opened = false;
  auto empty = OpenArchive(vornarc::WriteArchive({}).bytes, &opened);
  EXPECT_TRUE(opened);
  EXPECT_TRUE(List(*empty).empty());
  EXPECT_EQ(empty->OpenFile("anything", true), nullptr);

  std::vector<tMember> members = {Member("a", ToBytes("A"), kMethodStored),
                                  Member("b", ToBytes("B"), kMethodStored)};
  auto gaps =
      OpenArchive(vornarc::WriteArchive(members, {0, 1, 0, 0, 1, 0}).bytes, &opened, "gaps.dat");
  ASSERT_TRUE(opened) << "blocks of 0 records are passed over";
  EXPECT_EQ(Extract(*gaps, "b"), ToBytes("B"));
}

// One member, with one field of its record changed; the member is read back.
struct MemberCase {
  const char* name;
  uint32_t method;
  std::vector<uint32_t> fragments;
  std::function<void(Bytes&, size_t record, const vornarc::tWritten&)> change;
  bool readable;
};

TEST(VORNarc, DamagedMembersYieldNoData) {
  ScopedTempDir dir;
  const Bytes data = TextBytes(4000, 7);
  auto field = [](size_t at, uint32_t value) {
    return [at, value](Bytes& b, size_t record, const vornarc::tWritten&) {
      Poke32(b, record + at, value);
    };
  };
  auto flipCrc = [](size_t at) {
    return [at](Bytes& b, size_t record, const vornarc::tWritten&) { b[record + at] ^= 1; };
  };
  auto storedSizeDelta = [](int delta) {
    return [delta](Bytes& b, size_t record, const vornarc::tWritten& w) {
      Poke32(b, record + kStored,
             static_cast<uint32_t>(static_cast<int>(w.storedSizes[0]) + delta));
    };
  };
  const MemberCase cases[] = {
      {"as written, deflate",
       kMethodDeflate,
       {},
       [](Bytes&, size_t, const vornarc::tWritten&) {},
       true},
      {"decoded CRC wrong", kMethodDeflate, {}, flipCrc(kDecodedCrc), false},
      {"stored CRC wrong", kMethodDeflate, {}, flipCrc(kStoredCrc), true},
      {"stored, decoded CRC wrong", kMethodStored, {}, flipCrc(kDecodedCrc), false},
      {"method 1", kMethodStored, {}, field(kMethod, 1), false},
      {"method 6", kMethodStored, {}, field(kMethod, 6), false},
      {"method 9", kMethodStored, {}, field(kMethod, 9), false},
      {"method 13", kMethodStored, {}, field(kMethod, 13), false},
      {"lzh as written", kMethodLzh, {}, [](Bytes&, size_t, const vornarc::tWritten&) {}, true},
      {"lzh cut short", kMethodLzh, {}, storedSizeDelta(-40), false},
      {"bzip2 cut short", kMethodBzip2, {}, storedSizeDelta(-10), false},
      {"fragments 100 + 50 of 150", kMethodStored, {100}, field(kStored, 150), true},
      {"fragments 100 + 50 of 149", kMethodStored, {100}, field(kStored, 149), false},
      {"fragments 100 + 50 of 151", kMethodStored, {100}, field(kStored, 151), false},
      {"fragment chain in a circle",
       kMethodStored,
       {100},
       [](Bytes& b, size_t, const vornarc::tWritten& w) {
         Poke32(b, w.dataOffsets[0], 0);  // first piece: no bytes, next is itself
         Poke32(b, w.dataOffsets[0] + 4, w.dataOffsets[0]);
       },
       false},
      {"stored size past the end", kMethodStored, {}, field(kStored, 0x7FFFFFF0), false},
      {"data offset past the end", kMethodDeflate, {}, field(kDataOffset, 0x7FFFFFF0), false},
      {"huge decoded size", kMethodDeflate, {}, field(kDecoded, 0xFFFFFFF0), false},
      {"huge decoded size, lzh", kMethodLzh, {}, field(kDecoded, 0x7FFFFFF0), false},
  };
  for (const MemberCase& c : cases) {
    tMember member = Member("member.bin",
                            c.method == kMethodStored && !c.fragments.empty()
                                ? Bytes(data.begin(), data.begin() + 150)
                                : data,
                            c.method);
    member.fragments = c.fragments;
    vornarc::tWritten written = vornarc::WriteArchive({member});
    c.change(written.bytes, written.recordOffsets[0], written);
    bool opened = false;
    auto archive = OpenArchive(written.bytes, &opened);
    ASSERT_TRUE(opened) << c.name;
    bool got = false;
    Bytes bytes = Extract(*archive, "member.bin", nullptr, &got);
    EXPECT_EQ(got, c.readable) << c.name;
    if (c.readable) {
      EXPECT_EQ(bytes, member.data) << c.name;
    }
    EXPECT_EQ(archive->OpenFile("member.bin", true) != nullptr, c.readable) << c.name;
  }
}

TEST(VORNarc, StoredMembersOpenUnbufferedAsWindowsOntoTheArchive) {
  ScopedTempDir dir;
  Bytes text = TextBytes(3000, 8);
  std::vector<tMember> members = {Member("stored.txt", text, kMethodStored),
                                  Member("packed.txt", text, kMethodDeflate),
                                  Member("empty", {}, kMethodStored)};
  vornarc::tWritten written = vornarc::WriteArchive(members);
  // A window is served without a CRC check: damage the stored member's CRC.
  written.bytes[written.recordOffsets[0] + kDecodedCrc] ^= 0xFF;
  bool opened = false;
  auto archive = OpenArchive(written.bytes, &opened);
  ASSERT_TRUE(opened);

  auto window = archive->OpenFile("STORED.TXT", false);
  ASSERT_NE(dynamic_cast<TStreamWindow*>(window.get()), nullptr);
  EXPECT_EQ(window->Size(), 3000);
  EXPECT_EQ(ReadStream(*window), text);
  EXPECT_EQ(archive->OpenFile("stored.txt", true), nullptr) << "decoded copies are CRC-checked";

  auto packed = archive->OpenFile("packed.txt", false);
  ASSERT_NE(dynamic_cast<TArcFile*>(packed.get()), nullptr);
  EXPECT_EQ(ReadStream(*packed), text);

  auto empty = archive->OpenFile("empty", false);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->Size(), 0);
  EXPECT_EQ(archive->OpenFile("missing", false), nullptr);
}

TEST(VORNarc, AnArchiveInsideAnArchiveOpensThroughTheWrapper) {
  ScopedTempDir dir;
  std::vector<tMember> inner = {Member("inner\\deep.txt", TextBytes(2000, 9), kMethodLzh)};
  Bytes innerBytes = vornarc::WriteArchive(inner).bytes;
  std::vector<tMember> outer = {Member("a.dat", innerBytes, kMethodStored),
                                Member("b.dat", innerBytes, kMethodBzip2)};
  bool opened = false;
  auto archive = OpenArchive(vornarc::WriteArchive(outer).bytes, &opened);
  ASSERT_TRUE(opened);
  for (const char* name : {"a.dat", "B.DAT"}) {
    TVORNarc nested(std::make_unique<TArchiveWrapper>(archive.get()));
    nested.SetFileName(name);
    ASSERT_TRUE(nested.Open()) << name;
    EXPECT_EQ(Extract(nested, "inner\\deep.txt"), inner[0].data) << name;
  }
}

TEST(VORNarc, MountedArchivesServeTheFileAccessLayer) {
  ScopedTempDir dir;
  ClearFileAccessFunctions();
  Bytes picture = TextBytes(6000, 13);
  std::vector<tMember> members = {Member("GUI\\pictures\\desktop.pcx", picture, kMethodStored),
                                  Member("GUI\\mouse\\arrow.pcx", picture, kMethodLzh)};
  bool opened = false;
  auto archive = OpenArchive(vornarc::WriteArchive(members).bytes, &opened);
  ASSERT_TRUE(opened);
  AddArchive(archive.get());

  auto unbuffered = OpenFile("gui\\pictures\\DESKTOP.PCX", 0);
  ASSERT_NE(dynamic_cast<TStreamWindow*>(unbuffered.get()), nullptr);
  EXPECT_EQ(ReadStream(*unbuffered), picture);
  auto buffered = OpenFile("GUI\\pictures\\desktop.pcx", 4096);
  ASSERT_NE(buffered, nullptr);
  EXPECT_EQ(ReadStream(*buffered), picture);
  auto decoded = OpenFile("GUI\\mouse\\arrow.pcx", 0);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(ReadStream(*decoded), picture);
  EXPECT_EQ(OpenFile("GUI\\mouse\\missing.pcx", 0), nullptr);

  tSearchRecord search;
  ASSERT_TRUE(FindFirst(&search, "GUI\\mouse\\*.pcx"));
  EXPECT_EQ(search.name, "GUI\\mouse\\arrow.pcx");
  EXPECT_EQ(search.size, 6000);
  EXPECT_FALSE(FindNext(&search));
  FindClose(&search);
  FreeFileAccessLists();
}

// ------------------------------------------------------------- executables

TEST(VORNarcEXE, ArchivesAppendedToAProgramAreFoundByName) {
  ScopedTempDir dir;
  Bytes program = ReadFileBytes("/bin/true");
  ASSERT_FALSE(program.empty());
  std::vector<tMember> viewer = {Member("GUI\\cursor.pcx", TextBytes(700, 10), kMethodDeflate)};
  std::vector<tMember> other = {Member("demo.ini", ToBytes("[demo]"), kMethodStored)};
  Bytes viewerBytes = vornarc::WriteArchive(viewer).bytes;
  Bytes otherBytes = vornarc::WriteArchive(other).bytes;
  WriteFileBytes("player", vornarc::AppendArchives(
                               program, {{"viewer.dat", viewerBytes}, {"other.dat", otherBytes}}));
  TVORNarcEXE exe(DiskStream("player"));
  ASSERT_TRUE(exe.Open());
  auto listing = List(exe);
  ASSERT_EQ(listing.size(), 2u);
  EXPECT_EQ(listing[0],
            std::make_pair(std::string("viewer.dat"), static_cast<int32_t>(viewerBytes.size())));
  EXPECT_EQ(listing[1].first, "other.dat");
  EXPECT_EQ(Extract(exe, "OTHER.DAT"), otherBytes);

  // The kernel's two roads: a wrapper naming the record, and a stream from OpenFile.
  TVORNarc wrapped(std::make_unique<TArchiveWrapper>(&exe));
  wrapped.SetFileName("other.dat");
  ASSERT_TRUE(wrapped.Open());
  EXPECT_EQ(Extract(wrapped, "demo.ini"), ToBytes("[demo]"));

  auto window = exe.OpenFile("Viewer.dat", false);
  ASSERT_NE(dynamic_cast<TStreamWindow*>(window.get()), nullptr);
  TVORNarc mounted(std::move(window));
  ASSERT_TRUE(mounted.Open());
  EXPECT_EQ(Extract(mounted, "gui\\cursor.pcx"), viewer[0].data);

  auto copy = exe.OpenFile("viewer.dat", true);
  ASSERT_NE(dynamic_cast<TArcFile*>(copy.get()), nullptr);
  EXPECT_EQ(ReadStream(*copy), viewerBytes);
}

TEST(VORNarcEXE, TrailerChecks) {
  ScopedTempDir dir;
  const Bytes program = ToBytes("#!program bytes#");
  const Bytes good = vornarc::AppendArchives(program, {{"x.dat", ToBytes("payload")}});
  const size_t countAt = good.size() - 4;
  const size_t nameAt = good.size() - 16 - 64 + 8;
  struct Case {
    const char* name;
    std::function<void(Bytes&)> change;
    bool opens;
  };
  const Case cases[] = {
      {"as written", [](Bytes&) {}, true},
      {"count 0", [&](Bytes& b) { Poke32(b, countAt, 0); }, false},
      {"negative count", [&](Bytes& b) { Poke32(b, countAt, 0xFFFFFFFF); }, false},
      {"count larger than the file", [&](Bytes& b) { Poke32(b, countAt, 0x01000000); }, false},
      {"wrong magic", [&](Bytes& b) { b[b.size() - 6] = 'x'; }, false},
      {"shorter than a trailer", [](Bytes& b) { b.erase(b.begin(), b.end() - 15); }, false},
  };
  for (const Case& c : cases) {
    Bytes bytes = good;
    c.change(bytes);
    WriteFileBytes("player", bytes);
    TVORNarcEXE exe(DiskStream("player"));
    EXPECT_EQ(exe.Open(), c.opens) << c.name;
  }

  // A name filling all 56 bytes ends at the 55th character.
  Bytes unterminated = good;
  for (size_t i = 0; i < 56; ++i) unterminated[nameAt + i] = 'n';
  WriteFileBytes("player", unterminated);
  TVORNarcEXE exe(DiskStream("player"));
  ASSERT_TRUE(exe.Open());
  EXPECT_EQ(std::string(exe.Entries()[0].name), std::string(55, 'n'));

  // A record reaching past the end of the file gives nothing.
  Bytes pastEnd = good;
  Poke32(pastEnd, nameAt - 4, 0x7FFFFFF0);
  WriteFileBytes("player", pastEnd);
  TVORNarcEXE far(DiskStream("player"));
  ASSERT_TRUE(far.Open());
  bool got = true;
  Extract(far, "x.dat", nullptr, &got);
  EXPECT_FALSE(got);
  EXPECT_EQ(far.OpenFile("x.dat", false), nullptr);
}

// ------------------------------------------------------------ the tool

std::string Capture(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[256];
  while (fgets(buffer, sizeof(buffer), pipe)) out += buffer;
  pclose(pipe);
  return out;
}

TEST(VornarcTool, CreatesListsAndAppendsFromTheCommandLine) {
  ScopedTempDir dir;
  const std::string tool = VORNARC_TOOL;
  WriteFileBytes("tree/GUI/pictures/desktop.pcx", TextBytes(9000, 11));
  WriteFileBytes("tree/GUI/font.fnt", RandomBytes(2000, 12));
  WriteFileBytes("tree/demo.ini", ToBytes("[demos]\n"));
  for (const char* method : {"stored", "deflate", "lzh", "bzip2"}) {
    Shell(tool + " create viewer.dat tree -m " + method + " -b 2");
    TVORNarc archive(DiskStream("viewer.dat"));
    ASSERT_TRUE(archive.Open()) << method;
    auto listing = List(archive);
    ASSERT_EQ(listing.size(), 3u) << method;
    EXPECT_EQ(listing[0].first, "GUI\\font.fnt");
    EXPECT_EQ(listing[1].first, "GUI\\pictures\\desktop.pcx");
    EXPECT_EQ(listing[2].first, "demo.ini");
    EXPECT_EQ(Extract(archive, "gui\\pictures\\desktop.pcx"),
              ReadFileBytes("tree/GUI/pictures/desktop.pcx"))
        << method;
    EXPECT_NE(Capture(tool + " list viewer.dat").find("GUI\\font.fnt"), std::string::npos);
  }
  Shell(tool + " append /bin/true player viewer.dat=viewer.dat");
  EXPECT_NE(Capture(tool + " list player").find("viewer.dat"), std::string::npos);
  Shell(tool + " extract viewer.dat demo.ini out.ini");
  EXPECT_EQ(ReadFileBytes("out.ini"), ToBytes("[demos]\n"));
}

}  // namespace

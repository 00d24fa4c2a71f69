// The decoded-size limit of archive members (256 MiB), and the log line of an
// own-format archive cut short. The bombs are made here: members of zeros that
// pack into a few hundred kilobytes and would decode to more than the limit.
#include <bzlib.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "foundation/decoders.h"
#include "foundation/vornarc.h"
#include "foundation/ziparchive.h"
#include "tests/foundation/archive_fixtures.h"
#include "tests/support/tempdir.h"
#include "tools/vornarc/writer.h"

using namespace archivetest;
using testsupport::ReadFile;
using testsupport::ScopedTempDir;

namespace {

constexpr uint32_t kBombSize = 300u << 20;  // 300 MiB of zeros
constexpr size_t kChunk = 1 << 20;

void Poke32(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i)
    bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

// Zeros packed a chunk at a time, so that the decoded bytes are never held.
Bytes Bzip2Zeros(uint32_t size) {
  const std::vector<char> zeros(kChunk, 0);
  bz_stream stream{};
  EXPECT_EQ(BZ2_bzCompressInit(&stream, 9, 0, 0), BZ_OK);
  Bytes packed;
  char out[65536];
  uint32_t left = size;
  int action = BZ_RUN;
  for (;;) {
    if (stream.avail_in == 0 && action == BZ_RUN) {
      const uint32_t n = left < kChunk ? left : static_cast<uint32_t>(kChunk);
      stream.next_in = const_cast<char*>(zeros.data());
      stream.avail_in = n;
      left -= n;
      if (left == 0) action = BZ_FINISH;
    }
    stream.next_out = out;
    stream.avail_out = sizeof(out);
    const int status = BZ2_bzCompress(&stream, action);
    packed.insert(packed.end(), out, out + (sizeof(out) - stream.avail_out));
    if (status == BZ_STREAM_END) break;
    if (status < 0) {
      ADD_FAILURE() << "bzip2 status " << status;
      break;
    }
  }
  BZ2_bzCompressEnd(&stream);
  return packed;
}

// Raw deflate (no zlib header), as the archive stores it.
Bytes DeflateZeros(uint32_t size) {
  const std::vector<Bytef> zeros(kChunk, 0);
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY), Z_OK);
  Bytes packed;
  Bytef out[65536];
  uint32_t left = size;
  int flush = Z_NO_FLUSH;
  for (;;) {
    if (stream.avail_in == 0 && flush == Z_NO_FLUSH) {
      const uint32_t n = left < kChunk ? left : static_cast<uint32_t>(kChunk);
      stream.next_in = const_cast<Bytef*>(zeros.data());
      stream.avail_in = n;
      left -= n;
      if (left == 0) flush = Z_FINISH;
    }
    stream.next_out = out;
    stream.avail_out = sizeof(out);
    const int status = deflate(&stream, flush);
    packed.insert(packed.end(), out, out + (sizeof(out) - stream.avail_out));
    if (status == Z_STREAM_END) break;
    if (status < 0) {
      ADD_FAILURE() << "deflate status " << status;
      break;
    }
  }
  deflateEnd(&stream);
  return packed;
}

uint32_t CrcOfZeros(uint32_t size) {
  const std::vector<uint8_t> zeros(kChunk, 0);
  uint32_t crc = 0;
  for (uint32_t done = 0; done < size; done += static_cast<uint32_t>(kChunk)) {
    const uint32_t n = size - done < kChunk ? size - done : static_cast<uint32_t>(kChunk);
    crc = Crc32Update(crc, zeros.data(), n);
  }
  return crc;
}

// An own-format archive of one member whose stored bytes are the packed
// zeros: written as a stored member, then given the method and decoded size.
Bytes BombArchive(uint32_t method, const Bytes& packed, uint32_t decodedSize) {
  vornarc::tMember member;
  member.name = "zeros.bin";
  member.data = packed;
  member.method = kMethodStored;
  vornarc::tWritten written = vornarc::WriteArchive({member});
  const size_t record = written.recordOffsets[0];
  Poke32(written.bytes, record + 0, decodedSize);
  Poke32(written.bytes, record + 8, method);
  Poke32(written.bytes, record + 21, CrcOfZeros(decodedSize));
  return written.bytes;
}

// A ZIP of one deflated member, with the sizes and CRC given.
Bytes ZipOf(const Bytes& packed, uint32_t decodedSize) {
  const std::string name = "zeros.bin";
  const uint32_t crc = CrcOfZeros(decodedSize);
  Bytes zip;
  auto put = [&](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) zip.push_back(static_cast<uint8_t>(value >> (8 * i)));
  };
  auto entry = [&](bool central) {
    put(central ? 0x02014B50 : 0x04034B50, 4);
    if (central) put(20, 2);
    put(20, 2);
    put(0, 2);  // flags
    put(8, 2);  // deflate
    put(0, 4);  // time and date
    put(crc, 4);
    put(static_cast<uint32_t>(packed.size()), 4);
    put(decodedSize, 4);
    put(static_cast<uint32_t>(name.size()), 2);
    put(0, 2);  // extra
    if (central) {
      put(0, 2);  // comment
      put(0, 2);  // disk
      put(0, 2);  // internal attributes
      put(0, 4);  // external attributes
      put(0, 4);  // local header offset
    }
    zip.insert(zip.end(), name.begin(), name.end());
  };
  entry(false);
  zip.insert(zip.end(), packed.begin(), packed.end());
  const uint32_t directory = static_cast<uint32_t>(zip.size());
  entry(true);
  const uint32_t directorySize = static_cast<uint32_t>(zip.size()) - directory;
  put(0x06054B50, 4);
  put(0, 2);
  put(0, 2);
  put(1, 2);
  put(1, 2);
  put(directorySize, 4);
  put(directory, 4);
  put(0, 2);
  return zip;
}

const char* kVornarcLine =
    "VORNarc member \"zeros.bin\" refused: 314572800 bytes decoded is above the limit of "
    "268435456 bytes";

TEST(ArchiveLimits, TheLimitIs256MiB) {
  ScopedTempDir dir;
  EXPECT_TRUE(DecodedSizeAllowed("ZIP", "a", 256u << 20));
  EXPECT_FALSE(DecodedSizeAllowed("ZIP", "a", (256u << 20) + 1));
  EXPECT_NE(ReadFile("debug.txt").find("ZIP member \"a\" refused: 268435457 bytes decoded is "
                                       "above the limit of 268435456 bytes\n"),
            std::string::npos);
}

TEST(ArchiveLimits, MembersOfOwnArchivesAboveTheLimitAreRefusedByName) {
  ScopedTempDir dir;
  struct Case {
    const char* name;
    uint32_t method;
    Bytes packed;
  };
  const Case cases[] = {
      {"bzip2", kMethodBzip2, Bzip2Zeros(kBombSize)},
      {"deflate", kMethodDeflate, DeflateZeros(kBombSize)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove("debug.txt");
    const Bytes archiveBytes = BombArchive(c.method, c.packed, kBombSize);
    EXPECT_LT(archiveBytes.size(), 400000u);
    WriteFileBytes("bomb.dat", archiveBytes);
    TVORNarc archive(DiskStream("bomb.dat"));
    ASSERT_TRUE(archive.Open());
    bool got = true;
    Extract(archive, "zeros.bin", nullptr, &got);
    EXPECT_FALSE(got);
    EXPECT_EQ(archive.OpenFile("zeros.bin", true), nullptr);
    EXPECT_NE(ReadFile("debug.txt").find(std::string(kVornarcLine) + "\n"), std::string::npos)
        << ReadFile("debug.txt");

    // The same archive appended to a program is read through the program's list.
    WriteFileBytes("program.exe",
                   vornarc::AppendArchives(ToBytes("MZ program"), {{"bomb.dat", archiveBytes}}));
    TVORNarcEXE program(DiskStream("program.exe"));
    ASSERT_TRUE(program.Open());
    TVORNarc nested(std::make_unique<TArchiveWrapper>(&program));
    nested.SetFileName("bomb.dat");
    ASSERT_TRUE(nested.Open());
    std::remove("debug.txt");
    Extract(nested, "zeros.bin", nullptr, &got);
    EXPECT_FALSE(got);
    EXPECT_NE(ReadFile("debug.txt").find(kVornarcLine), std::string::npos);
  }
}

TEST(ArchiveLimits, ZipMembersAboveTheLimitAreRefusedByName) {
  ScopedTempDir dir;
  WriteFileBytes("bomb.zip", ZipOf(DeflateZeros(kBombSize), kBombSize));
  TZipArchive zip(DiskStream("bomb.zip"));
  ASSERT_TRUE(zip.Open(kStreamRead));
  int32_t size = 0;
  bool got = true;
  Extract(zip, "zeros.bin", &size, &got);
  EXPECT_FALSE(got);
  EXPECT_EQ(size, kZipNoMemory);
  EXPECT_NE(ReadFile("debug.txt").find("ZIP member \"zeros.bin\" refused: 314572800 bytes decoded "
                                       "is above the limit of 268435456 bytes\n"),
            std::string::npos)
      << ReadFile("debug.txt");
}

// An archive cut short leaves one line naming it; a file that does not start
// as an archive is passed over in silence, as the folder's other files are.
TEST(ArchiveLimits, ArchivesCutShortAreNamedInTheLog) {
  ScopedTempDir dir;
  std::vector<vornarc::tMember> members(3);
  for (size_t i = 0; i < members.size(); ++i) {
    members[i].name = "m" + std::to_string(i);
    members[i].data = TextBytes(100, static_cast<uint32_t>(i));
  }
  const Bytes whole = vornarc::WriteArchive(members).bytes;
  const size_t directory = whole[12] | whole[13] << 8 | whole[14] << 16 | whole[15] << 24;
  struct Case {
    const char* name;
    size_t length;
    const char* line;  // null for no line at all
  };
  const Case cases[] = {
      {"cut inside the directory", whole.size() - 5, "the file ends before its directory ends"},
      {"cut before the directory", directory, "the file ends before its directory ends"},
      {"cut inside the header", 12, "the file ends before its header ends"},
      {"only the magic's first bytes", 3, "the file ends before its header ends"},
      {"empty", 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::remove("debug.txt");
    WriteFileBytes("cut.dat", Bytes(whole.begin(), whole.begin() + static_cast<long>(c.length)));
    TVORNarc archive(std::make_unique<TFile>());
    archive.SetFileName("cut.dat");
    EXPECT_FALSE(archive.Open());
    const std::string log = ReadFile("debug.txt");
    if (c.line) {
      EXPECT_EQ(log, std::string("VORNarc archive \"cut.dat\" refused: ") + c.line + "\n");
    } else {
      EXPECT_EQ(log, "");
    }
  }
  std::remove("debug.txt");
  WriteFileBytes("other.txt", ToBytes("neither an archive nor long"));
  TVORNarc other(std::make_unique<TFile>());
  other.SetFileName("other.txt");
  EXPECT_FALSE(other.Open());
  EXPECT_EQ(ReadFile("debug.txt"), "");
}

}  // namespace

#include "foundation/decoders.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "foundation/lzhuf.h"
#include "tests/foundation/archive_fixtures.h"
#include "tests/support/tempdir.h"
#include "tools/vornarc/writer.h"

using namespace archivetest;
using testsupport::ScopedTempDir;

namespace {

// ------------------------------------------------------------------- CRC-32

TEST(Crc32, AgreesWithZlibOnRandomBlocksOfManySizes) {
  const size_t sizes[] = {0, 1, 2, 3, 4, 7, 8, 15, 63, 255, 256, 1000, 4095, 65536, 100000};
  uint32_t seed = 1;
  for (size_t size : sizes) {
    Bytes block = RandomBytes(size, seed++);
    uLong expected = crc32(0L, block.data(), static_cast<uInt>(block.size()));
    EXPECT_EQ(Crc32(block.data(), static_cast<uint32_t>(size)), expected) << "size " << size;
  }
}

TEST(Crc32, KnownValuesAndContinuation) {
  EXPECT_EQ(Crc32("abc", 3), 0x352441C2u);
  EXPECT_EQ(Crc32(nullptr, 0), 0u);
  Bytes block = RandomBytes(5000, 9);
  EXPECT_EQ(Crc32Update(Crc32(block.data(), 1234), block.data() + 1234, 5000 - 1234),
            Crc32(block.data(), 5000));
}

// -------------------------------------------------------------------- LZHUF

Bytes DecodeLzh(const Bytes& packed, size_t decodedSize, int* result = nullptr) {
  Bytes out(decodedSize);
  int ok = DecodeLzhMember(packed.data(), static_cast<uint32_t>(packed.size()), out.data(),
                           static_cast<uint32_t>(decodedSize), nullptr);
  if (result) *result = ok;
  return out;
}

struct LzhCase {
  const char* name;
  Bytes data;
};

TEST(Lzh, DecoderReadsWhatTheEncoderWrites) {
  Bytes allSame(10000, 'z');
  Bytes mixed = TextBytes(3000, 5);
  Bytes random = RandomBytes(3000, 6);
  mixed.insert(mixed.end(), random.begin(), random.end());
  mixed.insert(mixed.end(), allSame.begin(), allSame.end());
  const LzhCase cases[] = {
      {"one byte", ToBytes("a")},
      {"short text", ToBytes("abracadabra abracadabra")},
      {"text", TextBytes(50000, 1)},
      {"random", RandomBytes(20000, 2)},
      {"runs", RunBytes(30000)},
      {"one byte repeated", allSame},
      {"text, random and a run", mixed},
      // Long enough for the root count to reach its limit, so the tree is rebuilt.
      {"long text", TextBytes(400000, 3)},
  };
  for (const LzhCase& c : cases) {
    Bytes packed = vornarc::EncodeLzh(c.data.data(), c.data.size());
    int ok = 0;
    EXPECT_EQ(DecodeLzh(packed, c.data.size(), &ok), c.data) << c.name;
    EXPECT_EQ(ok, 1) << c.name;
  }
}

TEST(Lzh, EmptyMemberNeedsNoInput) {
  EXPECT_TRUE(vornarc::EncodeLzh(nullptr, 0).empty());
  EXPECT_EQ(DecodeLzhMember(nullptr, 0, nullptr, 0, nullptr), 1);
}

// A stream written symbol by symbol with the shared tree, for matches that
// our encoder never makes (into the ring's preset).
class HandLzh {
 public:
  HandLzh() { tree_.Start(); }
  void Symbol(int c) {
    std::vector<int> bits;
    for (int k = tree_.prnt[c + lzhuf::T]; k != lzhuf::R; k = tree_.prnt[k]) {
      bits.push_back(k - tree_.son[tree_.prnt[k]]);
    }
    for (auto it = bits.rbegin(); it != bits.rend(); ++it) Bits(static_cast<unsigned>(*it), 1);
    tree_.Update(c);
  }
  void Match(int length, unsigned position) {
    Symbol(length + 253);
    for (int i = 255; i >= 0; --i) {
      if (lzhuf::PositionCode(i) == (position >> 6)) {
        int len = lzhuf::PositionLength(i);
        Bits(static_cast<unsigned>(i) >> (8 - len), len);
        break;
      }
    }
    Bits(position & 63, 6);
  }
  Bytes Finish() {
    while (count_ % 8) Bits(0, 1);
    return bytes_;
  }

 private:
  void Bits(unsigned value, int count) {
    for (int i = count - 1; i >= 0; --i, ++count_) {
      if (count_ % 8 == 0) bytes_.push_back(0);
      if ((value >> i) & 1) bytes_.back() |= static_cast<uint8_t>(0x80 >> (count_ % 8));
    }
  }
  lzhuf::cLzhTree tree_;
  Bytes bytes_;
  int count_ = 0;
};

TEST(Lzh, MatchesBeforeTheFirstOutputReadTheRingPreset) {
  HandLzh spaces;
  spaces.Match(3, 0);  // one back from the first write: the preset spaces
  spaces.Symbol('x');
  spaces.Match(4, 0);  // a run of the byte just written
  EXPECT_EQ(DecodeLzh(spaces.Finish(), 8), ToBytes("   xxxxx"));

  // The ring's last 60 bytes are not preset by the coding; they read as zeros.
  HandLzh tail;
  tail.Match(3, 4095);
  EXPECT_EQ(DecodeLzh(tail.Finish(), 3), Bytes(3, 0));
}

TEST(Lzh, AMatchRunningPastTheDecodedSizeFails) {
  HandLzh stream;
  stream.Match(10, 0);
  int ok = 1;
  DecodeLzh(stream.Finish(), 5, &ok);
  EXPECT_EQ(ok, 0);
}

TEST(Lzh, ACutStreamDecodesZeroBitsToTheEnd) {
  Bytes text = TextBytes(20000, 4);
  Bytes packed = vornarc::EncodeLzh(text.data(), text.size());
  packed.resize(packed.size() / 2);
  Bytes out = DecodeLzh(packed, text.size());
  EXPECT_NE(out, text);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 1000), Bytes(text.begin(), text.begin() + 1000));
}

// ----------------------------------------------------- deflate and bzip2

bool Inflate(const Bytes& packed, size_t size, Bytes* out = nullptr) {
  Bytes buffer(size);
  bool ok = InflateRawMember(packed.data(), static_cast<uint32_t>(packed.size()), buffer.data(),
                             static_cast<uint32_t>(size));
  if (out) *out = buffer;
  return ok;
}

TEST(Deflate, StreamsOfPythonZlibAndGzipDecode) {
  ScopedTempDir dir;
  Bytes text = TextBytes(70000, 11);
  WriteFileBytes("in.bin", text);
  Shell(
      "python3 -c \"import zlib,sys; c=zlib.compressobj(9, zlib.DEFLATED, -15); "
      "d=open('in.bin','rb').read(); open('py.raw','wb').write(c.compress(d)+c.flush())\"");
  Shell("gzip -9 -n -c in.bin > in.gz");
  Bytes gz = ReadFileBytes("in.gz");
  ASSERT_GT(gz.size(), 18u);
  // Without the name flag the gzip header is 10 bytes; the trailer is 8.
  Bytes fromGzip(gz.begin() + 10, gz.end() - 8);

  for (const Bytes& packed : {ReadFileBytes("py.raw"), fromGzip}) {
    Bytes out;
    EXPECT_TRUE(Inflate(packed, text.size(), &out));
    EXPECT_EQ(out, text);
    EXPECT_FALSE(Inflate(packed, text.size() + 1)) << "stream ends before the output is full";
    EXPECT_FALSE(Inflate(packed, text.size() - 1)) << "stream makes more than the decoded size";
  }
}

TEST(Bzip2, StreamsOfTheBzip2ToolDecode) {
  ScopedTempDir dir;
  Bytes data = TextBytes(30000, 12);
  WriteFileBytes("in.bin", data);
  Shell("bzip2 -9 -c in.bin > in.bz2");
  Bytes packed = ReadFileBytes("in.bz2");
  Bytes out(data.size() + 1);
  auto decode = [&](const Bytes& p, size_t size) {
    return DecodeBzip2Member(p.data(), static_cast<uint32_t>(p.size()), out.data(),
                             static_cast<uint32_t>(size));
  };
  EXPECT_TRUE(decode(packed, data.size()));
  EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<long>(data.size())), data);
  EXPECT_FALSE(decode(packed, data.size() - 1));
  EXPECT_FALSE(decode(packed, data.size() + 1));
  Bytes corrupt = packed;
  corrupt[corrupt.size() / 2] ^= 0x55;
  EXPECT_FALSE(decode(corrupt, data.size()));
}

// ------------------------------------------------------------------- reduce

// ZIP's bit order: low bits first.
class LsbBits {
 public:
  void Put(unsigned value, int count) {
    for (int i = 0; i < count; ++i, ++count_) {
      if (count_ % 8 == 0) bytes_.push_back(0);
      if ((value >> i) & 1) bytes_.back() |= static_cast<uint8_t>(1u << (count_ % 8));
    }
  }
  Bytes bytes_;
  int count_ = 0;
};

Bytes Expand(const Bytes& packed, size_t size, int factorMinusOne, int* ok) {
  Bytes out(size);
  *ok = ExpandReduced(packed.data(), static_cast<uint32_t>(packed.size()), out.data(),
                      static_cast<uint32_t>(size), nullptr, factorMinusOne);
  return out;
}

TEST(Reduce, LiteralsFollowersEscapesAndCopies) {
  // Factor 1: follower set of 'a' is {'b'}, every other set is empty.
  LsbBits s;
  for (int set = 255; set >= 0; --set) {
    if (set == 'a') {
      s.Put(1, 6);
      s.Put('b', 8);
    } else {
      s.Put(0, 6);
    }
  }
  auto literal = [&](unsigned c) { s.Put(c, 8); };
  literal('a');
  s.Put(0, 1);  // after 'a': follower 0, which is 'b'
  s.Put(0, 1);
  literal('c');
  literal(144);  // copy: length part 1 (+3), distance 2 + 1
  literal(0x01);
  literal(2);
  literal(144);  // 144, 0 is the byte 144 itself
  literal(0);
  int ok = 0;
  EXPECT_EQ(Expand(s.bytes_, 8, 0, &ok), ToBytes("abcabca\x90"));
  EXPECT_EQ(ok, 1);
  Expand(s.bytes_, 6, 0, &ok);
  EXPECT_EQ(ok, 0) << "output smaller than the member";
}

TEST(Reduce, CopiesFromBeforeTheOutputGiveZeros) {
  LsbBits s;
  for (int set = 0; set < 256; ++set) s.Put(0, 6);
  for (unsigned c : {144u, 0x01u, 5u, 'q' + 0u}) s.Put(c, 8);
  int ok = 0;
  Bytes expected(4, 0);
  expected.push_back('q');
  EXPECT_EQ(Expand(s.bytes_, 5, 0, &ok), expected);
  EXPECT_EQ(ok, 1);
}

// -------------------------------------------------------------- size bounds

TEST(DecodedSizeBound, RefusesSizesNoMemberCanHave) {
  EXPECT_TRUE(PlausibleDecodedSize(tPacking::Deflate, 100, 100 * 1032));
  EXPECT_FALSE(PlausibleDecodedSize(tPacking::Deflate, 10, 0x7FFFFFFF));
  EXPECT_FALSE(PlausibleDecodedSize(tPacking::Lzh, 1, 1000000));
  EXPECT_FALSE(PlausibleDecodedSize(tPacking::Bzip2, 40, 0x80000000u));
  EXPECT_TRUE(PlausibleDecodedSize(tPacking::Bzip2, 40, 100000000));
}

}  // namespace

// ------------------------------------------------------ LHA's -lh1- method

// LHA's "-lh1-" is the same coding: a level-0 LHA archive that wraps our
// encoder's streams is extracted by Debian's lhasa, an independent decoder.
uint16_t Crc16(const Bytes& data) {
  uint16_t crc = 0;
  for (uint8_t b : data) {
    crc ^= b;
    for (int k = 0; k < 8; ++k)
      crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}

void PutLe(Bytes& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

Bytes LhaMember(const std::string& name, const Bytes& original) {
  Bytes packed = vornarc::EncodeLzh(original.data(), original.size());
  Bytes header = ToBytes("-lh1-");
  PutLe(header, static_cast<uint32_t>(packed.size()), 4);
  PutLe(header, static_cast<uint32_t>(original.size()), 4);
  PutLe(header, 0x21210000, 4);  // 1996-09-01, any date will do
  header.push_back(0x20);        // attribute: archive
  header.push_back(0);           // header level 0
  header.push_back(static_cast<uint8_t>(name.size()));
  header.insert(header.end(), name.begin(), name.end());
  PutLe(header, Crc16(original), 2);
  uint8_t sum = 0;
  for (uint8_t b : header) sum = static_cast<uint8_t>(sum + b);
  Bytes member = {static_cast<uint8_t>(header.size()), sum};
  member.insert(member.end(), header.begin(), header.end());
  member.insert(member.end(), packed.begin(), packed.end());
  return member;
}

TEST(Lzh, LhasaExtractsOurStreamsAsLh1Members) {
  ScopedTempDir dir;
  Bytes mixed = TextBytes(5000, 23);
  Bytes noise = RandomBytes(5000, 24);
  mixed.insert(mixed.end(), noise.begin(), noise.end());
  const std::pair<std::string, Bytes> files[] = {
      {"text.txt", TextBytes(120000, 21)},
      {"random.bin", RandomBytes(30000, 22)},
      {"runs.bin", RunBytes(40000)},
      {"mixed.bin", mixed},
      {"empty.bin", {}},
      {"one.bin", ToBytes("!")},
  };
  Bytes archive;
  for (const auto& [name, data] : files) {
    Bytes member = LhaMember(name, data);
    archive.insert(archive.end(), member.begin(), member.end());
  }
  archive.push_back(0);  // end of archive
  WriteFileBytes("test.lzh", archive);
  std::filesystem::create_directories("out");
  Shell("cd out && lhasa -xqf ../test.lzh");
  for (const auto& [name, data] : files) {
    EXPECT_EQ(ReadFileBytes("out/" + name), data) << name;
    EXPECT_TRUE(std::filesystem::exists("out/" + name)) << name;
  }
}

// Streams of an independent encoder: jLHA's "-lh1-" members (the file is made
// by tools/fixtures/make-lh1-fixture.sh). lhasa gives the original bytes.
TEST(Lzh, DecodesStreamsOfAnIndependentEncoder) {
  const char* source = std::getenv("VOXA2_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  const std::filesystem::path fixture =
      std::filesystem::path(source) / "tests/foundation/data/jlha-lh1.lzh";
  const Bytes archive = ReadFileBytes(fixture);
  ASSERT_FALSE(archive.empty());
  ScopedTempDir dir;
  Shell("lhasa -xqf '" + fixture.string() + "'");

  int members = 0;
  for (size_t at = 0; at + 24 < archive.size() && archive[at] != 0;) {
    const size_t headerSize = archive[at];
    const uint8_t* h = archive.data() + at + 2;
    auto le32 = [&](size_t i) {
      return static_cast<uint32_t>(h[i] | h[i + 1] << 8 | h[i + 2] << 16 | h[i + 3] << 24);
    };
    const std::string method(h, h + 5);
    const uint32_t packedSize = le32(5), originalSize = le32(9);
    const std::string name(h + 20, h + 20 + h[19]);
    const uint16_t crc = static_cast<uint16_t>(h[20 + h[19]] | h[21 + h[19]] << 8);
    const size_t data = at + 2 + headerSize;
    ASSERT_LE(data + packedSize, archive.size());
    EXPECT_EQ(method, "-lh1-") << name;
    Bytes packed(archive.begin() + static_cast<long>(data),
                 archive.begin() + static_cast<long>(data + packedSize));
    int ok = 0;
    Bytes decoded = DecodeLzh(packed, originalSize, &ok);
    EXPECT_EQ(ok, 1) << name;
    EXPECT_EQ(Crc16(decoded), crc) << name;
    EXPECT_EQ(decoded, ReadFileBytes(name)) << name;
    ++members;
    at = data + packedSize;
  }
  EXPECT_EQ(members, 3);
}

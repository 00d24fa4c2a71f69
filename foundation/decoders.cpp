#include "foundation/decoders.h"

#include <bzlib.h>
#include <zlib.h>

#include <array>
#include <cstring>
#include <memory>
#include <new>

#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "foundation/log.h"
#include "foundation/lzhuf.h"

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::logging::LogMessage;
using VOXA::errors::NewOrThrow;

// -------------------------------------------------------------------- CRC-32

namespace {

std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

const std::array<uint32_t, 256> crcTable = MakeCrcTable();

}  // namespace

uint32_t Crc32Update(uint32_t crc, const void* block, uint32_t length) {
  const uint8_t* p = static_cast<const uint8_t*>(block);
  uint32_t c = ~crc;
  for (uint32_t i = 0; i < length; ++i) c = crcTable[(c ^ p[i]) & 0xFF] ^ (c >> 8);
  return ~c;
}

uint32_t Crc32(const void* block, uint32_t length) { return Crc32Update(0, block, length); }

// -------------------------------------------------------------- size bounds

bool DecodedSizeAllowed(const char* kind, const char* member, uint64_t decodedSize) {
  if (decodedSize <= kMaxDecodedMember) return true;
  LogMessage(5, "%s member \"%s\" refused: %llu bytes decoded is above the limit of %llu bytes",
             kind, member, static_cast<unsigned long long>(decodedSize),
             static_cast<unsigned long long>(kMaxDecodedMember));
  return false;
}

bool PlausibleDecodedSize(tPacking packing, uint64_t stored, uint64_t decoded) {
  if (decoded > 0x7FFFFFFFu) return false;
  switch (packing) {
    case tPacking::Stored:
      return decoded <= stored;
    case tPacking::Deflate:
      // Two bits per 258-byte match is the best deflate can do.
      return decoded <= (stored + 8) * 1032;
    case tPacking::Lzh:
      // A match of at most 60 bytes costs at least 10 bits.
      return decoded <= (stored + 1) * 64;
    case tPacking::Reduced:
      return decoded <= (stored + 1) * 512;
    case tPacking::Bzip2:
      // A block of at least 16 packed bytes holds at most 900000 run-length
      // symbols, every 5 of them at most 259 bytes.
      return decoded <= (stored / 16 + 1) * 47000000u;
  }
  return false;
}

// ------------------------------------------------------------------- reduce

namespace {

// ZIP's bit order: the low bits of each byte first.
class cLsbBitReader {
 public:
  cLsbBitReader(const uint8_t* data, uint32_t size) : data_(data), size_(size) {}

  bool Read(int count, unsigned& value) {
    if (BitsLeft() < static_cast<uint64_t>(count)) return false;
    value = 0;
    for (int i = 0; i < count; ++i, ++bit_) {
      unsigned b = (data_[bit_ >> 3] >> (bit_ & 7)) & 1u;
      value |= b << i;
    }
    return true;
  }
  uint64_t BitsLeft() const { return static_cast<uint64_t>(size_) * 8 - bit_; }

 private:
  const uint8_t* data_;
  uint32_t size_;
  uint64_t bit_ = 0;
};

int FollowerIndexBits(unsigned count) {
  int bits = 1;
  while ((1u << bits) < count) ++bits;
  return bits;
}

}  // namespace

int ExpandReduced(const uint8_t* packed, uint32_t storedSize, uint8_t* output, uint32_t decodedSize,
                  tExtractProgress progress, int factorMinusOne) {
  if (factorMinusOne < 0 || factorMinusOne > 3) return 0;
  const int factor = factorMinusOne + 1;
  const unsigned lengthMask = 0xFFu >> factor;
  cLsbBitReader in(packed, storedSize);

  std::unique_ptr<uint8_t[][64]> followers(new (std::nothrow) uint8_t[256][64]);
  uint8_t counts[256] = {};
  if (!followers) return 0;
  for (int set = 255; set >= 0; --set) {
    unsigned n;
    if (!in.Read(6, n)) return 0;
    counts[set] = static_cast<uint8_t>(n);
    for (unsigned i = 0; i < n; ++i) {
      unsigned v;
      if (!in.Read(8, v)) return 0;
      followers[set][i] = static_cast<uint8_t>(v);
    }
  }

  uint32_t written = 0;
  unsigned last = 0, state = 0, code = 0, length = 0;
  auto put = [&](uint8_t byte) {
    if (written >= decodedSize) return false;
    output[written++] = byte;
    return !progress || progress(written, decodedSize);
  };
  // The final byte's spare bits are padding once the output is full.
  while (written < decodedSize || in.BitsLeft() >= 8) {
    unsigned c, v;
    if (counts[last] == 0) {
      if (!in.Read(8, c)) break;
    } else {
      if (!in.Read(1, v)) break;
      if (v) {
        if (!in.Read(8, c)) break;
      } else {
        if (!in.Read(FollowerIndexBits(counts[last]), v)) break;
        if (v >= counts[last]) return 0;
        c = followers[last][v];
      }
    }
    last = c;

    switch (state) {
      case 0:
        if (c == 144) {
          state = 1;
        } else if (!put(static_cast<uint8_t>(c))) {
          return 0;
        }
        break;
      case 1:
        if (c == 0) {
          if (!put(144)) return 0;
          state = 0;
        } else {
          code = c;
          length = c & lengthMask;
          state = length == lengthMask ? 2 : 3;
        }
        break;
      case 2:
        length += c;
        state = 3;
        break;
      default: {
        uint32_t distance = ((code >> (8 - factor)) << 8) + c + 1;
        for (unsigned k = 0; k < length + 3; ++k) {
          uint8_t byte = written >= distance ? output[written - distance] : 0;
          if (!put(byte)) return 0;
        }
        state = 0;
        break;
      }
    }
  }
  return 1;
}

// ------------------------------------------------------------- raw deflate

bool InflateRawMember(const uint8_t* packed, uint32_t storedSize, uint8_t* output,
                      uint32_t decodedSize) {
  z_stream zs;
  std::memset(&zs, 0, sizeof(zs));
  zs.next_in = const_cast<Bytef*>(packed);
  zs.avail_in = storedSize;
  zs.next_out = output;
  zs.avail_out = decodedSize;
  if (inflateInit2(&zs, -15) != Z_OK) return false;
  int result = inflate(&zs, Z_FINISH);
  uLong produced = zs.total_out;
  int ended = inflateEnd(&zs);
  return result == Z_STREAM_END && ended == Z_OK && produced == decodedSize;
}

// ------------------------------------------------------------------- bzip2

bool DecodeBzip2Member(const uint8_t* packed, uint32_t storedSize, uint8_t* output,
                       uint32_t decodedSize) {
  unsigned int length = decodedSize;
  int result = BZ2_bzBuffToBuffDecompress(reinterpret_cast<char*>(output), &length,
                                          const_cast<char*>(reinterpret_cast<const char*>(packed)),
                                          storedSize, 0, 0);
  return result == BZ_OK && length == decodedSize;
}

// ------------------------------------------------------------------- LZHUF

namespace {

// Bits come from the top of each byte first; past the end the input reads as zeros.
class cLzhBitReader {
 public:
  cLzhBitReader(const uint8_t* data, uint32_t size) : data_(data), size_(size) {}

  int Bit() {
    Fill();
    int bit = (buffer_ >> 15) & 1;
    buffer_ = static_cast<uint16_t>(buffer_ << 1);
    --count_;
    return bit;
  }
  int Byte() {
    Fill();
    int byte = buffer_ >> 8;
    buffer_ = static_cast<uint16_t>(buffer_ << 8);
    count_ = static_cast<uint8_t>(count_ - 8);
    return byte;
  }

 private:
  void Fill() {
    if (count_ < 9) {
      unsigned byte = position_ < size_ ? data_[position_] : 0;
      ++position_;
      buffer_ = static_cast<uint16_t>(buffer_ | (byte << (8 - count_)));
      count_ = static_cast<uint8_t>(count_ + 8);
    }
  }

  const uint8_t* data_;
  uint32_t size_;
  uint64_t position_ = 0;
  uint16_t buffer_ = 0;
  uint8_t count_ = 0;
};

struct cLzhDecoder {
  lzhuf::cLzhTree tree;
  uint8_t ring[lzhuf::N + lzhuf::F];
};

}  // namespace

int DecodeLzhMember(const uint8_t* packed, uint32_t storedSize, uint8_t* output,
                    uint32_t decodedSize, tExtractProgress) {
  using namespace lzhuf;
  if (decodedSize == 0) return 1;
  std::unique_ptr<cLzhDecoder> state(
      NewOrThrow<cLzhDecoder, eCouldNotAllocateMemoryFor>("LZH decoder!"));
  cLzhTree& tree = state->tree;
  uint8_t* ring = state->ring;
  tree.Start();
  // Only the first N - F bytes are preset by the coding; the rest are zeroed
  // so that a corrupt stream reading them still decodes the same every time.
  std::memset(ring, 0, sizeof(state->ring));
  std::memset(ring, 0x20, N - F);
  cLzhBitReader in(packed, storedSize);

  uint32_t count = 0;
  int r = N - F;
  while (count < decodedSize) {
    int c = tree.son[R];
    while (c < T) c = tree.son[c + in.Bit()];
    c -= T;
    tree.Update(c);
    if (c < 256) {
      output[count++] = static_cast<uint8_t>(c);
      ring[r] = static_cast<uint8_t>(c);
      r = (r + 1) & (N - 1);
      continue;
    }
    int i = in.Byte();
    int high = PositionCode(i);
    int extra = PositionLength(i) - 2;
    while (extra-- > 0) i = (i << 1) + in.Bit();
    int position = (high << 6) | (i & 63);
    int start = (r - position - 1) & (N - 1);
    int length = c - 255 + THRESHOLD;
    for (int k = 0; k < length; ++k) {
      // The output is exactly the decoded size: a match running past it fails.
      if (count >= decodedSize) return 0;
      uint8_t byte = ring[(start + k) & (N - 1)];
      output[count++] = byte;
      ring[r] = byte;
      r = (r + 1) & (N - 1);
    }
  }
  return count == decodedSize ? 1 : 0;
}

#include "tools/vornarc/writer.h"

#include <bzlib.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <numeric>

#include "foundation/decoders.h"
#include "foundation/lzhuf.h"
#include "foundation/vornarc.h"

namespace vornarc {

namespace {

void Put32(tBytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(tBytes& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Poke32(tBytes& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

tBytes Deflate(const tBytes& data) {
  z_stream zs;
  std::memset(&zs, 0, sizeof(zs));
  if (deflateInit2(&zs, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2 failed");
  }
  tBytes out(deflateBound(&zs, data.size()));
  zs.next_in = const_cast<Bytef*>(data.data());
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = out.data();
  zs.avail_out = static_cast<uInt>(out.size());
  int result = deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  if (result != Z_STREAM_END) throw std::runtime_error("deflate failed");
  return out;
}

tBytes Bzip2(const tBytes& data) {
  unsigned int length = static_cast<unsigned int>(data.size() + data.size() / 100 + 600);
  tBytes out(length);
  char none = 0;  // libbz2 refuses a null source, even an empty one
  char* source =
      data.empty() ? &none : const_cast<char*>(reinterpret_cast<const char*>(data.data()));
  int result = BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(out.data()), &length, source,
                                        static_cast<unsigned int>(data.size()), 9, 0, 0);
  if (result != BZ_OK) throw std::runtime_error("bzip2 compression failed");
  out.resize(length);
  return out;
}

// Bits go out from the top of each byte first, as the decoder takes them.
class cBitWriter {
 public:
  void Put(unsigned value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      byte_ = static_cast<uint8_t>(byte_ << 1 | ((value >> i) & 1u));
      if (++bits_ == 8) Flush();
    }
  }
  tBytes Finish() {
    if (bits_ > 0) {
      byte_ = static_cast<uint8_t>(byte_ << (8 - bits_));
      Flush();
    }
    return std::move(out_);
  }

 private:
  void Flush() {
    out_.push_back(byte_);
    byte_ = 0;
    bits_ = 0;
  }
  tBytes out_;
  uint8_t byte_ = 0;
  int bits_ = 0;
};

}  // namespace

tBytes EncodeLzh(const uint8_t* data, size_t size) {
  using namespace lzhuf;
  auto tree = std::make_unique<cLzhTree>();
  tree->Start();
  cBitWriter out;

  // The prefix of each distance's top 6 bits, from the decoder's tables.
  uint8_t prefixCode[64] = {}, prefixLength[64] = {};
  for (int i = 255; i >= 0; --i) {
    int high = PositionCode(i), length = PositionLength(i);
    prefixCode[high] = static_cast<uint8_t>(i >> (8 - length));
    prefixLength[high] = static_cast<uint8_t>(length);
  }

  auto putSymbol = [&](int c) {
    uint8_t path[T];
    int depth = 0;
    for (int k = tree->prnt[c + T]; k != R; k = tree->prnt[k]) {
      path[depth++] = static_cast<uint8_t>(k - tree->son[tree->prnt[k]]);
    }
    while (depth > 0) out.Put(path[--depth], 1);
    tree->Update(c);
  };

  // Matches come only from bytes already written, never from the ring's
  // preset, and reach back at most N - F bytes.
  constexpr int kHashBits = 15;
  std::vector<int32_t> head(size_t{1} << kHashBits, -1);
  std::vector<int32_t> previous(size, -1);
  auto hash = [&](size_t p) {
    uint32_t h = data[p] * 0x9E3779B1u ^ data[p + 1] * 0x85EBCA77u ^ data[p + 2] * 0xC2B2AE3Du;
    return h >> (32 - kHashBits);
  };
  auto insert = [&](size_t p) {
    if (p + 3 > size) return;
    uint32_t h = hash(p);
    previous[p] = head[h];
    head[h] = static_cast<int32_t>(p);
  };

  size_t position = 0;
  while (position < size) {
    size_t bestLength = 0, bestDistance = 0;
    if (position + 3 <= size) {
      const size_t longest = std::min<size_t>(F, size - position);
      int chain = 0;
      for (int32_t candidate = head[hash(position)];
           candidate >= 0 && position - candidate <= N - F && chain < 512;
           candidate = previous[candidate], ++chain) {
        size_t length = 0;
        while (length < longest && data[candidate + length] == data[position + length]) ++length;
        if (length > bestLength) {
          bestLength = length;
          bestDistance = position - candidate;
          if (length == longest) break;
        }
      }
    }
    if (bestLength > THRESHOLD) {
      putSymbol(static_cast<int>(bestLength) + 255 - THRESHOLD);
      unsigned where = static_cast<unsigned>(bestDistance - 1);
      out.Put(prefixCode[where >> 6], prefixLength[where >> 6]);
      out.Put(where & 63, 6);
      for (size_t k = 0; k < bestLength; ++k) insert(position + k);
      position += bestLength;
    } else {
      putSymbol(data[position]);
      insert(position);
      ++position;
    }
  }
  return out.Finish();
}

tBytes Pack(uint32_t method, const tBytes& data) {
  switch (method) {
    case kMethodStored:
      return data;
    case kMethodDeflate:
      return Deflate(data);
    case kMethodLzh:
      return EncodeLzh(data.data(), data.size());
    case kMethodBzip2:
      return Bzip2(data);
  }
  throw std::runtime_error("no packer for method " + std::to_string(method));
}

uint32_t MethodByName(const std::string& name) {
  if (name == "stored") return kMethodStored;
  if (name == "deflate") return kMethodDeflate;
  if (name == "lzh") return kMethodLzh;
  if (name == "bzip2") return kMethodBzip2;
  throw std::runtime_error("unknown method \"" + name + "\" (stored, deflate, lzh, bzip2)");
}

tWritten WriteArchive(const std::vector<tMember>& members, const std::vector<int>& blocks) {
  std::vector<int> layout = blocks;
  if (layout.empty() && !members.empty()) layout.push_back(static_cast<int>(members.size()));
  if (std::accumulate(layout.begin(), layout.end(), size_t{0}) != members.size()) {
    throw std::runtime_error("the directory blocks do not hold every member once");
  }

  tWritten w;
  tBytes& out = w.bytes;
  out.assign(kVornarcMagic, kVornarcMagic + sizeof(kVornarcMagic));
  Put32(out, static_cast<uint32_t>(members.size()));
  Put32(out, 0);  // first block, set below

  std::vector<tBytes> packed;
  for (const tMember& m : members) {
    packed.push_back(Pack(m.method, m.data));
    const tBytes& stored = packed.back();
    w.storedSizes.push_back(static_cast<uint32_t>(stored.size()));
    if (m.fragments.empty()) {
      w.dataOffsets.push_back(static_cast<uint32_t>(out.size()));
      out.insert(out.end(), stored.begin(), stored.end());
      continue;
    }
    std::vector<uint32_t> pieces = m.fragments;
    uint32_t taken = std::accumulate(pieces.begin(), pieces.end(), 0u);
    if (taken > stored.size()) throw std::runtime_error("fragments longer than the member");
    pieces.push_back(static_cast<uint32_t>(stored.size()) - taken);
    // Last piece first: each fragment points back to the one written before it.
    std::vector<uint32_t> starts(pieces.size());
    uint32_t next = 0;
    for (size_t i = pieces.size(); i-- > 0;) {
      starts[i] = static_cast<uint32_t>(out.size());
      uint32_t from = std::accumulate(pieces.begin(), pieces.begin() + static_cast<long>(i), 0u);
      Put32(out, pieces[i]);
      Put32(out, next);
      out.insert(out.end(), stored.begin() + from, stored.begin() + from + pieces[i]);
      next = starts[i];
    }
    w.dataOffsets.push_back(starts[0]);
  }

  // Blocks in reverse chain order, each pointing to the one written before it.
  std::vector<size_t> firstRecord(layout.size());
  for (size_t b = 0, index = 0; b < layout.size(); index += static_cast<size_t>(layout[b]), ++b) {
    firstRecord[b] = index;
  }
  w.recordOffsets.resize(members.size());
  uint32_t next = 0;
  for (size_t b = layout.size(); b-- > 0;) {
    uint32_t start = static_cast<uint32_t>(out.size());
    Put32(out, static_cast<uint32_t>(layout[b]));
    Put32(out, next);
    for (size_t i = firstRecord[b]; i < firstRecord[b] + static_cast<size_t>(layout[b]); ++i) {
      const tMember& m = members[i];
      const tBytes& stored = packed[i];
      w.recordOffsets[i] = out.size();
      Put32(out, static_cast<uint32_t>(m.data.size()));
      Put32(out, static_cast<uint32_t>(stored.size()));
      Put32(out, m.method);
      Put32(out, w.dataOffsets[i]);
      out.push_back(static_cast<uint8_t>((m.flagBits & 0x7F) |
                                         (m.fragments.empty() ? 0 : kVornarcFragmented)));
      Put32(out, Crc32(stored.data(), static_cast<uint32_t>(stored.size())));
      Put32(out, Crc32(m.data.data(), static_cast<uint32_t>(m.data.size())));
      Put16(out, m.kept);
      Put16(out, static_cast<uint16_t>(m.name.size()));
      Put32(out, static_cast<uint32_t>(m.extra.size()));
      out.insert(out.end(), m.name.begin(), m.name.end());
      out.insert(out.end(), m.extra.begin(), m.extra.end());
    }
    next = start;
  }
  Poke32(out, 12, next);
  return w;
}

tBytes AppendArchives(const tBytes& program, const std::vector<tAppended>& archives) {
  tBytes out = program;
  std::vector<uint32_t> offsets;
  for (const tAppended& a : archives) {
    offsets.push_back(static_cast<uint32_t>(out.size()));
    out.insert(out.end(), a.bytes.begin(), a.bytes.end());
  }
  for (size_t i = 0; i < archives.size(); ++i) {
    if (archives[i].name.size() > 55) throw std::runtime_error("name longer than 55 characters");
    Put32(out, offsets[i]);
    Put32(out, static_cast<uint32_t>(archives[i].bytes.size()));
    char name[56] = {};
    std::memcpy(name, archives[i].name.data(), archives[i].name.size());
    out.insert(out.end(), name, name + sizeof(name));
  }
  out.insert(out.end(), kVornarcExeMagic, kVornarcExeMagic + sizeof(kVornarcExeMagic));
  Put32(out, static_cast<uint32_t>(archives.size()));
  return out;
}

}  // namespace vornarc

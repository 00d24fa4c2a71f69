// Writes archives of the player's own format (VORNarc) and appends archives to
// a program file behind a VORNarc/EXE trailer. A development tool: the build
// packs data with it and the tests make their fixtures with it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vornarc {

using tBytes = std::vector<uint8_t>;

// Packs bytes by a method of the format: 0 stored, 10 raw deflate (zlib),
// 11 LZHUF (our encoder), 12 bzip2 (libbz2). Throws std::runtime_error for
// any other method or a library failure.
tBytes Pack(uint32_t method, const tBytes& data);

// The LZHUF coding of the member decoder, without a header.
tBytes EncodeLzh(const uint8_t* data, size_t size);

struct tMember {
  std::string name;  // folders separated by backslashes
  tBytes data;       // the decoded bytes
  uint32_t method = 0;
  // Lengths of all stored-byte pieces but the last, which takes the rest;
  // empty keeps the stored bytes in one piece. The pieces are laid out in
  // reverse order, so the chain runs backwards through the file.
  std::vector<uint32_t> fragments;
  uint8_t flagBits = 0;  // bits 0 to 6, kept by readers
  uint16_t kept = 1;
  tBytes extra;
};

struct tWritten {
  tBytes bytes;
  // Where each member's 33-byte record starts, in member order, so that tests
  // can change single fields.
  std::vector<size_t> recordOffsets;
  std::vector<uint32_t> dataOffsets;  // the record's data offset field
  std::vector<uint32_t> storedSizes;
};

// An archive holding the members in order. `blocks` gives the number of
// records in each directory block (0 is allowed) and must add up to the
// member count; empty means one block. The blocks follow the member data, in
// reverse order of the chain.
tWritten WriteArchive(const std::vector<tMember>& members, const std::vector<int>& blocks = {});

struct tAppended {
  std::string name;  // at most 55 characters
  tBytes bytes;
};

// The program followed by the archives, their 64-byte records and the trailer.
tBytes AppendArchives(const tBytes& program, const std::vector<tAppended>& archives);

uint32_t MethodByName(const std::string& name);  // "stored", "deflate", "lzh", "bzip2"

}  // namespace vornarc

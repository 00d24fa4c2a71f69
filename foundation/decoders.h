// The checksum and the decoders of archive members. Every decoder works from
// one memory block into another whose length is known in advance; it writes
// only into the output block and never allocates or frees either block.
#pragma once

#include <cstdint>

#include "foundation/archive.h"

// The CRC-32 of ZIP and zlib (reflected polynomial 0xEDB88320).
uint32_t Crc32(const void* block, uint32_t length);
// Continues a CRC-32 over a further block; Crc32(b, n) == Crc32Update(0, b, n).
uint32_t Crc32Update(uint32_t crc, const void* block, uint32_t length);

// ZIP "reduce" with reduction factor factorMinusOne + 1 (1 to 4).
int ExpandReduced(const uint8_t* packed, uint32_t storedSize, uint8_t* output, uint32_t decodedSize,
                  tExtractProgress progress, int factorMinusOne);
// A raw deflate stream (no zlib header, no trailer) that fills the output exactly.
bool InflateRawMember(const uint8_t* packed, uint32_t storedSize, uint8_t* output,
                      uint32_t decodedSize);
// LZHUF: LZ77 over a ring of 4096 bytes with an adaptive Huffman coder.
int DecodeLzhMember(const uint8_t* packed, uint32_t storedSize, uint8_t* output,
                    uint32_t decodedSize, tExtractProgress progress);
// A bzip2 stream that decodes to exactly the decoded size.
bool DecodeBzip2Member(const uint8_t* packed, uint32_t storedSize, uint8_t* output,
                       uint32_t decodedSize);

// How a member's bytes are packed, as far as the size check below cares.
enum class tPacking { Stored, Reduced, Deflate, Lzh, Bzip2 };

// Whether a member of this packing can decode to the claimed size from the
// stored size: the largest expansion each coding allows. Sizes that no valid
// member can have are refused before anything is allocated for them.
bool PlausibleDecodedSize(tPacking packing, uint64_t storedSize, uint64_t decodedSize);

// The most that one member of any archive may decode to: no demo's file comes
// near it, and a few hundred packed bytes can claim gigabytes.
inline constexpr uint64_t kMaxDecodedMember = 256u << 20;

// Whether a member may decode to the size; a larger one is refused with a log
// line naming the member (of an archive of the kind) and the limit.
bool DecodedSizeAllowed(const char* kind, const char* member, uint64_t decodedSize);

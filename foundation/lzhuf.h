// The adaptive Huffman tree and the position tables of the LZHUF coding,
// shared by the member decoder and the archive writer's encoder, so both
// sides keep the tree in step by one piece of code.
#pragma once

#include <cstdint>

namespace lzhuf {

constexpr int N = 4096;                      // ring size
constexpr int F = 60;                        // longest match
constexpr int THRESHOLD = 2;                 // shortest match - 1
constexpr int N_CHAR = 256 - THRESHOLD + F;  // 256 literals and 58 match lengths
constexpr int T = 2 * N_CHAR - 1;            // tree nodes
constexpr int R = T - 1;                     // root
constexpr unsigned MAX_FREQ = 0x8000;

struct cLzhTree {
  uint16_t freq[T + 1];
  uint16_t prnt[T + N_CHAR];
  uint16_t son[T];

  // The initial tree: every symbol once.
  void Start();
  // Counts one more occurrence of symbol c and restores the sibling order.
  void Update(int c);

 private:
  void Rebuild();
};

// The distance's top 6 bits from the first 8 bits of its code.
uint8_t PositionCode(int firstByte);
// How many bits the top-6-bit code occupies (3 to 8).
uint8_t PositionLength(int firstByte);

}  // namespace lzhuf

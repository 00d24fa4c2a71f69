#include "foundation/lzhuf.h"

#include <cstring>

namespace lzhuf {

void cLzhTree::Start() {
  for (int i = 0; i < N_CHAR; ++i) {
    freq[i] = 1;
    son[i] = static_cast<uint16_t>(i + T);
    prnt[i + T] = static_cast<uint16_t>(i);
  }
  int i = 0;
  for (int j = N_CHAR; j <= R; ++j, i += 2) {
    freq[j] = static_cast<uint16_t>(freq[i] + freq[i + 1]);
    son[j] = static_cast<uint16_t>(i);
    prnt[i] = prnt[i + 1] = static_cast<uint16_t>(j);
  }
  freq[T] = 0xFFFF;  // sentinel for the sibling scans
  prnt[R] = 0;
}

void cLzhTree::Rebuild() {
  // Gather the leaves into the low half with their counts halved.
  int j = 0;
  for (int i = 0; i < T; ++i) {
    if (son[i] >= T) {
      freq[j] = static_cast<uint16_t>((freq[i] + 1) / 2);
      son[j] = son[i];
      ++j;
    }
  }
  // Pair them up again, keeping the counts in ascending order.
  for (int i = 0, k; j < T; i += 2, ++j) {
    unsigned f = freq[i] + freq[i + 1];
    freq[j] = static_cast<uint16_t>(f);
    for (k = j - 1; f < freq[k]; --k) {
    }
    ++k;
    std::memmove(&freq[k + 1], &freq[k], sizeof(freq[0]) * static_cast<size_t>(j - k));
    freq[k] = static_cast<uint16_t>(f);
    std::memmove(&son[k + 1], &son[k], sizeof(son[0]) * static_cast<size_t>(j - k));
    son[k] = static_cast<uint16_t>(i);
  }
  for (int i = 0; i < T; ++i) {
    int k = son[i];
    if (k >= T) {
      prnt[k] = static_cast<uint16_t>(i);
    } else {
      prnt[k] = prnt[k + 1] = static_cast<uint16_t>(i);
    }
  }
}

void cLzhTree::Update(int c) {
  if (freq[R] == MAX_FREQ) Rebuild();
  c = prnt[c + T];
  do {
    unsigned k = ++freq[c];
    int l = c + 1;
    if (k > freq[l]) {
      while (k > freq[++l]) {
      }
      --l;
      freq[c] = freq[l];
      freq[l] = static_cast<uint16_t>(k);

      int i = son[c];
      prnt[i] = static_cast<uint16_t>(l);
      if (i < T) prnt[i + 1] = static_cast<uint16_t>(l);

      int j = son[l];
      son[l] = static_cast<uint16_t>(i);
      prnt[j] = static_cast<uint16_t>(c);
      if (j < T) prnt[j + 1] = static_cast<uint16_t>(c);
      son[c] = static_cast<uint16_t>(j);

      c = l;
    }
    c = prnt[c];
  } while (c != 0);
}

uint8_t PositionCode(int i) {
  i &= 0xFF;
  if (i < 32) return 0;
  if (i < 80) return static_cast<uint8_t>(1 + (i - 32) / 16);
  if (i < 144) return static_cast<uint8_t>(4 + (i - 80) / 8);
  if (i < 192) return static_cast<uint8_t>(12 + (i - 144) / 4);
  if (i < 240) return static_cast<uint8_t>(24 + (i - 192) / 2);
  return static_cast<uint8_t>(48 + (i - 240));
}

uint8_t PositionLength(int i) {
  i &= 0xFF;
  if (i < 32) return 3;
  if (i < 80) return 4;
  if (i < 144) return 5;
  if (i < 192) return 6;
  if (i < 240) return 7;
  return 8;
}

}  // namespace lzhuf

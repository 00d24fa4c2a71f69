// Loads and stores of packed pixels of 2, 3 or 4 bytes, in memory order (the
// little-endian integer of the bytes). A 3-byte store writes exactly three bytes.
#pragma once

#include <cstdint>
#include <cstring>

namespace ZGUI::pixels {

template <int B>
inline std::uint32_t Load(const std::uint8_t* p) {
  if constexpr (B == 2) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  } else if constexpr (B == 3) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
  } else {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
}

template <int B>
inline void Store(std::uint8_t* p, std::uint32_t v) {
  if constexpr (B == 2) {
    auto w = static_cast<std::uint16_t>(v);
    std::memcpy(p, &w, 2);
  } else if constexpr (B == 3) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
  } else {
    std::memcpy(p, &v, 4);
  }
}

inline std::uint32_t Load(const std::uint8_t* p, int bytes) {
  switch (bytes) {
    case 2:
      return Load<2>(p);
    case 3:
      return Load<3>(p);
    case 4:
      return Load<4>(p);
    default:
      return 0;
  }
}

inline void Store(std::uint8_t* p, int bytes, std::uint32_t v) {
  switch (bytes) {
    case 2:
      Store<2>(p, v);
      break;
    case 3:
      Store<3>(p, v);
      break;
    case 4:
      Store<4>(p, v);
      break;
    default:
      break;
  }
}

// Calls f.template operator()<B>() for the supported depths; false otherwise.
template <class F>
inline bool ForDepth(int bytes, F&& f) {
  switch (bytes) {
    case 2:
      f.template operator()<2>();
      return true;
    case 3:
      f.template operator()<3>();
      return true;
    case 4:
      f.template operator()<4>();
      return true;
    default:
      return false;
  }
}

}  // namespace ZGUI::pixels

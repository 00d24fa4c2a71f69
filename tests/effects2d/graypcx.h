// 8-bit gray PCX files made in tests: one run-length coded plane whose bytes
// are the grays, with a gray palette.
#pragma once

#include <cstdint>
#include <vector>

namespace fxtest {

// pixels holds width x height bytes, row by row from the top.
std::vector<unsigned char> GrayPcx(int width, int height, const std::vector<std::uint8_t>& pixels);

}  // namespace fxtest

#include "tests/effects2d/graypcx.h"

namespace fxtest {

namespace {

void Put16(std::vector<unsigned char>& out, std::size_t at, int value) {
  out[at] = static_cast<unsigned char>(value);
  out[at + 1] = static_cast<unsigned char>(value >> 8);
}

}  // namespace

std::vector<unsigned char> GrayPcx(int width, int height, const std::vector<std::uint8_t>& pixels) {
  const int bytesPerLine = width + (width & 1);  // lines are an even number of bytes
  std::vector<unsigned char> out(128, 0);
  out[0] = 0x0A;
  out[1] = 5;
  out[2] = 1;  // run-length coded
  out[3] = 8;
  Put16(out, 8, width - 1);
  Put16(out, 10, height - 1);
  out[65] = 1;
  Put16(out, 66, bytesPerLine);
  Put16(out, 68, 2);  // gray scale
  for (int y = 0; y < height; y++) {
    std::vector<std::uint8_t> line(pixels.begin() + static_cast<std::ptrdiff_t>(y) * width,
                                   pixels.begin() + static_cast<std::ptrdiff_t>(y + 1) * width);
    line.resize(static_cast<std::size_t>(bytesPerLine), 0);
    // Runs stay inside their line and hold at most 63 bytes; a lone byte with
    // both top bits set needs a run of its own.
    for (std::size_t x = 0; x < line.size();) {
      std::size_t run = 1;
      while (x + run < line.size() && run < 63 && line[x + run] == line[x]) run++;
      if (run > 1 || line[x] >= 0xC0) out.push_back(static_cast<unsigned char>(0xC0 | run));
      out.push_back(line[x]);
      x += run;
    }
  }
  out.push_back(0x0C);
  for (int i = 0; i < 256; i++) out.insert(out.end(), 3, static_cast<unsigned char>(i));
  return out;
}

}  // namespace fxtest

// Picture files written for tests and benchmarks: run-length coded 32-bit TGA
// and 8-bit PCX, in the forms our readers take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// Writes the bytes, making the file's folders first.
inline void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::filesystem::path p(path);
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// An opaque 32-bit TGA; pixel(x, y) gives 0xRRGGBB, (0, 0) the top left.
inline void WriteTga(const std::string& path, int width, int height,
                     const std::function<std::uint32_t(int, int)>& pixel) {
  std::vector<unsigned char> out(18, 0);
  out[2] = 10;  // run-length coded true colour, the form our reader takes
  out[12] = static_cast<unsigned char>(width);
  out[13] = static_cast<unsigned char>(width >> 8);
  out[14] = static_cast<unsigned char>(height);
  out[15] = static_cast<unsigned char>(height >> 8);
  out[16] = 32;
  // Rows bottom to top, one raw packet per pixel, opaque.
  for (int y = height - 1; y >= 0; y--)
    for (int x = 0; x < width; x++) {
      const std::uint32_t c = pixel(x, y);
      out.insert(out.end(), {0, static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 8),
                             static_cast<unsigned char>(c >> 16), 0xFF});
    }
  WriteBytes(path, out);
}

// A run-length coded 8-bit PCX; gray(x, y) gives the byte, (0, 0) the top left.
// One plane carries a gray-ramp palette, so that index and gray agree; three
// planes put the byte into red, green and blue (a 24-bit picture).
inline std::vector<unsigned char> PcxBytes(int width, int height,
                                           const std::function<std::uint8_t(int, int)>& gray,
                                           int planes = 1) {
  const int bytesPerLine = width + (width & 1);  // lines of an even length, as PCX has them
  std::vector<unsigned char> out(128, 0);
  auto word = [&](std::size_t at, int value) {
    out[at] = static_cast<unsigned char>(value);
    out[at + 1] = static_cast<unsigned char>(value >> 8);
  };
  out[0] = 0x0A;
  out[1] = 5;
  out[2] = 1;
  out[3] = 8;
  word(8, width - 1);
  word(10, height - 1);
  out[65] = static_cast<unsigned char>(planes);
  word(66, bytesPerLine);
  word(68, 1);
  std::vector<unsigned char> line(static_cast<std::size_t>(bytesPerLine), 0);
  for (int y = 0; y < height; y++) {
    for (int x = 0; x < width; x++) line[static_cast<std::size_t>(x)] = gray(x, y);
    for (int plane = 0; plane < planes; plane++) {
      // Runs of up to 63, and single bytes with both top bits set, go as a count and a value.
      for (std::size_t i = 0; i < line.size();) {
        std::size_t run = 1;
        while (i + run < line.size() && run < 63 && line[i + run] == line[i]) run++;
        if (run > 1 || line[i] >= 0xC0) out.push_back(static_cast<unsigned char>(0xC0 | run));
        out.push_back(line[i]);
        i += run;
      }
    }
  }
  if (planes == 1) {
    out.push_back(0x0C);
    for (int i = 0; i < 256; i++) out.insert(out.end(), 3, static_cast<unsigned char>(i));
  }
  return out;
}

inline void WritePcx(const std::string& path, int width, int height,
                     const std::function<std::uint8_t(int, int)>& gray, int planes = 1) {
  WriteBytes(path, PcxBytes(width, height, gray, planes));
}

}  // namespace testsupport

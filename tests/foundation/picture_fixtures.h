// Helpers for the picture tests: a test folder that OpenFile reads from, the
// four readers on the global loader, and ImageMagick as the reference decoder.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/archive.h"
#include "foundation/gfxloader.h"
#include "foundation/pictures.h"
#include "tests/foundation/stream_fixtures.h"
#include "tests/support/tempdir.h"

namespace picturetest {

// ImageMagick's own convert: another one may come first on PATH.
inline const char* kConvert = "/usr/bin/convert";

// Runs a shell script in the current folder with $C naming ImageMagick.
inline bool Shell(const std::string& script) {
  const std::string command = "C=" + std::string(kConvert) + "; set -e; " + script;
  return std::system(command.c_str()) == 0;
}

// Two small pictures every variant is made from: a plasma in 8-bit RGB, and
// the same with an alpha gradient.
inline const char* kBasePictures =
    "$C -seed 7 -size 13x9 plasma:fractal -depth 8 base.ppm; "
    "$C base.ppm \\( -size 13x9 gradient:white-black \\) -alpha off -compose CopyOpacity "
    "-composite -depth 8 PNG32:rgba.png; ";

// ImageMagick's decoding of a file: "rgba" or "gray" samples of 8 bits.
// ImageMagick keeps a TGA's row order as stored and reports the orientation
// beside it; options such as -auto-orient apply it.
inline std::vector<std::uint8_t> Reference(const std::string& file, const char* format,
                                           const std::string& options = "") {
  const std::string out = file + "." + format;
  if (!Shell("$C " + file + " " + options + " -depth 8 " + format + ":" + out)) return {};
  const std::string bytes = testsupport::ReadFile(out);
  return {bytes.begin(), bytes.end()};
}

inline std::string Bytes(const std::string& file) { return testsupport::ReadFile(file); }

inline void Put16(std::string& s, std::size_t at, int v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

// A PCX of 8-bit samples: header, run-length data and, when asked, a palette
// (255 - i, i, 7).
inline std::string Pcx(int w, int h, int bpl, int planes, const std::vector<std::uint8_t>& rle, bool palette) {
  std::string file(128, '\0');
  file[0] = 0x0A;
  file[1] = 5;
  file[2] = 1;
  file[3] = 8;
  Put16(file, 8, w - 1);
  Put16(file, 10, h - 1);
  file[65] = static_cast<char>(planes);
  Put16(file, 66, bpl);
  file.append(rle.begin(), rle.end());
  if (palette) {
    file += '\x0C';
    for (int i = 0; i < 256; ++i) {
      file += static_cast<char>(255 - i);
      file += static_cast<char>(i);
      file += static_cast<char>(7);
    }
  }
  return file;
}

// A TGA: header, identification text and packets.
inline std::string Tga(int w, int h, int type, int bpp, int descriptor, const std::string& id,
                       const std::vector<std::uint8_t>& packets) {
  std::string file(18, '\0');
  file[0] = static_cast<char>(id.size());
  file[2] = static_cast<char>(type);
  Put16(file, 12, w);
  Put16(file, 14, h);
  file[16] = static_cast<char>(bpp);
  file[17] = static_cast<char>(descriptor);
  file += id;
  file.append(packets.begin(), packets.end());
  return file;
}

class PictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearFileAccessFunctions();
    AddFileAccessFunction(streamtest::PlainFileAccess);
    static bool registered = false;
    if (!registered) RegisterPictureReaders();
    registered = true;
  }
  void TearDown() override { FreeFileAccessLists(); }

  std::string Log() const { return testsupport::ReadFile("debug.txt"); }

  testsupport::ScopedTempDir dir_;
};

}  // namespace picturetest

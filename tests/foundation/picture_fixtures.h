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

// The 2D commands on the headless display: a small full-screen mode in a chosen
// pixel format, scripts and data files in a fresh folder, and pixel read-back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "demo/demo.h"
#include "platform/d3d.h"
#include "platform/ddraw.h"
#include "tests/support/picture_fixtures.h"
#include "tests/support/tempdir.h"

namespace fxtest {

struct PixelMode {
  const char* name;
  DDPIXELFORMAT (*format)();
  int bits;
};
void PrintTo(const PixelMode& mode, std::ostream* os);
extern const PixelMode kModes[3];  // 565, 555, 32-bit

using testsupport::WriteBytes;
using testsupport::WritePcx;
using testsupport::WriteTga;
void WriteText(const std::string& path, const std::string& text);

// The device's render state, and a state of texture stage 0, as last set.
DWORD State(D3DRENDERSTATETYPE state);
DWORD StageState(D3DTEXTURESTAGESTATETYPE state);

class FxTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs body with a width x height full-screen mode of the format made.
  void OnDisplay(const PixelMode& mode, const std::function<void()>& body, int width = 64,
                 int height = 48);
  // The same with the headless sound devices listed, as a demo start needs
  // them; body starts the sound system itself (InitSound) and ends it
  // (StopMusic).
  void OnDisplayWithSound(const PixelMode& mode, const std::function<void()>& body, int width,
                          int height);
  // Compiles text as "demo.txt" into a fresh demo on the test's clock.
  bool Compile(const std::string& text);
  VOXA2::cVOXAcommand* Command(std::size_t pipeline = 0, std::size_t index = 0);
  // The surface's pixel as 0xRRGGBB with the format's low bits zero.
  static std::uint32_t Pixel(VOXA2::video::voxaSurface* surface, int x, int y);
  static std::vector<unsigned char> Bytes(VOXA2::video::voxaSurface* surface);
  // The colour as the screen keeps it: each channel cut to its own bits.
  static std::uint32_t AsStored(std::uint32_t rgb);
  std::vector<std::string> LogLines() const;
  // Whether a log line contains the text.
  bool LoggedPart(const std::string& text) const;
  bool Logged(const std::string& line) const;

  std::unique_ptr<VOXA2::cVOXAdemo> demo;
  float now = 0.0f;

 private:
  testsupport::ScopedTempDir dir_;
};

}  // namespace fxtest

// The 3D scene's tests on the headless display: a full-screen mode of a chosen
// depth on a device whose stage validation follows a policy, with the material
// templates built as the device starts and freed as it goes, as the player's
// device resources are.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/d3d.h"

namespace scenetest {

struct Mode {
  const char* name;
  DDPIXELFORMAT (*format)();
  int bits;
};
extern const Mode kMode565;
extern const Mode kMode8888;

// Stage validation beyond the software rasteriser's own checks; null takes all.
using Policy = std::function<HRESULT(IDirect3DDevice7&)>;
HRESULT RefuseAll(IDirect3DDevice7& device);
// Refuses a set-up of more than two stages in use.
HRESULT AtMostTwoStages(IDirect3DDevice7& device);

// Runs body on the device; returns debug.txt, one entry per line.
std::vector<std::string> OnDevice(const Mode& mode, const Policy& policy,
                                  const std::function<void()>& body, int width = 64,
                                  int height = 48);

// The lines from the first that equals `from` to the last that starts with `last`.
std::vector<std::string> Between(const std::vector<std::string>& lines, const std::string& from,
                                 const std::string& last);

// The back buffer's pixel as 0xRRGGBB.
std::uint32_t PixelAt(int x, int y);
// With VOXA2_TEST_PNG_DIR set, presents the back buffer and writes it there as name.png.
void MaybeWritePng(const std::string& name);

// A file below tests/threedee/scene/data, as lines.
std::vector<std::string> DataLines(const std::string& name);

}  // namespace scenetest

// Milliseconds per frame of the 2D commands themselves, each compiled from one
// script and run through its Execute on the headless display, at 640x480 and
// 1024x768 in 16 bits (565) and 32 bits:
//  - "rotozoomer" and "wobble": states, batch or grid building, and the
//    software rasteriser (bench/raster_bench.cpp times the same device work
//    without the commands);
//  - the software pixel commands: "pixel_crossfade" (a temporary buffer into
//    the back buffer at position 0.5), "motion_blur" (the back buffer into a
//    temporary buffer), "grab_texture" (the back buffer into a 256x256 screen
//    texture), "blob" (three blobs into a 256x256 screen texture),
//    "bumpscroller" (its 320x400 text, 256x256 light map and 320x200
//    background, gray PCX pictures written here) and "morph" (two 256x256 gray
//    PCX pictures of a few thousand lit pixels each, at frames 0.5).
// One line per command and mode. Build in Release:
//
//   cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOXA2_TESTS=OFF
//   cmake --build build/release --target bench_effects2d && build/release/bench/bench_effects2d
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "demo/command.h"
#include "demo/demo.h"
#include "effects2d/frame.h"
#include "foundation/archive.h"
#include "gui/metrics.h"
#include "platform/backend.h"
#include "platform/fakehardware.h"
#include "platform/headless.h"
#include "bench/headless_app.h"
#include "tests/support/picture_fixtures.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/application.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/input.h"
#include "windxkernel/kernel.h"
#include "windxkernel/nolauncher/nolauncher.h"
#include "windxkernel/video.h"

namespace {

using namespace VOXA2;

using testsupport::WritePcx;

// A 256x256 opaque 32-bit TGA of coloured checks and gradients.
void WritePattern() {
  testsupport::WriteTga("textures/pattern.tga", 256, 256, [](int x, int y) {
    const bool check = ((x / 32) + (y / 32)) % 2 != 0;
    return check ? 0xFFC828u
                 : static_cast<std::uint32_t>(x << 16 | y << 8 | ((x ^ y) & 255));
  });
}

// The bump scroller's pictures: blocks of "letters" in lines down the text, a
// round light, and a finely textured background.
void WriteBumpPictures() {
  WritePcx("pictures/bumptext.PCX", 320, 400, [](int x, int y) {
    const bool letter = y % 50 < 24 && x % 20 < 14 && (x / 20 + y / 50) % 3 != 0;
    return static_cast<std::uint8_t>(letter ? 220 : 0);
  });
  WritePcx("pictures/bumplight.PCX", 256, 256, [](int x, int y) {
    const double d = std::hypot(x - 128, y - 128);
    return static_cast<std::uint8_t>(d < 128 ? 255 - 2 * static_cast<int>(d) : 0);
  });
  WritePcx("pictures/bumpback.PCX", 320, 200, [](int x, int y) {
    return static_cast<std::uint8_t>(48 + ((x / 4) ^ (y / 4)) % 32);
  });
}

// The morph's pictures: a ring (about 4,100 lit pixels) and a diamond (about
// 3,200), lit in grays 128 to 255.
void WriteMorphPictures() {
  auto gray = [](bool lit, int x, int y) {
    return static_cast<std::uint8_t>(lit ? 128 + (x ^ y) % 128 : 0);
  };
  WritePcx("morphs/ring.PCX", 256, 256, [&](int x, int y) {
    const int d2 = (x - 128) * (x - 128) + (y - 128) * (y - 128);
    return gray(d2 >= 60 * 60 && d2 < 70 * 70, x, y);
  });
  WritePcx("morphs/diamond.PCX", 256, 256, [&](int x, int y) {
    return gray(std::abs(x - 128) + std::abs(y - 128) < 40, x, y);
  });
}

// The commands timed, in the order of the script's one pipeline. The look of
// a default demo: bilinear and dithered on the hardware device.
struct tBenchCommand {
  const char* name;
  const char* window;  // start : length
  const char* block;
};
const tBenchCommand kCommands[] = {
    {"rotozoomer", "0 : 1000", "file \"pattern\"; angle linear 0 to 3600; zoom 1.3;"},
    {"wobble", "0 : 1000", "file \"pattern\";"},
    {"pixel_crossfade", "0 : 1000",
     "buffer temp to DDSsecondary; file \"dissolve\"; position 0.5;"},
    {"motion_blur", "0 : 1000", "buffer DDSsecondary to temp;"},
    {"grab_texture", "0 : 1000", "buffer DDSsecondary; texture \"grab\";"},
    {"blob", "0 : 1000",
     "file \"blobs\";"
     " blob { position linear (0.3, 0.3) to (0.7, 0.6); multiply 6; }"
     " blob { position linear (0.7, 0.4) to (0.3, 0.5); multiply 4; }"
     " blob { position linear (0.5, 0.8) to (0.5, 0.2); multiply 8; }"},
    // Six seconds as in a demo: the text rises through the picture and out.
    {"bumpscroller", "0 : 6",
     "buffer DDSsecondary; file \"bumptext\", \"bumplight\", \"bumpback\";"},
    {"morph", "0 : 1000", "buffer DDSsecondary; file \"ring\" to \"diamond\"; frames 0.5;"},
};
constexpr std::size_t kCommandCount = std::size(kCommands);

std::string Script() {
  std::string text =
      "buffer temp;\n"
      "texture \"blobs\", 256, 256;\n"
      "texture \"grab\", 256, 256;\n"
      "pipeline p {\n";
  for (const tBenchCommand& c : kCommands)
    text += std::string("  entry ") + c.window + " : " + c.name + " { " + c.block + " }\n";
  return text + "}\n";
}

// Milliseconds per Execute, over at least a second and ten frames. Demo time
// steps 20 ms a frame and wraps within the command's window; the command gets
// its time since start and fraction as its pipeline gives them.
double MillisecondsPerFrame(cVOXAcommand* command) {
  using Clock = std::chrono::steady_clock;
  int frame = 0;
  auto next = [&] {
    const float r = std::fmod(0.02f * static_cast<float>(frame++), command->length);
    return command->Execute(command->start + r, r, r / command->length);
  };
  if (!next()) return -1;  // warm-up
  int frames = 0;
  const auto start = Clock::now();
  double elapsed = 0;
  while (elapsed < 1.0 || frames < 10) {
    if (!next()) return -1;
    ++frames;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  }
  return elapsed * 1000.0 / frames;
}

// Times every command at one mode (a negative figure for a command that
// failed); false when the display or the script failed.
bool Measure(int width, int height, int bits, std::vector<double>* ms) {
  bool ok = false;
  benchsupport::RunOnDisplay(width, height, bits, [&] {
    threedee::Setup3DDevice();
    auto demo = std::make_unique<cVOXAdemo>();
    demo->clock = [] { return 0.0f; };
    if (!demo->Load("bench.txt") || demo->pipelines.empty() ||
        demo->pipelines[0]->commands.size() != kCommandCount)
      return;
    ms->clear();
    for (cVOXAcommand* command : demo->pipelines[0]->commands)
      ms->push_back(MillisecondsPerFrame(command));
    ok = true;
  });
  return ok;
}

}  // namespace

int main() {
  platform::SelectBackend(platform::BackendKind::Headless);
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / "voxa2-bench-effects2d";
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  WritePattern();
  WriteBumpPictures();
  WriteMorphPictures();
  std::ofstream("bench.txt") << Script();
  ClearFileAccessFunctions();
  AddFileAccessFunction(kernel::PlainFileAccess);
  if (!InitCommandRegistry() || !RegisterEffects2D() || !RegisterCommands()) return 1;
  struct tMode {
    int width, height, bits;
    std::vector<double> ms;
  };
  std::vector<tMode> modes;
  for (int width : {640, 1024})
    for (int bits : {16, 32}) modes.push_back({width, width * 3 / 4, bits, {}});
  for (tMode& mode : modes)
    if (!Measure(mode.width, mode.height, mode.bits, &mode.ms)) {
      std::printf("%dx%d %d-bit: failed\n", mode.width, mode.height, mode.bits);
      return 1;
    }
  bool failed = false;
  std::printf("%-16s %-10s %-6s %10s\n", "command", "mode", "bits", "ms");
  for (std::size_t i = 0; i < kCommandCount; i++)
    for (const tMode& mode : modes) {
      std::printf("%-16s %4dx%-5d %-6d ", kCommands[i].name, mode.width, mode.height, mode.bits);
      if (mode.ms[i] < 0) {
        std::printf("%10s\n", "failed");
        failed = true;
      } else {
        std::printf("%10.2f\n", mode.ms[i]);
      }
    }
  FreeCommandRegistry();
  FreeFileAccessLists();
  return failed ? 1 : 0;
}

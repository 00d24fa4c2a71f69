// Milliseconds per frame of the commands "rotozoomer" and "wobble" themselves
// (compiled from a script, run through their Execute on the headless display:
// states, batch or grid building, and the software rasteriser), at 640x480
// and 1024x768 in 16 bits (565) and 32 bits. bench/raster_bench.cpp times
// the same device work without the commands. Build in Release:
//
//   cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVOXA2_SANITIZE=OFF
//   ninja -C build-release bench_effects2d && build-release/bench/bench_effects2d
#include <chrono>
#include <cstdio>
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

// A 256x256 opaque 32-bit TGA of coloured checks and gradients.
void WritePattern() {
  std::vector<unsigned char> out(18, 0);
  out[2] = 10;
  out[12] = 0;
  out[13] = 1;
  out[14] = 0;
  out[15] = 1;
  out[16] = 32;
  for (int y = 255; y >= 0; y--)
    for (int x = 0; x < 256; x++) {
      const bool check = ((x / 32) + (y / 32)) % 2 != 0;
      out.insert(out.end(), {0, static_cast<unsigned char>(check ? 40 : (x ^ y) & 255),
                             static_cast<unsigned char>(check ? 200 : y),
                             static_cast<unsigned char>(check ? 255 : x), 0xFF});
    }
  std::filesystem::create_directories("textures");
  std::ofstream("textures/pattern.tga", std::ios::binary)
      .write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
}

class BenchApp : public kernel::cApplication {
 public:
  BenchApp(std::function<void()> body, int width, int height, int bits)
      : body_(std::move(body)), width_(width), height_(height), bits_(bits) {}
  bool Initialize() override {
    if (kernel::DDInit() && kernel::D3DCreate()) {
      video::EnumerateVideoDevices();
      if (video::RequestVideoMode(video::GetCurrentVideoDevice(), width_, height_, bits_) &&
          video::ChooseVideoMode()) {
        ZGUI::UpdatePixelFormat();
        body_();
      }
    }
    Quit();
    return true;
  }
  void Deinitialize() override {
    video::FreeVideoDevices();
    kernel::D3DDeinit();
    kernel::DDRelease();
    kernel::DIRelease();
  }

 private:
  std::function<void()> body_;
  int width_, height_, bits_;
};

void ResetAll() {
  platform::ResetHardware();
  platform::ResetWindowing();
  platform::ResetInput();
  platform::SetHeadlessDesktop(1024, 768, 32);
  platform::SetTickSource(nullptr);
  Hooks() = LauncherHooks{};
  kernel::videoState = kernel::tVideoState{};
  kernel::d3dState = kernel::t3DState{};
  screenInfo = tScreenInfo{};
  kernel::SetApplicationFactory(nullptr);
}

// Milliseconds per Execute, over at least a second and ten frames.
double MillisecondsPerFrame(cVOXAcommand* command) {
  using Clock = std::chrono::steady_clock;
  float t = 0;
  command->Execute(t, t, 0);  // warm-up
  int frames = 0;
  const auto start = Clock::now();
  double elapsed = 0;
  while (elapsed < 1.0 || frames < 10) {
    t += 0.02f;
    if (!command->Execute(t, t, 0)) return -1;
    ++frames;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  }
  return elapsed * 1000.0 / frames;
}

// Runs both commands at one mode; false when the display or script failed.
bool Measure(int width, int height, int bits, double* roto, double* wobble) {
  ResetAll();
  platform::Hardware().displays[0].modes = {
      platform::MakeMode(static_cast<DWORD>(width), static_cast<DWORD>(height),
                         bits == 16 ? platform::pixels::R5G6B5() : platform::pixels::X8R8G8B8())};
  bool ok = false;
  kernel::SetApplicationFactory([&] {
    return new BenchApp(
        [&] {
          threedee::Setup3DDevice();
          auto demo = std::make_unique<cVOXAdemo>();
          demo->clock = [] { return 0.0f; };
          if (!demo->Load("bench.txt")) return;
          *roto = MillisecondsPerFrame(demo->pipelines.at(0)->commands.at(0));
          *wobble = MillisecondsPerFrame(demo->pipelines.at(0)->commands.at(1));
          ok = *roto >= 0 && *wobble >= 0;
        },
        width, height, bits);
  });
  RunApplication(nullptr, nullptr, "", SW_SHOWNORMAL);
  kernel::SetApplicationFactory(nullptr);
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
  // The look of a default demo: bilinear and dithered on the hardware device.
  std::ofstream("bench.txt") << "pipeline p {\n"
                                "  entry 0 : 1000 : rotozoomer { file \"pattern\";"
                                " angle linear 0 to 3600; zoom 1.3; }\n"
                                "  entry 0 : 1000 : wobble { file \"pattern\"; }\n"
                                "}\n";
  ClearFileAccessFunctions();
  AddFileAccessFunction(kernel::PlainFileAccess);
  if (!InitCommandRegistry() || !RegisterEffects2D() || !RegisterCommands()) return 1;
  std::printf("%-10s %-6s %14s %14s\n", "mode", "bits", "rotozoomer ms", "wobble ms");
  for (int width : {640, 1024})
    for (int bits : {16, 32}) {
      const int height = width * 3 / 4;
      double roto = 0, wobble = 0;
      if (!Measure(width, height, bits, &roto, &wobble)) {
        std::printf("%dx%d %d-bit: failed\n", width, height, bits);
        return 1;
      }
      std::printf("%4dx%-5d %-6d %14.2f %14.2f\n", width, height, bits, roto, wobble);
    }
  FreeCommandRegistry();
  FreeFileAccessLists();
  return 0;
}

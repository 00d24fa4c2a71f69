// The backend without a display: windows exist only as records, nothing is
// shown, and tests inject what a user would do by posting messages.
#include <png.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/backend.h"
#include "platform/backends/headless/audio_capture.h"
#include "platform/backends/headless/input_script.h"
#include "platform/fakehardware.h"
#include "platform/headless.h"

namespace platform {
namespace {

struct Desktop {
  int width = 1024;
  int height = 768;
  int bits = 32;
};

Desktop& TheDesktop() {
  static Desktop d;
  return d;
}

PresentedFrame& TheFrame() {
  static PresentedFrame f;
  return f;
}

std::atomic<long> eventPumps{0};

// Seams for end-to-end tests, switched on from the environment only:
// VOXA2_HEADLESS_FRAME_MS=n makes the clock stand still except for n
// milliseconds per presented frame, so a run shows the same frames at the same
// times on any machine; VOXA2_HEADLESS_CAPTURE=folder writes every presented
// frame there as frame-NNNNNNN.png, numbered by the clock in milliseconds (or
// by the count of frames without the fixed clock). For measurements:
// VOXA2_HEADLESS_MODE=WxHxBITS makes that the only display mode offered (and
// the desktop at least as large), VOXA2_HEADLESS_FRAME_TIMES=file writes the
// wall-clock time from each present to the next there, in microseconds.
// VOXA2_HEADLESS_SCRIPT=file plays a user's input from there (headless.h).
struct TestSeams {
  DWORD frameStep = 0;
  std::atomic<DWORD> ticks{0};
  std::string captureFolder;
  std::FILE* frameTimes = nullptr;
  std::chrono::steady_clock::time_point lastPresent;
};

TestSeams& Seams() {
  static TestSeams seams;
  return seams;
}

void SetUpTestSeams() {
  TestSeams& seams = Seams();
  // A backend made again (tests do) starts from its own environment.
  seams.frameStep = 0;
  seams.ticks = 0;
  seams.captureFolder.clear();
  if (seams.frameTimes) std::fclose(seams.frameTimes);
  seams.frameTimes = nullptr;
  if (const char* step = std::getenv("VOXA2_HEADLESS_FRAME_MS")) {
    const long ms = std::strtol(step, nullptr, 10);
    if (ms > 0 && ms <= 60000) {
      seams.frameStep = static_cast<DWORD>(ms);
      SetTickSource([] { return Seams().ticks.load(); });
    }
  }
  if (const char* folder = std::getenv("VOXA2_HEADLESS_CAPTURE")) seams.captureFolder = folder;
  if (const char* file = std::getenv("VOXA2_HEADLESS_FRAME_TIMES"))
    seams.frameTimes = std::fopen(file, "w");
  int w = 0, h = 0, bits = 0;
  if (const char* mode = std::getenv("VOXA2_HEADLESS_MODE");
      mode && std::sscanf(mode, "%dx%dx%d", &w, &h, &bits) == 3 && w > 0 && h > 0 &&
      (bits == 16 || bits == 32)) {
    auto& displays = Hardware().displays;
    if (!displays.empty())
      displays[0].modes = {MakeMode(static_cast<DWORD>(w), static_cast<DWORD>(h),
                                    bits == 16 ? pixels::R5G6B5() : pixels::X8R8G8B8())};
    Desktop& d = TheDesktop();
    d.width = std::max(d.width, w);
    d.height = std::max(d.height, h);
  }
  LoadScriptFromEnvironment();
}

void AfterPresent(int frameCount) {
  TestSeams& seams = Seams();
  if (seams.frameTimes) {
    const auto now = std::chrono::steady_clock::now();
    if (frameCount > 1)
      std::fprintf(seams.frameTimes, "%lld\n",
                   static_cast<long long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                              now - seams.lastPresent)
                                              .count()));
    seams.lastPresent = now;
  }
  if (!seams.captureFolder.empty()) {
    const unsigned long number = seams.frameStep ? seams.ticks.load() : frameCount;
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%07lu.png", number);
    WritePresentedFramePng(seams.captureFolder + name);
  }
  seams.ticks += seams.frameStep;
}

class HeadlessBackend final : public Backend {
 public:
  HeadlessBackend() { SetUpTestSeams(); }
  const char* Name() const override { return "headless"; }
  bool HasDisplay() const override { return false; }
  int DesktopWidth() const override { return TheDesktop().width; }
  int DesktopHeight() const override { return TheDesktop().height; }
  int DesktopBitsPerPixel() const override { return TheDesktop().bits; }

  bool CreateWindow(HWND id, const char*, bool, int x, int y, int, int) override {
    origins_[id] = {x, y};
    return true;
  }
  void DestroyWindow(HWND id) override {
    origins_.erase(id);
    shown_.erase(id);
    if (inputWindow_ == id) inputWindow_ = nullptr;
  }

  // A shown window gets the focus and its position, as it would on a desktop.
  void ShowWindow(HWND id, bool show) override {
    if (!show || shown_[id]) return;
    shown_[id] = true;
    inputWindow_ = id;
    auto [x, y] = origins_[id];
    PostMessageA(id, WM_ACTIVATEAPP, TRUE, 0);
    PostMessageA(id, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
  }
  void SetClientSize(HWND, int, int) override {}
  void GetClientOrigin(HWND id, int* x, int* y) const override {
    auto it = origins_.find(id);
    *x = it == origins_.end() ? 0 : it->second.first;
    *y = it == origins_.end() ? 0 : it->second.second;
  }
  void PumpEvents() override {
    ++eventPumps;
    RunDueScriptSteps(inputWindow_, relativeMouse_);
  }
  void ShowCursor(bool) override {}
  bool MessageBox(const char*, const char*) override { return false; }

  // The frame stays in memory for tests to look at.
  void Present(HWND, const std::uint32_t* pixels, int width, int height, int pitch,
               bool) override {
    PresentedFrame& f = TheFrame();
    f.width = width;
    f.height = height;
    f.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
      const std::uint32_t* row = pixels + static_cast<std::ptrdiff_t>(y) * pitch;
      std::uint32_t* out = f.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
      for (int x = 0; x < width; ++x) out[x] = row[x] & 0xFFFFFF;
    }
    ++f.count;
    AfterPresent(f.count);
  }
  void SetRelativeMouse(bool relative) override { relativeMouse_ = relative; }
  sound::AudioDriver& Audio() override { return sound::CaptureAudioDriver(); }

 private:
  std::map<HWND, std::pair<int, int>> origins_;
  std::map<HWND, bool> shown_;
  HWND inputWindow_ = nullptr;  // the window shown last: the script's input goes there
  std::atomic<bool> relativeMouse_{false};
};

}  // namespace

void SetHeadlessDesktop(int width, int height, int bitsPerPixel) {
  TheDesktop() = Desktop{width, height, bitsPerPixel};
}

const PresentedFrame& LastPresentedFrame() { return TheFrame(); }

long HeadlessEventPumps() { return eventPumps.load(); }

bool WritePresentedFramePng(const std::string& path) {
  const PresentedFrame& f = TheFrame();
  if (f.width <= 0 || f.height <= 0) return false;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(f.width);
  image.height = static_cast<png_uint_32>(f.height);
  image.format = PNG_FORMAT_BGRA;  // 0x00RRGGBB words, little-endian
  std::vector<std::uint32_t> opaque(f.pixels);
  for (auto& p : opaque) p |= 0xFF000000u;
  bool ok = png_image_write_to_file(&image, path.c_str(), 0, opaque.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}

std::unique_ptr<Backend> CreateHeadlessBackend() { return std::make_unique<HeadlessBackend>(); }

}  // namespace platform

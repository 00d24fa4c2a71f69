// The real kernel with a launcher that only shows the toolkit's widget scene:
// every frame the desktop takes its messages and is drawn whole into the back
// buffer, which is presented. After the given number of frames the frame is
// written as a PPM picture; the headless run then ends, a windowed run goes
// on until it is stopped.
//   gui_probe OUT.ppm FRAMES headless|sdl [kernel arguments...]
// Run it in a folder that holds the generated launcher data as gen/.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gui/graphicsdevice.h"
#include "platform/backend.h"
#include "platform/headless.h"
#include "tests/gui/widget_scene.h"
#include "windxkernel/application.h"
#include "windxkernel/nolauncher/nolauncher.h"
#include "windxkernel/video.h"

namespace {

bool WritePpm(const char* path, const std::uint8_t* pixels, int pitch, int width, int height) {
  std::FILE* out = std::fopen(path, "wb");
  if (!out) return false;
  std::fprintf(out, "P6\n%d %d\n255\n", width, height);
  const int bytes = ZGUI::GetBytesPerPixel();
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint32_t v = 0;
      for (int i = 0; i < bytes; ++i)
        v |= std::uint32_t{pixels[y * pitch + x * bytes + i]} << 8 * i;
      const std::uint32_t c = ZGUI::UnpackColor(v);
      const std::uint8_t rgb[3] = {std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c)};
      std::fwrite(rgb, 1, 3, out);
    }
  }
  return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: gui_probe OUT.ppm FRAMES headless|sdl [arguments...]\n");
    return 2;
  }
  const char* output = argv[1];
  const int frames = std::atoi(argv[2]);
  const bool headless = std::strcmp(argv[3], "headless") == 0;
  std::vector<const char*> rest(argv + 4, argv + argc);
  platform::SelectBackend(headless ? platform::BackendKind::Headless
                                   : platform::BackendKind::Automatic);
  platform::InstallShutdownSignals();

  std::unique_ptr<ZGUI::cDesktop> desktop;
  std::unique_ptr<guitest::tWidgetScene> scene;
  int frame = 0;
  int result = 0;
  VOXA2::Hooks().frame = [&](float) {
    const int width = ZGUI::GetScreenWidth(), height = ZGUI::GetScreenHeight();
    if (!desktop) {
      desktop = std::make_unique<ZGUI::cDesktop>();
      desktop->SetName("desktop");
      desktop->cBackground::SetColor(0x305070);
      desktop->SetBounds({0, 0, width - 1, height - 1});
      guitest::MakeCursor();
      scene = std::make_unique<guitest::tWidgetScene>(desktop.get());
      if (!scene->fontLoaded) std::fprintf(stderr, "gui_probe: no launcher font in gen/\n");
    }
    desktop->ProcessMessages();
    VOXA2::video::kernelSurface* back = VOXA2::video::GetBackSurface();
    void* pixels = nullptr;
    int pitch = 0;
    if (!back->Lock(&pixels, &pitch, 0)) return true;
    ZGUI::cGraphicsDevice device(pixels, pitch, {0, 0, width - 1, height - 1});
    // The back buffer may be another one every frame: draw it whole.
    desktop->InvalidateRect(desktop->GetBounds());
    desktop->Draw(&device);
    if (++frame == frames) {
      if (!WritePpm(output, static_cast<std::uint8_t*>(pixels), pitch, width, height)) result = 1;
      if (headless) VOXA2::video::PostApplicationQuit();
    }
    back->Unlock();
    VOXA2::video::PresentFrame();
    return true;
  };
  std::string commandLine = kernel::JoinCommandLine(static_cast<int>(rest.size()), rest.data());
  const int code =
      RunApplication(GetModuleHandleA(nullptr), nullptr, commandLine.c_str(), SW_SHOWNORMAL);
  scene.reset();
  desktop.reset();
  return code != 0 ? code : result;
}

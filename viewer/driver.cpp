// The per-frame driver: runs the current demo, ends a finished one, starts a
// requested one, quits when a direct launch has nothing left to do, or draws
// the launcher GUI (a noise screen while its main window is minimised).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "foundation/errors.h"
#include "foundation/numeric.h"
#include "gui/desktop.h"
#include "gui/fonts.h"
#include "gui/graphicsdevice.h"
#include "gui/window.h"
#include "viewer/catalogue/loaddemo.h"
#include "viewer/launcher.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/catchchain.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/kernel.h"
#include "windxkernel/material.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/sound.h"
#include "windxkernel/vertexarray.h"
#include "windxkernel/video.h"

namespace VOXA2 {

namespace {

// Mounts the catalogue's data file for its demo unless it is mounted already;
// only a mount made here is undone when the demo fails or ends, so that the
// launcher's own data and other catalogues stay.
void MountForDemo(TArchive* dataFile) {
  mountedForDemo = nullptr;
  if (!dataFile || kernel::IsDataFileMounted(dataFile)) return;
  kernel::MountDataFile(dataFile);
  mountedForDemo = dataFile;
}

void UnmountForDemo() {
  if (mountedForDemo) kernel::UnmountDataFile(mountedForDemo);
  mountedForDemo = nullptr;
}

// A direct launch has no launcher to fall back on: a demo that cannot start
// ends the program, and the exit code says that it failed.
void QuitAfterFailedStart() {
  if (!kernel::directLaunch) return;
  kernel::NoteFailure();
  video::PostApplicationQuit();
}

// With the launcher, a start that fails says why in a box on its desktop,
// under the headline, and on the terminal, and the GUI goes on as it was.
// The lines are told now, so a later end of the run does not repeat them. A
// direct launch ends with the failure, and its end tells them.
void TellStartFailure(const char* headline, const char* ending) {
  if (kernel::directLaunch) {
    LogFailure("%s", ending);
    return;
  }
  const std::vector<std::string> reasons = kernel::FailureLines();
  LogFailure("%s Continuing with the GUI...", ending);
  kernel::WriteFailureLines(stderr);
  kernel::ClearFailureLines();
  if (!desktop) return;
  ZGUI::MessageBox(desktop, StartFailureText(headline, reasons).c_str(), "VOXA2", nullptr);
  desktop->InvalidateRect(desktop->GetBounds());
}

bool RunRoad() {
  CountFrame();
  if (!currentDemo->Run()) return false;
  video::PresentFrame();
  return true;
}

bool EndRoad() {
  DemoCounter();
  currentDemo.reset();
  StopMusic();
  UnmountForDemo();
  if (kernel::directLaunch) {
    video::PostApplicationQuit();
  } else if (!CreateGUI()) {
    // Without a whole GUI there is nothing left to show.
    LogFailure("Could not rebuild the launcher!");
    DestroyGUI();
    kernel::NoteFailure();
    video::PostApplicationQuit();
  } else {
    PostMousePosition();
  }
  return true;
}

bool StartRoad() {
  startRequested = false;
  // What the launcher failed at before was told then: the lines kept from
  // here on say why this start fails.
  if (!kernel::directLaunch) kernel::ClearFailureLines();
  if (!InitSound()) {
    TellStartFailure("Error on initializing the music system!",
                     "Could not initialize the music system!");
    QuitAfterFailedStart();
    return true;
  }
  MountForDemo(chosenCatalogue ? chosenCatalogue->dataFile : nullptr);
  currentDemo = LoadDemo(chosenDemo);
  if (!currentDemo) {
    StopMusic();
    UnmountForDemo();
    TellStartFailure("Error on loading the demo!", "Could not load demo!");
    QuitAfterFailedStart();
    return true;
  }
  const char* music = currentDemo->musicFile ? currentDemo->musicFile->c_str() : nullptr;
  if (!LoadMusic(music, currentDemo->musicFlag)) {
    LogFailure("%s Error on loading the music!", currentDemo->musicWhere.c_str());
    currentDemo.reset();
    StopMusic();
    UnmountForDemo();
    TellStartFailure("Error on loading the music!", "Could not load demo!");
    QuitAfterFailedStart();
    return true;
  }
  DestroyGUI();
  currentDemo->Prepare();
  LogMessage(5, "OK, now we will start the demo...");
  PlayMusic(MusicVolumeForLibrary(currentDemo->musicVolume));
  StartFrameCounter();
  currentDemo->Start();
  return true;
}

// The surface that the GUI is drawn into, locked; its own size bounds every
// write, whatever the desktop's bounds say.
class tLockedScreen {
 public:
  tLockedScreen() : surface_(video::kernelSurface::CreateTemporary()) {}
  ~tLockedScreen() {
    if (locked_) surface_->Unlock();
  }
  video::kernelSurface* Surface() const { return surface_; }
  bool Lock() {
    void* pixels = nullptr;
    if (!surface_ || !surface_->GetSize(&width_, &height_) ||
        !surface_->Lock(&pixels, &pitch_, 0)) {
      LogMessage(5, "Temporary surface locking failed!");
      return false;
    }
    pixels_ = static_cast<std::uint8_t*>(pixels);
    locked_ = true;
    return true;
  }
  // Unlocks and copies the whole surface onto the back buffer.
  void CopyToBackBuffer() {
    surface_->Unlock();
    locked_ = false;
    surface_->Copy(video::GetBackSurface());
  }
  std::unique_ptr<ZGUI::cGraphicsDevice> Device() const {
    auto* device = new (std::nothrow)
        ZGUI::cGraphicsDevice(pixels_, pitch_, ZGUI::tRect{0, 0, width_ - 1, height_ - 1});
    if (!device) throw new VOXA::errors::eCouldNotCreateObject("cGraphicsDevice");
    return std::unique_ptr<ZGUI::cGraphicsDevice>(device);
  }
  std::uint8_t* Pixels() const { return pixels_; }
  int Pitch() const { return pitch_; }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }

 private:
  video::kernelSurface* surface_;
  std::uint8_t* pixels_ = nullptr;
  int pitch_ = 0;
  std::int32_t width_ = 0, height_ = 0;
  bool locked_ = false;
};

}  // namespace

void FillNoise(std::uint8_t* pixels, std::ptrdiff_t pitch, std::int32_t width,
               std::int32_t height, std::int32_t bytesPerPixel, std::uint32_t seed) {
  if (bytesPerPixel < 2 || bytesPerPixel > 4) return;
  std::uint32_t x = seed;
  for (std::int32_t row = 0; row < height; ++row) {
    std::uint8_t* pixel = pixels + row * pitch;
    for (std::int32_t column = 0; column < width; ++column, pixel += bytesPerPixel) {
      const std::uint64_t product = std::uint64_t{x} * 0x137405u;
      x = (static_cast<std::uint32_t>(product) + 1) ^ static_cast<std::uint32_t>(product >> 32);
      // The low bytes of the state, in little-endian order.
      for (std::int32_t i = 0; i < bytesPerPixel; ++i)
        pixel[i] = static_cast<std::uint8_t>(x >> (8 * i));
    }
  }
}

namespace {

// The translucent grey arrow of the minimised screen, its tip in the top-left
// corner; skipped while the 3D layer has no vertex array.
void DrawArrow(std::int32_t width, std::int32_t height) {
  if (!launcherVertices || !launcherVertices->Lock(3)) return;
  struct tVertex {
    float x, y, z, rhw;
    std::uint32_t colour;
  };
  const auto f = [](std::int32_t v) { return static_cast<float>(v); };
  const std::uint32_t grey = 0x7F7F7F7F;
  const tVertex vertices[4] = {{0, 0, 0, 1, grey},
                               {0, f(height / 4), 0, 1, grey},
                               {f(width / 2), f(height / 2), 0, 1, grey},
                               {f(width / 4), 0, 0, 1, grey}};
  std::memcpy(launcherVertices->data, vertices, sizeof vertices);
  launcherVertices->Unlock();

  using threedee::SetRenderMode;
  threedee::BeginScene();
  SetRenderMode(1, 0, 0u);  // depth test off
  SetRenderMode(1, 1, 0u);  // depth writes off
  SetRenderMode(3, 0u);     // flat shading
  SetRenderMode(4, 0u);     // no culling
  SetRenderMode(5, 0, 4u);  // source alpha
  SetRenderMode(5, 1, 5u);  // inverse source alpha
  threedee::ResetTextureStages();
  threedee::DisableTextureStage(1);
  if (threedee::kernelTextureStage* stage = threedee::GetTextureStage(0)) {
    threedee::tStageOperation op;
    op.operation = 0;     // select the first argument
    op.arg1.Set(1, 0, 0);  // the vertex's diffuse colour
    op.arg2.Set(0, 0, 0);  // the current colour
    stage->SetColorOp(op);
    stage->SetAlphaOp(op);
  }
  threedee::DrawPrimitive(5, launcherVertices, 0, 3);
  threedee::EndScene();
}

// Noise that changes a hundred times a second, a line telling how to come
// back, and the arrow; the GUI is drawn whole once the window is back.
bool MinimizedScreen(float time) {
  tLockedScreen screen;
  if (!screen.Surface()) return false;
  screen.Surface()->Fill(0xFFFFFF);
  if (!screen.Lock()) return false;
  FillNoise(screen.Pixels(), screen.Pitch(), screen.Width(), screen.Height(),
            screenInfo.bytesPerPixel, static_cast<std::uint32_t>(TruncToInt(time * 100.0)));
  {
    std::unique_ptr<ZGUI::cGraphicsDevice> device = screen.Device();
    ZGUI::cFont font("Arial", 20);
    static const char kText[] = "Press any key to return";
    device->SetTextColor(0xFFFFFF);
    device->DrawTextEx(&font, (screen.Width() - font.GetTextWidth(kText)) / 2,
                       screen.Height() - 3 * font.GetHeight() / 2, kText);
  }
  const std::int32_t width = screen.Width(), height = screen.Height();
  screen.CopyToBackBuffer();
  DrawArrow(width, height);
  desktop->InvalidateRect(desktop->GetBounds());
  video::PresentFrame();
  return true;
}

bool GuiRoad(float time) {
  // Only a complete GUI is ever drawn or handed input.
  if (!desktop || !mainWindow) {
    video::PostApplicationQuit();
    return true;
  }
  if (redrawAll) {
    // Back from the minimised screen with the focus it had: the keys go to
    // the demo list again.
    mainWindow->Show();
    mainWindow->Activate();
    redrawAll = false;
    PostPendingMouseMove();
  }
  if (mainWindow->IsMinimized()) return MinimizedScreen(time);
  desktop->ProcessMessages();
  tLockedScreen screen;
  if (!screen.Lock()) return false;
  desktop->Draw(screen.Device().get());
  screen.CopyToBackBuffer();
  video::PresentFrame();
  return true;
}

}  // namespace

std::string StartFailureText(const char* headline, const std::vector<std::string>& reasons) {
  // The box holds about five lines of forty-five characters at any mode (the
  // label scales with the screen as the box does) and wraps at blanks: two
  // reasons of at most two lines each.
  constexpr std::size_t kLines = 2, kLength = 88;
  std::string text = headline ? headline : "";
  for (std::size_t i = 0; i < reasons.size() && i < kLines; ++i) {
    text += '\n';
    if (reasons[i].size() <= kLength) {
      text += reasons[i];
    } else {
      text += reasons[i].substr(0, kLength - 3);
      text += "...";
    }
  }
  return text;
}

// Scripts may give any volume; a value over 64 would wrap to a quieter one.
int MusicVolumeForLibrary(std::int32_t volume) {
  return std::clamp<std::int32_t>(volume, 0, 64) * 255 / 64;
}

bool Frame(float time) {
  if (currentDemo && currentDemo->running) return RunRoad();
  if (currentDemo) return EndRoad();
  if (startRequested) return StartRoad();
  if (kernel::directLaunch) {
    video::PostApplicationQuit();
    return true;
  }
  return GuiRoad(time);
}

}  // namespace VOXA2

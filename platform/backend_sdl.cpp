// The backend with a display, through SDL2.
#include <SDL.h>

#include <cstdlib>
#include <map>

#include "platform/backend.h"

namespace platform {
namespace {

class SdlBackend final : public Backend {
 public:
  ~SdlBackend() override {
    for (auto& [id, window] : windows_) SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  const char* Name() const override { return "SDL2"; }
  bool HasDisplay() const override { return true; }

  int DesktopWidth() const override { return Desktop().w; }
  int DesktopHeight() const override { return Desktop().h; }
  int DesktopBitsPerPixel() const override {
    int bits = SDL_BITSPERPIXEL(Desktop().format);
    return bits == 24 ? 32 : bits;  // X8R8G8B8 desktops report 24 significant bits
  }

  bool CreateWindow(HWND id, const char* title, bool popup, int x, int y, int width,
                    int height) override {
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (popup) flags |= SDL_WINDOW_BORDERLESS;
    // SDL refuses empty windows; the player sizes a window once its mode is set.
    SDL_Window* w =
        SDL_CreateWindow(title, x, y, width > 0 ? width : 1, height > 0 ? height : 1, flags);
    if (!w) return false;
    windows_[id] = w;
    return true;
  }

  void DestroyWindow(HWND id) override {
    auto it = windows_.find(id);
    if (it == windows_.end()) return;
    SDL_DestroyWindow(it->second);
    windows_.erase(it);
  }

  void ShowWindow(HWND id, bool show) override {
    if (SDL_Window* w = Get(id)) {
      if (show) {
        SDL_ShowWindow(w);
        SDL_RaiseWindow(w);
      } else {
        SDL_HideWindow(w);
      }
    }
  }

  void SetClientSize(HWND id, int width, int height) override {
    if (SDL_Window* w = Get(id))
      SDL_SetWindowSize(w, width > 0 ? width : 1, height > 0 ? height : 1);
  }

  void GetClientOrigin(HWND id, int* x, int* y) const override {
    *x = *y = 0;
    auto it = windows_.find(id);
    if (it != windows_.end()) SDL_GetWindowPosition(it->second, x, y);
  }

  void PumpEvents() override {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      if (e.type == SDL_QUIT) {
        for (auto& [id, w] : windows_) PostMessageA(id, WM_CLOSE, 0, 0);
        continue;
      }
      if (e.type == SDL_MOUSEMOTION) {
        if (HWND id = Find(e.motion.windowID))
          PostMessageA(id, WM_MOUSEMOVE, 0,
                       MAKELPARAM(static_cast<WORD>(e.motion.x), static_cast<WORD>(e.motion.y)));
        continue;
      }
      if (e.type != SDL_WINDOWEVENT) continue;
      HWND id = Find(e.window.windowID);
      if (!id) continue;
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          PostMessageA(id, WM_CLOSE, 0, 0);
          break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          PostMessageA(id, WM_ACTIVATEAPP, TRUE, 0);
          break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          PostMessageA(id, WM_ACTIVATEAPP, FALSE, 0);
          break;
        case SDL_WINDOWEVENT_MOVED:
          PostMessageA(
              id, WM_MOVE, 0,
              MAKELPARAM(static_cast<WORD>(e.window.data1), static_cast<WORD>(e.window.data2)));
          break;
        default:
          break;
      }
    }
  }

  void ShowCursor(bool visible) override { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

  bool MessageBox(const char* text, const char* caption) override {
    SDL_Window* parent = windows_.empty() ? nullptr : windows_.begin()->second;
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, parent) == 0;
  }

 private:
  SDL_DisplayMode Desktop() const {
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
      mode.w = 1024;
      mode.h = 768;
      mode.format = SDL_PIXELFORMAT_RGB888;
    }
    return mode;
  }

  SDL_Window* Get(HWND id) const {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : it->second;
  }

  HWND Find(Uint32 windowId) const {
    for (auto& [id, w] : windows_)
      if (SDL_GetWindowID(w) == windowId) return id;
    return nullptr;
  }

  std::map<HWND, SDL_Window*> windows_;
};

}  // namespace

std::unique_ptr<Backend> CreateSdlBackend() {
  // Without a desktop session SDL could still grab a console device; the player
  // then runs headless instead.
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("SDL_VIDEODRIVER"))
    return nullptr;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  return std::make_unique<SdlBackend>();
}

}  // namespace platform

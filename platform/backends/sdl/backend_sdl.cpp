// The backend with a display, through SDL2.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string_view>
#include <vector>

#include "platform/backend.h"
#include "platform/backends/sdl/audio_sdl.h"
#include "platform/backends/sdl/x11_watch.h"
#include "platform/dinput.h"

namespace platform {
namespace {

// DirectInput's z axis counts a notch of the wheel as this.
constexpr int kWheelDelta = 120;

// The keyboard's scancodes as the key codes of the input stand-in.
int DikFromScancode(SDL_Scancode sc) {
  if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) {
    static const BYTE letters[26] = {DIK_A, DIK_B, DIK_C, DIK_D, DIK_E, DIK_F, DIK_G, DIK_H, DIK_I,
                                     DIK_J, DIK_K, DIK_L, DIK_M, DIK_N, DIK_O, DIK_P, DIK_Q, DIK_R,
                                     DIK_S, DIK_T, DIK_U, DIK_V, DIK_W, DIK_X, DIK_Y, DIK_Z};
    return letters[sc - SDL_SCANCODE_A];
  }
  if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_0) return DIK_1 + (sc - SDL_SCANCODE_1);
  if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F10) return DIK_F1 + (sc - SDL_SCANCODE_F1);
  switch (sc) {
    case SDL_SCANCODE_ESCAPE:
      return DIK_ESCAPE;
    case SDL_SCANCODE_MINUS:
      return DIK_MINUS;
    case SDL_SCANCODE_EQUALS:
      return DIK_EQUALS;
    case SDL_SCANCODE_BACKSPACE:
      return DIK_BACK;
    case SDL_SCANCODE_TAB:
      return DIK_TAB;
    case SDL_SCANCODE_LEFTBRACKET:
      return DIK_LBRACKET;
    case SDL_SCANCODE_RIGHTBRACKET:
      return DIK_RBRACKET;
    case SDL_SCANCODE_RETURN:
      return DIK_RETURN;
    case SDL_SCANCODE_LCTRL:
      return DIK_LCONTROL;
    case SDL_SCANCODE_SEMICOLON:
      return DIK_SEMICOLON;
    case SDL_SCANCODE_APOSTROPHE:
      return DIK_APOSTROPHE;
    case SDL_SCANCODE_GRAVE:
      return DIK_GRAVE;
    case SDL_SCANCODE_LSHIFT:
      return DIK_LSHIFT;
    case SDL_SCANCODE_BACKSLASH:
      return DIK_BACKSLASH;
    case SDL_SCANCODE_COMMA:
      return DIK_COMMA;
    case SDL_SCANCODE_PERIOD:
      return DIK_PERIOD;
    case SDL_SCANCODE_SLASH:
      return DIK_SLASH;
    case SDL_SCANCODE_RSHIFT:
      return DIK_RSHIFT;
    case SDL_SCANCODE_KP_MULTIPLY:
      return DIK_MULTIPLY;
    case SDL_SCANCODE_LALT:
      return DIK_LMENU;
    case SDL_SCANCODE_SPACE:
      return DIK_SPACE;
    case SDL_SCANCODE_CAPSLOCK:
      return DIK_CAPITAL;
    case SDL_SCANCODE_NUMLOCKCLEAR:
      return DIK_NUMLOCK;
    case SDL_SCANCODE_SCROLLLOCK:
      return DIK_SCROLL;
    case SDL_SCANCODE_KP_7:
      return DIK_NUMPAD7;
    case SDL_SCANCODE_KP_8:
      return DIK_NUMPAD8;
    case SDL_SCANCODE_KP_9:
      return DIK_NUMPAD9;
    case SDL_SCANCODE_KP_MINUS:
      return DIK_SUBTRACT;
    case SDL_SCANCODE_KP_4:
      return DIK_NUMPAD4;
    case SDL_SCANCODE_KP_5:
      return DIK_NUMPAD5;
    case SDL_SCANCODE_KP_6:
      return DIK_NUMPAD6;
    case SDL_SCANCODE_KP_PLUS:
      return DIK_ADD;
    case SDL_SCANCODE_KP_1:
      return DIK_NUMPAD1;
    case SDL_SCANCODE_KP_2:
      return DIK_NUMPAD2;
    case SDL_SCANCODE_KP_3:
      return DIK_NUMPAD3;
    case SDL_SCANCODE_KP_0:
      return DIK_NUMPAD0;
    case SDL_SCANCODE_KP_PERIOD:
      return DIK_DECIMAL;
    case SDL_SCANCODE_NONUSBACKSLASH:
      return DIK_OEM_102;
    case SDL_SCANCODE_F11:
      return DIK_F11;
    case SDL_SCANCODE_F12:
      return DIK_F12;
    case SDL_SCANCODE_F13:
      return DIK_F13;
    case SDL_SCANCODE_F14:
      return DIK_F14;
    case SDL_SCANCODE_F15:
      return DIK_F15;
    case SDL_SCANCODE_INTERNATIONAL2:
      return DIK_KANA;
    case SDL_SCANCODE_KP_EQUALS:
      return DIK_NUMPADEQUALS;
    case SDL_SCANCODE_KP_COMMA:
      return DIK_NUMPADCOMMA;
    case SDL_SCANCODE_KP_ENTER:
      return DIK_NUMPADENTER;
    case SDL_SCANCODE_KP_DIVIDE:
      return DIK_DIVIDE;
    case SDL_SCANCODE_RCTRL:
      return DIK_RCONTROL;
    case SDL_SCANCODE_PRINTSCREEN:
      return DIK_SYSRQ;
    case SDL_SCANCODE_RALT:
      return DIK_RMENU;
    case SDL_SCANCODE_PAUSE:
      return DIK_PAUSE;
    case SDL_SCANCODE_HOME:
      return DIK_HOME;
    case SDL_SCANCODE_UP:
      return DIK_UP;
    case SDL_SCANCODE_PAGEUP:
      return DIK_PRIOR;
    case SDL_SCANCODE_LEFT:
      return DIK_LEFT;
    case SDL_SCANCODE_RIGHT:
      return DIK_RIGHT;
    case SDL_SCANCODE_END:
      return DIK_END;
    case SDL_SCANCODE_DOWN:
      return DIK_DOWN;
    case SDL_SCANCODE_PAGEDOWN:
      return DIK_NEXT;
    case SDL_SCANCODE_INSERT:
      return DIK_INSERT;
    case SDL_SCANCODE_DELETE:
      return DIK_DELETE;
    case SDL_SCANCODE_LGUI:
      return DIK_LWIN;
    case SDL_SCANCODE_RGUI:
      return DIK_RWIN;
    case SDL_SCANCODE_APPLICATION:
      return DIK_APPS;
    case SDL_SCANCODE_SLEEP:
      return DIK_SLEEP;
    default:
      return 0;
  }
}

// SDL numbers its buttons left, middle, right, x1, x2; DirectInput left, right, middle, x1.
int ButtonFromSdl(Uint8 b) {
  switch (b) {
    case SDL_BUTTON_LEFT:
      return 0;
    case SDL_BUTTON_RIGHT:
      return 1;
    case SDL_BUTTON_MIDDLE:
      return 2;
    case SDL_BUTTON_X1:
      return 3;
    default:
      return -1;
  }
}

// The only OpenGL some machines have is a software renderer (Mesa's llvmpipe,
// softpipe or swrast): a frame drawn in software would then be drawn a second
// time in software. Without a GPU's render node there is no other; with one,
// a hidden window's context is asked, once (made by llvmpipe, such a context
// costs half a second of CPU, so it is not made where it cannot tell).
bool OpenGlIsHardware() {
  std::error_code error;
  bool renderNode = false;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error))
    if (entry.path().filename().string().starts_with("renderD")) renderNode = true;
  if (!renderNode) return false;
  SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
  if (!probe) return false;
  bool hardware = false;
  if (SDL_GLContext context = SDL_GL_CreateContext(probe)) {
    using GetString = const unsigned char* (*)(unsigned int);
    constexpr unsigned int kRenderer = 0x1F01;  // GL_RENDERER
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const unsigned char* name = getString ? getString(kRenderer) : nullptr;
    if (name) {
      const std::string_view renderer(reinterpret_cast<const char*>(name));
      hardware = true;
      for (std::string_view software : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"})
        if (renderer.find(software) != std::string_view::npos) hardware = false;
    }
    SDL_GL_DeleteContext(context);
  }
  SDL_DestroyWindow(probe);
  return hardware;
}

class SdlBackend final : public Backend {
 public:
  // Accelerated: frames go through the machine's GPU renderer, which scales them
  // and waits for the display's refresh. Otherwise SDL's software renderer
  // copies and scales them onto the window's surface.
  explicit SdlBackend(bool accelerated) : accelerated_(accelerated) {}

  ~SdlBackend() override {
    for (auto& [id, v] : views_) {
      if (v.texture) SDL_DestroyTexture(v.texture);
      if (v.renderer) SDL_DestroyRenderer(v.renderer);
    }
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
    // A framed window may be resized and maximised: the frame is scaled into
    // it with its aspect ratio kept (Present).
    flags |= popup ? SDL_WINDOW_BORDERLESS : SDL_WINDOW_RESIZABLE;
    // Made for OpenGL from the start: a GL renderer would otherwise make the X
    // window anew, and the new one would lose the focus and its events.
    if (accelerated_) flags |= SDL_WINDOW_OPENGL;
    // SDL refuses empty windows; the player sizes a window once its mode is set.
    SDL_Window* w =
        SDL_CreateWindow(title, x, y, width > 0 ? width : 1, height > 0 ? height : 1, flags);
    if (!w) return false;
    windows_[id] = w;
    // Shown before it has a size and a frame, the window would appear as a
    // blank 1x1 area first: it appears with its first frame instead.
    if (width <= 0 || height <= 0) views_[id].showAt = ShowAt::FirstFrame;
    return true;
  }

  void DestroyWindow(HWND id) override {
    auto it = windows_.find(id);
    if (it == windows_.end()) return;
    auto v = views_.find(id);
    if (v != views_.end()) {
      if (v->second.texture) SDL_DestroyTexture(v->second.texture);
      if (v->second.renderer) SDL_DestroyRenderer(v->second.renderer);
      views_.erase(v);
    }
    SDL_DestroyWindow(it->second);
    windows_.erase(it);
  }

  void ShowWindow(HWND id, bool show) override {
    SDL_Window* w = Get(id);
    if (!w) return;
    View& v = views_[id];
    if (!show) {
      if (v.showAt == ShowAt::Asked) v.showAt = ShowAt::FirstFrame;
      SDL_HideWindow(w);
    } else if (v.showAt == ShowAt::FirstFrame) {
      v.showAt = ShowAt::Asked;
    } else if (v.showAt == ShowAt::Now) {
      Show(w);
    }
  }

  void SetClientSize(HWND id, int width, int height) override {
    SDL_Window* w = Get(id);
    if (!w) return;
    width = width > 0 ? width : 1;
    height = height > 0 ? height : 1;
    // A window covering the desktop by hand keeps covering it; the new size
    // is the one it comes back to.
    View& v = views_[id];
    if (v.covering == Covering::ByHand) {
      v.restore.w = width;
      v.restore.h = height;
      return;
    }
    SDL_SetWindowSize(w, width, height);
  }

  void GetClientOrigin(HWND id, int* x, int* y) const override {
    *x = *y = 0;
    auto it = windows_.find(id);
    if (it != windows_.end()) SDL_GetWindowPosition(it->second, x, y);
  }

  void PumpEvents() override {
    bool relative = relativeWanted_.load();
    if (relative != (SDL_GetRelativeMouseMode() == SDL_TRUE))
      SDL_SetRelativeMouseMode(relative ? SDL_TRUE : SDL_FALSE);
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      if (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP) {
        // Alt+Enter and F11 belong to the window, not to the program.
        if (IsFullScreenToggle(e.key)) {
          if (e.type == SDL_KEYDOWN && !e.key.repeat) ToggleFullScreen(Find(e.key.windowID));
          continue;
        }
        if (int dik = DikFromScancode(e.key.keysym.scancode)) InputKey(dik, e.type == SDL_KEYDOWN);
        continue;
      }
      if (e.type == SDL_MOUSEWHEEL) {
        const int notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        if (notches) InputMouseWheel(notches * kWheelDelta);
        continue;
      }
      if (e.type == SDL_MOUSEBUTTONDOWN || e.type == SDL_MOUSEBUTTONUP) {
        int b = ButtonFromSdl(e.button.button);
        if (b >= 0) InputMouseButton(b, e.type == SDL_MOUSEBUTTONDOWN);
        continue;
      }
      if (e.type == SDL_QUIT) {
        for (auto& [id, w] : windows_) PostMessageA(id, WM_CLOSE, 0, 0);
        continue;
      }
      if (e.type == SDL_MOUSEMOTION) {
        InputMouseMotion(e.motion.xrel, e.motion.yrel);
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
          InputFocus(true);
          PostMessageA(id, WM_ACTIVATEAPP, TRUE, 0);
          break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          InputFocus(false);
          PostMessageA(id, WM_ACTIVATEAPP, FALSE, 0);
          break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_EXPOSED:
          // The next frame is drawn whole, at the window's new size.
          views_[id].shown.clear();
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

  // Full-screen is a borderless window over the desktop: the monitor keeps its
  // mode, and the frame is scaled onto it with its aspect ratio kept.
  void Present(HWND id, const std::uint32_t* pixels, int width, int height, int pitch,
               bool fullScreen) override {
    SDL_Window* w = Get(id);
    if (!w || width <= 0 || height <= 0) return;
    View& v = views_[id];
    v.fullScreen = fullScreen;
    if (fullScreen && !(SDL_GetWindowFlags(w) & SDL_WINDOW_FULLSCREEN_DESKTOP)) {
      SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP);
      v.shown.clear();
    }
    // Mapped first: what is drawn into a window that is not mapped is lost, and
    // a renderer made for a hidden window skips its drawing.
    if (v.showAt == ShowAt::Asked) {
      Show(w);
      v.showAt = ShowAt::Now;
    }
    if (!v.renderer) {
      if (accelerated_)
        v.renderer =
            SDL_CreateRenderer(w, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
      if (!v.renderer) v.renderer = SDL_CreateRenderer(w, -1, SDL_RENDERER_SOFTWARE);
      if (!v.renderer) return;
      // SDL's software renderer reports a wait for the refresh it does not do.
      SDL_RendererInfo info{};
      v.vsync = accelerated_ && SDL_GetRendererInfo(v.renderer, &info) == 0 &&
                !(info.flags & SDL_RENDERER_SOFTWARE) &&
                (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
    }
    if (!v.texture || v.width != width || v.height != height) {
      if (v.texture) SDL_DestroyTexture(v.texture);
      v.texture = SDL_CreateTexture(v.renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                    width, height);
      if (!v.texture) return;
      v.width = width;
      v.height = height;
      // Scaled into any window size with its aspect kept (black bars), and
      // the mouse's positions mapped back to the frame's pixels by SDL.
      SDL_RenderSetLogicalSize(v.renderer, width, height);
    }
    // A frame like the one on screen is not scaled and sent again: a still
    // picture then costs a comparison per refresh. It is still redrawn now and
    // then, for whatever covered the window meanwhile.
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    const Uint64 now = SDL_GetTicks64();
    bool same = v.shown.size() == rowBytes * static_cast<size_t>(height) &&
                now - v.shownAt < kRedrawMs;
    for (int y = 0; same && y < height; ++y)
      same = std::memcmp(v.shown.data() + y * rowBytes,
                         pixels + static_cast<std::ptrdiff_t>(y) * pitch, rowBytes) == 0;
    if (same) {
      Pace(w, v);
      return;
    }
    v.shown.resize(rowBytes * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
      std::memcpy(v.shown.data() + y * rowBytes, pixels + static_cast<std::ptrdiff_t>(y) * pitch,
                  rowBytes);
    v.shownAt = now;
    SDL_UpdateTexture(v.texture, nullptr, pixels, pitch * 4);
    SDL_SetRenderDrawColor(v.renderer, 0, 0, 0, 255);
    SDL_RenderClear(v.renderer);
    SDL_RenderCopy(v.renderer, v.texture, nullptr, nullptr);
    Pace(w, v);
    SDL_RenderPresent(v.renderer);
  }

  // The input thread may ask for it; the main thread applies it at the next pump.
  void SetRelativeMouse(bool relative) override { relativeWanted_.store(relative); }

  sound::AudioDriver& Audio() override { return sound::SdlAudioDriver(); }

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

  static bool IsFullScreenToggle(const SDL_KeyboardEvent& key) {
    const SDL_Scancode sc = key.keysym.scancode;
    return sc == SDL_SCANCODE_F11 ||
           ((sc == SDL_SCANCODE_RETURN || sc == SDL_SCANCODE_KP_ENTER) &&
            (key.keysym.mod & KMOD_ALT) != 0);
  }

  // A window of a windowed run covers the desktop at its own mode and comes
  // back; a full-screen run keeps its screen (its mouse is captured).
  void ToggleFullScreen(HWND id) {
    SDL_Window* w = Get(id);
    if (!w) return;
    View& v = views_[id];
    if (v.fullScreen) return;
    v.shown.clear();
    if (v.covering == Covering::ByWindowManager) {
      SDL_SetWindowFullscreen(w, 0);
      v.covering = Covering::No;
    } else if (v.covering == Covering::ByHand) {
      SDL_SetWindowSize(w, v.restore.w, v.restore.h);
      SDL_SetWindowPosition(w, v.restore.x, v.restore.y);
      v.covering = Covering::No;
    } else if (X11WindowManagerRuns(w)) {
      SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP);
      v.covering = Covering::ByWindowManager;
    } else {
      // A mapped window only asks the window manager for full-screen: on a
      // bare X server it is placed over the desktop by hand.
      SDL_GetWindowPosition(w, &v.restore.x, &v.restore.y);
      SDL_GetWindowSize(w, &v.restore.w, &v.restore.h);
      SDL_Rect desktop{0, 0, DesktopWidth(), DesktopHeight()};
      SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(w), &desktop);
      SDL_SetWindowPosition(w, desktop.x, desktop.y);
      SDL_SetWindowSize(w, desktop.w, desktop.h);
      v.covering = Covering::ByHand;
    }
  }

  static void Show(SDL_Window* w) {
    SDL_ShowWindow(w);
    SDL_RaiseWindow(w);
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

  // When a window that is asked to show appears: at once, or with its first
  // frame (asked already, or not yet).
  enum class ShowAt { Now, FirstFrame, Asked };
  enum class Covering { No, ByWindowManager, ByHand };

  struct View {
    ShowAt showAt = ShowAt::Now;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    bool vsync = false;  // the renderer's present waits for the refresh
    bool fullScreen = false;  // the program runs full-screen in it
    Covering covering = Covering::No;  // a windowed run's window over the desktop
    SDL_Rect restore{};                // its place before, when covering by hand
    int width = 0, height = 0;
    Uint64 nextFrame = 0;  // performance-counter time of the next refresh
    std::vector<BYTE> shown;  // the frame on screen, rows packed
    Uint64 shownAt = 0;       // when it was drawn, in milliseconds
  };
  static constexpr Uint64 kRedrawMs = 250;

  // A software renderer cannot wait for the vertical blank, so frames are
  // held to the display's refresh rate by the clock: a frame that comes early
  // waits for the next refresh instead of spinning, as a flip would. Before a
  // present that waits for the refresh itself, the clock holds frames to three
  // quarters of a period only: that never makes the present miss a refresh,
  // and a driver that says it waits but does not still cannot spin.
  static void Pace(SDL_Window* w, View& v) {
    SDL_DisplayMode mode{};
    int hz = SDL_GetWindowDisplayMode(w, &mode) == 0 && mode.refresh_rate > 0 ? mode.refresh_rate
                                                                                : 60;
    const Uint64 frequency = SDL_GetPerformanceFrequency();
    Uint64 period = frequency / static_cast<Uint64>(hz);
    if (v.vsync) period = period * 3 / 4;
    Uint64 now = SDL_GetPerformanceCounter();
    if (v.nextFrame > now) {
      // At most one period: a clock that jumped never stalls the player.
      const Uint64 wait = std::min(v.nextFrame - now, period);
      SDL_Delay(static_cast<Uint32>(wait * 1000 / frequency));
      now = SDL_GetPerformanceCounter();
    }
    // A late frame starts a new cadence rather than being followed by a burst.
    v.nextFrame = (v.nextFrame > now ? v.nextFrame : now) + period;
  }

  std::map<HWND, SDL_Window*> windows_;
  std::map<HWND, View> views_;
  const bool accelerated_;
  std::atomic<bool> relativeWanted_{false};
};

}  // namespace

std::unique_ptr<Backend> CreateSdlBackend() {
  // Without a desktop session SDL could still grab a console device; the player
  // then runs headless instead.
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("SDL_VIDEODRIVER"))
    return nullptr;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
  const char* driver = SDL_GetCurrentVideoDriver();
  // A display that cannot be reached (gone, refusing, starting anew) leaves SDL
  // with its offscreen driver: a window nobody sees. Without a window the
  // player runs headless and says so, unless that driver was asked for.
  const std::string_view name = driver ? driver : "";
  if ((name.empty() || name == "offscreen" || name == "dummy") && !std::getenv("SDL_VIDEODRIVER")) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  const bool x11 = name == "x11";
  // SDL loads its X11 backend at run time: the error handlers go in once it runs.
  if (x11) WatchTheX11Display();
  // SDL_RENDER_DRIVER, when set, names the renderer; otherwise the GPU renderer
  // is taken where OpenGL is a GPU's.
  const char* named = SDL_GetHint(SDL_HINT_RENDER_DRIVER);
  const bool accelerated = named ? SDL_strcasecmp(named, "software") != 0 : OpenGlIsHardware();
  // Without it, frames are scaled by SDL's software renderer onto the window
  // surface. On X11 SDL would keep that surface in an OpenGL texture, a second
  // software renderer where the only OpenGL is Mesa's; shared memory images are
  // cheaper. Wayland has no surface without it. The environment variable still
  // decides when set.
  if (!accelerated && x11) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  return std::make_unique<SdlBackend>(accelerated);
}

}  // namespace platform

// The one seam between the stand-in layer and what really shows windows, reads
// events and plays sound. The sdl backend (backends/sdl/) talks to SDL2; the
// headless one (backends/headless/) keeps everything in memory and is driven
// by tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/win32.h"

namespace platform {

namespace sound {
class AudioDriver;
}

// What a backend offers the window and message layer. Window ids are the
// stand-in's own handles; a backend keeps whatever it needs per window.
class Backend {
 public:
  virtual ~Backend() = default;

  // "SDL2" or "headless": the platform texts of the program name it.
  virtual const char* Name() const = 0;
  virtual bool HasDisplay() const = 0;

  virtual int DesktopWidth() const = 0;
  virtual int DesktopHeight() const = 0;
  virtual int DesktopBitsPerPixel() const = 0;

  // Creates the visible counterpart of a window. A client size of 0 is allowed
  // (the window gets its size later).
  virtual bool CreateWindow(HWND id, const char* title, bool popup, int x, int y, int width,
                            int height) = 0;
  virtual void DestroyWindow(HWND id) = 0;
  virtual void ShowWindow(HWND id, bool show) = 0;
  virtual void SetClientSize(HWND id, int width, int height) = 0;
  virtual void GetClientOrigin(HWND id, int* x, int* y) const = 0;

  // Moves pending events into the message queue (main thread only).
  virtual void PumpEvents() = 0;

  virtual void ShowCursor(bool visible) = 0;

  // Shows a modal box; returns false when it could not be shown.
  virtual bool MessageBox(const char* text, const char* caption) = 0;

  // Shows a frame of 0x??RRGGBB pixels (the top byte is ignored), rows `pitch`
  // pixels apart, in the window: at its size in a window, scaled onto the whole
  // desktop with its aspect ratio kept in full-screen.
  virtual void Present(HWND id, const std::uint32_t* pixels, int width, int height, int pitch,
                       bool fullScreen) = 0;

  // Captures the mouse: motion arrives as relative counts (full-screen input).
  virtual void SetRelativeMouse(bool relative) = 0;

  // Where the sound layer's output goes; lives as long as the backend.
  virtual sound::AudioDriver& Audio() = 0;
};

enum class BackendKind { Automatic, Sdl, Headless };

// Chooses the backend for the rest of the process. Automatic takes SDL when it
// can open a video device and the headless backend otherwise. Returns the one
// chosen. Calling it again replaces the backend (tests do this).
Backend& SelectBackend(BackendKind kind);

// The current backend; selects one automatically on first use.
Backend& CurrentBackend();

// Tears the current backend down. The program calls it before it returns from
// main: never a static destructor, as the display may be gone by then and the
// library's teardown crashes or hangs on a dead connection.
void ReleaseBackend();

// Who hears that the display went away under the process (its server ended,
// its window was killed from outside): called once with a line saying so. The
// process then ends with exit code 1 at once, without tearing anything down.
// Without a handler the line goes to standard error.
using DisplayLostHandler = void (*)(const char* line);
void SetDisplayLostHandler(DisplayLostHandler handler);
// For backends: reports the loss and ends the process.
[[noreturn]] void DisplayLost(const char* line);

// Whether posted messages still wait to be handed out.
bool MessagesWaiting();

std::unique_ptr<Backend> CreateSdlBackend();  // null when SDL has no video device
std::unique_ptr<Backend> CreateHeadlessBackend();

}  // namespace platform

#include "platform/backends/sdl/x11_watch.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>

#include "platform/backend.h"

namespace platform {
namespace {

int OnXError(Display* display, XErrorEvent* event) {
  char text[256] = "";
  XGetErrorText(display, event->error_code, text, sizeof text);
  char line[512];
  std::snprintf(line, sizeof line, "X error on the display: %s (request %d.%d)", text,
                event->request_code, event->minor_code);
  DisplayLost(line);
}

int OnXIOError(Display* display) {
  const char* name = display ? DisplayString(display) : nullptr;
  char line[512];
  std::snprintf(line, sizeof line, "Lost the connection to the X display \"%s\"!",
                name ? name : "");
  DisplayLost(line);
}

}  // namespace

void WatchTheX11Display() {
  XSetErrorHandler(OnXError);
  XSetIOErrorHandler(OnXIOError);
}

bool X11WindowManagerRuns(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return true;
  Display* display = info.info.x11.display;
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const int result = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False,
                                        XA_WINDOW, &type, &format, &count, &after, &data);
  const bool runs = result == Success && data && count == 1;
  if (data) XFree(data);
  return runs;
}

}  // namespace platform

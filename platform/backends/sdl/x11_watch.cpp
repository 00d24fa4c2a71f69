#include "platform/backends/sdl/x11_watch.h"

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

}  // namespace platform

// Finds a top-level window of the X display by its title and asks it to close,
// as a window manager's close button does (WM_DELETE_WINDOW). Prints the
// window's size. Exit 0 when the window was found and asked.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string TitleOf(Display* d, Window w) {
  Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
  Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(d, w, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                         &data) == Success &&
      data) {
    title.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
    if (!title.empty()) return title;
  }
  char* name = nullptr;
  if (XFetchName(d, w, &name) && name) {
    title = name;
    XFree(name);
  }
  return title;
}

Window Find(Display* d, Window root, const std::string& wanted) {
  Window rootOut, parent, *children = nullptr;
  unsigned int n = 0;
  if (!XQueryTree(d, root, &rootOut, &parent, &children, &n)) return 0;
  Window found = 0;
  for (unsigned int i = 0; i < n && !found; ++i) {
    if (TitleOf(d, children[i]) == wanted)
      found = children[i];
    else
      found = Find(d, children[i], wanted);
  }
  if (children) XFree(children);
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: xclose TITLE [SECONDS]\n");
    return 2;
  }
  std::string wanted = argv[1];
  int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    std::fprintf(stderr, "xclose: no display\n");
    return 2;
  }
  // A window that vanishes between the search and a request is searched again.
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  // The program shows its window before it gives it the size of its mode:
  // wait for a shown window of more than one pixel.
  Window w = 0;
  XWindowAttributes attributes{};
  for (int tries = 0; tries < seconds * 10; ++tries) {
    w = Find(d, DefaultRootWindow(d), wanted);
    if (w && XGetWindowAttributes(d, w, &attributes) && attributes.map_state == IsViewable &&
        attributes.width > 1 && attributes.height > 1)
      break;
    w = 0;
    usleep(100000);
  }
  if (!w) {
    std::fprintf(stderr, "xclose: no shown window titled \"%s\"\n", wanted.c_str());
    return 1;
  }
  usleep(500000);  // let the program reach its message loop
  XGetWindowAttributes(d, w, &attributes);
  std::printf("%dx%d\n", attributes.width, attributes.height);
  std::fflush(stdout);

  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &e);
  XFlush(d);
  XCloseDisplay(d);
  return 0;
}

// The X display's loss under SDL's X11 backend, and whether a window manager runs. Apart from the backend, as
// Xlib's headers define names (InputFocus among them) that clash with ours.
#pragma once

struct SDL_Window;

namespace platform {

// Xlib's own handlers end the process with exit(), whose exit handlers then
// tear SDL down on the dead connection: it crashes or waits forever. These
// handlers report the loss (DisplayLost) and end the process at once.
void WatchTheX11Display();

// Whether a window manager serves the X display of the SDL window (the
// EWMH check window on the root). Without one, asking for full-screen changes
// nothing: the program must size the window itself. True off X11.
bool X11WindowManagerRuns(SDL_Window* window);

}  // namespace platform

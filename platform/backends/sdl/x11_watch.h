// The X display's loss under SDL's X11 backend. Apart from the backend, as
// Xlib's headers define names (InputFocus among them) that clash with ours.
#pragma once

namespace platform {

// Xlib's own handlers end the process with exit(), whose exit handlers then
// tear SDL down on the dead connection: it crashes or waits forever. These
// handlers report the loss (DisplayLost) and end the process at once.
void WatchTheX11Display();

}  // namespace platform

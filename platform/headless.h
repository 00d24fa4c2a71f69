// Controls of the headless backend and the process services, for tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace platform {

// Replaces the millisecond clock behind GetTickCount; an empty function
// restores the monotonic clock.
void SetTickSource(std::function<DWORD()> source);

// The desktop that the headless backend reports.
void SetHeadlessDesktop(int width, int height, int bitsPerPixel);

// The texts of message boxes that the headless backend was asked to show.
const std::vector<std::string>& HeadlessMessageBoxes();

// Where message-box texts go when no box can be shown (besides standard error).
void SetMessageBoxLogger(std::function<void(const char* caption, const char* text)> logger);

// How often the headless display's events were looked at (once a pass of a
// message loop), counted since the process started.
long HeadlessEventPumps();

// The link targets that ShellExecuteA was asked to open without a display,
// oldest first; the list is emptied.
std::vector<std::string> TakeHeadlessOpenedDocuments();

// Replaces the headless backend's input script (VOXA2_HEADLESS_SCRIPT names a
// file of one): what a user does, step by step, each at a time on the clock in
// milliseconds from now. Steps, one a line ("#" starts a comment):
//   <ms> move X Y          the pointer to (X, Y) in the window
//   <ms> press|release B   a mouse button: left, right, middle or 0 to 3
//   <ms> click X Y [B]     move, press and release
//   <ms> wheel N           the wheel turned N notches (negative: towards the user)
//   <ms> keydown|keyup K   a key by its DIK code (decimal or 0x..)
//   <ms> key K             keydown and keyup
//   <ms> frame FILE        the last presented frame as a PNG
//   <ms> gui FILE          the GUI's elements as text (see SetGuiDumper)
//   <ms> close             the window's close button
// A step never runs before the input that the step before fed was read, and a
// frame was drawn since: one step, one poll, however slowly the machine runs.
// "+<ms>" counts from then (from when the step before ran, when it fed no
// input). Returns false with "line N: ..." in error for a script it cannot
// read (the old one is kept then); an empty text removes the script.
bool SetHeadlessScript(const std::string& text, std::string* error);

// Whether every step of the script has run.
bool HeadlessScriptDone();

// The text that a "gui" step writes; the GUI installs it with its first
// desktop. Without one the file is written empty.
void SetGuiDumper(std::function<std::string()> dumper);

// The cursor display count of ShowCursor.
int CursorDisplayCount();

// Forgets every window, class and queued message, and the cursor count.
void ResetWindowing();

// Everything a run or a test may leave behind in this layer: default fake
// hardware, windowing and input forgotten, the 1024x768x32 desktop, the
// monotonic clock, the default sound devices. A second run in the same
// process then starts where the first did.
void ResetState();

// SIGINT and SIGTERM then post WM_CLOSE to the main window at the next PeekMessageA.
void InstallShutdownSignals();

// Raises the same request as a caught signal (for tests).
void RequestShutdown();

}  // namespace platform

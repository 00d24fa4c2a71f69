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

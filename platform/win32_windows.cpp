// Windows, window classes, the process-wide message queue and the cursor.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/fakehardware.h"
#include "platform/headless.h"
#include "platform/sound_headless.h"
#include "platform/win32.h"

namespace {

struct WindowClass {
  WNDCLASSA wc;
  std::string name;
};

struct Window {
  std::string className;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  int width = 0;
  int height = 0;
  bool destroying = false;
};

struct Windowing {
  std::mutex mutex;  // guards the queue and the quit request; windows are main-thread only
  std::condition_variable posted;  // a message or the quit request arrived
  std::deque<MSG> queue;
  bool quitPosted = false;
  int quitCode = 0;
  std::map<std::string, WindowClass> classes;
  std::map<std::uintptr_t, Window> windows;
  std::uintptr_t nextId = 1;  // handles are never reused, so a stale one is simply unknown
  int cursorCount = 0;
  std::vector<std::string> boxes;
  std::function<void(const char*, const char*)> boxLogger;
};

Windowing& W() {
  static Windowing w;
  return w;
}

std::atomic<bool> shutdownRequested{false};

HWND ToHandle(std::uintptr_t id) { return reinterpret_cast<HWND>(id); }
std::uintptr_t FromHandle(HWND hwnd) { return reinterpret_cast<std::uintptr_t>(hwnd); }

Window* Find(HWND hwnd) {
  auto it = W().windows.find(FromHandle(hwnd));
  return it == W().windows.end() ? nullptr : &it->second;
}

std::string Lower(const char* s) {
  std::string r = s ? s : "";
  for (char& c : r) c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
  return r;
}

HWND MainWindow() {
  for (auto& [id, w] : W().windows)
    if (!w.destroying) return ToHandle(id);
  return nullptr;
}

void OnSignal(int) { shutdownRequested.store(true); }

}  // namespace

namespace platform {

const std::vector<std::string>& HeadlessMessageBoxes() { return W().boxes; }

void SetMessageBoxLogger(std::function<void(const char*, const char*)> logger) {
  W().boxLogger = std::move(logger);
}

int CursorDisplayCount() { return W().cursorCount; }

bool MessagesWaiting() {
  auto& w = W();
  std::lock_guard lock(w.mutex);
  return !w.queue.empty();
}

void ResetWindowing() {
  auto& w = W();
  for (auto& [id, win] : w.windows) CurrentBackend().DestroyWindow(ToHandle(id));
  w.windows.clear();
  w.classes.clear();
  {
    std::lock_guard lock(w.mutex);
    w.queue.clear();
    w.quitPosted = false;
    w.quitCode = 0;
  }
  w.cursorCount = 0;
  w.boxes.clear();
  shutdownRequested.store(false);
}

void ResetState() {
  ResetHardware();
  ResetWindowing();
  ResetInput();
  SetHeadlessDesktop(1024, 768, 32);
  SetTickSource(nullptr);
  SetHeadlessSoundDevices({});
  SetHeadlessScript("", nullptr);
}

void InstallShutdownSignals() {
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

void RequestShutdown() { shutdownRequested.store(true); }

}  // namespace platform

ATOM RegisterClassA(const WNDCLASSA* wc) {
  if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) return 0;
  std::string key = Lower(wc->lpszClassName);
  auto& classes = W().classes;
  if (classes.count(key)) return 0;
  WindowClass c{*wc, wc->lpszClassName};
  c.wc.lpszClassName = nullptr;  // the caller's string need not outlive the call
  classes.emplace(key, std::move(c));
  return static_cast<ATOM>(classes.size());
}

BOOL UnregisterClassA(const char* className, HINSTANCE) {
  return W().classes.erase(Lower(className)) ? TRUE : FALSE;
}

HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                     int y, int width, int height, HWND, HMENU, HINSTANCE, void*) {
  auto& w = W();
  auto cls = w.classes.find(Lower(className));
  if (cls == w.classes.end()) return nullptr;
  std::uintptr_t id = w.nextId++;
  HWND hwnd = ToHandle(id);
  Window win;
  win.className = cls->second.name;
  win.proc = cls->second.wc.lpfnWndProc;
  win.style = style;
  win.exStyle = exStyle;
  win.width = width;
  win.height = height;
  bool popupOnly = (style & WS_CAPTION) != WS_CAPTION;
  if (!platform::CurrentBackend().CreateWindow(hwnd, title ? title : "", popupOnly, x, y, width,
                                               height))
    return nullptr;
  w.windows.emplace(id, std::move(win));
  return hwnd;
}

BOOL IsWindow(HWND hwnd) {
  Window* win = Find(hwnd);
  return win && !win->destroying;
}

// WM_DESTROY is sent synchronously; the handle is dead from then on, so a
// second DestroyWindow (from WM_CLOSE's default processing or a catch chain)
// fails harmlessly.
BOOL DestroyWindow(HWND hwnd) {
  Window* win = Find(hwnd);
  if (!win || win->destroying) return FALSE;
  win->destroying = true;
  WNDPROC proc = win->proc;
  proc(hwnd, WM_DESTROY, 0, 0);
  platform::CurrentBackend().DestroyWindow(hwnd);
  W().windows.erase(FromHandle(hwnd));
  return TRUE;
}

BOOL ShowWindow(HWND hwnd, int command) {
  Window* win = Find(hwnd);
  if (!win) return FALSE;
  platform::CurrentBackend().ShowWindow(hwnd, command != SW_HIDE);
  return TRUE;
}

BOOL UpdateWindow(HWND hwnd) { return Find(hwnd) ? TRUE : FALSE; }

BOOL ClientToScreen(HWND hwnd, POINT* point) {
  if (!Find(hwnd) || !point) return FALSE;
  int x = 0, y = 0;
  platform::CurrentBackend().GetClientOrigin(hwnd, &x, &y);
  point->x += x;
  point->y += y;
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  Window* win = Find(hwnd);
  if (!win || !rect) return FALSE;
  *rect = RECT{0, 0, win->width, win->height};
  return TRUE;
}

LONG GetWindowLongA(HWND hwnd, int index) {
  Window* win = Find(hwnd);
  if (!win) return 0;
  if (index == GWL_STYLE) return static_cast<LONG>(win->style);
  if (index == GWL_EXSTYLE) return static_cast<LONG>(win->exStyle);
  return 0;
}

HMENU GetMenu(HWND) { return nullptr; }

// Window decorations belong to the window manager here: the size we give a
// window is its client size, so the frame adds nothing.
BOOL AdjustWindowRectEx(RECT* rect, DWORD, BOOL, DWORD) { return rect ? TRUE : FALSE; }

BOOL SetWindowPos(HWND hwnd, HWND, int, int, int cx, int cy, UINT flags) {
  Window* win = Find(hwnd);
  if (!win) return FALSE;
  if (!(flags & SWP_NOSIZE)) {
    win->width = cx;
    win->height = cy;
    platform::CurrentBackend().SetClientSize(hwnd, cx, cy);
  }
  return TRUE;
}

int GetSystemMetrics(int index) {
  if (index == SM_CXSCREEN) return platform::CurrentBackend().DesktopWidth();
  if (index == SM_CYSCREEN) return platform::CurrentBackend().DesktopHeight();
  return 0;
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) return SendMessageA(hwnd, WM_CLOSE, 0, 0);
      return 0;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    default:
      return 0;
  }
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* win = Find(hwnd);
  if (!win) return 0;
  return win->proc(hwnd, message, wParam, lParam);
}

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& w = W();
  {
    std::lock_guard lock(w.mutex);
    w.queue.push_back(MSG{hwnd, message, wParam, lParam, GetTickCount(), POINT{0, 0}});
  }
  w.posted.notify_all();
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  auto& w = W();
  {
    std::lock_guard lock(w.mutex);
    w.quitPosted = true;
    w.quitCode = exitCode;
  }
  w.posted.notify_all();
}

DWORD MsgWaitForMultipleObjects(DWORD, const HANDLE*, BOOL, DWORD milliseconds, DWORD) {
  auto& w = W();
  std::unique_lock lock(w.mutex);
  auto ready = [&w] { return !w.queue.empty() || w.quitPosted; };
  if (milliseconds == INFINITE) {
    w.posted.wait(lock, ready);
    return WAIT_OBJECT_0;
  }
  return w.posted.wait_for(lock, std::chrono::milliseconds(milliseconds), ready) ? WAIT_OBJECT_0
                                                                                 : WAIT_TIMEOUT;
}

// Pumps the backend's events first (SDL must be polled on the main thread),
// then hands out posted messages; WM_QUIT comes only once the queue is empty.
BOOL PeekMessageA(MSG* msg, HWND, UINT, UINT, UINT removeFlags) {
  auto& w = W();
  platform::CurrentBackend().PumpEvents();
  if (shutdownRequested.exchange(false)) {
    if (HWND main = MainWindow())
      PostMessageA(main, WM_CLOSE, 0, 0);
    else
      shutdownRequested.store(true);  // keep it for the window still to come
  }
  std::lock_guard lock(w.mutex);
  if (!w.queue.empty()) {
    *msg = w.queue.front();
    if (removeFlags & PM_REMOVE) w.queue.pop_front();
    return TRUE;
  }
  if (w.quitPosted) {
    *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(w.quitCode), 0, GetTickCount(), POINT{0, 0}};
    if (removeFlags & PM_REMOVE) w.quitPosted = false;
    return TRUE;
  }
  return FALSE;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg) return 0;
  Window* win = Find(msg->hwnd);
  if (!win) return 0;  // posted to a window that is gone since
  return win->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

// The cursor is visible while the display count is 0 or more.
int ShowCursor(BOOL show) {
  auto& w = W();
  w.cursorCount += show ? 1 : -1;
  platform::CurrentBackend().ShowCursor(w.cursorCount >= 0);
  return w.cursorCount;
}

int MessageBoxA(HWND, const char* text, const char* caption, UINT) {
  auto& w = W();
  text = text ? text : "";
  caption = caption ? caption : "";
  if (!platform::CurrentBackend().MessageBox(text, caption)) {
    w.boxes.emplace_back(text);
    // The program's logger decides what reaches the terminal.
    if (w.boxLogger)
      w.boxLogger(caption, text);
    else
      std::fprintf(stderr, "%s: %s\n", caption, text);
  }
  return IDOK;
}

// Resources do not exist here; any non-null token does for the class record.
HICON LoadIconA(HINSTANCE, const char*) { return reinterpret_cast<HICON>(std::uintptr_t{1}); }
HCURSOR LoadCursorA(HINSTANCE, const char*) { return reinterpret_cast<HCURSOR>(std::uintptr_t{1}); }
HGDIOBJ GetStockObject(int object) {
  return reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(object + 1));
}

// One device context stands for the desktop; the player only reads its depth.
HDC GetDC(HWND) { return reinterpret_cast<HDC>(std::uintptr_t{1}); }
int ReleaseDC(HWND, HDC hdc) { return hdc ? 1 : 0; }
int GetDeviceCaps(HDC hdc, int index) {
  if (!hdc || index != BITSPIXEL) return 0;
  return platform::CurrentBackend().DesktopBitsPerPixel();
}

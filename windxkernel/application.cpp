#include "windxkernel/application.h"

#include <chrono>
#include <cstdarg>
#include <cstdlib>
#include <ctime>
#include <new>
#include <thread>

#include "foundation/errors.h"
#include "foundation/text.h"
#include "windxkernel/catchchain.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/kernel.h"

using VOXA::errors::eError;
using VOXA::errors::eFatalError;

namespace {

kernel::cApplication* theApplication = nullptr;
std::vector<std::string> arguments;
std::vector<char*> argumentPointers;
std::function<kernel::cApplication*()> applicationFactory;

using kernel::CatchTexts;
using kernel::Guarded;

constexpr CatchTexts mainChain{"Fatal error occured: %s", "Fatal: Exception was not catched!",
                               "Fatal: Extreme fatal exception catched!",
                               "Fatal: Unknown exception was not catched!"};
constexpr CatchTexts windowChain{"Fatal error occured in Window Procedure: %s",
                                 "Fatal: Exception was not catched in Window Procedure!",
                                 "Fatal: Extreme fatal exception catched in Window Procedure!",
                                 "Fatal: Unknown exception was not catched in Window Procedure!"};
constexpr CatchTexts deinitChain{"Fatal error occured at deinitialization: %s",
                                 "Fatal: Exception was not catched at deinitialization!",
                                 "Fatal: Extreme fatal exception catched at deinitialization!",
                                 "Fatal: Unknown exception was not catched at deinitialization!"};

// How long a pass of the message loop that draws nothing waits for a message.
constexpr DWORD kIdleWaitMilliseconds = 16;

void FreeArguments() {
  arguments.clear();
  argumentPointers.clear();
}

void CleanUpAtExit() {
  delete theApplication;
  theApplication = nullptr;
  FreeArguments();
}

}  // namespace

kernel::cApplication* GetApplication() { return theApplication; }

namespace kernel {

std::recursive_mutex& InputLock() {
  static std::recursive_mutex lock;
  return lock;
}

std::atomic<int>& InputLockWaiters() {
  static std::atomic<int> waiters{0};
  return waiters;
}

void LetWaitingInputIn() {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
  while (InputLockWaiters().load(std::memory_order_acquire) > 0 &&
         std::chrono::steady_clock::now() < until)
    std::this_thread::yield();
}

void SetApplicationFactory(std::function<cApplication*()> factory) {
  applicationFactory = std::move(factory);
}

std::vector<std::string> SplitCommandLine(const char* line) {
  std::vector<std::string> words;
  if (!line) return words;
  const char* p = line;
  for (;;) {
    while (*p == ' ') ++p;
    if (!*p) break;
    std::string word;
    if (*p == '"') {
      ++p;
      for (; *p; ++p) {
        if (*p == '"') {
          if (p[1] == '"') {
            word += '"';
            ++p;
            continue;
          }
          ++p;  // the closing quote; the next word may start right behind it
          break;
        }
        word += *p;
      }
    } else {
      while (*p && *p != ' ') word += *p++;
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::string JoinCommandLine(int argc, const char* const* argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i) line += ' ';
    std::string arg = argv[i];
    bool plain = !arg.empty() && arg.find_first_of(" \"") == std::string::npos;
    if (plain) {
      line += arg;
      continue;
    }
    line += '"';
    for (char c : arg) line += (c == '"') ? std::string("\"\"") : std::string(1, c);
    line += '"';
  }
  return line;
}

cApplication::cApplication() { startTime = static_cast<double>(GetTickCount()) * 0.001; }

cApplication::~cApplication() {
  argumentCount = 0;
  argumentVector = nullptr;
}

int cApplication::FindArgument(const char* word, bool exact) const {
  for (int i = 0; i < argumentCount; ++i) {
    const char* arg = argumentVector[i];
    if (exact ? std::string(arg) == word : EqualsNoCase(arg, word)) return i;
  }
  return -1;
}

bool cApplication::Launch(int count, char** vector) {
  argumentCount = count;
  argumentVector = vector;
  if (FindArgument("debugmode", false) >= 0) debugFlag = 1;
  if (debugFlag) {
    RecreateDebugLog();
    LogMessage(5, " %s - Debug Logbook", windowTitle.c_str());
    LogMessage(5, "--------------------------------------------\n");
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char when[64];
    LogMessage(5, "Launch time: %s", asctime_r(&local, when));
    LogMessage(5, "  debugging mode (creation of debug.txt) enabled");
  }
  if (FindArgument("windowed", false) >= 0) {
    LogMessage(5, "  windowed mode enabled");
    fullScreen = 0;
  }
  LogMessage(5, "");
  HMODULE module = GetModuleHandleA(nullptr);
  if (!module) {
    LogMessage(5, "Module handle unavaible!");
  } else {
    char path[2048];
    if (!GetModuleFileNameA(module, path, sizeof path)) {
      LogMessage(5, "Module filename unavaible!");
    } else {
      moduleFileName = path;
      LogMessage(5, "Module filename: %s", path);
    }
  }
  LogMessage(5, "");
  return true;
}

bool cApplication::CreateMainWindow() {
  WNDCLASSA wc{};
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, "MAINICON");
  wc.hCursor = LoadCursorA(instance, "EMPTY");
  wc.hbrBackground = fullScreen ? static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)) : nullptr;
  wc.lpszClassName = windowClassName.c_str();
  if (!RegisterClassA(&wc)) return false;

  DWORD style = WS_POPUP | WS_SYSMENU;
  if (!fullScreen) style |= WS_CAPTION;
  int width = fullScreen ? GetSystemMetrics(SM_CXSCREEN) : 0;
  int height = fullScreen ? GetSystemMetrics(SM_CYSCREEN) : 0;
  window = CreateWindowExA(WS_EX_APPWINDOW, windowClassName.c_str(), windowTitle.c_str(), style, 0,
                           0, width, height, nullptr, nullptr, instance, nullptr);
  if (!window) return false;
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);

  POINT origin{0, 0};
  if (ClientToScreen(window, &origin)) {
    windowX = origin.x;
    windowY = origin.y;
  }
  screenWidth = GetSystemMetrics(SM_CXSCREEN);
  screenHeight = GetSystemMetrics(SM_CYSCREEN);
  return true;
}

bool cApplication::ResizeWindow(int clientWidth, int clientHeight) {
  if (fullScreen) return true;
  RECT r{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)),
                     GetMenu(window) != nullptr,
                     static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
  SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

void cApplication::Quit() {
  quitFlag = 1;
  PostMessageA(window, WM_CLOSE, 0, 0);
}

LRESULT cApplication::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      quitFlag = 1;
      Guarded(deinitChain, [this] { Deinitialize(); });
      if (fullScreen) ::ShowCursor(TRUE);
      if (totalFrames > 0 && totalRunningTime > 0)
        LogMessage(5,
                   "I counted an overall frames per second rate of %g over a period of %g seconds",
                   static_cast<double>(totalFrames / totalRunningTime),
                   static_cast<double>(totalRunningTime));
      PostQuitMessage(0);
      break;
    case WM_MOVE:
      screenWidth = GetSystemMetrics(SM_CXSCREEN);
      screenHeight = GetSystemMetrics(SM_CYSCREEN);
      windowX = LOWORD(static_cast<std::uintptr_t>(lParam));
      windowY = HIWORD(static_cast<std::uintptr_t>(lParam));
      break;
    case WM_CLOSE:
      quitFlag = 1;
      DestroyWindow(window);
      break;
    case WM_ACTIVATEAPP:
      activeFlag = wParam != 0;
      if (wParam) {
        if (fullScreen)
          while (::ShowCursor(FALSE) > 0) {
          }
        Activate();
      } else {
        Deactivate();
        if (fullScreen) ::ShowCursor(TRUE);
      }
      break;
    case WM_SYSCOMMAND:
      if (wParam == SC_KEYMENU || wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
      break;
    case WM_MOUSEMOVE: {
      std::lock_guard lock(InputLock());
      mouseX = LOWORD(static_cast<std::uintptr_t>(lParam));
      mouseY = HIWORD(static_cast<std::uintptr_t>(lParam));
      break;
    }
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void cApplication::ResumeClock() {
  if (clockRunning) return;
  periodFrames = 0;
  periodStart = GetTime();
  clockRunning = 1;
}

void cApplication::PauseClock() {
  if (!clockRunning) return;
  clockRunning = 0;
  totalRunningTime += GetTime() - periodStart;
  totalFrames += periodFrames;
}

}  // namespace kernel

LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  kernel::cApplication* app = GetApplication();
  if (!app || !app->window || hwnd != app->window)
    return DefWindowProcA(hwnd, message, wParam, lParam);
  LRESULT result = 0;
  if (Guarded(windowChain, [&] { result = app->HandleMessage(message, wParam, lParam); }))
    return result;
  app->quitFlag = 1;
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

int RunApplication(HINSTANCE instance, HINSTANCE, const char* commandLine, int) {
  kernel::ResetFailure();
  int result = 1;
  bool ok = Guarded(mainChain, [&] {
    theApplication = nullptr;
    kernel::cApplication* app =
        applicationFactory ? applicationFactory() : new (std::nothrow) kernel::cWinDXKernel;
    if (!app) throw new eFatalError("Could not create cApplication object!");
    theApplication = app;
    static bool cleanUpRegistered = false;
    if (!cleanUpRegistered) cleanUpRegistered = std::atexit(CleanUpAtExit) == 0;
    app->instance = instance;

    FreeArguments();
    for (std::string& word : kernel::SplitCommandLine(commandLine))
      arguments.push_back(std::move(word));
    for (std::string& word : arguments) argumentPointers.push_back(word.data());
    argumentPointers.push_back(nullptr);

    if (!app->Launch(static_cast<int>(arguments.size()), argumentPointers.data()))
      throw new eFatalError("Could not launch cApplication!");
    if (!app->CreateMainWindow()) throw new eFatalError("Could not create window!");
    if (app->fullScreen) ShowCursor(FALSE);
    if (!app->Initialize()) {
      DestroyWindow(app->window);
      throw new eFatalError("Error on initialization!");
    }

    for (;;) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          PostQuitMessage(static_cast<int>(msg.wParam));
          LogMessage(5, "Fetched Quit Message from Windows message queue.");
          delete theApplication;
          theApplication = nullptr;
          result = kernel::FailureNoted() ? 1 : 0;
          return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
      if ((app->activeFlag || !app->fullScreen) && !app->quitFlag) {
        app->periodFrames++;
        if (!app->Render()) throw new eFatalError("Fatal: cApplication::Render() failed!");
        if (app->quitFlag) PostMessageA(app->window, WM_CLOSE, 0, 0);
        Sleep(0);
      } else {
        // Nothing to draw (full-screen without focus, or quitting): wait for a
        // message instead of spinning, looking at the display's own events
        // once a frame.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kIdleWaitMilliseconds, QS_ALLINPUT);
      }
    }
  });
  if (ok) return result;
  if (theApplication) {
    if (theApplication->window) DestroyWindow(theApplication->window);
    delete theApplication;
    theApplication = nullptr;
  }
  return 1;
}

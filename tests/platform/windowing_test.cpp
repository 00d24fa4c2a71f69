#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/headless.h"
#include "platform/win32.h"

namespace {

std::vector<UINT> received;

LRESULT RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  received.push_back(message);
  if (message == WM_DESTROY) {
    // A second destroy from inside WM_DESTROY must be refused, not recurse.
    EXPECT_EQ(DestroyWindow(hwnd), FALSE);
    PostQuitMessage(7);
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

class Windowing : public testing::Test {
 protected:
  void SetUp() override {
    platform::ResetWindowing();
    received.clear();
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.lpszClassName = "Test_Class";
    ASSERT_NE(RegisterClassA(&wc), 0);
    window = CreateWindowExA(0, "Test_Class", "Test", WS_POPUP, 0, 0, 320, 200, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(window, nullptr);
  }

  std::vector<UINT> Drain(int* quitCode = nullptr) {
    std::vector<UINT> seen;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      seen.push_back(msg.message);
      if (msg.message == WM_QUIT) {
        if (quitCode) *quitCode = static_cast<int>(msg.wParam);
        break;
      }
      DispatchMessageA(&msg);
    }
    return seen;
  }

  HWND window = nullptr;
};

}  // namespace

TEST_F(Windowing, PostedMessagesComeInOrderAndQuitComesLast) {
  PostMessageA(window, WM_MOVE, 0, 0);
  PostQuitMessage(3);
  PostMessageA(window, WM_MOUSEMOVE, 0, 0);
  int code = 0;
  EXPECT_EQ(Drain(&code), (std::vector<UINT>{WM_MOVE, WM_MOUSEMOVE, WM_QUIT}));
  EXPECT_EQ(code, 3);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "WM_QUIT is handed out once";
}

TEST_F(Windowing, CloseDestroysSynchronouslyAndTheHandleDies) {
  PostMessageA(window, WM_CLOSE, 0, 0);
  PostMessageA(window, WM_MOVE, 0, 0);  // reaches a dead window: dropped
  int code = 0;
  Drain(&code);
  EXPECT_EQ(received, (std::vector<UINT>{WM_CLOSE, WM_DESTROY}));
  EXPECT_EQ(code, 7);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(DestroyWindow(window), FALSE) << "a dead handle fails harmlessly";
  EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
}

TEST_F(Windowing, SystemCloseCommandBecomesClose) {
  SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(received, (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
}

TEST_F(Windowing, ShutdownSignalsPostCloseToTheMainWindow) {
  platform::InstallShutdownSignals();
  std::raise(SIGTERM);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_CLOSE);
  EXPECT_EQ(msg.hwnd, window);
  std::raise(SIGINT);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_CLOSE);
}

TEST_F(Windowing, CursorIsVisibleWhileTheCountIsNotNegative) {
  EXPECT_EQ(ShowCursor(FALSE), -1);
  EXPECT_EQ(ShowCursor(FALSE), -2);
  EXPECT_EQ(ShowCursor(TRUE), -1);
  EXPECT_EQ(ShowCursor(TRUE), 0);
  EXPECT_EQ(platform::CursorDisplayCount(), 0);
}

TEST_F(Windowing, ClientSizeFollowsSetWindowPos) {
  RECT r{0, 0, 640, 480};
  AdjustWindowRectEx(&r, WS_POPUP | WS_CAPTION, FALSE, WS_EX_APPWINDOW);
  SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client{};
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
}

TEST_F(Windowing, HeadlessMessageBoxesAreRecordedAndLogged) {
  std::string logged;
  platform::SetMessageBoxLogger(
      [&](const char* caption, const char* text) { logged = std::string(caption) + "|" + text; });
  EXPECT_EQ(MessageBoxA(window, "DirectDraw call failed", "Error occured!", MB_TASKMODAL), IDOK);
  platform::SetMessageBoxLogger(nullptr);
  EXPECT_EQ(logged, "Error occured!|DirectDraw call failed");
  ASSERT_EQ(platform::HeadlessMessageBoxes().size(), 1u);
}

TEST_F(Windowing, ShownHeadlessWindowGetsFocusAndPosition) {
  ShowWindow(window, SW_SHOWNORMAL);
  Drain();
  EXPECT_EQ(received, (std::vector<UINT>{WM_ACTIVATEAPP, WM_MOVE}));
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  platform::SetHeadlessDesktop(800, 600, 16);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
  platform::SetHeadlessDesktop(1024, 768, 32);
}

TEST(ProcessServices, TickCountCanBeInjected) {
  platform::SetTickSource([] { return DWORD{4242}; });
  EXPECT_EQ(GetTickCount(), 4242u);
  platform::SetTickSource(nullptr);
  DWORD a = GetTickCount();
  Sleep(20);
  DWORD b = GetTickCount();
  EXPECT_GE(b - a, 20u);
}

TEST(ProcessServices, ThreadsRunAndAreJoined) {
  static std::atomic<int> ran{0};
  static int base = 41;
  HANDLE t = CreateThread(
      nullptr, 1048576,
      [](void* p) -> DWORD {
        char big[512 * 1024];  // the input thread's stack is 1 MB
        big[0] = 1;
        ran = *static_cast<int*>(p) + big[0];
        return 0;
      },
      &base, 0, nullptr);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(ran.load(), 42);
  EXPECT_TRUE(CloseHandle(t));
}

TEST(ProcessServices, ModuleFileNameIsTheProgramPath) {
  char path[2048];
  ASSERT_GT(GetModuleFileNameA(GetModuleHandleA(nullptr), path, sizeof path), 0u);
  EXPECT_EQ(std::filesystem::path(path), std::filesystem::canonical("/proc/self/exe"));
  char tiny[4];
  EXPECT_EQ(GetModuleFileNameA(GetModuleHandleA(nullptr), tiny, sizeof tiny), 0u);
}

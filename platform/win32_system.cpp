// Process services: the millisecond clock, sleeping, the program path and threads.
#include <pthread.h>
#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <mutex>

#include "platform/headless.h"
#include "platform/win32.h"

namespace {

std::mutex tickMutex;
std::function<DWORD()> tickSource;

struct Thread {
  pthread_t handle;
  LPTHREAD_START_ROUTINE start;
  void* parameter;
  bool joined = false;
};

void* ThreadMain(void* arg) {
  auto* t = static_cast<Thread*>(arg);
  t->start(t->parameter);
  return nullptr;
}

// Marks the calling thread's pseudo handle, as Windows' GetCurrentThread does.
HANDLE const currentThreadToken = reinterpret_cast<HANDLE>(~std::uintptr_t{0});

}  // namespace

namespace platform {

void SetTickSource(std::function<DWORD()> source) {
  std::lock_guard lock(tickMutex);
  tickSource = std::move(source);
}

}  // namespace platform

DWORD GetTickCount() {
  {
    std::lock_guard lock(tickMutex);
    if (tickSource) return tickSource();
  }
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  auto ms = static_cast<unsigned long long>(ts.tv_sec) * 1000ull +
            static_cast<unsigned long long>(ts.tv_nsec) / 1000000ull;
  return static_cast<DWORD>(ms);  // wraps like the original 32-bit count
}

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  timespec ts{static_cast<time_t>(milliseconds / 1000),
              static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
  }
}

HMODULE GetModuleHandleA(const char*) {
  return reinterpret_cast<HMODULE>(std::uintptr_t{0x400000});
}

// The program file's absolute path; 0 when it cannot be read or does not fit.
DWORD GetModuleFileNameA(HMODULE, char* buffer, DWORD size) {
  if (!buffer || size == 0) return 0;
  ssize_t n = readlink("/proc/self/exe", buffer, size - 1);
  if (n <= 0 || static_cast<DWORD>(n) >= size - 1) {
    buffer[0] = 0;
    return 0;
  }
  buffer[n] = 0;
  return static_cast<DWORD>(n);
}

HANDLE CreateThread(void*, std::size_t stackSize, LPTHREAD_START_ROUTINE start, void* parameter,
                    DWORD, DWORD* threadId) {
  if (!start) return nullptr;
  auto* t = new Thread{pthread_t{}, start, parameter};
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  if (stackSize) {
    std::size_t min = PTHREAD_STACK_MIN;
    pthread_attr_setstacksize(&attr, stackSize < min ? min : stackSize);
  }
  int rc = pthread_create(&t->handle, &attr, ThreadMain, t);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    delete t;
    return nullptr;
  }
  if (threadId) *threadId = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(t));
  return t;
}

// Only thread handles are waited for here; a timed wait is not needed by the player.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  if (!handle || handle == currentThreadToken) return WAIT_FAILED;
  auto* t = static_cast<Thread*>(handle);
  if (t->joined) return WAIT_OBJECT_0;
  if (milliseconds != INFINITE) {
    if (pthread_tryjoin_np(t->handle, nullptr) != 0) return WAIT_TIMEOUT;
  } else if (pthread_join(t->handle, nullptr) != 0) {
    return WAIT_FAILED;
  }
  t->joined = true;
  return WAIT_OBJECT_0;
}

BOOL CloseHandle(HANDLE handle) {
  if (!handle || handle == currentThreadToken) return FALSE;
  auto* t = static_cast<Thread*>(handle);
  if (!t->joined) pthread_detach(t->handle);
  delete t;
  return TRUE;
}

HANDLE GetCurrentThread() { return currentThreadToken; }

// Priorities need privileges on Linux; the player runs well without them.
BOOL SetThreadPriority(HANDLE, int) { return TRUE; }

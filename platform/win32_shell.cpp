// Opening links. A link's text comes from demo data, so it never reaches a
// shell: only web and mail links are handed to xdg-open, as one argument.
#include <spawn.h>
#include <sys/wait.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "foundation/text.h"
#include "platform/backend.h"
#include "platform/headless.h"
#include "platform/win32.h"

extern char** environ;

namespace {

std::mutex openedMutex;
std::vector<std::string> opened;

bool IsWebOrMailLink(std::string_view target) {
  for (std::string_view scheme : {"http:", "https:", "mailto:"})
    if (target.size() > scheme.size() && EqualsNoCase(target.substr(0, scheme.size()), scheme))
      return true;
  return false;
}

HINSTANCE Result(std::intptr_t code) { return reinterpret_cast<HINSTANCE>(code); }

}  // namespace

namespace platform {

std::vector<std::string> TakeHeadlessOpenedDocuments() {
  std::lock_guard lock(openedMutex);
  return std::exchange(opened, {});
}

}  // namespace platform

HINSTANCE ShellExecuteA(HWND, const char*, const char* file, const char*, const char*, int) {
  if (!file || !IsWebOrMailLink(file)) return Result(SE_ERR_ACCESSDENIED);
  if (!platform::CurrentBackend().HasDisplay()) {
    std::lock_guard lock(openedMutex);
    opened.emplace_back(file);
    return Result(33);
  }
  std::string target(file);
  char program[] = "xdg-open";
  char* argv[] = {program, target.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, program, nullptr, nullptr, argv, environ) != 0) return Result(SE_ERR_FNF);
  // Reaped in the background: the opener may take its time, the GUI does not wait.
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
  return Result(33);
}

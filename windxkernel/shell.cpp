#include "windxkernel/shell.h"

#include <cstdint>

#include "platform/win32.h"
#include "windxkernel/debuglog.h"

namespace VOXA2 {

int OpenDocument(const char* target) {
  const auto result = static_cast<int>(reinterpret_cast<std::intptr_t>(
      ShellExecuteA(nullptr, nullptr, target, nullptr, nullptr, SW_SHOW)));
  if (result == SE_ERR_ACCESSDENIED)
    LogMessage(5, "Link \"%s\" not opened: only http, https and mailto links are",
               target ? target : "");
  return result;
}

}  // namespace VOXA2

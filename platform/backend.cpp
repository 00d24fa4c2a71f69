#include "platform/backend.h"

namespace platform {
namespace {
std::unique_ptr<Backend> current;
}

Backend& SelectBackend(BackendKind kind) {
  current.reset();
  if (kind != BackendKind::Headless) current = CreateSdlBackend();
  if (!current) current = CreateHeadlessBackend();
  return *current;
}

Backend& CurrentBackend() {
  if (!current) SelectBackend(BackendKind::Automatic);
  return *current;
}

}  // namespace platform

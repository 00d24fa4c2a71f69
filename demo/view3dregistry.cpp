#include "demo/view3dregistry.h"

#include <cstring>
#include <vector>

#include "demo/lists.h"

namespace VOXA2 {
namespace {

std::vector<const t3DCommandDesc*> registry;

}  // namespace

bool Register3DCommand(const t3DCommandDesc* record) {
  if (!record) return false;
  for (const t3DCommandDesc* r : registry) {
    if (record->name && r->name && std::strcmp(record->name, r->name) == 0) return false;
    if (r->identifier == record->identifier) return false;
  }
  auto at = registry.begin();
  while (at != registry.end() && static_cast<std::int32_t>((*at)->identifier) <=
                                     static_cast<std::int32_t>(record->identifier))
    ++at;
  try {
    registry.insert(at, record);
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("registered 3D command list!");
  }
  return true;
}

// The view3D command brings its own built-in sub-commands; until it exists the
// registry starts empty.
bool RegisterBuiltIn3DCommands() { return true; }

void Free3DCommandRegistry() {
  registry.clear();
  registry.shrink_to_fit();
}

const t3DCommandDesc* Get3DCommand(std::int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= registry.size()) return nullptr;
  return registry[static_cast<std::size_t>(index)];
}

}  // namespace VOXA2

#include "demo/view3dregistry.h"

#include "foundation/registry.h"

namespace VOXA2 {
namespace {

cSortedRegistry<t3DCommandDesc> registry("registered 3D command list!", &t3DCommandDesc::name);

}  // namespace

bool Register3DCommand(const t3DCommandDesc* record) { return registry.Insert(record); }

// The view3D command brings its own built-in sub-commands; until it exists the
// registry starts empty.
bool RegisterBuiltIn3DCommands() { return true; }

void Free3DCommandRegistry() { registry.Clear(); }

const t3DCommandDesc* Get3DCommand(std::int32_t index) { return registry.At(index); }

}  // namespace VOXA2

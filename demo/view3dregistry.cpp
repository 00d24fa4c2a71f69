#include "demo/view3dregistry.h"

#include <cstring>
#include <span>

#include "foundation/registry.h"
#include "script/tokens.h"
#include "windxkernel/debuglog.h"

namespace VOXA2 {
namespace {

constexpr std::uint32_t kVersion20 = 0x02000000;

cSortedRegistry<t3DCommandDesc> registry("command description list!");
bool ready = false;

// The built-in sub-commands in the order of their registration.
t3DCommandDesc builtIn3DCommands[] = {
    {"use", tokIdentifier, 0xFE000000, nullptr, kVersion20},
    {"show", tokIdentifier, 0xFE000001, nullptr, kVersion20},
    {"hide", tokIdentifier, 0xFE000002, nullptr, kVersion20},
    {"draw", tokIdentifier, 0xFE000003, nullptr, kVersion20},
    {"magnet", tokIdentifier, 0xFE000004, nullptr, kVersion20},
    {"wireframed", tokIdentifier, 0xFE000005, nullptr, kVersion20},
    {"culling", tokIdentifier, 0xFE000006, nullptr, kVersion20},
    {nullptr, tokFrames, 0xFE000007, nullptr, kVersion20},
    {nullptr, tokClearZBuffer, 0xFE000008, nullptr, kVersion20},
    {nullptr, tokAlpha, 0xFE000009, nullptr, kVersion20},
    {nullptr, tokTint, 0xFE00000A, nullptr, kVersion20},
    {nullptr, tokCamera, 0xFE00000B, nullptr, kVersion20},
    {"flush", tokIdentifier, 0xFE00000C, nullptr, kVersion20},
    {"fog", tokIdentifier, 0xFE00000D, nullptr, kVersion20},
    {"camera_stretch", tokIdentifier, 0xFE00000E, nullptr, kVersion20},
};

// The sub-commands that the script start-up adds, in its order.
t3DCommandDesc scriptLevel3DCommands[] = {
    {"flare", tokIdentifier, 0xFE000300, nullptr, kVersion20},
    {"fade_to_color", tokIdentifier, 0xFE000400, nullptr, kVersion20},
    {"window", tokIdentifier, 0xFE000500, nullptr, kVersion20},
    {"if", tokIdentifier, 0xFE000200, nullptr, kVersion20},
    {"ifnot", tokIdentifier, 0xFE000201, nullptr, kVersion20},
    {"skybox", tokIdentifier, 0xFE000600, nullptr, kVersion20},
};

bool Matches(const t3DCommandDesc& record, std::int32_t tokenCode, const char* text) {
  if (record.tokenCode != tokenCode) return false;
  if (tokenCode != tokIdentifier) return true;
  return record.name && std::strcmp(record.name, text ? text : "") == 0;
}

}  // namespace

bool Register3DCommand(const t3DCommandDesc* record) {
  if (!ready || !record) return false;
  if (Find3DCommandByToken(record->tokenCode, record->name)) {
    LogMessage(5, "Register3DCommand(): token/command already in use!");
    return false;
  }
  if (registry.Find(record->identifier)) {
    LogMessage(5, "Register3DCommand(): ID already in use! (0x%X)", record->identifier);
    return false;
  }
  return registry.Insert(record);
}

bool RegisterBuiltIn3DCommands() {
  if (ready) return false;
  ready = true;
  registry.Clear();
  for (const t3DCommandDesc& record : builtIn3DCommands)
    if (!Register3DCommand(&record)) return false;
  return true;
}

bool RegisterScriptLevel3DCommands() {
  for (const t3DCommandDesc& record : scriptLevel3DCommands)
    if (!Register3DCommand(&record)) return false;
  return true;
}

bool Is3DCommandRegistryReady() { return ready; }

void Free3DCommandRegistry() {
  if (!ready) return;
  registry.Clear();
  ready = false;
}

const t3DCommandDesc* Get3DCommand(std::int32_t index) { return registry.At(index); }

const t3DCommandDesc* Find3DCommandByToken(std::int32_t tokenCode, const char* text) {
  for (std::int32_t i = 0; const t3DCommandDesc* record = registry.At(i); i++)
    if (Matches(*record, tokenCode, text)) return record;
  return nullptr;
}

bool Set3DCommandCreator(const char* word, std::int32_t tokenCode, t3DCommandCreator creator) {
  for (std::span<t3DCommandDesc> table :
       {std::span<t3DCommandDesc>(builtIn3DCommands), std::span<t3DCommandDesc>(scriptLevel3DCommands)})
    for (t3DCommandDesc& record : table) {
      const bool same = word ? record.name && std::strcmp(record.name, word) == 0
                             : !record.name && record.tokenCode == tokenCode;
      if (same) {
        record.creator = creator;
        return true;
      }
    }
  return false;
}

}  // namespace VOXA2

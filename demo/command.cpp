#include "demo/command.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "demo/lists.h"
#include "demo/view3dregistry.h"
#include "foundation/registry.h"
#include "script/parser.h"

namespace VOXA2 {
namespace {

cSortedRegistry<tCommandDesc> registry("registered command list!", &tCommandDesc::name);

constexpr std::uint32_t kVersion20 = 0x02000000;

cVOXAcommand* CreateNop(cVOXAdemo* owner) { return new (std::nothrow) cVOXAcommand(owner); }

// The built-in commands in the order of their registration. Each command's own
// library supplies its creator through SetBuiltInCommandCreator (the effect
// libraries build on this one, so it cannot name them); a record still without
// one makes no command, and a script that names it fails to load that entry.
tCommandDesc builtInCommands[] = {
    {"clear", 0xFE000001, nullptr, kVersion20},
    {"copy", 0xFE000007, nullptr, kVersion20},
    {"picture", 0xFE000003, nullptr, kVersion20},
    {"pixel_crossfade", 0xFE000005, nullptr, kVersion20},
    {"motion_blur", 0xFE000006, nullptr, kVersion20},
    {"slideshow", 0xFE00000C, nullptr, kVersion20},
    {"grab_texture", 0xFE000011, nullptr, kVersion20},
    {"bumpscroller", 0xFE00000B, nullptr, kVersion20},
    {"morph", 0xFE00000D, nullptr, kVersion20},
    {"fade_to_color", 0xFE000002, nullptr, kVersion20},
    {"sprite", 0xFE000008, nullptr, kVersion20},
    {"wobble", 0xFE000012, nullptr, kVersion20},
    {"rotozoomer", 0xFE000013, nullptr, kVersion20},
    {"blob", 0xFE000014, nullptr, kVersion20},
    {"scrolly", 0xFE000009, nullptr, kVersion20},
    {"logo_rot3d", 0xFE00000E, nullptr, 0},
    {"music_volume", 0xFE000004, nullptr, kVersion20},
    {"sample", 0xFE00000A, nullptr, kVersion20},
    {"view3D", 0xFE000010, nullptr, kVersion20},
};

}  // namespace

const tCommandDesc nopCommandDesc = {"nop", 0xFE000000, CreateNop, kVersion20};

bool cVOXAcommand::Parse(float startTime, float lengthTime, cParserT* parser) {
  start = startTime;
  length = lengthTime;
  end = startTime + lengthTime;
  // The tokenizer answers end of file for ever, so an unclosed block must stop here.
  while (parser->token->code != tokCloseBrace) {
    if (parser->token->code == tokEndOfFile) parser->Error(101, "Syntax error!");
    parser->GetToken();
  }
  parser->GetToken();
  return true;
}

bool cVOXAcommand::Execute(float, float, float) { return true; }

bool RegisterCommand(const tCommandDesc* record) { return registry.Insert(record); }

const tCommandDesc* FindRegisteredCommand(std::uint32_t identifier) {
  return registry.Find(identifier);
}

const tCommandDesc* GetRegisteredCommand(std::int32_t index) { return registry.At(index); }

bool InitCommandRegistry() {
  registry.Clear();
  if (RegisterCommand(&nopCommandDesc)) return RegisterBuiltIn3DCommands();
  Free3DCommandRegistry();
  registry.Clear();
  return false;
}

void FreeCommandRegistry() {
  Free3DCommandRegistry();
  registry.Clear();
}

bool SetBuiltInCommandCreator(const char* name, tCommandCreator creator) {
  if (!name) return false;
  for (tCommandDesc& record : builtInCommands)
    if (std::strcmp(record.name, name) == 0) {
      record.creator = creator;
      return true;
    }
  return false;
}

bool RegisterCommands() {
  for (const tCommandDesc& record : builtInCommands)
    if (!RegisterCommand(&record)) return false;
  return RegisterScriptLevel3DCommands();
}

std::string FormatCommandVersion(std::uint32_t version) {
  if (version == 0) return "N/A";
  char text[48];
  int n = std::snprintf(text, sizeof text, "%i.%i", static_cast<int>(version >> 24),
                        static_cast<int>((version >> 16) & 0xFF));
  if (version & 0xFFFF)
    n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), ".%i",
                       static_cast<int>((version >> 8) & 0xFF));
  if (version & 0xFF)
    std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), ".%i",
                  static_cast<int>(version & 0xFF));
  return text;
}

}  // namespace VOXA2

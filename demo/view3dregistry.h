// The registry of view3D sub-commands, as far as the command registry needs it:
// it starts and ends with the command registry. The sub-commands themselves and
// their built-in records belong to the view3D command.
#pragma once

#include <cstdint>

namespace VOXA2 {

class cVOXA3Dcommand;
using t3DCommandCreator = cVOXA3Dcommand* (*)();

struct t3DCommandDesc {
  const char* name;  // none for a reserved word of the script language
  std::int32_t tokenCode;
  std::uint32_t identifier;
  t3DCommandCreator creator;
  std::uint32_t version;
};

// Inserts in the order of the identifier; false for none or a duplicate name or identifier.
bool Register3DCommand(const t3DCommandDesc* record);
bool RegisterBuiltIn3DCommands();
void Free3DCommandRegistry();
const t3DCommandDesc* Get3DCommand(std::int32_t index);

}  // namespace VOXA2

// The registry of view3D sub-commands: the words a view3D block may hold, each
// a record naming its keyword (or a reserved word of the script language by
// its token code), an identifier, a creator and a version. It starts and ends
// with the command registry; the view3D command supplies the creators.
#pragma once

#include <cstdint>

namespace VOXA2 {

class cVOXA3Dcommand;
class cVOXAview3D;
class cParserT;
struct t3DCommandDesc;

using t3DCommandCreator = cVOXA3Dcommand* (*)(cVOXAview3D* owner, const t3DCommandDesc* record,
                                              cParserT* parser);

struct t3DCommandDesc {
  const char* name;  // none for a reserved word of the script language
  std::int32_t tokenCode;
  std::uint32_t identifier;
  t3DCommandCreator creator;
  std::uint32_t version;
};

// Inserts in the order of the identifier. False, with nothing logged, while
// the registry is not ready or for no record; false with a log line when its
// word (or token) or its identifier is registered already.
bool Register3DCommand(const t3DCommandDesc* record);
// Readies the registry and enters the fifteen built-in sub-commands; false
// when it was ready already, or at the first refusal.
bool RegisterBuiltIn3DCommands();
// The six records of the script start-up (RegisterCommands): "flare",
// "fade_to_color", "window", "if", "ifnot", "skybox"; false at the first refusal.
bool RegisterScriptLevel3DCommands();
bool Is3DCommandRegistryReady();
void Free3DCommandRegistry();
const t3DCommandDesc* Get3DCommand(std::int32_t index);
// An identifier's record by its exact text (none matches a null text but a
// record of that token without a word); any other token's by its code alone.
const t3DCommandDesc* Find3DCommandByToken(std::int32_t tokenCode, const char* text);

// Gives a sub-command's record (built-in or of the script start-up) its
// creator, found by word, or by token code when word is null; false for no
// such record. The view3D command's library calls it at start-up.
bool Set3DCommandCreator(const char* word, std::int32_t tokenCode, t3DCommandCreator creator);

}  // namespace VOXA2

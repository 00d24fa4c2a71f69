// The base of every timed script command, the registry that creates commands
// by keyword, and the start-up registration of the built-in commands.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "foundation/basis.h"
#include "threedee/scene/steptracks.h"

namespace VOXA2 {

class cVOXAdemo;
class cParserT;

class cVOXAcommand : public virtual basis::basisObject {
 public:
  explicit cVOXAcommand(cVOXAdemo* owner) : demo(owner) {}
  ~cVOXAcommand() override = default;

  // Reads the parameter block from its first token up to and including the
  // closing "}", leaving the token after it current.
  virtual bool Parse(float start, float length, cParserT* parser);
  virtual void Start() {}
  virtual void Stop() {}
  virtual void Show() {}
  virtual void Hide() {}
  // Kept for the slot order; nothing calls it.
  virtual void Unused() {}
  virtual bool Execute(float time, float sinceStart, float fraction);
  virtual bool Restore() { return true; }
  virtual void Prepare() {}

  cVOXAdemo* demo;
  float start = 0.0f;
  float end = 0.0f;
  float length = 0.0f;
  // A value other than 0 hides the command (read by the pipelines).
  std::unique_ptr<cView3Di_enum> hideTrack;
};

using tCommandCreator = cVOXAcommand* (*)(cVOXAdemo* owner);

struct tCommandDesc {
  const char* name;
  std::uint32_t identifier;
  tCommandCreator creator;
  // Byte 3 major, byte 2 minor, bytes 1 and 0 further parts; 0 for none.
  std::uint32_t version;
};

// The record of the base command "nop".
extern const tCommandDesc nopCommandDesc;

// Inserts the record in the order of its identifier; false for none, or when
// its name or identifier is registered already.
bool RegisterCommand(const tCommandDesc* record);
const tCommandDesc* FindRegisteredCommand(std::uint32_t identifier);
// None for an index outside the registry.
const tCommandDesc* GetRegisteredCommand(std::int32_t index);
bool InitCommandRegistry();
void FreeCommandRegistry();
bool RegisterCommands();
// Gives a built-in record (by keyword) its creator; false for no such record.
// The libraries that implement the commands call it at start-up.
bool SetBuiltInCommandCreator(const char* name, tCommandCreator creator);

// "N/A", "2.0", "2.1.0.5" as the information pages show a version word.
std::string FormatCommandVersion(std::uint32_t version);

}  // namespace VOXA2

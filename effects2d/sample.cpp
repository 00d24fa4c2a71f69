#include "effects2d/sample.h"

#include <string>

#include "demo/block.h"
#include "script/parser.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/sound.h"

namespace VOXA2 {
namespace {

// The longest path of the data tree that the sound library is handed.
constexpr std::size_t kMaxSamplePath = 255;

}  // namespace

void cVOXAsamplecollector::FreeItem(void* data) { delete static_cast<music::voxaSample*>(data); }

bool cVOXAsamplecollector::LoadItem(tDataEntry* entry) {
  LogMessage(5, "Loading sample \"%s\"...", entry->name.c_str());
  const std::string path = "samples\\" + entry->name;
  entry->data = nullptr;
  if (path.size() > kMaxSamplePath) {
    LogMessage(5, "Sample name too long: \"%s\"", entry->name.c_str());
    return false;
  }
  LogMessage(5, "before loading the sample");
  music::kernelSample* sample = music::kernelSample::Load(path.c_str());
  entry->data = static_cast<music::voxaSample*>(sample);
  LogMessage(5, "after loading the sample");
  // The library may refuse the data; the sample then plays nothing, which
  // should not pass unnoticed.
  if (sample && sample->handle == 0) LogMessage(5, "sample %s could not be decoded", path.c_str());
  return sample != nullptr;
}

cVOXAsample::cVOXAsample(cVOXAdemo* owner) : cVOXAcommand(owner) {
  FindOrCreateCollector<cVOXAsamplecollector>(owner, "sample", "cVOXAsamplecollector");
}

cVOXAcommand* cVOXAsample::Create(cVOXAdemo* owner) {
  return CreateCommand<cVOXAsample>(owner, "cVOXAsample");
}

namespace {

// Out-of-range values would wrap in the sample's bytes (a volume of 65 would be
// nearly silent, a panning of 128 full left), so they are held to the range.
std::int32_t ClampWithWarning(cParserT* parser, const char* what, std::int32_t value,
                              std::int32_t low, std::int32_t high) {
  if (value >= low && value <= high) return value;
  const std::int32_t clamped = value < low ? low : high;
  parser->Warning("%s %i out of range %i to %i, %i used", what, static_cast<int>(value),
                  static_cast<int>(low), static_cast<int>(high), static_cast<int>(clamped));
  return clamped;
}

}  // namespace

bool cVOXAsample::Parse(float startTime, float lengthTime, cParserT* parser) {
  start = startTime;
  length = lengthTime;
  end = startTime + lengthTime;
  for (;;) {
    switch (parser->token->code) {
      case tokCloseBrace:
        parser->Expect(tokCloseBrace);
        return true;
      case tokSemicolon:
        parser->GetToken();
        break;
      case tokFile: {
        const std::string name = ReadFileName(parser);
        sample = CollectedItem<music::voxaSample>(demo, "sample", name);
        if (!sample) return false;
        parser->Expect(tokSemicolon);
        break;
      }
      case tokVolume:
        parser->GetToken();
        volume = ClampWithWarning(parser, "volume", parser->ParseIntExpression(), 0, 64);
        parser->Expect(tokSemicolon);
        break;
      case tokPanning:
        parser->GetToken();
        panning = ClampWithWarning(parser, "panning", parser->ParseIntExpression(), -128, 127);
        parser->Expect(tokSemicolon);
        break;
      case tokFrequency:
        parser->GetToken();
        frequency = parser->ParseIntExpression();
        parser->Expect(tokSemicolon);
        break;
      default:
        parser->Error(errBlockSyntax, "Syntax error!");
        return false;
    }
  }
}

void cVOXAsample::Start() {
  if (!sample) return;
  sample->SetVolume(static_cast<std::uint8_t>((volume * 255 / 64) & 0xFF));
  sample->SetPanning(static_cast<std::int8_t>(static_cast<std::uint8_t>(panning & 0xFF)));
  sample->SetFrequency(static_cast<std::uint32_t>(frequency));
  sample->Play();
}

}  // namespace VOXA2

// The drawing options of the textured 2D commands ("filter", "clamp",
// "transparency", "dither", "culling"): reading them from a command's block,
// and turning their values into render modes and texture stage 0 settings.
#pragma once

#include <cstdint>
#include <memory>

#include "script/parser.h"
#include "threedee/scene/steptracks.h"

namespace VOXA2::effects2d {

enum tDrawOption : unsigned {
  optFilter = 1,
  optClamp = 2,
  optTransparency = 4,
  optDither = 8,
  optCulling = 16,
};

// The transparency values; any value above blendFilter draws nothing.
enum : int { blendMixing = 0, blendAdditive = 1, blendSubractive = 2, blendFilter = 3 };

// The render modes that each drawing command sets after BeginScene.
enum class tFixedModes { Sprite, Rotozoomer, Wobble, LogoRot3d, FadeToColor };
void SetFixedModes(tFixedModes command);

class tDrawOptions {
 public:
  // The options of the mask that the command takes.
  explicit tDrawOptions(unsigned accepted) : accepted_(accepted) {}

  // When the current token is the word of an option that the command takes,
  // reads the whole statement (up to and including ";") and returns true;
  // false leaves the token for the command's own statements.
  bool Parse(cParserT* parser, float length);

  // Before the passes: the default state of every accepted option not given.
  void SetMissingDefaults() const;
  // One pass at the given time; each sets its option's state when given.
  void ApplyDither(float time) const;
  // False for a value that draws nothing ("invisible" and above).
  bool ApplyTransparency(float time) const;
  void ApplyCulling(float time) const;
  void ApplyFilter(float time) const;
  void ApplyClamp(float time) const;
  // After the last pass: "dither", "transparency" and "filter", when given,
  // back to their defaults, so that the next command finds them.
  void RestoreDefaults() const;

  bool Given(tDrawOption option) const { return Track(option) != nullptr; }

 private:
  cView3Di_enum* Track(tDrawOption option) const;
  static int Value(cView3Di_enum* track, float time);

  unsigned accepted_;
  std::unique_ptr<cView3Di_enum> filter_, clamp_, transparency_, dither_, culling_;
};

// The default states, also for commands that take no options.
void SetDefaultDither();
void SetDefaultBlend();
void SetDefaultFilter();

}  // namespace VOXA2::effects2d

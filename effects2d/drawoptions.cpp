#include "effects2d/drawoptions.h"

#include <array>

#include "demo/block.h"
#include "threedee/scene/interpolatedvalues.h"
#include "windxkernel/material.h"
#include "windxkernel/rendermodes.h"

namespace VOXA2::effects2d {
namespace {

using threedee::SetRenderMode;

// Render mode kinds and codes of the device layer.
enum : std::uint32_t {
  modeDepth = 1,
  modeShading = 3,
  modeCulling = 4,
  modeBlend = 5,
  modeDither = 7,
};
enum : std::uint32_t { shadeFlat = 0, cullNone = 0, cullCounterClockwise = 2 };
enum : std::uint32_t {
  factorZero = 0,
  factorOne = 1,
  factorSourceColor = 2,
  factorSourceAlpha = 4,
  factorInverseSourceAlpha = 5,
};

constexpr std::array<tSymbolicName, 2> kFilter{
    {{1, tokIdentifier, "bilinear"}, {0, tokIdentifier, "point"}}};
constexpr std::array<tSymbolicName, 4> kClamp{{{0, tokIdentifier, "wrap"},
                                               {1, tokIdentifier, "mirror"},
                                               {2, tokIdentifier, "clamp"},
                                               {3, tokIdentifier, "border"}}};
// "subractive" is the word the scripts use.
constexpr std::array<tSymbolicName, 5> kTransparency{{{0, tokIdentifier, "mixing"},
                                                      {1, tokIdentifier, "additive"},
                                                      {2, tokIdentifier, "subractive"},
                                                      {3, tokIdentifier, "filter"},
                                                      {4, tokIdentifier, "invisible"}}};

template <std::size_t N>
cView3Di_enum* ReadSymbolic(cParserT* parser, const std::array<tSymbolicName, N>& entries,
                            float length) {
  const tSymbolicSplineDef table{static_cast<std::int32_t>(N), entries.data()};
  return ParseSymbolicInterpolator(parser, &table, length);
}

void SetBlend(std::uint32_t source, std::uint32_t destination) {
  SetRenderMode(modeBlend, 0, source);
  SetRenderMode(modeBlend, 1, destination);
}

void SetFilter(std::uint32_t code) {
  threedee::kernelTextureStage* stage = threedee::GetTextureStage(0);
  if (!stage) return;
  stage->SetMagFilter(code);
  stage->SetMinFilter(code);
}

void SetAddress(std::uint32_t code) {
  if (threedee::kernelTextureStage* stage = threedee::GetTextureStage(0)) stage->SetAddress(code);
}

}  // namespace

void SetDefaultDither() { SetRenderMode(modeDither, threedee::IsHardwareRasterizer() ? 1u : 0u); }
void SetDefaultBlend() { SetBlend(factorSourceAlpha, factorInverseSourceAlpha); }
void SetDefaultFilter() { SetFilter(threedee::IsHardwareRasterizer() ? 1u : 0u); }

void SetFixedModes(tFixedModes command) {
  SetRenderMode(modeDepth, 0, 0u);
  if (command == tFixedModes::LogoRot3d || command == tFixedModes::FadeToColor) {
    SetRenderMode(modeDepth, 1, 0u);
    SetBlend(factorSourceAlpha, factorInverseSourceAlpha);
  }
  if (command != tFixedModes::Sprite) SetRenderMode(modeShading, shadeFlat);
  SetRenderMode(modeCulling, cullNone);
  if (command == tFixedModes::Wobble || command == tFixedModes::LogoRot3d ||
      command == tFixedModes::FadeToColor)
    SetDefaultDither();
}

bool tDrawOptions::Parse(cParserT* parser, float length) {
  if ((accepted_ & optFilter) && IsWordAnyCase(parser, "filter")) {
    parser->GetToken();
    filter_.reset(ReadSymbolic(parser, kFilter, length));
  } else if ((accepted_ & optClamp) && IsWordAnyCase(parser, "clamp")) {
    parser->GetToken();
    clamp_.reset(ReadSymbolic(parser, kClamp, length));
  } else if ((accepted_ & optTransparency) && IsWordAnyCase(parser, "transparency")) {
    parser->GetToken();
    transparency_.reset(ReadSymbolic(parser, kTransparency, length));
  } else if ((accepted_ & optDither) && IsWordAnyCase(parser, "dither")) {
    parser->GetToken();
    // "default" stands for the device selected while the script compiles.
    const std::array<tSymbolicName, 3> dither{
        {{1, tokEnabled, "enabled"},
         {0, tokDisabled, "disabled"},
         {threedee::IsHardwareRasterizer() ? 1 : 0, tokDefault, "default"}}};
    dither_.reset(ReadSymbolic(parser, dither, length));
  } else if ((accepted_ & optCulling) && IsWordAnyCase(parser, "culling")) {
    parser->GetToken();
    culling_.reset(ParseEnumInterpolator(parser, length));
  } else {
    return false;
  }
  parser->Expect(tokSemicolon);
  return true;
}

cView3Di_enum* tDrawOptions::Track(tDrawOption option) const {
  switch (option) {
    case optFilter:
      return filter_.get();
    case optClamp:
      return clamp_.get();
    case optTransparency:
      return transparency_.get();
    case optDither:
      return dither_.get();
    case optCulling:
      return culling_.get();
  }
  return nullptr;
}

int tDrawOptions::Value(cView3Di_enum* track, float time) {
  track->Evaluate(time);
  return track->value;
}

void tDrawOptions::SetMissingDefaults() const {
  if ((accepted_ & optDither) && !dither_) SetDefaultDither();
  if ((accepted_ & optTransparency) && !transparency_) SetDefaultBlend();
  if ((accepted_ & optFilter) && !filter_) SetDefaultFilter();
  if ((accepted_ & optCulling) && !culling_) SetRenderMode(modeCulling, cullNone);
  if ((accepted_ & optClamp) && !clamp_) SetAddress(0);
}

void tDrawOptions::ApplyDither(float time) const {
  if (dither_) SetRenderMode(modeDither, Value(dither_.get(), time) != 0 ? 1u : 0u);
}

bool tDrawOptions::ApplyTransparency(float time) const {
  if (!transparency_) return true;
  switch (Value(transparency_.get(), time)) {
    case blendMixing:
    case blendSubractive:
      SetBlend(factorSourceAlpha, factorInverseSourceAlpha);
      return true;
    case blendAdditive:
      SetBlend(factorSourceAlpha, factorOne);
      return true;
    case blendFilter:
      SetBlend(factorZero, factorSourceColor);
      return true;
    default:
      return false;
  }
}

void tDrawOptions::ApplyCulling(float time) const {
  if (culling_)
    SetRenderMode(modeCulling, Value(culling_.get(), time) != 0 ? cullCounterClockwise : cullNone);
}

void tDrawOptions::ApplyFilter(float time) const {
  if (filter_) SetFilter(static_cast<std::uint32_t>(Value(filter_.get(), time)));
}

void tDrawOptions::ApplyClamp(float time) const {
  if (clamp_) SetAddress(static_cast<std::uint32_t>(Value(clamp_.get(), time)));
}

void tDrawOptions::RestoreDefaults() const {
  if (dither_) SetDefaultDither();
  if (transparency_) SetDefaultBlend();
  if (filter_) SetDefaultFilter();
}

}  // namespace VOXA2::effects2d

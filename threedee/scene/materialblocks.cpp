#include "threedee/scene/materialblocks.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "demo/block.h"
#include "foundation/allocate.h"
#include "foundation/stream.h"
#include "script/filters.h"
#include "threedee/scene/interpolatedvalues.h"

namespace VOXA2::threedee {
namespace {

constexpr const char* kNoTextCopy = "Could not allocate memory to duplicate duplicate string";

const tSymbolicName kModeNames[4] = {{cMaterial::kAdditive, tokIdentifier, "additive"},
                                     {cMaterial::kMixing, tokIdentifier, "mixing"},
                                     {cMaterial::kSubtractive, tokIdentifier, "subtractive"},
                                     {cMaterial::kFilter, tokIdentifier, "filter"}};
const tSymbolicSplineDef kModeTable{4, kModeNames};
const tSymbolicName kSwitchNames[2] = {{0, tokDisabled, "disabled"}, {1, tokEnabled, "enabled"}};
// Two sided and dithering read the same words, each through a table of its own.
const tSymbolicSplineDef kTwoSidedTable{2, kSwitchNames};
const tSymbolicSplineDef kDitheringTable{2, kSwitchNames};

std::int32_t Code(const cParserT* parser) { return parser->token ? parser->token->code : tokNone; }

void SyntaxError(cParserT* parser) { parser->Error(errMaterialSyntax, "Syntax error!"); }

// colour := "(" r "," g "," b ")", components 0..1.
std::uint32_t ReadColour(cParserT* parser) {
  float rgb[3];
  filter::ParseColorTriple(parser, rgb);
  return PackColor(rgb);
}

// A value given twice replaces the earlier one, which goes.
template <class T>
void Replace(T*& slot, T* value) {
  delete slot;
  slot = value;
}

cView3Di_position* UnitTrack(cView3Di_position* track) {
  track->clampAbove = track->clampBelow = true;
  track->upperBound = 1.0f;
  track->lowerBound = 0.0f;
  return track;
}

std::uint32_t Channel(std::uint32_t color, int shift) { return (color >> shift) & 0xFFu; }

// Ambient and self illumination folded into the emissive colour; the ambient
// colour then follows the diffuse colour.
void FoldPlain(cMaterial& m, float selfIllumination) {
  if (!(selfIllumination > 0.0f) && m.ambient == 0) return;
  std::uint32_t folded = m.emissive & 0xFF000000u;
  for (int shift : {16, 8, 0}) {
    float v = static_cast<float>(Channel(m.emissive, shift) / 255.0 + Channel(m.ambient, shift) / 255.0 +
                                 Channel(m.diffuse, shift) / 255.0 * selfIllumination);
    v = std::clamp(v, 0.0f, 1.0f);
    folded |= static_cast<std::uint32_t>(v * 255.0f) << shift;
  }
  m.emissive = folded;
  m.ambient = m.diffuse;
}

void FoldInterpolated(cIMaterial& m, float selfIllumination) {
  if (selfIllumination > 0.0f && !m.emissiveTrack && m.diffuseTrack) {
    m.emissiveTrack = m.diffuseTrack->CloneTyped();
    m.emissiveTrack->Scale(selfIllumination);
    Replace(m.ambientTrack, m.diffuseTrack->CloneTyped());
  } else if (!m.emissiveTrack && m.ambientTrack) {
    m.emissiveTrack = m.ambientTrack;
    m.ambientTrack = nullptr;
    // Without a diffuse track the ambient colour stays the diffuse field's,
    // as a plain block leaves it.
    if (m.diffuseTrack)
      m.ambientTrack = m.diffuseTrack->CloneTyped();
    else
      m.ambient = m.diffuse;
  }
}

void ReadPlainItem(cParserT* parser, cMaterial& m, const std::string& word) {
  if (word == "ambient") {
    m.ambient = ReadColour(parser);
  } else if (word == "diffuse") {
    m.diffuse = ReadColour(parser);
  } else if (word == "emissive") {
    m.emissive = ReadColour(parser);
  } else if (word == "specular") {
    if (IsExactWord(parser, "power")) {
      parser->GetToken();
      m.power = parser->ParseFloatExpression();
    } else {
      m.specular = ReadColour(parser);
    }
  } else if (word == "transparency") {
    if (IsExactWord(parser, "mode")) {
      parser->GetToken();
      parser->Check(tokIdentifier);
      const auto& text = static_cast<const cIdentToken*>(parser->token.get())->text;
      const tSymbolicName* named =
          std::find_if(kModeNames, kModeNames + 4, [&](const tSymbolicName& n) { return text == n.name; });
      if (named == kModeNames + 4) SyntaxError(parser);
      m.transparencyMode = named->value;
      parser->GetToken();
    } else {
      m.transparency = parser->ParseFloatExpression() / 255.0f;
    }
  } else if (word == "two") {
    if (Code(parser) == tokSemicolon)
      m.twoSided = true;  // the ";" is the loop's
    else
      m.twoSided = parser->ParseIntExpression() != 0;
  } else if (word == "dithering") {
    if (Code(parser) == tokEnabled)
      m.dithering = true;
    else if (Code(parser) == tokDisabled)
      m.dithering = false;
    else
      SyntaxError(parser);
    parser->GetToken();
  } else {
    SyntaxError(parser);
  }
}

void ReadInterpolatedItem(cParserT* parser, cIMaterial& m, const std::string& word,
                          float length) {
  if (word == "ambient") {
    Replace(m.ambientTrack, UnitTrack(ParseInterpolator(parser, 3, length)));
  } else if (word == "diffuse") {
    Replace(m.diffuseTrack, UnitTrack(ParseInterpolator(parser, 3, length)));
  } else if (word == "emissive") {
    Replace(m.emissiveTrack, UnitTrack(ParseInterpolator(parser, 3, length)));
  } else if (word == "specular") {
    if (IsExactWord(parser, "power")) {
      parser->GetToken();
      Replace(m.powerTrack, ParseInterpolator(parser, 1, length));
    } else {
      // Written 0..255, unlike the other colours.
      std::unique_ptr<cView3Di_position> track(ParseInterpolator(parser, 3, length));
      track->Scale(0.003921569f);
      Replace(m.specularTrack, UnitTrack(track.release()));
    }
  } else if (word == "transparency") {
    if (IsExactWord(parser, "mode")) {
      parser->GetToken();
      Replace(m.transparencyModeTrack, ParseSymbolicInterpolator(parser, &kModeTable, length));
    } else {
      Replace(m.transparencyTrack, ParseInterpolator(parser, 1, length));
    }
  } else if (word == "two") {
    if (Code(parser) == tokSemicolon)
      m.twoSided = true;
    else if (Code(parser) == tokNumber)
      m.twoSided = parser->ParseIntExpression() != 0;
    else
      Replace(m.twoSidedTrack, ParseSymbolicInterpolator(parser, &kTwoSidedTable, length));
  } else if (word == "dithering") {
    Replace(m.ditheringTrack, ParseSymbolicInterpolator(parser, &kDitheringTable, length));
  } else {
    SyntaxError(parser);
  }
}

std::string IdentifierText(const cParserT* parser) {
  return static_cast<const cIdentToken*>(parser->token.get())->text;
}

}  // namespace

std::string ReadNameString(cParserT* parser) {
  parser->Check(tokString);
  std::string text = CopyName(static_cast<const cStringToken*>(parser->token.get())->text.c_str(),
                              kNoTextCopy);
  parser->GetToken();
  return text;
}

cMaterial* ParseMaterial(cParserT* parser, float length) {
  const bool interpolated = IsExactWord(parser, "interpolated");
  if (interpolated) parser->GetToken();
  std::unique_ptr<cMaterial> material(
      interpolated ? static_cast<cMaterial*>(VOXA::errors::NewOrThrow<cIMaterial>("cIMaterial"))
                   : VOXA::errors::NewOrThrow<cMaterial>("cMaterial"));
  auto* tracks = dynamic_cast<cIMaterial*>(material.get());
  material->name = ReadNameString(parser);
  parser->Expect(tokOpenBrace);
  float self = 0.0f;
  while (Code(parser) != tokCloseBrace) {
    if (Code(parser) == tokSemicolon) {
      parser->GetToken();
      continue;
    }
    if (Code(parser) != tokIdentifier) SyntaxError(parser);
    const std::string word = IdentifierText(parser);
    parser->GetToken();
    if (word == "self") {
      // A plain number even in an interpolated block; it acts only at the end.
      if (!IsExactWord(parser, "illumination")) SyntaxError(parser);
      parser->GetToken();
      self = parser->ParseFloatExpression();
    } else if (word == "shading") {
      parser->Check(tokIdentifier);
      const std::string shading = IdentifierText(parser);
      if (shading == "flat")
        material->shading = 0;
      else if (shading == "gouraud" || shading == "phong" || shading == "metal")
        material->shading = 1;
      else
        SyntaxError(parser);
      parser->GetToken();
    } else if (word == "texture" || word == "texture2" || word == "environment") {
      const int slot = word == "texture" ? cMaterial::kTextureMap
                       : word == "texture2" ? cMaterial::kSecondTextureMap
                                            : cMaterial::kEnvironmentMap;
      Replace(material->maps[slot], ParseMap(parser, length));
    } else {
      if (word == "two") {
        if (!IsExactWord(parser, "sided")) SyntaxError(parser);
        parser->GetToken();
      }
      if (tracks)
        ReadInterpolatedItem(parser, *tracks, word, length);
      else
        ReadPlainItem(parser, *material, word);
    }
  }
  if (tracks)
    FoldInterpolated(*tracks, self);
  else
    FoldPlain(*material, self);
  parser->GetToken();
  return material.release();
}

cMap* ParseMap(cParserT* parser, float length) {
  const bool interpolated = IsExactWord(parser, "interpolated");
  if (interpolated) parser->GetToken();
  std::unique_ptr<cMap> map(interpolated
                                ? static_cast<cMap*>(VOXA::errors::NewOrThrow<cIMap>("cIMap"))
                                : VOXA::errors::NewOrThrow<cMap>("cMap"));
  auto* tracks = dynamic_cast<cIMap*>(map.get());
  parser->Expect(tokOpenBrace);
  while (Code(parser) != tokCloseBrace) {
    if (Code(parser) == tokSemicolon) {
      parser->GetToken();
      continue;
    }
    if (Code(parser) == tokFile) {
      parser->GetToken();
      if (tracks && Code(parser) != tokString)
        Replace(tracks->textureTrack, ParsePointerInterpolator(parser, length));
      else
        map->textureName = ReadNameString(parser);
      continue;
    }
    struct Value {
      const char* word;
      float cMap::*field;
      cView3Di_position* cIMap::*track;
    };
    static constexpr Value kValues[5] = {{"uadd", &cMap::uOffset, &cIMap::uOffsetTrack},
                                         {"umul", &cMap::uScale, &cIMap::uScaleTrack},
                                         {"vadd", &cMap::vOffset, &cIMap::vOffsetTrack},
                                         {"vmul", &cMap::vScale, &cIMap::vScaleTrack},
                                         {"amount", &cMap::amount, &cIMap::amountTrack}};
    const Value* value = std::find_if(kValues, kValues + 5, [&](const Value& v) { return IsExactWord(parser, v.word); });
    if (value == kValues + 5) SyntaxError(parser);
    parser->GetToken();
    if (!tracks) {
      map.get()->*(value->field) = parser->ParseFloatExpression();
      continue;
    }
    cView3Di_position* track = ParseInterpolator(parser, 1, length);
    if (value->track == &cIMap::amountTrack) UnitTrack(track);
    Replace(tracks->*(value->track), track);
  }
  parser->GetToken();
  return map.release();
}

}  // namespace VOXA2::threedee

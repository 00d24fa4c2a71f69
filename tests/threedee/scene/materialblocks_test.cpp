// Material and texture-map blocks read through the real parser: the fields a
// block gives, the fold of ambient and self illumination into the emissive
// colour, interpolated blocks' tracks, and the syntax errors.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "tests/support/tempdir.h"
#include "tests/support/scriptread.h"
#include "threedee/scene/materialblocks.h"

namespace {

using namespace VOXA2;
using namespace VOXA2::threedee;

// The material's fields (an interpolated one after its tracks were evaluated
// at the frame), then each map present.
std::string Describe(cMaterial& m, float frame) {
  if (dynamic_cast<cIMaterial*>(&m)) m.Update(frame);
  char buffer[256];
  std::snprintf(buffer, sizeof buffer,
                "%s a=%08X d=%08X s=%08X e=%08X p=%g sh=%d di=%d t=%g m=%d two=%d",
                m.GetName() ? m.GetName() : "-", m.ambient, m.diffuse, m.specular, m.emissive,
                m.power, m.shading, m.dithering, m.transparency * 255, m.transparencyMode,
                m.twoSided);
  std::string out = buffer;
  for (int i = 0; i < cMaterial::kMapSlots; ++i) {
    cMap* map = m.maps[i];
    if (!map) continue;
    map->Update(frame);
    std::snprintf(buffer, sizeof buffer, " map%d[%s u=%g/%g v=%g/%g a=%g]", i,
                  map->GetName() ? map->GetName() : "-", map->uScale, map->uOffset, map->vScale,
                  map->vOffset, map->amount);
    out += buffer;
  }
  return out;
}

struct Parsed : testsupport::ScriptRead {
  std::unique_ptr<cMaterial> material;
};

Parsed Parse(const std::string& text, float length = 1) {
  Parsed out;
  static_cast<testsupport::ScriptRead&>(out) =
      testsupport::ReadScript(text + " ;", "materials.txt", [&](cParserT* parser) {
        out.material.reset(ParseMaterial(parser, length));
      });
  return out;
}

TEST(MaterialBlocks, FieldsOfPlainAndInterpolatedBlocks) {
  const char* kDefaults = "a=00000000 d=FFFFFFFF s=00000000 e=00000000 p=0 sh=1 di=1 t=0 m=1 two=0";
  struct Case {
    const char* rule;
    const char* text;
    float frame;
    std::string expected;
  } cases[] = {
      {"an empty block keeps every default", "\"Empty\" { }", 0, std::string("Empty ") + kDefaults},
      {"the ambient colour goes into the emissive, without alpha",
       "\"A\" { ambient (0.2, 0.2, 0.2); diffuse (1, 0, 0); }", 0,
       "A a=FFFF0000 d=FFFF0000 s=00000000 e=00333333 p=0 sh=1 di=1 t=0 m=1 two=0"},
      {"self illumination adds the diffuse colour times it",
       "\"S\" { diffuse (1, 1, 1) self illumination 0.5 }", 0,
       "S a=FFFFFFFF d=FFFFFFFF s=00000000 e=007F7F7F p=0 sh=1 di=1 t=0 m=1 two=0"},
      {"the folded colour is limited to white",
       "\"C\" { emissive (1, 1, 1); ambient (0.5, 0.5, 0.5) }", 0,
       "C a=FFFFFFFF d=FFFFFFFF s=00000000 e=FFFFFFFF p=0 sh=1 di=1 t=0 m=1 two=0"},
      {"colour components out of range are limited, never spilling",
       "\"O\" { diffuse (2, -1, 0.5) }", 0,
       "O a=00000000 d=FFFF007F s=00000000 e=00000000 p=0 sh=1 di=1 t=0 m=1 two=0"},
      {"transparency 0..255, the mode by its word, phong shades as gouraud",
       "\"T\" { transparency 128; transparency mode filter; shading phong }", 0,
       "T a=00000000 d=FFFFFFFF s=00000000 e=00000000 p=0 sh=1 di=1 t=128 m=3 two=0"},
      {"flat shading, dithering off, the later value wins",
       "\"F\" { shading gouraud; shading flat; dithering disabled }", 0,
       "F a=00000000 d=FFFFFFFF s=00000000 e=00000000 p=0 sh=0 di=0 t=0 m=1 two=0"},
      {"two sided alone", "\"2\" { two sided; }", 0,
       "2 a=00000000 d=FFFFFFFF s=00000000 e=00000000 p=0 sh=1 di=1 t=0 m=1 two=1"},
      {"two sided 0", "\"2\" { two sided 0 }", 0, std::string("2 ") + kDefaults},
      {"specular power leaves the specular colour", "\"P\" { specular power 20 }", 0,
       "P a=00000000 d=FFFFFFFF s=00000000 e=00000000 p=20 sh=1 di=1 t=0 m=1 two=0"},
      {"a map block with only umul",
       "\"M\" { texture { umul 2 } environment { file \"sky.tga\"; amount 0.5 } }", 0,
       std::string("M ") + kDefaults + " map0[- u=2/0 v=1/0 a=1] map2[sky.tga u=1/0 v=1/0 a=0.5]"},
      {"interpolated specular is written 0..255",
       "interpolated \"I\" { specular (255, 128, 0) }", 0,
       "I a=00000000 d=FFFFFFFF s=FFFF8000 e=00000000 p=0 sh=1 di=1 t=0 m=1 two=0"},
      {"interpolated: self illumination scales a copy of the diffuse track",
       "interpolated \"I\" { diffuse (1, 1, 1); self illumination 0.5 }", 0,
       "I a=FFFFFFFF d=FFFFFFFF s=00000000 e=FF7F7F7F p=0 sh=1 di=1 t=0 m=1 two=0"},
      {"interpolated: the ambient track becomes the emissive one",
       "interpolated \"I\" { ambient (0.2, 0.2, 0.2); diffuse (1, 0, 0) }", 0,
       "I a=FFFF0000 d=FFFF0000 s=00000000 e=FF333333 p=0 sh=1 di=1 t=0 m=1 two=0"},
      {"interpolated: an ambient track without a diffuse track",
       "interpolated \"I\" { ambient (0.2, 0.2, 0.2) }", 0,
       "I a=FFFFFFFF d=FFFFFFFF s=00000000 e=FF333333 p=0 sh=1 di=1 t=0 m=1 two=0"},
      {"interpolated switches by their words",
       "interpolated \"W\" { two sided enabled; dithering disabled; transparency mode additive }", 0,
       "W a=00000000 d=FFFFFFFF s=00000000 e=00000000 p=0 sh=1 di=0 t=0 m=0 two=1"},
      {"interpolated transparency with relative key times",
       "interpolated \"R\" { transparency interpolate linear { 0: 0, relative 1: 255 } }", 25,
       "R a=00000000 d=FFFFFFFF s=00000000 e=00000000 p=0 sh=1 di=1 t=127.5 m=1 two=0"},
      {"an interpolated map: amount limited to 1, name track resolved later",
       "\"N\" { texture interpolated { file interpolate { 0: \"a.tga\", 10: \"b.tga\" }; "
       "amount linear 0 to 2 } }",
       50, std::string("N ") + kDefaults + " map0[- u=1/0 v=1/0 a=1]"},
      {"a map given twice keeps the later",
       "\"D\" { texture { file \"a.tga\" } texture { file \"b.tga\" } }", 0,
       std::string("D ") + kDefaults + " map0[b.tga u=1/0 v=1/0 a=1]"},
  };
  testsupport::ScopedTempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    Parsed out = Parse(c.text, 50);
    ASSERT_TRUE(out.ok) << out.message;
    EXPECT_EQ(out.next, tokSemicolon);
    EXPECT_EQ(Describe(*out.material, c.frame), c.expected);
  }
}

TEST(MaterialBlocks, InterpolatedDetails) {
  testsupport::ScopedTempDir dir;
  Parsed two = Parse("interpolated \"T\" { two sided enabled }");
  ASSERT_TRUE(two.ok);
  auto* m = dynamic_cast<cIMaterial*>(two.material.get());
  ASSERT_NE(m, nullptr);
  ASSERT_NE(m->twoSidedTrack, nullptr);
  m->twoSidedTrack->Evaluate(0);
  EXPECT_EQ(m->twoSidedTrack->value, 1);

  Parsed named = Parse("\"N\" { texture interpolated { file interpolate { 0: \"a.tga\", 10: \"b.tga\" } } }");
  ASSERT_TRUE(named.ok);
  auto* map = dynamic_cast<cIMap*>(named.material->maps[0]);
  ASSERT_NE(map, nullptr);
  ASSERT_NE(map->textureTrack, nullptr);
  ASSERT_EQ(map->textureTrack->GetKeyCount(), 2);
  EXPECT_STREQ(static_cast<const char*>(map->textureTrack->GetKeyValue(1)), "b.tga");
  EXPECT_TRUE(map->textureTrack->ownsValues);

  Parsed specular = Parse("interpolated \"S\" { specular (255, 128, 0) }");
  ASSERT_TRUE(specular.ok);
  auto* track = dynamic_cast<cIMaterial*>(specular.material.get())->specularTrack;
  ASSERT_NE(track, nullptr);
  track->Evaluate(0);
  EXPECT_FLOAT_EQ(track->GetValue(0), 1.0f);
  EXPECT_NEAR(track->GetValue(1), 0.502f, 0.001f);
  EXPECT_EQ(track->GetValue(2), 0.0f);
}

TEST(MaterialBlocks, SyntaxErrors) {
  struct Case {
    const char* text;
    std::int32_t code;
    const char* message;  // null: not checked
  } cases[] = {
      {"\"X\" { glow (1, 1, 1) }", 101, "Syntax error!"},
      {"\"X\" { Ambient (1, 1, 1) }", 101, "Syntax error!"},
      {"\"X\" { self light 2 }", 101, "Syntax error!"},
      {"\"X\" { two faced }", 101, "Syntax error!"},
      {"\"X\" { transparency mode Mixing }", 101, "Syntax error!"},
      {"\"X\" { shading smooth }", 101, "Syntax error!"},
      {"\"X\" { dithering on }", 101, "Syntax error!"},
      {"\"X\" { 12 }", 101, "Syntax error!"},
      {"\"X\" { texture { wrap 1 } }", 101, "Syntax error!"},
      {"\"X\" { diffuse 1, 1, 1 }", 2, nullptr},
      {"\"X\" { diffuse (1 1, 1) }", 2, nullptr},
      {"\"X\" { shading 3 }", 2, nullptr},
      {"\"X\" { transparency mode 2 }", 2, nullptr},
      {"\"X\" { texture { file sky } }", 2, nullptr},
      {"X { }", 2, nullptr},
      {"\"X\" ambient", 2, nullptr},
      {"interpolated \"X\" { transparency mode Mixing }", -1, "Symbolic Spline Definition expected!"},
      {"interpolated \"X\" { dithering on }", -1, "Symbolic Spline Definition expected!"},
      {"interpolated \"X\" { diffuse (1, 1, 1); two sided sometimes }", -1,
       "Symbolic Spline Definition expected!"},
  };
  testsupport::ScopedTempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Parsed out = Parse(c.text);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.material, nullptr);
    EXPECT_EQ(out.code, c.code);
    if (c.message) EXPECT_EQ(out.message, c.message);
  }
}

}  // namespace

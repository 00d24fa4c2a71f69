// Materials and texture maps: the template a material picks each frame and the
// words it writes into its passes, the states its Prepare sets, deferral to
// the view's batch, copies, and the loading of map textures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "demo/datacollector.h"
#include "platform/fakehardware.h"
#include "tests/threedee/scene/scene_device.h"
#include "threedee/scene/material.h"
#include "threedee/scene/scene.h"
#include "threedee/scene/templates.h"
#include "threedee/scene/view.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/texture.h"
#include "windxkernel/vertexarray.h"

namespace {

using namespace VOXA2::threedee;
using VOXA2::video::voxaTexture;

// Hands out the textures it was given by name; it frees none.
class cTextures : public VOXA2::cVOXAdatacollector {
 public:
  ~cTextures() override { FreeEntries(); }
  bool LoadItem(VOXA2::tDataEntry* entry) override {
    auto it = known.find(entry->name);
    if (it == known.end()) return false;
    entry->data = it->second;
    return true;
  }
  void FreeItem(void*) override {}
  std::map<std::string, voxaTexture*> known;
};

// Stand-ins that the maps only pass on, never use.
voxaTexture* Token(int n) {
  static char tokens[4];
  return reinterpret_cast<voxaTexture*>(&tokens[n]);
}

char* Text(const char* s) { return strdup(s); }

cMap* MapWith(voxaTexture* texture, float amount) {
  auto* map = new cMap;
  map->texture = texture;
  map->amount = amount;
  return map;
}

// ---- texture maps ----

TEST(TextureMap, CoordinateTransform) {
  struct Case {
    const char* rule;
    float uScale, uOffset, vScale, vOffset;
    bool transformed;
  } cases[] = {
      {"the defaults", 1, 0, 1, 0, false},
      {"an offset of minus zero is zero", 1, -0.0f, 1, -0.0f, false},
      {"v scale apart from u scale", 1, 0, 2, 0, true},
      {"both scales 2", 2, 0, 2, 0, true},
      {"a v offset", 1, 0, 1, 0.25f, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    cMap map;
    map.uScale = c.uScale;
    map.uOffset = c.uOffset;
    map.vScale = c.vScale;
    map.vOffset = c.vOffset;
    EXPECT_EQ(map.HasTexCoordTransform(), c.transformed);
  }
  cMap map;
  map.uScale = 2;
  map.uOffset = 0.5f;
  const float* m = map.BuildTexCoordMatrix();
  const float u = 0.25f, v = 0.75f;
  EXPECT_FLOAT_EQ(m[0] * u + m[1] * v + m[3], 2 * u + 0.5f);
  EXPECT_FLOAT_EQ(m[4] * u + m[5] * v + m[7], v);
  EXPECT_EQ(m[10], 1.0f);
  EXPECT_EQ(m[15], 1.0f);
}

TEST(TextureMap, MaterialDropsMapsWhoseTexturesCannotBeLoaded) {
  const auto lines = scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    cTextures textures;
    textures.known["stone.png"] = Token(0);
    cMaterial material;
    material.maps[0] = new cMap;
    material.maps[0]->SetName("stone.png");
    material.maps[1] = new cMap;
    material.maps[1]->SetName("missing.png");
    material.maps[2] = new cMap;  // no name at all
    EXPECT_TRUE(material.LoadTextures(&textures));
    ASSERT_NE(material.maps[0], nullptr);
    EXPECT_EQ(material.maps[0]->texture, Token(0));
    EXPECT_EQ(material.maps[1], nullptr);
    EXPECT_EQ(material.maps[2], nullptr);
    // Without a collector every map goes.
    EXPECT_TRUE(material.LoadTextures(nullptr));
    EXPECT_EQ(material.maps[0], nullptr);
  });
  int warnings = 0;
  for (const auto& l : lines) warnings += l == "Warning: Could not load texture for map!";
  EXPECT_EQ(warnings, 1);
}

// An interpolated map switching from texture A (from time 0) to B (from 10).
cIMap* Switching() {
  auto* map = new cIMap;
  map->textureTrack = new VOXA2::cView3Di_pointer;
  map->textureTrack->ownsValues = true;
  map->textureTrack->AddKey(0, Text("a.png"));
  map->textureTrack->AddKey(10, Text("b.png"));
  map->textureTrack->Prepare();
  map->textureTrack->Evaluate(0);
  return map;
}

TEST(TextureMap, InterpolatedTexturesAfterLoadingAndInCopies) {
  const auto lines = scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    cTextures textures;
    textures.known["a.png"] = Token(0);
    textures.known["b.png"] = Token(1);
    std::unique_ptr<cIMap> map(Switching());
    std::unique_ptr<cMap> early(map->Clone());  // names copied: each frees its own
    map->Update(0);
    EXPECT_EQ(map->texture, nullptr) << "names never reach a stage";
    ASSERT_TRUE(map->LoadTexture(&textures));
    for (auto [time, texture] : {std::pair{0.0f, Token(0)}, {5.0f, Token(0)}, {10.0f, Token(1)}}) {
      map->Update(time);
      EXPECT_EQ(map->texture, texture) << time;
    }
    // A copy after loading shares the textures; loading it again changes nothing.
    std::unique_ptr<cMap> late(map->Clone());
    EXPECT_TRUE(late->LoadTexture(&textures));
    late->Update(10);
    EXPECT_EQ(late->texture, Token(1));
    ASSERT_TRUE(early->LoadTexture(&textures));
    early->Update(12);
    EXPECT_EQ(early->texture, Token(1));

    // An unknown name in the track is said, not silently shown as nothing.
    std::unique_ptr<cIMap> typo(Switching());
    void* spelled = typo->textureTrack->GetKeyValue(1);
    typo->textureTrack->SetKeyValue(1, Text("b.pgn"));
    std::free(spelled);
    EXPECT_TRUE(typo->LoadTexture(&textures));
  });
  int warnings = 0;
  for (const auto& l : lines) warnings += l == "Warning: Could not load texture for map!";
  EXPECT_EQ(warnings, 1);
}

TEST(TextureMap, CopiesShareTheTexture) {
  auto* texture = Token(2);
  cMap map;
  map.SetName("wall");
  map.texture = texture;
  map.uScale = 3;
  map.amount = 0.25f;
  std::unique_ptr<cMap> copy(map.Clone());
  EXPECT_EQ(copy->texture, texture);
  EXPECT_STREQ(copy->GetName(), "wall");
  EXPECT_NE(copy->GetName(), map.GetName());
  EXPECT_EQ(copy->uScale, 3.0f);
  EXPECT_EQ(copy->amount, 0.25f);
  EXPECT_FALSE(map.SetName(nullptr));
  EXPECT_STREQ(map.GetName(), "wall");
}

// ---- materials ----

TEST(Material, MapCountCountsTheTextureMapsOnly) {
  cMaterial material;
  EXPECT_EQ(material.MapCount(), 1);
  material.maps[cMaterial::kEnvironmentMap] = new cMap;
  EXPECT_EQ(material.MapCount(), 1);
  material.maps[cMaterial::kTextureMap] = new cMap;
  material.maps[cMaterial::kSecondTextureMap] = new cMap;
  EXPECT_EQ(material.MapCount(), 2);
}

TEST(Material, ColourModulation) {
  for (std::uint32_t b = 0; b < 256; ++b)
    ASSERT_EQ(ModulateColor(b * 0x01010101u, 1, 1, 1), b * 0x01010101u) << b;
  EXPECT_EQ(ModulateColor(0x80804020u, 0.5f, 1, 1), 0x80404020u);
  EXPECT_EQ(ModulateColor(0xFF806020u, -1, 3, 1), 0xFF00FF20u) << "limited, never spilling";
  const float over[3] = {2.0f, -0.5f, 0.5f};
  EXPECT_EQ(PackColor(over), 0xFFFF007Fu);
}

struct Look {
  float alpha = 1;
  float tint[3] = {1, 1, 1};
  bool culling = true;
  bool batch = false;
};

// The material's state after Update and Prepare: template, flags, then per
// pass diffuse, ambient, texture factor, emissive and blend; then the device's
// culling and shading.
std::string Describe(cMaterial& m) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "n=%d%s%s%s", m.templateIndex, m.transparent ? " tr" : "",
                m.invisible ? " inv" : "", m.deferred ? " def" : "");
  std::string out = buffer;
  for (const auto& p : m.passes) {
    std::snprintf(buffer, sizeof buffer, " [%08X %08X %08X %08X %u/%u]", p->diffuse, p->ambient,
                  p->textureFactor, p->emissive, p->srcBlend, p->destBlend);
    out += buffer;
  }
  if (!m.deferred && !m.invisible) {
    DWORD cull = 0, shade = 0;
    kernel::d3dState.device->GetRenderState(D3DRENDERSTATE_CULLMODE, &cull);
    kernel::d3dState.device->GetRenderState(D3DRENDERSTATE_SHADEMODE, &shade);
    out += cull == D3DCULL_NONE ? " none" : cull == D3DCULL_CW ? " cw" : " ccw";
    out += shade == D3DSHADE_FLAT ? " flat" : " gouraud";
  }
  return out;
}

TEST(Material, UpdateAndPrepareFollowOpacityMapsAndTheLook) {
  struct Case {
    const char* rule;
    std::function<void(cMaterial&, Look&, voxaTexture* a, voxaTexture* b)> set;
    const char* expected;
  } cases[] = {
      {"opaque, no maps: the material pass takes diffuse and ambient",
       [](cMaterial&, Look&, voxaTexture*, voxaTexture*) {},
       "n=14 [FF804020 FF102030 00000000 FF010203 4/5] cw gouraud"},
      {"half transparent mixes with the opacity in the diffuse alpha",
       [](cMaterial& m, Look&, voxaTexture*, voxaTexture*) { m.transparency = 0.5f; },
       "n=32 tr [7F804020 FF102030 00000000 FF010203 4/5] cw gouraud"},
      {"the view's alpha weighs in",
       [](cMaterial& m, Look& l, voxaTexture*, voxaTexture*) {
         m.transparency = 0.5f;
         l.alpha = 0.5f;
       },
       "n=32 tr [3F804020 FF102030 00000000 FF010203 4/5] cw gouraud"},
      {"additive at transparency 0 is transparent, added",
       [](cMaterial& m, Look&, voxaTexture*, voxaTexture*) { m.transparencyMode = 0; },
       "n=32 tr [FF804020 FF102030 00000000 FF010203 4/1] cw gouraud"},
      {"subtractive mixes like mixing",
       [](cMaterial& m, Look&, voxaTexture*, voxaTexture*) { m.transparencyMode = 2; },
       "n=32 tr [FF804020 FF102030 00000000 FF010203 4/5] cw gouraud"},
      {"filter multiplies the frame",
       [](cMaterial& m, Look&, voxaTexture*, voxaTexture*) { m.transparencyMode = 3; },
       "n=32 tr [FF804020 FF102030 00000000 FF010203 0/2] cw gouraud"},
      {"a view alpha of 0 makes it invisible",
       [](cMaterial&, Look& l, voxaTexture*, voxaTexture*) { l.alpha = 0; }, "n=-1 tr inv"},
      {"transparency 1 makes it invisible",
       [](cMaterial& m, Look&, voxaTexture*, voxaTexture*) { m.transparency = 1; },
       "n=-1 tr inv"},
      {"an opaque texture map ignores the diffuse colour",
       [](cMaterial& m, Look&, voxaTexture* a, voxaTexture*) { m.maps[0] = MapWith(a, 1); },
       "n=2 [FFFFFFFF FFFFFFFF 00000000 FF010203 4/5] cw gouraud"},
      {"a half-weighted texture blends with the diffuse colour by the factor",
       [](cMaterial& m, Look&, voxaTexture* a, voxaTexture*) { m.maps[0] = MapWith(a, 0.5f); },
       "n=8 [FFFFFFFF FFFFFFFF 7F804020 FF010203 4/5] cw gouraud"},
      {"a second map alone is drawn as the first",
       [](cMaterial& m, Look&, voxaTexture*, voxaTexture* b) { m.maps[1] = MapWith(b, 0.5f); },
       "n=8 [FFFFFFFF FFFFFFFF 7F804020 FF010203 4/5] cw gouraud"},
      {"the same on a transparent material",
       [](cMaterial& m, Look&, voxaTexture*, voxaTexture* b) {
         m.maps[1] = MapWith(b, 0.5f);
         m.transparency = 0.2f;
       },
       "n=26 tr [CCFFFFFF FFFFFFFF 7F804020 FF010203 4/5] cw gouraud"},
      {"a map without a texture counts as none",
       [](cMaterial& m, Look&, voxaTexture*, voxaTexture*) { m.maps[0] = MapWith(nullptr, 1); },
       "n=14 [FF804020 FF102030 00000000 FF010203 4/5] cw gouraud"},
      {"a transparent second map gets a pass of its own",
       [](cMaterial& m, Look&, voxaTexture* a, voxaTexture* b) {
         m.maps[0] = MapWith(a, 1);
         m.maps[1] = MapWith(b, 0.25f);
       },
       "n=5 [FFFFFFFF FFFFFFFF 00000000 FF010203 4/5] [3FFFFFFF FFFFFFFF 00000000 FF010203 4/5]"
       " cw gouraud"},
      {"an environment map at transparency 0.5 is a transparent reflection",
       [](cMaterial& m, Look&, voxaTexture*, voxaTexture* b) {
         m.maps[2] = MapWith(b, 1);
         m.transparency = 0.5f;
       },
       "n=31 tr [7F804020 FF102030 00000000 FF010203 4/5] [7F000000 FF000000 00000000 FFFFFFFF 4/1]"
       " cw gouraud"},
      {"a tint of (0.5, 1, 1) halves red only",
       [](cMaterial&, Look& l, voxaTexture*, voxaTexture*) { l.tint[0] = 0.5f; },
       "n=14 [FF404020 FF082030 00000000 FF000203 4/5] cw gouraud"},
      {"two sided, flat, the view's culling on",
       [](cMaterial& m, Look&, voxaTexture*, voxaTexture*) {
         m.twoSided = true;
         m.shading = 0;
       },
       "n=14 [FF804020 FF102030 00000000 FF010203 4/5] none flat"},
      {"the view's culling off",
       [](cMaterial&, Look& l, voxaTexture*, voxaTexture*) { l.culling = false; },
       "n=14 [FF804020 FF102030 00000000 FF010203 4/5] none gouraud"},
      {"transparent with a batch is deferred and sets nothing",
       [](cMaterial& m, Look& l, voxaTexture*, voxaTexture*) {
         m.transparency = 0.5f;
         l.batch = true;
       },
       "n=32 tr def [7F804020 FF102030 00000000 FF010203 4/5]"},
  };
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    std::unique_ptr<VOXA2::video::kernelTexture> a(VOXA2::video::kernelTexture::FromPicture(4, 4));
    std::unique_ptr<VOXA2::video::kernelTexture> b(VOXA2::video::kernelTexture::FromPicture(4, 4));
    for (const Case& c : cases) {
      SCOPED_TRACE(c.rule);
      c3Dscene scene;
      cSceneView view;
      cHighlevelBatch batch(&view);
      scene.currentView = &view;
      auto* m = new cMaterial;
      scene.AddMaterial(m);
      m->diffuse = 0xFF804020u;
      m->ambient = 0xFF102030u;
      m->emissive = 0xFF010203u;
      Look look;
      c.set(*m, look, a.get(), b.get());
      view.alpha = look.alpha;
      std::copy(look.tint, look.tint + 3, view.tint);
      view.culling = look.culling;
      view.batch = look.batch ? &batch : nullptr;
      // A state left by the row before must not pass for this row's.
      VOXA2::threedee::SetRenderMode(4, 2u);
      VOXA2::threedee::SetRenderMode(3, 1u);
      ASSERT_TRUE(m->Update(3));
      ASSERT_TRUE(m->Prepare());
      EXPECT_EQ(Describe(*m), c.expected);
      EXPECT_EQ(CurrentMaterial(), m);
    }
  });
}

TEST(Material, PrepareSetsStatesOnceAndDefersToTheBatch) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    c3Dscene scene;
    cSceneView view;
    cHighlevelBatch batch(&view);
    view.batch = &batch;
    scene.currentView = &view;
    auto* glass = new cMaterial;
    glass->transparency = 0.5f;
    scene.AddMaterial(glass);
    VertexFormat format;
    format.position = true;
    format.GetVertexSize();
    std::unique_ptr<VertexArray> vertices(VertexArray::Create(false, 3, format));
    std::vector<platform::D3DCall> calls;
    platform::Hardware().observeD3D = [&](const platform::D3DCall& c) { calls.push_back(c); };
    ASSERT_TRUE(glass->Update(0));
    ASSERT_TRUE(glass->Prepare());
    std::uint16_t indices[3] = {0, 1, 2};
    EXPECT_TRUE(glass->DrawIndexed(3, vertices.get(), indices, 3, 0, 2));
    indices[2] = 7;  // the batch keeps its own copy
    EXPECT_FALSE(batch.Empty());
    EXPECT_TRUE(calls.empty()) << "a deferred material sets nothing and draws nothing";
    // A second Prepare in a row sets nothing either.
    ASSERT_TRUE(glass->Prepare());
    EXPECT_TRUE(calls.empty());
    // Drawing that went past the materials makes the next Prepare set its states.
    ForgetDeviceState();
    EXPECT_EQ(CurrentMaterial(), nullptr);
    batch.Flush();
    EXPECT_TRUE(batch.Empty());
    EXPECT_FALSE(view.flushing);
    int draws = 0;
    for (const auto& c : calls) draws += c.method == "DrawIndexedPrimitive";
    EXPECT_EQ(draws, 1);
    platform::Hardware().observeD3D = nullptr;

    // Drawn before any update: no passes, nothing drawn, nothing read unset.
    cMaterial fresh;
    EXPECT_TRUE(fresh.DrawPrimitive(3, vertices.get(), 0, 2));
  });
}

TEST(Material, ALookChangedAfterTheUpdateRebuildsAtTheSameFrame) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [] {
    std::unique_ptr<VOXA2::video::kernelTexture> a(VOXA2::video::kernelTexture::FromPicture(4, 4));
    c3Dscene scene;
    cSceneView view;
    scene.currentView = &view;
    auto* m = new cMaterial;
    scene.AddMaterial(m);
    auto* map = new cIMap;
    map->texture = a.get();
    auto* amount = new VOXA2::cView3Di_linear(1);
    map->amountTrack = amount;
    const float zero = 0.0f, one = 1.0f;
    amount->AddKey(0, &zero);
    amount->AddKey(10, &one);
    amount->Prepare();
    m->maps[0] = map;
    ASSERT_TRUE(m->Update(5));
    EXPECT_EQ(m->passes[0]->textureFactor >> 24, 127u);
    view.tint[1] = 0.5f;  // a "tint" after the frame's update
    ASSERT_TRUE(m->Prepare());
    EXPECT_EQ(m->passes[0]->textureFactor >> 24, 127u) << "the amount of frame 5, not of 0";
    EXPECT_EQ(m->templateIndex, 8);
  });
}

TEST(Material, CloneHasANewIdNoSceneAndItsOwnMaps) {
  c3Dscene scene;
  auto* m = new cIMaterial;
  scene.AddMaterial(m);
  m->SetName("Chrome");
  m->power = 12;
  m->maps[2] = MapWith(Token(3), 0.5f);
  m->diffuseTrack = new VOXA2::cView3Di_position(3);
  m->diffuseTrack->GetValues()[0] = 0.5f;
  m->twoSidedTrack = new VOXA2::cView3Di_enum;
  m->twoSidedTrack->value = 1;
  std::unique_ptr<cMaterial> copy(m->Clone());
  auto* typed = dynamic_cast<cIMaterial*>(copy.get());
  ASSERT_NE(typed, nullptr);
  EXPECT_NE(copy->id, m->id);
  EXPECT_EQ(copy->scene, nullptr);
  EXPECT_TRUE(copy->passes.empty());
  EXPECT_STREQ(copy->GetName(), "Chrome");
  EXPECT_EQ(copy->power, 12.0f);
  ASSERT_NE(copy->maps[2], nullptr);
  EXPECT_NE(copy->maps[2], m->maps[2]);
  EXPECT_EQ(copy->maps[2]->texture, Token(3));
  ASSERT_NE(typed->diffuseTrack, nullptr);
  EXPECT_NE(typed->diffuseTrack, m->diffuseTrack);
  // The tracks drive the copy: colours packed, switches from the integer tracks.
  typed->Update(0);
  EXPECT_EQ(typed->diffuse, 0xFF7F0000u);
  EXPECT_TRUE(typed->twoSided);
}

}  // namespace

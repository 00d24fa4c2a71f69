// The material templates as the device layer builds them at start-up: the plan
// of every entry under three devices, the targets and stage set-ups of the
// plans, the debug-log report, the filter relaxation of the validation and the
// device state the build leaves.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "foundation/errors.h"
#include "platform/fakehardware.h"
#include "tests/threedee/scene/scene_device.h"
#include "threedee/scene/templates.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/texture.h"

namespace {

using namespace VOXA2::threedee;
using scenetest::OnDevice;

// T texture pass, M material pass, F factor-blend pass, B base pass of the
// two-pass fallback, S second-map pass, R reflection pass, "+r" an added
// reflection stage.
std::string Plan(const cMatTemplate* t) {
  if (!t) return "null";
  if (t->passes.empty()) return "(no passes)";
  std::string out;
  for (int i = 0; i < t->PassCount(); ++i) {
    const cRenderStage& p = *t->passes[i];
    std::string kind;
    if (p.srcBlend == kBlendOne && p.destBlend == kBlendZero)
      kind = "B";
    else if (t->reflectionMapSlot.stage == 0 && t->reflectionMapSlot.pass == i)
      kind = "R";
    else if (t->secondMapSlot.stage >= 0 && t->secondMapSlot.pass == i)
      kind = "S";
    else if (p.StageCount() >= 2 && p.stages[0]->colorOp.operation == kOpBlendFactorAlpha)
      kind = "F";
    else if (t->firstMapSlot.stage >= 0 && t->firstMapSlot.pass == i)
      kind = "T";
    else
      kind = "M";
    if (t->reflectionMapSlot.stage > 0 && t->reflectionMapSlot.pass == i) kind += "+r";
    out += (out.empty() ? "" : ", ") + kind;
  }
  return out;
}

std::string Target(const sPosition& p) {
  if (p.kind == sPosition::kNone) return "-";
  return (p.kind == sPosition::kMaterial ? "M" : "F") + std::to_string(p.pass);
}

std::string Slot(const tMapSlot& s) {
  return s.stage < 0 ? "-" : std::to_string(s.stage) + "/" + std::to_string(s.pass);
}

// Targets opacity, first, second and reflection amount, diffuse, ambient;
// slots stage/pass; last blended and last emissive pass.
std::string Places(const cMatTemplate* t) {
  return "o=" + Target(t->opacityTarget) + " f=" + Target(t->firstMapAmountTarget) +
         " s=" + Target(t->secondMapAmountTarget) + " r=" + Target(t->reflectionAmountTarget) +
         " d=" + Target(t->diffuseTarget) + " a=" + Target(t->ambientTarget) +
         " | f=" + Slot(t->firstMapSlot) + " s=" + Slot(t->secondMapSlot) +
         " r=" + Slot(t->reflectionMapSlot) + " | " + std::to_string(t->lastBlendedPass) + "/" +
         std::to_string(t->lastEmissivePass);
}

std::string Op(const tStageOperation& op) {
  return std::to_string(op.arg1.value) + "." + std::to_string(op.operation) + "." +
         std::to_string(op.arg2.value);
}

// Per pass: blend, material colours, then per stage colour and alpha
// (arg1.op.arg2), coordinate set, camera-space normal, mag/min/mip filters.
std::string Setups(const cMatTemplate* t) {
  std::string out;
  char buffer[96];
  for (const auto& p : t->passes) {
    std::snprintf(buffer, sizeof buffer, "[%u/%u %08X %08X %08X:", p->srcBlend, p->destBlend,
                  p->ambient, p->diffuse, p->emissive);
    out += buffer;
    for (const auto& s : p->stages) {
      std::snprintf(buffer, sizeof buffer, " c%s a%s i%u%s f%u%u%u", Op(s->colorOp).c_str(),
                    Op(s->alphaOp).c_str(), s->coordIndex, s->cameraSpaceNormal ? "n" : "",
                    s->magFilter, s->minFilter, s->mipFilter);
      out += buffer;
    }
    out += "]";
  }
  return out;
}

struct PolicyCase {
  const char* name;
  scenetest::Policy policy;
  int column;
};

const PolicyCase kPolicies[3] = {
    {"accepts all", nullptr, 0},
    {"refuses all", scenetest::RefuseAll, 1},
    {"at most two stages", scenetest::AtMostTwoStages, 2},
};

TEST(MaterialTemplates, PlansFollowWhatTheDeviceAccepts) {
  // Per index of an opaque material: accepted, refused, two stages at most.
  const char* const kOpaque[18][3] = {
      {"T+r", "T, R", "T+r"},
      {"T, R", "T, R", "T, R"},
      {"T", "T", "T"},
      {"T, S, R", "T, S, R", "T, S, R"},
      {"T, S, R", "T, S, R", "T, S, R"},
      {"T, S", "T, S", "T, S"},
      {"F+r", "B, T, R", "F, R"},
      {"F, R", "B, T, R", "F, R"},
      {"F", "B, T", "F"},
      {"F, S, R", "B, T, S, R", "F, S, R"},
      {"F, S, R", "B, T, S, R", "F, S, R"},
      {"F, S", "B, T, S", "F, S"},
      {"M+r", "M, R", "M+r"},
      {"M, R", "M, R", "M, R"},
      {"M", "M", "M"},
      {"null", "null", "null"},
      {"null", "null", "null"},
      {"null", "null", "null"},
  };
  // A transparent material plans as the opaque one, but for a transparent
  // first map without the factor blend: template 20's plan, not none.
  const char* const kTransparentFirstMap[6][3] = {
      {"F+r", "T, R", "F, R"},       {"F, R", "T, R", "F, R"}, {"F", "T", "F"},
      {"F, S, R", "T, S, R", "F, S, R"}, {"F, S, R", "T, S, R", "F, S, R"}, {"F, S", "T, S", "F, S"},
  };
  auto plan = [&](int n, int column) {
    if (n >= 24 && n < 30) return kTransparentFirstMap[n - 24][column];
    return kOpaque[n % 18][column];
  };
  for (const PolicyCase& policy : kPolicies) {
    SCOPED_TRACE(policy.name);
    OnDevice(scenetest::kMode8888, policy.policy, [&] {
      for (int n = 0; n < kMaterialTemplateCount; ++n)
        EXPECT_EQ(Plan(materialTemplates[n]), plan(n, policy.column)) << "template " << n;
    });
  }
}

TEST(MaterialTemplates, TargetsSlotsAndStageSetUps) {
  struct Case {
    int policy;
    int n;
    const char* places;
    const char* setups;
  } cases[] = {
      {0, 2, "o=- f=- s=- r=- d=- a=- | f=0/0 s=- r=- | 0/0",
       "[4/5 FFFFFFFF FFFFFFFF 00000000: c3.2.1 a3.2.1 i0 f112]"},
      {0, 8, "o=- f=F0 s=- r=- d=F0 a=- | f=0/0 s=- r=- | 0/0",
       "[4/5 FFFFFFFF FFFFFFFF 00000000: c3.12.4 a3.2.1 i0 f112 c0.2.1 a0.0.1 i0 f110]"},
      {0, 14, "o=- f=- s=- r=- d=M0 a=M0 | f=- s=- r=- | 0/0",
       "[4/5 FFFFFFFF FFFFFFFF 00000000: c3.2.1 a3.2.1 i0 f112]"},
      {0, 20, "o=M0 f=- s=- r=- d=- a=- | f=0/0 s=- r=- | 0/0",
       "[4/5 FFFFFFFF FFFFFFFF 00000000: c3.2.1 a3.2.1 i0 f112]"},
      {0, 26, "o=M0 f=F0 s=- r=- d=F0 a=- | f=0/0 s=- r=- | 0/0", nullptr},
      {0, 5, "o=- f=- s=M1 r=- d=- a=- | f=0/0 s=0/1 r=- | 1/1",
       "[4/5 FFFFFFFF FFFFFFFF 00000000: c3.2.1 a3.2.1 i0 f112]"
       "[4/5 FFFFFFFF FFFFFFFF 00000000: c3.2.1 a3.2.1 i0 f112]"},
      {0, 0, "o=- f=- s=- r=- d=- a=- | f=0/0 s=- r=1/0 | 0/0",
       "[4/5 FFFFFFFF FFFFFFFF 00000000: c3.2.1 a3.2.1 i0 f112 c3.5.0 a3.1.0 i1n f112]"},
      {0, 1, "o=- f=- s=- r=M1 d=- a=- | f=0/0 s=- r=0/1 | 0/0",
       "[4/5 FFFFFFFF FFFFFFFF 00000000: c3.2.1 a3.2.1 i0 f112]"
       "[4/1 FF000000 FF000000 FFFFFFFF: c3.2.1 a3.2.1 i1n f112]"},
      {0, 13, "o=- f=- s=- r=M1 d=M0 a=M0 | f=- s=- r=0/1 | 0/0", nullptr},
      {0, 6, "o=- f=F0 s=- r=- d=F0 a=- | f=0/0 s=- r=2/0 | 0/0",
       "[4/5 FFFFFFFF FFFFFFFF 00000000: c3.12.4 a3.2.1 i0 f112 c0.2.1 a0.0.1 i0 f110 c3.5.0 "
       "a3.1.0 i1n f112]"},
      {0, 3, "o=- f=- s=M1 r=- d=- a=- | f=0/0 s=0/1 r=0/2 | 1/1", nullptr},
      {1, 8, "o=- f=M1 s=- r=- d=M0 a=M0 | f=0/1 s=- r=- | -1/1",
       "[1/0 FFFFFFFF FFFFFFFF 00000000: c3.2.1 a3.2.1 i0 f112]"
       "[4/5 FFFFFFFF FFFFFFFF 00000000: c3.2.1 a3.2.1 i0 f000]"},
      {1, 11, "o=- f=M1 s=M2 r=- d=M0 a=M0 | f=0/1 s=0/2 r=- | -1/2", nullptr},
      {1, 26, "o=M0 f=- s=- r=- d=- a=- | f=0/0 s=- r=- | 0/0", nullptr},
      {1, 12, "o=- f=- s=- r=- d=M0 a=M0 | f=- s=- r=0/1 | 0/0", nullptr},
  };
  for (int policy = 0; policy < 2; ++policy) {
    OnDevice(scenetest::kMode8888, kPolicies[policy].policy, [&] {
      for (const Case& c : cases) {
        if (c.policy != policy) continue;
        SCOPED_TRACE(std::string(kPolicies[policy].name) + ", template " + std::to_string(c.n));
        const cMatTemplate* t = materialTemplates[c.n];
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(Places(t), c.places);
        if (c.setups) EXPECT_EQ(Setups(t), c.setups);
      }
    });
  }
}

TEST(MaterialTemplates, ReportInTheDebugLog) {
  const struct {
    int policy;
    const char* golden;
  } cases[] = {{0, "templates_accept_all.txt"}, {1, "templates_refuse_all.txt"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.golden);
    const auto lines = OnDevice(scenetest::kMode8888, kPolicies[c.policy].policy, [] {});
    const auto report =
        scenetest::Between(lines, "Trying to do transparent texture in one pass...", "Material template #35");
    const auto golden = scenetest::DataLines(c.golden);
    EXPECT_EQ(report, golden);
    if (report != golden) {
      // Left beside the test program for a look at the whole difference.
      std::ofstream actual(std::string(c.golden) + ".actual");
      for (const auto& line : report) actual << line << "\n";
    }
  }
}

// A state of a device stage, as it was last set.
DWORD StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state) {
  DWORD value = 0;
  kernel::d3dState.device->GetTextureStageState(stage, state, &value);
  return value;
}

DWORD RenderState(D3DRENDERSTATETYPE state) {
  DWORD value = 0;
  kernel::d3dState.device->GetRenderState(state, &value);
  return value;
}

TEST(MaterialTemplates, TheBuildLeavesTheDeviceAtTheBaseStageOnce) {
  std::vector<platform::D3DCall> calls;
  const auto lines = OnDevice(scenetest::kMode8888, nullptr, [&] {
    EXPECT_EQ(StageState(0, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
    EXPECT_EQ(StageState(0, D3DTSS_COLORARG1), static_cast<DWORD>(D3DTA_TEXTURE));
    EXPECT_EQ(StageState(0, D3DTSS_COLORARG2), static_cast<DWORD>(D3DTA_DIFFUSE));
    EXPECT_EQ(StageState(0, D3DTSS_ALPHAOP), static_cast<DWORD>(D3DTOP_MODULATE));
    EXPECT_EQ(StageState(0, D3DTSS_MAGFILTER), static_cast<DWORD>(D3DTFG_LINEAR));
    EXPECT_EQ(StageState(0, D3DTSS_MINFILTER), static_cast<DWORD>(D3DTFN_LINEAR));
    EXPECT_EQ(StageState(0, D3DTSS_MIPFILTER), static_cast<DWORD>(D3DTFP_LINEAR));
    EXPECT_EQ(StageState(0, D3DTSS_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_WRAP));
    EXPECT_EQ(StageState(0, D3DTSS_TEXTURETRANSFORMFLAGS), static_cast<DWORD>(D3DTTFF_DISABLE));
    // Every stage holds the base stage; the cascade ends at stage 1.
    EXPECT_EQ(StageState(1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_DISABLE));
    for (DWORD stage = 1; stage < 8; ++stage) {
      EXPECT_EQ(StageState(stage, D3DTSS_COLORARG1), static_cast<DWORD>(D3DTA_TEXTURE)) << stage;
      EXPECT_EQ(StageState(stage, D3DTSS_MIPFILTER), static_cast<DWORD>(D3DTFP_LINEAR)) << stage;
    }
    EXPECT_EQ(RenderState(D3DRENDERSTATE_TEXTUREFACTOR), 0u);
    EXPECT_EQ(RenderState(D3DRENDERSTATE_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCALPHA));
    EXPECT_EQ(RenderState(D3DRENDERSTATE_DESTBLEND), static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
    for (const cMatTemplate* t : materialTemplates)
      if (t)
        for (const auto& pass : t->passes)
          for (const auto* texture : pass->textures) EXPECT_EQ(texture, nullptr);
    // A second build finds the table and changes nothing.
    cMatTemplate* first = materialTemplates[0];
    platform::Hardware().observeD3D = [&](const platform::D3DCall& c) { calls.push_back(c); };
    BuildMaterialTemplates();
    platform::Hardware().observeD3D = nullptr;
    EXPECT_EQ(materialTemplates[0], first);
  });
  EXPECT_TRUE(calls.empty());
  int reports = 0;
  for (const auto& line : lines) reports += line.rfind("Material template #0 ", 0) == 0;
  EXPECT_EQ(reports, 1);
}

// One stage sampling a texture, refused until its mipmaps are off.
TEST(RenderStage, ValidationRelaxesTheFiltersOfOneTexturedStage) {
  OnDevice(scenetest::kMode8888, nullptr, [] {
    std::unique_ptr<VOXA2::video::kernelTexture> texture(
        VOXA2::video::kernelTexture::FromPicture(2, 2));
    ASSERT_NE(texture, nullptr);
    platform::Hardware().validateDevice = [](IDirect3DDevice7& d) -> HRESULT {
      DWORD mip = 0;
      d.GetTextureStageState(0, D3DTSS_MIPFILTER, &mip);
      return mip == D3DTFP_NONE ? D3D_OK : D3DERR_TOOMANYOPERATIONS;
    };
    auto filters = [](const TextureStage& s) {
      return std::to_string(s.magFilter) + std::to_string(s.minFilter) + std::to_string(s.mipFilter);
    };
    auto linear = [](TextureStage* s) {
      s->SetMagFilter(1);
      s->SetMinFilter(1);
      s->SetMipFilter(2);
    };
    cRenderStage one;
    linear(one.AddStage(nullptr));
    one.textures[0] = texture.get();
    EXPECT_TRUE(cRenderStage::Validate(&one));
    EXPECT_EQ(filters(*one.stages[0]), "000");

    cRenderStage two;
    linear(two.AddStage(nullptr));
    linear(two.AddStage(nullptr));
    two.textures[0] = two.textures[1] = texture.get();
    EXPECT_FALSE(cRenderStage::Validate(&two));
    EXPECT_EQ(filters(*two.stages[0]), "112");
    EXPECT_EQ(filters(*two.stages[1]), "112");

    cRenderStage nine;
    for (int i = 0; i < 9; ++i) nine.AddStage(nullptr);
    std::vector<platform::D3DCall> calls;
    platform::Hardware().observeD3D = [&](const platform::D3DCall& c) { calls.push_back(c); };
    EXPECT_FALSE(cRenderStage::Validate(&nine));
    EXPECT_FALSE(cRenderStage::Validate(nullptr));
    platform::Hardware().observeD3D = nullptr;
    EXPECT_TRUE(calls.empty());
    platform::Hardware().validateDevice = nullptr;
  });
}

TEST(RenderStage, CopiesAreIndependent) {
  cRenderStage source;
  TextureStage* stage = source.AddStage(nullptr);
  const float matrix[16] = {2, 0, 0, 0.5f, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  stage->SetTextureMatrix(matrix);
  source.diffuse = 0xFF102030u;
  std::unique_ptr<cRenderStage> copy(cRenderStage::Create(source));
  copy->stages[0]->SetMagFilter(4);
  copy->stages[0]->SetTextureMatrix(nullptr);
  copy->diffuse = 0;
  EXPECT_EQ(source.stages[0]->magFilter, 0u);
  ASSERT_NE(source.stages[0]->coordMatrix, nullptr);
  EXPECT_EQ(source.stages[0]->coordMatrix[3], 0.5f);
  EXPECT_EQ(source.diffuse, 0xFF102030u);
}

TEST(RenderStage, EnvironmentMappingOnSeveralPassesOrTransparentAddsAPass) {
  // Neither road tries the device: no device is needed.
  for (bool opaque : {true, false}) {
    cMatTemplate t;
    t.AddPass(std::make_unique<cRenderStage>());
    if (opaque) t.AddPass(std::make_unique<cRenderStage>());
    const int before = t.passes[0]->StageCount();
    cRenderStage::AddEnvironmentMapping(&t, 1, opaque, nullptr, nullptr);
    EXPECT_EQ(t.passes[0]->StageCount(), before);
    EXPECT_EQ(t.reflectionMapSlot.pass, t.PassCount() - 1);
    EXPECT_EQ(t.reflectionMapSlot.stage, 0);
    EXPECT_EQ(t.reflectionAmountTarget.kind, opaque ? sPosition::kNone : sPosition::kMaterial);
    EXPECT_EQ(t.passes.back()->destBlend, kBlendOne);
  }
}

TEST(MaterialTemplates, ADeviceChangeRebuildsTheTableForTheNewDevice) {
  OnDevice(scenetest::kMode8888, nullptr, [] {
    ASSERT_EQ(Plan(materialTemplates[8]), "F");
    platform::Hardware().validateDevice = scenetest::RefuseAll;
    ASSERT_TRUE(Apply3DSettings());
    EXPECT_EQ(Plan(materialTemplates[8]), "B, T");
    platform::Hardware().validateDevice = nullptr;
  });
}

TEST(MaterialTemplates, WithoutADummyTextureNothingIsBuilt) {
  OnDevice(scenetest::kMode8888, nullptr, [] {
    FreeMaterialTemplates();
    platform::Hardware().surfaceResult = [](const DDSURFACEDESC2& d) -> HRESULT {
      return (d.ddsCaps.dwCaps & DDSCAPS_TEXTURE) ? DDERR_OUTOFVIDEOMEMORY : DD_OK;
    };
    EXPECT_EQ(VOXA2::video::kernelTexture::FromPicture(2, 2), nullptr);
    try {
      BuildMaterialTemplates();
      ADD_FAILURE() << "built without a dummy texture";
    } catch (VOXA::errors::eError* e) {
      EXPECT_STREQ(e->GetMessage(), "Out of memory: Could not create dummy texture!() object!");
      delete e;
    }
    for (const cMatTemplate* t : materialTemplates) EXPECT_EQ(t, nullptr);
    platform::Hardware().surfaceResult = nullptr;
  });
}

TEST(MaterialTemplates, FreeingAnEmptyTableDoesNothing) {
  FreeMaterialTemplates();
  FreeMaterialTemplates();
  for (const cMatTemplate* t : materialTemplates) EXPECT_EQ(t, nullptr);
}

}  // namespace

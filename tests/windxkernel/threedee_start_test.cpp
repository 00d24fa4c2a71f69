// The 3D layer's start-up table, its matrix inverses, and the material,
// light and texture-stage operations, seen through the calls that reach the
// device and the device's resulting state.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/windxkernel/threedee_support.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/material.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/vertexarray.h"

using threedeetest::Recorder;
using threedeetest::With3D;
namespace td = VOXA2::threedee;

namespace {

IDirect3DDevice7* Device() { return kernel::d3dState.device; }

DWORD State(D3DRENDERSTATETYPE s) {
  DWORD v = 0;
  Device()->GetRenderState(s, &v);
  return v;
}

DWORD Stage(DWORD stage, D3DTEXTURESTAGESTATETYPE s) {
  DWORD v = 0;
  Device()->GetTextureStageState(stage, s, &v);
  return v;
}

bool HasLineWith(const std::vector<std::string>& lines, const std::string& text) {
  for (auto& l : lines)
    if (l.find(text) != std::string::npos) return true;
  return false;
}

}  // namespace

TEST(ThreedeeStart, SetupReachesTheDefaultTableWithoutAFailure) {
  auto log = With3D([](Recorder&) {
    td::Setup3DDevice();
    const DWORD h = td::IsHardwareRasterizer() ? TRUE : FALSE;
    struct Case {
      D3DRENDERSTATETYPE state;
      DWORD value;
    } cases[] = {
        {D3DRENDERSTATE_ANTIALIAS, D3DANTIALIAS_NONE},
        {D3DRENDERSTATE_ZENABLE, D3DZB_FALSE},
        {D3DRENDERSTATE_ZWRITEENABLE, FALSE},
        {D3DRENDERSTATE_ZFUNC, D3DCMP_LESSEQUAL},
        {D3DRENDERSTATE_FILLMODE, D3DFILL_SOLID},
        {D3DRENDERSTATE_SHADEMODE, D3DSHADE_GOURAUD},
        {D3DRENDERSTATE_CULLMODE, D3DCULL_NONE},
        {D3DRENDERSTATE_SRCBLEND, D3DBLEND_ONE},
        {D3DRENDERSTATE_DESTBLEND, D3DBLEND_ZERO},
        {D3DRENDERSTATE_ALPHAREF, 0},
        {D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATER},
        {D3DRENDERSTATE_DITHERENABLE, h},
        {D3DRENDERSTATE_FOGENABLE, FALSE},
        {D3DRENDERSTATE_FOGVERTEXMODE, D3DFOG_LINEAR},
        {D3DRENDERSTATE_FOGTABLEMODE, D3DFOG_NONE},
        {D3DRENDERSTATE_SPECULARENABLE, FALSE},
        {D3DRENDERSTATE_LOCALVIEWER, TRUE},
        {D3DRENDERSTATE_TEXTUREFACTOR, 0},
        {D3DRENDERSTATE_AMBIENT, 0},
        {D3DRENDERSTATE_NORMALIZENORMALS, TRUE},
        {D3DRENDERSTATE_VERTEXBLEND, D3DVERTEXBLEND_DISABLE},
        {D3DRENDERSTATE_CLIPPLANEENABLE, 0},
        {D3DRENDERSTATE_ALPHABLENDENABLE, TRUE},
        {D3DRENDERSTATE_ALPHATESTENABLE, TRUE},
        {D3DRENDERSTATE_CLIPPING, TRUE},
        {D3DRENDERSTATE_LIGHTING, TRUE},
        {D3DRENDERSTATE_COLORKEYENABLE, FALSE},
        {D3DRENDERSTATE_COLORKEYBLENDENABLE, FALSE},
    };
    for (const Case& c : cases) EXPECT_EQ(State(c.state), c.value) << c.state;
    float plane[4];
    Device()->GetClipPlane(7, plane);
    EXPECT_EQ(plane[0], 1.0f);
    EXPECT_EQ(plane[1], 0.0f);
    // Stage 0 modulates the texture with the current colour; the rest are off.
    EXPECT_EQ(Stage(0, D3DTSS_COLOROP), DWORD{D3DTOP_MODULATE});
    EXPECT_EQ(Stage(0, D3DTSS_ALPHAOP), DWORD{D3DTOP_MODULATE});
    EXPECT_EQ(Stage(0, D3DTSS_COLORARG1), D3DTA_TEXTURE);
    EXPECT_EQ(Stage(0, D3DTSS_COLORARG2), D3DTA_CURRENT);
    EXPECT_EQ(Stage(0, D3DTSS_MAGFILTER), h ? D3DTFG_LINEAR : D3DTFG_POINT);
    EXPECT_EQ(Stage(0, D3DTSS_MIPFILTER), D3DTFP_NONE);
    EXPECT_EQ(Stage(0, D3DTSS_TEXTURETRANSFORMFLAGS), D3DTTFF_DISABLE);
    for (DWORD s = 1; s < 8; ++s) {
      EXPECT_EQ(Stage(s, D3DTSS_COLOROP), DWORD{D3DTOP_DISABLE}) << s;
      EXPECT_EQ(Stage(s, D3DTSS_TEXCOORDINDEX), s);
    }
    EXPECT_NE(td::GetTextureStage(0), nullptr);
    EXPECT_EQ(td::GetTextureStage(1), nullptr);
    D3DMATERIAL7 m{};
    Device()->GetMaterial(&m);
    EXPECT_EQ(m.diffuse.r, 1.0f);
    EXPECT_EQ(m.ambient.g, 1.0f);
    EXPECT_EQ(m.specular.b, 0.0f);
    td::DeleteTextureStages();
  });
  EXPECT_FALSE(HasLineWith(log, "Failure in file"));
  EXPECT_FALSE(HasLineWith(log, "Validate() failed"));
}

TEST(ThreedeeMatrices, InvertAndInvertRotation) {
  // Rotation by 90 degrees about z with translation (1, 2, 3).
  td::Matrix4 m{{0, -1, 0, 1, 1, 0, 0, 2, 0, 0, 1, 3, 0, 0, 0, 1}}, out{};
  td::Matrix4::Invert(out, m);
  const float want[16] = {0, 1, 0, -2, -1, 0, 0, 1, 0, 0, 1, -3, 0, 0, 0, 1};
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(out.m[i], want[i], 1e-6) << i;
  td::Matrix4::InvertRotation(out, m);
  const float rotation[16] = {0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(out.m[i], rotation[i], 1e-6) << i;
  td::Matrix4 scale{{2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1}};
  td::Matrix4::InvertRotation(out, scale);
  for (int i : {0, 5, 10}) EXPECT_FLOAT_EQ(out.m[i], 0.5f);
}

TEST(TextureStagesKernel, DisablingStageThreeReenablesTheStagesBelow) {
  With3D([](Recorder& r) {
    td::Setup3DDevice();  // stages 1 to 7 end off
    r.Clear();
    td::DisableTextureStage(3);
    auto calls = r.Of("SetTextureStageState");
    // Stage 1: three colour states, three alpha states; stage 2 the same;
    // stage 3 is already off and is sent nothing.
    ASSERT_EQ(calls.size(), 12u);
    const DWORD order[6] = {D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2,
                            D3DTSS_ALPHAOP, D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2};
    for (size_t i = 0; i < calls.size(); ++i) {
      EXPECT_EQ(calls[i].a, 1 + i / 6) << i;
      EXPECT_EQ(calls[i].b, order[i % 6]) << i;
    }
    EXPECT_EQ(calls[0].c, DWORD{D3DTOP_MODULATE});
    EXPECT_NE(td::GetTextureStage(2), nullptr);
    EXPECT_EQ(td::GetTextureStage(3), nullptr);
    EXPECT_EQ(td::GetTextureStage(-1), nullptr);
    EXPECT_EQ(td::GetTextureStage(8), nullptr);
    // An unchanged operation on an enabled stage sends nothing.
    r.Clear();
    td::GetTextureStage(1)->SetColorOp(td::GetTextureStage(1)->colorOp);
    EXPECT_TRUE(r.Of("SetTextureStageState").empty());
    td::DeleteTextureStages();
  });
}

TEST(TextureStagesKernel, CameraSpaceNormalWithoutAMatrixSendsTheRemap) {
  With3D([](Recorder&) {
    td::Setup3DDevice();
    td::GetTextureStage(0)->SetCameraSpaceNormal(true);
    EXPECT_EQ(Stage(0, D3DTSS_TEXCOORDINDEX), D3DTSS_TCI_CAMERASPACENORMAL);
    EXPECT_EQ(Stage(0, D3DTSS_TEXTURETRANSFORMFLAGS), D3DTTFF_COUNT2);
    D3DMATRIX t{};
    Device()->GetTransform(D3DTRANSFORMSTATE_TEXTURE0, &t);
    // The transpose of rows (.5 0 0 .5) (0 -.5 0 .5) (0 0 0 1) (0 0 0 1).
    const float want[16] = {0.5f, 0, 0, 0, 0, -0.5f, 0, 0, 0, 0, 0, 0, 0.5f, 0.5f, 1, 1};
    const float* got = &t._11;
    for (int i = 0; i < 16; ++i) EXPECT_EQ(got[i], want[i]) << i;
    // A coordinate matrix after it: the product, remap first.
    const float shift[16] = {1, 0, 0, 0.25f, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    td::GetTextureStage(0)->SetTextureMatrix(shift);
    Device()->GetTransform(D3DTRANSFORMSTATE_TEXTURE0, &t);
    EXPECT_EQ(t._41, 0.75f);
    EXPECT_EQ(t._42, 0.5f);
    td::DeleteTextureStages();
  });
}

TEST(MaterialKernel, MaterialLightsAndValidation) {
  auto log = With3D([](Recorder& r) {
    td::Setup3DDevice();
    td::DeviceMaterial m{{}, 0xFF000000, 0x80FF8000, 0, 0, 2.0f};
    td::SetMaterial(&m);
    D3DMATERIAL7 got{};
    Device()->GetMaterial(&got);
    EXPECT_EQ(got.diffuse.r, 1.0f);
    EXPECT_NEAR(got.diffuse.g, 128 / 255.0f, 1e-6);
    EXPECT_NEAR(got.diffuse.a, 128 / 255.0f, 1e-6);
    EXPECT_EQ(got.power, 2.0f);
    td::SetMaterial(nullptr);
    Device()->GetMaterial(&got);
    EXPECT_EQ(got.diffuse.r, 1.0f);
    EXPECT_EQ(got.diffuse.g, 1.0f);

    r.Clear();
    td::DeviceLight light{2, {1, 2, 3}, {0, 0, 1}, 0, 0xFFFFFFFF, 0, 10, 1, 0.5f, 1, 1, 0, 0};
    td::SetLight(-1, &light);
    EXPECT_TRUE(r.calls.empty());
    td::SetLight(3, &light);
    D3DLIGHT7 l{};
    Device()->GetLight(3, &l);
    EXPECT_EQ(l.dltType, D3DLIGHT_POINT);
    EXPECT_EQ(l.dvPosition.z, 3.0f);
    BOOL on = FALSE;
    Device()->GetLightEnable(3, &on);
    EXPECT_TRUE(on);
    light.type = 0;
    td::SetLight(3, &light);
    Device()->GetLightEnable(3, &on);
    EXPECT_FALSE(on);

    // Argument index 2 is no argument: validation says so.
    td::TextureStage desc;
    desc.colorOp.arg1.Set(2, 0, 0);
    desc.colorOp.operation = 2;
    desc.alphaOp.operation = 0;
    td::SetTextureStageOp(0, &desc);
    EXPECT_FALSE(td::ValidateTextureStages());
    EXPECT_EQ(td::GetThreedeeOption(2), nullptr);
    td::DeleteTextureStages();
  });
  EXPECT_TRUE(HasLineWith(log, "      Unsupported color arg"));
}

// The flare test: a probe point drawn under the depth test and read back,
// with the probed pixel restored whatever the answer.
#include <gtest/gtest.h>

#include "tests/windxkernel/threedee_support.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/material.h"
#include "windxkernel/viewport.h"

using threedeetest::Recorder;
using threedeetest::With3D;
namespace td = VOXA2::threedee;

namespace {

DWORD PixelAt(IDirectDrawSurface7* s, int x, int y) {
  const int bytes = static_cast<int>(s->format().dwRGBBitCount / 8);
  return platform::pixels::Read(s->pixels() + y * s->pitch() + x * bytes, bytes);
}

void FillBack(DWORD rgb) {
  IDirectDrawSurface7* back = kernel::videoState.back;
  DDBLTFX fx{sizeof fx, platform::pixels::Pack(back->format(), rgb)};
  back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

}  // namespace

TEST(Flares, VisibleInFrontHiddenBehindAndThePixelKeepsItsColour) {
  With3D([](Recorder&) {
    td::Setup3DDevice();
    IDirectDrawSurface7* back = kernel::videoState.back;
    ASSERT_NE(back, nullptr);
    ASSERT_TRUE(td::ClearViewport(1.0f));
    for (DWORD colour : {0x102030u, 0xF0E0D0u}) {  // a white probe, then a black one
      FillBack(colour);
      ASSERT_TRUE(td::BeginScene());
      float p[3] = {0, 0, 0.5f};  // the middle of the viewport at depth 0.5
      const DWORD before = PixelAt(back, back->width() / 2, back->height() / 2);
      EXPECT_TRUE(td::FlareVisibilityTest(p));
      const int px = static_cast<int>(p[0]), py = static_cast<int>(p[1]);
      EXPECT_EQ(PixelAt(back, px, py), before);
      td::EndScene();
    }
    // A nearer quad over the whole viewport hides the flare.
    ASSERT_TRUE(td::BeginScene());
    IDirect3DDevice7* d = kernel::d3dState.device;
    d->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_TRUE);
    d->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, TRUE);
    const float w = static_cast<float>(back->width()), h = static_cast<float>(back->height());
    struct {
      float x, y, z, rhw;
      DWORD c;
    } quad[4] = {{0, 0, 0.2f, 1, 0xFF405060},
                 {w, 0, 0.2f, 1, 0xFF405060},
                 {w, h, 0.2f, 1, 0xFF405060},
                 {0, h, 0.2f, 1, 0xFF405060}};
    ASSERT_EQ(d->DrawPrimitive(D3DPT_TRIANGLEFAN, D3DFVF_XYZRHW | D3DFVF_DIFFUSE, quad, 4, 0),
              D3D_OK);
    d->SetRenderState(D3DRENDERSTATE_ZENABLE, D3DZB_FALSE);
    d->SetRenderState(D3DRENDERSTATE_ZWRITEENABLE, FALSE);
    float p[3] = {0, 0, 0.5f};
    const DWORD before = PixelAt(back, back->width() / 2, back->height() / 2);
    EXPECT_FALSE(td::FlareVisibilityTest(p));
    EXPECT_EQ(PixelAt(back, static_cast<int>(p[0]), static_cast<int>(p[1])), before);
    // The probe left the device's states as they were.
    DWORD z = 0;
    d->GetRenderState(D3DRENDERSTATE_ZENABLE, &z);
    EXPECT_EQ(z, D3DZB_FALSE);
    // A point behind the camera fails the projection and stays as it was.
    float behind[3] = {0, 0, -1};
    EXPECT_FALSE(td::FlareVisibilityTest(behind));
    EXPECT_EQ(behind[2], -1.0f);
    td::EndScene();
    td::DeleteTextureStages();
  });
}

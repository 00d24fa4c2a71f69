#include "windxkernel/rendermodes.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/windxkernel/threedee_support.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/vertexarray.h"

using threedeetest::Recorder;
using threedeetest::With3D;
using VOXA2::threedee::SetFog;
using VOXA2::threedee::SetRenderMode;

namespace {

struct Sent {
  DWORD state, value;
};

std::vector<Sent> States(const Recorder& r) {
  std::vector<Sent> out;
  for (auto& c : r.Of("SetRenderState")) out.push_back({c.a, c.b});
  return out;
}

float AsFloat(DWORD v) {
  float f;
  std::memcpy(&f, &v, 4);
  return f;
}

}  // namespace

TEST(RenderModes, ARepeatedValueReachesTheDeviceOnce) {
  With3D([](Recorder& rec) {
    EXPECT_TRUE(SetRenderMode(5, 0, 4u));
    EXPECT_TRUE(SetRenderMode(5, 0, 4u));
    EXPECT_TRUE(SetRenderMode(3, 0u));
    EXPECT_TRUE(SetRenderMode(3, 0u));
    auto s = States(rec);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].state, static_cast<DWORD>(D3DRENDERSTATE_SRCBLEND));
    EXPECT_EQ(s[0].value, D3DBLEND_SRCALPHA);
    EXPECT_EQ(s[1].state, static_cast<DWORD>(D3DRENDERSTATE_SHADEMODE));
    EXPECT_EQ(s[1].value, D3DSHADE_FLAT);
  });
}

struct MapCase {
  const char* name;
  std::uint32_t kind, sub, value;
  DWORD state, sent;
};

TEST(RenderModes, SystemIndicesMapToDirect3DValues) {
  const MapCase cases[] = {
      {"compare order", 1, 3, 3, D3DRENDERSTATE_ZFUNC, D3DCMP_NOTEQUAL},
      {"compare equal", 1, 3, 4, D3DRENDERSTATE_ZFUNC, D3DCMP_EQUAL},
      {"alpha compare", 6, 1, 6, D3DRENDERSTATE_ALPHAFUNC, D3DCMP_GREATER},
      {"dest colour before dest alpha", 5, 1, 6, D3DRENDERSTATE_DESTBLEND, D3DBLEND_DESTCOLOR},
      {"dest alpha", 5, 1, 8, D3DRENDERSTATE_DESTBLEND, D3DBLEND_DESTALPHA},
      {"bias above 16", 1, 2, 40, D3DRENDERSTATE_ZBIAS, 16},
      {"depth on", 1, 0, 5, D3DRENDERSTATE_ZENABLE, D3DZB_TRUE},
      {"alpha reference", 6, 0, 0x80FFFFFF, D3DRENDERSTATE_ALPHAREF, 128},
  };
  for (const MapCase& c : cases) {
    With3D([&](Recorder& rec) {
      EXPECT_TRUE(SetRenderMode(c.kind, c.sub, c.value)) << c.name;
      auto s = States(rec);
      ASSERT_EQ(s.size(), 1u) << c.name;
      EXPECT_EQ(s[0].state, c.state) << c.name;
      EXPECT_EQ(s[0].value, c.sent) << c.name;
    });
  }
}

TEST(RenderModes, BiasIsCachedAfterItsClamp) {
  With3D([](Recorder& rec) {
    SetRenderMode(1, 2, 40u);
    EXPECT_TRUE(SetRenderMode(1, 2, 16u));
    EXPECT_EQ(States(rec).size(), 1u);
  });
}

TEST(RenderModes, DepthUsesWWhenWBufferingIsInUse) {
  With3D([](Recorder& rec) {
    VOXA2::threedee::wBufferingInUse = true;
    SetRenderMode(1, 0, 1);
    ASSERT_EQ(States(rec).size(), 1u);
    EXPECT_EQ(States(rec)[0].value, D3DZB_USEW);
  });
}

TEST(RenderModes, AlphaReferenceComparesTheWholeColour) {
  With3D([](Recorder& rec) {
    SetRenderMode(6, 0, 0x80FFFFFFu);
    SetRenderMode(6, 0, 0x80000000u);
    auto s = States(rec);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[1].value, 128u);
  });
}

TEST(RenderModes, UnknownKindsAndSubKindsAreRefusedSilently) {
  With3D([](Recorder& rec) {
    EXPECT_FALSE(SetRenderMode(8, 2, 1u));
    EXPECT_FALSE(SetRenderMode(10));
    EXPECT_FALSE(SetRenderMode(16, 0u));
    EXPECT_FALSE(SetRenderMode(1, 4, 1u));
    EXPECT_FALSE(SetRenderMode(0, 0, 3u));  // no such antialias index
    EXPECT_TRUE(States(rec).empty());
    EXPECT_FALSE(SetFog(5, 1.0f));
  });
}

TEST(RenderModes, FogModeSendsBothTableAndVertexStates) {
  With3D([](Recorder& rec) {
    SetRenderMode(8, 5, 0u);  // vertex fog
    rec.Clear();
    EXPECT_TRUE(SetRenderMode(8, 5, 1u));
    auto s = States(rec);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].state, static_cast<DWORD>(D3DRENDERSTATE_FOGVERTEXMODE));
    EXPECT_EQ(s[0].value, D3DFOG_NONE);
    EXPECT_EQ(s[1].state, static_cast<DWORD>(D3DRENDERSTATE_FOGTABLEMODE));
    EXPECT_EQ(s[1].value, D3DFOG_LINEAR);
    rec.Clear();
    SetRenderMode(8, 7, 0u);  // EXP
    s = States(rec);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[1].value, D3DFOG_EXP);
  });
}

TEST(RenderModes, ClipPlaneMaskIsSentOnlyWhenItChanges) {
  With3D([](Recorder& rec) {
    SetRenderMode(15, 0, 3u);
    SetRenderMode(15, 0, 3u);
    auto s = States(rec);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].state, static_cast<DWORD>(D3DRENDERSTATE_CLIPPLANEENABLE));
    EXPECT_EQ(s[0].value, 8u);
    SetRenderMode(15, 1, 3u);
    ASSERT_EQ(States(rec).size(), 2u);
    EXPECT_EQ(States(rec)[1].value, 0u);
  });
}

TEST(RenderModes, ClipPlanesAreCachedByTheirFourValues) {
  With3D([](Recorder& rec) {
    EXPECT_TRUE(VOXA2::threedee::SetClipPlane(2, 1, 0, 0, 5));
    EXPECT_TRUE(VOXA2::threedee::SetClipPlane(2, 1, 0, 0, 5));
    EXPECT_EQ(rec.Of("SetClipPlane").size(), 1u);
  });
}

TEST(RenderModes, AChangeDrawsQueuedTrianglesFirst) {
  With3D([](Recorder& rec) {
    VOXA2::threedee::VertexFormat f;
    f.position = f.reciprocalW = f.diffuse = true;
    f.GetVertexSize();
    auto* batch = VOXA2::threedee::CreateBatch(f, 2048, 4096);
    ASSERT_TRUE(VOXA2::threedee::BeginScene());
    std::uint16_t* area = nullptr;
    std::uint16_t base = 0;
    ASSERT_NE(batch->AddIndices(3, 3, &area, &base), nullptr);
    for (int i = 0; i < 3; ++i) area[i] = static_cast<std::uint16_t>(i);
    rec.Clear();
    SetRenderMode(4, 1u);
    ASSERT_GE(rec.calls.size(), 2u);
    EXPECT_EQ(rec.calls.front().method, "DrawIndexedPrimitiveVB");
    EXPECT_EQ(rec.calls.back().method, "SetRenderState");
    EXPECT_FALSE(VOXA2::threedee::PrimitivesPending());
  });
}

struct FogCase {
  const char* name;
  bool wFog;
  float projection10, projection11;
  float value, sent;
};

// Near 1 and far 101: element 10 = 101/100, element 11 = −101/100.
TEST(RenderModes, FogStartBecomesAnEyeDistanceUnderWFog) {
  const FogCase cases[] = {{"perspective", true, 1.01f, -1.01f, 0.5f, 51.0f},
                           {"identity projection", true, 1.0f, 0.0f, 0.5f, 0.5f},
                           {"orthographic", true, 0.0f, 0.5f, 0.25f, 0.25f},
                           {"no W fog", false, 1.01f, -1.01f, 0.5f, 0.5f}};
  for (const FogCase& c : cases) {
    With3D([&](Recorder& rec) {
      VOXA2::threedee::wFogInUse = c.wFog;
      VOXA2::threedee::Matrix4 p = VOXA2::threedee::identityMatrix;
      p.m[10] = c.projection10;
      p.m[11] = c.projection11;
      p.m[14] = c.projection10 != 1.0f || c.projection11 != 0.0f ? 1.0f : 0.0f;
      VOXA2::threedee::SetTransform(VOXA2::threedee::kTransformProjection, p.m);
      rec.Clear();
      EXPECT_TRUE(SetFog(2, c.value)) << c.name;
      auto s = States(rec);
      ASSERT_EQ(s.size(), 1u) << c.name;
      EXPECT_EQ(s[0].state, static_cast<DWORD>(D3DRENDERSTATE_FOGSTART));
      EXPECT_NEAR(AsFloat(s[0].value), c.sent, 1e-3) << c.name;
    });
  }
}

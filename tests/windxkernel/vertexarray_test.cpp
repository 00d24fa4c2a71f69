#include "windxkernel/vertexarray.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/windxkernel/display_support.h"
#include "tests/windxkernel/threedee_support.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/video.h"
#include "windxkernel/viewport.h"

using threedeetest::Recorder;
using threedeetest::With3D;
using VOXA2::threedee::CreateBatch;
using VOXA2::threedee::TriangleBatch;
using VOXA2::threedee::VertexArray;
using VOXA2::threedee::VertexFormat;

namespace {

VertexFormat Format(bool position, bool rhw, bool normal, bool diffuse, bool specular,
                    std::uint32_t weights, std::uint32_t sets) {
  VertexFormat f;
  f.position = position;
  f.reciprocalW = rhw;
  f.normal = normal;
  f.diffuse = diffuse;
  f.specular = specular;
  f.blendWeightCount = weights;
  f.textureSetCount = sets;
  f.GetVertexSize();
  return f;
}

struct LayoutCase {
  const char* name;
  VertexFormat format;
  std::uint32_t size, fvf;
  std::uint32_t rhw, weights, normal, diffuse, specular, texture;
};

}  // namespace

TEST(VertexFormat, SizesCodesAndOffsets) {
  const LayoutCase cases[] = {
      {"lit mesh", Format(true, false, true, true, false, 0, 1), 36,
       D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1, 0, 12, 12, 24, 0, 28},
      {"screen sprite", Format(true, true, false, true, true, 0, 1), 32, 0x1C4, 12, 16, 0, 16, 20,
       24},
      {"six weights add bytes only", Format(true, false, false, false, false, 6, 0), 36, D3DFVF_XYZ,
       0, 12, 0, 0, 0, 36},
      {"two weights and a normal", Format(true, false, true, false, false, 2, 0), 32,
       D3DFVF_XYZB2 | D3DFVF_NORMAL, 0, 12, 20, 0, 0, 32},
      {"five weights, two sets", Format(true, false, false, true, false, 5, 2), 52,
       D3DFVF_XYZB5 | D3DFVF_DIFFUSE | (2u << 8), 0, 12, 0, 32, 0, 36},
  };
  for (const LayoutCase& c : cases) {
    VOXA2::threedee::VertexPointer p = VOXA2::threedee::MakeVertexPointer(c.format);
    EXPECT_EQ(c.format.vertexSize, c.size) << c.name;
    EXPECT_EQ(p.stride, c.size) << c.name;
    EXPECT_EQ(p.fvf, c.fvf) << c.name;
    EXPECT_EQ(p.position, 0u) << c.name;
    EXPECT_EQ(p.reciprocalW, c.rhw) << c.name;
    EXPECT_EQ(p.blendWeights, c.weights) << c.name;
    EXPECT_EQ(p.normal, c.normal) << c.name;
    EXPECT_EQ(p.diffuse, c.diffuse) << c.name;
    EXPECT_EQ(p.specular, c.specular) << c.name;
    EXPECT_EQ(p.textureCoords, c.texture) << c.name;
    // The device reads the same layout from the code, except for the six weights
    // that no code can express.
    if (c.format.blendWeightCount <= 5) {
      EXPECT_EQ(FVFVertexSize(p.fvf), c.size) << c.name;
    }
  }
}

TEST(VertexPointer, CopyIfGivenIgnoresANullSource) {
  VOXA2::threedee::VertexPointer a, b;
  a.stride = 7;
  b.stride = 9;
  VOXA2::threedee::VertexPointer::CopyIfGiven(&a, nullptr);
  EXPECT_EQ(a.stride, 7u);
  VOXA2::threedee::VertexPointer::CopyIfGiven(&a, &b);
  EXPECT_EQ(a.stride, 9u);
}

TEST(VertexArray, NoDeviceNoArray) {
  displaytest::Environment env;
  EXPECT_EQ(VertexArray::Create(false, 4, Format(true, false, false, true, false, 0, 0)), nullptr);
}

TEST(VertexArray, RefusedDeviceBufferGivesNoArray) {
  With3D([](Recorder&) {
    platform::Hardware().createVertexBufferResult = DDERR_OUTOFMEMORY;
    EXPECT_EQ(VertexArray::Create(true, 4, Format(true, false, false, true, false, 0, 0)), nullptr);
    platform::Hardware().createVertexBufferResult = D3D_OK;
  });
}

TEST(VertexArray, SetVerticesBetweenFormatsLeavesExtraComponentsAlone) {
  With3D([](Recorder&) {
    VertexArray* src = VertexArray::Create(false, 3, Format(true, false, false, true, false, 0, 0));
    VertexArray* dst = VertexArray::Create(true, 2, Format(true, false, false, true, true, 0, 1));
    ASSERT_NE(src, nullptr);
    ASSERT_NE(dst, nullptr);
    for (int i = 0; i < 3; ++i) {
      float pos[3] = {float(i), float(i) + 0.5f, 1};
      std::uint32_t color = 0xFF000000u + static_cast<std::uint32_t>(i);
      std::memcpy(src->data + i * 16, pos, 12);
      std::memcpy(src->data + i * 16 + 12, &color, 4);
    }
    ASSERT_TRUE(dst->Lock(0));
    std::memset(dst->data, 0xAB, 2 * dst->pointer.stride);
    dst->Unlock();
    VertexArray::SetVertices(dst, src, 0, -1, 0, 0);  // the whole source, clamped to 2
    ASSERT_TRUE(dst->Lock(0));
    for (int i = 0; i < 2; ++i) {
      const std::uint8_t* v = dst->data + i * dst->pointer.stride;
      float x;
      std::uint32_t color, specular;
      std::memcpy(&x, v, 4);
      std::memcpy(&color, v + dst->pointer.diffuse, 4);
      std::memcpy(&specular, v + dst->pointer.specular, 4);
      EXPECT_EQ(x, float(i));
      EXPECT_EQ(color, 0xFF000000u + static_cast<std::uint32_t>(i));
      EXPECT_EQ(specular, 0xABABABABu);
      EXPECT_EQ(v[dst->pointer.textureCoords], 0xAB);
    }
    dst->Unlock();
    delete src;
    delete dst;
  });
}

TEST(DrawPrimitive, ClampsTheRangeAndRefusesEmptyOnes) {
  auto lines = With3D([](Recorder& rec) {
    VertexArray* a = VertexArray::Create(false, 5, Format(true, true, false, true, false, 0, 0));
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(VOXA2::threedee::BeginScene());
    rec.Clear();
    VOXA2::threedee::DrawPrimitive(3, a, 1, 99);  // through the last vertex
    VOXA2::threedee::DrawPrimitive(3, a, 3, 2);   // reversed
    VOXA2::threedee::DrawPrimitive(6, a, 0, 2);   // no such kind
    auto draws = rec.Of("DrawPrimitive");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].a, static_cast<DWORD>(D3DPT_TRIANGLELIST));
    EXPECT_EQ(draws[0].c, 4u);
    delete a;
  });
  for (auto& line : lines) EXPECT_EQ(line.find("DrawPrimitive() failed"), std::string::npos);
}

TEST(DrawPrimitive, LightingFollowsTheFormatAndIsSentOnlyOnChange) {
  With3D([](Recorder& rec) {
    VertexArray* flat =
        VertexArray::Create(false, 3, Format(true, false, false, true, false, 0, 0));
    VertexArray* lit = VertexArray::Create(false, 3, Format(true, false, true, true, false, 0, 0));
    ASSERT_TRUE(VOXA2::threedee::BeginScene());
    rec.Clear();
    VOXA2::threedee::DrawPrimitive(3, flat, 0, 2);
    VOXA2::threedee::DrawPrimitive(3, flat, 0, 2);
    VOXA2::threedee::DrawPrimitive(3, lit, 0, 2);
    auto states = rec.Of("SetRenderState");
    ASSERT_EQ(states.size(), 2u);
    EXPECT_EQ(states[0].a, static_cast<DWORD>(D3DRENDERSTATE_LIGHTING));
    EXPECT_EQ(states[0].b, 0u);
    EXPECT_EQ(states[1].b, 1u);
    delete flat;
    delete lit;
  });
}

TEST(DrawPrimitive, AFailedDrawIsLogged) {
  auto lines = With3D([](Recorder&) {
    VertexArray* a = VertexArray::Create(false, 3, Format(true, true, false, true, false, 0, 0));
    VOXA2::threedee::DrawPrimitive(3, a, 0, 2);  // no scene is open
    delete a;
  });
  EXPECT_EQ(displaytest::CountLines(lines,
                                    "DrawPrimitive() failed! (D3DERR_SCENE_NOT_IN_SCENE, unknown)"),
            1);
}

TEST(TriangleBatch, ReservesUntilFullThenFlushesOnce) {
  With3D([](Recorder& rec) {
    TriangleBatch* b = CreateBatch(Format(true, true, false, true, false, 0, 0), 2048, 4096);
    ASSERT_TRUE(VOXA2::threedee::BeginScene());
    rec.Clear();
    std::uint16_t* area = nullptr;
    std::uint16_t base = 0;
    for (int i = 0; i < 512; ++i) {
      ASSERT_NE(b->AddIndices(4, 6, &area, &base), nullptr);
      ASSERT_EQ(base, 4 * i);
      for (int k = 0; k < 6; ++k) area[k] = static_cast<std::uint16_t>(base + k % 4);
    }
    EXPECT_TRUE(VOXA2::threedee::PrimitivesPending());
    EXPECT_TRUE(rec.Of("DrawIndexedPrimitiveVB").empty());
    ASSERT_NE(b->AddIndices(4, 6, &area, &base), nullptr);
    EXPECT_EQ(base, 0);
    auto draws = rec.Of("DrawIndexedPrimitiveVB");
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].a, static_cast<DWORD>(D3DPT_TRIANGLELIST));
    EXPECT_EQ(draws[0].c, 2048u);
    EXPECT_EQ(draws[0].d, 3072u);
  });
}

TEST(TriangleBatch, LargeRequestRemakesTheArrayRoundedToEight) {
  With3D([](Recorder&) {
    TriangleBatch* b = CreateBatch(Format(true, true, false, true, false, 0, 0), 2048, 4096);
    std::uint16_t* area = nullptr;
    std::uint16_t base = 0;
    ASSERT_NE(b->AddIndices(3001, 3, &area, &base), nullptr);
    EXPECT_EQ(b->vertexArray->vertexCount, 3008);
    EXPECT_EQ(base, 0);
  });
}

TEST(TriangleBatch, IndexListGrowsInSteps) {
  With3D([](Recorder&) {
    TriangleBatch* b = CreateBatch(Format(true, true, false, true, false, 0, 0), 2048, 4096);
    std::uint16_t* area = nullptr;
    std::uint16_t base = 0;
    ASSERT_NE(b->AddIndices(4, 4090, &area, &base), nullptr);
    ASSERT_NE(b->AddIndices(4, 12, &area, &base), nullptr);
    EXPECT_EQ(b->indexCapacity, 4112);
    EXPECT_EQ(area, b->indexList + 4090);
  });
}

TEST(TriangleBatch, FlushWithNothingPendingDrawsNothing) {
  With3D([](Recorder& rec) {
    CreateBatch(Format(true, true, false, true, false, 0, 0), 2048, 4096);
    rec.Clear();
    VOXA2::threedee::FlushPrimitives();
    EXPECT_TRUE(rec.Of("DrawIndexedPrimitiveVB").empty());
    EXPECT_FALSE(VOXA2::threedee::PrimitivesPending());
  });
}

TEST(TriangleBatch, WithoutADeviceReservesNothing) {
  displaytest::Environment env;
  TriangleBatch* b = CreateBatch(Format(true, true, false, true, false, 0, 0), 2048, 4096);
  std::uint16_t* area = nullptr;
  std::uint16_t base = 0;
  EXPECT_EQ(b->AddIndices(4, 6, &area, &base), nullptr);
  const std::uint32_t generation = VOXA2::threedee::BatchGeneration();
  VOXA2::threedee::DestroyBatches();
  EXPECT_EQ(VOXA2::threedee::BatchGeneration(), generation + 1);
}

// Queued quads reach the back buffer when the scene ends.
TEST(TriangleBatch, QueuedQuadsAreDrawnAtTheEndOfTheScene) {
  With3D([](Recorder&) {
    struct V {
      float x, y, z, rhw;
      std::uint32_t color;
    };
    TriangleBatch* b = CreateBatch(Format(true, true, false, true, false, 0, 0), 2048, 4096);
    VOXA2::threedee::ResetViewport();
    ASSERT_TRUE(VOXA2::threedee::ClearViewport(1.0f));
    ASSERT_TRUE(VOXA2::threedee::BeginScene());
    std::uint16_t* area = nullptr;
    std::uint16_t base = 0;
    for (int q = 0; q < 2; ++q) {
      VertexArray* s = b->AddIndices(4, 6, &area, &base);
      ASSERT_NE(s, nullptr);
      float x0 = 10.0f + 20 * q;
      V v[4] = {{x0, 10, 0.5f, 1, 0xFFFFFFFF},
                {x0 + 10, 10, 0.5f, 1, 0xFFFFFFFF},
                {x0, 20, 0.5f, 1, 0xFFFFFFFF},
                {x0 + 10, 20, 0.5f, 1, 0xFFFFFFFF}};
      std::memcpy(s->pointer.vertex, v, sizeof v);
      const std::uint16_t local[6] = {0, 1, 2, 2, 1, 3};
      for (int k = 0; k < 6; ++k) area[k] = static_cast<std::uint16_t>(base + local[k]);
    }
    VOXA2::threedee::EndScene();
    EXPECT_FALSE(VOXA2::threedee::PrimitivesPending());
    IDirectDrawSurface7* back = kernel::videoState.back;
    auto pixel = [&](int x, int y) {
      int bpp = static_cast<int>(back->format().dwRGBBitCount / 8);
      return platform::pixels::Unpack(
          back->format(),
          platform::pixels::Read(back->pixels() + y * back->pitch() + x * bpp, bpp));
    };
    EXPECT_EQ(pixel(15, 15), 0xFFFFFFu);
    EXPECT_EQ(pixel(35, 15), 0xFFFFFFu);
    EXPECT_EQ(pixel(25, 15), 0u);
  });
}

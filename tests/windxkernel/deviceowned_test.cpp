#include "windxkernel/deviceowned.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "tests/windxkernel/threedee_support.h"
#include "windxkernel/3dkernel.h"

using threedeetest::Recorder;
using threedeetest::With3D;
using VOXA2::threedee::BatchHandle;
using VOXA2::threedee::CreateBatch;
using VOXA2::threedee::TriangleBatch;
using VOXA2::threedee::VertexFormat;

namespace {

VertexFormat ScreenFormat() {
  VertexFormat f;
  f.position = true;
  f.reciprocalW = true;
  f.diffuse = true;
  f.GetVertexSize();
  return f;
}

TriangleBatch* NewBatch() { return CreateBatch(ScreenFormat(), 2048, 4096); }

// Queues one white quad; false when the batch had no room to give.
bool QueueQuad(TriangleBatch* batch) {
  struct V {
    float x, y, z, rhw;
    std::uint32_t color;
  };
  std::uint16_t* area = nullptr;
  std::uint16_t base = 0;
  VOXA2::threedee::VertexArray* s = batch->AddIndices(4, 6, &area, &base);
  if (!s) return false;
  const V v[4] = {{10, 10, 0.5f, 1, 0xFFFFFFFF},
                  {20, 10, 0.5f, 1, 0xFFFFFFFF},
                  {10, 20, 0.5f, 1, 0xFFFFFFFF},
                  {20, 20, 0.5f, 1, 0xFFFFFFFF}};
  std::memcpy(s->pointer.vertex, v, sizeof v);
  const std::uint16_t local[6] = {0, 1, 2, 2, 1, 3};
  for (int k = 0; k < 6; ++k) area[k] = static_cast<std::uint16_t>(base + local[k]);
  return true;
}

}  // namespace

// The device going away frees the batch; the handle then answers null, a new
// device does not bring the old batch back, and a batch made on the new device
// works. The handle's destructor leaves the freed batch alone (ASan would see a
// second delete).
TEST(DeviceOwned, KeptBatchAcrossADeviceReleaseAndRebuild) {
  With3D([](Recorder& recorder) {
    BatchHandle kept(NewBatch());
    ASSERT_NE(kept.get(), nullptr);
    ASSERT_NE(kept->vertexArray, nullptr);
    VOXA2::threedee::Release3DKernel();
    EXPECT_EQ(kept.get(), nullptr);
    EXPECT_FALSE(kept);
    VOXA2::threedee::Init3DKernel();
    EXPECT_EQ(kept.get(), nullptr);

    kept.reset(NewBatch());
    ASSERT_NE(kept.get(), nullptr);
    ASSERT_TRUE(QueueQuad(kept.get()));
    recorder.Clear();
    ASSERT_TRUE(VOXA2::threedee::BeginScene());
    VOXA2::threedee::EndScene();
    EXPECT_EQ(recorder.Of("DrawIndexedPrimitiveVB").size(), 1u);
  });
}

TEST(DeviceOwned, DestructorAfterAReleaseFreesNothing) {
  With3D([](Recorder&) {
    {
      BatchHandle kept(NewBatch());
      ASSERT_TRUE(QueueQuad(kept.get()));
      VOXA2::threedee::Release3DKernel();
    }
    EXPECT_FALSE(VOXA2::threedee::PrimitivesPending());
  });
}

// A handle of the current generation frees its batch, which draws what it
// still queued; a move hands the batch over whole, and assigning over a live
// handle frees the batch it held.
TEST(DeviceOwned, LiveHandlesFreeTheirBatchOnce) {
  With3D([](Recorder& recorder) {
    BatchHandle first(NewBatch());
    ASSERT_TRUE(QueueQuad(first.get()));
    TriangleBatch* batch = first.get();
    BatchHandle second(std::move(first));
    EXPECT_EQ(first.get(), nullptr);
    EXPECT_EQ(second.get(), batch);
    EXPECT_TRUE(VOXA2::threedee::PrimitivesPending());

    recorder.Clear();
    second = BatchHandle(NewBatch());
    EXPECT_FALSE(VOXA2::threedee::PrimitivesPending());
    EXPECT_EQ(recorder.Of("DrawIndexedPrimitiveVB").size(), 1u);
    EXPECT_NE(second.get(), nullptr);

    ASSERT_TRUE(QueueQuad(second.get()));
    recorder.Clear();
    second.reset();
    EXPECT_EQ(second.get(), nullptr);
    EXPECT_FALSE(VOXA2::threedee::PrimitivesPending());
    EXPECT_EQ(recorder.Of("DrawIndexedPrimitiveVB").size(), 1u);
  });
}

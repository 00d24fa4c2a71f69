#include "windxkernel/viewport.h"

#include <gtest/gtest.h>

#include "platform/fakehardware.h"
#include "tests/windxkernel/threedee_support.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/deviceoptions.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/video.h"

using threedeetest::Recorder;
using threedeetest::With3D;
namespace td = VOXA2::threedee;

namespace {

struct ViewportCase {
  const char* name;
  int left, top, right, bottom;
  int keptLeft, keptTop, keptRight, keptBottom;
};

}  // namespace

TEST(Viewport, EdgesAreClampedToTheDrawingArea) {
  const ViewportCase cases[] = {
      {"beyond every edge", -5, -5, 10000, 10000, 0, 0, 639, 479},
      {"reversed", 50, 50, 10, 10, 50, 50, 50, 50},
      {"inside", 10, 20, 109, 219, 10, 20, 109, 219},
  };
  for (const ViewportCase& c : cases) {
    With3D([&](Recorder& rec) {
      td::SetViewport(c.left, c.top, c.right, c.bottom);
      EXPECT_EQ(td::GetViewportLeft(), c.keptLeft) << c.name;
      EXPECT_EQ(td::GetViewportTop(), c.keptTop) << c.name;
      EXPECT_EQ(td::GetViewportRight(), c.keptRight) << c.name;
      EXPECT_EQ(td::GetViewportBottom(), c.keptBottom) << c.name;
      EXPECT_EQ(td::GetViewportWidth(), c.keptRight - c.keptLeft + 1) << c.name;
      auto sent = rec.Of("SetViewport");
      ASSERT_EQ(sent.size(), 1u) << c.name;
      EXPECT_EQ(sent[0].a, static_cast<DWORD>(c.keptLeft));
      EXPECT_EQ(sent[0].c, static_cast<DWORD>(c.keptRight - c.keptLeft + 1));
      td::SetViewport(c.left, c.top, c.right, c.bottom);
      EXPECT_EQ(rec.Of("SetViewport").size(), 1u) << c.name;
    });
  }
}

TEST(Viewport, ClearSetsDepthInsideTheViewportOnly) {
  With3D([](Recorder&) {
    td::ResetViewport();
    ASSERT_TRUE(td::ClearViewport(0.0f));
    td::SetViewport(10, 10, 19, 19);
    ASSERT_TRUE(td::ClearViewport(2.0f));  // taken as 1.0
    IDirectDrawSurface7* z = kernel::d3dState.zBuffer;
    int bytes = static_cast<int>(z->format().dwZBufferBitDepth / 8);
    auto depth = [&](int x, int y) {
      return platform::pixels::Read(z->pixels() + y * z->pitch() + x * bytes, bytes) &
             z->format().dwZBitMask;
    };
    EXPECT_EQ(depth(15, 15), z->format().dwZBitMask);
    EXPECT_EQ(depth(10, 19), z->format().dwZBitMask);
    EXPECT_EQ(depth(20, 15), 0u);
    EXPECT_EQ(depth(9, 9), 0u);
  });
}

struct ProjectCase {
  const char* name;
  float point[3];
  bool inside;
  float screen[3];
};

// A camera at the origin looking along +z, near 1 and far 101, 90° wide.
TEST(Viewport, ProjectToScreenFollowsTheViewportMapping) {
  const float n = 1, f = 101;
  const ProjectCase cases[] = {
      {"centre", {0, 0, 51}, true, {320, 240, (f / (f - n)) * (1 - n / 51)}},
      {"up and right", {25.5f, 25.5f, 51}, true, {480, 120, (f / (f - n)) * (1 - n / 51)}},
      {"behind the camera", {0, 0, -5}, false, {}},
      {"left of the view", {-60, 0, 51}, false, {}},
      {"beyond the far plane", {0, 0, 200}, false, {}},
  };
  for (const ProjectCase& c : cases) {
    With3D([&](Recorder&) {
      td::ResetViewport();
      td::Matrix4 p{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, f / (f - n), -n * f / (f - n), 0, 0, 1, 0}};
      td::SetTransform(td::kTransformProjection, p.m);
      float point[3] = {c.point[0], c.point[1], c.point[2]};
      EXPECT_EQ(td::ProjectToScreen(point), c.inside) << c.name;
      const float* want = c.inside ? c.screen : c.point;
      for (int i = 0; i < 3; ++i) EXPECT_NEAR(point[i], want[i], 1e-3) << c.name << " " << i;
    });
  }
}

TEST(DeviceOptions, DeviceChoiceAcceptsOnlyListedDevices) {
  With3D([](Recorder&) {
    td::chosenDeviceIndex = 0;
    td::optionDevice.SetValue(static_cast<int>(kernel::d3dDevices.size()));
    td::optionDevice.SetValue(-1);
    EXPECT_EQ(td::chosenDeviceIndex, 0);
    td::optionDevice.SetValue(1);
    EXPECT_EQ(td::chosenDeviceIndex, 1);
    EXPECT_STREQ(td::optionDevice.GetLabel(), "3D device:");
    EXPECT_EQ(td::optionDevice.GetKind(), 1);
    EXPECT_EQ(td::optionDevice.GetValue(), kernel::d3dState.currentDevice);
    EXPECT_STREQ(td::optionDevice.GetValueName(0), kernel::d3dDevices[0]->description.c_str());
    EXPECT_EQ(td::optionDevice.GetValueName(2), nullptr);
  });
}

TEST(DeviceOptions, WBufferSwitchStoresAFlag) {
  td::optionWBuffer.SetValue(7);
  EXPECT_TRUE(td::wBufferingInUse);
  EXPECT_EQ(td::optionWBuffer.GetValue(), 1);
  td::optionWBuffer.SetValue(0);
  EXPECT_FALSE(td::wBufferingInUse);
  EXPECT_EQ(td::optionWBuffer.GetKind(), 0);
  EXPECT_STREQ(td::optionWBuffer.GetLabel(), "Enable Alternate Depth Buffering (W-Buffering)");
  EXPECT_EQ(td::optionWBuffer.GetValueName(0), nullptr);
}

// The demo on the headless display: its buffers, the loading picture, and a
// whole run frame by frame against the application clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/headless.h"
#include "script/parser.h"
#include "tests/demo/demo_fixture.h"
#include "tests/support/display_fixture.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/video.h"

namespace demotest {
namespace {

using namespace VOXA2;

class DemoOnDisplay : public DemoTest {
 protected:
  void SetUp() override {
    testsupport::ResetProcessState();
    DemoTest::SetUp();
  }
  void TearDown() override {
    DemoTest::TearDown();
    testsupport::ResetProcessState();
  }

  void RunWithDisplay(const char* commandLine, const std::function<void()>& body) {
    EXPECT_EQ(testsupport::RunWithDevices(commandLine, body), 0);
  }

  // Compiles with the application's clock rather than the test's own.
  bool CompileOnKernelClock(const std::string& text) {
    Files()["demo.txt"] = text;
    demo = std::make_unique<cVOXAdemo>();
    return demo->Load("demo.txt");
  }
};

void* SymbolSurface(cVOXAdemo* demo, std::size_t index) { return demo->surfaces.at(index); }

// The script's buffers are the demo's own and go with it; the shared temporary
// surface stays with the video device and is never one of them.
TEST_F(DemoOnDisplay, BuffersAreReleasedWithTheDemoAndNeverAliasTheSharedSurface) {
  RunWithDisplay("debugmode", [&] {
    video::kernelSurface* shared = video::kernelSurface::CreateTemporary();
    const std::size_t before = kernel::videoState.temporary.size();
    ASSERT_TRUE(Compile("buffer trail; buffer glow;"));
    ASSERT_EQ(demo->surfaces.size(), 5u);
    EXPECT_EQ(SymbolSurface(demo.get(), 0), video::GetFrontSurface());
    EXPECT_EQ(SymbolSurface(demo.get(), 1), video::GetBackSurface());
    EXPECT_EQ(SymbolSurface(demo.get(), 2), shared);
    EXPECT_NE(SymbolSurface(demo.get(), 3), shared);
    EXPECT_NE(SymbolSurface(demo.get(), 4), SymbolSurface(demo.get(), 3));
    EXPECT_EQ(kernel::videoState.temporary.size(), before + 2);
    demo.reset();
    EXPECT_EQ(kernel::videoState.temporary.size(), before);
    EXPECT_EQ(video::kernelSurface::CreateTemporary(), shared);
  });
}

// A picture that paints one pixel at its corner, in the 32-bit screen format.
class DotPicture : public cLoadingPicture {
 public:
  std::int32_t Width() const override { return 100; }
  std::int32_t Height() const override { return 51; }
  void Draw(void* pixels, int pitch, std::int32_t width, std::int32_t height, std::int32_t left,
            std::int32_t top) override {
    drawnAt = {left, top};
    clip = {width, height};
    auto* row = static_cast<std::uint8_t*>(pixels) + top * pitch;
    reinterpret_cast<std::uint32_t*>(row)[left] = 0x00FF00;
  }
  std::pair<int, int> drawnAt{-1, -1}, clip{0, 0};
};

std::uint32_t PixelAt(video::kernelSurface* surface, int x, int y) {
  void* pixels = nullptr;
  int pitch = 0;
  EXPECT_TRUE(surface->Lock(&pixels, &pitch, 1));
  std::uint32_t value =
      reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(pixels) + y * pitch)[x];
  surface->Unlock();
  return value & 0xFFFFFF;
}

TEST_F(DemoOnDisplay, LoadingPictureIsCentredOnBothScreenBuffers) {
  RunWithDisplay("debugmode windowed", [&] {
    DotPicture picture;
    Files()["demo.txt"] = "main() { eod 1; }";
    demo = std::make_unique<cVOXAdemo>();
    demo->loadingPicture = &picture;
    ASSERT_TRUE(demo->Load("demo.txt"));
    const int x = (screenInfo.width - 100) / 2, y = (screenInfo.height - 51) / 2;
    EXPECT_EQ(picture.drawnAt, std::make_pair(x, y));
    EXPECT_EQ(picture.clip, std::make_pair(screenInfo.width, screenInfo.height));
    EXPECT_EQ(PixelAt(video::GetBackSurface(), x, y), 0x00FF00u);
    EXPECT_EQ(PixelAt(video::GetBackSurface(), x + 1, y), 0u);
  });
}

// A demo made of probes runs on the application's clock until its end.
TEST_F(DemoOnDisplay, CompiledDemoRunsFrameByFrameUntilItsEnd) {
  DWORD tick = 1000;
  platform::SetTickSource([&] { return tick; });
  RunWithDisplay("debugmode", [&] {
    ASSERT_TRUE(CompileOnKernelClock(
        "buffer work;"
        "pipeline show { entry 0 : 1 : probe { 1 } entry __LAST_END__ : 1 : probe { 2 } }"
        "sequence all { length 2; relative length 2; pipeline show; }"
        "main() { sequence all; bod 0.5; eod 2; }"));
    demo->Prepare();
    demo->Start();
    int frames = 0;
    float lastTime = -1;
    while (frames < 100) {
      ASSERT_TRUE(demo->Run());
      if (!demo->running) break;
      lastTime = demo->demoTime;
      frames++;
      tick += 250;
    }
    EXPECT_EQ(frames, 6);  // 0.5, 0.75, ..., 1.75
    EXPECT_FLOAT_EQ(lastTime, 1.75f);
    const auto trace = TakeTrace();
    EXPECT_EQ(trace.front(), "1 Prepare");
    EXPECT_NE(std::find(trace.begin(), trace.end(), "1 Execute(0.5,0.5,0.5)"), trace.end());
    EXPECT_NE(std::find(trace.begin(), trace.end(), "2 Execute(1.75,0.75,0.75)"), trace.end());
    demo.reset();
  });
}

TEST_F(DemoTest, LoadingPictureWithoutABackBufferFailsBeforeTheScript) {
  DotPicture picture;
  Files()["demo.txt"] = "main() { eod 1; }";
  demo = std::make_unique<cVOXAdemo>();
  demo->loadingPicture = &picture;
  EXPECT_FALSE(demo->Load("demo.txt"));
  const auto lines = LogLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Lock() failed!"), lines.end());
  EXPECT_EQ(picture.drawnAt, std::make_pair(-1, -1));
}

}  // namespace
}  // namespace demotest

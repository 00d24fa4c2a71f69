#include "windxkernel/video.h"

#include <gtest/gtest.h>

#include "platform/fakehardware.h"
#include "tests/windxkernel/display_support.h"
#include "windxkernel/application.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/nolauncher/nolauncher.h"

using displaytest::ContainsInOrder;
using displaytest::LogLines;
using displaytest::RunWithDisplay;
using VOXA2::screenInfo;
using VOXA2::video::kernelSurface;
namespace px = platform::pixels;

namespace {

void SetUpDisplay() {
  ASSERT_TRUE(kernel::DDInit());
  ASSERT_TRUE(kernel::D3DCreate());
  VOXA2::video::EnumerateVideoDevices();
}

// Every pixel of the surface's rectangle, through Lock with the pitch it reports.
std::vector<DWORD> ReadPixels(kernelSurface* s) {
  void* bits = nullptr;
  int pitch = 0;
  EXPECT_TRUE(s->Lock(&bits, &pitch, 1));
  std::vector<DWORD> out;
  int bpp = static_cast<int>((s->surface->format().dwRGBBitCount + 7) / 8);
  for (LONG y = s->rectangle->top; y < s->rectangle->bottom; ++y)
    for (LONG x = s->rectangle->left; x < s->rectangle->right; ++x)
      out.push_back(px::Read(static_cast<BYTE*>(bits) + y * pitch + x * bpp, bpp));
  s->Unlock();
  return out;
}

bool AllEqual(const std::vector<DWORD>& v, DWORD value) {
  for (DWORD p : v)
    if (p != value) return false;
  return !v.empty();
}

}  // namespace

struct ModeChange {
  const char* name;
  const char* commandLine;
  int width, height, bits;
  const char* seemsGood;
  int expectBits;
  DWORD redMask;
};
void PrintTo(const ModeChange& c, std::ostream* os) { *os << c.name; }

class VideoModeChange : public testing::TestWithParam<ModeChange> {};

TEST_P(VideoModeChange, AppliesBetweenFramesWithBlackBuffersAndANewDescription) {
  displaytest::Environment env;
  const ModeChange& c = GetParam();
  int reinitialized = 0;
  VOXA2::Hooks().reinitialize = [&] { return ++reinitialized > 0; };
  RunWithDisplay(c.commandLine, [&] {
    SetUpDisplay();
    kernelSurface* front = VOXA2::video::GetFrontSurface();
    kernelSurface* back = VOXA2::video::GetBackSurface();
    ASSERT_EQ(front->Fill(0xFF0000), DD_OK);
    ASSERT_EQ(back->Fill(0xFF0000), DD_OK);
    ASSERT_TRUE(VOXA2::video::RequestVideoMode(VOXA2::video::GetCurrentVideoDevice(), c.width,
                                               c.height, c.bits));
    EXPECT_EQ(reinitialized, 0);  // nothing happens before the next frame
    ASSERT_TRUE(VOXA2::video::ChooseVideoMode());
    EXPECT_EQ(reinitialized, 1);
    EXPECT_EQ(screenInfo.width, c.width);
    EXPECT_EQ(screenInfo.height, c.height);
    EXPECT_EQ(screenInfo.virtualWidth, c.width);
    EXPECT_EQ(screenInfo.bitsPerPixel, c.expectBits);
    EXPECT_EQ(static_cast<DWORD>(screenInfo.redMask), c.redMask);
    EXPECT_TRUE(AllEqual(ReadPixels(front), 0));
    EXPECT_TRUE(AllEqual(ReadPixels(back), 0));
    EXPECT_EQ(back->surface->width(), c.width);
    ASSERT_NE(kernel::d3dState.device, nullptr);
    EXPECT_EQ(kernel::d3dState.device->renderTarget(), back->surface);
    RECT client{};
    GetClientRect(GetApplication()->window, &client);
    if (!GetApplication()->fullScreen) {
      EXPECT_EQ(client.right, c.width);
      EXPECT_EQ(client.bottom, c.height);
    }
  });
  EXPECT_TRUE(ContainsInOrder(LogLines(), {c.seemsGood}));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, VideoModeChange,
    testing::Values(ModeChange{"WindowedLarger", "debugmode windowed", 800, 600, 0,
                               "mode 7 (800x600x32) seems good", 32, 0x00FF0000},
                    ModeChange{"FullScreenTo16Bits", "debugmode", 1024, 768, 16,
                               "mode 14 (1024x768x16) seems good", 16, 0xF800},
                    ModeChange{"FullScreenTo32Bits", "debugmode", 800, 600, 32,
                               "mode 13 (800x600x32) seems good", 32, 0x00FF0000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Video, RequestEqualToTheCurrentModeRecordsNothing) {
  displaytest::Environment env;
  int reinitialized = 0;
  VOXA2::Hooks().reinitialize = [&] { return ++reinitialized > 0; };
  RunWithDisplay("debugmode", [&] {
    SetUpDisplay();
    int device = VOXA2::video::GetCurrentVideoDevice();
    VOXA2::video::RequestVideoMode(device, 0, 0, 0);
    EXPECT_TRUE(VOXA2::video::ChooseVideoMode());
    EXPECT_EQ(reinitialized, 0);
    VOXA2::video::RequestVideoMode(device, 0, 0, 32);  // only the depth differs
    EXPECT_TRUE(VOXA2::video::ChooseVideoMode());
    EXPECT_EQ(reinitialized, 1);
    EXPECT_EQ(screenInfo.bitsPerPixel, 32);
    EXPECT_EQ(screenInfo.width, 640);
  });
}

TEST(Video, DeviceLookUpRefusesIndicesOutOfRange) {
  displaytest::Environment env;
  RunWithDisplay("debugmode", [] {
    SetUpDisplay();
    EXPECT_NE(VOXA2::video::GetVideoDevice(0), nullptr);
    EXPECT_EQ(VOXA2::video::GetVideoDevice(1), nullptr);
    EXPECT_EQ(VOXA2::video::GetVideoDevice(-1), nullptr);
    EXPECT_EQ(VOXA2::video::GetVideoDevice(0)->GetMode(-1), nullptr);
  });
}

// The shared temporary surface has a slot of its own: a demo's buffer made
// first is never handed out as the shared one.
TEST(Video, SharedTemporaryNeverAliasesADemoBuffer) {
  displaytest::Environment env;
  RunWithDisplay("debugmode", [] {
    SetUpDisplay();
    kernelSurface* buffer = kernelSurface::Create();
    kernelSurface* shared = kernelSurface::CreateTemporary();
    ASSERT_NE(buffer, nullptr);
    ASSERT_NE(shared, nullptr);
    EXPECT_NE(buffer, shared);
    EXPECT_EQ(kernelSurface::CreateTemporary(), shared);
    kernelSurface* another = kernelSurface::Create();
    EXPECT_NE(another, buffer);
    EXPECT_EQ(kernel::videoState.temporary.size(), 3u);
    VOXA2::video::FreeTemporarySurface(buffer);
    EXPECT_EQ(kernel::videoState.temporary.size(), 2u);
    EXPECT_EQ(kernelSurface::CreateTemporary(), shared);
  });
}

TEST(Video, PresentedWindowFrameCanBeWrittenAsPng) {
  displaytest::Environment env;
  RunWithDisplay("debugmode windowed", [] {
    SetUpDisplay();
    VOXA2::video::GetBackSurface()->Fill(0x2040C0);
    VOXA2::video::PresentFrame();
    const auto& frame = platform::LastPresentedFrame();
    ASSERT_EQ(frame.width, 640);
    ASSERT_EQ(frame.height, 480);
    EXPECT_EQ(frame.pixels[640 * 479 + 639], 0x2040C0u);
    ASSERT_TRUE(platform::WritePresentedFramePng("frame.png"));
  });
  std::string png = testsupport::ReadFile("frame.png");
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
}

// Lock, Fill and Copy over memory surfaces of every depth, with odd widths so
// that rows are padded and only the reported pitch finds them.
struct FormatCase {
  const char* name;
  DDPIXELFORMAT format;
};
void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }

class SurfaceFormats : public testing::TestWithParam<FormatCase> {
 protected:
  void SetUp() override {
    void* object = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr), DD_OK);
    dd_ = static_cast<IDirectDraw7*>(object);
    ASSERT_EQ(dd_->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
  }
  void TearDown() override {
    for (auto* s : surfaces_) s->Release();
    if (dd_) dd_->Release();
  }
  IDirectDrawSurface7* Make(int w, int h, const DDPIXELFORMAT& f) {
    DDSURFACEDESC2 d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    d.dwWidth = static_cast<DWORD>(w);
    d.dwHeight = static_cast<DWORD>(h);
    d.ddpfPixelFormat = f;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    IDirectDrawSurface7* s = nullptr;
    EXPECT_EQ(dd_->CreateSurface(&d, &s, nullptr), DD_OK);
    if (s) surfaces_.push_back(s);
    return s;
  }
  IDirectDraw7* dd_ = nullptr;
  std::vector<IDirectDrawSurface7*> surfaces_;
};

TEST_P(SurfaceFormats, FillAndCopyPackInTheSurfacesOwnFormatAcrossThePitch) {
  const DDPIXELFORMAT f = GetParam().format;
  RECT whole{0, 0, 13, 7};
  kernelSurface a, b;
  a.surface = Make(13, 7, f);
  b.surface = Make(13, 7, f);
  ASSERT_TRUE(a.surface && b.surface);
  a.rectangle = b.rectangle = &whole;
  int bpp = static_cast<int>(f.dwRGBBitCount / 8);
  EXPECT_GT(a.surface->pitch(), 13 * bpp - 1);

  ASSERT_EQ(a.Fill(0x336699), DD_OK);
  EXPECT_TRUE(AllEqual(ReadPixels(&a), px::Pack(f, 0x336699)));
  EXPECT_EQ(px::Unpack(f, px::Pack(f, 0xFF0000)), 0xFF0000u);

  // A corner pixel of another colour shows that the copy keeps positions.
  void* bits = nullptr;
  int pitch = 0;
  ASSERT_TRUE(a.Lock(&bits, &pitch, 2));
  px::Write(static_cast<BYTE*>(bits) + 6 * pitch + 12 * bpp, bpp, px::Pack(f, 0x00FF00));
  a.Unlock();
  ASSERT_EQ(a.Copy(&b), DD_OK);
  auto copied = ReadPixels(&b);
  EXPECT_EQ(copied.back(), px::Pack(f, 0x00FF00));
  copied.pop_back();
  EXPECT_TRUE(AllEqual(copied, px::Pack(f, 0x336699)));
  EXPECT_EQ(a.Copy(nullptr), DD_OK);
}

TEST_P(SurfaceFormats, StretchingBltConvertsFromThirtyTwoBits) {
  IDirectDrawSurface7* src = Make(2, 1, px::X8R8G8B8());
  IDirectDrawSurface7* dst = Make(5, 3, GetParam().format);
  ASSERT_TRUE(src && dst);
  DDSURFACEDESC2 d{};
  ASSERT_EQ(src->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
  static_cast<DWORD*>(d.lpSurface)[0] = 0xFF0000;
  static_cast<DWORD*>(d.lpSurface)[1] = 0x0000FF;
  src->Unlock(nullptr);
  ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  RECT whole{0, 0, 5, 3};
  kernelSurface k;
  k.surface = dst;
  k.rectangle = &whole;
  auto pixels = ReadPixels(&k);
  const DDPIXELFORMAT f = GetParam().format;
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(pixels[y * 5 + 0], px::Pack(f, 0xFF0000));
    EXPECT_EQ(pixels[y * 5 + 1], px::Pack(f, 0xFF0000));
    EXPECT_EQ(pixels[y * 5 + 3], px::Pack(f, 0x0000FF));
    EXPECT_EQ(pixels[y * 5 + 4], px::Pack(f, 0x0000FF));
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, SurfaceFormats,
                         testing::Values(FormatCase{"R5G6B5", px::R5G6B5()},
                                         FormatCase{"X1R5G5B5", px::X1R5G5B5()},
                                         FormatCase{"R8G8B8", px::R8G8B8()},
                                         FormatCase{"X8R8G8B8", px::X8R8G8B8()}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SurfaceLock, DegenerateRectangleNamesOnePixelAndOutsideRectanglesAreRefused) {
  void* object = nullptr;
  ASSERT_EQ(DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr), DD_OK);
  auto* dd = static_cast<IDirectDraw7*>(object);
  dd->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
  DDSURFACEDESC2 d{};
  d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  d.dwWidth = 9;
  d.dwHeight = 5;
  d.ddpfPixelFormat = px::R8G8B8();
  d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
  IDirectDrawSurface7* s = nullptr;
  ASSERT_EQ(dd->CreateSurface(&d, &s, nullptr), DD_OK);
  struct Row {
    RECT r;
    HRESULT expected;
    long offset;
  };
  for (Row row : {Row{{8, 4, 8, 4}, DD_OK, 4 * s->pitch() + 8 * 3},
                  Row{{9, 4, 9, 4}, DDERR_INVALIDRECT, 0}, Row{{0, 0, 10, 5}, DDERR_INVALIDRECT, 0},
                  Row{{2, 1, 4, 3}, DD_OK, 1 * s->pitch() + 2 * 3}}) {
    DDSURFACEDESC2 out{};
    EXPECT_EQ(s->Lock(&row.r, &out, DDLOCK_WAIT, nullptr), row.expected);
    if (row.expected == DD_OK) {
      EXPECT_EQ(static_cast<BYTE*>(out.lpSurface) - s->pixels(), row.offset);
      s->Unlock(&row.r);
    }
  }
  EXPECT_EQ(s->Unlock(nullptr), DDERR_NOTLOCKED);
  s->Release();
  dd->Release();
}

// A drawing area smaller than the window sits at the screen window; the
// windowed present must copy that rectangle, not the one at the origin.
TEST(Video, WindowedPresentShowsTheCentredDrawingArea) {
  displaytest::Environment env;
  RunWithDisplay("debugmode windowed", [] {
    ASSERT_TRUE(kernel::DDInit());
    kernel::videoState.virtualRequestWidth = 320;
    kernel::videoState.virtualRequestHeight = 240;
    ASSERT_TRUE(kernel::DDSetMode(kernel::videoState.currentMode));
    ASSERT_EQ(kernel::videoState.windowLeft, 160);
    IDirectDrawSurface7* back = kernel::videoState.back;
    RECT area{160, 120, 480, 360};
    DDBLTFX fx{sizeof(DDBLTFX), px::Pack(back->format(), 0xFFFF00)};
    ASSERT_EQ(back->Blt(&area, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    kernel::DDPresent();
    const auto& frame = platform::LastPresentedFrame();
    ASSERT_EQ(frame.width, 640);
    EXPECT_EQ(frame.pixels[300 * 640 + 400], 0xFFFF00u);
    EXPECT_EQ(frame.pixels[10 * 640 + 10], 0u);
  });
}

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/d3d.h"
#include "platform/dinput.h"
#include "platform/fakehardware.h"
#include "platform/headless.h"

namespace {

IDirectDraw7* FullScreenDirectDraw() {
  void* object = nullptr;
  EXPECT_EQ(DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr), DD_OK);
  auto* dd = static_cast<IDirectDraw7*>(object);
  HWND window = reinterpret_cast<HWND>(std::uintptr_t{42});
  EXPECT_EQ(dd->SetCooperativeLevel(window, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE), DD_OK);
  EXPECT_EQ(dd->SetDisplayMode(640, 480, 16, 60, 0), DD_OK);
  return dd;
}

}  // namespace

// Every surface holds its DirectDraw object: the object's count shows which
// surfaces are still alive.
TEST(DirectDrawStandIn, ReleasingTheFrontOfAFlipChainReleasesItsBackBuffer) {
  platform::ResetHardware();
  IDirectDraw7* dd = FullScreenDirectDraw();
  DDSURFACEDESC2 d{};
  d.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE;
  d.dwBackBufferCount = 1;
  IDirectDrawSurface7* front = nullptr;
  ASSERT_EQ(dd->CreateSurface(&d, &front, nullptr), DD_OK);
  DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
  IDirectDrawSurface7* back = nullptr;
  ASSERT_EQ(front->GetAttachedSurface(&caps, &back), DD_OK);
  EXPECT_EQ(back->AddRef(), 3u);  // the chain's, the look-up's and this one
  back->Release();
  back->Release();
  EXPECT_EQ(front->GetAttachedSurface(&caps, &back), DD_OK);
  back->Release();
  DDSCAPS2 mip{DDSCAPS_MIPMAP, 0, 0, 0};
  IDirectDrawSurface7* none = nullptr;
  EXPECT_EQ(front->GetAttachedSurface(&mip, &none), DDERR_NOTFOUND);
  EXPECT_EQ(dd->AddRef(), 4u);  // this one, the front and the back
  dd->Release();
  EXPECT_EQ(front->Release(), 0u);
  EXPECT_EQ(dd->Release(), 0u);
}

TEST(DirectDrawStandIn, ZBufferAttachesOnceAndOnlyAtTheSameSize) {
  platform::ResetHardware();
  IDirectDraw7* dd = FullScreenDirectDraw();
  auto make = [&](DWORD caps, int w, int h, DDPIXELFORMAT f) {
    DDSURFACEDESC2 d{};
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    d.dwWidth = static_cast<DWORD>(w);
    d.dwHeight = static_cast<DWORD>(h);
    d.ddpfPixelFormat = f;
    d.ddsCaps.dwCaps = caps;
    IDirectDrawSurface7* s = nullptr;
    EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DD_OK);
    return s;
  };
  IDirectDrawSurface7* target = make(DDSCAPS_3DDEVICE, 64, 32, platform::pixels::R5G6B5());
  IDirectDrawSurface7* z = make(DDSCAPS_ZBUFFER, 64, 32, platform::MakeZFormat(16, 0));
  IDirectDrawSurface7* small = make(DDSCAPS_ZBUFFER, 32, 32, platform::MakeZFormat(16, 0));
  EXPECT_EQ(target->AddAttachedSurface(small), DDERR_CANNOTATTACHSURFACE);
  EXPECT_EQ(target->AddAttachedSurface(z), DD_OK);
  EXPECT_EQ(target->AddAttachedSurface(z), DDERR_SURFACEALREADYATTACHED);
  EXPECT_EQ(target->DeleteAttachedSurface(0, nullptr), DDERR_SURFACENOTATTACHED);
  EXPECT_EQ(target->DeleteAttachedSurface(0, z), DD_OK);
  EXPECT_EQ(target->DeleteAttachedSurface(0, z), DDERR_SURFACENOTATTACHED);
  EXPECT_EQ(z->Release(), 0u);
  small->Release();
  target->Release();
  dd->Release();
}

TEST(DirectDrawStandIn, FullScreenModesAreTheClassicSizesInSixteenAndThirtyTwoBits) {
  platform::ResetHardware();
  IDirectDraw7* dd = FullScreenDirectDraw();
  struct Row {
    DWORD w, h, bits;
    HRESULT expected;
  };
  for (Row r : {Row{320, 200, 16, DD_OK}, Row{1920, 1080, 32, DD_OK},
                Row{640, 480, 24, DDERR_INVALIDMODE}, Row{641, 480, 16, DDERR_INVALIDMODE}})
    EXPECT_EQ(dd->SetDisplayMode(r.w, r.h, r.bits, 60, 0), r.expected)
        << r.w << "x" << r.h << "x" << r.bits;
  DDSURFACEDESC2 mode{};
  ASSERT_EQ(dd->GetDisplayMode(&mode), DD_OK);
  EXPECT_EQ(mode.dwWidth, 1920u);
  EXPECT_EQ(mode.ddpfPixelFormat.dwRBitMask, 0x00FF0000u);
  dd->RestoreDisplayMode();
  ASSERT_EQ(dd->GetDisplayMode(&mode), DD_OK);  // the desktop again
  EXPECT_EQ(mode.dwWidth, static_cast<DWORD>(GetSystemMetrics(SM_CXSCREEN)));
  dd->Release();
}

class DirectInputStandIn : public testing::Test {
 protected:
  void SetUp() override {
    platform::ResetInput();
    void* object = nullptr;
    ASSERT_EQ(
        DirectInputCreateEx(nullptr, DIRECTINPUT_VERSION, IID_IDirectInput7A, &object, nullptr),
        DI_OK);
    di_ = static_cast<IDirectInput7A*>(object);
    ASSERT_EQ(di_->CreateDeviceEx(GUID_SysKeyboard, IID_IDirectInputDevice7A, &object, nullptr),
              DI_OK);
    keyboard_ = static_cast<IDirectInputDevice7A*>(object);
    ASSERT_EQ(di_->CreateDeviceEx(GUID_SysMouse, IID_IDirectInputDevice2A, &object, nullptr),
              DI_OK);
    mouse_ = static_cast<IDirectInputDevice2A*>(object);
    keyboard_->SetDataFormat(&c_dfDIKeyboard);
    mouse_->SetDataFormat(&c_dfDIMouse);
  }
  void TearDown() override {
    keyboard_->Release();
    mouse_->Release();
    di_->Release();
  }
  IDirectInput7A* di_ = nullptr;
  IDirectInputDevice7A* keyboard_ = nullptr;
  IDirectInputDevice2A* mouse_ = nullptr;
};

TEST_F(DirectInputStandIn, KeyboardTableFollowsInjectedKeysOnlyWhileAcquired) {
  BYTE keys[256];
  EXPECT_EQ(keyboard_->GetDeviceState(256, keys), DIERR_NOTACQUIRED);
  ASSERT_EQ(keyboard_->Acquire(), DI_OK);
  platform::InjectKey(DIK_SPACE, true);
  ASSERT_EQ(keyboard_->GetDeviceState(256, keys), DI_OK);
  EXPECT_NE(keys[DIK_SPACE], 0);
  EXPECT_EQ(keys[DIK_A], 0);
  EXPECT_EQ(keyboard_->GetDeviceState(16, keys), DIERR_INVALIDPARAM);
}

// Changes between two reads, and what each following read shows: a key or
// button pressed and released between two reads is seen pressed once, and
// several taps keep their order.
TEST_F(DirectInputStandIn, ShortPressesAreLatchedUntilARead) {
  struct Row {
    const char* name;
    std::vector<std::pair<int, bool>> changes;    // key, down
    std::vector<std::vector<int>> readsPressed;  // keys seen down at each read
  };
  const Row rows[] = {
      {"tap", {{DIK_ESCAPE, true}, {DIK_ESCAPE, false}}, {{DIK_ESCAPE}, {}, {}}},
      {"two taps in order",
       {{DIK_A, true}, {DIK_A, false}, {DIK_B, true}, {DIK_B, false}},
       {{DIK_A}, {DIK_B}, {}}},
      {"overlapping presses",
       {{DIK_A, true}, {DIK_B, true}, {DIK_A, false}, {DIK_B, false}},
       {{DIK_A, DIK_B}, {}}},
      {"held key released and pressed again",
       {{DIK_A, true}, {DIK_A, false}, {DIK_A, true}},
       {{DIK_A}, {}, {DIK_A}}},
      {"auto-repeat is no change", {{DIK_A, true}, {DIK_A, true}, {DIK_A, true}}, {{DIK_A}, {DIK_A}}},
      {"double tap", {{DIK_A, true}, {DIK_A, false}, {DIK_A, true}, {DIK_A, false}},
       {{DIK_A}, {}, {DIK_A}, {}}},
  };
  for (const Row& row : rows) {
    platform::ResetInput();
    ASSERT_EQ(keyboard_->Acquire(), DI_OK);
    for (auto [key, down] : row.changes) platform::InjectKey(key, down);
    for (std::size_t read = 0; read < row.readsPressed.size(); ++read) {
      BYTE keys[256];
      ASSERT_EQ(keyboard_->GetDeviceState(256, keys), DI_OK);
      std::vector<int> pressed;
      for (int k = 0; k < 256; ++k)
        if (keys[k]) pressed.push_back(k);
      EXPECT_EQ(pressed, row.readsPressed[read]) << row.name << ", read " << read;
    }
  }
}

TEST_F(DirectInputStandIn, AClickBetweenTwoReadsIsSeenOnce) {
  ASSERT_EQ(mouse_->Acquire(), DI_OK);
  platform::InjectMouseButton(0, true);
  platform::InjectMouseButton(0, false);
  DIMOUSESTATE m{};
  ASSERT_EQ(mouse_->GetDeviceState(sizeof m, &m), DI_OK);
  EXPECT_NE(m.rgbButtons[0], 0);
  ASSERT_EQ(mouse_->GetDeviceState(sizeof m, &m), DI_OK);
  EXPECT_EQ(m.rgbButtons[0], 0);
}

TEST_F(DirectInputStandIn, FocusComingBackReportsTheLossOnceAndReacquiringReadsAgain) {
  BYTE keys[256];
  ASSERT_EQ(keyboard_->Acquire(), DI_OK);
  platform::InjectInputFocus(false);
  platform::InjectInputFocus(true);
  EXPECT_EQ(keyboard_->GetDeviceState(256, keys), DIERR_INPUTLOST);
  EXPECT_EQ(keyboard_->GetDeviceState(256, keys), DIERR_NOTACQUIRED);
  ASSERT_EQ(keyboard_->Acquire(), DI_OK);
  EXPECT_EQ(keyboard_->GetDeviceState(256, keys), DI_OK);
}

TEST_F(DirectInputStandIn, MouseCountsAreRelativeToTheLastRead) {
  ASSERT_EQ(mouse_->Acquire(), DI_OK);
  platform::InjectMouseMotion(5, -3);
  platform::InjectMouseMotion(2, 1);
  platform::InjectMouseButton(3, true);
  DIMOUSESTATE m{};
  ASSERT_EQ(mouse_->GetDeviceState(sizeof m, &m), DI_OK);
  EXPECT_EQ(m.lX, 7);
  EXPECT_EQ(m.lY, -2);
  EXPECT_NE(m.rgbButtons[3], 0);
  EXPECT_EQ(m.rgbButtons[0], 0);
  ASSERT_EQ(mouse_->GetDeviceState(sizeof m, &m), DI_OK);
  EXPECT_EQ(m.lX, 0);
  EXPECT_EQ(m.lY, 0);
}

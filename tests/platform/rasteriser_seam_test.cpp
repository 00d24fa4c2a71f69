// The Direct3D device talks to its rasteriser through raster.h, and a
// rasteriser may keep a draw pending after the call returns: whatever reads
// or writes the surfaces next must find the draw in memory.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "platform/fakehardware.h"
#include "platform/raster.h"

namespace {

constexpr DWORD kDrawn = 0x00123456;

// Writes its draws' one pixel only when asked to finish, as a rasteriser
// that bins work for threads would.
class DeferringRasteriser final : public platform::raster::Rasteriser {
 public:
  HRESULT Draw(const platform::raster::DeviceState& state, D3DPRIMITIVETYPE,
               const platform::raster::VertexLayout&, const BYTE*, int, const WORD*, int) override {
    pending_ = state.target;
    return D3D_OK;
  }
  HRESULT ClearDepth(const platform::raster::DeviceState&, const D3DRECT*, DWORD, float) override {
    return D3D_OK;
  }
  void Finish() override {
    if (!pending_) return;
    std::memcpy(pending_->memory(), &kDrawn, sizeof kDrawn);
    pending_ = nullptr;
  }

 private:
  IDirectDrawSurface7* pending_ = nullptr;
};

DWORD FirstPixel(const BYTE* p) {
  DWORD v;
  std::memcpy(&v, p, sizeof v);
  return v & 0x00FFFFFF;
}

class RasteriserSeam : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetHardware();
    platform::Hardware().devices3d[0].rasteriser = [] {
      return std::make_unique<DeferringRasteriser>();
    };
    void* object = nullptr;
    ASSERT_EQ(DirectDrawCreateEx(nullptr, &object, IID_IDirectDraw7, nullptr), DD_OK);
    dd_ = static_cast<IDirectDraw7*>(object);
    ASSERT_EQ(dd_->SetCooperativeLevel(reinterpret_cast<HWND>(std::uintptr_t{42}), DDSCL_NORMAL),
              DD_OK);
    target_ = Make(DDSCAPS_3DDEVICE);
    copy_ = Make(DDSCAPS_OFFSCREENPLAIN);
    ASSERT_EQ(dd_->QueryInterface(IID_IDirect3D7, &object), DD_OK);
    d3d_ = static_cast<IDirect3D7*>(object);
    ASSERT_EQ(d3d_->CreateDevice(platform::HardwareD3DDevice().desc.deviceGUID, target_, &device_),
              D3D_OK);
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
  }
  void TearDown() override {
    if (device_) device_->Release();
    if (d3d_) d3d_->Release();
    if (copy_) copy_->Release();
    if (target_) target_->Release();
    if (dd_) dd_->Release();
    platform::ResetHardware();
  }

  IDirectDrawSurface7* Make(DWORD caps) {
    DDSURFACEDESC2 d{};
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    d.dwWidth = d.dwHeight = 4;
    d.ddpfPixelFormat = platform::pixels::X8R8G8B8();
    d.ddsCaps.dwCaps = caps;
    IDirectDrawSurface7* s = nullptr;
    EXPECT_EQ(dd_->CreateSurface(&d, &s, nullptr), DD_OK);
    return s;
  }

  void DrawOnePoint() {
    float vertex[4] = {0.0f, 0.0f, 0.5f, 1.0f};
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_POINTLIST, D3DFVF_XYZRHW, vertex, 1, 0), D3D_OK);
    ASSERT_NE(FirstPixel(target_->memory()), kDrawn) << "the draw is meant to be pending";
  }

  IDirectDraw7* dd_ = nullptr;
  IDirectDrawSurface7* target_ = nullptr;
  IDirectDrawSurface7* copy_ = nullptr;
  IDirect3D7* d3d_ = nullptr;
  IDirect3DDevice7* device_ = nullptr;
};

struct Access {
  const char* name;
  // Touches the surfaces after the draw; returns the first pixel it sees of the drawing.
  std::function<DWORD(IDirect3DDevice7*, IDirectDrawSurface7* target, IDirectDrawSurface7* copy)>
      look;
};

TEST_F(RasteriserSeam, EverySurfaceAccessFindsPendingDrawsFinished) {
  const Access accesses[] = {
      {"Lock of the target",
       [](IDirect3DDevice7*, IDirectDrawSurface7* target, IDirectDrawSurface7*) {
         DDSURFACEDESC2 d{};
         EXPECT_EQ(target->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
         const DWORD v = FirstPixel(static_cast<const BYTE*>(d.lpSurface));
         target->Unlock(nullptr);
         return v;
       }},
      {"Blt from the target",
       [](IDirect3DDevice7*, IDirectDrawSurface7* target, IDirectDrawSurface7* copy) {
         EXPECT_EQ(copy->Blt(nullptr, target, nullptr, DDBLT_WAIT, nullptr), DD_OK);
         return FirstPixel(copy->memory());
       }},
      {"BltFast from the target",
       [](IDirect3DDevice7*, IDirectDrawSurface7* target, IDirectDrawSurface7* copy) {
         EXPECT_EQ(copy->BltFast(0, 0, target, nullptr, 0), DD_OK);
         return FirstPixel(copy->memory());
       }},
      {"EndScene",
       [](IDirect3DDevice7* device, IDirectDrawSurface7* target, IDirectDrawSurface7*) {
         EXPECT_EQ(device->EndScene(), D3D_OK);
         EXPECT_EQ(device->BeginScene(), D3D_OK);
         return FirstPixel(target->memory());
       }},
  };
  for (const Access& a : accesses) {
    std::memset(target_->memory(), 0, 4);
    DrawOnePoint();
    EXPECT_EQ(a.look(device_, target_, copy_), kDrawn) << a.name;
  }
}

}  // namespace

#include <gtest/gtest.h>

#include "platform/fakehardware.h"
#include "tests/windxkernel/display_support.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"

using displaytest::ContainsInOrder;
using displaytest::CountLines;
using displaytest::LogLines;
using displaytest::RunWithDisplay;

TEST(D3DSetup, HardwareRasterisingDeviceComesFirstWhateverTheEnumerationOrder) {
  displaytest::Environment env;
  platform::Hardware().devices3d = {platform::SoftwareD3DDevice(), platform::HardwareD3DDevice()};
  RunWithDisplay("debugmode", [] {
    ASSERT_TRUE(kernel::DDInit());
    ASSERT_TRUE(kernel::D3DCreate());
    ASSERT_EQ(kernel::d3dDevices.size(), 2u);
    EXPECT_EQ(kernel::d3dDevices[0]->name, "VOXA2 HAL");
    EXPECT_EQ(kernel::d3dState.hardwareRasterization, 1);
    EXPECT_NE(kernel::d3dState.device, nullptr);
  });
  EXPECT_TRUE(ContainsInOrder(
      LogLines(), {"Creating the Direct3D object", "  Enumerating all D3D devices",
                   "    Found \"VOXA2 RGB\" (VOXA2 reference rasteriser)", "      Accepted device",
                   "    Found \"VOXA2 HAL\" (VOXA2 rasteriser)", "      Accepted device",
                   "      The device is capable of Hardware Rasterizing",
                   "      The device is capable of Hardware Transform and Lightening",
                   "Selecting D3D rendering device \"VOXA2 HAL\" (VOXA2 rasteriser)"}));
}

TEST(D3DSetup, ZFormatsAreTriedByZBitsThenFewestStencilBits) {
  displaytest::Environment env;
  platform::Hardware().zFormats = {platform::MakeZFormat(16, 0), platform::MakeZFormat(32, 8),
                                   platform::MakeZFormat(24, 0), platform::MakeZFormat(15, 0)};
  RunWithDisplay("debugmode", [] {
    ASSERT_TRUE(kernel::DDInit());
    ASSERT_TRUE(kernel::D3DCreate());
    EXPECT_EQ(kernel::d3dState.zBuffer->format().dwZBufferBitDepth, 24u);
    EXPECT_TRUE(kernel::videoState.back->IsAttached(kernel::d3dState.zBuffer));
  });
  auto lines = LogLines();
  EXPECT_TRUE(ContainsInOrder(
      lines, {"  Enumerating all Z buffer formats",
              "    Found 16 bit Z buffer, with 16 bits for Z and 0 bits for stencil",
              "    Found 32 bit Z buffer, with 24 bits for Z and 8 bits for stencil",
              "    Found 24 bit Z buffer, with 24 bits for Z and 0 bits for stencil",
              "    Found 15 bit Z buffer, with 15 bits for Z and 0 bits for stencil",
              "      Unknown Z buffer found (15 bits)", "    found 3 Z buffer formats",
              "  Sorted by priority:", "    #0: 24 bpp, 24 bpz, 0 bps",
              "    #1: 32 bpp, 24 bpz, 8 bps", "    #2: 16 bpp, 16 bpz, 0 bps",
              "  Choosing 24 bit Z buffer (24 for Z, 0 for stencil)", "    This works..."}));
  int choosing = 0;
  for (auto& l : lines) choosing += l.rfind("  Choosing ", 0) == 0;
  EXPECT_EQ(choosing, 1);
}

TEST(D3DSetup, EveryZFormatFailingLeavesNoDeviceAndNoAttachedZBuffer) {
  displaytest::Environment env;
  platform::Hardware().createDeviceResult = [](const DDPIXELFORMAT&) { return D3DERR_INITFAILED; };
  RunWithDisplay("debugmode", [] {
    ASSERT_TRUE(kernel::DDInit());
    EXPECT_FALSE(kernel::D3DCreate());
    EXPECT_EQ(kernel::d3dState.device, nullptr);
    DDSCAPS2 caps{DDSCAPS_ZBUFFER, 0, 0, 0};
    IDirectDrawSurface7* z = nullptr;
    EXPECT_EQ(kernel::videoState.back->GetAttachedSurface(&caps, &z), DDERR_NOTFOUND);
  });
  auto lines = LogLines();
  EXPECT_EQ(CountLines(lines, "    Fatal: Failed to create D3D device"), 2);
  EXPECT_EQ(CountLines(lines, "  Fatal: No Z buffer format worked!"), 1);
}

struct FilterCase {
  const char* name;
  std::function<void(platform::FakeD3DDevice&)> change;
  int screenBytes;  // 0: the mode's own
  const char* line;
};

void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.name; }

class D3DDeviceFilter : public testing::TestWithParam<FilterCase> {};

TEST_P(D3DDeviceFilter, RefusedDeviceLeavesNoSatisfyingDevice) {
  displaytest::Environment env;
  platform::FakeD3DDevice device = platform::SoftwareD3DDevice();
  GetParam().change(device);
  platform::Hardware().devices3d = {device};
  RunWithDisplay("debugmode", [] {
    ASSERT_TRUE(kernel::DDInit());
    if (GetParam().screenBytes) kernel::videoState.bytesPerPixel = GetParam().screenBytes;
    EXPECT_FALSE(kernel::D3DCreate());
  });
  EXPECT_TRUE(
      ContainsInOrder(LogLines(), {"    Found \"VOXA2 RGB\" (VOXA2 reference rasteriser)",
                                   GetParam().line, "  Did not found any satisfying D3D device!"}));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, D3DDeviceFilter,
    testing::Values(
        FilterCase{"NoZBuffer", [](auto& d) { d.desc.dwDeviceZBufferBitDepth = 0; }, 0,
                   "      Fatal: Device does not supports a Z buffer"},
        FilterCase{"No16BitTarget", [](auto& d) { d.desc.dwDeviceRenderBitDepth = DDBD_32; }, 0,
                   "      Fatal: Device does not support rendering to a 16 bit surface"},
        FilterCase{"No32BitTarget", [](auto& d) { d.desc.dwDeviceRenderBitDepth = DDBD_16; }, 4,
                   "      Fatal: Device does not support rendering to a 32 bit surface"},
        FilterCase{"EightBitScreen", [](auto&) {}, 1, "      Fatal: Internal error (vm_bypp == 1)"},
        FilterCase{"NoGouraud", [](auto& d) { d.desc.dpcTriCaps.dwShadeCaps = 0; }, 0,
                   "      Fatal: Device does not supports gouraud shading (what the hell D3D is "
                   "trying to feed me with?!)"}),
    [](const auto& info) { return std::string(info.param.name); });

// A Z-buffer that can no longer be detached must not keep the device alive:
// the next selection has to find the back buffer free again.
TEST(D3DSetup, ReleaseAfterAFailedDetachStillReleasesDeviceAndZBuffer) {
  displaytest::Environment env;
  RunWithDisplay("debugmode", [] {
    ASSERT_TRUE(kernel::DDInit());
    ASSERT_TRUE(kernel::D3DCreate());
    kernel::d3dState.zBuffer->AddRef();  // keep it inspectable
    IDirectDrawSurface7* z = kernel::d3dState.zBuffer;
    ASSERT_EQ(kernel::videoState.back->DeleteAttachedSurface(0, z), DD_OK);
    EXPECT_FALSE(kernel::D3DReleaseDevice());
    EXPECT_EQ(kernel::d3dState.device, nullptr);
    EXPECT_EQ(kernel::d3dState.zBuffer, nullptr);
    EXPECT_EQ(z->Release(), 0u);  // only our own reference was left
    EXPECT_TRUE(kernel::D3DSelectDevice(0));
  });
}

TEST(D3DSetup, ViewportIsTheScreenWindow) {
  displaytest::Environment env;
  RunWithDisplay("debugmode", [] {
    ASSERT_TRUE(kernel::DDInit());
    ASSERT_TRUE(kernel::D3DCreate());
    D3DVIEWPORT7 vp{};
    kernel::d3dState.device->GetViewport(&vp);
    EXPECT_EQ(vp.dwX, static_cast<DWORD>(kernel::videoState.windowLeft));
    EXPECT_EQ(vp.dwWidth, static_cast<DWORD>(kernel::videoState.virtualRect.right));
    EXPECT_EQ(vp.dwHeight, static_cast<DWORD>(kernel::videoState.virtualRect.bottom));
  });
}

TEST(D3DSetup, ResultNamesCoverSharedAndUnknownCodes) {
  struct Row {
    HRESULT code;
    const char* dd;
    const char* d3d;
  };
  for (Row r : {Row{0, "DD_OK", "D3D_OK"}, Row{E_FAIL, "DDERR_GENERIC", "unknown"},
                Row{E_INVALIDARG, "DDERR_INVALIDPARAMS", "unknown"},
                Row{E_NOTIMPL, "DDERR_UNSUPPORTED", "unknown"},
                Row{E_OUTOFMEMORY, "DDERR_OUTOFMEMORY", "unknown"},
                Row{DDERR_SURFACELOST, "DDERR_SURFACELOST", "unknown"},
                Row{D3DERR_ZBUFFER_NOTPRESENT, "unknown", "D3DERR_ZBUFFER_NOTPRESENT"},
                Row{12345, "unknown", "unknown"}}) {
    EXPECT_STREQ(kernel::DDErrorName(r.code), r.dd);
    EXPECT_STREQ(kernel::D3DErrorName(r.code), r.d3d);
  }
}

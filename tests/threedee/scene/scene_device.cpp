#include "tests/threedee/scene/scene_device.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "platform/fakehardware.h"
#include "tests/support/display_fixture.h"
#include "tests/support/tempdir.h"
#include "threedee/scene/templates.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/video.h"
#include "windxkernel/nolauncher/nolauncher.h"

namespace scenetest {

namespace px = platform::pixels;

const Mode kMode565{"RGB565", px::R5G6B5, 16};
const Mode kMode8888{"XRGB8888", px::X8R8G8B8, 32};

std::uint32_t PixelAt(int x, int y) {
  IDirectDrawSurface7* s = ::kernel::videoState.back;
  const int bytes = static_cast<int>(s->format().dwRGBBitCount / 8);
  return px::Unpack(s->format(), px::Read(s->pixels() + y * s->pitch() + x * bytes, bytes)) &
         0xFFFFFFu;
}

void MaybeWritePng(const std::string& name) {
  if (const char* dir = std::getenv("VOXA2_TEST_PNG_DIR")) {
    VOXA2::video::PresentFrame();
    platform::WritePresentedFramePng(std::string(dir) + "/" + name + ".png");
  }
}

HRESULT RefuseAll(IDirect3DDevice7&) { return D3DERR_TOOMANYOPERATIONS; }

HRESULT AtMostTwoStages(IDirect3DDevice7& device) {
  int inUse = 0;
  for (DWORD stage = 0; stage < 8; ++stage) {
    DWORD op = D3DTOP_DISABLE;
    device.GetTextureStageState(stage, D3DTSS_COLOROP, &op);
    if (op == D3DTOP_DISABLE) break;
    ++inUse;
  }
  return inUse > 2 ? D3DERR_TOOMANYOPERATIONS : D3D_OK;
}

std::vector<std::string> OnDevice(const Mode& mode, const Policy& policy,
                                  const std::function<void()>& body, int width, int height) {
  testsupport::DisplayEnvironment env;
  platform::Hardware().displays[0].modes = {platform::MakeMode(width, height, mode.format())};
  platform::Hardware().validateDevice = policy;
  VOXA2::Hooks().createDeviceResources = [] { VOXA2::threedee::BuildMaterialTemplates(); };
  VOXA2::Hooks().releaseDeviceResources = [] { VOXA2::threedee::FreeMaterialTemplates(); };
  const int result = testsupport::RunWithDevices("debugmode", [&] {
    // The start-up of the kernel: the only mode offered is the one set.
    VOXA2::threedee::Init3DKernel();
    body();
    VOXA2::threedee::Release3DKernel();
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(VOXA2::threedee::materialTemplates[0], nullptr) << "freed with the device";
  return testsupport::DebugLogLines();
}

std::vector<std::string> Between(const std::vector<std::string>& lines, const std::string& from,
                                 const std::string& last) {
  std::vector<std::string> out;
  std::size_t begin = lines.size(), end = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (begin == lines.size() && lines[i] == from) begin = i;
    if (lines[i].rfind(last, 0) == 0) end = i + 1;
  }
  for (std::size_t i = begin; i < end; ++i) out.push_back(lines[i]);
  return out;
}

std::vector<std::string> DataLines(const std::string& name) {
  const char* source = std::getenv("VOXA2_SOURCE_DIR");
  EXPECT_NE(source, nullptr);
  std::vector<std::string> lines;
  if (!source) return lines;
  std::ifstream in(std::string(source) + "/tests/threedee/scene/data/" + name);
  EXPECT_TRUE(in.good()) << name;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace scenetest

#include "tests/effects2d/fx_fixture.h"

#include <algorithm>
#include <sstream>

#include "demo/command.h"
#include "effects2d/frame.h"
#include "foundation/archive.h"
#include "gui/metrics.h"
#include "platform/fakehardware.h"
#include "platform/sound_headless.h"
#include "tests/support/display_fixture.h"
#include "view3d/view3d.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/kernel.h"
#include "windxkernel/sound.h"
#include "windxkernel/video.h"

namespace fxtest {

using namespace VOXA2;
namespace px = platform::pixels;

const PixelMode kModes[3] = {
    {"RGB565", px::R5G6B5, 16}, {"RGB555", px::X1R5G5B5, 16}, {"XRGB8888", px::X8R8G8B8, 32}};

void PrintTo(const PixelMode& mode, std::ostream* os) { *os << mode.name; }

void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, std::vector<unsigned char>(text.begin(), text.end()));
}

namespace {

std::uint32_t Unpack(std::uint32_t value) {
  auto channel = [&](std::int32_t mask) {
    if (!mask) return 0u;
    std::uint32_t m = static_cast<std::uint32_t>(mask);
    int shift = 0;
    while (!(m & 1)) m >>= 1, shift++;
    int bits = 0;
    while (m & 1) m >>= 1, bits++;
    const std::uint32_t v = (value >> shift) & ((1u << bits) - 1);
    return (v << (8 - bits)) & 0xFF;
  };
  return channel(screenInfo.redMask) << 16 | channel(screenInfo.greenMask) << 8 |
         channel(screenInfo.blueMask);
}

}  // namespace

DWORD State(D3DRENDERSTATETYPE state) {
  DWORD value = 0;
  kernel::d3dState.device->GetRenderState(state, &value);
  return value;
}

DWORD StageState(D3DTEXTURESTAGESTATETYPE state) {
  DWORD value = 0;
  kernel::d3dState.device->GetTextureStageState(0, state, &value);
  return value;
}

void FxTest::SetUp() {
  testsupport::ResetProcessState();
  ClearFileAccessFunctions();
  AddFileAccessFunction(kernel::PlainFileAccess);
  ASSERT_TRUE(InitCommandRegistry());
  ASSERT_TRUE(RegisterEffects2D());
  // The sample catalogue holds a 3D demo too.
  ASSERT_TRUE(RegisterView3D());
  ASSERT_TRUE(RegisterCommands());
}

void FxTest::TearDown() {
  demo.reset();
  FreeCommandRegistry();
  FreeFileAccessLists();
  testsupport::ResetProcessState();
}

void FxTest::OnDisplay(const PixelMode& mode, const std::function<void()>& body, int width,
                       int height) {
  platform::Hardware().displays[0].modes = {platform::MakeMode(width, height, mode.format())};
  const auto onMode = [&] {
    if (!video::RequestVideoMode(video::GetCurrentVideoDevice(), width, height, mode.bits) ||
        !video::ChooseVideoMode()) {
      ADD_FAILURE() << "no video mode";
      return;
    }
    ZGUI::UpdatePixelFormat();
    body();
    demo.reset();
  };
  EXPECT_EQ(testsupport::RunWithDevices("debugmode", onMode), 0);
}

void FxTest::OnDisplayWithSound(const PixelMode& mode, const std::function<void()>& body,
                                int width, int height) {
  kernel::noSound = false;
  platform::SetHeadlessSoundDevices({});
  OnDisplay(
      mode,
      [&] {
        EnumerateSoundDevices();
        body();
        FreeSoundDevices();
      },
      width, height);
}

bool FxTest::Compile(const std::string& text) {
  WriteText("demo.txt", text);
  demo = std::make_unique<cVOXAdemo>();
  demo->clock = [this] { return now; };
  return demo->Load("demo.txt");
}

cVOXAcommand* FxTest::Command(std::size_t pipeline, std::size_t index) {
  return demo->pipelines.at(pipeline)->commands.at(index);
}

std::uint32_t FxTest::Pixel(video::voxaSurface* surface, int x, int y) {
  void* pixels = nullptr;
  int pitch = 0;
  EXPECT_TRUE(surface->Lock(&pixels, &pitch, 1));
  const auto* p = static_cast<const BYTE*>(pixels) + y * pitch + x * screenInfo.bytesPerPixel;
  const std::uint32_t value = px::Read(p, screenInfo.bytesPerPixel);
  surface->Unlock();
  return Unpack(value);
}

std::vector<unsigned char> FxTest::Bytes(video::voxaSurface* surface) {
  void* pixels = nullptr;
  int pitch = 0;
  EXPECT_TRUE(surface->Lock(&pixels, &pitch, 1));
  std::vector<unsigned char> out;
  const std::size_t row = static_cast<std::size_t>(screenInfo.width * screenInfo.bytesPerPixel);
  for (int y = 0; y < screenInfo.height; y++) {
    const auto* p = static_cast<const unsigned char*>(pixels) + y * pitch;
    out.insert(out.end(), p, p + row);
  }
  surface->Unlock();
  return out;
}

std::vector<std::string> FxTest::LogLines() const { return testsupport::DebugLogLines(); }

std::uint32_t FxTest::AsStored(std::uint32_t rgb) {
  auto cut = [](std::uint32_t c, std::int32_t bits) { return (c >> (8 - bits)) << (8 - bits); };
  return cut(rgb >> 16 & 0xFF, screenInfo.redBits) << 16 |
         cut(rgb >> 8 & 0xFF, screenInfo.greenBits) << 8 | cut(rgb & 0xFF, screenInfo.blueBits);
}

bool FxTest::LoggedPart(const std::string& text) const {
  for (const std::string& line : LogLines())
    if (line.find(text) != std::string::npos) return true;
  return false;
}

bool FxTest::Logged(const std::string& line) const {
  const auto lines = LogLines();
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace fxtest

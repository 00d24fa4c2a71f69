#include <gtest/gtest.h>

#include "platform/fakehardware.h"
#include "platform/headless.h"
#include "tests/windxkernel/display_support.h"
#include "windxkernel/ddraw.h"

using displaytest::ContainsInOrder;
using displaytest::CountLines;
using displaytest::LogLines;
using displaytest::RunWithDisplay;
namespace px = platform::pixels;

namespace {

DDPIXELFORMAT WithFlags(DWORD flags, DWORD bits) {
  DDPIXELFORMAT f{};
  f.dwSize = sizeof f;
  f.dwFlags = flags;
  f.dwRGBBitCount = bits;
  return f;
}

void UseModes(std::vector<DDSURFACEDESC2> modes) {
  platform::Hardware().displays[0].modes = std::move(modes);
}

}  // namespace

TEST(DDSetup, FullScreenModeFilterLogsEachKindAndKeepsDeepRgbModes) {
  displaytest::Environment env;
  UseModes({
      platform::MakeMode(640, 480, WithFlags(DDPF_PALETTEINDEXED8, 8)),
      platform::MakeMode(640, 480, WithFlags(DDPF_PALETTEINDEXEDTO8, 8)),
      platform::MakeMode(320, 200, WithFlags(DDPF_PALETTEINDEXED4, 4)),
      platform::MakeMode(640, 480, px::Rgb(8, 0xE0, 0x1C, 0x03)),
      platform::MakeMode(800, 600, WithFlags(DDPF_YUV, 16)),
      platform::MakeMode(800, 600, WithFlags(DDPF_ALPHA, 8)),
      platform::MakeMode(640, 480, px::R5G6B5()),
      platform::MakeMode(640, 480, px::X1R5G5B5()),
      platform::MakeMode(512, 384, px::X8R8G8B8()),
  });
  bool ok = false;
  RunWithDisplay("debugmode", [&] { ok = kernel::DDInit(); });
  EXPECT_TRUE(ok);
  auto lines = LogLines();
  EXPECT_TRUE(ContainsInOrder(
      lines,
      {"Enlisting video modes for the devices", "  Enumerating video modes for device \"display\"",
       "    640 x 480 x 8bit paletted mode detected! not enlisted...",
       "    640 x 480 x 8bit paletted mode detected (DDPF_PALETTEINDEXEDTO8)! not enlisted...",
       "    320 x 200 x 4bit paletted mode detected! not enlisted...",
       "    Unsupported 640 x 480 x 8bit RGB mode detected! not enlisted...",
       "    800 x 600 YUV mode detected! not enlisted...",
       "    Found 640 x 480 x 16bit mode (RGB565, RRRRRGGGGGGBBBBB)! enlisted...",
       "    Found 640 x 480 x 16bit mode (RGB555, 0RRRRRGGGGGBBBBB)! enlisted...",
       "    Found 512 x 384 x 32bit mode "
       "(RGB888, 00000000RRRRRRRRGGGGGGGGBBBBBBBB)! enlisted...",
       "    Accepted 3 modes"}));
  // The alpha-only format is passed over without a word.
  for (auto& l : lines) EXPECT_EQ(l.find("800 x 600 x 8bit"), std::string::npos) << l;
  ASSERT_EQ(kernel::ddDevices.size(), 0u);  // released at shutdown
}

struct BestFitCase {
  const char* name;
  std::vector<DDSURFACEDESC2> modes;
  const char* chosenLine;
  const char* setLine;
};

void PrintTo(const BestFitCase& c, std::ostream* os) { *os << c.name; }

class DDBestFit : public testing::TestWithParam<BestFitCase> {};

TEST_P(DDBestFit, ChoosesTheLastModeOfTheFirstMatchingRule) {
  displaytest::Environment env;
  UseModes(GetParam().modes);
  RunWithDisplay("debugmode", [] { EXPECT_TRUE(kernel::DDInit()); });
  auto lines = LogLines();
  EXPECT_TRUE(ContainsInOrder(lines, {"  Scanning for best fitting video mode",
                                      GetParam().chosenLine, GetParam().setLine}));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, DDBestFit,
    testing::Values(BestFitCase{"LaterRefreshRateWins",
                                {platform::MakeMode(640, 480, px::R5G6B5(), 75),
                                 platform::MakeMode(640, 480, px::R5G6B5(), 60),
                                 platform::MakeMode(320, 200, px::R5G6B5(), 60)},
                                "  Changing to desired video mode #2",
                                "Trying to set mode #2 (640x480x16)"},
                    BestFitCase{"SixteenBitsBeatTheExactHeight",
                                {platform::MakeMode(640, 480, px::X8R8G8B8()),
                                 platform::MakeMode(640, 400, px::R5G6B5())},
                                "  Changing to desired video mode #0",
                                "Trying to set mode #0 (640x400x16)"},
                    BestFitCase{"ExactSizeInAnyDepth",
                                {platform::MakeMode(640, 480, px::X8R8G8B8()),
                                 platform::MakeMode(800, 600, px::R5G6B5())},
                                "  Changing to desired video mode #0",
                                "Trying to set mode #0 (640x480x32)"},
                    BestFitCase{"NoWidthMatchTakesTheSmallest",
                                {platform::MakeMode(1024, 768, px::X8R8G8B8()),
                                 platform::MakeMode(800, 600, px::R5G6B5())},
                                "  Changing to desired video mode #0",
                                "Trying to set mode #0 (800x600x16)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DDSetup, FifteenBitModeIsReportedOnlyForFiveFiveFive) {
  struct Row {
    DDPIXELFORMAT format;
    int expected;
  };
  for (Row row : {Row{px::X1R5G5B5(), 1}, Row{px::R5G6B5(), 0}}) {
    displaytest::Environment env;
    UseModes({platform::MakeMode(640, 480, row.format)});
    RunWithDisplay("debugmode", [] { EXPECT_TRUE(kernel::DDInit()); });
    auto lines = LogLines();
    EXPECT_EQ(CountLines(lines, "    15bit compatible mode enabled!"), row.expected);
    EXPECT_EQ(CountLines(lines, "    start: 5   len: 5   mask:000000GGGGG00000"), row.expected);
  }
}

TEST(DDSetup, WindowedListsTheFixedSizesThatFitTheDesktopAndOnlyTheDefaultDevice) {
  displaytest::Environment env;
  platform::FakeDisplayDevice second;
  second.hasGuid = true;
  second.guid = GUID{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  second.name = "second";
  platform::Hardware().displays.push_back(second);
  int devices = 0, modes = 0;
  RunWithDisplay("debugmode windowed", [&] {
    EXPECT_TRUE(kernel::DDInit());
    devices = static_cast<int>(kernel::ddDevices.size());
    modes = static_cast<int>(kernel::ddDevices[0]->modes.size());
  });
  EXPECT_EQ(devices, 1);
  EXPECT_EQ(modes, 10);
  auto lines = LogLines();
  EXPECT_EQ(
      CountLines(lines, "    Fatal: In windowed mode, just the default DD device can be used"), 1);
  EXPECT_TRUE(
      ContainsInOrder(lines, {"Enumerated 1 device", "  Listing resolutions for device \"display\"",
                              "    Added 320 x 200 x 32 mode", "    Added 960 x 720 x 32 mode",
                              "    Added 1024 x 768 x 32 mode"}));
  for (auto& l : lines) EXPECT_EQ(l.find("1152 x 864"), std::string::npos) << l;
}

TEST(DDSetup, VirtualSizeIsCentredInTheScreen) {
  displaytest::Environment env;
  RunWithDisplay("debugmode", [] {
    ASSERT_TRUE(kernel::DDInit());
    int mode = -1;
    auto& modes = *kernel::videoState.modes;
    for (size_t i = 0; i < modes.size(); ++i)
      if (modes[i].dwWidth == 1024 && modes[i].dwHeight == 768) mode = static_cast<int>(i);
    ASSERT_GE(mode, 0);
    kernel::videoState.virtualRequestWidth = 800;
    kernel::videoState.virtualRequestHeight = 600;
    ASSERT_TRUE(kernel::DDSetMode(mode));
    EXPECT_EQ(kernel::videoState.virtualRect.right, 800);
    EXPECT_EQ(kernel::videoState.screenRect.right, 1024);
  });
  EXPECT_TRUE(ContainsInOrder(LogLines(), {"  virtual width: 800", "  virtual height: 600",
                                           "  screen window: (112|84)-(911|683)"}));
}

// Every device may lose its place for want of modes; selecting "device 0"
// then must not read a record that is gone.
TEST(DDSetup, NoDeviceLeftAfterRemovalsFailsWithTheErrorBox) {
  displaytest::Environment env;
  UseModes({platform::MakeMode(640, 480, WithFlags(DDPF_PALETTEINDEXED8, 8))});
  bool ok = true;
  RunWithDisplay("debugmode", [&] { ok = kernel::DDInit(); });
  EXPECT_FALSE(ok);
  auto lines = LogLines();
  EXPECT_TRUE(ContainsInOrder(lines, {"    No video modes found!", "    Removing device from list",
                                      "Sorry, but I need at least one supported device to "
                                      "continue!"}));
  ASSERT_FALSE(platform::HeadlessMessageBoxes().empty());
  EXPECT_NE(platform::HeadlessMessageBoxes().back().find("DirectDraw call failed - return FALSE"),
            std::string::npos);
  EXPECT_EQ(kernel::videoState.directDraw, nullptr);
}

TEST(DDSetup, PreferredDeviceIsTheLastWithThreeDCapabilityAndSurvivesRemovals) {
  displaytest::Environment env;
  auto& displays = platform::Hardware().displays;
  platform::FakeDisplayDevice empty = displays[0];
  empty.hasGuid = true;
  empty.guid = GUID{9, 0, 0, {0}};
  empty.name = "empty";
  empty.modes.clear();
  platform::FakeDisplayDevice later = displays[0];
  later.hasGuid = true;
  later.guid = GUID{10, 0, 0, {0}};
  later.name = "later";
  displays[0].caps = 0;
  displays.insert(displays.begin(), empty);
  displays.push_back(later);
  RunWithDisplay("debugmode", [] {
    ASSERT_TRUE(kernel::DDInit());
    EXPECT_EQ(kernel::ddDevices.size(), 2u);
    EXPECT_EQ(kernel::videoState.selectedDevice, 1);
  });
  EXPECT_TRUE(ContainsInOrder(LogLines(),
                              {"    Removing device from list", "Selecting device #1 \"later\""}));
}

TEST(DDSetup, FullScreenPresentFlipsAndRecoversALostFront) {
  displaytest::Environment env;
  RunWithDisplay("debugmode", [] {
    ASSERT_TRUE(kernel::DDInit());
    auto& v = kernel::videoState;
    ASSERT_NE(v.front, nullptr);
    ASSERT_TRUE(v.front->IsAttached(v.back));
    DDBLTFX fx{sizeof(DDBLTFX), px::Pack(v.screenFormat, 0x00FF00)};
    ASSERT_EQ(v.back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    int before = platform::LastPresentedFrame().count;
    v.front->SimulateLoss();
    kernel::DDPresent();
    const auto& frame = platform::LastPresentedFrame();
    EXPECT_EQ(frame.count, before + 1);
    EXPECT_EQ(frame.width, 640);
    EXPECT_EQ(frame.height, 480);
    EXPECT_EQ(frame.pixels[12345], 0x00FF00u);
    EXPECT_EQ(v.front->IsLost(), DD_OK);
  });
}

TEST(DDSetup, TemporarySurfaceFailureIsLoggedWithTheResultName) {
  displaytest::Environment env;
  RunWithDisplay("debugmode", [] {
    ASSERT_TRUE(kernel::DDInit());
    platform::Hardware().surfaceResult = [](const DDSURFACEDESC2& d) {
      return (d.ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY) ? DDERR_OUTOFVIDEOMEMORY : DD_OK;
    };
    EXPECT_EQ(kernel::DDNewTempSurface(), nullptr);
    platform::Hardware().surfaceResult = nullptr;
    IDirectDrawSurface7* s = kernel::DDNewTempSurface();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->width(), kernel::videoState.virtualRect.right);
    kernel::DDDeleteTempSurface(s);
    EXPECT_TRUE(kernel::videoState.temporary.empty());
  });
  EXPECT_TRUE(ContainsInOrder(LogLines(), {"Trying to create temporary surface...",
                                           "  DDNewTempSurface() failed! (DDERR_OUTOFVIDEOMEMORY)",
                                           "Trying to create temporary surface...",
                                           "  adding temporary surface to list", "  done"}));
}

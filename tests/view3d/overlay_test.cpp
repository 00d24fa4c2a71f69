// The sub-commands that draw over the frame, on the headless device: fades
// by their alpha, framed windows that narrow the viewport, the sky box's
// faces and size, and lens flares that hide behind what was drawn.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/gfxloader.h"
#include "platform/ddraw.h"
#include "platform/fakehardware.h"
#include "tests/threedee/scene/scene_builders.h"
#include "tests/threedee/scene/scene_device.h"
#include "tests/threedee/scene/track_makers.h"
#include "tests/view3d/view3d_fixture.h"
#include "threedee/scene/keyframed.h"
#include "threedee/scene/material.h"
#include "view3d/skybox.h"
#include "view3d/window.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"

namespace view3dtest {
namespace {

using namespace VOXA2;
using namespace VOXA2::threedee;
using scenetest::PixelAt;
namespace px = platform::pixels;

std::string Entry(const std::string& block) {
  return "pipeline p { entry 0 : 200 : view3D {\n" + block + "\n} }\n";
}

void Fill(std::uint32_t rgb) {
  IDirectDrawSurface7* back = kernel::videoState.back;
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = px::Pack(back->format(), rgb);
  back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

// A 2 x 2 picture of one colour, as a run-length coded 32-bit TGA file.
std::string Tga(std::uint32_t rgb) {
  std::string file(18, '\0');
  file[2] = 10;  // run-length coded true colour
  file[12] = 2;  // width
  file[14] = 2;  // height
  file[16] = 32;
  file[17] = 0x28;                  // top row first, eight bits of alpha
  file += static_cast<char>(0x83);  // one colour, four times
  file += static_cast<char>(rgb & 255);
  file += static_cast<char>(rgb >> 8 & 255);
  file += static_cast<char>(rgb >> 16 & 255);
  file += static_cast<char>(255);
  return file;
}

int Channel(std::uint32_t rgb, int k) { return static_cast<int>((rgb >> (16 - 8 * k)) & 255); }

class Overlays : public View3DTest {
 protected:
  void SetUp() override {
    View3DTest::SetUp();
    // The picture readers are the 2D effects' start-up's, made once a process.
    static const bool readers = (RegisterPictureReaders(), true);
    (void)readers;
  }
  void OnScreen(const std::string& block, const std::function<void()>& body, int width = 160,
                int height = 120) {
    width_ = width, height_ = height;
    scenetest::OnDevice(
        scenetest::kMode8888, nullptr,
        [&] {
          demotest::InstallMemoryFiles();
          for (const auto& [name, rgb] : textures_)
            demotest::Files()["textures\\" + name + ".tga"] = Tga(rgb);
          ASSERT_TRUE(Compile(Entry(block))) << [&] {
            std::string why;
            for (const std::string& line : LogLines())
              if (line.find("rror") != std::string::npos || line.find("ould") != std::string::npos)
                why += line + "\n";
            return why;
          }();
          body();
          demo.reset();
        },
        width, height);
  }
  bool Frame(float time, std::uint32_t ground = 0) {
    Fill(ground);
    return View()->Execute(time, time, time / 200);
  }

  std::vector<std::pair<std::string, std::uint32_t>> textures_;
  int width_ = 0, height_ = 0;
};

TEST_F(Overlays, FadeBlendsItsColourOverTheViewportByItsAlpha) {
  struct Row {
    const char* colour;
    std::uint32_t expected;
  };
  // Over a ground of (200, 100, 0); the alpha is cut to an integer.
  const std::vector<Row> rows = {
      {"(255, 10, 20, 250)", 0x0A14FA},
      {"(128, 0, 0, 250)", 0x64327D},
      {"(0.5, 255, 255, 255)", 0xC86400},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.colour);
    OnScreen(std::string("fade_to_color ") + row.colour + ";", [&] {
      ASSERT_TRUE(Frame(0, 0xC86400));
      for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
          for (int k = 0; k < 3; ++k)
            ASSERT_NEAR(Channel(PixelAt(x, y), k), Channel(row.expected, k), 1) << x << "," << y;
      scenetest::MaybeWritePng("overlay_fade");
    });
  }
}

// A fade whose alpha is cut to 0 leaves the device alone: a frame with it
// sends the same calls as a frame without it.
TEST_F(Overlays, FadeBelowOneAlphaSendsNothing) {
  OnScreen("if interpolate { 0: true, 10: false } fade_to_color (0.75, 255, 0, 0);", [&] {
    std::vector<std::string> calls;
    platform::Hardware().observeD3D = [&](const platform::D3DCall& c) {
      calls.push_back(c.method + " " + std::to_string(c.a) + " " + std::to_string(c.b));
    };
    ASSERT_TRUE(Frame(20));
    calls.clear();
    ASSERT_TRUE(Frame(20));
    const auto without = calls;
    calls.clear();
    ASSERT_TRUE(Frame(5));
    EXPECT_EQ(calls, without);
    platform::Hardware().observeD3D = nullptr;
  });
}

TEST_F(Overlays, WindowFramesItsRectangleAndNarrowsTheViewport) {
  OnScreen(
      "window (0.25, 0.25, 0.75, 0.75) border 2, (1, 1, 1, 1);\n"
      "fade_to_color (255, 0, 0, 255);",
      [&] {
        ASSERT_TRUE(Frame(0, 0x203040));
        // The edges on 640 x 480: 0.25 and 0.75 of 639 and 479, cut.
        const int l = 159, t = 119, r = 479, b = 359;
        for (int y = 0; y < 480; ++y)
          for (int x = 0; x < 640; ++x) {
            const bool outer = x >= l && x <= r && y >= t && y <= b;
            const bool inner = x >= l + 2 && x <= r - 2 && y >= t + 2 && y <= b - 2;
            const std::uint32_t want = inner ? 0x0000FF : outer ? 0xFFFFFF : 0x203040;
            ASSERT_EQ(PixelAt(x, y), want) << x << "," << y;
          }
        EXPECT_EQ(View()->viewWidth, r - l - 3);
        EXPECT_EQ(View()->viewHeight, b - t - 3);
        scenetest::MaybeWritePng("overlay_window");
      },
      640, 480);
}

TEST_F(Overlays, AnOverwideBorderLeavesTheMiddle) {
  OnScreen("window (0.25, 0.25, 0.75, 0.75) border 500, (1, 0, 0, 1);", [&] {
    ASSERT_TRUE(Frame(0));
    EXPECT_LE(View()->viewLeft, View()->viewRight);
    EXPECT_LE(View()->viewTop, View()->viewBottom);
    EXPECT_GE(View()->viewWidth, 1);
    EXPECT_GE(View()->viewHeight, 1);
  });
}

// The base camera looks along +z: the face turned towards +z fills the view.
TEST_F(Overlays, SkyBoxShowsTheFaceTurnedAhead) {
  const std::uint32_t colours[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF};
  for (int i = 0; i < 6; ++i)
    textures_.push_back({std::string("sky_") + cVOXA3Dskybox::kSuffixes[i], colours[i]});
  struct Row {
    const char* rotation;
    int face;
  };
  const std::vector<Row> rows = {
      {"", 5},
      {" rotation (3.14159265, 1, 0, 0)", 4},
      {" rotation (1.57079633, 1, 0, 0)", 2},
      {" rotation (-1.57079633, 1, 0, 0)", 0},
      {" rotation (-1.57079633, 0, 1, 0)", 3},
      {" rotation (1.57079633, 0, 1, 0)", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.rotation);
    OnScreen(std::string("use \"names\"; camera \"cam\", 1 to 1000; skybox \"sky_\"") +
                 row.rotation + ";",
             [&] {
               ASSERT_TRUE(Frame(0));
               for (int y = 0; y < height_; y += 7)
                 for (int x = 0; x < width_; x += 7)
                   ASSERT_EQ(PixelAt(x, y), colours[row.face]) << x << "," << y;
               // The last face drawn: its corners on the far plane of 1000.
               auto* sky = dynamic_cast<cVOXA3Dskybox*>(View()->commands.back());
               ASSERT_NE(sky, nullptr);
               for (int k = 0; k < 4; ++k) {
                 const auto* p = reinterpret_cast<const float*>(sky->vertices->data +
                                                                k * sky->vertices->pointer.stride);
                 for (int c = 0; c < 3; ++c) EXPECT_NEAR(std::abs(p[c]), 577.35, 0.05) << k;
               }
             });
  }
}

// A sun 20 units ahead, and a wall between it and the camera that "hide"
// can take away.
void SunScene(c3Dscene& scene) {
  scene.frames = 100;
  auto* camera = new c3Dcamera;
  camera->SetName("cam");
  camera->nearPlane = 1;
  camera->farPlane = 100;
  auto* sun = new c3DStarget;
  sun->SetName("sun");
  sun->positionTrack = scenetest::Constant({4, -3, 20});
  auto* grey = new cMaterial;
  grey->SetName("grey");
  grey->ambient = grey->diffuse = 0xFF404040u;
  scene.AddMaterial(grey);
  c3DSmesh* wall = scenetest::MakeBox({3, 3, 0.5f}, grey, grey);
  wall->SetName("wall");
  wall->positionTrack = scenetest::Constant({2, -1.5f, 10});
  auto* light = new c3DSlight_ambient;
  light->colourTrack = scenetest::Constant({1, 1, 1});
  scenetest::Link(scene, {camera, light, sun, wall});
}

class Flares : public Overlays {
 protected:
  void SetUp() override {
    Overlays::SetUp();
    Scenes()["sun"] = SunScene;
    textures_.push_back({"glow", 0xFFFFFF});
  }
  // The block with the wall shown or hidden, and one flare entry.
  static std::string Block(bool wall, const std::string& force, const std::string& entry) {
    return std::string("use \"sun\"; ") + (wall ? "" : "hide \"wall\"; ") +
           "frames 0; camera \"cam\"; clearzbuffer; draw all;\n"
           "flare \"sun\"" +
           force + " { " + entry + " }";
  }
  // Where the sun lands on the 320 x 240 screen: 160 + 160 x / z, 120 + 120 y / z
  // (the base camera's y runs down the screen).
  static constexpr double kSunX = 160 + 160 * 4 / 20.0, kSunY = 120 - 120 * 3 / 20.0;
};

// Lit pixels (green above 200): their bounding box.
struct Box {
  int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
};
Box LitBox(int width, int height) {
  Box box;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (Channel(PixelAt(x, y), 1) > 200) {
        box.left = std::min(box.left, x), box.right = std::max(box.right, x);
        box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y);
      }
  return box;
}

TEST_F(Flares, HideBehindWhatWasDrawnUnlessForced) {
  struct Row {
    const char* name;
    bool wall;
    const char* force;
    bool shown;
  };
  const std::vector<Row> rows = {
      {"behind the wall", true, "", false},
      {"behind the wall, forced", true, " force", true},
      {"in sight", false, "", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    OnScreen(
        Block(row.wall, row.force, "\"glow\", 0.5, 0.1, (1, 1, 1, 1), additive;"),
        [&] {
          ASSERT_TRUE(Frame(0));
          EXPECT_EQ(LitBox(width_, height_).right >= 0, row.shown);
          bool result = !row.shown;
          ASSERT_TRUE(View()->commands.back()->Execute(0, 0, 0, &result));
          EXPECT_EQ(result, row.shown);
          scenetest::MaybeWritePng(std::string("overlay_flare_") + (row.wall ? "wall" : "open") +
                                   (row.force[0] ? "_forced" : ""));
        },
        320, 240);
  }
}

// Centres on the line from the viewport's centre through the sun; 0.2 of a
// 320 wide viewport is 64 pixels, as high as wide on 4:3.
TEST_F(Flares, SitOnTheLineThroughTheCentre) {
  for (double along : {1.0, 0.0, -1.0}) {
    SCOPED_TRACE(along);
    const std::string entry = "\"glow\", " + std::to_string(along) + ", 0.2, (1, 1, 1, 1), mixing;";
    OnScreen(
        Block(false, "", entry),
        [&] {
          ASSERT_TRUE(Frame(0));
          const Box box = LitBox(width_, height_);
          EXPECT_NEAR((box.left + box.right + 1) / 2.0, 160 + (kSunX - 160) * along, 1);
          EXPECT_NEAR((box.top + box.bottom + 1) / 2.0, 120 + (kSunY - 120) * along, 1);
          EXPECT_NEAR(box.right - box.left + 1, 64, 1);
          EXPECT_NEAR(box.bottom - box.top + 1, 64, 1);
        },
        320, 240);
  }
}

// The visibility probe puts back the pixel it tested: with the flare drawn
// away from the sun, the sun's pixel keeps the ground's colour.
TEST_F(Flares, TheProbeLeavesTheSunsPixel) {
  OnScreen(
      Block(false, "", "\"glow\", -1, 0.05, (1, 1, 1, 1), additive;"),
      [&] {
        ASSERT_TRUE(Frame(0, 0x102030));
        EXPECT_EQ(PixelAt(static_cast<int>(kSunX), static_cast<int>(kSunY)), 0x102030u);
        EXPECT_GE(LitBox(width_, height_).right, 0) << "the flare was drawn";
      },
      320, 240);
}

// The depth buffer's bytes, row by row.
std::vector<std::uint8_t> DepthBytes(int width, int height) {
  IDirectDrawSurface7* z = kernel::d3dState.zBuffer;
  const auto row = static_cast<std::size_t>(width) * (z->format().dwZBufferBitDepth / 8);
  std::vector<std::uint8_t> bytes;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* at = z->pixels() + y * z->pitch();
    bytes.insert(bytes.end(), at, at + row);
  }
  return bytes;
}

// The sun scene's wall in front of a sky box.
class SkyBox : public Flares {};

// The sky box neither tests nor writes depth: drawn after the wall it covers
// the wall and leaves the wall's depths; drawn before it, the wall covers it.
TEST_F(SkyBox, LeavesDepthAndIsCoveredByWhatFollows) {
  const std::uint32_t colours[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF};
  for (int i = 0; i < 6; ++i)
    textures_.push_back({std::string("sky_") + cVOXA3Dskybox::kSuffixes[i], colours[i]});
  const std::string scene = "use \"sun\"; frames 0; camera \"cam\"; clearzbuffer; ";
  const int wallX = 192, wallY = 102, cornerX = 5, cornerY = 5;
  std::vector<std::uint8_t> wallDepths;
  std::uint32_t wall = 0;
  OnScreen(
      scene + "draw all;",
      [&] {
        ASSERT_TRUE(Frame(0));
        wallDepths = DepthBytes(width_, height_);
        wall = PixelAt(wallX, wallY);
      },
      320, 240);
  ASSERT_NE(wall, 0u) << "the wall is in sight";
  OnScreen(
      scene + "draw all; skybox \"sky_\";",
      [&] {
        ASSERT_TRUE(Frame(0));
        EXPECT_EQ(PixelAt(wallX, wallY), colours[5]);
        EXPECT_TRUE(DepthBytes(width_, height_) == wallDepths);
      },
      320, 240);
  OnScreen(
      scene + "skybox \"sky_\"; draw all;",
      [&] {
        ASSERT_TRUE(Frame(0));
        EXPECT_EQ(PixelAt(wallX, wallY), wall);
        EXPECT_EQ(PixelAt(cornerX, cornerY), colours[5]);
        EXPECT_TRUE(DepthBytes(width_, height_) == wallDepths);
        scenetest::MaybeWritePng("overlay_skybox_wall");
      },
      320, 240);
}

}  // namespace
}  // namespace view3dtest

// The stage cascades of the material templates, seen in pixels: a lit quad
// drawn through materials of chosen templates over a known background, each
// checked pixel against a per-pixel evaluation of the pass formulas (lit colour
// = diffuse × light + ambient × global ambient + emissive, alpha the diffuse
// alpha; a texture pass modulates; the factor blend mixes texture and diffuse by
// the amount; a reflection is added; blending by source alpha).
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "platform/fakehardware.h"
#include "tests/threedee/scene/scene_device.h"
#include "threedee/scene/material.h"
#include "threedee/scene/scene.h"
#include "threedee/scene/view.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/d3dinit.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/material.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/texture.h"
#include "windxkernel/vertexarray.h"
#include "windxkernel/video.h"

namespace {

using namespace VOXA2::threedee;
namespace px = platform::pixels;

constexpr std::uint32_t kBackground = 0x203040;
constexpr std::uint32_t kTexture = 0xC08040;
constexpr std::uint32_t kEnvironment = 0x204060;
constexpr std::uint32_t kDiffuse = 0xFF806040;  // also the ambient colour
constexpr std::uint32_t kLight = 0xFFC0C0C0;
constexpr std::uint32_t kGlobalAmbient = 0xFF202020;

// ---- the evaluation, in floats 0..1 ----

struct Rgba {
  float c[4];  // r, g, b, a
};

Rgba FromWord(std::uint32_t argb) {
  return {{((argb >> 16) & 255) / 255.0f, ((argb >> 8) & 255) / 255.0f, (argb & 255) / 255.0f,
           (argb >> 24) / 255.0f}};
}

// What the device holds of an opaque colour in the mode's format.
Rgba Stored(const DDPIXELFORMAT& f, std::uint32_t rgb) {
  return FromWord(0xFF000000u | px::Unpack(f, px::Pack(f, rgb)));
}

Rgba Lit(std::uint32_t diffuse, std::uint32_t ambient, std::uint32_t emissive) {
  const Rgba d = FromWord(diffuse), a = FromWord(ambient), e = FromWord(emissive);
  const Rgba l = FromWord(kLight), g = FromWord(kGlobalAmbient);
  Rgba out;
  for (int k = 0; k < 3; ++k)
    out.c[k] = std::min(1.0f, d.c[k] * l.c[k] + a.c[k] * g.c[k] + e.c[k]);
  out.c[3] = d.c[3];
  return out;
}

Rgba Mul(const Rgba& x, const Rgba& y) {
  return {{x.c[0] * y.c[0], x.c[1] * y.c[1], x.c[2] * y.c[2], x.c[3] * y.c[3]}};
}

Rgba Add(const Rgba& x, const Rgba& y) {
  Rgba out = x;
  for (int k = 0; k < 3; ++k) out.c[k] = std::min(1.0f, x.c[k] + y.c[k]);
  return out;
}

// texture × a + other × (1 − a), the colour only.
Rgba Mix(const Rgba& texture, const Rgba& other, float a) {
  Rgba out = texture;
  for (int k = 0; k < 3; ++k) out.c[k] = texture.c[k] * a + other.c[k] * (1 - a);
  return out;
}

// Source over the frame by the source's alpha.
Rgba Over(const Rgba& source, const Rgba& frame) {
  Rgba out = frame;
  for (int k = 0; k < 3; ++k)
    out.c[k] = source.c[k] * source.c[3] + frame.c[k] * (1 - source.c[3]);
  return out;
}

std::uint32_t Word(const Rgba& x) {
  std::uint32_t out = 0;
  for (int k = 0; k < 3; ++k)
    out |= static_cast<std::uint32_t>(std::lround(std::clamp(x.c[k], 0.0f, 1.0f) * 255)) << (16 - 8 * k);
  return out;
}

// ---- the scene ----

struct Inputs {
  Rgba texture, environment, background;
};

const float kHalf = 127 / 255.0f;  // an amount or opacity of 0.5 as a byte

// Opaque white pass material, as a texture or factor-blend pass has.
Rgba WhiteLit() { return Lit(0xFFFFFFFFu, 0xFFFFFFFFu, 0); }

Rgba TextureLit(const Inputs& in) { return Mul(in.texture, WhiteLit()); }
Rgba MaterialLit(const Inputs&) { return Lit(kDiffuse, kDiffuse, 0); }
Rgba FactorBlendLit(const Inputs& in) {
  return Mul(Mix(in.texture, FromWord(kDiffuse), kHalf), WhiteLit());
}
// Half of the top over the frame.
Rgba HalfOver(Rgba top, const Rgba& frame) {
  top.c[3] = kHalf;
  return Over(top, frame);
}
Rgba TextureOverFrame(const Inputs& in) { return HalfOver(TextureLit(in), in.background); }

struct Case {
  const char* rule;
  scenetest::Policy policy;
  int expectedTemplate;
  float textureAmount;  // no texture map below 0
  bool environment;
  float transparency;
  Rgba (*expected)(const Inputs&);
};

const Case kCases[] = {
    {"opaque texture: texture × white light", nullptr, 2, 1, false, 0, TextureLit},
    {"half texture, one factor-blend pass", nullptr, 8, 0.5f, false, 0, FactorBlendLit},
    {"half texture, lit material then texture over it", scenetest::RefuseAll, 8, 0.5f, false, 0,
     [](const Inputs& in) { return HalfOver(TextureLit(in), MaterialLit(in)); }},
    {"no maps: the lit material", nullptr, 14, -1, false, 0, MaterialLit},
    {"texture with an added reflection stage", nullptr, 0, 1, true, 0,
     [](const Inputs& in) { return Add(TextureLit(in), in.environment); }},
    {"texture, then a reflection pass added", scenetest::RefuseAll, 0, 1, true, 0,
     [](const Inputs& in) { return Add(TextureLit(in), in.environment); }},
    {"lit material with an added reflection stage", nullptr, 12, -1, true, 0,
     [](const Inputs& in) { return Add(MaterialLit(in), in.environment); }},
    {"half transparent textured material over the frame", nullptr, 20, 1, false, 0.5f,
     TextureOverFrame},
    {"half transparent, half texture: factor blend over the frame", nullptr, 26, 0.5f, false,
     0.5f, [](const Inputs& in) { return HalfOver(FactorBlendLit(in), in.background); }},
    {"the same without the factor blend: the texture, still transparent", scenetest::RefuseAll,
     26, 0.5f, false, 0.5f, TextureOverFrame},
};

// A quad facing the camera over the middle half of the screen, with a normal
// and two coordinate sets, in a fan.
std::unique_ptr<VertexArray> Quad() {
  VertexFormat format;
  format.position = true;
  format.normal = true;
  format.textureSetCount = 2;
  format.GetVertexSize();
  std::unique_ptr<VertexArray> quad(VertexArray::Create(false, 4, format));
  const float corners[4][2] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}};
  for (int i = 0; i < 4; ++i) {
    std::uint8_t* v = quad->data + i * quad->pointer.stride;
    const float position[3] = {corners[i][0], corners[i][1], 0.5f};
    const float normal[3] = {0, 0, -1};
    const float uv[4] = {corners[i][0] + 0.5f, corners[i][1] + 0.5f, 0, 0};
    std::memcpy(v + quad->pointer.position, position, sizeof position);
    std::memcpy(v + quad->pointer.normal, normal, sizeof normal);
    std::memcpy(v + quad->pointer.textureCoords, uv, sizeof uv);
  }
  return quad;
}

std::uint32_t PixelAt(IDirectDrawSurface7* s, int x, int y) {
  const int bytes = static_cast<int>(s->format().dwRGBBitCount / 8);
  return px::Read(s->pixels() + y * s->pitch() + x * bytes, bytes);
}

// Each channel of two pixels of the format, in the format's own steps.
void ExpectNear(const DDPIXELFORMAT& f, std::uint32_t actual, std::uint32_t expected,
                const std::string& where) {
  for (DWORD mask : {f.dwRBitMask, f.dwGBitMask, f.dwBBitMask}) {
    const int shift = std::countr_zero(mask);
    const int a = static_cast<int>((actual & mask) >> shift);
    const int e = static_cast<int>((expected & mask) >> shift);
    EXPECT_LE(std::abs(a - e), 1) << where << ": actual " << std::hex << actual << ", expected "
                                  << expected << " (mask " << mask << ")";
  }
}

void Render(const Case& c, const scenetest::Mode& mode) {
  std::unique_ptr<VOXA2::video::kernelTexture> texture(
      VOXA2::video::kernelTexture::FromPicture(8, 8));
  std::unique_ptr<VOXA2::video::kernelTexture> environment(
      VOXA2::video::kernelTexture::FromPicture(8, 8));
  ASSERT_NE(texture, nullptr);
  ASSERT_NE(environment, nullptr);
  texture->GetSurface()->Fill(kTexture);
  environment->GetSurface()->Fill(kEnvironment);
  IDirectDrawSurface7* back = kernel::videoState.back;
  const DDPIXELFORMAT format = back->format();
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = px::Pack(format, kBackground);
  back->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);

  c3Dscene scene;
  cSceneView view;
  scene.currentView = &view;
  auto* m = new cMaterial;
  scene.AddMaterial(m);
  m->diffuse = m->ambient = kDiffuse;
  m->twoSided = true;
  m->dithering = false;
  if (c.textureAmount >= 0) {
    m->maps[0] = new cMap;
    m->maps[0]->texture = texture.get();
    m->maps[0]->amount = c.textureAmount;
  }
  if (c.environment) {
    m->maps[2] = new cMap;
    m->maps[2]->texture = environment.get();
  }
  m->transparency = c.transparency;

  for (std::uint32_t type : {0u, kTransformView, kTransformProjection})
    SetTransform(type, identityMatrix.m);
  DeviceLight light{};
  light.type = 1;
  light.direction[2] = 1;
  light.diffuse = kLight;
  light.range = 1000;
  SetLight(0, &light);
  SetRenderMode(12, kGlobalAmbient);
  auto quad = Quad();
  ASSERT_TRUE(BeginScene());
  ASSERT_TRUE(m->Update(0));
  ASSERT_EQ(m->templateIndex, c.expectedTemplate);
  ASSERT_TRUE(m->Prepare());
  ASSERT_TRUE(m->DrawPrimitive(5, quad.get(), 0, 3));
  EndScene();

  const Inputs in{Stored(format, kTexture), Stored(format, kEnvironment),
                  Stored(format, kBackground)};
  const int w = static_cast<int>(back->width()), h = static_cast<int>(back->height());
  const std::uint32_t inside = px::Pack(format, Word(c.expected(in)));
  for (auto [x, y] : {std::pair{w / 2, h / 2}, {w / 2 - 5, h / 2 + 4}, {w * 3 / 8, h * 5 / 8}})
    ExpectNear(format, PixelAt(back, x, y), inside, "inside at " + std::to_string(x));
  ExpectNear(format, PixelAt(back, 2, 2), px::Pack(format, kBackground), "outside");

  if (const char* dir = std::getenv("VOXA2_TEST_PNG_DIR")) {
    VOXA2::video::PresentFrame();
    platform::WritePresentedFramePng(std::string(dir) + "/cascade_" + mode.name + "_" +
                                     std::to_string(c.expectedTemplate) +
                                     (c.policy ? "_refused" : "") + ".png");
  }
}

TEST(TemplateCascades, PixelsFollowThePassFormulas) {
  for (const scenetest::Mode* mode : {&scenetest::kMode565, &scenetest::kMode8888})
    for (const Case& c : kCases) {
      SCOPED_TRACE(std::string(mode->name) + ": " + c.rule);
      scenetest::OnDevice(*mode, c.policy, [&] { Render(c, *mode); });
    }
}

}  // namespace

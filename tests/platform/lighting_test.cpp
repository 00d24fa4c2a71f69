// Direct3D 7 lighting in the rasteriser: one lit point at a time, with
// identity transforms, so that camera space is model space and the point
// (x, y, z) lands on pixel (4 + 4x, 4 − 4y) of an 8x8 target. Expected
// colours are the lighting formulas, to within one level.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "platform/fakehardware.h"
#include "tests/platform/raster_support.h"

using rastertest::Target;

namespace {

struct NVertex {
  float x, y, z;
  float nx, ny, nz;
  DWORD diffuse;
};
constexpr DWORD kNFormat = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE;
constexpr DWORD kNFormatNoColour = D3DFVF_XYZ | D3DFVF_NORMAL;

constexpr double kPi = 3.14159265358979323846;

D3DCOLORVALUE Grey(float v) { return D3DCOLORVALUE{v, v, v, 1}; }

D3DMATERIAL7 Material(D3DCOLORVALUE diffuse, D3DCOLORVALUE ambient = Grey(0),
                      D3DCOLORVALUE specular = Grey(0), float power = 0) {
  return D3DMATERIAL7{diffuse, ambient, specular, Grey(0), power};
}

D3DLIGHT7 Light(D3DLIGHTTYPE type, D3DVECTOR position, D3DVECTOR direction) {
  D3DLIGHT7 l{};
  l.dltType = type;
  l.dcvDiffuse = Grey(1);
  l.dvPosition = position;
  l.dvDirection = direction;
  l.dvRange = 100;
  l.dvFalloff = 1;
  l.dvAttenuation0 = 1;
  return l;
}

class Lit {
 public:
  Lit() : t_(8, 8, platform::pixels::X8R8G8B8(), 0) {
    t_->SetRenderState(D3DRENDERSTATE_LIGHTING, TRUE);
  }
  Target& t() { return t_; }
  // Draws one point facing the camera (normal −z) and returns its pixel.
  DWORD Point(float x, float y, float z, DWORD fvf = kNFormatNoColour, DWORD diffuse = 0) {
    t_.Fill(0);
    NVertex v{x, y, z, 0, 0, -1, diffuse};
    EXPECT_EQ(t_->DrawPrimitive(D3DPT_POINTLIST, fvf, &v, 1, 0), D3D_OK);
    return t_.Pixel(static_cast<int>(4 + 4 * x), static_cast<int>(4 - 4 * y));
  }

 private:
  Target t_;
};

::testing::AssertionResult Near(DWORD got, double r, double g, double b) {
  const double want[3] = {r, g, b};
  for (int k = 0; k < 3; ++k) {
    int c = static_cast<int>((got >> (16 - 8 * k)) & 255);
    if (std::abs(c - 255.0 * std::clamp(want[k], 0.0, 1.0)) > 1.01)
      return ::testing::AssertionFailure() << std::hex << "got 0x" << got << std::dec << ", want ("
                                           << r * 255 << ", " << g * 255 << ", " << b * 255 << ")";
  }
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST(Lighting, DirectionalLightGivesNDotLTimesTheColours) {
  Lit lit;
  D3DMATERIAL7 m = Material(D3DCOLORVALUE{0.5f, 1, 1, 1}, Grey(1));
  lit.t()->SetMaterial(&m);
  D3DLIGHT7 l = Light(D3DLIGHT_DIRECTIONAL, {0, 0, 0}, {0.6f, 0, 0.8f});
  l.dcvDiffuse = D3DCOLORVALUE{1, 0.5f, 0.25f, 1};
  lit.t()->SetLight(0, &l);
  lit.t()->LightEnable(0, TRUE);
  EXPECT_TRUE(Near(lit.Point(0, 0, 0.5f), 0.8 * 0.5, 0.8 * 0.5, 0.8 * 0.25));
  // Global ambient times the material ambient adds on.
  lit.t()->SetRenderState(D3DRENDERSTATE_AMBIENT, 0x00202020);
  const double a = 32 / 255.0;
  EXPECT_TRUE(Near(lit.Point(0, 0, 0.5f), 0.4 + a, 0.4 + a, 0.2 + a));
  // A light from behind the surface gives nothing.
  l.dvDirection = D3DVECTOR{0, 0, -1};
  lit.t()->SetLight(0, &l);
  EXPECT_TRUE(Near(lit.Point(0, 0, 0.5f), a, a, a));
  // Disabled, it gives nothing either.
  lit.t()->SetRenderState(D3DRENDERSTATE_AMBIENT, 0);
  l.dvDirection = D3DVECTOR{0, 0, 1};
  lit.t()->SetLight(0, &l);
  lit.t()->LightEnable(0, FALSE);
  EXPECT_TRUE(Near(lit.Point(0, 0, 0.5f), 0, 0, 0));
}

TEST(Lighting, PointLightAttenuationAndRange) {
  Lit lit;
  D3DMATERIAL7 m = Material(Grey(1));
  lit.t()->SetMaterial(&m);
  for (float d : {0.5f, 1.0f, 2.0f, 4.0f, 8.0f}) {
    // The light straight in front of the point, at distance d.
    D3DLIGHT7 l = Light(D3DLIGHT_POINT, {0, 0, 0.5f - d}, {0, 0, 1});
    l.dvAttenuation0 = 1;
    l.dvAttenuation1 = 0.5f;
    l.dvAttenuation2 = 0.25f;
    l.dvRange = 5;
    lit.t()->SetLight(0, &l);
    lit.t()->LightEnable(0, TRUE);
    const double att = d > 5 ? 0 : 1.0 / (1 + 0.5 * d + 0.25 * d * d);
    EXPECT_TRUE(Near(lit.Point(0, 0, 0.5f), att, att, att)) << "d " << d;
  }
}

TEST(Lighting, SpotConeFullInsideThetaFadingToPhi) {
  Lit lit;
  D3DMATERIAL7 m = Material(Grey(1));
  lit.t()->SetMaterial(&m);
  const double theta = 20 * kPi / 180, phi = 40 * kPi / 180;
  for (double deg : {0.0, 5.0, 12.0, 15.0, 19.0, 25.0}) {
    const double a = deg * kPi / 180;
    // One unit in front of the point, aimed a degrees away from it.
    D3DLIGHT7 l = Light(D3DLIGHT_SPOT, {0, 0, -0.5f},
                        {static_cast<float>(std::sin(a)), 0, static_cast<float>(std::cos(a))});
    l.dvTheta = static_cast<float>(theta);
    l.dvPhi = static_cast<float>(phi);
    l.dvFalloff = 2;
    lit.t()->SetLight(0, &l);
    lit.t()->LightEnable(0, TRUE);
    const double rho = std::cos(a), ct = std::cos(theta / 2), cp = std::cos(phi / 2);
    const double spot = rho > ct ? 1 : (rho <= cp ? 0 : std::pow((rho - cp) / (ct - cp), 2.0));
    EXPECT_TRUE(Near(lit.Point(0, 0, 0.5f), spot, spot, spot)) << deg << " degrees";
  }
}

TEST(Lighting, SpecularWithAndWithoutTheLocalViewer) {
  Lit lit;
  D3DMATERIAL7 m = Material(Grey(0), Grey(0), Grey(1), 10);
  lit.t()->SetMaterial(&m);
  D3DLIGHT7 l = Light(D3DLIGHT_DIRECTIONAL, {0, 0, 0}, {0, 0, 1});
  l.dcvDiffuse = Grey(0);
  l.dcvSpecular = D3DCOLORVALUE{1, 0.5f, 1, 1};
  lit.t()->SetLight(0, &l);
  lit.t()->LightEnable(0, TRUE);
  lit.t()->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, TRUE);
  // The point at (0.5, 0, 0.5): towards the camera is (−1, 0, −1)/√2.
  const double vx = -std::sqrt(0.5), vz = -std::sqrt(0.5);
  double hx = vx, hz = vz - 1, len = std::hypot(hx, hz);
  const double nh = -hz / len;  // N = (0, 0, −1)
  const double s = std::pow(nh, 10);
  lit.t()->SetRenderState(D3DRENDERSTATE_LOCALVIEWER, TRUE);
  EXPECT_TRUE(Near(lit.Point(0.5f, 0, 0.5f), s, 0.5 * s, s));
  // Without it, the viewer is straight back along z: H = N, full highlight.
  lit.t()->SetRenderState(D3DRENDERSTATE_LOCALVIEWER, FALSE);
  EXPECT_TRUE(Near(lit.Point(0.5f, 0, 0.5f), 1, 0.5, 1));
  // Specular off: nothing.
  lit.t()->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, FALSE);
  EXPECT_TRUE(Near(lit.Point(0.5f, 0, 0.5f), 0, 0, 0));
}

TEST(Lighting, VertexDiffuseReplacesTheMaterialDiffuseByDefault) {
  Lit lit;
  D3DMATERIAL7 m = Material(D3DCOLORVALUE{1, 0, 0, 1});
  lit.t()->SetMaterial(&m);
  D3DLIGHT7 l = Light(D3DLIGHT_DIRECTIONAL, {0, 0, 0}, {0, 0, 1});
  lit.t()->SetLight(0, &l);
  lit.t()->LightEnable(0, TRUE);
  EXPECT_TRUE(Near(lit.Point(0, 0, 0.5f, kNFormat, 0xFF00FF00), 0, 1, 0));
  EXPECT_TRUE(Near(lit.Point(0, 0, 0.5f, kNFormatNoColour), 1, 0, 0));
  lit.t()->SetRenderState(D3DRENDERSTATE_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
  EXPECT_TRUE(Near(lit.Point(0, 0, 0.5f, kNFormat, 0xFF00FF00), 1, 0, 0));
}

TEST(Lighting, NormalsAreRenormalisedWhenAsked) {
  Lit lit;
  D3DMATERIAL7 m = Material(Grey(1));
  lit.t()->SetMaterial(&m);
  D3DLIGHT7 l = Light(D3DLIGHT_DIRECTIONAL, {0, 0, 0}, {0, 0, 1});
  lit.t()->SetLight(0, &l);
  lit.t()->LightEnable(0, TRUE);
  // A world matrix scaling by 0.5 shrinks the transformed normal... and its
  // inverse transpose doubles it; renormalised it is unit length again.
  D3DMATRIX half{0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1};
  lit.t()->SetTransform(D3DTRANSFORMSTATE_WORLD, &half);
  lit.t()->SetRenderState(D3DRENDERSTATE_NORMALIZENORMALS, TRUE);
  EXPECT_TRUE(Near(lit.Point(0, 0, 1.0f), 1, 1, 1));
  // Unnormalised, a normal of length 0.5 through the world: N·L = 0.5.
  NVertex v{0, 0, 1.0f, 0, 0, -0.5f, 0};
  lit.t()->SetRenderState(D3DRENDERSTATE_NORMALIZENORMALS, FALSE);
  D3DMATRIX id{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  lit.t()->SetTransform(D3DTRANSFORMSTATE_WORLD, &id);
  v.z = 0.5f;
  lit.t().Fill(0);
  ASSERT_EQ(lit.t()->DrawPrimitive(D3DPT_POINTLIST, kNFormatNoColour, &v, 1, 0), D3D_OK);
  EXPECT_TRUE(Near(lit.t().Pixel(4, 4), 0.5, 0.5, 0.5));
}

// Pre-transformed vertices are never lit, whatever LIGHTING says.
TEST(Lighting, PreTransformedVerticesKeepTheirColours) {
  Lit lit;
  D3DMATERIAL7 m = Material(Grey(0));
  lit.t()->SetMaterial(&m);
  lit.t().Rect(-0.5f, -0.5f, 7.5f, 7.5f, 0.5f, 0xFF336699);
  EXPECT_EQ(lit.t().Pixel(3, 3), 0x336699u);
}

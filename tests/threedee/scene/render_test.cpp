// Scenes built in code, drawn headless: a two-material cube lit by one point
// light, each visible face's colour against the lighting equation evaluated
// here, the faces turned away culled; and a small animation (a camera aimed at
// a target, a spot light, a textured box, a transparent box after it) at three
// frames, its corners against a projection worked out here.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "platform/ddraw.h"
#include "platform/fakehardware.h"
#include "tests/threedee/scene/scene_device.h"
#include "tests/threedee/scene/scene_viewer.h"
#include "tests/threedee/scene/track_makers.h"
#include "threedee/scene/keyframed.h"
#include "threedee/scene/material.h"
#include "threedee/scene/mesher.h"
#include "windxkernel/ddraw.h"
#include "windxkernel/rendermodes.h"
#include "windxkernel/texture.h"
#include "windxkernel/video.h"

namespace {

using namespace VOXA2;
using namespace VOXA2::threedee;
namespace px = platform::pixels;
using scenetest::Constant;
using scenetest::MaybeWritePng;
using scenetest::PixelAt;
using scenetest::Linear;
using scenetest::Turn;

using V3 = std::array<double, 3>;

V3 Sub(const V3& a, const V3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double Dot(const V3& a, const V3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
V3 Cross(const V3& a, const V3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
V3 Unit(const V3& a) {
  const double l = std::sqrt(Dot(a, a));
  return {a[0] / l, a[1] / l, a[2] / l};
}
V3 Place(const Matrix4& m, const V3& p) {
  return {m.m[0] * p[0] + m.m[1] * p[1] + m.m[2] * p[2] + m.m[3],
          m.m[4] * p[0] + m.m[5] * p[1] + m.m[6] * p[2] + m.m[7],
          m.m[8] * p[0] + m.m[9] * p[1] + m.m[10] * p[2] + m.m[11]};
}

// ---- a box through the mesher

// Six faces, each four corners wound so that (p1 − p0) × (p2 − p0) points
// out, drawn as (0, 1, 2) and (0, 2, 3): both triangles of a face start at
// corner 0, whose colour flat shading gives the face.
struct BoxFace {
  V3 corner[4];
  V3 normal;
};

std::vector<BoxFace> BoxFaces(const V3& half) {
  std::vector<BoxFace> faces;
  for (int axis = 0; axis < 3; ++axis)
    for (int sign : {-1, 1}) {
      const int u = (axis + 1) % 3, v = (axis + 2) % 3;
      BoxFace f{};
      f.normal[axis] = sign;
      const double du[4] = {-1, 1, 1, -1}, dv[4] = {-1, -1, 1, 1};
      for (int k = 0; k < 4; ++k) {
        f.corner[k][axis] = sign * half[axis];
        f.corner[k][u] = du[k] * half[u];
        f.corner[k][v] = dv[k] * half[v];
      }
      // (u, v) counter-clockwise about +axis; reversed for the − side.
      if (sign < 0) std::swap(f.corner[1], f.corner[3]);
      faces.push_back(f);
    }
  return faces;
}

// The faces across the y axis take the odd material, the others the even one.
c3DSmesh* MakeBox(const V3& half, cMaterial* even, cMaterial* odd) {
  auto* box = new c3DSmesh;
  cMesher mesher;
  VertexFormat format;
  format.position = true;
  format.normal = true;
  format.textureSetCount = 1;
  format.GetVertexSize();
  mesher.source.reset(VertexArray::Create(false, 24, format));
  VertexArray* a = mesher.source.get();
  const auto faces = BoxFaces(half);
  for (int f = 0; f < 6; ++f) {
    const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int k = 0; k < 4; ++k) {
      std::uint8_t* at = a->data + static_cast<std::size_t>(4 * f + k) * a->pointer.stride;
      const float p[3] = {static_cast<float>(faces[f].corner[k][0]),
                          static_cast<float>(faces[f].corner[k][1]),
                          static_cast<float>(faces[f].corner[k][2])};
      const float n[3] = {static_cast<float>(faces[f].normal[0]),
                          static_cast<float>(faces[f].normal[1]),
                          static_cast<float>(faces[f].normal[2])};
      std::memcpy(at + a->pointer.position, p, sizeof p);
      std::memcpy(at + a->pointer.normal, n, sizeof n);
      std::memcpy(at + a->pointer.textureCoords, uv[k], sizeof uv[k]);
      mesher.originalIndices.push_back(4 * f + k);
    }
    cMaterial* m = f / 2 % 2 ? odd : even;
    mesher.faces.push_back({4 * f, 4 * f + 1, 4 * f + 2, m});
    mesher.faces.push_back({4 * f, 4 * f + 2, 4 * f + 3, m});
  }
  mesher.SplitByMaterial();
  mesher.CountElements();
  mesher.BuildRenderMeshes(box);
  return box;
}

void Link(c3Dscene& scene, std::initializer_list<c3Dobject*> objects) {
  c3Dobject* last = nullptr;
  for (c3Dobject* o : objects) {
    if (last)
      last->nextSibling = o;
    else
      scene.root = o;
    last = o;
  }
  scene.root->SetScene(&scene);
  scene.CollectCamerasAndLights(scene.root);
}

// ---- the device's picture

struct Projection {
  Matrix4 view, projection;
  int width, height;
  // Screen position of a world point, by the viewport rule.
  std::array<double, 2> Screen(const V3& p) const {
    const V3 c = Place(view, p);
    double clip[4];
    for (int r = 0; r < 4; ++r)
      clip[r] = projection.m[4 * r] * c[0] + projection.m[4 * r + 1] * c[1] +
                projection.m[4 * r + 2] * c[2] + projection.m[4 * r + 3];
    return {(clip[0] / clip[3] + 1) * width / 2, (1 - clip[1] / clip[3]) * height / 2};
  }
};

int Channel(std::uint32_t rgb, int k) { return static_cast<int>((rgb >> (16 - 8 * k)) & 255); }

void ExpectColour(std::uint32_t actual, const double expected[3], const std::string& where) {
  for (int k = 0; k < 3; ++k)
    EXPECT_LE(std::abs(Channel(actual, k) - expected[k] * 255), 1.0)
        << where << " channel " << k << ": " << std::hex << actual;
}

double Byte(std::uint32_t word, int k) { return Channel(word, k) / 255.0; }

// ---- the cube

constexpr std::uint32_t kBlack = 0x000000;

TEST(Render, LitCubeFacesFollowTheLightingEquation) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    c3Dscene scene;
    auto* red = new cMaterial;
    red->SetName("red");
    red->diffuse = red->ambient = 0xFFCC4C33u;
    auto* blue = new cMaterial;
    blue->SetName("blue");
    blue->diffuse = blue->ambient = 0xFF3366CCu;
    for (cMaterial* m : {red, blue}) {
      m->shading = 0;  // flat
      scene.AddMaterial(m);
    }
    c3DSmesh* cube = MakeBox({1, 1, 1}, red, blue);
    cube->SetName("cube");
    // A corner towards the camera, three faces in sight.
    cube->positionTrack = Constant({0.2f, -0.1f, 4.5f});
    cube->rotationTrack = Turn(1, -1, 0, -0.9553166f);
    auto* light = new c3DSlight_omni;
    light->positionTrack = Constant({-2, -3, 0.5f});
    light->colourTrack = Constant({1, 0.9f, 0.8f});
    auto* ambient = new c3DSlight_ambient;
    ambient->colourTrack = Constant({0.15f, 0.15f, 0.15f});
    c3Dcamera camera;
    // Near 0 would give every point the depth 1 of the far plane.
    camera.nearPlane = 1;
    Link(scene, {ambient, light, cube});

    scenetest::SceneViewer viewer(scene);
    viewer.Use();
    ASSERT_TRUE(viewer.Frame(0));
    viewer.Camera(camera);
    // No depth test: only culling can keep the far faces from painting over the near ones.
    ASSERT_TRUE(viewer.Draw(kBlack, false));

    const Projection proj{viewer.viewMatrix, viewer.projection, 64, 48};
    const V3 lightAt{-2, -3, 0.5};
    // The colours as the device holds them: bytes of the packed words.
    const double lightColour[3] = {1, 229 / 255.0, 204 / 255.0};
    const double globalAmbient[3] = {38 / 255.0, 38 / 255.0, 38 / 255.0};
    int front = 0;
    const auto faces = BoxFaces({1, 1, 1});
    for (int f = 0; f < 6; ++f) {
      const cMaterial* m = f / 2 % 2 ? blue : red;
      const V3 p0 = Place(cube->world, faces[f].corner[0]);
      const V3 p1 = Place(cube->world, faces[f].corner[1]);
      const V3 p2 = Place(cube->world, faces[f].corner[2]);
      const V3 normal = Unit(Cross(Sub(p1, p0), Sub(p2, p0)));
      // The centre of the face's first triangle.
      const V3 inner{(p0[0] + p1[0] + p2[0]) / 3, (p0[1] + p1[1] + p2[1]) / 3,
                     (p0[2] + p1[2] + p2[2]) / 3};
      const auto s = proj.Screen(inner);
      const int x = static_cast<int>(s[0]), y = static_cast<int>(s[1]);
      ASSERT_TRUE(x > 0 && x < 63 && y > 0 && y < 47);
      const bool facing = Dot(normal, Sub({0, 0, 0}, p0)) > 0;
      if (!facing) continue;  // hidden behind the faces that face the camera
      ++front;
      // Direct3D 7 with one point light (attenuation 1, black light ambient,
      // no specular): emissive + ambient × global ambient + N·L × diffuse × light.
      const double nl = std::max(0.0, Dot(normal, Unit(Sub(lightAt, p0))));
      double expected[3];
      for (int k = 0; k < 3; ++k)
        expected[k] = std::min(1.0, Byte(m->ambient, k) * globalAmbient[k] +
                                        nl * Byte(m->diffuse, k) * lightColour[k]);
      ExpectColour(PixelAt(x, y), expected, "face " + std::to_string(f));
    }
    EXPECT_EQ(front, 3) << "the placement shows three faces";
    ExpectColour(PixelAt(1, 1), std::array<double, 3>{0, 0, 0}.data(), "background");
    MaybeWritePng("render_cube");
  });
}

}  // namespace

// ---- a small animation, end to end

constexpr std::uint32_t kSky = 0x182030;
constexpr std::uint32_t kTexel = 0xC08040;

struct Animation {
  c3Dscene scene;
  c3DScamera* camera;
  c3DSmesh* box;
  c3DSmesh* glass;
};

// The camera flies past a textured box at the origin, aimed at a target above
// it; a spot light shines down on it; a half-transparent box stands beside it.
void BuildAnimation(Animation& a, video::kernelTexture* texture) {
  auto* textured = new cMaterial;
  textured->SetName("crate");
  textured->maps[cMaterial::kTextureMap] = new cMap;
  textured->maps[cMaterial::kTextureMap]->texture = texture;
  auto* clear = new cMaterial;
  clear->SetName("glass");
  clear->diffuse = clear->ambient = 0xFF40C0FFu;
  clear->transparency = 0.5f;
  a.scene.AddMaterial(textured);
  a.scene.AddMaterial(clear);

  a.camera = new c3DScamera;
  a.camera->SetName("cam");
  a.camera->nearPlane = 1;
  a.camera->farPlane = 100;
  a.camera->positionTrack = Linear(3, {{0, {-6, -8, 3}}, {50, {6, -8, 4}}});
  a.camera->fovTrack = Constant({60});
  auto* aim = new c3DStarget;
  aim->SetName("cam.target");
  aim->positionTrack = Constant({0, 0, 0.5f});
  auto* spot = new c3DSlight_spot;
  spot->SetName("spot");
  spot->positionTrack = Constant({0, -6, 8});
  spot->hotspotTrack = Constant({60});
  spot->falloffTrack = Constant({90});
  auto* spotAim = new c3DStarget;
  spotAim->SetName("spot.target");
  auto* ambient = new c3DSlight_ambient;
  ambient->colourTrack = Constant({0.2f, 0.2f, 0.2f});
  a.box = MakeBox({1, 1, 1}, textured, textured);
  a.box->SetName("box");
  a.box->rotationTrack = Turn(0, 0, 1, 0.3f);
  a.glass = MakeBox({0.6, 0.6, 0.6}, clear, clear);
  a.glass->SetName("glass");
  a.glass->positionTrack = Constant({2.5f, -2, 0.5f});
  a.camera->target = aim;
  spot->target = spotAim;
  Link(a.scene, {a.camera, aim, spot, spotAim, ambient, a.box, a.glass});
}

// The view of a camera at eye aimed at target, from the rules: rows R, U, F
// with the eye pulled back by f along F.
Matrix4 LookAt(V3 eye, const V3& target, double f) {
  const V3 forward = Unit(Sub(target, eye));
  const V3 right = Unit({forward[1], -forward[0], 0});
  const V3 up = Unit(Cross(forward, right));
  for (int k = 0; k < 3; ++k) eye[k] -= f * forward[k];
  Matrix4 m = identityMatrix;
  const V3 rows[3] = {right, up, forward};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) m.m[4 * r + c] = static_cast<float>(rows[r][c]);
    m.m[4 * r + 3] = static_cast<float>(-Dot(rows[r], eye));
  }
  return m;
}

TEST(Render, AnimationFrameByFrame) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    std::unique_ptr<video::kernelTexture> texture(video::kernelTexture::FromPicture(8, 8));
    ASSERT_NE(texture, nullptr);
    texture->GetSurface()->Fill(kTexel);
    Animation a;
    BuildAnimation(a, texture.get());
    scenetest::SceneViewer viewer(a.scene);
    viewer.Use();
    for (float frame : {0.0f, 25.0f, 50.0f}) {
      SCOPED_TRACE("frame " + std::to_string(frame));
      ASSERT_TRUE(viewer.Frame(frame));
      viewer.Camera(*a.camera);
      std::vector<std::string> calls;
      platform::Hardware().observeD3D = [&](const platform::D3DCall& c) {
        if (c.method.rfind("DrawIndexedPrimitive", 0) == 0) calls.push_back("draw");
        if (c.method == "SetRenderState" && c.a == D3DRENDERSTATE_ZWRITEENABLE)
          calls.push_back("zwrite " + std::to_string(c.b));
      };
      ASSERT_TRUE(viewer.Draw(kSky));
      platform::Hardware().observeD3D = nullptr;
      // The box's triangles, then Z writes off for the deferred glass, then on again.
      const auto off = std::find(calls.begin(), calls.end(), "zwrite 0");
      ASSERT_NE(off, calls.end());
      EXPECT_NE(std::find(calls.begin(), off, "draw"), off) << "the opaque box first";
      EXPECT_NE(std::find(off, calls.end(), "draw"), calls.end()) << "the glass after";
      EXPECT_EQ(calls.back(), "zwrite 1");

      // The camera's projection, from the rules (FOV 60, near 1, far 100).
      const double f = 1 / std::tan(30 * std::numbers::pi / 180);
      const double t = frame / 50;
      const V3 eye{-6 + 12 * t, -8, 3 + t};
      Projection proj{LookAt(eye, {0, 0, 0.5}, f), identityMatrix, 64, 48};
      proj.projection.m[0] = static_cast<float>(f);
      proj.projection.m[5] = static_cast<float>(-f * 4 / 3);
      proj.projection.m[10] = static_cast<float>((100 + f) / 99);
      proj.projection.m[11] = static_cast<float>(-(1 + f) * (100 + f) / 99);
      proj.projection.m[14] = 1;
      proj.projection.m[15] = 0;

      auto rect = [&](const c3DSmesh& mesh, const V3& half) {
        std::array<double, 4> r{1e9, 1e9, -1e9, -1e9};
        for (int i = 0; i < 8; ++i) {
          const V3 corner{i & 4 ? half[0] : -half[0], i & 2 ? half[1] : -half[1],
                          i & 1 ? half[2] : -half[2]};
          const auto s = proj.Screen(Place(mesh.world, corner));
          r = {std::min(r[0], s[0]), std::min(r[1], s[1]), std::max(r[2], s[0]),
               std::max(r[3], s[1])};
        }
        return r;
      };
      const auto box = rect(*a.box, {1, 1, 1});
      const auto glass = rect(*a.glass, {0.6, 0.6, 0.6});
      auto inGlass = [&](int x, int y) {
        return x >= glass[0] - 1 && x <= glass[2] + 1 && y >= glass[1] - 1 && y <= glass[3] + 1;
      };
      const std::uint32_t sky = kSky;
      // Just outside the box's projected corners: the sky, where the glass is not.
      const int cx = static_cast<int>((box[0] + box[2]) / 2), cy = static_cast<int>((box[1] + box[3]) / 2);
      const int probes[4][2] = {{static_cast<int>(box[0]) - 2, cy}, {static_cast<int>(box[2]) + 2, cy},
                                {cx, static_cast<int>(box[1]) - 2}, {cx, static_cast<int>(box[3]) + 2}};
      for (const auto& p : probes)
        if (p[0] >= 0 && p[0] < 64 && p[1] >= 0 && p[1] < 48 && !inGlass(p[0], p[1]))
          EXPECT_EQ(PixelAt(p[0], p[1]), sky) << "outside the box at " << p[0] << "," << p[1];
      // Inside: the lit texture, in the texture's proportions.
      const V3 centre = Place(a.box->world, {0, 0, 0});
      const auto s = proj.Screen(centre);
      const std::uint32_t lit = PixelAt(static_cast<int>(s[0]), static_cast<int>(s[1]));
      EXPECT_NE(lit, sky);
      EXPECT_GT(Channel(lit, 0), Channel(lit, 1));
      EXPECT_GT(Channel(lit, 1), Channel(lit, 2));
      // The glass over the sky: neither the sky nor its own colour.
      const auto g = proj.Screen(Place(a.glass->world, {0, 0, 0}));
      const std::uint32_t seen = PixelAt(static_cast<int>(g[0]), static_cast<int>(g[1]));
      if (g[0] < box[0] - 2 || g[0] > box[2] + 2) {
        EXPECT_NE(seen, sky);
        EXPECT_GT(Channel(seen, 2), Channel(sky, 2)) << "blue light through the glass";
      }
      MaybeWritePng("render_animation_" + std::to_string(static_cast<int>(frame)));
    }
  });
}

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
#include "tests/threedee/scene/scene_builders.h"
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
using scenetest::Linear;
using scenetest::Turn;
using scenetest::V3;
using scenetest::BoxFaces;
using scenetest::Cross;
using scenetest::Dot;
using scenetest::Link;
using scenetest::MakeBox;
using scenetest::Place;
using scenetest::Sub;
using scenetest::Unit;

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

using scenetest::MaybeWritePng;
using scenetest::PixelAt;

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

// A cube of eight shared corners whose corners are then moved: the normals it
// reaches the device with are the unit sums of its triangles' unit normals,
// worked out here from the moved corners.
TEST(Render, DeformedCubeGetsNormalsFromItsFaces) {
  scenetest::OnDevice(scenetest::kMode8888, nullptr, [&] {
    c3Dscene scene;
    auto* grey = new cMaterial;
    grey->SetName("grey");
    scene.AddMaterial(grey);
    // Corner i has x from bit 2, y from bit 1, z from bit 0; each face's two
    // triangles wound outwards.
    const int quads[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1},
                             {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    auto* cube = new c3DSmesh;
    cMesher mesher;
    VertexFormat format;
    format.position = true;
    format.normal = true;
    format.GetVertexSize();
    mesher.source.reset(VertexArray::Create(false, 8, format));
    VertexArray* a = mesher.source.get();
    for (int i = 0; i < 8; ++i) {
      const float p[3] = {i & 4 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 1 ? 1.0f : -1.0f};
      std::memcpy(a->data + static_cast<std::size_t>(i) * a->pointer.stride + a->pointer.position,
                  p, sizeof p);
      mesher.originalIndices.push_back(i);
    }
    std::vector<std::array<int, 3>> triangles;
    for (const auto& q : quads) {
      triangles.push_back({q[0], q[1], q[2]});
      triangles.push_back({q[0], q[2], q[3]});
    }
    for (const auto& t : triangles) mesher.faces.push_back({t[0], t[1], t[2], grey});
    mesher.SplitByMaterial();
    mesher.CountElements();
    mesher.BuildRenderMeshes(cube);
    Link(scene, {cube});
    ASSERT_EQ(cube->parts.size(), 1u);
    ASSERT_EQ(cube->parts[0]->meshes.size(), 1u);
    cOBSTriMesh& mesh = *cube->parts[0]->meshes[0];
    ASSERT_EQ(mesh.originals.size(), 8u);

    // Pull one corner far out, squash another, shift a third.
    std::array<V3, 8> moved;
    for (int i = 0; i < 8; ++i)
      moved[i] = {i & 4 ? 1.0 : -1.0, i & 2 ? 1.0 : -1.0, i & 1 ? 1.0 : -1.0};
    moved[7] = {2.5, 1.8, 3.0};
    moved[0] = {-0.4, -0.6, -0.5};
    moved[5][1] += 0.7;
    for (std::size_t v = 0; v < 8; ++v) {
      const V3& m = moved[static_cast<std::size_t>(mesh.originalIndices[v])];
      mesh.originals[v] = Vector(static_cast<float>(m[0]), static_cast<float>(m[1]),
                                 static_cast<float>(m[2]));
    }
    mesh.originalsChanged = true;
    ASSERT_TRUE(mesh.Draw());

    std::array<V3, 8> expected{};
    for (const auto& t : triangles) {
      const V3 n = Unit(Cross(Sub(moved[t[1]], moved[t[0]]), Sub(moved[t[2]], moved[t[0]])));
      for (int corner : t)
        for (int k = 0; k < 3; ++k) expected[corner][k] += n[k];
    }
    VertexArray* array = mesh.vertices.get();
    ASSERT_TRUE(array->Lock(0));
    for (int v = 0; v < 8; ++v) {
      const std::uint8_t* at = array->data + static_cast<std::size_t>(v) * array->pointer.stride;
      float got[3], position[3];
      std::memcpy(got, at + array->pointer.normal, sizeof got);
      std::memcpy(position, at + array->pointer.position, sizeof position);
      const int original = mesh.originalIndices[static_cast<std::size_t>(v)];
      const V3 want = Unit(expected[original]);
      for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(got[k], want[k], 1e-5) << "corner " << original << " axis " << k;
        EXPECT_FLOAT_EQ(position[k], static_cast<float>(moved[original][k]));
      }
    }
    array->Unlock();
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

// Frames per second of a scene of 200 keyframed, textured meshes (a 16 × 16
// grid of quads each, 102,400 triangles in all) turning in the light of an
// omni light and an ambient light, seen by a keyframed camera aimed at a
// target: each frame the materials and the tree are updated, the tree drawn
// (visibility, lights, render meshes through their material) and presented,
// at 640x480 and 1920x1080 in 32 bits. One line per size. Build in Release:
//
//   cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOXA2_TESTS=OFF
//   cmake --build build/release --target bench_scene3d && build/release/bench/bench_scene3d
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <memory>
#include <utility>

#include "bench/display.h"
#include "platform/backend.h"
#include "tests/threedee/scene/scene_viewer.h"
#include "threedee/scene/keyframed.h"
#include "threedee/scene/material.h"
#include "threedee/scene/mesher.h"
#include "threedee/scene/templates.h"
#include "windxkernel/texture.h"

namespace {

using namespace VOXA2;
using namespace VOXA2::threedee;

constexpr int kMeshes = 200, kCells = 16;

cView3Di_position* Constant(float x, float y, float z) {
  auto* track = new cView3Di_position(3);
  track->GetValues()[0] = x, track->GetValues()[1] = y, track->GetValues()[2] = z;
  return track;
}

// A bumpy square of kCells × kCells quads, normals up, through the mesher.
c3DSmesh* MakeSheet(cMaterial* material, int index) {
  cMesher mesher;
  VertexFormat format;
  format.position = format.normal = true;
  format.textureSetCount = 1;
  format.GetVertexSize();
  constexpr int side = kCells + 1;
  mesher.source.reset(VertexArray::Create(false, side * side, format));
  VertexArray* a = mesher.source.get();
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      std::uint8_t* at = a->data + static_cast<std::size_t>(y * side + x) * a->pointer.stride;
      const float p[3] = {x / float(kCells) - 0.5f, y / float(kCells) - 0.5f,
                          0.05f * std::sin(0.7f * x + 0.3f * y)};
      const float n[3] = {0, 0, -1}, uv[2] = {x / float(kCells), y / float(kCells)};
      std::memcpy(at + a->pointer.position, p, sizeof p);
      std::memcpy(at + a->pointer.normal, n, sizeof n);
      std::memcpy(at + a->pointer.textureCoords, uv, sizeof uv);
      mesher.originalIndices.push_back(y * side + x);
    }
  for (int y = 0; y < kCells; ++y)
    for (int x = 0; x < kCells; ++x) {
      const int v = y * side + x;
      mesher.faces.push_back({v, v + side, v + 1, material});
      mesher.faces.push_back({v + 1, v + side, v + side + 1, material});
    }
  mesher.SplitByMaterial();
  auto* sheet = new c3DSmesh;
  mesher.BuildRenderMeshes(sheet);
  // 20 columns, 10 rows, each sheet spinning about its own axis.
  sheet->positionTrack = Constant(1.2f * (index % 20) - 11.4f, 1.2f * (index / 20) - 5.4f, 12);
  auto* spin = new cView3Di_linear_quat;
  const float start[4] = {0.3f, 1, 0.1f * (index % 7), 0}, turn[4] = {0.3f, 1, 0.1f * (index % 7), 3};
  spin->AddKey(0, start);
  spin->AddKey(100, turn);
  spin->repeatMode = cView3Dinterpolator::kRepeatLoop;
  sheet->rotationTrack = spin;
  return sheet;
}

double FramesPerSecond(int width, int height) {
  double fps = -1;
  benchsupport::RunOnDisplay(width, height, 32, [&] {
    Setup3DDevice();
    BuildMaterialTemplates();
    std::unique_ptr<video::kernelTexture> texture(video::kernelTexture::FromPicture(64, 64));
    if (!texture) return;
    texture->GetSurface()->Fill(0xC08040);
    c3Dscene scene;
    auto* material = new cMaterial;
    material->SetName("sheet");
    material->maps[cMaterial::kTextureMap] = new cMap;
    material->maps[cMaterial::kTextureMap]->texture = texture.get();
    scene.AddMaterial(material);
    auto* camera = new c3DScamera;
    camera->nearPlane = 1;
    camera->farPlane = 200;
    camera->positionTrack = Constant(0, -2, -8);
    camera->fovTrack = new cView3Di_position(1);
    camera->fovTrack->GetValues()[0] = 75;
    auto* target = new c3DStarget;
    target->positionTrack = Constant(0, 0, 12);
    camera->target = target;
    auto* light = new c3DSlight_omni;
    light->positionTrack = Constant(-5, -5, 0);
    auto* ambient = new c3DSlight_ambient;
    ambient->colourTrack = Constant(0.2f, 0.2f, 0.2f);
    c3Dobject* chain[] = {camera, target, light, ambient};
    scene.root = camera;
    c3Dobject* last = ambient;
    for (int i = 0; i < 3; ++i) chain[i]->nextSibling = chain[i + 1];
    for (int i = 0; i < kMeshes; ++i) {
      c3DSmesh* sheet = MakeSheet(material, i);
      last->nextSibling = sheet;
      last = sheet;
    }
    scene.root->SetScene(&scene);
    scene.CollectCamerasAndLights(scene.root);
    scenetest::SceneViewer viewer(scene);
    viewer.Use();

    using Clock = std::chrono::steady_clock;
    int frame = 0;
    auto draw = [&] {
      const float t = 0.5f * static_cast<float>(frame++);
      if (!viewer.Frame(t)) return false;
      viewer.Camera(*camera);
      if (!viewer.Draw(0x102030)) return false;
      video::PresentFrame();
      return true;
    };
    if (!draw()) return;  // warm-up
    int frames = 0;
    const auto start = Clock::now();
    double elapsed = 0;
    while (elapsed < 2.0 || frames < 10) {
      if (!draw()) return;
      ++frames;
      elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    }
    fps = frames / elapsed;
    if (const char* png = std::getenv("VOXA2_BENCH_PNG"))  // to look at the last frame
      platform::WritePresentedFramePng(std::string(png) + "/scene3d_" + std::to_string(width) + ".png");
    FreeMaterialTemplates();
  });
  return fps;
}

}  // namespace

int main() {
  platform::SelectBackend(platform::BackendKind::Headless);
  int failed = 0;
  for (auto [width, height] : {std::pair{640, 480}, std::pair{1920, 1080}}) {
    const double fps = FramesPerSecond(width, height);
    if (fps < 0) {
      std::printf("%dx%d 32-bit: failed\n", width, height);
      failed = 1;
    } else {
      std::printf("%dx%d 32-bit: %.1f frames per second (%d meshes, %d triangles)\n", width,
                  height, fps, kMeshes, kMeshes * kCells * kCells * 2);
    }
  }
  return failed;
}

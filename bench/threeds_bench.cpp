// Milliseconds to load a 3DS scene of one mapped grid mesh of 50,562
// triangles (25,600 vertices) with a material and a keyframer node, through
// a 3DS scene's Load on the headless display: the file read, the editor
// chunks with normals, the node and its render meshes, and the copy into the
// scene. Prints the best of several loads. Build in Release:
//
//   cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVOXA2_TESTS=OFF
//   cmake --build build/release --target bench_threeds && build/release/bench/bench_threeds [loads]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "bench/display.h"
#include "foundation/archive.h"
#include "platform/backend.h"
#include "tests/threedee/loaders/chunkwriter.h"
#include "threedee/loaders/threedsloader.h"
#include "threedee/scene/trimesh.h"

namespace {

using namespace chunkwriter;

constexpr int kSide = 160;  // vertices per grid side

Bytes GridFile() {
  Bytes vertices = U16(kSide * kSide), mapping = U16(kSide * kSide);
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) {
      vertices += Floats({float(x), float(y), float((x * y) % 7) * 0.1f});
      mapping += Floats({float(x) / (kSide - 1), float(y) / (kSide - 1)});
    }
  const int quads = (kSide - 1) * (kSide - 1);
  Bytes faces = U16(static_cast<std::uint16_t>(2 * quads)), group = Str("Grass") + U16(static_cast<std::uint16_t>(2 * quads));
  for (int y = 0; y + 1 < kSide; ++y)
    for (int x = 0; x + 1 < kSide; ++x) {
      const auto v = static_cast<std::uint16_t>(y * kSide + x);
      faces += U16(v) + U16(v + 1) + U16(v + kSide + 1) + U16(7);
      faces += U16(v) + U16(v + kSide + 1) + U16(v + kSide) + U16(7);
    }
  for (int f = 0; f < 2 * quads; ++f) group += U16(static_cast<std::uint16_t>(f));
  return Main({Editor({Material("Grass", {Chunk(0xA020, ByteColor(40, 200, 40))}),
                       Object("Grid", {Chunk(0x4100, "", {Chunk(0x4110, vertices), Chunk(0x4140, mapping),
                                                          Chunk(0x4120, faces, {Chunk(0x4130, group)})})})}),
               Keyframer({Node(0xB002, "Grid", -1)})});
}

double Now() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace VOXA2;
  const int loads = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  platform::SelectBackend(platform::BackendKind::Headless);
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "voxa2-bench-threeds";
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  const Bytes file = GridFile();
  std::ofstream("grid.3ds", std::ios::binary) << file;
  ClearFileAccessFunctions();
  AddFileAccessFunction(kernel::PlainFileAccess);
  double best = -1.0;
  std::size_t parts = 0;
  benchsupport::RunOnDisplay(640, 480, 32, [&] {
    threedee::Setup3DDevice();
    for (int i = 0; i < loads; ++i) {
      threedee::c3DSscene scene;
      const double start = Now();
      if (!scene.Load("grid.3ds")) return;
      const double ms = Now() - start;
      best = best < 0 ? ms : std::min(best, ms);
      if (auto* mesh = dynamic_cast<threedee::c3DtriangularMesh*>(scene.root)) parts = mesh->parts.size();
    }
  });
  FreeFileAccessLists();
  if (best < 0 || parts == 0) {
    std::printf("the grid scene did not load\n");
    return 1;
  }
  std::printf("3DS load, %d triangles, %d vertices, %zu bytes: %.2f ms (best of %d)\n",
              2 * (kSide - 1) * (kSide - 1), kSide * kSide, file.size(), best, loads);
  return 0;
}

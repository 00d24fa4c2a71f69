// The two workloads of bench_raster rendered through Mesa's llvmpipe
// (OSMesa, fixed-function OpenGL), for comparison. Run with LP_NUM_THREADS=1
// or 2; prints "fill <megapixels per second>" and "tris <million triangles
// per second>".
#include <GL/gl.h>
#include <GL/osmesa.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 640, kHeight = 480;

template <typename F>
double SecondsPerFrame(F frame) {
  using Clock = std::chrono::steady_clock;
  frame();
  glFinish();
  int frames = 0;
  const auto start = Clock::now();
  double elapsed = 0;
  while (elapsed < 2.0 || frames < 3) {
    frame();
    glFinish();
    ++frames;
    elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  }
  return elapsed / frames;
}

double Fill() {
  std::vector<std::uint32_t> texels(256 * 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x)  // RGBA bytes in memory
      texels[static_cast<size_t>(y * 256 + x)] =
          0x80000000u | static_cast<std::uint32_t>((x ^ y) & 255) << 16 |
          static_cast<std::uint32_t>(y) << 8 | static_cast<std::uint32_t>(x);
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 256, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  const double s = SecondsPerFrame([] {
    for (int i = 0; i < 10; ++i) {
      glBegin(GL_TRIANGLE_STRIP);
      glColor4ub(255, 128, 64, 255);
      glTexCoord2f(0, 0);
      glVertex2f(-1, 1);
      glColor4ub(64, 255, 128, 255);
      glTexCoord2f(1, 0);
      glVertex2f(1, 1);
      glColor4ub(128, 64, 255, 255);
      glTexCoord2f(0, 1);
      glVertex2f(-1, -1);
      glColor4ub(255, 255, 255, 255);
      glTexCoord2f(1, 1);
      glVertex2f(1, -1);
      glEnd();
    }
  });
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glDeleteTextures(1, &tex);
  return 10.0 * kWidth * kHeight / s / 1e6;
}

double Triangles() {
  struct V {
    float x, y, z, nx, ny, nz;
  };
  std::vector<V> tris;
  const int cols = 250, rows = 200;
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) {
      const float x = -1.2f + 2.4f * c / cols, y = -0.9f + 1.8f * r / rows;
      const float dx = 2.4f / cols, dy = 1.8f / rows;
      const float nx = 0.2f * ((c & 3) - 1.5f), ny = 0.2f * ((r & 3) - 1.5f);
      // Right-handed eye space: the plane at z = −1.2, normals towards +z.
      V a{x, y, -1.2f, nx, ny, 1}, b{x + dx, y, -1.2f, nx, ny, 1}, e{x, y + dy, -1.2f, nx, ny, 1},
          f{x + dx, y + dy, -1.2f, nx, ny, 1};
      tris.insert(tris.end(), {a, b, e, e, b, f});
    }
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-0.0133, 0.0133, -0.01, 0.01, 0.01, 100.0);  // 0.75 and 1 as in the D3D projection
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glEnable(GL_NORMALIZE);
  const GLfloat ambient[4] = {0.125f, 0.125f, 0.125f, 1}, white[4] = {1, 1, 1, 1};
  const GLfloat dir[4] = {-0.3f, 0.4f, 0.866f, 0};
  const GLfloat md[4] = {0.8f, 0.6f, 0.4f, 1}, ma[4] = {0.2f, 0.2f, 0.2f, 1};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
  glLightfv(GL_LIGHT0, GL_POSITION, dir);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, md);
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ma);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glVertexPointer(3, GL_FLOAT, sizeof(V), &tris[0].x);
  glNormalPointer(GL_FLOAT, sizeof(V), &tris[0].nx);
  const double s = SecondsPerFrame([&] {
    glClear(GL_DEPTH_BUFFER_BIT);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(tris.size()));
  });
  return tris.size() / 3.0 / s / 1e6;
}

}  // namespace

int main() {
  OSMesaContext ctx = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
  if (!ctx) {
    std::fprintf(stderr, "no OSMesa context\n");
    return 1;
  }
  std::vector<std::uint32_t> buffer(kWidth * kHeight);
  if (!OSMesaMakeCurrent(ctx, buffer.data(), GL_UNSIGNED_BYTE, kWidth, kHeight)) {
    std::fprintf(stderr, "OSMesaMakeCurrent failed\n");
    return 1;
  }
  glViewport(0, 0, kWidth, kHeight);
  std::printf("fill %.1f\n", Fill());
  std::printf("tris %.2f\n", Triangles());
  OSMesaDestroyContext(ctx);
  return 0;
}

// The workloads of bench_raster (bench/raster_cases.h) rendered through
// Mesa's llvmpipe (OSMesa, fixed-function OpenGL), for comparison, in the
// same lines. Without LP_NUM_THREADS it runs itself once per thread count of
// the case list (1, 2, the machine's); with it, at that count only.
#include <GL/gl.h>
#include <GL/osmesa.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/raster_cases.h"

namespace {

using rasterbench::kHeight;
using rasterbench::kWidth;

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

double Fill(const rasterbench::FillCase& c) {
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
  const GLint mode = c.addressing == rasterbench::Addressing::Mirror  ? GL_MIRRORED_REPEAT
                     : c.addressing == rasterbench::Addressing::Clamp ? GL_CLAMP_TO_EDGE
                                                                      : GL_REPEAT;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, mode);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, mode);
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
  if (c.bits == 16)
    glEnable(GL_DITHER);
  else
    glDisable(GL_DITHER);
  constexpr float lo = rasterbench::kTexLow, hi = rasterbench::kTexHigh;
  const double s = SecondsPerFrame([] {
    for (int i = 0; i < 10; ++i) {
      glBegin(GL_TRIANGLE_STRIP);
      glColor4ub(255, 128, 64, 255);
      glTexCoord2f(lo, lo);
      glVertex2f(-1, 1);
      glColor4ub(64, 255, 128, 255);
      glTexCoord2f(hi, lo);
      glVertex2f(1, 1);
      glColor4ub(128, 64, 255, 255);
      glTexCoord2f(lo, hi);
      glVertex2f(-1, -1);
      glColor4ub(255, 255, 255, 255);
      glTexCoord2f(hi, hi);
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

// One context per target format; false when OSMesa offers none.
struct Context {
  OSMesaContext ctx = nullptr;
  std::vector<std::uint32_t> buffer = std::vector<std::uint32_t>(kWidth * kHeight);
  explicit Context(int bits) {
    ctx = OSMesaCreateContextExt(bits == 16 ? OSMESA_RGB_565 : OSMESA_RGBA, bits == 16 ? 16 : 24, 0,
                                 0, nullptr);
    if (!ctx) return;
    if (!OSMesaMakeCurrent(ctx, buffer.data(),
                           bits == 16 ? GL_UNSIGNED_SHORT_5_6_5 : GL_UNSIGNED_BYTE, kWidth,
                           kHeight)) {
      OSMesaDestroyContext(ctx);
      ctx = nullptr;
      return;
    }
    glViewport(0, 0, kWidth, kHeight);
  }
  ~Context() {
    if (ctx) OSMesaDestroyContext(ctx);
  }
};

int Run(int threads) {
  for (const rasterbench::FillCase& c : rasterbench::FillCases()) {
    Context context(c.bits);
    if (!context.ctx) {
      std::fprintf(stderr, "no OSMesa context for %d bits\n", c.bits);
      return 1;
    }
    std::printf("%s %.1f\n", rasterbench::Line(c.name, threads).c_str(), Fill(c));
    std::fflush(stdout);
  }
  Context context(32);
  if (!context.ctx) return 1;
  std::printf("%s %.2f\n", rasterbench::Line("tris", threads).c_str(), Triangles());
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int, char** argv) {
  if (const char* set = std::getenv("LP_NUM_THREADS")) return Run(std::atoi(set));
  // llvmpipe reads the thread count once, when it starts: one process per count.
  for (int threads : rasterbench::ThreadCounts()) {
    const pid_t child = fork();
    if (child == 0) {
      setenv("LP_NUM_THREADS", std::to_string(threads).c_str(), 1);
      execv("/proc/self/exe", argv);
      _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) < 0 || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0)
      return 1;
  }
  return 0;
}

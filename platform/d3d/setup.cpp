#include "platform/d3d/setup.h"

#include <algorithm>
#include <cmath>

namespace platform::raster {
namespace {

constexpr int kSub = 16;                   // sub-pixel steps per pixel
constexpr float kCoordLimit = 1048576.0f;  // pixels; keeps edge products in 64 bits

std::int64_t Snap(float v) {
  if (!(v > -kCoordLimit)) v = -kCoordLimit;  // NaN too
  if (v > kCoordLimit) v = kCoordLimit;
  v *= kSub;
  return static_cast<std::int64_t>(v >= 0 ? v + 0.5f : v - 0.5f);
}

std::int64_t FloorDiv(std::int64_t n, std::int64_t d) {  // d > 0
  std::int64_t q = n / d;
  return (n % d != 0 && n < 0) ? q - 1 : q;
}
std::int64_t CeilDiv(std::int64_t n, std::int64_t d) { return -FloorDiv(-n, d); }

// The plane through three values at three points.
Plane PlaneOf(const double x[3], const double y[3], double v0, double v1, double v2, double area) {
  Plane p;
  p.dx = ((v1 - v0) * (y[2] - y[0]) - (v2 - v0) * (y[1] - y[0])) / area;
  p.dy = ((v2 - v0) * (x[1] - x[0]) - (v1 - v0) * (x[2] - x[0])) / area;
  p.c = v0 - p.dx * x[0] - p.dy * y[0];
  return p;
}

Plane Constant(double v) { return Plane{v, 0, 0}; }

void RunSpan(const Interpolants& v, const PixelPipeline& p, int y, int x0, int x1) {
  Chunk c;
  c.y = y;
  c.values = &v;
  for (int x = x0; x < x1; x += kChunk) {
    c.x = x;
    c.n = std::min(kChunk, x1 - x);
    p.interpolate(v, c);
    p.Run(c);
  }
}

// One pixel with the values of v (used by lines and points).
void RunPixel(const ScreenVertex& v, int x, int y, const PixelPipeline& p) {
  Interpolants ip;
  ip.r = Constant(v.color[0] * 255.0);
  ip.g = Constant(v.color[1] * 255.0);
  ip.b = Constant(v.color[2] * 255.0);
  ip.a = Constant(v.color[3] * 255.0);
  ip.fog = Constant(v.fog * 255.0);
  ip.z = Constant(v.z);
  ip.rhw = Constant(v.rhw);
  ip.sr = Constant(v.specular[0] * 255.0);
  ip.sg = Constant(v.specular[1] * 255.0);
  ip.sb = Constant(v.specular[2] * 255.0);
  for (int s = 0; s < 8; ++s) {
    ip.tu[s] = Constant(double(v.tex[s][0]) * v.rhw);
    ip.tv[s] = Constant(double(v.tex[s][1]) * v.rhw);
  }
  Chunk c;
  c.values = &ip;
  c.x = x;
  c.y = y;
  c.n = 1;
  p.interpolate(ip, c);
  p.Run(c);
}

bool Inside(const Rect& r, int x, int y) { return x >= r.x0 && x < r.x1 && y >= r.y0 && y < r.y1; }

}  // namespace

double ScreenArea(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2) {
  return (static_cast<double>(v1.x) - v0.x) * (static_cast<double>(v2.y) - v0.y) -
         (static_cast<double>(v2.x) - v0.x) * (static_cast<double>(v1.y) - v0.y);
}

bool SetupTriangle(const ScreenVertex& v0, const ScreenVertex& v1, const ScreenVertex& v2,
                   bool gouraud, TriangleSetup* out, int texStages) {
  const ScreenVertex* v[3] = {&v0, &v1, &v2};
  std::int64_t X[3], Y[3];
  for (int i = 0; i < 3; ++i) X[i] = Snap(v[i]->x), Y[i] = Snap(v[i]->y);
  std::int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
  if (area == 0) return false;
  if (area < 0) {  // make the edge functions positive inside
    std::swap(v[1], v[2]);
    std::swap(X[1], X[2]);
    std::swap(Y[1], Y[2]);
    area = -area;
  }
  for (int i = 0; i < 3; ++i) {
    int j = (i + 1) % 3;
    std::int64_t dx = X[j] - X[i], dy = Y[j] - Y[i];
    out->a[i] = -dy;
    out->b[i] = dx;
    // Top edges (horizontal, inside below) and left edges (inside to the
    // right) own the pixels on them; the others leave them to their neighbour.
    bool topLeft = (dy == 0 && dx > 0) || dy < 0;
    out->c[i] = dy * X[i] - dx * Y[i] + (topLeft ? 0 : -1);
  }
  std::int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
  std::int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
  out->left = static_cast<int>(CeilDiv(minX, kSub));
  out->right = static_cast<int>(FloorDiv(maxX, kSub));
  out->top = static_cast<int>(CeilDiv(minY, kSub));
  out->bottom = static_cast<int>(FloorDiv(maxY, kSub));

  double x[3], y[3];
  for (int i = 0; i < 3; ++i) x[i] = X[i] / double(kSub), y[i] = Y[i] / double(kSub);
  const double fa = static_cast<double>(area) / (kSub * kSub);
  Interpolants& ip = out->values;
  auto plane = [&](auto get) { return PlaneOf(x, y, get(*v[0]), get(*v[1]), get(*v[2]), fa); };
  if (gouraud) {
    ip.r = plane([](const ScreenVertex& s) { return s.color[0] * 255.0; });
    ip.g = plane([](const ScreenVertex& s) { return s.color[1] * 255.0; });
    ip.b = plane([](const ScreenVertex& s) { return s.color[2] * 255.0; });
    ip.a = plane([](const ScreenVertex& s) { return s.color[3] * 255.0; });
  } else {
    ip.r = Constant(v0.color[0] * 255.0);
    ip.g = Constant(v0.color[1] * 255.0);
    ip.b = Constant(v0.color[2] * 255.0);
    ip.a = Constant(v0.color[3] * 255.0);
  }
  if (gouraud) {
    ip.sr = plane([](const ScreenVertex& s) { return s.specular[0] * 255.0; });
    ip.sg = plane([](const ScreenVertex& s) { return s.specular[1] * 255.0; });
    ip.sb = plane([](const ScreenVertex& s) { return s.specular[2] * 255.0; });
  } else {
    ip.sr = Constant(v0.specular[0] * 255.0);
    ip.sg = Constant(v0.specular[1] * 255.0);
    ip.sb = Constant(v0.specular[2] * 255.0);
  }
  for (int s = 0; s < texStages && s < 8; ++s) {
    ip.tu[s] = plane([s](const ScreenVertex& q) { return double(q.tex[s][0]) * q.rhw; });
    ip.tv[s] = plane([s](const ScreenVertex& q) { return double(q.tex[s][1]) * q.rhw; });
  }
  ip.fog = plane([](const ScreenVertex& s) { return s.fog * 255.0; });
  ip.z = plane([](const ScreenVertex& s) { return double(s.z); });
  ip.rhw = plane([](const ScreenVertex& s) { return double(s.rhw); });
  return true;
}

void RasterizeTriangle(const TriangleSetup& t, const Rect& clip, const PixelPipeline& p,
                       const Rows& rows) {
  const int y0 = std::max(t.top, clip.y0), y1 = std::min(t.bottom + 1, clip.y1);
  const int xl = std::max(t.left, clip.x0), xr = std::min(t.right + 1, clip.x1);
  if (y0 >= y1 || xl >= xr) return;
  for (int y = rows.First(y0); y < y1; y = rows.Next(y)) {
    std::int64_t lo = xl, hi = xr - 1;  // inclusive columns
    for (int e = 0; e < 3 && lo <= hi; ++e) {
      // a·16x + rest ≥ 0
      std::int64_t rest = t.b[e] * (static_cast<std::int64_t>(y) * kSub) + t.c[e];
      std::int64_t a = t.a[e] * kSub;
      if (a > 0) {
        lo = std::max(lo, CeilDiv(-rest, a));
      } else if (a < 0) {
        hi = std::min(hi, FloorDiv(rest, -a));
      } else if (rest < 0) {
        hi = lo - 1;
      }
    }
    if (lo <= hi) RunSpan(t.values, p, y, static_cast<int>(lo), static_cast<int>(hi) + 1);
  }
}

void RasterizeLine(const ScreenVertex& v0, const ScreenVertex& v1, bool gouraud, const Rect& clip,
                   const PixelPipeline& p, const Rows& rows) {
  const double dx = double(v1.x) - v0.x, dy = double(v1.y) - v0.y;
  const bool xMajor = std::fabs(dx) >= std::fabs(dy);
  const double major0 = xMajor ? v0.x : v0.y, major1 = xMajor ? v1.x : v1.y;
  const double dMajor = xMajor ? dx : dy, dMinor = xMajor ? dy : dx;
  const double minor0 = xMajor ? v0.y : v0.x;
  if (!(std::fabs(dMajor) > 0) || !std::isfinite(dMajor) || !std::isfinite(dMinor)) return;
  // Pixels whose centre the major coordinate passes, the end pixel excluded.
  const double lim = kCoordLimit;
  const long s = std::lround(std::clamp(major0, -lim, lim));
  const long e = std::lround(std::clamp(major1, -lim, lim));
  const long step = e > s ? 1 : -1;
  ScreenVertex v = v0;
  for (long m = s; m != e; m += step) {
    double t = std::clamp((m - major0) / dMajor, 0.0, 1.0);
    long n = std::lround(std::clamp(minor0 + t * dMinor, -lim, lim));
    int x = static_cast<int>(xMajor ? m : n), y = static_cast<int>(xMajor ? n : m);
    if (!Inside(clip, x, y) || !rows.Owns(y)) continue;
    auto lerp = [t](float a, float b) { return static_cast<float>(a + (b - a) * t); };
    if (gouraud) {
      for (int k = 0; k < 4; ++k) v.color[k] = lerp(v0.color[k], v1.color[k]);
      for (int k = 0; k < 3; ++k) v.specular[k] = lerp(v0.specular[k], v1.specular[k]);
    }
    // Coordinates perspective-correct along the line.
    const double q = v0.rhw + (double(v1.rhw) - v0.rhw) * t;
    for (int s = 0; s < 8; ++s)
      for (int k = 0; k < 2; ++k) {
        double a = double(v0.tex[s][k]) * v0.rhw, b = double(v1.tex[s][k]) * v1.rhw;
        v.tex[s][k] = q != 0 ? static_cast<float>((a + (b - a) * t) / q) : v0.tex[s][k];
      }
    v.fog = lerp(v0.fog, v1.fog);
    v.z = lerp(v0.z, v1.z);
    v.rhw = lerp(v0.rhw, v1.rhw);
    RunPixel(v, x, y, p);
  }
}

void RasterizePoint(const ScreenVertex& v, const Rect& clip, const PixelPipeline& p,
                    const Rows& rows) {
  if (!(v.x > -kCoordLimit && v.x < kCoordLimit && v.y > -kCoordLimit && v.y < kCoordLimit)) return;
  int x = static_cast<int>(std::floor(v.x)), y = static_cast<int>(std::floor(v.y));
  if (Inside(clip, x, y) && rows.Owns(y)) RunPixel(v, x, y, p);
}

}  // namespace platform::raster

#include "threedee/objects/marchingcubes.h"

namespace VOXA2::threedee::marching {

namespace {

constexpr int Bit(int corner, int axis) { return (corner >> axis) & 1; }

// The two axes other than `axis`, the lower first.
constexpr int OtherAxis(int axis, int which) {
  return which == 0 ? (axis == 0 ? 1 : 0) : (axis == 2 ? 1 : 2);
}

constexpr int EdgeOf(int axis, int start) {
  return 4 * axis + Bit(start, OtherAxis(axis, 0)) + 2 * Bit(start, OtherAxis(axis, 1));
}

// The edge joining two corners that differ in one bit.
constexpr int EdgeBetween(int a, int b) {
  const int diff = a ^ b;
  const int axis = diff == 1 ? 0 : diff == 2 ? 1 : 2;
  return EdgeOf(axis, a < b ? a : b);
}

constexpr std::array<tEdge, 12> MakeEdges() {
  std::array<tEdge, 12> edges{};
  for (int axis = 0; axis < 3; ++axis)
    for (int start = 0; start < 8; ++start) {
      if (Bit(start, axis)) continue;
      edges[EdgeOf(axis, start)] = {
          static_cast<std::uint32_t>(axis), static_cast<std::uint32_t>(Bit(start, 0)),
          static_cast<std::uint32_t>(Bit(start, 1)), static_cast<std::uint32_t>(Bit(start, 2))};
    }
  return edges;
}

constexpr int CountBits(int c) {
  int n = 0;
  for (; c; c &= c - 1) ++n;
  return n;
}

// Whether the inside corners of the case are all joined along cube edges.
constexpr bool AllJoined(int inside) {
  if (!inside) return true;
  int reached = inside & -inside;
  for (bool grew = true; grew;) {
    grew = false;
    for (int c = 0; c < 8; ++c) {
      if (!(reached >> c & 1)) continue;
      for (int axis = 0; axis < 3; ++axis) {
        const int n = c ^ (1 << axis);
        if ((inside >> n & 1) && !(reached >> n & 1)) {
          reached |= 1 << n;
          grew = true;
        }
      }
    }
  }
  return reached == inside;
}

using Row = std::array<std::uint32_t, 12>;

struct tRowOf {
  std::uint32_t count;
  Row edges;
};

// Rows given by hand where the triangulation is fixed; every other row follows
// from the rules, and the hand rows obey them too (the tests check all 256).
constexpr int kHandRows = 8;
constexpr struct {
  int c;
  tRowOf row;
} kGiven[kHandRows] = {
    {1, {1, {0, 4, 8}}},
    {2, {1, {0, 9, 5}}},
    {3, {2, {4, 9, 5, 4, 8, 9}}},
    {6, {2, {0, 9, 5, 1, 10, 4}}},
    {7, {3, {1, 10, 8, 1, 8, 5, 5, 8, 9}}},
    {15, {2, {9, 11, 10, 8, 9, 10}}},
    {23, {4, {5, 1, 9, 6, 2, 10, 2, 1, 10, 9, 1, 2}}},
    {128, {1, {3, 11, 7}}},
};

// The polygons of a case with at most four inside corners, fanned into triangles.
constexpr tRowOf Cut(int inside) {
  tRowOf out{};
  const int k = CountBits(inside);
  if (k == 0 || (k == 4 && !AllJoined(inside))) return out;

  // On each cube face, every run of inside corners (cyclically) is cut off
  // by a segment from the crossed edge entering it to the one leaving it; a
  // crossed edge lies on two faces, so the segments close into loops.
  int neighbour[12][2] = {};
  int links[12] = {};
  for (int axis = 0; axis < 3; ++axis)
    for (int side = 0; side < 2; ++side) {
      const int u = OtherAxis(axis, 0), w = OtherAxis(axis, 1);
      int f[4] = {};
      const int bu[4] = {0, 1, 1, 0}, bw[4] = {0, 0, 1, 1};
      for (int i = 0; i < 4; ++i) f[i] = side << axis | bu[i] << u | bw[i] << w;
      for (int i = 0; i < 4; ++i) {
        const bool in = inside >> f[i] & 1, before = inside >> f[(i + 3) % 4] & 1;
        if (!in || before) continue;
        int j = i;
        while (inside >> f[(j + 1) % 4] & 1) j = (j + 1) % 4;
        const int enter = EdgeBetween(f[(i + 3) % 4], f[i]);
        const int leave = EdgeBetween(f[j], f[(j + 1) % 4]);
        neighbour[enter][links[enter]++] = leave;
        neighbour[leave][links[leave]++] = enter;
      }
    }

  const std::array<tEdge, 12> edges = MakeEdges();
  bool used[12] = {};
  int written = 0;
  for (int first = 0; first < 12; ++first) {
    if (!links[first] || used[first]) continue;
    int loop[12] = {};
    int n = 0;
    for (int previous = -1, at = first;;) {
      loop[n++] = at;
      used[at] = true;
      const int next = neighbour[at][0] != previous ? neighbour[at][0] : neighbour[at][1];
      previous = at;
      at = next;
      if (at == first) break;
    }
    // Turn the loop so that its normal (edge midpoints, doubled to stay
    // whole) points along the crossed edges from inside to outside.
    long normal[3] = {}, outward[3] = {};
    int mid[12][3] = {};
    for (int i = 0; i < n; ++i) {
      const tEdge& e = edges[loop[i]];
      const int start = static_cast<int>(e.dx + 2 * e.dy + 4 * e.dz);
      for (int a = 0; a < 3; ++a) mid[i][a] = 2 * Bit(start, a) + (a == static_cast<int>(e.axis));
      outward[e.axis] += (inside >> start & 1) ? 1 : -1;
    }
    for (int i = 0; i < n; ++i) {
      const int* p = mid[i];
      const int* q = mid[(i + 1) % n];
      normal[0] += (p[1] - q[1]) * (p[2] + q[2]);
      normal[1] += (p[2] - q[2]) * (p[0] + q[0]);
      normal[2] += (p[0] - q[0]) * (p[1] + q[1]);
    }
    if (normal[0] * outward[0] + normal[1] * outward[1] + normal[2] * outward[2] < 0)
      for (int i = 1, j = n - 1; i < j; ++i, --j) {
        const int t = loop[i];
        loop[i] = loop[j];
        loop[j] = t;
      }
    for (int i = 1; i + 1 < n; ++i) {
      out.edges[written++] = static_cast<std::uint32_t>(loop[0]);
      out.edges[written++] = static_cast<std::uint32_t>(loop[i]);
      out.edges[written++] = static_cast<std::uint32_t>(loop[i + 1]);
      ++out.count;
    }
  }
  return out;
}

constexpr tCaseTables Build() {
  tCaseTables t{};
  t.edges = MakeEdges();
  for (int c = 0; c < 256; ++c) {
    const int k = CountBits(c);
    if (k > 4 || (k == 4 && c > 255 - c)) continue;
    tRowOf row = Cut(c);
    for (const auto& given : kGiven)
      if (given.c == c) row = given.row;
    t.triangleCount[c] = row.count;
    t.triangles[c] = row.edges;
  }
  // Swapping inside and outside turns every triangle over.
  for (int c = 0; c < 256; ++c) {
    const int k = CountBits(c);
    if (!(k > 4 || (k == 4 && c > 255 - c))) continue;
    const int base = 255 - c;
    t.triangleCount[c] = t.triangleCount[base];
    for (std::uint32_t tri = 0; tri < t.triangleCount[base]; ++tri) {
      t.triangles[c][3 * tri] = t.triangles[base][3 * tri];
      t.triangles[c][3 * tri + 1] = t.triangles[base][3 * tri + 2];
      t.triangles[c][3 * tri + 2] = t.triangles[base][3 * tri + 1];
    }
  }
  return t;
}

constexpr tCaseTables kTables = Build();

}  // namespace

const tCaseTables& CaseTables() { return kTables; }

}  // namespace VOXA2::threedee::marching

// The case tables of the blob surface: for each of the 256 inside/outside
// patterns of a grid cell's corners, the triangles (as triples of cell
// edges) that separate the inside corners from the outside ones.
//
// Corner n of a cell is the grid point (i + dx, j + dy, k + dz) with
// n = dx + 2 dy + 4 dz; bit n of a case is set when corner n is inside.
// Edge 4 axis + a + 2 b runs one step along the axis from the corner whose
// offsets along the two other axes (the lower-numbered axis first) are a, b.
//
// The tables are worked out when the program is compiled, from these rules:
// corners joined along cube edges are cut off together (one corner by a
// triangle, two by a quadrilateral, three by a pentagon); four corners are cut
// off by a quadrilateral when they make a cube face, by a hexagon when they
// are otherwise joined, and not at all when they are not all joined; every
// polygon faces from the inside corners to the outside ones, and the case
// with inside and outside swapped holds the same triangles turned over.
#pragma once

#include <array>
#include <cstdint>

namespace VOXA2::threedee::marching {

struct tEdge {
  std::uint32_t axis, dx, dy, dz;
};

struct tCaseTables {
  std::array<tEdge, 12> edges;
  std::array<std::uint32_t, 256> triangleCount;
  // Triples of edges, the first triangleCount × 3 entries used, the rest 0.
  std::array<std::array<std::uint32_t, 12>, 256> triangles;
};

const tCaseTables& CaseTables();

}  // namespace VOXA2::threedee::marching

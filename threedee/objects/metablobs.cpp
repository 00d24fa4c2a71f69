#include "threedee/objects/metablobs.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "threedee/objects/marchingcubes.h"
#include "threedee/scene/material.h"
#include "windxkernel/3dkernel.h"
#include "windxkernel/debuglog.h"

namespace VOXA2::threedee {

namespace {

// An edge whose vertex could not be made: triangles on it are left out.
constexpr std::uint32_t kNoVertex = 0xFFFFFFFFu;
// A blob exactly on a grid point would give an infinite (or 0/0) field.
constexpr float kSmallestDistance2 = 1e-12f;

float* At(VertexArray& array, std::uint32_t offset, int vertex) {
  return reinterpret_cast<float*>(array.data +
                                  static_cast<std::size_t>(vertex) * array.pointer.stride + offset);
}

float Component(const Vector& v, int axis) { return axis == 0 ? v.x : axis == 1 ? v.y : v.z; }

void AddNormal(float* n, const Vector& add) {
  n[0] += add.x;
  n[1] += add.y;
  n[2] += add.z;
}

template <class T>
void Allocate(std::vector<T>& list, std::size_t count, const char* what) {
  tracks::OrFailFor(what, [&] {
    list.assign(count, T{});
    return 0;
  });
}

}  // namespace

c3Dmetablobs::tBlob::~tBlob() {
  delete position;
  delete strength;
  delete sineScale;
  delete sineParameter;
}

c3Dmetablobs::c3Dmetablobs() {
  kind = kKind;
  vertexFormat.position = true;
  vertexFormat.normal = true;
  vertexFormat.textureSetCount = 1;
  vertexFormat.GetVertexSize();
}

c3Dmetablobs::~c3Dmetablobs() { delete thresholdTrack; }

c3Dmetablobs::tBlob* c3Dmetablobs::AddBlob() {
  auto* blob = VOXA::errors::NewOrThrow<tBlob>("tBlob");
  tracks::OrFailFor("blob list!", [&] {
    blobs.emplace_back(blob);
    return 0;
  });
  return blob;
}

void c3Dmetablobs::AllocateGrid() {
  cellsX = detailX;
  cellsY = detailY;
  cellsZ = detailZ;
  cellsPerLayer = cellsX * cellsY;
  cellCount = cellsPerLayer * cellsZ;
  pointsPerRow = cellsX + 1;
  pointsPerLayer = (cellsX + 1) * (cellsY + 1);
  pointCount = pointsPerLayer * (cellsZ + 1);
  Allocate(blobRowSums, blobs.size(), "grid potentials!");
  Allocate(blobLayerSums, blobs.size(), "grid potentials!");
  Allocate(potentials, static_cast<std::size_t>(pointCount), "grid potentials!");
  Allocate(insideFlags, static_cast<std::size_t>(pointCount), "grid togglers!");
  Allocate(edgeVertices, 3 * static_cast<std::size_t>(cellCount), "grid vertices!");
  vertexFormat.position = true;
  vertexFormat.normal = true;
  vertexFormat.textureSetCount = 1;
  vertexFormat.GetVertexSize();
  vertexArray.reset(VertexArray::Create(true, std::min(3 * cellCount, kMaxVertices), vertexFormat));
  Allocate(indices, kIndicesPerCell * static_cast<std::size_t>(cellCount), "indices!");
}

bool c3Dmetablobs::Polygonise(float frame, float time, float sinceStart, float fraction) {
  if (!c3DStemporary::Animate(frame, time, sinceStart, fraction)) return false;
  gridOrigin = gridMin;
  cellSize.Set((gridMax.x - gridMin.x) / static_cast<float>(detailX),
               (gridMax.y - gridMin.y) / static_cast<float>(detailY),
               (gridMax.z - gridMin.z) / static_cast<float>(detailZ));

  if (material) {
    const int maps = material->MapCount();
    if (maps >= 0 && maps <= 8) {
      vertexFormat.textureSetCount = static_cast<std::uint32_t>(maps);
      vertexFormat.GetVertexSize();
    }
  }
  if (vertexArray && vertexArray->format.textureSetCount != vertexFormat.textureSetCount)
    vertexArray.reset(
        VertexArray::Create(true, std::min(3 * cellCount, kMaxVertices), vertexFormat));

  if (thresholdTrack) {
    thresholdTrack->Evaluate(frame);
    threshold = thresholdTrack->GetValues()[0];
  }
  for (auto& blob : blobs) {
    blob->centre.Set(0, 0, 0);
    blob->weight = 1.0f;
    if (blob->strength) {
      blob->strength->Evaluate(frame);
      blob->weight = blob->strength->GetValues()[0];
    }
    if (blob->position) {
      blob->position->Evaluate(frame);
      const float* p = blob->position->GetValues();
      blob->centre.Set(p[0], p[1], p[2]);
    }
    Vector offset(0, 0, 0);
    if (blob->sineParameter) {
      blob->sineParameter->Evaluate(frame);
      const float* p = blob->sineParameter->GetValues();
      offset.Set(std::sin(p[0]), std::sin(p[1]), std::sin(p[2]));
    }
    if (blob->sineScale) {
      blob->sineScale->Evaluate(frame);
      const float* s = blob->sineScale->GetValues();
      offset.Set(offset.x * s[0], offset.y * s[1], offset.z * s[2]);
    }
    blob->centre = blob->centre + offset;
  }

  // Without a grid (never allocated, or no device for the vertices) there is
  // no surface to show.
  if (potentials.empty() || !vertexArray) {
    hidden = true;
    return true;
  }
  SampleField();
  Extract();
  return true;
}

void c3Dmetablobs::SampleField() {
  const std::size_t count = blobs.size();
  if (blobRowSums.size() < count) Allocate(blobRowSums, count, "grid potentials!");
  if (blobLayerSums.size() < count) Allocate(blobLayerSums, count, "grid potentials!");
  float z = gridOrigin.z;
  for (int k = 0; k <= cellsZ; ++k, z += cellSize.z) {
    for (std::size_t b = 0; b < count; ++b) {
      const float d = z - blobs[b]->centre.z;
      blobLayerSums[b] = d * d;
    }
    float y = gridOrigin.y;
    for (int j = 0; j <= cellsY; ++j, y += cellSize.y) {
      for (std::size_t b = 0; b < count; ++b) {
        const float d = y - blobs[b]->centre.y;
        blobRowSums[b] = d * d + blobLayerSums[b];
      }
      float x = gridOrigin.x;
      std::size_t index =
          static_cast<std::size_t>(j) * pointsPerRow + static_cast<std::size_t>(k) * pointsPerLayer;
      for (int i = 0; i <= cellsX; ++i, x += cellSize.x, ++index) {
        float sum = -threshold;
        for (std::size_t b = 0; b < count; ++b) {
          const float d = x - blobs[b]->centre.x;
          sum += blobs[b]->weight / std::max(d * d + blobRowSums[b], kSmallestDistance2);
        }
        potentials[index] = sum;
        insideFlags[index] = std::signbit(sum) ? 0 : 0xFF;
      }
    }
  }
}

void c3Dmetablobs::Extract() {
  const marching::tCaseTables& tables = marching::CaseTables();
  VertexArray& array = *vertexArray;
  const std::int32_t capacity = std::min(array.vertexCount, kMaxVertices);
  const std::uint32_t posAt = array.pointer.position, normalAt = array.pointer.normal,
                      texAt = array.pointer.textureCoords;
  bool truncated = false;

  // Pass 1: one vertex on every crossed edge that starts below the far faces.
  vertexCount = 0;
  constexpr float kLargest = std::numeric_limits<float>::max();
  Vector low(kLargest, kLargest, kLargest), high(-kLargest, -kLargest, -kLargest);
  if (!array.Lock(3)) {
    hidden = true;
    return;
  }
  const std::int32_t step[3] = {1, pointsPerRow, pointsPerLayer};
  float z = gridOrigin.z;
  for (int k = 0; k < cellsZ; ++k, z += cellSize.z) {
    float y = gridOrigin.y;
    for (int j = 0; j < cellsY; ++j, y += cellSize.y) {
      float x = gridOrigin.x;
      for (int i = 0; i < cellsX; ++i, x += cellSize.x) {
        const std::int32_t p = i + j * pointsPerRow + k * pointsPerLayer;
        const std::int32_t cell = i + j * cellsX + k * cellsPerLayer;
        for (int axis = 0; axis < 3; ++axis) {
          const std::int32_t q = p + step[axis];
          if (insideFlags[p] == insideFlags[q]) continue;
          std::uint32_t& slot = edgeVertices[static_cast<std::size_t>(axis) * cellCount + cell];
          if (vertexCount >= capacity) {
            slot = kNoVertex;
            truncated = true;
            continue;
          }
          // The zero of the line through the two potentials, kept on the edge.
          float t = potentials[p] / (potentials[q] - potentials[p]);
          if (!(t <= 0.0f)) t = 0.0f;
          if (!(t >= -1.0f)) t = -1.0f;
          float v[3] = {x, y, z};
          v[axis] -= Component(cellSize, axis) * t;
          std::memcpy(At(array, posAt, vertexCount), v, sizeof v);
          std::memset(At(array, normalAt, vertexCount), 0, 3 * sizeof(float));
          low.Set(std::min(low.x, v[0]), std::min(low.y, v[1]), std::min(low.z, v[2]));
          high.Set(std::max(high.x, v[0]), std::max(high.y, v[1]), std::max(high.z, v[2]));
          slot = static_cast<std::uint32_t>(vertexCount++);
        }
      }
    }
  }
  array.Unlock();

  if (low.x > high.x) {
    for (Vector& corner : corners) corner.Set(0, 0, 0);
    center.Set(0, 0, 0);
    radius = 0;
    hidden = true;
  } else {
    for (int c = 0; c < 8; ++c)
      corners[c].Set(c & 4 ? high.x : low.x, c & 2 ? high.y : low.y, c & 1 ? high.z : low.z);
    center = (low + high).Scaled(0.5f);
    const Vector reach = high - center;
    radius = std::sqrt(reach.Dot(reach));
  }

  // Pass 2: the triangles of every cell but the last layer on each axis,
  // each adding its unit normal to its three vertices.
  indexCount = 0;
  if (!array.Lock(0)) return;
  auto position = [&](std::uint32_t v) {
    const float* p = At(array, posAt, static_cast<int>(v));
    return Vector(p[0], p[1], p[2]);
  };
  for (int k = 0; k + 1 < cellsZ; ++k)
    for (int j = 0; j + 1 < cellsY; ++j)
      for (int i = 0; i + 1 < cellsX; ++i) {
        int cases = 0;
        for (int n = 0; n < 8; ++n) {
          const std::int32_t point = (i + (n & 1)) + (j + (n >> 1 & 1)) * pointsPerRow +
                                     (k + (n >> 2 & 1)) * pointsPerLayer;
          cases |= insideFlags[point] & (1 << n);
        }
        const auto& row = tables.triangles[cases];
        for (std::uint32_t tri = 0; tri < tables.triangleCount[cases]; ++tri) {
          std::uint32_t v[3];
          bool missing = false;
          for (int corner = 0; corner < 3; ++corner) {
            const marching::tEdge& e = tables.edges[row[3 * tri + corner]];
            const std::int32_t cell = (i + static_cast<int>(e.dx)) +
                                      (j + static_cast<int>(e.dy)) * cellsX +
                                      (k + static_cast<int>(e.dz)) * cellsPerLayer;
            v[corner] = edgeVertices[static_cast<std::size_t>(e.axis) * cellCount + cell];
            missing |= v[corner] == kNoVertex;
          }
          if (missing || indexCount + 3 > static_cast<std::int32_t>(indices.size())) {
            truncated = true;
            continue;
          }
          for (std::uint32_t index : v) indices[indexCount++] = static_cast<std::uint16_t>(index);
          const Vector p0 = position(v[0]);
          Vector n = Cross(position(v[1]) - p0, position(v[2]) - p0);
          n.Normalize();
          for (std::uint32_t index : v) AddNormal(At(array, normalAt, static_cast<int>(index)), n);
        }
      }
  const bool textured = array.format.textureSetCount > 0;
  for (int v = 0; v < vertexCount; ++v) {
    float* stored = At(array, normalAt, v);
    Vector n(stored[0], stored[1], stored[2]);
    n.Normalize();
    std::memcpy(stored, &n, sizeof n);
    if (textured) {
      float* uv = At(array, texAt, v);
      uv[0] = (n.x + 1.0f) * 0.5f;
      uv[1] = (n.y + 1.0f) * 0.5f;
    }
  }
  array.Unlock();

  if (truncated && !toldTruncated) {
    toldTruncated = true;
    LogMessage(
        5, "The metablobs \"%s\" need more than %i vertices: the rest of the surface is left out",
        GetName() ? GetName() : "", static_cast<int>(kMaxVertices));
  }
}

bool c3Dmetablobs::DrawGeometry() {
  SetTransform(0, world.m);
  if (!material) return false;
  if (!vertexArray || indexCount == 0) return true;
  return material->DrawIndexed(3, vertexArray.get(), indices.data(),
                               static_cast<std::uint32_t>(indexCount), 0,
                               static_cast<std::uint32_t>(vertexCount - 1));
}

c3Dobject* c3Dmetablobs::Duplicate() const { return DuplicateAs(*this, "c3Dmetablobs"); }

void c3Dmetablobs::CopyTo(c3Dmetablobs* target) const {
  c3DoneMaterialMesh::CopyTo(target);
  CopyBounds(*this, *target);
  CopyTracks(*this, *target);
  target->gridMin = gridMin;
  target->gridMax = gridMax;
  target->threshold = threshold;
  target->detailX = detailX;
  target->detailY = detailY;
  target->detailZ = detailZ;
  target->thresholdTrack = tracks::CloneOrNull(thresholdTrack);
  for (const auto& blob : blobs) {
    tBlob* copy = target->AddBlob();
    copy->position = tracks::CloneOrNull(blob->position);
    copy->strength = tracks::CloneOrNull(blob->strength);
    copy->sineScale = tracks::CloneOrNull(blob->sineScale);
    copy->sineParameter = tracks::CloneOrNull(blob->sineParameter);
  }
  if (!potentials.empty()) {
    target->detailX = cellsX;
    target->detailY = cellsY;
    target->detailZ = cellsZ;
    target->AllocateGrid();
    target->detailX = detailX;
    target->detailY = detailY;
    target->detailZ = detailZ;
  }
}

}  // namespace VOXA2::threedee

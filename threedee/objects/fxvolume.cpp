#include "threedee/objects/fxvolume.h"

#include <cmath>
#include <new>

#include "foundation/allocate.h"
#include "threedee/scene/trimesh.h"

namespace VOXA2::threedee {
namespace {

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::errors::NewOrThrow;

// The class name that a failed cut reports (the second byte is 0xA7 in code page 1252).
constexpr const char* kCutPolygonClass = "c\xA7" "DFXVCpolygon";
constexpr const char* kPolygonClass = "c3DFXVCpolygon";

void Reserve(std::vector<Vector>& list, std::size_t count, const char* listName) {
  try {
    list.reserve(count);
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor(listName);
  }
}

// A polygon of the given corners; its array is allocated once.
c3DFXVCpolygon* MakePolygon(std::initializer_list<Vector> corners, bool inverted,
                            const char* vertexListName) {
  auto* polygon = NewOrThrow<c3DFXVCpolygon>(kPolygonClass);
  try {
    Reserve(polygon->vertices, corners.size(), vertexListName);
    for (const Vector& corner : corners) polygon->vertices.push_back(corner);
  } catch (...) {
    delete polygon;
    throw;
  }
  polygon->inverted = inverted;
  return polygon;
}

// A copy with the vertex array, plane and side flag of the source.
c3DFXVCpolygon* CopyPolygon(const c3DFXVCpolygon& source) {
  auto* copy = NewOrThrow<c3DFXVCpolygon>(kPolygonClass);
  try {
    copy->vertices = source.vertices;
  } catch (const std::bad_alloc&) {
    delete copy;
    throw new eCouldNotAllocateMemoryFor("polygon vertices!");
  }
  copy->normal = source.normal;
  copy->distance = source.distance;
  copy->inverted = source.inverted;
  return copy;
}

const float* PositionOf(const VertexArray& array, int vertex) {
  return reinterpret_cast<const float*>(array.data + static_cast<std::size_t>(array.pointer.stride) * vertex +
                                        array.pointer.position);
}

}  // namespace

// ---- polygons

void c3DFXVCpolygon::AddVertex(const Vector& p, const char* listName) {
  try {
    vertices.push_back(p);
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor(listName);
  }
}

void c3DFXVCpolygon::AddScaledVertex(const Vector& origin, const Vector& direction, float s,
                                     const char* listName) {
  AddVertex(origin + direction.Scaled(s), listName);
}

c3DFXVCpolygon* c3DFXVCpolygon::Clip(const c3DFXVCpolygon& cutter, bool keepPositive) const {
  auto* result = NewOrThrow<c3DFXVCpolygon>(kCutPolygonClass);
  try {
    const std::size_t n = vertices.size();
    for (std::size_t step = 0; step < n; ++step) {
      // The walk starts with the closing edge.
      const Vector& prev = vertices[step == 0 ? n - 1 : step - 1];
      const Vector& cur = vertices[step];
      const Vector e = cur - prev;
      const float den = -cutter.normal.Dot(e);
      float num = cutter.Side(prev);
      float t = 0;
      if (den != 0.0f) t = num / den;
      if (keepPositive) num = -num;
      if (den != 0.0f && t > 0.0f && t < 1.0f) {
        result->AddVertex(prev + e.Scaled(t));
        num = -num;
      }
      if (num < 0.0f) result->AddVertex(cur);
    }
  } catch (...) {
    delete result;
    throw;
  }
  if (result->vertices.size() < 3) {
    delete result;
    return nullptr;
  }
  result->normal = normal;
  result->distance = distance;
  result->inverted = inverted;
  return result;
}

// ---- volumes

void c3DFXVolume::Clear() {
  for (c3DFXVCpolygon* polygon : polygons) delete polygon;
  polygons.clear();
  polygons.shrink_to_fit();
}

void c3DFXVolume::Append(c3DFXVCpolygon* polygon, const char* listName) {
  try {
    polygons.push_back(polygon);
  } catch (const std::bad_alloc&) {
    delete polygon;
    throw new eCouldNotAllocateMemoryFor(listName);
  }
}

bool c3DFXVolume::Intersect(const c3DFXVolume& other) {
  std::size_t ownCount = polygons.size();
  // Other's faces, cut down to the part inside this volume.
  for (const c3DFXVCpolygon* face : other.polygons) {
    c3DFXVCpolygon* copy = CopyPolygon(*face);
    for (std::size_t i = 0; i < ownCount && copy; ++i) {
      c3DFXVCpolygon* cut = copy->Clip(*polygons[i], copy->inverted != polygons[i]->inverted);
      delete copy;
      copy = cut;
    }
    if (copy) Append(copy, "polygon list");
  }
  // This volume's own faces, cut down to the part inside other.
  for (std::size_t i = 0; i < ownCount;) {
    c3DFXVCpolygon* current = polygons[i];
    for (const c3DFXVCpolygon* face : other.polygons) {
      if (!current) break;
      c3DFXVCpolygon* cut = current->Clip(*face, current->inverted != face->inverted);
      delete current;
      current = cut;
    }
    if (current) {
      polygons[i] = current;
      ++i;
    } else {
      polygons.erase(polygons.begin() + static_cast<std::ptrdiff_t>(i));
      --ownCount;
    }
  }
  if (polygons.empty()) polygons.shrink_to_fit();
  return true;
}

bool c3DFXVolume::Transform(const Matrix4* matrix) {
  if (!matrix) return false;
  const float* m = matrix->m;
  for (c3DFXVCpolygon* polygon : polygons) {
    for (Vector& v : polygon->vertices) {
      const float w = m[12] * v.x + m[13] * v.y + m[14] * v.z + m[15];
      const float r = 1.0f / w;
      v.Set((m[0] * v.x + m[1] * v.y + m[2] * v.z + m[3]) * r,
            (m[4] * v.x + m[5] * v.y + m[6] * v.z + m[7]) * r,
            (m[8] * v.x + m[9] * v.y + m[10] * v.z + m[11]) * r);
    }
    if (polygon->vertices.size() < 3) continue;
    const Vector& p0 = polygon->vertices[0];
    Vector n = Cross(polygon->vertices[1] - p0, polygon->vertices[2] - p0);
    n.Normalize();
    polygon->normal = n;
    polygon->distance = -n.Dot(p0);
  }
  return true;
}

bool c3DFXVolume::AddRenderMesh(cOBSTriMesh* mesh) {
  if (!mesh) return false;
  VertexArray* array = mesh->vertices.get();
  std::size_t triangles = mesh->indices.size() / 3;
  for (const auto& strip : mesh->strips)
    if (strip->indices.size() > 2) triangles += strip->indices.size() - 2;
  for (const auto& fan : mesh->fans)
    if (fan->indices.size() > 2) triangles += fan->indices.size() - 2;
  if (triangles == 0 || !array) return true;
  try {
    polygons.reserve(polygons.size() + triangles);
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("polygon list!");
  }
  if (!array->Lock(0)) return true;
  const int count = array->vertexCount;
  try {
    auto add = [&](int base, int a, int b, int c) {
      a += base, b += base, c += base;
      // An index past the array reads nothing: the triangle is left out.
      if (a >= count || b >= count || c >= count) return;
      auto at = [&](int v) {
        const float* p = PositionOf(*array, v);
        return Vector(p[0], p[1], p[2]);
      };
      Append(MakePolygon({at(a), at(b), at(c)}, false, "vertex list!"), "polygon list!");
    };
    for (std::size_t k = 0; k + 2 < mesh->indices.size(); k += 3)
      add(mesh->lowest, mesh->indices[k], mesh->indices[k + 1], mesh->indices[k + 2]);
    for (const auto& fan : mesh->fans)
      for (std::size_t k = 0; k + 2 < fan->indices.size(); ++k)
        add(fan->lowest, fan->indices[0], fan->indices[k + 1], fan->indices[k + 2]);
    for (const auto& strip : mesh->strips)
      for (std::size_t k = 0; k + 2 < strip->indices.size(); ++k) {
        const auto* i = &strip->indices[k];
        if (k % 2 == 0)
          add(strip->lowest, i[0], i[1], i[2]);
        else
          add(strip->lowest, i[0], i[2], i[1]);
      }
  } catch (...) {
    array->Unlock();
    throw;
  }
  array->Unlock();
  return true;
}

bool c3DFXVolume::AddMeshPart(cTriMesh* part) {
  if (!part) return false;
  // Every render mesh of this model is of the strip-and-fan kind.
  for (const auto& mesh : part->meshes)
    if (!AddRenderMesh(mesh.get())) return false;
  return true;
}

bool c3DFXVolume::BuildViewVolume(const tFXView* view, FrustumKind kind) {
  if (!view) return false;
  Clear();
  const float* p = view->projection.m;
  float nearPlane, farPlane;
  if (std::fabs(1.0f - p[10]) < 1e-6f || !(p[10] != 0.0f)) {
    // A projection with its near plane at 0 does not tell its far plane.
    nearPlane = 0.001f;
    farPlane = 100000.0f;
  } else {
    farPlane = p[11] / (1.0f - p[10]);
    nearPlane = farPlane - farPlane / p[10];
  }
  const float rx = 1.0f / p[0], ry = 1.0f / p[5];
  if (kind == FrustumKind::kClip) {
    nearPlane = static_cast<float>(static_cast<double>(nearPlane) + 0.01);
    farPlane = static_cast<float>(static_cast<double>(farPlane) - 1.0);
  }
  const float nx = rx * nearPlane, ny = ry * nearPlane;
  const float fx = rx * farPlane, fy = ry * farPlane;
  const Vector c[8] = {{-nx, -ny, nearPlane}, {nx, -ny, nearPlane}, {nx, ny, nearPlane},
                       {-nx, ny, nearPlane},  {-fx, -fy, farPlane}, {fx, -fy, farPlane},
                       {fx, fy, farPlane},    {-fx, fy, farPlane}};
  static constexpr int kFaces[6][4] = {{7, 6, 5, 4}, {0, 1, 2, 3}, {0, 3, 7, 4},
                                       {5, 6, 2, 1}, {6, 7, 3, 2}, {4, 5, 1, 0}};
  const int faces = kind == FrustumKind::kCaps ? 2 : 6;
  const char* polygonList = kind == FrustumKind::kCaps ? "polygon list!" : "polygon list";
  try {
    polygons.reserve(faces);
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor(polygonList);
  }
  for (int f = 0; f < faces; ++f) {
    const int* k = kFaces[f];
    const char* vertexList = "vertex list";
    if (kind == FrustumKind::kCaps || (kind == FrustumKind::kClip && f > 0)) vertexList = "vertex list!";
    // The clip frustum's faces run the other way round, so its normals point in.
    c3DFXVCpolygon* face =
        kind == FrustumKind::kClip
            ? MakePolygon({c[k[3]], c[k[2]], c[k[1]], c[k[0]]}, true, vertexList)
            : MakePolygon({c[k[0]], c[k[1]], c[k[2]], c[k[3]]}, false, vertexList);
    Append(face, polygonList);
  }
  Matrix4 toWorld;
  Matrix4::Invert(toWorld, view->view);
  return Transform(&toWorld);
}

bool c3DFXVolume::BuildFrustum(const tFXView* view) {
  return BuildViewVolume(view, FrustumKind::kOutward);
}

bool c3DFXVolume::BuildClipFrustum(const tFXView* view) {
  return BuildViewVolume(view, FrustumKind::kClip);
}

bool c3DFXVolume::BuildFrustumCaps(const tFXView* view) {
  return BuildViewVolume(view, FrustumKind::kCaps);
}

bool c3DFXVolume::BuildBox(float x, float y, float z) {
  Clear();
  const std::initializer_list<Vector> faces[6] = {
      {{-x, -y, z}, {x, -y, z}, {x, y, z}, {-x, y, z}},
      {{-x, y, -z}, {x, y, -z}, {x, -y, -z}, {-x, -y, -z}},
      {{-x, y, z}, {x, y, z}, {x, y, -z}, {-x, y, -z}},
      {{-x, -y, -z}, {x, -y, -z}, {x, -y, z}, {-x, -y, z}},
      {{x, y, -z}, {x, y, z}, {x, -y, z}, {x, -y, -z}},
      {{-x, -y, -z}, {-x, -y, z}, {-x, y, z}, {-x, y, -z}},
  };
  try {
    polygons.reserve(6);
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("polygon list!");
  }
  for (const auto& face : faces) Append(MakePolygon(face, false, "vertex list!"), "polygon list!");
  return Transform(&identityMatrix);
}

bool c3DFXVolume::BuildFromMesh(c3DtriangularMesh* mesh) {
  if (!mesh) return false;
  Clear();
  for (const auto& part : mesh->parts)
    if (!AddMeshPart(part.get())) return false;
  return Transform(&mesh->world);
}

bool c3DFXVolume::BuildCone(int sides, float radius) {
  Clear();
  if (sides < 3) sides = 3;
  std::vector<Vector> ring;
  Reserve(ring, static_cast<std::size_t>(sides), "vertex list!");
  for (int k = 0; k < sides; ++k) {
    const float a = static_cast<float>(k) * 6.2831855f / static_cast<float>(sides);
    ring.emplace_back(radius * std::cos(a), radius * std::sin(a), 1.0f);
  }
  try {
    polygons.reserve(static_cast<std::size_t>(sides) + 1);
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("polygon list!");
  }
  const Vector apex(0, 0, 0);
  for (int k = 0; k < sides; ++k)
    Append(MakePolygon({apex, ring[(k + 1) % sides], ring[k]}, false, "vertex list!"),
           "polygon list!");
  auto* base = NewOrThrow<c3DFXVCpolygon>(kPolygonClass);
  try {
    base->vertices = std::move(ring);
  } catch (...) {
    delete base;
    throw;
  }
  Append(base, "polygon list!");
  return true;
}

bool c3DFXVolume::GetBoundingBox(Vector& min, Vector& max) const {
  bool found = false;
  for (const c3DFXVCpolygon* polygon : polygons)
    for (const Vector& v : polygon->vertices) {
      if (!found) {
        min = max = v;
        found = true;
        continue;
      }
      if (v.x < min.x) min.x = v.x;
      if (v.y < min.y) min.y = v.y;
      if (v.z < min.z) min.z = v.z;
      if (v.x > max.x) max.x = v.x;
      if (v.y > max.y) max.y = v.y;
      if (v.z > max.z) max.z = v.z;
    }
  return found;
}

}  // namespace VOXA2::threedee

#include "threedee/scene/trimesh.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "threedee/scene/cameras.h"
#include "threedee/scene/interpolator.h"
#include "threedee/scene/material.h"
#include "threedee/scene/scene.h"
#include "windxkernel/3dkernel.h"

namespace VOXA2::threedee {
namespace {

template <class T>
T* Create(const char* className) {
  T* made = new (std::nothrow) T();
  if (!made) throw new VOXA::errors::eCouldNotCreateObject(className);
  return made;
}

template <class T>
std::vector<T> CopyList(const std::vector<T>& source, const char* what) {
  return tracks::OrFailFor(what, [&] { return source; });
}

float* At(VertexArray* array, std::uint32_t offset, int i) {
  return reinterpret_cast<float*>(array->data + static_cast<std::size_t>(i) * array->pointer.stride +
                                  offset);
}

// Runs f(a, b, c) for every triangle of the list, then of the fans, then of
// the strips, with indices into the vertex array.
template <class F>
void ForEachTriangle(const cOBSTriMesh& mesh, F&& f) {
  for (std::size_t j = 0; j + 2 < mesh.indices.size(); j += 3)
    f(mesh.lowest + mesh.indices[j], mesh.lowest + mesh.indices[j + 1],
      mesh.lowest + mesh.indices[j + 2]);
  for (const auto& fan : mesh.fans)
    for (std::size_t j = 0; j + 2 < fan->indices.size(); ++j)
      f(fan->lowest + fan->indices[0], fan->lowest + fan->indices[j + 1],
        fan->lowest + fan->indices[j + 2]);
  for (const auto& strip : mesh.strips)
    for (std::size_t j = 0; j + 2 < strip->indices.size(); ++j) {
      const int a = strip->lowest + strip->indices[j];
      const int b = strip->lowest + strip->indices[j + 1];
      const int c = strip->lowest + strip->indices[j + 2];
      if (j % 2 == 0)
        f(a, b, c);
      else
        f(a, c, b);
    }
}

std::unique_ptr<VertexArray> CopyVertices(VertexArray* source) {
  std::unique_ptr<VertexArray> copy(VertexArray::Create(true, source->vertexCount, source->format));
  if (!copy) throw new VOXA::errors::eCouldNotCreateObject("VertexArray");
  if (source->vertexCount > 0)
    VertexArray::SetVertices(copy.get(), source, 0, source->vertexCount - 1, 0, 0);
  return copy;
}

// The positions a render mesh has now: the device's after a deformer wrote
// them, otherwise the originals.
template <class F>
void ForEachPosition(cOBSTriMesh& mesh, F&& f) {
  if (mesh.verticesChanged && mesh.vertices) {
    VertexArray* array = mesh.vertices.get();
    if (!array->Lock(0)) return;
    for (int i = 0; i < array->vertexCount; ++i) {
      const float* p = At(array, array->pointer.position, i);
      f(Vector(p[0], p[1], p[2]));
    }
    array->Unlock();
    return;
  }
  for (const Vector& p : mesh.originals) f(p);
}

}  // namespace

std::pair<std::uint16_t, std::uint16_t> IndexRange(const std::uint16_t* indices, std::size_t count) {
  if (count == 0) return {0, 0};
  std::uint16_t lowest = indices[0], highest = indices[0];
  for (std::size_t i = 1; i < count; ++i) {
    lowest = std::min(lowest, indices[i]);
    highest = std::max(highest, indices[i]);
  }
  return {lowest, highest};
}

cTriStrip* cTriStrip::Clone(const cTriStrip& source) {
  std::unique_ptr<cTriStrip> copy(Create<cTriStrip>("cTriStrip"));
  copy->indices = CopyList(source.indices, "strip index list!");
  copy->lowest = source.lowest;
  copy->highest = source.highest;
  return copy.release();
}

cTriFan* cTriFan::Clone(const cTriFan& source) {
  std::unique_ptr<cTriFan> copy(Create<cTriFan>("cTriFan"));
  copy->indices = CopyList(source.indices, "fan index list!");
  copy->lowest = source.lowest;
  copy->highest = source.highest;
  return copy.release();
}

// ---- render meshes

void cOBSTriMesh::AddFaceNormal(VertexArray* locked, int a, int b, int c) {
  const std::uint32_t at = locked->pointer.position;
  const float* p0 = At(locked, at, a);
  const float* p1 = At(locked, at, b);
  const float* p2 = At(locked, at, c);
  const Vector e1(p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]);
  const Vector e2(p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]);
  Vector n(e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x);
  n.Normalize();
  for (int v : {a, b, c}) {
    float* normal = At(locked, locked->pointer.normal, v);
    normal[0] += n.x;
    normal[1] += n.y;
    normal[2] += n.z;
  }
}

void cOBSTriMesh::RecomputeNormals() {
  VertexArray* array = vertices.get();
  if (!array->format.normal || !array->Lock(0)) return;
  for (int i = 0; i < array->vertexCount; ++i) {
    float* n = At(array, array->pointer.normal, i);
    n[0] = n[1] = n[2] = 0;
  }
  ForEachTriangle(*this, [&](int a, int b, int c) { AddFaceNormal(array, a, b, c); });
  for (int i = 0; i < array->vertexCount; ++i) {
    float* n = At(array, array->pointer.normal, i);
    Vector v(n[0], n[1], n[2]);
    v.Normalize();
    n[0] = v.x, n[1] = v.y, n[2] = v.z;
  }
  array->Unlock();
}

bool cOBSTriMesh::Draw() {
  VertexArray* array = vertices.get();
  if (!array) return true;
  if (originalsChanged && !verticesChanged) {
    if (array->Lock(1)) {
      for (int i = 0; i < array->vertexCount && i < static_cast<int>(originals.size()); ++i)
        std::memcpy(At(array, array->pointer.position, i), &originals[i], sizeof(Vector));
      array->Unlock();
    }
    verticesChanged = true;
    originalsChanged = false;
  }
  if (verticesChanged) RecomputeNormals();
  cMaterial* material = part ? part->material : nullptr;
  if (!material) return true;
  material->DrawIndexed(3, array, indices.data(), static_cast<std::uint32_t>(indices.size()),
                        lowest, highest);
  for (auto& strip : strips)
    material->DrawIndexed(4, array, strip->indices.data(),
                          static_cast<std::uint32_t>(strip->indices.size()), strip->lowest,
                          strip->highest);
  for (auto& fan : fans)
    material->DrawIndexed(5, array, fan->indices.data(),
                          static_cast<std::uint32_t>(fan->indices.size()), fan->lowest,
                          fan->highest);
  return true;
}

// ---- render parts

bool cTriMesh::Update(float, float, float, float) {
  for (auto& mesh : meshes) {
    if (mesh->verticesChanged && owner) owner->boundsDirty = true;
    mesh->verticesChanged = false;
    mesh->originalsChanged = false;
  }
  return true;
}

bool cTriMesh::Render() {
  if (!material) return false;
  material->Prepare();
  for (auto& mesh : meshes) {
    if (owner) SetTransform(0, owner->world.m);
    material->DrawRenderMesh(mesh.get());
  }
  return true;
}

void cTriMesh::SetWorldTransform(cOBSTriMesh* mesh) {
  for (auto& own : meshes)
    if (own.get() == mesh) {
      if (owner) SetTransform(0, owner->world.m);
      return;
    }
}

void cTriMesh::SetScene(c3Dscene* scene, c3DtriangularMesh* newOwner) {
  material = material && scene ? scene->FindMaterial(material->GetName()) : nullptr;
  for (auto& mesh : meshes) {
    for (int slot = 0; slot < mesh->boneCount && slot < 8; ++slot) {
      c3Dbone* found = nullptr;
      if (mesh->owner && mesh->bones[slot]) {
        const auto& old = mesh->owner->bones;
        for (std::size_t k = 0; k < old.size(); ++k)
          if (old[k] == mesh->bones[slot]) {
            found = k < newOwner->bones.size() ? newOwner->bones[k] : nullptr;
            break;
          }
      }
      mesh->bones[slot] = found;
    }
    mesh->part = this;
    mesh->owner = newOwner;
  }
  owner = newOwner;
}

cTriMesh* cTriMesh::Clone(const cTriMesh& source) {
  std::unique_ptr<cTriMesh> copy(Create<cTriMesh>("cTriMesh"));
  copy->material = source.material;
  copy->owner = source.owner;
  copy->mapCount = source.mapCount;
  tracks::OrFailFor("bone setups!", [&] {
    copy->meshes.reserve(source.meshes.size());
    return 0;
  });
  for (const auto& from : source.meshes) {
    std::unique_ptr<cOBSTriMesh> mesh(Create<cOBSTriMesh>("cOBSTriMesh"));
    mesh->boneCount = from->boneCount;
    for (int i = 0; i < 8; ++i) mesh->bones[i] = from->bones[i];
    mesh->part = from->part;
    mesh->owner = from->owner;
    if (from->vertices) mesh->vertices = CopyVertices(from->vertices.get());
    mesh->originals = CopyList(from->originals, "original vertices!");
    mesh->originalIndices = CopyList(from->originalIndices, "original vertex indices!");
    mesh->indices = CopyList(from->indices, "triangle indices!");
    mesh->verticesChanged = from->verticesChanged;
    mesh->originalsChanged = from->originalsChanged;
    mesh->lowest = from->lowest;
    mesh->highest = from->highest;
    for (const auto& strip : from->strips)
      tracks::AppendKey(mesh->strips, std::unique_ptr<cTriStrip>(cTriStrip::Clone(*strip)),
                        "strip list!");
    for (const auto& fan : from->fans)
      tracks::AppendKey(mesh->fans, std::unique_ptr<cTriFan>(cTriFan::Clone(*fan)), "fan list!");
    copy->meshes.push_back(std::move(mesh));
  }
  return copy.release();
}

// ---- triangular meshes

c3Dobject* c3DtriangularMesh::Duplicate() const {
  return DuplicateAs(*this, "c3DtriangularMesh");
}

void c3DtriangularMesh::CopyTo(c3DtriangularMesh* target) const {
  c3Dmesh::CopyTo(target);
  CopyBounds(*this, *target);
  target->boundsDirty = boundsDirty;
  target->parts.clear();
  tracks::OrFailFor("mesh list!", [&] {
    target->parts.reserve(parts.size());
    return 0;
  });
  for (const auto& part : parts) target->parts.emplace_back(cTriMesh::Clone(*part));
  target->bones = CopyList(bones, "bone list!");
}

void c3DtriangularMesh::SetScene(c3Dscene* newScene) {
  c3Dobject::SetScene(newScene);
  for (c3Dbone*& bone : bones) {
    if (!bone) continue;  // lost in an earlier scene: there is no name to look up
    bone = dynamic_cast<c3Dbone*>(newScene ? newScene->FindObject(bone->GetName()) : nullptr);
  }
  for (auto& part : parts) part->SetScene(newScene, this);
}

std::int32_t c3DtriangularMesh::TestVisibility() {
  if (boundsDirty) RecomputeBounds();
  return c3DfiniteMesh::TestVisibility();
}

void c3DtriangularMesh::ReplaceMaterial(cMaterial* oldMaterial, cMaterial* newMaterial) {
  for (auto& part : parts)
    if (part->material == oldMaterial) part->material = newMaterial;
}

void c3DtriangularMesh::FindRenderVertex(std::int32_t original, cOBSTriMesh*& mesh,
                                         std::int32_t& index) const {
  mesh = nullptr;
  index = -1;
  for (const auto& part : parts)
    for (const auto& candidate : part->meshes)
      for (std::size_t j = 0; j < candidate->originalIndices.size(); ++j)
        if (candidate->originalIndices[j] == original) {
          mesh = candidate.get();
          index = static_cast<std::int32_t>(j);
          return;
        }
}

bool c3DtriangularMesh::Update(float frame, float time, float sinceStart, float fraction) {
  for (auto& part : parts) part->Update(frame, time, sinceStart, fraction);
  return c3Dobject::Update(frame, time, sinceStart, fraction);
}

void c3DtriangularMesh::RecomputeBounds() {
  boundsDirty = false;
  constexpr float kLargest = std::numeric_limits<float>::max();
  Vector low(kLargest, kLargest, kLargest), high(-kLargest, -kLargest, -kLargest);
  for (auto& part : parts)
    for (auto& mesh : part->meshes)
      ForEachPosition(*mesh, [&](const Vector& p) {
        low.Set(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
        high.Set(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
      });
  if (low.x == kLargest) {
    center.Set(0, 0, 0);
    radius = 0;
    for (Vector& corner : corners) corner.Set(0, 0, 0);
    return;
  }
  for (int i = 0; i < 8; ++i)
    corners[i].Set(i & 4 ? high.x : low.x, i & 2 ? high.y : low.y, i & 1 ? high.z : low.z);
  center = (low + high).Scaled(0.5f);
  float largest = 0;
  for (auto& part : parts)
    for (auto& mesh : part->meshes)
      ForEachPosition(*mesh, [&](const Vector& p) {
        const Vector d = p - center;
        largest = std::max(largest, d.Dot(d));
      });
  radius = std::sqrt(largest);
}

bool c3DtriangularMesh::Render(bool recurse) {
  if (!c3Dmesh::Render(recurse)) return false;
  if (skip) return true;
  for (auto& part : parts)
    if (!part->Render()) return false;
  return true;
}

}  // namespace VOXA2::threedee

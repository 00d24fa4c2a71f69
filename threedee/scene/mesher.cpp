#include "threedee/scene/mesher.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "threedee/scene/interpolator.h"
#include "threedee/scene/material.h"
#include "windxkernel/debuglog.h"

namespace VOXA2::threedee {
namespace {

template <class T>
std::unique_ptr<T> Create(const char* className) {
  T* made = new (std::nothrow) T();
  if (!made) throw new VOXA::errors::eCouldNotCreateObject(className);
  return std::unique_ptr<T>(made);
}

std::unique_ptr<VertexArray> NewArray(bool device, std::int32_t count, const VertexFormat& format) {
  std::unique_ptr<VertexArray> array(VertexArray::Create(device, count, format));
  if (!array) throw new VOXA::errors::eCouldNotCreateObject("VertexArray");
  return array;
}

template <class T>
std::vector<T> Sized(std::size_t count, const char* what) {
  return tracks::OrFailFor(what, [&] { return std::vector<T>(count); });
}

// Copies the records of the chosen vertices whole, in the given order.
void CopyRecords(VertexArray* to, VertexArray* from, const std::vector<std::int32_t>& chosen) {
  to->Lock(0);
  from->Lock(0);
  const std::uint32_t size = from->format.vertexSize;
  for (std::size_t i = 0; i < chosen.size(); ++i)
    std::memcpy(to->data + i * to->pointer.stride,
                from->data + static_cast<std::size_t>(chosen[i]) * from->pointer.stride, size);
  from->Unlock();
  to->Unlock();
}

}  // namespace

void cMesher::Clear() {
  parts.clear();
  source.reset();
  originalIndices.clear();
  faces.clear();
}

void cMesher::SplitByMaterial() {
  const std::int32_t sourceCount = source ? source->vertexCount : 0;
  const auto totalFaces = static_cast<std::int32_t>(faces.size());
  for (std::size_t first = 0; first < faces.size(); ++first) {
    cMaterial* material = faces[first].material;
    bool known = false;
    for (const auto& part : parts) known = known || part->material == material;
    if (known) continue;

    auto part = Create<cOMmesh>("cOMmesh");
    part->mesher = this;
    part->material = material;
    std::vector<std::uint8_t> used;
    if (sourceCount > 0) used = Sized<std::uint8_t>(static_cast<std::size_t>(sourceCount), "vertex mark list");
    for (std::size_t f = first; f < faces.size(); ++f) {
      if (faces[f].material != material) continue;
      for (std::int32_t v : {faces[f].a, faces[f].b, faces[f].c}) {
        tracks::AppendKey(part->faces, std::int32_t{v}, "face list");
        used[static_cast<std::size_t>(v)] = 1;
      }
    }
    // New index of a source vertex: the number of used vertices below it.
    std::vector<std::int32_t> chosen;
    std::vector<std::int32_t> newIndex = Sized<std::int32_t>(used.size(), "vertex mark list");
    for (std::int32_t v = 0; v < sourceCount; ++v)
      if (used[static_cast<std::size_t>(v)]) {
        newIndex[static_cast<std::size_t>(v)] = static_cast<std::int32_t>(chosen.size());
        tracks::AppendKey(chosen, std::int32_t{v}, "originval vertices");
      }
    const auto n = static_cast<std::int32_t>(chosen.size());
    part->vertices = NewArray(false, n, source->format);
    CopyRecords(part->vertices.get(), source.get(), chosen);
    part->originalIndices = Sized<std::int32_t>(chosen.size(), "originval vertices");
    for (std::size_t i = 0; i < chosen.size(); ++i)
      part->originalIndices[i] = originalIndices[static_cast<std::size_t>(chosen[i])];
    for (std::int32_t& v : part->faces) v = newIndex[static_cast<std::size_t>(v)];

    const char* name = material && material->GetName() ? material->GetName() : "<noname>";
    LogMessage(5,
               "    Creating cOMmesh(\"%s\"), with %i vertices (out of %i) and %i faces (out of "
               "%i) assigned",
               name, n, sourceCount, part->FaceCount(), totalFaces);
    tracks::AppendKey(parts, std::move(part), "mesh list");
  }
  for (auto& part : parts) BuildEasyMeshes(*part);
}

void cMesher::BuildEasyMeshes(cOMmesh& part) {
  VertexFormat format = part.vertices->format;
  const int maps = part.material ? part.material->MapCount() : 1;
  if (maps >= 0 && maps <= 8) format.textureSetCount = static_cast<std::uint32_t>(maps);
  format.GetVertexSize();

  // Faces in order go into one render mesh until the next face would take it
  // past what 16-bit indices address; a part that fits gives a single one.
  const std::size_t count = static_cast<std::size_t>(part.vertices->vertexCount);
  std::vector<std::int32_t> local = Sized<std::int32_t>(count, "vertex mark list");
  std::fill(local.begin(), local.end(), -1);
  std::size_t begin = 0;
  while (begin < part.faces.size()) {
    std::vector<std::int32_t> chosen;
    std::size_t end = begin;
    for (; end < part.faces.size(); end += 3) {
      int fresh = 0;
      for (std::size_t k = 0; k < 3; ++k) {
        const std::int32_t v = part.faces[end + k];
        bool again = local[static_cast<std::size_t>(v)] >= 0;
        for (std::size_t j = 0; j < k; ++j) again = again || part.faces[end + j] == v;
        fresh += again ? 0 : 1;
      }
      if (static_cast<int>(chosen.size()) + fresh > kMaxRenderMeshVertices) break;
      for (std::size_t k = 0; k < 3; ++k) {
        const std::int32_t v = part.faces[end + k];
        if (local[static_cast<std::size_t>(v)] >= 0) continue;
        local[static_cast<std::size_t>(v)] = 0;
        tracks::AppendKey(chosen, std::int32_t{v}, "original vertices");
      }
    }
    // The render mesh's vertices in ascending order of the part's.
    std::sort(chosen.begin(), chosen.end());
    for (std::size_t i = 0; i < chosen.size(); ++i)
      local[static_cast<std::size_t>(chosen[i])] = static_cast<std::int32_t>(i);

    auto easy = Create<cEasyMesh>("cEasyMesh");
    easy->indices = Sized<std::uint16_t>(end - begin, "triangle indices");
    for (std::size_t i = begin; i < end; ++i)
      easy->indices[i - begin] =
          static_cast<std::uint16_t>(local[static_cast<std::size_t>(part.faces[i])] & 0xFFFF);
    const auto n = static_cast<std::int32_t>(chosen.size());
    auto staged = NewArray(false, n, part.vertices->format);
    CopyRecords(staged.get(), part.vertices.get(), chosen);
    easy->vertices = NewArray(false, n, format);
    if (n > 0) VertexArray::SetVertices(easy->vertices.get(), staged.get(), 0, n - 1, 0, 0);
    easy->originalIndices = Sized<std::int32_t>(chosen.size(), "original vertices");
    for (std::size_t i = 0; i < chosen.size(); ++i)
      easy->originalIndices[i] = part.originalIndices[static_cast<std::size_t>(chosen[i])];
    tracks::AppendKey(part.easyMeshes, std::move(easy), "mesh list");

    for (std::int32_t v : chosen) local[static_cast<std::size_t>(v)] = -1;
    begin = end;
  }
}

void cMesher::BuildRenderMeshes(c3DtriangularMesh* target) {
  target->parts.clear();
  for (auto& part : parts) {
    auto triMesh = Create<cTriMesh>("cTriMesh");
    triMesh->material = part->material;
    triMesh->owner = target;
    triMesh->mapCount = part->material ? part->material->MapCount() : 1;
    for (auto& easy : part->easyMeshes) {
      auto mesh = Create<cOBSTriMesh>("cOBSTriMesh");
      const std::int32_t n = easy->vertices->vertexCount;
      mesh->vertices = NewArray(true, n, easy->vertices->format);
      if (n > 0) VertexArray::SetVertices(mesh->vertices.get(), easy->vertices.get(), 0, n - 1, 0, 0);
      mesh->originals = Sized<Vector>(static_cast<std::size_t>(n), "original vertices");
      VertexArray* array = easy->vertices.get();
      for (std::int32_t i = 0; i < n; ++i)
        std::memcpy(&mesh->originals[static_cast<std::size_t>(i)],
                    array->data + static_cast<std::size_t>(i) * array->pointer.stride +
                        array->pointer.position,
                    sizeof(Vector));
      mesh->originalIndices = easy->originalIndices;
      auto [lowest, highest] = IndexRange(easy->indices.data(), easy->indices.size());
      mesh->lowest = lowest;
      mesh->highest = highest;
      mesh->indices = Sized<std::uint16_t>(easy->indices.size(), "triangle indices");
      for (std::size_t i = 0; i < easy->indices.size(); ++i)
        mesh->indices[i] = static_cast<std::uint16_t>(easy->indices[i] - lowest);
      for (const auto& strip : easy->strips) mesh->strips.emplace_back(cTriStrip::Clone(*strip));
      for (const auto& fan : easy->fans) mesh->fans.emplace_back(cTriFan::Clone(*fan));
      mesh->part = triMesh.get();
      mesh->owner = target;
      triMesh->meshes.push_back(std::move(mesh));
    }
    target->parts.push_back(std::move(triMesh));
  }
}

}  // namespace VOXA2::threedee

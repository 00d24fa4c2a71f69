#include "threedee/loaders/threedsdata.h"

#include <new>

#include "demo/lists.h"
#include "foundation/errors.h"

namespace VOXA2::threedee {
namespace {

template <class T>
T* AddRecord(std::vector<std::unique_ptr<T>>& list, const char* className, const char* listName) {
  AppendToList(list, nullptr, listName);
  T* record = new (std::nothrow) T();
  if (!record) throw new VOXA::errors::eCouldNotCreateObject(className);
  list.back().reset(record);
  return record;
}

template <class T>
T* FindRecord(const std::vector<std::unique_ptr<T>>& list, const char* name) {
  if (!name) return nullptr;
  for (const auto& record : list)
    if (record && !record->name.empty() && EqualNoCase(record->name.c_str(), name)) return record.get();
  return nullptr;
}

template <class T>
std::int32_t Append(std::vector<T>& list, const T& value, const char* listName) {
  AppendToList(list, value, listName);
  return static_cast<std::int32_t>(list.size() - 1);
}

}  // namespace

std::int32_t t3DSLmesh::AddVertex(const Vector& position, const Vector& normal) {
  Append(positions, position, "vertices!");
  return Append(normals, normal, "vertex normals!");
}

std::int32_t t3DSLmesh::AddTexVertex(float u, float v) {
  return Append(texVertices, t3DSLtexvert{u, v}, "polygon texture vertices!");
}

std::int32_t t3DSLmesh::AddFace(const t3DSLface& face) { return Append(faces, face, "face list!"); }

t3DSLmesh* c3DSLdata::AddMesh() { return AddRecord(meshes, "c3DSLmesh", "mesh list!"); }
t3DSLlight* c3DSLdata::AddLight() { return AddRecord(lights, "c3DSLlight", "light list!"); }
t3DSLcamera* c3DSLdata::AddCamera() { return AddRecord(cameras, "c3DSLcamera", "camera list!"); }
t3DSLnode* c3DSLdata::AddNode() { return AddRecord(nodes, "c3DSLnode", "node list!"); }

t3DSLmesh* c3DSLdata::FindMesh(const char* name) const { return FindRecord(meshes, name); }
t3DSLlight* c3DSLdata::FindLight(const char* name) const { return FindRecord(lights, name); }
t3DSLcamera* c3DSLdata::FindCamera(const char* name) const { return FindRecord(cameras, name); }

}  // namespace VOXA2::threedee

// What the editor section of a 3DS file holds, kept as plain records until
// the keyframer turns them into scene objects: meshes, lights and cameras,
// found again by name. The store lives for one load.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/basis.h"
#include "threedee/scene/vector.h"
#include "windxkernel/3dkernel.h"

namespace VOXA2::threedee {

class c3DSloader;

struct t3DSLtexvert {
  float u, v;
};

struct t3DSLface {
  std::int32_t vertex[3];
  std::int32_t texVertex[3];
  // Position in the loader's material list; -1 for the "(default)" material.
  std::int32_t material;
};

struct t3DSLmesh : public virtual basis::basisStruct {
  std::int32_t AddVertex(const Vector& position, const Vector& normal);
  std::int32_t AddTexVertex(float u, float v);
  std::int32_t AddFace(const t3DSLface& face);
  std::int32_t VertexCount() const { return static_cast<std::int32_t>(positions.size()); }
  std::int32_t TexVertexCount() const { return static_cast<std::int32_t>(texVertices.size()); }
  std::int32_t FaceCount() const { return static_cast<std::int32_t>(faces.size()); }

  std::string name;
  c3DSloader* scene = nullptr;
  Vector origin{};
  Vector axes[3] = {};
  Matrix4 inverseAxes = {};
  Vector pivot{};
  Vector corners[8] = {};
  std::vector<Vector> positions;
  std::vector<Vector> normals;  // one per position
  std::vector<t3DSLtexvert> texVertices;
  std::vector<t3DSLface> faces;
};

struct t3DSLlight : public virtual basis::basisStruct {
  std::string name;
  bool isSpot = false;
};

struct t3DSLcamera : public virtual basis::basisStruct {
  std::string name;
  float nearPlane = 0.0f;
  float farPlane = 1000.0f;
};

class c3DSLdata : public virtual basis::basisObject {
 public:
  c3DSLdata() = default;
  c3DSLdata(const c3DSLdata&) = delete;
  c3DSLdata& operator=(const c3DSLdata&) = delete;
  ~c3DSLdata() override = default;

  t3DSLmesh* AddMesh();
  t3DSLlight* AddLight();
  t3DSLcamera* AddCamera();
  // The first record of that name, letter case aside; none for a null name.
  t3DSLmesh* FindMesh(const char* name) const;
  t3DSLlight* FindLight(const char* name) const;
  t3DSLcamera* FindCamera(const char* name) const;

  std::vector<std::unique_ptr<t3DSLmesh>> meshes;
  std::vector<std::unique_ptr<t3DSLlight>> lights;
  std::vector<std::unique_ptr<t3DSLcamera>> cameras;
};

}  // namespace VOXA2::threedee

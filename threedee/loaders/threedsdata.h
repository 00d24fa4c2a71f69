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

// One key of a keyframer track; its time is its frame number.
struct t3DSLkey {
  float frame = 0.0f;
  float tension = 0.0f, continuity = 0.0f, bias = 0.0f, easeTo = 0.0f, easeFrom = 0.0f;
  // Up to four floats: a rotation as axis x, y, z and angle; a hide key's 1 or 0.
  float value[4] = {};
  // A morph key's target mesh.
  t3DSLmesh* morphTarget = nullptr;
};

struct t3DSLtrack {
  std::int32_t components = 0;
  std::int32_t repeatMode = 0;  // 0 none, 1 loop, 2 repeat
  // False for a morph track whose keys ran into an unfitting target.
  bool complete = true;
  std::vector<t3DSLkey> keys;
};

// One keyframer node, linked into the node tree by its hierarchy value.
struct t3DSLnode : public virtual basis::basisStruct {
  enum Slot : int { kPosition, kRotation, kScale, kFov, kRoll, kColor, kHotspot, kFalloff, kHide, kMorph, kSlots };

  // The node chunk's identifier, 0xB001 (ambient) to 0xB007 (spot light).
  std::uint16_t kind = 0;
  // A mesh node without a mesh record: a plain keyframed object.
  bool dummy = false;
  std::string name;
  std::int32_t hierarchy = 0;
  t3DSLmesh* mesh = nullptr;      // a mesh node's source record
  t3DSLcamera* camera = nullptr;  // a camera node's record
  Vector pivot{};
  t3DSLnode* parent = nullptr;
  t3DSLnode* firstChild = nullptr;
  t3DSLnode* nextSibling = nullptr;
  t3DSLnode* target = nullptr;  // of a camera or spot light
  std::unique_ptr<t3DSLtrack> tracks[kSlots];
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
  t3DSLnode* AddNode();
  // The first record of that name, letter case aside; none for a null name.
  t3DSLmesh* FindMesh(const char* name) const;
  t3DSLlight* FindLight(const char* name) const;
  t3DSLcamera* FindCamera(const char* name) const;

  std::vector<std::unique_ptr<t3DSLmesh>> meshes;
  std::vector<std::unique_ptr<t3DSLlight>> lights;
  std::vector<std::unique_ptr<t3DSLcamera>> cameras;
  // Every node read, linked or not; the tree starts at the first top-level one.
  std::vector<std::unique_ptr<t3DSLnode>> nodes;
  t3DSLnode* rootNode = nullptr;
};

}  // namespace VOXA2::threedee

// The tree of scene objects: every object of a 3D scene (targets, cameras,
// lights, bones, meshes, keyframed nodes) is a c3Dobject. An object owns its
// first child and its next sibling; the parent link is a back pointer. The
// view3D command walks the tree three times a frame (update, post-update,
// render), each walk in pre-order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "foundation/allocate.h"
#include "foundation/basis.h"
#include "foundation/errors.h"
#include "windxkernel/3dkernel.h"

namespace VOXA2::threedee {

class c3Dscene;
class cSceneView;

// The process-wide id counter shared by the scene objects and the materials:
// returns the current value, then counts on. Ids are never reused.
std::int32_t NextObjectId();

class c3Dobject : public virtual basis::basisObject {
 public:
  // Kind codes of the classes that set one; the view3D command tests for 7.
  enum : std::int32_t {
    kObject = 0,
    kBone = 2,
    kCamera = 3,
    kLight = 4,
    kTarget = 5,
    kMesh = 6,
    kTriangularMesh = 7,
    kProcedural = 8,
    kLightRay = 9,
    kParticleSystem = 10,
  };
  static constexpr int kValueCount = 12;

  c3Dobject();
  c3Dobject(const c3Dobject&) = delete;
  c3Dobject& operator=(const c3Dobject&) = delete;
  // Deletes the first child and the rest of the sibling chain.
  ~c3Dobject() override;

  virtual bool Update(float frame, float time, float sinceStart, float fraction);
  virtual bool PostUpdate();
  virtual bool Render(bool recurse);
  // A new object of the same class holding a copy of this one, of its subtree
  // and of every sibling after it.
  virtual c3Dobject* Duplicate() const;
  virtual void SetScene(c3Dscene* newScene);

  // The base part into another object of the same class; the target keeps its id.
  void CopyTo(c3Dobject* target) const;

  const char* GetName() const { return name ? name->c_str() : nullptr; }
  // A copy of the text, or no name for null.
  void SetName(const char* text);

  // Pre-order from the object (its subtree, then its following siblings).
  static c3Dobject* FindByName(c3Dobject* object, const char* wanted);
  static c3Dobject* FindById(c3Dobject* object, std::int32_t wanted);

  bool inheritMatrices = true;
  std::optional<std::string> name;
  c3Dobject* parent = nullptr;
  c3Dobject* nextSibling = nullptr;  // owned
  c3Dobject* firstChild = nullptr;   // owned
  c3Dscene* scene = nullptr;
  cSceneView** currentView = nullptr;  // the scene's own field
  bool hidden = false;
  std::int32_t id;
  std::int32_t kind = kObject;
  // Value 0 is the shown flag; the loaders keep their own values in the rest.
  std::int32_t values[kValueCount] = {};
  Matrix4 world;
  Matrix4 inverseWorld;
};

// The common body of every Duplicate: a new T (its class name in the error
// when it cannot be made) filled by its own CopyTo.
template <class T>
T* DuplicateAs(const T& source, const char* className) {
  T* copy = VOXA::errors::NewOrThrow<T>(className);
  try {
    source.CopyTo(copy);
  } catch (...) {
    delete copy;
    throw;
  }
  return copy;
}

}  // namespace VOXA2::threedee

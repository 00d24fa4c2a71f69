// One 3D animation: the tree of its objects, its materials, and the lists of
// the lights and cameras of the tree. The loaders derive their scene classes
// and fill it; the view3D command shows it and drives it every frame.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/basis.h"
#include "threedee/scene/object.h"

namespace VOXA2 {
class cVOXAdatacollector;
class cVOXAdemo;
}

namespace VOXA2::threedee {

class c3Dtarget;
class c3Dlight;
class c3Dcamera;
class cMaterial;

class c3Dscene : public virtual basis::basisObject {
 public:
  c3Dscene() = default;
  c3Dscene(const c3Dscene&) = delete;
  c3Dscene& operator=(const c3Dscene&) = delete;
  ~c3Dscene() override;

  // Releases the lists, the tree and the materials; frames and the view stay.
  virtual void Clear();
  // The loaders' scenes read a file; the base reads nothing.
  virtual bool Load(const char* fileName);
  virtual c3Dobject* FindObject(const char* name);
  virtual c3Dobject* FindObjectById(std::int32_t id);
  // The first object of that name, when it is of the asked class.
  virtual c3Dtarget* FindTarget(const char* name);
  virtual c3Dlight* FindLight(const char* name);
  virtual c3Dlight* FindListedLight(const char* name);
  virtual c3Dcamera* FindCamera(const char* name);
  virtual c3Dcamera* FindListedCamera(const char* name);
  virtual cMaterial* FindMaterial(const char* name);
  virtual cMaterial* FindMaterialById(std::int32_t id);
  virtual bool LoadTextures(cVOXAdatacollector* textures);
  // The destination becomes a copy of this scene: materials cloned first, so
  // that the copied objects bind to the copies by name.
  virtual bool CopyTo(c3Dscene* destination);
  virtual c3Dscene* Duplicate();

  // Appends the cameras and the lights of the tree, in pre-order.
  void CollectCamerasAndLights(c3Dobject* object);
  // Appends a created material and records this scene in it.
  void AddMaterial(cMaterial* material);

  cSceneView* currentView = nullptr;
  std::int32_t frames = 0;
  std::vector<c3Dlight*> lights;    // the tree's
  std::vector<c3Dcamera*> cameras;  // the tree's
  std::vector<cMaterial*> materials;  // owned; an entry may be null
  c3Dobject* root = nullptr;          // owned, with its siblings
  // The demo that loads the scene (set before Load), for the loaders that
  // reach its collectors; not owned.
  cVOXAdemo* demo = nullptr;
  bool deviceLightSlots[8] = {};

 private:
  void CopyInto(c3Dscene* destination) const;
};

}  // namespace VOXA2::threedee

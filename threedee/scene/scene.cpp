#include "threedee/scene/scene.h"

#include <new>

#include "demo/lists.h"
#include "foundation/allocate.h"
#include "threedee/scene/cameras.h"
#include "threedee/scene/material.h"

namespace VOXA2::threedee {

c3Dscene::~c3Dscene() { Clear(); }

void c3Dscene::Clear() {
  lights.clear();
  lights.shrink_to_fit();
  cameras.clear();
  cameras.shrink_to_fit();
  delete root;
  root = nullptr;
  for (cMaterial* m : materials) delete m;
  materials.clear();
  materials.shrink_to_fit();
}

bool c3Dscene::Load(const char* fileName) {
  (void)fileName;
  return false;
}

c3Dobject* c3Dscene::FindObject(const char* name) {
  return name ? c3Dobject::FindByName(root, name) : nullptr;
}

c3Dobject* c3Dscene::FindObjectById(std::int32_t id) { return c3Dobject::FindById(root, id); }

c3Dtarget* c3Dscene::FindTarget(const char* name) {
  return dynamic_cast<c3Dtarget*>(FindObject(name));
}

c3Dlight* c3Dscene::FindLight(const char* name) {
  return dynamic_cast<c3Dlight*>(FindObject(name));
}

c3Dcamera* c3Dscene::FindCamera(const char* name) {
  return dynamic_cast<c3Dcamera*>(FindObject(name));
}

namespace {
template <class T>
T* FindListed(const std::vector<T*>& list, const char* name) {
  if (!name) return nullptr;
  for (T* entry : list)
    if (entry->GetName() && EqualNoCase(entry->GetName(), name)) return entry;
  return nullptr;
}
}  // namespace

c3Dlight* c3Dscene::FindListedLight(const char* name) { return FindListed(lights, name); }

c3Dcamera* c3Dscene::FindListedCamera(const char* name) { return FindListed(cameras, name); }

cMaterial* c3Dscene::FindMaterial(const char* name) {
  if (!name) return nullptr;
  for (cMaterial* m : materials)
    if (m && m->GetName() && EqualNoCase(m->GetName(), name)) return m;
  return nullptr;
}

cMaterial* c3Dscene::FindMaterialById(std::int32_t id) {
  for (cMaterial* m : materials)
    if (m && m->id == id) return m;
  return nullptr;
}

bool c3Dscene::LoadTextures(cVOXAdatacollector* textures) {
  for (cMaterial* m : materials)
    if (m && !m->LoadTextures(textures)) return false;  // a null entry is passed over
  return true;
}

bool c3Dscene::CopyTo(c3Dscene* destination) {
  if (!destination) return false;
  // Clearing the destination first would empty a scene copied into itself.
  if (destination == this) return true;
  destination->Clear();
  CopyInto(destination);
  return true;
}

c3Dscene* c3Dscene::Duplicate() {
  auto* copy = VOXA::errors::NewOrThrow<c3Dscene>("c3Dscene");
  try {
    CopyInto(copy);
  } catch (...) {
    delete copy;
    throw;
  }
  return copy;
}

void c3Dscene::CopyInto(c3Dscene* destination) const {
  destination->currentView = currentView;
  destination->frames = frames;
  try {
    destination->materials.assign(materials.size(), nullptr);
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("material list!");
  }
  for (std::size_t i = 0; i < materials.size(); ++i) {
    if (!materials[i]) continue;
    destination->materials[i] = materials[i]->Clone();
    destination->materials[i]->scene = destination;
  }
  if (root) {
    destination->root = root->Duplicate();
    destination->root->SetScene(destination);
  }
  destination->CollectCamerasAndLights(destination->root);
}

void c3Dscene::CollectCamerasAndLights(c3Dobject* object) {
  if (!object) return;
  if (auto* camera = dynamic_cast<c3Dcamera*>(object)) AppendToList(cameras, camera, "camera list!");
  if (auto* light = dynamic_cast<c3Dlight*>(object)) AppendToList(lights, light, "light list!");
  CollectCamerasAndLights(object->firstChild);
  CollectCamerasAndLights(object->nextSibling);
}

void c3Dscene::AddMaterial(cMaterial* material) {
  AppendToList(materials, material, "material list!");
  if (material) material->scene = this;
}

}  // namespace VOXA2::threedee

#include "threedee/scene/object.h"

#include "demo/lists.h"
#include "foundation/stream.h"
#include "threedee/scene/scene.h"

namespace VOXA2::threedee {
namespace {
std::int32_t objectCounter = 0;
}  // namespace

std::int32_t NextObjectId() { return objectCounter++; }

c3Dobject::c3Dobject() : id(NextObjectId()), world(identityMatrix), inverseWorld(identityMatrix) {}

c3Dobject::~c3Dobject() {
  delete firstChild;
  // The sibling chain is unlinked one by one, so a long chain costs no deep recursion.
  c3Dobject* next = nextSibling;
  nextSibling = nullptr;
  while (next) {
    c3Dobject* doomed = next;
    next = doomed->nextSibling;
    doomed->nextSibling = nullptr;
    delete doomed;
  }
}

bool c3Dobject::Update(float frame, float time, float sinceStart, float fraction) {
  if (inheritMatrices) {
    world = parent ? parent->world : identityMatrix;
    inverseWorld = parent ? parent->inverseWorld : identityMatrix;
  }
  // A failing branch does not stop the walk, but the walk reports it.
  bool ok = true;
  if (firstChild) ok = firstChild->Update(frame, time, sinceStart, fraction) && ok;
  if (nextSibling) ok = nextSibling->Update(frame, time, sinceStart, fraction) && ok;
  return ok;
}

bool c3Dobject::PostUpdate() {
  if (firstChild) firstChild->PostUpdate();
  if (nextSibling) nextSibling->PostUpdate();
  return true;
}

bool c3Dobject::Render(bool recurse) {
  if (recurse) {
    if (firstChild) firstChild->Render(true);
    if (nextSibling) nextSibling->Render(true);
  }
  return true;
}

c3Dobject* c3Dobject::Duplicate() const { return DuplicateAs(*this, "c3Dobject"); }

void c3Dobject::SetName(const char* text) {
  if (text)
    name = CopyName(text);
  else
    name.reset();
}

void c3Dobject::CopyTo(c3Dobject* target) const {
  target->SetName(GetName());
  target->parent = parent;
  target->nextSibling = nextSibling ? nextSibling->Duplicate() : nullptr;
  target->firstChild = firstChild ? firstChild->Duplicate() : nullptr;
  target->scene = scene;
  target->currentView = currentView;
  target->hidden = hidden;
  target->kind = kind;
  for (int i = 0; i < kValueCount; ++i) target->values[i] = values[i];
  target->world = world;
  target->inverseWorld = inverseWorld;
}

void c3Dobject::SetScene(c3Dscene* newScene) {
  scene = newScene;
  currentView = newScene ? &newScene->currentView : nullptr;
  if (firstChild) {
    firstChild->parent = this;
    firstChild->SetScene(newScene);
  }
  if (nextSibling) {
    nextSibling->parent = parent;
    nextSibling->SetScene(newScene);
  }
}

c3Dobject* c3Dobject::FindByName(c3Dobject* object, const char* wanted) {
  if (!object) return nullptr;
  if (object->name && EqualNoCase(object->name->c_str(), wanted)) return object;
  if (c3Dobject* found = FindByName(object->firstChild, wanted)) return found;
  return FindByName(object->nextSibling, wanted);
}

c3Dobject* c3Dobject::FindById(c3Dobject* object, std::int32_t wanted) {
  if (!object) return nullptr;
  if (object->id == wanted) return object;
  if (c3Dobject* found = FindById(object->firstChild, wanted)) return found;
  return FindById(object->nextSibling, wanted);
}

}  // namespace VOXA2::threedee

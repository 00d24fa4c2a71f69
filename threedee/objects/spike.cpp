#include "threedee/objects/spike.h"

#include <cmath>
#include <cstdio>

#include "foundation/allocate.h"
#include "threedee/scene/material.h"
#include "threedee/scene/scene.h"

namespace VOXA2::threedee {
namespace {

Vector* Point(c3Dbeziersurface* patch, int x, int y) {
  return patch ? &patch->controlPoints[c3Dbeziersurface::NetIndex(x, y)] : nullptr;
}

// Ring 0 is the centre, ring 1 the points next to it, ring 2 the next ones.
int RingOf(int entry) { return entry < 4 ? 0 : entry < 16 ? 1 : 2; }

}  // namespace

void AppendSibling(c3Dobject* chain, c3Dobject* object) {
  while (chain->nextSibling) chain = chain->nextSibling;
  object->parent = chain->parent;
  object->scene = chain->scene;
  object->currentView = chain->currentView;
  chain->nextSibling = object;
}

c3Dspike::c3Dspike() { CreatePatches(); }

c3Dspike::~c3Dspike() {
  for (auto* track : cornerTracks) delete track;
  delete protrudeTrack;
  delete vortexTrack;
}

void c3Dspike::CreatePatches() {
  for (int p = 0; p < 4; ++p) {
    auto* patch = VOXA::errors::NewOrThrow<c3Dbeziersurface>("c3Dbeziersurface");
    char name[64];
    std::snprintf(name, sizeof name, "bspike%Xsurface%X", static_cast<unsigned>(id),
                  static_cast<unsigned>(patch->id));
    try {
      patch->SetName(name);
    } catch (...) {
      delete patch;
      throw;
    }
    patches[p] = patch;
    if (!firstChild) {
      firstChild = patch;
      patch->parent = this;
      patch->scene = scene;
      patch->currentView = currentView;
    } else {
      AppendSibling(firstChild, patch);
    }
  }
  LinkPatchEdges();
}

void c3Dspike::LinkPatchEdges() {
  c3Dbeziersurface* const* q = patches;
  Vector** t = linkTable;
  for (int p = 0; p < 4; ++p) t[p] = Point(q[p], 4, 1);
  for (int p = 0; p < 4; ++p) t[4 + p] = Point(q[p], 3, 2);
  // The seams: column 4 of one patch meets row 1 of the one before it.
  Vector* ring1[8] = {Point(q[0], 4, 2), Point(q[3], 3, 1), Point(q[0], 3, 1), Point(q[1], 4, 2),
                      Point(q[1], 3, 1), Point(q[2], 4, 2), Point(q[2], 3, 1), Point(q[3], 4, 2)};
  for (int k = 0; k < 8; ++k) t[8 + k] = ring1[k];
  for (int p = 0; p < 4; ++p) {
    t[16 + 3 * p] = Point(q[p], 3, 3);
    t[17 + 3 * p] = Point(q[p], 2, 2);
    t[18 + 3 * p] = Point(q[p], 2, 3);
  }
  Vector* ring2[8] = {Point(q[0], 4, 3), Point(q[3], 2, 1), Point(q[0], 2, 1), Point(q[1], 4, 3),
                      Point(q[1], 2, 1), Point(q[2], 4, 3), Point(q[2], 2, 1), Point(q[3], 4, 3)};
  for (int k = 0; k < 8; ++k) t[28 + k] = ring2[k];
}

void c3Dspike::SetCorners(const Vector& k1, const Vector& k2, const Vector& k3, const Vector& k4) {
  const Vector m12 = (k1 + k2).Scaled(0.5f), m23 = (k2 + k3).Scaled(0.5f);
  const Vector m34 = (k3 + k4).Scaled(0.5f), m41 = (k1 + k4).Scaled(0.5f);
  const Vector z = (k1 + k2 + k3 + k4).Scaled(0.25f);
  const Vector layout[4][4] = {{m12, z, m41, k1}, {m23, z, m12, k2}, {m34, z, m23, k3}, {m41, z, m34, k4}};
  static constexpr float kAngles[4] = {4.712389f, 3.1415927f, 1.5707964f, 0.0f};
  static constexpr float kOffsets[4][2] = {{0, 0.5f}, {0, 0}, {0.5f, 0}, {0.5f, 0.5f}};
  for (int p = 0; p < 4; ++p) {
    c3Dbeziersurface* patch = patches[p];
    if (!patch) continue;
    patch->SetCorners(layout[p][0], layout[p][1], layout[p][2], layout[p][3]);
    patch->texAngle = kAngles[p];
    if (fourMaterials) {
      patch->texOffsetU = patch->texOffsetV = 0;
      patch->texScaleU = patch->texScaleV = 1;
      patch->material = patchMaterials[p];
    } else {
      patch->texOffsetU = kOffsets[p][0];
      patch->texOffsetV = kOffsets[p][1];
      patch->texScaleU = patch->texScaleV = 0.5f;
      patch->material = material;
    }
    patch->steps = steps / 2;
  }
  for (int i = 0; i < kLinkedPoints; ++i)
    if (linkTable[i]) baseShape[i] = *linkTable[i];
  laidOut = true;
}

bool c3Dspike::Animate(float frame, float time, float sinceStart, float fraction) {
  if (!EvaluateTracks(frame, time, sinceStart, fraction)) return false;
  // Without a material there is nothing to shape, but what lies below and
  // after the spike still moves.
  if (!material && !patchMaterials[0]) return c3Dobject::Update(frame, time, sinceStart, fraction);
  if (cornerTracks[0]) {
    Vector k[4];
    for (int c = 0; c < 4; ++c) {
      k[c].Set(0, 0, 0);
      if (!cornerTracks[c]) continue;
      cornerTracks[c]->Evaluate(frame);
      k[c].Set(cornerTracks[c]->GetValue(0), cornerTracks[c]->GetValue(1), cornerTracks[c]->GetValue(2));
    }
    SetCorners(k[0], k[1], k[2], k[3]);
  } else if (!laidOut) {
    SetCorners({-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0});
  }
  for (int i = 0; i < kLinkedPoints; ++i)
    if (linkTable[i]) *linkTable[i] = baseShape[i];
  if (protrudeTrack) {
    protrudeTrack->Evaluate(frame);
    const float p = protrudeTrack->GetValue(0);
    const float q = p * 0.5f;
    const float r = q * -0.5f;
    const float lift[3] = {p, q, r};
    for (int i = 0; i < kLinkedPoints; ++i)
      if (linkTable[i]) *linkTable[i] = *linkTable[i] + direction.Scaled(lift[RingOf(i)]);
  }
  if (vortexTrack) {
    vortexTrack->Evaluate(frame);
    const float t = vortexTrack->GetValue(0);
    const float c = std::cos(t), s = std::sin(t);
    // R = (c s; -s c) on x and y; ring 2 turns by R·R.
    const float turn[2][4] = {{c, s, -s, c}, {c * c + s * -s, c * s + s * c, -s * c + c * -s, -s * s + c * c}};
    for (int i = 4; i < kLinkedPoints; ++i) {
      Vector* v = linkTable[i];
      if (!v) continue;
      const float* m = turn[RingOf(i) - 1];
      v->Set(v->x * m[0] + v->y * m[1], v->x * m[2] + v->y * m[3], v->z);
    }
  }
  return c3Dobject::Update(frame, time, sinceStart, fraction);
}

void c3Dspike::SetScene(c3Dscene* newScene) {
  c3Dobject::SetScene(newScene);
  auto rebind = [&](cMaterial*& slot) {
    if (slot) slot = newScene ? newScene->FindMaterial(slot->GetName()) : nullptr;
  };
  rebind(material);
  for (cMaterial*& m : patchMaterials) rebind(m);
  // The patches are found among the spike's own children, so that two spikes
  // of one scene never take each other's.
  for (c3Dbeziersurface*& patch : patches)
    if (patch)
      patch = dynamic_cast<c3Dbeziersurface*>(c3Dobject::FindByName(firstChild, patch->GetName()));
  LinkPatchEdges();
}

void c3Dspike::ReplaceMaterial(cMaterial* oldMaterial, cMaterial* newMaterial) {
  if (material == oldMaterial) material = newMaterial;
  for (cMaterial*& m : patchMaterials)
    if (m == oldMaterial) m = newMaterial;
}

c3Dobject* c3Dspike::Duplicate() const {
  auto* copy = new (std::nothrow) c3Dspike(ForCopy{});
  if (!copy) throw new VOXA::errors::eCouldNotCreateObject("c3Dspike");
  try {
    CopyTo(copy);
  } catch (...) {
    delete copy;
    throw;
  }
  return copy;
}

void c3Dspike::CopyTo(c3Dspike* target) const {
  c3DStemporary::CopyTo(target);
  target->steps = steps;
  target->material = material;
  target->direction = direction;
  target->fourMaterials = fourMaterials;
  for (int p = 0; p < 4; ++p) target->patchMaterials[p] = patchMaterials[p];
  target->protrudeTrack = tracks::CloneOrNull(protrudeTrack);
  target->vortexTrack = tracks::CloneOrNull(vortexTrack);
  for (int c = 0; c < 4; ++c) target->cornerTracks[c] = tracks::CloneOrNull(cornerTracks[c]);
  for (int i = 0; i < kLinkedPoints; ++i) target->baseShape[i] = baseShape[i];
  target->laidOut = laidOut;
  // The copied children are copies of this spike's patches, under their names.
  for (int p = 0; p < 4; ++p)
    target->patches[p] = patches[p] ? dynamic_cast<c3Dbeziersurface*>(c3Dobject::FindByName(
                                          target->firstChild, patches[p]->GetName()))
                                    : nullptr;
  target->LinkPatchEdges();
}

}  // namespace VOXA2::threedee

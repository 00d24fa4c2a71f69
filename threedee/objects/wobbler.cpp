#include "threedee/objects/wobbler.h"

#include <cmath>

#include "threedee/scene/scene.h"
#include "threedee/scene/trimesh.h"

namespace VOXA2::threedee {

namespace {

float First(cView3Di_position* track, float time, float otherwise) {
  if (!track) return otherwise;
  track->Evaluate(time);
  return track->GetValues()[0];
}

Vector Transform3(const Matrix4& m, const Vector& v, bool translate) {
  const float w = translate ? 1.0f : 0.0f;
  return {m.m[0] * v.x + m.m[1] * v.y + m.m[2] * v.z + w * m.m[3],
          m.m[4] * v.x + m.m[5] * v.y + m.m[6] * v.z + w * m.m[7],
          m.m[8] * v.x + m.m[9] * v.y + m.m[10] * v.z + w * m.m[11]};
}

}  // namespace

c3Dwobbler::~c3Dwobbler() {
  delete timeMultiplyerTrack;
  delete waveMultiplyerTrack;
  delete intensityTrack;
  delete fadeAreaTrack;
}

bool c3Dwobbler::Animate(float frame, float time, float sinceStart, float fraction) {
  if (!c3DStemporary::Animate(frame, time, sinceStart, fraction)) return false;
  frameTime = frame;
  return true;
}

bool c3Dwobbler::Wobble() {
  c3Dobject::PostUpdate();
  tWobbleParameter wave;
  wave.time = frameTime;
  const float tm = First(timeMultiplyerTrack, frameTime, 0.1f);
  const float wm = First(waveMultiplyerTrack, frameTime, 0.01f);
  wave.intensity = First(intensityTrack, frameTime, wave.intensity);
  wave.fadeArea = First(fadeAreaTrack, frameTime, wave.fadeArea);
  if (!objectList.empty()) {
    for (c3Dobject* object : objectList) Deform(object, wave, world, tm, wm);
  } else if (scene) {
    DeformChildren(scene->root, wave, world, tm, wm);
  }
  return true;
}

void c3Dwobbler::DeformChildren(c3Dobject* object, const tWobbleParameter& wave,
                                const Matrix4& wobblerWorld, float tm, float wm) {
  for (; object; object = object->nextSibling) {
    Deform(object, wave, wobblerWorld, tm, wm);
    DeformChildren(object->firstChild, wave, wobblerWorld, tm, wm);
  }
}

void c3Dwobbler::Deform(c3Dobject* object, const tWobbleParameter& wave, Matrix4 wobblerWorld,
                        float tm, float wm) {
  auto* mesh = dynamic_cast<c3DtriangularMesh*>(object);
  if (!mesh) return;
  // The wobbler's space in the mesh's: the plane's point and (unnormalised) normal.
  Matrix4 m;
  MultiplyMatrices(m, mesh->inverseWorld, wobblerWorld);
  const Vector q = Transform3(m, wave.origin, true);
  const Vector d = Transform3(m, wave.axis, false);
  const float length = std::sqrt(d.Dot(d));
  const float a = wave.intensity * length, k = wm * length;
  const float phaseX = k * mesh->world.m[3] + wave.time * tm;
  const float phaseY = k * mesh->world.m[7] + wave.time * tm;
  const float phaseZ = k * mesh->world.m[11] + wave.time * tm;
  const float planeAt = q.Dot(d);

  DeformMesh(*mesh, [&](Vector& p) {
    const float s = p.Dot(d) - planeAt;
    if (s >= 0) return false;
    const float fade = s <= -wave.fadeArea ? 1.0f : s / -wave.fadeArea;
    const float amount = a * fade;
    p.x += amount * std::sin(k * (p.y + p.z) + phaseX);
    p.y += amount * std::sin(k * (p.x + p.z) + phaseY);
    p.z += amount * std::sin(k * (p.x + p.y) + phaseZ);
    return true;
  });
}

void c3Dwobbler::SetScene(c3Dscene* newScene) {
  c3Dobject::SetScene(newScene);
  for (c3Dobject*& object : objectList)
    if (object) object = newScene ? newScene->FindObject(object->GetName()) : nullptr;
}

c3Dobject* c3Dwobbler::Duplicate() const { return DuplicateAs(*this, "c3Dwobbler"); }

void c3Dwobbler::CopyTo(c3Dwobbler* target) const {
  c3DStemporary::CopyTo(target);
  tracks::OrFailFor("object list!", [&] {
    target->objectList = objectList;
    return 0;
  });
  target->frameTime = frameTime;
  target->timeMultiplyerTrack = tracks::CloneOrNull(timeMultiplyerTrack);
  target->waveMultiplyerTrack = tracks::CloneOrNull(waveMultiplyerTrack);
  target->intensityTrack = tracks::CloneOrNull(intensityTrack);
  target->fadeAreaTrack = tracks::CloneOrNull(fadeAreaTrack);
}

}  // namespace VOXA2::threedee

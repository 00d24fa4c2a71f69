#include "threedee/scene/keyframed.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "threedee/scene/material.h"
#include "threedee/scene/scene.h"
#include "windxkernel/rendermodes.h"

namespace VOXA2::threedee {
namespace {

constexpr float kPi = std::numbers::pi_v<float>;
// The lights shine as far as a float reaches.
const float kLightRange = std::sqrt(std::numeric_limits<float>::max());

Vector Translation(const Matrix4& m) { return {m.m[3], m.m[7], m.m[11]}; }

std::uint32_t TrackColour(const cView3Di_position* colour) {
  return colour ? PackColor(colour->GetValues()) : 0xFFFFFFFFu;
}

// A light of the type at the world matrix's translation, in the colour of the
// track, black in ambient and specular light, reaching as far as a float goes.
void FillLightRecord(DeviceLight& record, std::uint32_t type, const Matrix4& world,
                     const cView3Di_position* colour) {
  record = DeviceLight{};
  record.type = type;
  const Vector at = Translation(world);
  record.position[0] = at.x, record.position[1] = at.y, record.position[2] = at.z;
  record.ambient = 0xFF000000u;
  record.diffuse = TrackColour(colour);
  record.specular = 0xFF000000u;
  record.range = kLightRange;
  record.attenuation0 = 1.0f;
}

// The object found under the target's name in the new scene, when it is keyframed.
c3DStemporary* Rebind(const c3DStemporary* target, c3Dscene* scene) {
  if (!target || !target->GetName() || !scene) return nullptr;
  return dynamic_cast<c3DStemporary*>(scene->FindObject(target->GetName()));
}

// The field of view in degrees: 90 without a track, kept strictly between 0
// and 180 so that the focal factor stays finite and positive.
float FieldOfView(const cView3Di_position* fov) {
  if (!fov) return 90.0f;
  const float degrees = fov->GetValue(0);
  if (std::isnan(degrees)) return 90.0f;
  return std::clamp(degrees, 1e-3f, 180.0f - 1e-3f);
}

}  // namespace

void MultiplyMatrices(Matrix4& out, const Matrix4& a, const Matrix4& b) {
  float r[16];
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float sum = 0;
      for (int k = 0; k < 4; ++k) sum += a.m[4 * i + k] * b.m[4 * k + j];
      r[i * 4 + j] = sum;
    }
  std::copy(r, r + 16, out.m);
}

// ---- keyframed objects

c3DStemporary::~c3DStemporary() {
  delete positionTrack;
  delete rotationTrack;
  delete scaleTrack;
  delete fovTrack;
  delete rollTrack;
  delete colourTrack;
  delete hotspotTrack;
  delete falloffTrack;
  delete hideTrack;
  delete morphTrack;
}

bool c3DStemporary::Animate(float frame, float time, float sinceStart, float fraction) {
  if (!EvaluateTracks(frame, time, sinceStart, fraction)) return false;
  return c3Dobject::Update(frame, time, sinceStart, fraction);
}

bool c3DStemporary::EvaluateTracks(float frame, float, float, float) {
  for (cView3Dinterpolator* track : {static_cast<cView3Dinterpolator*>(positionTrack),
                                     static_cast<cView3Dinterpolator*>(rotationTrack),
                                     static_cast<cView3Dinterpolator*>(scaleTrack)})
    if (track) track->Evaluate(frame);
  if (hideTrack) {
    hideTrack->Evaluate(frame);
    hidden = hideTrack->value != 0;
  } else {
    hidden = false;
  }
  if (!hidden)
    for (cView3Di_position* track : {fovTrack, rollTrack, colourTrack, hotspotTrack, falloffTrack})
      if (track) track->Evaluate(frame);

  Matrix4 m = identityMatrix;
  if (scaleTrack) {
    m.m[0] = scaleTrack->GetValue(0);
    m.m[5] = scaleTrack->GetValue(1);
    m.m[10] = scaleTrack->GetValue(2);
  }
  if (rotationTrack) {
    Matrix4 r;
    std::copy(rotationTrack->GetMatrix(), rotationTrack->GetMatrix() + 16, r.m);
    MultiplyMatrices(m, r, m);
  }
  if (positionTrack) {
    m.m[3] += positionTrack->GetValue(0);
    m.m[7] += positionTrack->GetValue(1);
    m.m[11] += positionTrack->GetValue(2);
  }
  if (parent) MultiplyMatrices(m, parent->world, m);
  world = m;
  Matrix4::Invert(inverseWorld, m);
  return true;
}

void c3DStemporary::CopyTracks(const c3DStemporary& source, c3DStemporary& destination) {
  auto copy = [](auto* from, auto*& to) {
    if (from) to = from->CloneTyped();
  };
  copy(source.positionTrack, destination.positionTrack);
  if (source.rotationTrack)
    destination.rotationTrack = static_cast<cView3Di_rotation*>(source.rotationTrack->Clone());
  copy(source.scaleTrack, destination.scaleTrack);
  copy(source.fovTrack, destination.fovTrack);
  copy(source.rollTrack, destination.rollTrack);
  copy(source.colourTrack, destination.colourTrack);
  copy(source.hotspotTrack, destination.hotspotTrack);
  copy(source.falloffTrack, destination.falloffTrack);
  copy(source.hideTrack, destination.hideTrack);
  copy(source.morphTrack, destination.morphTrack);
}

void c3DStemporary::CopyTo(c3DStemporary* target) const {
  c3Dobject::CopyTo(target);
  CopyTracks(*this, *target);
}

c3Dobject* c3DStemporary::Duplicate() const { return DuplicateAs(*this, "c3DStemporary"); }

// ---- meshes

bool c3DSmesh::Update(float frame, float time, float sinceStart, float fraction) {
  EvaluateTracks(frame, time, sinceStart, fraction);
  if (!c3DtriangularMesh::Update(frame, time, sinceStart, fraction)) return false;
  position = Translation(world);
  if (morphTrack && !hidden) {
    morphTrack->Evaluate(frame);
    const Vector* shape = morphTrack->GetVertices();
    const int count = morphTrack->GetVertexCount();
    for (auto& part : parts)
      for (auto& mesh : part->meshes) {
        mesh->originalsChanged = true;
        for (std::size_t j = 0; j < mesh->originals.size(); ++j) {
          const std::int32_t from = mesh->originalIndices[j];
          if (from >= 0 && from < count) mesh->originals[j] = shape[from];
        }
      }
    boundsDirty = true;
  }
  return true;
}

c3Dobject* c3DSmesh::Duplicate() const { return DuplicateAs(*this, "c3DSmesh"); }

void c3DSmesh::CopyTo(c3DSmesh* target) const {
  c3DtriangularMesh::CopyTo(target);
  CopyTracks(*this, *target);
}

// ---- cameras and targets

void c3DScamera::ComputeView(Matrix4& view, Matrix4& projection, cFustrum& fustrum,
                             Vector& eyeOut) {
  view = identityMatrix;
  const float halfX = FieldOfView(fovTrack) * (kPi / 180.0f) * 0.5f;
  const float f = 1.0f / std::tan(halfX);
  const float halfY = std::atan2(0.75f, f);

  projection = Matrix4{};
  projection.m[0] = f;
  projection.m[5] = static_cast<float>(-f * 1.3333333333333335);
  projection.m[10] = (farPlane + f) / (farPlane - nearPlane);
  projection.m[11] = -(nearPlane + f) * projection.m[10];
  projection.m[14] = 1;

  if (target) {
    Vector p = Translation(world);
    Vector forward = Translation(target->world) - p;
    Vector right, up;
    if (forward.Dot(forward) == 0.0f) {
      // The target on the eye: no direction to aim along, so the camera keeps
      // looking down +z rather than building a singular view.
      forward.Set(0, 0, 1);
    }
    forward.Normalize();
    right.Set(forward.y, -forward.x, 0);
    // Looking straight up or down: any horizontal right vector will do.
    if (right.Dot(right) < 1e-12f) right.Set(1, 0, 0);
    right.Normalize();
    up = Cross(forward, right);
    up.Normalize();
    Matrix4 rotationPart = identityMatrix;
    const Vector rows[3] = {right, up, forward};
    for (int r = 0; r < 3; ++r) {
      rotationPart.m[4 * r] = rows[r].x;
      rotationPart.m[4 * r + 1] = rows[r].y;
      rotationPart.m[4 * r + 2] = rows[r].z;
    }
    p = p - forward.Scaled(f);
    eye = p;
    Matrix4 translate = identityMatrix;
    translate.m[3] = -p.x;
    translate.m[7] = -p.y;
    translate.m[11] = -p.z;
    Matrix4 rollPart = identityMatrix;
    if (rollTrack) {
      const float r = rollTrack->GetValue(0) * (1.0f / 180.0f) * kPi;
      rollPart.m[0] = std::cos(r);
      rollPart.m[1] = -std::sin(r);
      rollPart.m[4] = std::sin(r);
      rollPart.m[5] = std::cos(r);
    }
    MultiplyMatrices(view, rotationPart, translate);
    MultiplyMatrices(view, rollPart, view);
    eyeOut = p;
  } else {
    eye = Translation(world);
  }
  BuildFustrum(fustrum, view, nearPlane, farPlane, halfX, halfY);
}

c3Dobject* c3DScamera::Duplicate() const { return DuplicateAs(*this, "c3DScamera"); }

void c3DScamera::CopyTo(c3DScamera* copy) const {
  c3Dobject::CopyTo(copy);
  CopyTracks(*this, *copy);
  copy->nearPlane = nearPlane;
  copy->farPlane = farPlane;
  copy->eye = eye;
  copy->target = target;
}

void c3DScamera::SetScene(c3Dscene* newScene) {
  target = Rebind(target, newScene);
  c3Dobject::SetScene(newScene);
}

c3Dobject* c3DStarget::Duplicate() const { return DuplicateAs(*this, "c3DStarget"); }

void c3DStarget::CopyTo(c3DStarget* copy) const { c3DStemporary::CopyTo(copy); }

// ---- lights

void c3DSlight_omni::GetLightDescription(DeviceLight& record) {
  FillLightRecord(record, 2, world, colourTrack);
}

c3Dobject* c3DSlight_omni::Duplicate() const { return DuplicateAs(*this, "c3DSlight_omni"); }

void c3DSlight_omni::CopyTo(c3DSlight_omni* copy) const { c3DStemporary::CopyTo(copy); }

void c3DSlight_spot::GetLightDescription(DeviceLight& record) {
  FillLightRecord(record, 3, world, colourTrack);
  const Vector at = Translation(world);
  if (target) {
    const Vector direction = Translation(target->world) - at;
    record.direction[0] = direction.x;
    record.direction[1] = direction.y;
    record.direction[2] = direction.z;
  }
  record.falloff = 1.0f;
  record.theta = hotspotTrack ? hotspotTrack->GetValue(0) * (1.0f / 360.0f) * kPi : 0.0f;
  record.phi = falloffTrack ? falloffTrack->GetValue(0) * (1.0f / 360.0f) * kPi : record.theta;
}

c3Dobject* c3DSlight_spot::Duplicate() const { return DuplicateAs(*this, "c3DSlight_spot"); }

void c3DSlight_spot::CopyTo(c3DSlight_spot* copy) const {
  c3DStemporary::CopyTo(copy);
  copy->target = target;
}

void c3DSlight_spot::SetScene(c3Dscene* newScene) {
  target = Rebind(target, newScene);
  c3Dobject::SetScene(newScene);
}

void c3DSlight_ambient::GetLightDescription(DeviceLight&) {
  SetRenderMode(12, TrackColour(colourTrack));
}

c3Dobject* c3DSlight_ambient::Duplicate() const {
  return DuplicateAs(*this, "c3DSlight_ambient");
}

void c3DSlight_ambient::CopyTo(c3DSlight_ambient* copy) const { c3DStemporary::CopyTo(copy); }

c3Dobject* c3DSbone::Duplicate() const { return DuplicateAs(*this, "c3DSbone"); }

void c3DSbone::CopyTo(c3DSbone* copy) const { c3DStemporary::CopyTo(copy); }

// ---- time mapper

bool c3Dtime_mapper::Update(float frame, float time, float sinceStart, float fraction) {
  if (!EvaluateTracks(frame, time, sinceStart, fraction)) return false;
  float t = frame;
  if (timeTrack) {
    timeTrack->Evaluate(frame);
    t = timeTrack->GetValue(0);
  }
  // A failing branch fails the walk, as the plain tree update reports it.
  bool ok = true;
  if (firstChild) ok = firstChild->Update(t, time, sinceStart, fraction) && ok;
  if (nextSibling) ok = nextSibling->Update(frame, time, sinceStart, fraction) && ok;
  return ok;
}

c3Dobject* c3Dtime_mapper::Duplicate() const { return DuplicateAs(*this, "c3Dtime_mapper"); }

void c3Dtime_mapper::CopyTo(c3Dtime_mapper* copy) const {
  c3DStemporary::CopyTo(copy);
  copy->timeTrack = tracks::CloneOrNull(timeTrack);
}

}  // namespace VOXA2::threedee

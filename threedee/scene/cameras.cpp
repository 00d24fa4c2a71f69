#include "threedee/scene/cameras.h"

#include <cmath>
#include <numbers>

namespace VOXA2::threedee {

c3Dobject* c3Dtarget::Duplicate() const { return DuplicateAs(*this, "c3Dtarget"); }

c3Dobject* c3Dcamera::Duplicate() const { return DuplicateAs(*this, "c3Dcamera"); }

void c3Dcamera::CopyTo(c3Dcamera* target) const {
  c3Dobject::CopyTo(target);
  target->nearPlane = nearPlane;
  target->farPlane = farPlane;
  target->eye = eye;
}

c3Dobject* c3Dlight::Duplicate() const { return DuplicateAs(*this, "c3Dlight"); }

// The device slot and multiplier belong to the scene being shown: a copy
// claims its own when its scene is drawn.
void c3Dlight::CopyTo(c3Dlight* target) const { c3Dobject::CopyTo(target); }

c3Dobject* c3Dbone::Duplicate() const { return DuplicateAs(*this, "c3Dbone"); }

}  // namespace VOXA2::threedee

namespace VOXA2::threedee {

void BuildFustrum(cFustrum& fustrum, const Matrix4& view, float nearPlane, float farPlane,
                  float halfX, float halfY) {
  const float cx = std::cos(halfX), sx = std::sin(halfX);
  const float cy = std::cos(halfY), sy = std::sin(halfY);
  const cPlane camera[6] = {
      {0, 0, -1, nearPlane}, {0, 0, 1, -farPlane}, {-cx, 0, -sx, 0},
      {cx, 0, -sx, 0},       {0, cy, -sy, 0},      {0, -cy, -sy, 0},
  };
  Matrix4 inverse, normals;
  Matrix4::Invert(inverse, view);
  Matrix4::InvertRotation(normals, inverse);
  for (int i = 0; i < 6; ++i) {
    fustrum.planes[i] = camera[i];
    fustrum.planes[i].Transform(inverse.m, normals.m);
  }
}

void c3Dcamera::ComputeView(Matrix4& view, Matrix4& projection, cFustrum& fustrum, Vector& eye) {
  const float c = 1.0f / std::tan(std::numbers::pi_v<float> / 4);
  const float halfX = std::atan2(1.0f, c), halfY = std::atan2(0.75f, c);
  view = identityMatrix;
  eye.Set(0, 0, 0);
  const float q = farPlane / (farPlane - nearPlane);
  projection = Matrix4{{c, 0, 0, 0, 0, -c, 0, 0, 0, 0, q, -nearPlane * q, 0, 0, 1, 0}};
  BuildFustrum(fustrum, view, nearPlane, farPlane, halfX, halfY);
}

void c3Dlight::GetLightDescription(DeviceLight& record) {
  record = DeviceLight{};
  record.type = 2;
  record.ambient = 0xFF000000u;
  record.diffuse = 0xFFFFFFFFu;
  record.specular = 0xFFFFFFFFu;
  record.range = 10000.0f;
  record.attenuation0 = 1.0f;
}

float c3Dlight::GetMultiplier(c3Dmesh*) { return 1.0f; }

}  // namespace VOXA2::threedee

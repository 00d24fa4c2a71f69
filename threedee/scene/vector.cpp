#include "threedee/scene/vector.h"

#include <cmath>

namespace VOXA2::threedee {

void Vector::Normalize() {
  const float squared = x * x + y * y + z * z;
  if (squared == 0.0f || squared == 1.0f) return;
  const float length = std::sqrt(squared);
  x /= length;
  y /= length;
  z /= length;
}

Vector Cross(const Vector& a, const Vector& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vector TransformPoint(const float* m, const Vector& p) {
  const float w = m[12] * p.x + m[13] * p.y + m[14] * p.z + m[15];
  return {(m[0] * p.x + m[1] * p.y + m[2] * p.z + m[3]) / w,
          (m[4] * p.x + m[5] * p.y + m[6] * p.z + m[7]) / w,
          (m[8] * p.x + m[9] * p.y + m[10] * p.z + m[11]) / w};
}

void cPlane::Transform(const float* m, const float* n) {
  const float length = std::sqrt(a * a + b * b + c * c);
  const Vector unit(a / length, b / length, c / length);
  const Vector point = unit.Scaled(-(d / length));

  Vector normal = TransformPoint(n, unit);
  const Vector moved = TransformPoint(m, point);
  normal.Normalize();

  a = normal.x;
  b = normal.y;
  c = normal.z;
  d = -normal.Dot(moved);
}

}  // namespace VOXA2::threedee

#include "threedee/scene/quaternion.h"

#include <cmath>

namespace VOXA2 {

sQuaternion QuatMultiply(const sQuaternion& p, const sQuaternion& q) {
  return {
      p.w * q.x + q.w * p.x + p.y * q.z - p.z * q.y, p.w * q.y + q.w * p.y + p.z * q.x - p.x * q.z,
      p.w * q.z + q.w * p.z + p.x * q.y - p.y * q.x, p.w * q.w - p.x * q.x - p.y * q.y - p.z * q.z};
}

sQuaternion QuatNormalized(const sQuaternion& q) {
  const float length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
  if (!(length > 0.0f)) return kIdentityQuaternion;
  return {q.x / length, q.y / length, q.z / length, q.w / length};
}

sQuaternion QuatFromScaledAxisAngle(const float* axisAngle, float factor) {
  const float half = axisAngle[3] * factor * 0.5f;
  const float s = std::sin(half);
  return QuatNormalized({axisAngle[0] * s, axisAngle[1] * s, axisAngle[2] * s, std::cos(half)});
}

sQuaternion QuatFromAxisAngle(const float* axisAngle) {
  return QuatFromScaledAxisAngle(axisAngle, 1.0f);
}

void QuatToMatrix(const sQuaternion& q, float* m) {
  // Components scaled by √2, so that each product is already doubled.
  const float root2 = 1.4142135f;
  const float x = q.x * root2, y = q.y * root2, z = q.z * root2, w = q.w * root2;
  const float xx = x * x, yy = y * y, zz = z * z;
  const float xy = x * y, xz = x * z, yz = y * z;
  const float xw = x * w, yw = y * w, zw = z * w;
  m[0] = 1.0f - (yy + zz);
  m[1] = xy + zw;
  m[2] = xz - yw;
  m[3] = 0.0f;
  m[4] = xy - zw;
  m[5] = 1.0f - (xx + zz);
  m[6] = yz + xw;
  m[7] = 0.0f;
  m[8] = xz + yw;
  m[9] = yz - xw;
  m[10] = 1.0f - (xx + yy);
  m[11] = 0.0f;
  m[12] = m[13] = m[14] = 0.0f;
  m[15] = 1.0f;
}

void SetIdentityMatrix(float* m) {
  for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

}  // namespace VOXA2

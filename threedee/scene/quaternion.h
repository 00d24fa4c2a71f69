// Quaternions of the rotation tracks: x, y, z, w with w the scalar part.
#pragma once

namespace VOXA2 {

struct sQuaternion {
  float x, y, z, w;
};

inline constexpr sQuaternion kIdentityQuaternion{0.0f, 0.0f, 0.0f, 1.0f};

// The Hamilton product p ⊗ q.
sQuaternion QuatMultiply(const sQuaternion& p, const sQuaternion& q);

// (x·sin(a/2), y·sin(a/2), z·sin(a/2), cos(a/2)) divided by its length, from
// {x, y, z, angle}; no rotation when that length is zero.
sQuaternion QuatFromAxisAngle(const float* axisAngle);
// The same with the angle multiplied by a factor.
sQuaternion QuatFromScaledAxisAngle(const float* axisAngle, float factor);

// Divides by the length; a zero quaternion becomes no rotation.
sQuaternion QuatNormalized(const sQuaternion& q);

// The 4x4 matrix of the rotation tracks, row 0 = (1 - 2(y² + z²), 2(xy + zw),
// 2(xz - yw), 0): the transpose of the usual column-vector rotation, kept
// because every stored animation was made against it. The quaternion is used as
// it is, without normalising.
void QuatToMatrix(const sQuaternion& q, float* matrix);

void SetIdentityMatrix(float* matrix);

}  // namespace VOXA2

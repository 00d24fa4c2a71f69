// Rotation tracks: keys are rotations relative to the key before (axis and angle
// in radians), accumulated into absolute orientations as they are added; the
// result is a quaternion and its 4x4 matrix.
#pragma once

#include <vector>

#include "threedee/scene/interpolator.h"
#include "threedee/scene/quaternion.h"

namespace VOXA2 {

class cView3Di_rotation : public cView3Dinterpolator {
 public:
  ~cView3Di_rotation() override = default;

  // The 16 entries of the rotation matrix, row by row (identity when new).
  const float* GetMatrix() const { return matrix_; }
  const sQuaternion& GetQuaternion() const { return quaternion_; }

 protected:
  cView3Di_rotation() { SetIdentityMatrix(matrix_); }
  void BuildMatrix() { QuatToMatrix(quaternion_, matrix_); }
  void CopyMatrixTo(cView3Di_rotation& copy) const;

  float matrix_[16];
  sQuaternion quaternion_ = kIdentityQuaternion;
};

// Turns the next key's own rotation in proportion to the elapsed part of the
// segment.
class cView3Di_linear_quat : public cView3Di_rotation {
 public:
  cView3Di_linear_quat() = default;
  ~cView3Di_linear_quat() override { FreeKeys(); }

  void FreeKeys() override { keys_.clear(); }
  void Evaluate(float time) override;
  cView3Dinterpolator* Clone() const override { return CloneTyped(); }
  virtual cView3Di_linear_quat* CloneTyped() const;
  // axisAngle: axis x, y, z and the angle in radians, relative to the previous
  // key (absolute for the first).
  virtual bool AddKey(float time, const float* axisAngle);

  int GetKeyCount() const { return static_cast<int>(keys_.size()); }
  const sQuaternion& GetKeyOrientation(int index) const { return keys_[index].orientation; }

 protected:
  virtual float Shape(float f) const { return f; }
  virtual cView3Di_linear_quat* NewEmpty() const;

 private:
  struct tKey {
    float time;
    sQuaternion orientation;  // absolute, unit length
    float axisAngle[4];       // as given
  };
  std::vector<tKey> keys_;
};

// The linear rotation with each segment eased in and out.
class cView3Di_softy_quat : public cView3Di_linear_quat {
 public:
  cView3Di_softy_quat() = default;

 protected:
  float Shape(float f) const override { return tracks::Ease(f); }
  cView3Di_linear_quat* NewEmpty() const override;
};

}  // namespace VOXA2

// The small kinds of scene object beside the meshes: targets that cameras and
// spot lights aim at, cameras (a view, a projection and the six planes of the
// view volume), lights (a device light record for the meshes' light set-up)
// and bones. The keyframed node classes derive from them.
#pragma once

#include <cstdint>

#include "threedee/scene/object.h"
#include "threedee/scene/vector.h"
#include "threedee/scene/view.h"
#include "windxkernel/material.h"

namespace VOXA2::threedee {

class c3Dmesh;

// The camera-space planes of a view volume whose half angles are x
// (horizontal) and y (vertical), brought into world space through the inverse
// of the view matrix.
void BuildFustrum(cFustrum& fustrum, const Matrix4& view, float nearPlane, float farPlane,
                  float halfX, float halfY);

class c3Dtarget : public virtual c3Dobject {
 public:
  c3Dtarget() { kind = kTarget; }
  c3Dobject* Duplicate() const override;
};

class c3Dcamera : public virtual c3Dobject {
 public:
  c3Dcamera() { kind = kCamera; }
  c3Dobject* Duplicate() const override;
  void CopyTo(c3Dcamera* target) const;
  // World to camera space, camera to clip space, the world-space view volume
  // and the eye. The base looks down +z from the origin with a 90 degree view.
  virtual void ComputeView(Matrix4& view, Matrix4& projection, cFustrum& fustrum, Vector& eye);

  float nearPlane = 0.0f;
  float farPlane = 1000.0f;
  Vector eye{0.0f, 0.0f, 0.0f};
};

class c3Dlight : public virtual c3Dobject {
 public:
  c3Dlight() { kind = kLight; }
  c3Dobject* Duplicate() const override;
  void CopyTo(c3Dlight* target) const;
  // The record handed to the device; the base gives a white point light at the origin.
  virtual void GetLightDescription(DeviceLight& record);
  virtual float GetMultiplier(c3Dmesh* mesh);

  // The device light it holds while its scene is shown, or -1.
  std::int32_t deviceLight = -1;
  float multiplier = 1.0f;
};

class c3Dbone : public virtual c3Dobject {
 public:
  c3Dbone() { kind = kBone; }
  c3Dobject* Duplicate() const override;
};

}  // namespace VOXA2::threedee

// The small kinds of scene object beside the meshes: targets that cameras and
// spot lights aim at, cameras, lights and bones. Here they carry their kind
// codes and copy themselves; the scene finds them by run-time type.
#pragma once

#include <cstdint>

#include "threedee/scene/object.h"
#include "threedee/scene/vector.h"

namespace VOXA2::threedee {

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

  float nearPlane = 0.0f;
  float farPlane = 1000.0f;
  Vector eye{0.0f, 0.0f, 0.0f};
};

class c3Dlight : public virtual c3Dobject {
 public:
  c3Dlight() { kind = kLight; }
  c3Dobject* Duplicate() const override;
  void CopyTo(c3Dlight* target) const;

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

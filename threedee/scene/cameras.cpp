#include "threedee/scene/cameras.h"

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

void c3Dlight::CopyTo(c3Dlight* target) const {
  c3Dobject::CopyTo(target);
  target->deviceLight = deviceLight;
  target->multiplier = multiplier;
}

c3Dobject* c3Dbone::Duplicate() const { return DuplicateAs(*this, "c3Dbone"); }

}  // namespace VOXA2::threedee

#include "threedee/scene/rotationtracks.h"

#include <algorithm>
#include <cmath>

#include "foundation/allocate.h"

namespace VOXA2 {

using tracks::Span;

void cView3Di_rotation::CopyMatrixTo(cView3Di_rotation& copy) const {
  copy.repeatMode = repeatMode;
  std::copy_n(matrix_, 16, copy.matrix_);
}

bool cView3Di_linear_quat::AddKey(float time, const float* axisAngle) {
  tKey key{time, kIdentityQuaternion, {axisAngle[0], axisAngle[1], axisAngle[2], axisAngle[3]}};
  const sQuaternion r = QuatFromAxisAngle(axisAngle);
  key.orientation = keys_.empty() ? r : QuatNormalized(QuatMultiply(keys_.back().orientation, r));
  tracks::AppendKey(keys_, std::move(key), "key frames");
  return true;
}

void cView3Di_linear_quat::Evaluate(float time) {
  const int count = GetKeyCount();
  if (count == 1) {
    quaternion_ = keys_.front().orientation;
  } else if (count > 1) {
    const float first = keys_.front().time, last = keys_.back().time;
    switch (tracks::NormalizeInterpolatingTime(time, first, last, repeatMode)) {
      case Span::kLastKey:
        quaternion_ = keys_.back().orientation;
        break;
      case Span::kFirstKey:
        quaternion_ = keys_.front().orientation;
        break;
      case Span::kInside: {
        int k = 0;
        while (k + 1 < count && keys_[k].time < time) ++k;
        if (time == keys_[k].time || k == 0) {
          quaternion_ = keys_[k].orientation;
          break;
        }
        int j = k - 1;
        float t0 = keys_[j].time;
        if (j == 0 && repeatMode != kRepeatNone) {
          // The first and the last key stand for one instant of the cycle.
          j = count - 1;
          t0 = last - (last - first);
        }
        const float span = keys_[k].time - t0;
        const float f = span == 0.0f ? 1.0f : Shape((time - t0) / span);
        const float* given = keys_[k].axisAngle;
        const float h = f * given[3] * 0.5f;
        const float s = std::sin(h);
        const sQuaternion partial{given[0] * s, given[1] * s, given[2] * s, std::cos(h)};
        quaternion_ = QuatMultiply(keys_[j].orientation, partial);
        break;
      }
    }
  }
  BuildMatrix();
}

cView3Di_linear_quat* cView3Di_linear_quat::NewEmpty() const {
  return VOXA::errors::NewOrThrow<cView3Di_linear_quat>("cView3Di_linear_quat");
}

cView3Di_linear_quat* cView3Di_softy_quat::NewEmpty() const {
  return VOXA::errors::NewOrThrow<cView3Di_softy_quat>("cView3Di_softy_quat");
}

cView3Di_linear_quat* cView3Di_linear_quat::CloneTyped() const {
  cView3Di_linear_quat* copy = NewEmpty();
  CopyMatrixTo(*copy);
  for (const tKey& key : keys_) copy->AddKey(key.time, key.axisAngle);
  copy->Prepare();
  return copy;
}

}  // namespace VOXA2

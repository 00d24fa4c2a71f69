#include "threedee/scene/interpolator.h"

#include <cmath>

namespace VOXA2::tracks {

namespace {

// The wrapping loops of the repeat mode, computed in one step so that a time
// many periods away (or one that t ± period cannot move) never stalls; the
// last correction settles the rounding of the final float.
bool WrapIntoSpan(float& t, float first, float last) {
  const float period = last - first;
  if (!(period > 0.0f) || !std::isfinite(period) || !std::isfinite(t)) return false;
  double wrapped = t;
  if (wrapped > last) wrapped -= std::ceil((wrapped - last) / period) * period;
  if (wrapped <= first) wrapped += (std::floor((first - wrapped) / period) + 1.0) * period;
  t = static_cast<float>(wrapped);
  if (t > last) t -= period;
  if (t <= first) t += period;
  return true;
}

}  // namespace

Span NormalizeInterpolatingTime(float& t, float first, float last, int repeatMode) {
  if (std::isnan(t)) t = first;
  if (repeatMode == cView3Dinterpolator::kRepeatRepeat && WrapIntoSpan(t, first, last)) {
    return Span::kInside;
  }
  if (t >= last) return Span::kLastKey;
  if (t <= first) return Span::kFirstKey;
  return Span::kInside;
}

void NormalizeStepTime(float& t, float first, float last, int keyCount, int repeatMode) {
  if (repeatMode != cView3Dinterpolator::kRepeatRepeat || keyCount < 2) return;
  const float period = last;
  if (!(period > 0.0f) || !std::isfinite(period) || !std::isfinite(t)) return;
  double wrapped = t;
  if (wrapped < first) wrapped += std::ceil((first - wrapped) / period) * period;
  if (wrapped >= last) wrapped -= (std::floor((wrapped - last) / period) + 1.0) * period;
  t = static_cast<float>(wrapped);
  if (t >= last) t -= period;
}

}  // namespace VOXA2::tracks

// The common base of every track (key-frame interpolator): a value at a time.
//
// Keys are added in ascending time and never sorted; Prepare runs once after the
// last key; Evaluate leaves its result in the track and allocates nothing. Owners
// delete their tracks through the base.
#pragma once

#include <new>
#include <utility>
#include <vector>

#include "foundation/basis.h"
#include "foundation/errors.h"

namespace VOXA2 {

class cView3Dinterpolator : public virtual basis::basisObject {
 public:
  enum : int { kRepeatNone = 0, kRepeatLoop = 1, kRepeatRepeat = 2 };

  cView3Dinterpolator() = default;
  cView3Dinterpolator(const cView3Dinterpolator&) = delete;
  cView3Dinterpolator& operator=(const cView3Dinterpolator&) = delete;
  ~cView3Dinterpolator() override = default;

  virtual void FreeKeys() {}
  virtual void Prepare() {}
  virtual void Evaluate(float time) { (void)time; }
  // A new, prepared track of the same kind; the caller owns it.
  virtual cView3Dinterpolator* Clone() const = 0;

  // 0 none, 1 "loop" (treated as none by the step kinds), 2 "repeat".
  int repeatMode = kRepeatNone;
};

namespace tracks {

// Where a time lands in the interpolating scheme.
enum class Span { kFirstKey, kLastKey, kInside };

// The interpolating scheme's time handling for keys first..last: under
// "repeat" the time is wrapped into (first, last] with the period last - first;
// otherwise (and when that period cannot wrap: zero, negative or not finite)
// times at or after the last key give the last key, then times at or before the
// first key give the first. A NaN time counts as the first key's time.
Span NormalizeInterpolatingTime(float& t, float first, float last, int repeatMode);

// The step scheme's time handling: under "repeat" with at least two keys the
// period is the last key's time (not the span); t is brought up to the first key,
// then below the last. A period that cannot wrap leaves t alone.
void NormalizeStepTime(float& t, float first, float last, int keyCount, int repeatMode);

// Smoothstep 3f² - 2f³: every segment starts and ends at rest.
inline float Ease(float f) { return f * f * (3.0f - 2.0f * f); }

// Allocation with the player's error objects in place of std::bad_alloc.
template <class F>
auto OrFailFor(const char* what, F&& allocate) -> decltype(allocate()) {
  try {
    return allocate();
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor(what);
  }
}

inline std::vector<float> AllocateFloats(int count, const char* what) {
  return OrFailFor(what, [&] { return std::vector<float>(count > 0 ? count : 0, 0.0f); });
}

template <class T>
void AppendKey(std::vector<T>& keys, T&& key, const char* what) {
  OrFailFor(what, [&] {
    keys.push_back(std::move(key));
    return 0;
  });
}

}  // namespace tracks
}  // namespace VOXA2

#include "threedee/scene/valuetracks.h"

#include <algorithm>

#include "foundation/allocate.h"

namespace VOXA2 {

using tracks::AllocateFloats;
using tracks::AppendKey;
using tracks::Span;

// ---- cView3Di_position ----

cView3Di_position::cView3Di_position(int componentCount)
    : componentCount_(componentCount), values_(AllocateFloats(componentCount, "values!")) {}

void cView3Di_position::Clamp() {
  if (clampAbove) {
    for (float& v : values_) v = std::min(v, upperBound);
  }
  if (clampBelow) {
    for (float& v : values_) v = std::max(v, lowerBound);
  }
}

void cView3Di_position::Evaluate(float) { Clamp(); }

void cView3Di_position::CopySettingsTo(cView3Di_position& copy) const {
  copy.repeatMode = repeatMode;
  copy.clampAbove = clampAbove;
  copy.clampBelow = clampBelow;
  copy.upperBound = upperBound;
  copy.lowerBound = lowerBound;
  copy.values_ = values_;
}

cView3Di_position* cView3Di_position::CloneTyped() const {
  auto* copy = VOXA::errors::NewOrThrow<cView3Di_position>("cView3Di_position", componentCount_);
  CopySettingsTo(*copy);
  copy->Prepare();
  return copy;
}

void cView3Di_position::Scale(float factor) {
  for (float& v : values_) v *= factor;
}

// ---- cView3Di_discreet ----

cView3Di_discreet::cView3Di_discreet(int componentCount) : cView3Di_position(componentCount) {}

void cView3Di_discreet::FreeKeys() { keys_.clear(); }

bool cView3Di_discreet::AddKey(float time, const float* values) {
  tKey key{time, AllocateFloats(componentCount_, "key values!")};
  std::copy_n(values, componentCount_, key.values.begin());
  AppendKey(keys_, std::move(key), "key frames!");
  return true;
}

void cView3Di_discreet::Evaluate(float time) {
  if (!keys_.empty()) {
    tracks::NormalizeStepTime(time, keys_.front().time, keys_.back().time, GetKeyCount(),
                              repeatMode);
    int reached = 0;
    while (reached < GetKeyCount() && keys_[reached].time <= time) ++reached;
    if (reached > 0) values_ = keys_[reached - 1].values;
  }
  Clamp();
}

cView3Di_position* cView3Di_discreet::CloneTyped() const {
  auto* copy = VOXA::errors::NewOrThrow<cView3Di_discreet>("cView3Di_discreet", componentCount_);
  CopySettingsTo(*copy);
  for (const tKey& key : keys_) copy->AddKey(key.time, key.values.data());
  copy->Prepare();
  return copy;
}

void cView3Di_discreet::Scale(float factor) {
  cView3Di_position::Scale(factor);
  for (tKey& key : keys_) {
    for (float& v : key.values) v *= factor;
  }
}

// ---- cView3Di_linear and cView3Di_softy ----

cView3Di_linear::cView3Di_linear(int componentCount) : cView3Di_position(componentCount) {}

void cView3Di_linear::FreeKeys() { keys_.clear(); }

bool cView3Di_linear::AddKey(float time, const float* values) {
  tKey key{time, 0.0f, AllocateFloats(componentCount_, "key values"),
           AllocateFloats(componentCount_, "out-going tangent values")};
  std::copy_n(values, componentCount_, key.values.begin());
  AppendKey(keys_, std::move(key), "key frame");
  return true;
}

void cView3Di_linear::Prepare() {
  if (keys_.size() < 2) return;
  for (size_t k = 0; k + 1 < keys_.size(); ++k) {
    keys_[k].interval = keys_[k + 1].time - keys_[k].time;
    for (int c = 0; c < componentCount_; ++c) {
      keys_[k].tangent[c] = keys_[k + 1].values[c] - keys_[k].values[c];
    }
  }
}

void cView3Di_linear::Evaluate(float time) {
  const int count = GetKeyCount();
  if (count == 1) {
    values_ = keys_.front().values;
  } else if (count > 1) {
    switch (tracks::NormalizeInterpolatingTime(time, keys_.front().time, keys_.back().time,
                                               repeatMode)) {
      case Span::kLastKey:
        values_ = keys_.back().values;
        break;
      case Span::kFirstKey:
        values_ = keys_.front().values;
        break;
      case Span::kInside: {
        // The time lies above the first key and not above the last, so the
        // scan stops inside the list.
        int k = 0;
        while (k + 1 < count && keys_[k + 1].time <= time) ++k;
        const tKey& key = keys_[k];
        if (time == key.time) {
          values_ = key.values;
        } else {
          const float f = key.interval == 0.0f ? 0.0f : Shape((time - key.time) / key.interval);
          for (int c = 0; c < componentCount_; ++c) {
            values_[c] = key.values[c] + f * key.tangent[c];
          }
        }
        break;
      }
    }
  }
  Clamp();
}

cView3Di_linear* cView3Di_linear::NewEmpty() const {
  return VOXA::errors::NewOrThrow<cView3Di_linear>("cView3Di_linear", componentCount_);
}

cView3Di_linear* cView3Di_softy::NewEmpty() const {
  return VOXA::errors::NewOrThrow<cView3Di_softy>("cView3Di_softy", componentCount_);
}

cView3Di_position* cView3Di_linear::CloneTyped() const {
  cView3Di_linear* copy = NewEmpty();
  CopySettingsTo(*copy);
  for (const tKey& key : keys_) copy->AddKey(key.time, key.values.data());
  copy->Prepare();
  return copy;
}

void cView3Di_linear::Scale(float factor) {
  cView3Di_position::Scale(factor);
  for (tKey& key : keys_) {
    for (float& v : key.values) v *= factor;
    for (float& v : key.tangent) v *= factor;
  }
}

}  // namespace VOXA2

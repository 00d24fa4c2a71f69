#include "threedee/scene/kbsplines.h"

#include <algorithm>
#include <cmath>

#include "foundation/allocate.h"

namespace VOXA2 {

using tracks::Span;

namespace tracks {

namespace {

// Where a time falls among the keys: on one key, or inside the segment a → b at
// the (not yet eased) local parameter u.
struct tKBPlace {
  int key;  // the key whose value is the result, or -1 inside a segment
  int a, b;
  float u;
};

template <class Key>
tKBPlace LocateKB(const std::vector<Key>& keys, int repeatMode, float t) {
  const int n = static_cast<int>(keys.size());
  const float first = keys.front().time, last = keys.back().time;
  if (n == 1) return {0, 0, 0, 0.0f};
  switch (NormalizeInterpolatingTime(t, first, last, repeatMode)) {
    case Span::kLastKey:
      return {n - 1, 0, 0, 0.0f};
    case Span::kFirstKey:
      return {0, 0, 0, 0.0f};
    case Span::kInside:
      break;
  }
  int b = 0;
  while (b + 1 < n && keys[b].time < t) ++b;
  if (b == 0 || t == keys[b].time) return {b, 0, 0, 0.0f};
  int a = b - 1;
  float ta = keys[a].time;
  if (b == 1 && repeatMode != cView3Dinterpolator::kRepeatNone) {
    // Key 0 never starts a segment in a cycle: the last key stands for it.
    a = n - 1;
    ta = last - (last - first);
  }
  const float span = keys[b].time - ta;
  if (span == 0.0f) return {b, 0, 0, 0.0f};
  return {-1, a, b, (t - ta) / span};
}

// The spacing corrections of the general rule for a key at ti between tp and tq.
// Equal neighbour times would divide by zero; they count as an even split.
void Ratios(float tp, float ti, float tq, float& rin, float& rout) {
  const float whole = tq - tp;
  if (whole == 0.0f) {
    rin = rout = 0.5f;
  } else {
    rin = (ti - tp) / whole;
    rout = (tq - ti) / whole;
  }
}

// The end rules' fraction (t1 - t0) / (2·(t2 - t0)); 0 for a zero denominator.
float EndFraction(float near, float far) { return far == 0.0f ? 0.0f : near / (2.0f * far); }

void GeneralRule(tKBSplineKey& key, const float* prev, float tp, const float* next, float tq,
                 int width) {
  float rin, rout;
  Ratios(tp, key.time, tq, rin, rout);
  const float T = key.tension, C = key.continuity, B = key.bias;
  const float gin = rin + std::fabs(C) * (1.0f - rin);
  const float gout = rout + std::fabs(C) * (1.0f - rout);
  for (int c = 0; c < width; ++c) {
    const float din = key.values[c] - prev[c];
    const float dout = next[c] - key.values[c];
    key.inTangent[c] = gin * ((1.0f - T) * (1.0f + C) * (1.0f + B) * din +
                              (1.0f - T) * (1.0f - C) * (1.0f - B) * dout);
    key.outTangent[c] = gout * ((1.0f - T) * (1.0f - C) * (1.0f + B) * din +
                                (1.0f - T) * (1.0f + C) * (1.0f - B) * dout);
  }
}

}  // namespace

float KBEase(float u, float easeFrom, float easeTo) {
  const float sum = easeFrom + easeTo;
  if (sum == 0.0f) return u;
  if (sum > 1.0f) {
    easeFrom /= sum;
    easeTo /= sum;
  }
  const float k = 1.0f / (2.0f - easeFrom - easeTo);
  if (easeFrom > 0.0f && u < easeFrom) return (k / easeFrom) * u * u;
  if (easeTo <= 0.0f || u < 1.0f - easeTo) return k * (2.0f * u - easeFrom);
  return 1.0f - (k / easeTo) * (1.0f - u) * (1.0f - u);
}

tKBSplineKey MakeKBKey(float time, const float* values, int width, const char* valuesName,
                       float tension, float continuity, float bias, float easeFrom, float easeTo) {
  tKBSplineKey key{time,
                   AllocateFloats(width, valuesName),
                   AllocateFloats(width, "in-going tangents!"),
                   AllocateFloats(width, "out-going tangents!"),
                   tension,
                   continuity,
                   bias,
                   easeFrom,
                   easeTo};
  std::copy_n(values, width, key.values.begin());
  return key;
}

void PrepareKBTangents(std::vector<tKBSplineKey>& keys, int width, int repeatMode) {
  const int n = static_cast<int>(keys.size());
  if (n <= 1) return;
  for (tKBSplineKey& key : keys) {
    std::fill(key.inTangent.begin(), key.inTangent.end(), 0.0f);
    std::fill(key.outTangent.begin(), key.outTangent.end(), 0.0f);
  }
  if (repeatMode == cView3Dinterpolator::kRepeatNone) {
    tKBSplineKey& k0 = keys[0];
    tKBSplineKey& kl = keys[n - 1];
    if (n == 2) {
      for (int c = 0; c < width; ++c) {
        const float d = kl.values[c] - k0.values[c];
        k0.outTangent[c] = d * (1.0f - k0.tension);
        kl.inTangent[c] = d * (1.0f - kl.tension);
      }
      return;
    }
    const tKBSplineKey& k1 = keys[1];
    const tKBSplineKey& k2 = keys[2];
    const tKBSplineKey& km1 = keys[n - 2];
    const tKBSplineKey& km2 = keys[n - 3];
    const float f0 = EndFraction(k1.time - k0.time, k2.time - k0.time);
    const float fl = EndFraction(kl.time - km1.time, kl.time - km2.time);
    for (int c = 0; c < width; ++c) {
      k0.outTangent[c] = (1.0f - k0.tension) * (1.5f * (k1.values[c] - k0.values[c]) -
                                                f0 * (k2.values[c] - k0.values[c]));
      kl.inTangent[c] = (1.0f - kl.tension) * (1.5f * (kl.values[c] - km1.values[c]) -
                                               fl * (kl.values[c] - km2.values[c]));
    }
    for (int i = 1; i < n - 1; ++i) {
      GeneralRule(keys[i], keys[i - 1].values.data(), keys[i - 1].time, keys[i + 1].values.data(),
                  keys[i + 1].time, width);
    }
    return;
  }
  // A cycle: the first and the last key are one point of a closed curve.
  if (n == 2) return;
  const float period = keys[n - 1].time - keys[0].time;
  for (int i = 0; i < n; ++i) {
    const int p = i == 0 ? n - 2 : i - 1;
    const int q = i == n - 1 ? 1 : i + 1;
    const float tp = i == 0 ? keys[n - 2].time - period : keys[p].time;
    const float tq = i == n - 1 ? keys[n - 1].time - keys[0].time + keys[1].time : keys[q].time;
    GeneralRule(keys[i], keys[p].values.data(), tp, keys[q].values.data(), tq, width);
  }
}

void EvaluateKB(const std::vector<tKBSplineKey>& keys, int width, int repeatMode, float time,
                float* out) {
  if (keys.empty()) return;
  const tKBPlace place = LocateKB(keys, repeatMode, time);
  if (place.key >= 0) {
    std::copy_n(keys[place.key].values.begin(), width, out);
    return;
  }
  const tKBSplineKey& a = keys[place.a];
  const tKBSplineKey& b = keys[place.b];
  const float u = KBEase(place.u, a.easeFrom, b.easeTo);
  const float u2 = u * u, u3 = u2 * u;
  const float h00 = 2.0f * u3 - 3.0f * u2 + 1.0f;
  const float h01 = 3.0f * u2 - 2.0f * u3;
  const float h10 = u3 - 2.0f * u2 + u;
  const float h11 = u3 - u2;
  for (int c = 0; c < width; ++c) {
    out[c] = h00 * a.values[c] + h01 * b.values[c] + h10 * a.outTangent[c] + h11 * b.inTangent[c];
  }
}

}  // namespace tracks

// ---- cView3Di_kbsplines ----

bool cView3Di_kbsplines::AddKey(float time, const float* values, float tension, float continuity,
                                float bias, float easeFrom, float easeTo) {
  tracks::AppendKey(keys_,
                    tracks::MakeKBKey(time, values, componentCount_, "key values!", tension,
                                      continuity, bias, easeFrom, easeTo),
                    "key frames!");
  return true;
}

void cView3Di_kbsplines::Prepare() {
  tracks::PrepareKBTangents(keys_, componentCount_, repeatMode);
}

void cView3Di_kbsplines::Evaluate(float time) {
  tracks::EvaluateKB(keys_, componentCount_, repeatMode, time, values_.data());
  Clamp();
}

cView3Di_position* cView3Di_kbsplines::CloneTyped() const {
  auto* copy = VOXA::errors::NewOrThrow<cView3Di_kbsplines>("cView3Di_kbsplines", componentCount_);
  CopySettingsTo(*copy);
  for (const tKBSplineKey& key : keys_) {
    copy->AddKey(key.time, key.values.data(), key.tension, key.continuity, key.bias, key.easeFrom,
                 key.easeTo);
  }
  copy->Prepare();
  return copy;
}

void cView3Di_kbsplines::Scale(float factor) {
  cView3Di_position::Scale(factor);
  for (tKBSplineKey& key : keys_) {
    for (float& v : key.values) v *= factor;
    for (float& v : key.inTangent) v *= factor;
    for (float& v : key.outTangent) v *= factor;
  }
}

// ---- cView3Di_kbsplines_quat ----

namespace {

void SetRotation(float* target, const float* source, float angleFactor) {
  target[0] = source[0];
  target[1] = source[1];
  target[2] = source[2];
  target[3] = source[3] * angleFactor;
}

void SetNoRotation(float* target) {
  const float none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  SetRotation(target, none, 1.0f);
}

}  // namespace

bool cView3Di_kbsplines_quat::AddKey(float time, const float* rotation, float tension,
                                     float continuity, float bias, float easeFrom, float easeTo) {
  tKBQuatKey key{};
  key.time = time;
  std::copy_n(rotation, 4, key.relative);
  SetNoRotation(key.inRotation);
  SetNoRotation(key.outRotation);
  key.tension = tension;
  key.continuity = continuity;
  key.bias = bias;
  key.easeFrom = easeFrom;
  key.easeTo = easeTo;
  const sQuaternion q = QuatFromAxisAngle(rotation);
  key.orientation = keys_.empty() ? q : QuatNormalized(QuatMultiply(keys_.back().orientation, q));
  tracks::AppendKey(keys_, std::move(key), "key frames!");
  return true;
}

void cView3Di_kbsplines_quat::Prepare() {
  const int n = GetKeyCount();
  if (n <= 1) return;
  for (tKBQuatKey& key : keys_) {
    SetNoRotation(key.inRotation);
    SetNoRotation(key.outRotation);
    key.inWeight = key.outWeight = 0.0f;
  }
  auto general = [&](tKBQuatKey& key, float tp, float tq, const float* relNext) {
    float rin, rout;
    tracks::Ratios(tp, key.time, tq, rin, rout);
    const float T = key.tension, C = key.continuity, B = key.bias;
    const float gin = rin + std::fabs(C) * (1.0f - rin);
    const float gout = rout + std::fabs(C) * (1.0f - rout);
    SetRotation(key.inRotation, relNext, gin * (1.0f - T) * (1.0f + C) * (1.0f + B));
    key.inWeight = gin * (1.0f - T) * (1.0f - C) * (1.0f - B);
    SetRotation(key.outRotation, key.relative, gout * (1.0f - T) * (1.0f + C) * (1.0f - B));
    key.outWeight = gout * (1.0f - T) * (1.0f - C) * (1.0f + B);
  };
  tKBQuatKey& k0 = keys_[0];
  tKBQuatKey& kl = keys_[n - 1];
  if (repeatMode == kRepeatNone) {
    if (n == 2) {
      SetRotation(k0.outRotation, kl.relative, 1.0f - k0.tension);
      std::copy_n(k0.outRotation, 4, kl.inRotation);
      return;
    }
    const float f0 = tracks::EndFraction(keys_[1].time - k0.time, keys_[2].time - k0.time);
    SetRotation(k0.outRotation, keys_[1].relative, (1.0f - k0.tension) * (1.0f - f0));
    k0.inWeight = 1.0f;
    kl.inWeight = 1.0f;
    kl.outWeight = 1.0f;
    for (int i = 1; i < n - 1; ++i) {
      general(keys_[i], keys_[i - 1].time, keys_[i + 1].time, keys_[i + 1].relative);
    }
    return;
  }
  const float period = kl.time - k0.time;
  for (int i = 0; i < n; ++i) {
    const float tp = i == 0 ? keys_[n - 2].time - period : keys_[i - 1].time;
    const float tq = i == n - 1 ? kl.time - k0.time + keys_[1].time : keys_[i + 1].time;
    const float* relNext = i == n - 1 ? keys_[1].relative : keys_[i + 1].relative;
    general(keys_[i], tp, tq, relNext);
  }
}

void cView3Di_kbsplines_quat::Evaluate(float time) {
  if (!keys_.empty()) {
    const tracks::tKBPlace place = tracks::LocateKB(keys_, repeatMode, time);
    if (place.key >= 0) {
      quaternion_ = keys_[place.key].orientation;
    } else {
      const tKBQuatKey& a = keys_[place.a];
      const tKBQuatKey& b = keys_[place.b];
      const float u = tracks::KBEase(place.u, a.easeFrom, b.easeTo);
      const float u2 = u * u, u3 = u2 * u;
      const float h01 = 3.0f * u2 - 2.0f * u3;
      const float h10 = u3 - 2.0f * u2 + u;
      const float h11 = u3 - u2;
      const float s = h10 * a.outWeight + h01 + h11 * b.inWeight;
      sQuaternion q = QuatMultiply(a.orientation, QuatFromScaledAxisAngle(a.outRotation, h10));
      q = QuatMultiply(q, QuatFromScaledAxisAngle(b.relative, s));
      quaternion_ = QuatMultiply(q, QuatFromScaledAxisAngle(b.inRotation, h11));
    }
  }
  BuildMatrix();
}

cView3Di_kbsplines_quat* cView3Di_kbsplines_quat::CloneTyped() const {
  auto* copy = VOXA::errors::NewOrThrow<cView3Di_kbsplines_quat>("cView3Di_kbsplines_quat");
  CopyMatrixTo(*copy);
  for (const tKBQuatKey& key : keys_) {
    copy->AddKey(key.time, key.relative, key.tension, key.continuity, key.bias, key.easeFrom,
                 key.easeTo);
  }
  copy->Prepare();
  return copy;
}

// ---- cView3Di_kbsplines_morph ----

bool cView3Di_kbsplines_morph::AddKey(float time, const threedee::Vector* vertices, float tension,
                                      float continuity, float bias, float easeFrom, float easeTo) {
  tracks::AppendKey(
      keys_,
      tracks::MakeKBKey(time, reinterpret_cast<const float*>(vertices), 3 * vertexCount_,
                        "vertices!", tension, continuity, bias, easeFrom, easeTo),
      "key frames!");
  return true;
}

void cView3Di_kbsplines_morph::Prepare() {
  tracks::PrepareKBTangents(keys_, 3 * vertexCount_, repeatMode);
}

void cView3Di_kbsplines_morph::Evaluate(float time) {
  if (vertexCount_ == 0) return;
  tracks::EvaluateKB(keys_, 3 * vertexCount_, repeatMode, time,
                     reinterpret_cast<float*>(vertices_));
}

cView3Di_morph* cView3Di_kbsplines_morph::CloneTyped() const {
  auto* copy =
      VOXA::errors::NewOrThrow<cView3Di_kbsplines_morph>("cView3Di_kbsplines_morph", vertexCount_);
  copy->repeatMode = repeatMode;
  for (const tKBSplineKey& key : keys_) {
    copy->AddKey(key.time, reinterpret_cast<const threedee::Vector*>(key.values.data()),
                 key.tension, key.continuity, key.bias, key.easeFrom, key.easeTo);
  }
  copy->Prepare();
  return copy;
}

}  // namespace VOXA2

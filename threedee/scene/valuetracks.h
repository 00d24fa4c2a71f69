// Tracks of N float components: the constant value with its clamping, and the
// discrete, linear and eased key-frame kinds.
#pragma once

#include <vector>

#include "threedee/scene/interpolator.h"

namespace VOXA2 {

// A value of N floats; on its own a constant (no keys), filled by its owner.
class cView3Di_position : public cView3Dinterpolator {
 public:
  explicit cView3Di_position(int componentCount);
  ~cView3Di_position() override = default;

  void Evaluate(float time) override;
  cView3Dinterpolator* Clone() const override { return CloneTyped(); }
  virtual cView3Di_position* CloneTyped() const;
  // Multiplies the current values (and, in the keyed kinds, every key's values
  // and tangents) by the factor; times stay.
  virtual void Scale(float factor);

  int GetComponentCount() const { return componentCount_; }
  // The N current values: the result of the last evaluation.
  float* GetValues() { return values_.data(); }
  const float* GetValues() const { return values_.data(); }
  float GetValue(int component = 0) const { return values_[component]; }

  // Set by the owners right after creation; the upper bound is applied first,
  // so the lower bound wins when it lies above the upper one.
  bool clampAbove = false;
  bool clampBelow = false;
  float upperBound = 1.0f;
  float lowerBound = 0.0f;

 protected:
  void Clamp();
  // The constant's settings (repeat mode, clamping, current values) into a copy.
  void CopySettingsTo(cView3Di_position& copy) const;

  int componentCount_;
  std::vector<float> values_;
};

// Holds each key's values from its time until the next key's.
class cView3Di_discreet : public cView3Di_position {
 public:
  explicit cView3Di_discreet(int componentCount);
  ~cView3Di_discreet() override { FreeKeys(); }

  void FreeKeys() override;
  void Evaluate(float time) override;
  cView3Di_position* CloneTyped() const override;
  void Scale(float factor) override;
  virtual bool AddKey(float time, const float* values);

  int GetKeyCount() const { return static_cast<int>(keys_.size()); }

 private:
  struct tKey {
    float time;
    std::vector<float> values;
  };
  std::vector<tKey> keys_;
};

// Straight lines between keys.
class cView3Di_linear : public cView3Di_position {
 public:
  explicit cView3Di_linear(int componentCount);
  ~cView3Di_linear() override { FreeKeys(); }

  void FreeKeys() override;
  void Prepare() override;
  void Evaluate(float time) override;
  cView3Di_position* CloneTyped() const override;
  void Scale(float factor) override;
  virtual bool AddKey(float time, const float* values);

  int GetKeyCount() const { return static_cast<int>(keys_.size()); }
  float GetKeyTime(int index) const { return keys_[index].time; }
  const float* GetKeyValues(int index) const { return keys_[index].values.data(); }

 protected:
  // The fraction of the segment that the value has covered after f of its time.
  virtual float Shape(float f) const { return f; }
  virtual cView3Di_linear* NewEmpty() const;

 private:
  struct tKey {
    float time;
    float interval;  // next key's time minus this one's, set by Prepare
    std::vector<float> values;
    std::vector<float> tangent;  // next key's values minus these, set by Prepare
  };
  std::vector<tKey> keys_;
};

// The linear track with every segment eased in and out (smoothstep).
class cView3Di_softy : public cView3Di_linear {
 public:
  explicit cView3Di_softy(int componentCount) : cView3Di_linear(componentCount) {}

 protected:
  float Shape(float f) const override { return tracks::Ease(f); }
  cView3Di_linear* NewEmpty() const override;
};

}  // namespace VOXA2

// Kochanek-Bartels splines: cubic Hermite segments between keys whose end
// tangents come from each key's tension, continuity and bias (corrected for
// unevenly spaced keys), with the local parameter reshaped by the keys' ease.
// Kinds for N-component values, for rotations and for whole vertex lists.
#pragma once

#include <vector>

#include "threedee/scene/morphtracks.h"
#include "threedee/scene/quaternion.h"
#include "threedee/scene/rotationtracks.h"
#include "threedee/scene/valuetracks.h"

namespace VOXA2 {

// One key of a value or vertex-list spline; every list holds the track's width
// of floats (N components, or 3·V coordinates).
struct tKBSplineKey {
  float time;
  std::vector<float> values;
  std::vector<float> inTangent;   // with which a segment arrives at this key
  std::vector<float> outTangent;  // with which a segment leaves this key
  float tension, continuity, bias;
  float easeFrom;  // slows the motion as it leaves this key
  float easeTo;    // slows the motion as it arrives at this key
};

namespace tracks {

// The eased local parameter of a segment from key a to key b.
float KBEase(float u, float easeFrom, float easeTo);
// Tangents of every key (per unit of a segment's local parameter).
void PrepareKBTangents(std::vector<tKBSplineKey>& keys, int width, int repeatMode);
// The spline at a time into out (width floats); nothing without keys.
void EvaluateKB(const std::vector<tKBSplineKey>& keys, int width, int repeatMode, float time,
                float* out);
// A key with its lists allocated (zero tangents) and the values copied.
tKBSplineKey MakeKBKey(float time, const float* values, int width, const char* valuesName,
                       float tension, float continuity, float bias, float easeFrom, float easeTo);

}  // namespace tracks

class cView3Di_kbsplines : public cView3Di_position {
 public:
  explicit cView3Di_kbsplines(int componentCount) : cView3Di_position(componentCount) {}
  ~cView3Di_kbsplines() override { FreeKeys(); }

  void FreeKeys() override { keys_.clear(); }
  void Prepare() override;
  void Evaluate(float time) override;
  cView3Di_position* CloneTyped() const override;
  // Scales values and tangents alike, so a prepared track stays prepared.
  void Scale(float factor) override;
  virtual bool AddKey(float time, const float* values, float tension, float continuity, float bias,
                      float easeFrom, float easeTo);

  int GetKeyCount() const { return static_cast<int>(keys_.size()); }
  const tKBSplineKey& GetKey(int index) const { return keys_[index]; }

 private:
  std::vector<tKBSplineKey> keys_;
};

class cView3Di_kbsplines_quat : public cView3Di_rotation {
 public:
  cView3Di_kbsplines_quat() = default;
  ~cView3Di_kbsplines_quat() override { FreeKeys(); }

  void FreeKeys() override { keys_.clear(); }
  void Prepare() override;
  void Evaluate(float time) override;
  cView3Dinterpolator* Clone() const override { return CloneTyped(); }
  virtual cView3Di_kbsplines_quat* CloneTyped() const;
  // rotation: axis x, y, z and angle in radians, relative to the previous key.
  virtual bool AddKey(float time, const float* rotation, float tension, float continuity,
                      float bias, float easeFrom, float easeTo);

  int GetKeyCount() const { return static_cast<int>(keys_.size()); }
  const sQuaternion& GetKeyOrientation(int index) const { return keys_[index].orientation; }

 private:
  struct tKBQuatKey {
    float time;
    sQuaternion orientation;  // absolute, unit length
    float relative[4];        // as given to AddKey
    float inRotation[4];      // tangent rotations, axis-angle
    float outRotation[4];
    float tension, continuity, bias, easeFrom, easeTo;
    float inWeight;   // how much of the key's own relative rotation joins its in-going tangent
    float outWeight;  // how much of the next key's joins its out-going tangent
  };
  std::vector<tKBQuatKey> keys_;
};

class cView3Di_kbsplines_morph : public cView3Di_morph {
 public:
  explicit cView3Di_kbsplines_morph(int vertexCount) : cView3Di_morph(vertexCount) {}
  ~cView3Di_kbsplines_morph() override { FreeKeys(); }

  void FreeKeys() override { keys_.clear(); }
  void Prepare() override;
  // No clamping; without keys the vertex list is left as it is.
  void Evaluate(float time) override;
  cView3Di_morph* CloneTyped() const override;
  // vertices: the vertex count positions, copied.
  virtual bool AddKey(float time, const threedee::Vector* vertices, float tension, float continuity,
                      float bias, float easeFrom, float easeTo);

  int GetKeyCount() const { return static_cast<int>(keys_.size()); }

 private:
  std::vector<tKBSplineKey> keys_;
};

}  // namespace VOXA2

// Step tracks of an integer or a pointer: the value changes only at keys.
#pragma once

#include <vector>

#include "threedee/scene/interpolator.h"

namespace VOXA2 {

class cView3Di_enum : public cView3Dinterpolator {
 public:
  cView3Di_enum() = default;
  ~cView3Di_enum() override { FreeKeys(); }

  void FreeKeys() override { keys_.clear(); }
  void Evaluate(float time) override;
  cView3Dinterpolator* Clone() const override { return CloneTyped(); }
  virtual bool AddKey(float time, int value);
  virtual cView3Di_enum* CloneTyped() const;

  int GetKeyCount() const { return static_cast<int>(keys_.size()); }

  // The result; a constant is a track without keys whose value is set here.
  int value = 0;

 private:
  struct tKey {
    float time;
    int value;
  };
  std::vector<tKey> keys_;
};

// Values are untyped pointers: the script parser gives copies of names
// (allocated with malloc), which the owner later swaps for the objects they
// name. While ownsValues is set, the track frees with free() every key value and
// a current value that is none of them.
class cView3Di_pointer : public cView3Dinterpolator {
 public:
  cView3Di_pointer() = default;
  ~cView3Di_pointer() override { FreeKeys(); }

  void FreeKeys() override;
  void Evaluate(float time) override;
  cView3Dinterpolator* Clone() const override { return CloneTyped(); }
  // Null for an index that is not below the key count.
  virtual void* GetKeyValue(unsigned index) const;
  // Replaces key index's value (the old one is not freed); nothing out of range.
  virtual void SetKeyValue(unsigned index, void* newValue);
  virtual int GetKeyCount() const { return static_cast<int>(keys_.size()); }
  virtual bool AddKey(float time, void* keyValue);
  // Shares the key values and the current value; the copy owns none of them.
  virtual cView3Di_pointer* CloneTyped() const;

  void* value = nullptr;
  bool ownsValues = false;

 private:
  struct tKey {
    float time;
    void* value;
  };
  std::vector<tKey> keys_;
};

}  // namespace VOXA2

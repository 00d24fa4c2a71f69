// The two 3D options of the Setup window: the Direct3D device and W-buffering.
#pragma once

#include "foundation/basis.h"

namespace VOXA2::threedee {

class voxaOption : public virtual basis::basisObject {
 public:
  virtual const char* GetLabel() = 0;
  virtual int GetKind() = 0;  // 1: a list of named values, 0: on/off
  virtual int GetValue() = 0;
  virtual void SetValue(int value) = 0;
  virtual const char* GetValueName(int index) = 0;
  ~voxaOption() override = default;
};

extern voxaOption& optionDevice;
extern voxaOption& optionWBuffer;

}  // namespace VOXA2::threedee

// The two root classes that nearly every class of the player inherits
// (virtually, so a class reaching them along several paths holds one copy).
#pragma once

namespace basis {

class basisObject {
 public:
  virtual ~basisObject() = default;
  // The run-time class name, qualified ("VOXA::errors::eWarning").
  virtual const char* ClassName() const;
};

class basisStruct {
 public:
  virtual ~basisStruct() = default;
  virtual const char* ClassName() const;
};

}  // namespace basis

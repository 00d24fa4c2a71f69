// Display settings for the rest of the frame: "show" and "hide" switch
// objects, "alpha" and "tint" set the colour factors the materials apply,
// "wireframed" the fill mode and "culling" back-face culling.
#pragma once

#include <memory>

#include "threedee/scene/objectlist.h"
#include "threedee/scene/steptracks.h"
#include "threedee/scene/valuetracks.h"
#include "view3d/view3d.h"

namespace VOXA2 {

// "show" (shown 1) and "hide" (shown 0): the listed objects only, or the
// whole tree for an empty list.
class cVOXA3Dvisibility : public cVOXA3Dcommand {
 public:
  cVOXA3Dvisibility(cVOXAview3D* owner, std::int32_t shown, const char* word)
      : cVOXA3Dcommand(owner), shown_(shown), word_(word) {}
  bool Parse(cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction, bool* result) override;

  threedee::tObjectList objects;

 private:
  std::int32_t shown_;
  const char* word_;
};

class cVOXA3Dshow : public cVOXA3Dvisibility {
 public:
  explicit cVOXA3Dshow(cVOXAview3D* owner) : cVOXA3Dvisibility(owner, 1, "show") {}
};

class cVOXA3Dhide : public cVOXA3Dvisibility {
 public:
  explicit cVOXA3Dhide(cVOXAview3D* owner) : cVOXA3Dvisibility(owner, 0, "hide") {}
};

class cVOXA3Dalpha : public cVOXA3Dcommand {
 public:
  using cVOXA3Dcommand::cVOXA3Dcommand;
  bool Parse(cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction, bool* result) override;

  std::unique_ptr<cView3Di_position> value;  // held in 0..1
};

class cVOXA3Dtint : public cVOXA3Dcommand {
 public:
  using cVOXA3Dcommand::cVOXA3Dcommand;
  bool Parse(cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction, bool* result) override;

  std::unique_ptr<cView3Di_position> value;  // red, green, blue; none below 0
};

// "wireframed" and "culling": an integer track whose truth is the result.
class cVOXA3Dswitch : public cVOXA3Dcommand {
 public:
  using cVOXA3Dcommand::cVOXA3Dcommand;
  bool Parse(cParserT* parser) override;
  bool Execute(float time, float sinceStart, float fraction, bool* result) override;

  std::unique_ptr<cView3Di_enum> value;

 protected:
  virtual void Apply(bool on) = 0;
};

class cVOXA3Dwireframed : public cVOXA3Dswitch {
 public:
  using cVOXA3Dswitch::cVOXA3Dswitch;

 protected:
  void Apply(bool on) override;
};

// Read by every material that is not two-sided as it sets up its drawing.
class cVOXA3Dculling : public cVOXA3Dswitch {
 public:
  using cVOXA3Dswitch::cVOXA3Dswitch;

 protected:
  void Apply(bool on) override;
};

}  // namespace VOXA2

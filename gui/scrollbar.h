// The toolkit's scroll bar: an arrow box at each end, a sunken track and a
// thumb whose length shows how much of the range is visible. The position
// moves by a line (arrows), a page (the track beside the thumb) or to any
// value (dragging the thumb); a held arrow or track repeats once per idle
// frame and per mouse move. Every change is announced to the whole tree.
#pragma once

#include <cstdint>
#include <functional>

#include "gui/control.h"

namespace ZGUI {

// What a change came from, as DoChange reports it.
namespace scrollchange {
inline constexpr std::int32_t LineForward = 0, LineBack = 1, PageForward = 2, PageBack = 3,
                              Position = 4, ThumbDragged = 5, ThumbReleased = 6;
}

class cScrollBar : public cControl {
 public:
  static constexpr std::int32_t kHorizontal = 0, kVertical = 1;

  cScrollBar();
  explicit cScrollBar(cElement* parent);

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  bool HandleMessage(tMessage* message) override;
  void DoResize() override;
  void Paint(cGraphicsDevice* device) override;
  tPoint GetClientOffset() const override;
  void FocusLeave() override;

  virtual void UpdateLayout();
  virtual tRect GetThumbRect(std::int32_t position) const;
  // The position for a thumb grabbed at (x, y) in bar coordinates.
  virtual std::int32_t PositionFromPoint(std::int32_t x, std::int32_t y) const;
  // One auto-repeat step of the part that was pressed, while the mouse is on it.
  virtual void DoRepeat();
  // The application's hook may correct the value, which is then applied.
  virtual void DoChange(std::int32_t code, std::int32_t value);
  virtual void ScrollBy(std::int32_t delta);
  // The mouse wheel turned by notches (positive: away from the user, back
  // towards the start): the position moves by the wheel step a notch.
  void Wheel(std::int32_t notches);
  // A notch's distance; 0 (the default) is the page step.
  void SetWheelStep(std::int32_t step) { wheelStep_ = step; }
  virtual std::int32_t GetMin() const;
  virtual std::int32_t GetMax() const;
  virtual std::int32_t GetScrollPos() const;
  virtual std::int32_t GetOrientation() const;
  virtual std::int32_t GetLineStep() const;
  virtual std::int32_t GetPageStep() const;
  virtual std::int32_t GetVisibleAmount() const;
  virtual void SetMin(std::int32_t value);
  virtual void SetMax(std::int32_t value);
  virtual void SetScrollPos(std::int32_t value);
  virtual void SetOrientation(std::int32_t orientation);
  virtual void SetLineStep(std::int32_t step);
  virtual void SetPageStep(std::int32_t step);
  virtual void SetVisibleAmount(std::int32_t amount);

  std::function<void(cScrollBar*, std::int32_t code, std::int32_t& value)> OnScrollChange;

  tRect GetTrackRect() const { return trackRect_; }
  tRect GetInnerTrackRect() const { return innerTrackRect_; }
  tRect GetForwardArrowRect() const { return forwardArrowRect_; }
  tRect GetBackArrowRect() const { return backArrowRect_; }
  std::int32_t GetThumbLength() const { return thumbLength_; }
  std::int32_t GetTravel() const { return travel_; }
  bool IsCaptured() const { return captured_; }

 private:
  void Init();
  // The coordinate along the bar.
  std::int32_t Along(tPoint p) const { return orientation_ == kVertical ? p.y : p.x; }
  void Step(std::int32_t delta, std::int32_t code);

  tPoint border_, thumbBorder_;
  tRect forwardArrowRect_ = kEmptyRect, backArrowRect_ = kEmptyRect, trackRect_ = kEmptyRect,
        innerTrackRect_ = kEmptyRect;
  std::int32_t thumbLength_ = 0, travel_ = 0, visibleAmount_ = 1;
  std::int32_t minimum_ = 0, position_ = 0, maximum_ = 100;
  std::int32_t orientation_ = kVertical, lineStep_ = 1, pageStep_ = 10;
  std::int32_t wheelStep_ = 0;
  bool captured_ = false;
  std::int32_t pressedPart_ = 0;
  tPoint grabOffset_, lastMouse_;
};

}  // namespace ZGUI

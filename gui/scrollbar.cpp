#include "gui/scrollbar.h"

#include <algorithm>
#include <cstdint>

#include "gui/graphicsdevice.h"
#include "gui/messages.h"
#include "gui/metrics.h"

namespace ZGUI {
namespace {

enum ePart : std::int32_t {
  kThumb = 0,
  kForward = 1,
  kBack = 2,
  kTrackAfter = 3,
  kTrackBefore = 4
};

}  // namespace

cScrollBar::cScrollBar() { Init(); }
cScrollBar::cScrollBar(cElement* parent) : cControl(parent) { Init(); }

void cScrollBar::Init() { cVisElement::SetColor(0x7F7F7F); }

const char* cScrollBar::GetClassName() const { return "cScrollBar"; }
std::int32_t cScrollBar::GetClassID() const { return classid::ScrollBar; }
bool cScrollBar::InheritsFrom(std::int32_t id) const {
  return id == classid::Control || cControl::InheritsFrom(id);
}

void cScrollBar::DoResize() {
  cControl::DoResize();
  UpdateLayout();
}

tPoint cScrollBar::GetClientOffset() const { return border_; }

void cScrollBar::FocusLeave() {
  captured_ = false;
  cControl::FocusLeave();
}

void cScrollBar::UpdateLayout() {
  const tPoint oldBorder = border_, oldThumbBorder = thumbBorder_;
  const tRect oldForward = forwardArrowRect_, oldBack = backArrowRect_, oldTrack = trackRect_,
              oldInner = innerTrackRect_;
  const std::int32_t w = GetWidth(), h = GetHeight();
  const bool vertical = orientation_ == kVertical;
  const std::int32_t along = vertical ? h : w, across = vertical ? w : h;
  border_ = ScaleRect(1, 1, tRect{0, 0, w - 1, h - 1});
  std::int32_t arrow = across, track = along - 2 * across;
  if (track < across) arrow = track = along / 3;
  visibleAmount_ = std::max(visibleAmount_, 1);
  const std::int64_t span = std::int64_t{visibleAmount_} + maximum_ - minimum_;
  std::int64_t thumb = span ? std::int64_t{visibleAmount_} * track / span : track;
  thumb = std::max<std::int64_t>(thumb, across / 2);
  thumbLength_ = static_cast<std::int32_t>(std::min<std::int64_t>(thumb, track));
  thumbBorder_ = ScalePoint(2, 2);
  if (vertical) {
    backArrowRect_ = {0, 0, w - 1, arrow - 1};
    forwardArrowRect_ = {0, h - arrow, w - 1, h - 1};
    trackRect_ = {0, arrow, w - 1, h - 1 - arrow};
  } else {
    backArrowRect_ = {0, 0, arrow - 1, h - 1};
    forwardArrowRect_ = {w - arrow, 0, w - 1, h - 1};
    trackRect_ = {arrow, 0, w - 1 - arrow, h - 1};
  }
  innerTrackRect_ = Shrink(trackRect_, border_);
  std::int32_t& thumbAlong = vertical ? thumbBorder_.y : thumbBorder_.x;
  if (3 * thumbAlong > thumbLength_) thumbAlong = thumbLength_ / 3;
  thumbBorder_.x = std::max(thumbBorder_.x, 1);
  thumbBorder_.y = std::max(thumbBorder_.y, 1);
  thumbLength_ -= thumbAlong;
  const tRect& inner = innerTrackRect_;
  travel_ = (vertical ? inner.bottom - inner.top + 1 : inner.right - inner.left + 1) - thumbLength_;

  if (!(border_ == oldBorder)) Invalidate();
  for (auto [now, before] : {std::pair{forwardArrowRect_, oldForward},
                             {backArrowRect_, oldBack},
                             {trackRect_, oldTrack},
                             {innerTrackRect_, oldInner}}) {
    if (!(now == before)) InvalidateRect(now);
  }
  if (innerTrackRect_ == oldInner && !(thumbBorder_ == oldThumbBorder))
    InvalidateRect(innerTrackRect_);
}

tRect cScrollBar::GetThumbRect(std::int32_t position) const {
  if (maximum_ == minimum_) return innerTrackRect_;
  const auto offset = static_cast<std::int32_t>((std::int64_t{position} - minimum_) * travel_ /
                                                (std::int64_t{maximum_} - minimum_));
  tRect r = innerTrackRect_;
  if (orientation_ == kVertical) {
    r.top += offset;
    r.bottom = r.top + thumbLength_ - 1;
  } else {
    r.left += offset;
    r.right = r.left + thumbLength_ - 1;
  }
  return r;
}

std::int32_t cScrollBar::PositionFromPoint(std::int32_t x, std::int32_t y) const {
  if (travel_ == 0) return minimum_;
  const bool vertical = orientation_ == kVertical;
  const std::int64_t d =
      (vertical ? y : x) -
      ((vertical ? innerTrackRect_.top : innerTrackRect_.left) + Along(grabOffset_));
  const std::int64_t value = (std::int64_t{maximum_} - minimum_) * d / travel_ + minimum_;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, minimum_, maximum_));
}

void cScrollBar::Paint(cGraphicsDevice* device) {
  device->DrawBevel(forwardArrowRect_, border_.x, border_.y, true);
  device->DrawBevel(backArrowRect_, border_.x, border_.y, true);
  device->DrawBevel(trackRect_, border_.x, border_.y, false);
  device->DarkenRect(innerTrackRect_);
  const tRect thumb = GetThumbRect(position_);
  device->DrawBevel(thumb, thumbBorder_.x, thumbBorder_.y, true);
  device->BlendRect(Shrink(thumb, thumbBorder_), GetColor());
  cControl::Paint(device);
}

void cScrollBar::Step(std::int32_t delta, std::int32_t code) {
  SetScrollPos(position_ + delta);
  DoChange(code, position_);
}

bool cScrollBar::HandleMessage(tMessage* message) {
  if (!message) return false;
  if (message->type == messagetype::Plain) {
    DoRepeat();
    return cControl::HandleMessage(message);
  }
  tMouseMessage* mouse = AsMouse(message);
  if (!mouse || IsDisabledPress(message)) return cControl::HandleMessage(message);
  const tPoint screen(mouse->x, mouse->y);
  if (mouse->action == mouseaction::Wheel) {
    if (IsTopmostAt(screen, false) != this || !IsEnabled()) return false;
    Wheel(mouse->wheel);
    return true;
  }
  const tPoint p = ScreenToClient(screen, this);
  if (mouse->action == mouseaction::Press && mouse->button == 0 &&
      IsTopmostAt(screen, false) == this) {
    lastMouse_ = p;
    const tRect thumb = GetThumbRect(position_);
    auto capture = [this] {
      RequestFocus();
      captured_ = HasFocus();
      return captured_;
    };
    if (Inside(thumb, p)) {
      grabOffset_ = tPoint(p.x - thumb.left, p.y - thumb.top);
      if (capture()) {
        SetScrollPos(PositionFromPoint(p.x, p.y));
        pressedPart_ = kThumb;
        return true;
      }
    } else if (Inside(innerTrackRect_, p)) {
      if (capture()) {
        if (Along(p) < (orientation_ == kVertical ? thumb.top : thumb.left)) {
          pressedPart_ = kTrackBefore;
          Step(-pageStep_, scrollchange::PageBack);
        } else {
          pressedPart_ = kTrackAfter;
          Step(pageStep_, scrollchange::PageForward);
        }
      }
    } else if (Inside(forwardArrowRect_, p)) {
      if (capture()) {
        pressedPart_ = kForward;
        Step(lineStep_, scrollchange::LineForward);
      }
    } else if (Inside(backArrowRect_, p)) {
      if (capture()) {
        pressedPart_ = kBack;
        Step(-lineStep_, scrollchange::LineBack);
      }
    }
    return cControl::HandleMessage(message);
  }
  if (captured_ && mouse->action == mouseaction::Move) {
    lastMouse_ = p;
    DoRepeat();
    if (pressedPart_ == kThumb) {
      SetScrollPos(PositionFromPoint(p.x, p.y));
      DoChange(scrollchange::ThumbDragged, position_);
    }
    return true;
  }
  if (captured_ && mouse->action == mouseaction::Release && mouse->button == 0) {
    if (pressedPart_ == kThumb) {
      SetScrollPos(PositionFromPoint(p.x, p.y));
      DoChange(scrollchange::ThumbReleased, position_);
    }
    captured_ = false;
    return true;
  }
  return cControl::HandleMessage(message);
}

void cScrollBar::DoRepeat() {
  if (!captured_) return;
  const tRect thumb = GetThumbRect(position_);
  const bool vertical = orientation_ == kVertical;
  const std::int32_t at = Along(lastMouse_);
  switch (pressedPart_) {
    case kForward:
      if (Inside(forwardArrowRect_, lastMouse_)) Step(lineStep_, scrollchange::LineForward);
      break;
    case kBack:
      if (Inside(backArrowRect_, lastMouse_)) Step(-lineStep_, scrollchange::LineBack);
      break;
    case kTrackAfter:
      if (Inside(innerTrackRect_, lastMouse_) && at > (vertical ? thumb.bottom : thumb.right)) {
        Step(pageStep_, scrollchange::PageForward);
      }
      break;
    case kTrackBefore:
      if (Inside(innerTrackRect_, lastMouse_) && at < (vertical ? thumb.top : thumb.left)) {
        Step(-pageStep_, scrollchange::PageBack);
      }
      break;
    default:
      break;
  }
}

void cScrollBar::DoChange(std::int32_t code, std::int32_t value) {
  std::int32_t copy = value;
  if (OnScrollChange) OnScrollChange(this, code, copy);
  if (copy != value) SetScrollPos(copy);
}

void cScrollBar::ScrollBy(std::int32_t delta) { SetScrollPos(GetScrollPos() + delta); }

void cScrollBar::Wheel(std::int32_t notches) {
  const std::int64_t step = std::max(wheelStep_ > 0 ? wheelStep_ : pageStep_, 1);
  const std::int64_t target = std::int64_t{position_} - std::int64_t{notches} * step;
  SetScrollPos(static_cast<std::int32_t>(std::clamp<std::int64_t>(target, INT32_MIN, INT32_MAX)));
}

std::int32_t cScrollBar::GetMin() const { return minimum_; }
std::int32_t cScrollBar::GetMax() const { return maximum_; }
std::int32_t cScrollBar::GetScrollPos() const { return position_; }
std::int32_t cScrollBar::GetOrientation() const { return orientation_; }
std::int32_t cScrollBar::GetLineStep() const { return lineStep_; }
std::int32_t cScrollBar::GetPageStep() const { return pageStep_; }
std::int32_t cScrollBar::GetVisibleAmount() const { return visibleAmount_; }

void cScrollBar::SetMin(std::int32_t value) {
  if (value == minimum_) return;
  if (value > maximum_) SetMax(value);
  if (value > position_) SetScrollPos(value);
  minimum_ = value;
  UpdateLayout();
}

void cScrollBar::SetMax(std::int32_t value) {
  if (value == maximum_) return;
  if (value < minimum_) SetMin(value);
  if (value < position_) SetScrollPos(value);
  maximum_ = value;
  UpdateLayout();
}

void cScrollBar::SetScrollPos(std::int32_t value) {
  // Compared before clamping: a step past either end is still announced.
  if (value == position_) return;
  value = std::clamp(value, std::min(minimum_, maximum_), std::max(minimum_, maximum_));
  InvalidateRect(GetThumbRect(position_));
  position_ = value;
  InvalidateRect(GetThumbRect(position_));
  Notify(event::ScrollChanged, position_, this, this);
  DoChange(scrollchange::Position, position_);
}

void cScrollBar::SetOrientation(std::int32_t orientation) {
  if (orientation == orientation_) return;
  orientation_ = orientation;
  UpdateLayout();
}

void cScrollBar::SetLineStep(std::int32_t step) { lineStep_ = step; }
void cScrollBar::SetPageStep(std::int32_t step) { pageStep_ = step; }

void cScrollBar::SetVisibleAmount(std::int32_t amount) {
  visibleAmount_ = amount;
  UpdateLayout();
}

}  // namespace ZGUI

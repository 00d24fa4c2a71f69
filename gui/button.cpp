#include "gui/button.h"

#include "gui/fonts.h"
#include "gui/graphicsdevice.h"
#include "gui/messages.h"
#include "gui/metrics.h"

namespace ZGUI {
namespace {

tRect Shrunk(const tRect& r, tPoint by) {
  return tRect{r.left + by.x, r.top + by.y, r.right - by.x, r.bottom - by.y};
}

// The two diagonals of a cross.
void DrawCross(cGraphicsDevice* device, const tRect& r, bool enabled) {
  const std::uint32_t color = enabled ? 0xC0C0C0 : 0x3F3F3F;
  device->DrawLine(r.left, r.top, r.right, r.bottom, color);
  device->DrawLine(r.left, r.bottom, r.right, r.top, color);
}

// A left press or release, as buttons and check boxes track them.
bool IsLeft(const tMouseMessage* mouse, std::int32_t action) {
  return mouse->action == action && mouse->button == 0;
}

}  // namespace

cButton::cButton() { Init(); }
cButton::cButton(cElement* parent) : cControl(parent) { Init(); }

void cButton::Init() {
  pressed_ = tracking_ = false;
  kind_ = buttonkind::Caption;
  SetMouseInput(false);
  UpdateLayout();
}

const char* cButton::GetClassName() const { return "cButton"; }
std::int32_t cButton::GetClassID() const { return classid::Button; }
bool cButton::InheritsFrom(std::int32_t id) const {
  return id == classid::Control || cControl::InheritsFrom(id);
}

void cButton::UpdateLayout() {
  const tRect oldLocal = local_;
  const tPoint oldBevel = bevel_;
  local_ = tRect{0, 0, GetWidth() - 1, GetHeight() - 1};
  bevel_ = ScaleRect(1, 1, local_);
  face_ = Shrunk(local_, bevel_);
  captionRects_[0] = {face_.left, face_.top, face_.right - bevel_.x, face_.bottom - bevel_.y};
  captionRects_[1] = {face_.left + bevel_.x, face_.top + bevel_.y, face_.right, face_.bottom};
  if (!(local_ == oldLocal) || !(bevel_ == oldBevel)) Invalidate();
}

std::uint32_t cButton::GetKind() const { return kind_; }

void cButton::SetKind(std::uint32_t kind) {
  if (kind == kind_) return;
  kind_ = kind;
  InvalidateRect(face_);
}

void cButton::DoResize() {
  UpdateLayout();
  cControl::DoResize();
}

void cButton::SetCaption(const char* text) {
  cControl::SetCaption(text);
  Invalidate();
}

tPoint cButton::GetClientOffset() const { return bevel_; }
std::int32_t cButton::GetClientWidth() const {
  return static_cast<std::int32_t>(RectWidth(CaptionRect()));
}
std::int32_t cButton::GetClientHeight() const {
  return static_cast<std::int32_t>(RectHeight(CaptionRect()));
}

void cButton::Paint(cGraphicsDevice* device) {
  const std::uint32_t shade = AverageColour(GetColor(), 0);
  device->BlendRect(local_, shade);
  device->DrawBevel(local_, bevel_.x, bevel_.y, !pressed_);
  device->BlendRect(face_, pressed_ ? shade : GetColor());
  const tRect r = CaptionRect();
  device->SetClipRect(r);
  const bool enabled = IsEnabled();
  const tRect glyph{r.left + 2 * bevel_.x, r.top + 2 * bevel_.y, r.right - bevel_.x,
                    r.bottom - bevel_.y};
  switch (kind_) {
    case buttonkind::Caption: {
      device->SetTextColor(enabled ? 0xFFFFFF : 0x5B5B5B);
      const cFont* font = GetFont();
      const std::int32_t tw = font ? font->GetTextWidth(GetCaption()) : 0;
      const std::int32_t th = font ? font->GetHeight() : 0;
      const auto dx = static_cast<std::int32_t>((RectWidth(r) - tw) / 2);
      const auto dy = static_cast<std::int32_t>((RectHeight(r) - th) / 2);
      device->DrawTextInRect(font, Offset(r, dx, dy), GetCaption());
      break;
    }
    case buttonkind::Cross:
      DrawCross(device, glyph, enabled);
      break;
    case buttonkind::Bar: {
      tRect bar = glyph;
      bar.top = bar.bottom - 2 * bevel_.y;
      if (enabled) {
        device->LightenRect(bar);
      } else {
        device->BlendRect(bar, 0x7F7F7F);
      }
      break;
    }
    default:
      break;
  }
  device->SetClipRect(device->GetBounds());
  cControl::Paint(device);
}

void cButton::SetPressed(bool pressed) {
  if (pressed == pressed_) return;
  pressed_ = pressed;
  Invalidate();
}

bool cButton::HandleMessage(tMessage* message) {
  tMouseMessage* mouse = AsMouse(message);
  if (!mouse || IsDisabledPress(message)) return cControl::HandleMessage(message);
  const bool onButton = IsTopmostAt(tPoint(mouse->x, mouse->y), false) == this;
  if (IsLeft(mouse, mouseaction::Press) && onButton) {
    RequestFocus();
    tracking_ = HasFocus();
    if (tracking_) {
      SetPressed(true);
      return true;
    }
  } else if (tracking_ && mouse->action == mouseaction::Move) {
    SetPressed(onButton);
    return true;
  } else if (tracking_ && IsLeft(mouse, mouseaction::Release)) {
    if (onButton) {
      SetPressed(true);
      DoClick();
    }
    tracking_ = false;
    SetPressed(false);
    return true;
  }
  return cControl::HandleMessage(message);
}

void cButton::FocusLeave() {
  if (tracking_) {
    tracking_ = false;
    SetPressed(false);
  }
  cControl::FocusLeave();
}

cCheckbox::cCheckbox() { Init(); }
cCheckbox::cCheckbox(cElement* parent) : cControl(parent) { Init(); }

void cCheckbox::Init() {
  tracking_ = false;
  state_ = 0;
  UpdateLayout();
}

const char* cCheckbox::GetClassName() const { return "cCheckbox"; }
std::int32_t cCheckbox::GetClassID() const { return classid::Checkbox; }
bool cCheckbox::InheritsFrom(std::int32_t id) const {
  return id == classid::Control || cControl::InheritsFrom(id);
}

void cCheckbox::UpdateLayout() {
  const tRect oldBox = box_, oldInner = inner_, oldCaption = caption_;
  const tPoint oldBevel = bevel_;
  const tRect bounds = GetBounds();
  const std::int32_t w = bounds.right - bounds.left, h = bounds.bottom - bounds.top;
  box_ = {0, 0, h, h};
  caption_ = {h + ScaleX(4), 0, w, h};
  bevel_ = ScaleRect(1, 1, box_);
  inner_ = Shrunk(box_, bevel_);
  if (!(box_ == oldBox) || !(inner_ == oldInner) || !(caption_ == oldCaption) ||
      !(bevel_ == oldBevel)) {
    Invalidate();
  }
}

void cCheckbox::DoResize() {
  UpdateLayout();
  cControl::DoResize();
}

void cCheckbox::SetCaption(const char* text) {
  cControl::SetCaption(text);
  InvalidateRect(caption_);
}

tPoint cCheckbox::GetClientOffset() const { return bevel_; }
std::int32_t cCheckbox::GetChecked() const { return state_; }

void cCheckbox::ShowState(std::int32_t state) {
  if (state == state_) return;
  state_ = state;
  InvalidateRect(inner_);
}

void cCheckbox::SetChecked(std::int32_t state) {
  if (state < 0 || state > 1) return;
  state_ = state;
  InvalidateRect(inner_);
  DoClick();
}

void cCheckbox::Paint(cGraphicsDevice* device) {
  const bool enabled = IsEnabled();
  device->DrawBevel(box_, bevel_.x, bevel_.y, true);
  device->BlendRect(inner_, enabled ? 0x7F7F7F : 0);
  device->SetTextColor(GetColor());
  device->DrawTextInRect(GetFont(), caption_, GetCaption());
  if (state_ == 1) DrawCross(device, Shrunk(inner_, bevel_), enabled);
  cControl::Paint(device);
}

bool cCheckbox::HandleMessage(tMessage* message) {
  tMouseMessage* mouse = AsMouse(message);
  if (!mouse || IsDisabledPress(message)) return cControl::HandleMessage(message);
  const bool onBox = IsTopmostAt(tPoint(mouse->x, mouse->y), false) == this;
  if (IsLeft(mouse, mouseaction::Press) && onBox) {
    RequestFocus();
    saved_ = state_;
    toggled_ = (state_ + 1) % 2;
    tracking_ = HasFocus();
    if (tracking_) {
      ShowState(toggled_);
      return true;
    }
  } else if (tracking_ && mouse->action == mouseaction::Move) {
    ShowState(onBox ? toggled_ : saved_);
    return true;
  } else if (tracking_ && IsLeft(mouse, mouseaction::Release)) {
    if (onBox) {
      SetChecked(toggled_);
    } else {
      ShowState(saved_);
    }
    tracking_ = false;
    return true;
  }
  return cControl::HandleMessage(message);
}

void cCheckbox::FocusLeave() {
  if (tracking_) {
    tracking_ = false;
    ShowState(saved_);
  }
  cControl::FocusLeave();
}

}  // namespace ZGUI

#include "gui/viselement.h"

#include <algorithm>
#include <cstring>

#include "foundation/stream.h"
#include "gui/control.h"
#include "gui/fonts.h"
#include "gui/graphicsdevice.h"
#include "gui/messages.h"

namespace ZGUI {

tMouseMessage* AsMouse(tMessage* message) {
  return message && message->type == messagetype::Mouse ? static_cast<tMouseMessage*>(message)
                                                        : nullptr;
}

bool Inside(const tRect& r, tPoint p) {
  return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

tRect Offset(const tRect& r, std::int32_t dx, std::int32_t dy) {
  return tRect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

tRect Union(const tRect& a, const tRect& b) {
  if (IsEmpty(a)) return IsEmpty(b) ? kEmptyRect : b;
  if (IsEmpty(b)) return a;
  return tRect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
               std::max(a.bottom, b.bottom)};
}

cVisElement::cVisElement() { DoCreate(); }
cVisElement::cVisElement(cElement* parent) : cElement(parent) { DoCreate(); }

cVisElement::~cVisElement() { DoDestroy(); }

const char* cVisElement::GetClassName() const { return "cVisElement"; }
std::int32_t cVisElement::GetClassID() const { return classid::VisElement; }
bool cVisElement::InheritsFrom(std::int32_t id) const {
  return id == classid::Object || id == classid::Element;
}

bool cVisElement::HandleMessage(tMessage* message) {
  tMouseMessage* mouse = AsMouse(message);
  if (!mouse || !mouseInput_) return false;
  const tPoint screen(mouse->x, mouse->y);
  const tPoint p = ScreenToClient(screen, this);
  if (IsTopmostAt(screen, false) != this) return false;
  switch (mouse->action) {
    case mouseaction::Press:
      if (DoMouseDown(mouse->button, p.x, p.y)) return true;
      if (mouse->button == 0) DoClick();
      return false;
    case mouseaction::Release:
      return DoMouseUp(mouse->button, p.x, p.y);
    case mouseaction::Move:
      return DoMouseMove(p.x, p.y);
    default:
      return false;
  }
}

void cVisElement::HandleEvent(std::int32_t code, std::int32_t a, void* b, cElement* c) {
  if (code != event::InvalidateRect) {
    cElement::HandleEvent(code, a, b, c);
    return;
  }
  if (!visible_ || !b) return;
  auto* rect = static_cast<tRect*>(b);
  *rect = Intersect(*rect, ClientToScreen(LocalRect(), this));
  if (!IsEmpty(*rect) && GetParent()) GetParent()->HandleEvent(code, a, b, c);
}

void cVisElement::DoClick() {
  if (OnClick) OnClick(this);
}
void cVisElement::DoExtra() {
  if (OnExtra) OnExtra(this);
}
bool cVisElement::DoMouseDown(std::int32_t button, std::int32_t x, std::int32_t y) {
  return OnMouseDown && OnMouseDown(this, button, x, y);
}
bool cVisElement::DoMouseMove(std::int32_t x, std::int32_t y) {
  return OnMouseMove && OnMouseMove(this, x, y);
}
bool cVisElement::DoMouseUp(std::int32_t button, std::int32_t x, std::int32_t y) {
  return OnMouseUp && OnMouseUp(this, button, x, y);
}
void cVisElement::DoResize() {
  if (OnResize) OnResize(this);
}
void cVisElement::DoMove() {
  if (OnMove) OnMove(this);
}
void cVisElement::DoCreate() {
  if (OnCreate) OnCreate(this);
}
void cVisElement::DoDestroy() {
  if (OnDestroy) OnDestroy(this);
}
void cVisElement::DoShow() {
  if (OnShow) OnShow(this);
}
void cVisElement::DoHide() {
  if (OnHide) OnHide(this);
}
void cVisElement::Paint(cGraphicsDevice* device) {
  if (OnPaint) OnPaint(this, device);
}

tPoint cVisElement::GetSize() const {
  return tPoint(bounds_.right - bounds_.left, bounds_.bottom - bounds_.top);
}
tPoint cVisElement::GetPosition() const { return tPoint(bounds_.left, bounds_.top); }
tRect cVisElement::GetBounds() const { return bounds_; }
tPoint cVisElement::GetClientOffset() const { return tPoint(0, 0); }
std::int32_t cVisElement::GetLeft() const { return bounds_.left; }
std::int32_t cVisElement::GetTop() const { return bounds_.top; }
std::int32_t cVisElement::GetWidth() const { return bounds_.right - bounds_.left + 1; }
std::int32_t cVisElement::GetHeight() const { return bounds_.bottom - bounds_.top + 1; }
tRect cVisElement::LocalRect() const {
  return tRect{0, 0, bounds_.right - bounds_.left, bounds_.bottom - bounds_.top};
}

void cVisElement::SetSize(tPoint size) {
  Invalidate();
  bounds_.right = bounds_.left + size.x;
  bounds_.bottom = bounds_.top + size.y;
  if (cElement* parent = GetParent()) parent->HandleEvent(event::BoundsChanged, 0, this, this);
  DoResize();
  Invalidate();
}

void cVisElement::SetPosition(tPoint position) {
  Invalidate();
  bounds_ = Offset(bounds_, position.x - bounds_.left, position.y - bounds_.top);
  if (cElement* parent = GetParent()) parent->HandleEvent(event::BoundsChanged, 0, this, this);
  DoMove();
  Invalidate();
}

void cVisElement::SetBounds(tRect bounds) {
  Invalidate();
  bounds_ = bounds;
  if (cElement* parent = GetParent()) parent->HandleEvent(event::BoundsChanged, 0, this, this);
  DoMove();
  DoResize();
  Invalidate();
}

tPoint cVisElement::GetClientOrigin() const { return tPoint(0, 0); }

tRect cVisElement::GetClientRect() const {
  const tPoint origin = GetClientOrigin();
  return tRect{origin.x, origin.y, GetWidth() - 1, GetHeight() - 1};
}
std::int32_t cVisElement::GetClientWidth() const {
  return static_cast<std::int32_t>(RectWidth(GetClientRect()));
}
std::int32_t cVisElement::GetClientHeight() const {
  return static_cast<std::int32_t>(RectHeight(GetClientRect()));
}

namespace {
const cVisElement* VisualParent(const cElement* element) {
  cElement* parent = element->GetParent();
  return parent && parent->IsClass(classid::VisElement) ? static_cast<cVisElement*>(parent)
                                                        : nullptr;
}
}  // namespace

tPoint cVisElement::ScreenToClient(tPoint p, const cVisElement*) const {
  const tPoint origin = GetClientOrigin();
  const tPoint q(p.x - bounds_.left - origin.x, p.y - bounds_.top - origin.y);
  const cVisElement* parent = VisualParent(this);
  return parent ? parent->ScreenToClient(q, this) : q;
}

tPoint cVisElement::ClientToScreen(tPoint p, const cVisElement*) const {
  const tPoint origin = GetClientOrigin();
  const tPoint q(p.x + bounds_.left + origin.x, p.y + bounds_.top + origin.y);
  const cVisElement* parent = VisualParent(this);
  return parent ? parent->ClientToScreen(q, this) : q;
}

tRect cVisElement::ScreenToClient(tRect r, const cVisElement* requester) const {
  const tPoint a = ScreenToClient(tPoint(r.left, r.top), requester);
  const tPoint b = ScreenToClient(tPoint(r.right, r.bottom), requester);
  return tRect{a.x, a.y, b.x, b.y};
}

tRect cVisElement::ClientToScreen(tRect r, const cVisElement* requester) const {
  const tPoint a = ClientToScreen(tPoint(r.left, r.top), requester);
  const tPoint b = ClientToScreen(tPoint(r.right, r.bottom), requester);
  return tRect{a.x, a.y, b.x, b.y};
}

const char* cVisElement::GetCaption() const { return caption_ ? caption_->c_str() : nullptr; }
std::uint32_t cVisElement::GetColor() const { return color_; }
cFont* cVisElement::GetFont() const { return font_.get(); }

void cVisElement::SetCaption(const char* text) {
  const char* held = GetCaption();
  if (text == held || (text && held && std::strcmp(text, held) == 0)) return;
  caption_.reset();
  if (text) caption_ = CopyName(text);
  Invalidate();
  Notify(event::CaptionChanged, 0, this, this);
}

void cVisElement::SetColor(std::uint32_t color) {
  if (color == color_) return;
  color_ = color;
  Invalidate();
}

void cVisElement::SetFont(cFont* font) {
  if (font == font_.get()) return;
  font_.reset(font);
  Invalidate();
}

const char* cVisElement::GetUserText() const { return userText_ ? userText_->c_str() : nullptr; }
bool cVisElement::GetUserFlag() const { return userFlag_; }

void cVisElement::SetUserText(const char* text) {
  // Copied before the old text goes: the text may be the one held.
  std::optional<std::string> copy;
  if (text) copy = CopyName(text);
  userText_ = std::move(copy);
}

void cVisElement::SetUserFlag(bool flag) { userFlag_ = flag; }

cVisElement* cVisElement::ElementAt(tPoint p, bool includeDisabled, bool includeHidden,
                                    std::int32_t depth) {
  // The whole area is hit, not only the client size: windows and buttons
  // report their client container's or caption's smaller size, which would
  // leave their lower and right parts (a dialog's buttons) out of reach.
  const tPoint origin = GetClientOrigin();
  const tPoint local = ScreenToClient(p, nullptr);
  if (!Inside(LocalRect(), tPoint(local.x + origin.x, local.y + origin.y))) return nullptr;
  if (!IsEnabled() && !includeDisabled) return nullptr;
  if (!IsShowing() && !includeHidden) return nullptr;
  if (depth == 0) return this;
  if (depth > 0) --depth;
  for (std::int32_t i = 0; i < GetChildCount(); ++i) {
    cElement* child = GetChild(i);
    if (!child || !child->IsClass(classid::VisElement)) continue;
    if (cVisElement* found =
            static_cast<cVisElement*>(child)->ElementAt(p, includeDisabled, includeHidden, depth)) {
      return found;
    }
  }
  return this;
}

cVisElement* cVisElement::RootElementAt(tPoint p, bool includeDisabled, bool includeHidden,
                                        std::int32_t depth) {
  cElement* root = GetRoot();
  if (!root->IsClass(classid::VisElement)) return nullptr;
  return static_cast<cVisElement*>(root)->ElementAt(p, includeDisabled, includeHidden, depth);
}

cVisElement* cVisElement::IsTopmostAt(tPoint p, bool withChildren) {
  if (RootElementAt(p, true, false, -1) == this) return this;
  if (!withChildren) return nullptr;
  for (std::int32_t i = 0; i < GetChildCount(); ++i) {
    cElement* child = GetChild(i);
    if (!child || !child->IsClass(classid::VisElement)) continue;
    if (cVisElement* found = static_cast<cVisElement*>(child)->IsTopmostAt(p, true)) return found;
  }
  return nullptr;
}

bool cVisElement::IsEnabled() const { return enabled_; }

void cVisElement::SetEnabled(bool enabled) {
  const bool changed = enabled != enabled_;
  enabled_ = enabled;
  if (changed) Invalidate();
  cElement* parent = GetParent();
  if (!enabled_ && parent && static_cast<cElement*>(parent->GetFocus()) == this) {
    parent->FocusNext();
  }
}

bool cVisElement::IsVisible() const { return visible_; }

bool cVisElement::IsShowing() const {
  if (!IsVisible()) return false;
  for (cElement* up = GetParent(); up; up = up->GetParent()) {
    if (up->IsClass(classid::VisElement)) return static_cast<cVisElement*>(up)->IsShowing();
  }
  return true;
}

void cVisElement::SetVisible(bool visible) {
  if (visible == visible_) return;
  if (!visible) {
    Invalidate();
    visible_ = false;
    DoHide();
  } else {
    visible_ = true;
    DoShow();
    Invalidate();
  }
  Notify(event::VisibilityChanged, visible ? 1 : 0, this, this);
}

void cVisElement::Show() { SetVisible(true); }
void cVisElement::Hide() { SetVisible(false); }

void cVisElement::DrawChildren(cGraphicsDevice* device) {
  for (std::int32_t i = GetChildCount() - 1; i >= 0; --i) {
    cElement* child = GetChild(i);
    if (child && child->IsClass(classid::VisElement)) static_cast<cVisElement*>(child)->Draw(device);
  }
}

void cVisElement::Draw(cGraphicsDevice* device) {
  if (!visible_ || !device) return;
  std::unique_ptr<cGraphicsDevice> sub(device->CreateSubDevice(bounds_));
  if (!sub) return;
  Paint(sub.get());
  DrawChildren(sub.get());
}

void cVisElement::BringToFront() {
  if (cElement* parent = GetParent()) parent->HandleEvent(event::BringToFront, 0, this, this);
  Invalidate();
}

void cVisElement::SendToBack() {
  if (cElement* parent = GetParent()) parent->HandleEvent(event::SendToBack, 0, this, this);
  Invalidate();
}

bool cVisElement::ReservedFalse() { return false; }
bool cVisElement::ReservedTrue() { return true; }
bool cVisElement::ReservedInvalidate() {
  Invalidate();
  return true;
}

void cVisElement::Invalidate() { InvalidateRect(LocalRect()); }

void cVisElement::InvalidateRect(tRect rect) {
  if (IsEmpty(rect)) return;
  tRect screen = ClientToScreen(rect, this);
  if (cElement* parent = GetParent()) parent->HandleEvent(event::InvalidateRect, 0, &screen, this);
}

}  // namespace ZGUI

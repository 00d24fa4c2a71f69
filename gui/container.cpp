#include "gui/container.h"

#include <algorithm>
#include <string>

#include "foundation/allocate.h"
#include "gui/graphicsdevice.h"
#include "gui/messages.h"
#include "gui/metrics.h"

namespace ZGUI {

cObjectContainer::cObjectContainer() { Init(); }
cObjectContainer::cObjectContainer(cElement* parent) : cControl(parent) { Init(); }

void cObjectContainer::Init() {
  translucent = true;
  UpdateLayout();
}

cObjectContainer::~cObjectContainer() {
  DropBar(hBar_);
  DropBar(vBar_);
}

const char* cObjectContainer::GetClassName() const { return "cObjectContainer"; }
std::int32_t cObjectContainer::GetClassID() const { return classid::ObjectContainer; }
bool cObjectContainer::InheritsFrom(std::int32_t id) const {
  return id == classid::Control || cControl::InheritsFrom(id);
}

bool cObjectContainer::IsBar(const void* element) const {
  return element && (element == static_cast<const cElement*>(hBar_.get()) ||
                     element == static_cast<const cElement*>(vBar_.get()));
}

bool cObjectContainer::IsContent(const cVisElement* element) const {
  return !element || (element != this && !IsBar(static_cast<const cElement*>(element)));
}

void cObjectContainer::DropBar(std::unique_ptr<cScrollBar>& bar) {
  // A bar that holds the container's focus must not stay behind in the field.
  ForgetFocus(bar.get());
  bar.reset();
}

void cObjectContainer::UpdateLayout() {
  if (layoutInProgress_) return;
  layoutInProgress_ = true;
  const tPoint oldInset = inset_;
  const tRect oldClient = clientRect_;
  extent_ = tPoint(0, 0);
  for (std::int32_t i = 0; i < GetChildCount(); ++i) {
    cElement* child = GetChild(i);
    if (!child || !child->IsClass(classid::VisElement)) continue;
    const tRect b = static_cast<cVisElement*>(child)->GetBounds();
    if (b.right >= extent_.x) extent_.x = b.right + 1;
    if (b.bottom >= extent_.y) extent_.y = b.bottom + 1;
  }
  inset_ = border_ ? ScalePoint(2, 2) : tPoint(0, 0);
  const tRect bounds = GetBounds();
  clientRect_ = {inset_.x, inset_.y, bounds.right - bounds.left - inset_.x,
                 bounds.bottom - bounds.top - inset_.y};
  std::int32_t hThick = ScaleX(20), vThick = ScaleY(20);
  const auto cw = static_cast<std::int32_t>(RectWidth(clientRect_));
  const auto ch = static_cast<std::int32_t>(RectHeight(clientRect_));
  if (autoScrollBars_) {
    bool h = true, v = true;
    if (cw >= extent_.x && ch >= extent_.y) {
      h = v = false;
    } else if (cw >= extent_.x + vThick && ch < extent_.y) {
      h = false;
    } else if (cw < extent_.x && ch >= extent_.y + hThick) {
      v = false;
    }
    SetHScrollBar(h);
    SetVScrollBar(v);
  }
  hThick = std::max(std::min(hThick, ch / 2), 1);
  vThick = std::max(std::min(vThick, cw / 2), 1);
  if (hBar_) clientRect_.bottom -= hThick;
  if (vBar_) clientRect_.right -= vThick;
  if (hBar_) {
    const auto range = std::max<std::int64_t>(extent_.x - RectWidth(clientRect_), 0);
    hBar_->SetBounds({clientRect_.left, clientRect_.bottom + 1, clientRect_.right,
                      clientRect_.bottom + hThick});
    hBar_->SetMax(static_cast<std::int32_t>(range));
    hBar_->SetVisibleAmount(static_cast<std::int32_t>(RectWidth(clientRect_)));
  }
  if (vBar_) {
    const auto range = std::max<std::int64_t>(extent_.y - RectHeight(clientRect_), 0);
    vBar_->SetBounds({clientRect_.right + 1, clientRect_.top, clientRect_.right + vThick,
                      clientRect_.bottom});
    vBar_->SetMax(static_cast<std::int32_t>(range));
    vBar_->SetVisibleAmount(static_cast<std::int32_t>(RectHeight(clientRect_)));
  }
  if (!(inset_ == oldInset) || !(clientRect_ == oldClient)) Invalidate();
  layoutInProgress_ = false;
}

void cObjectContainer::Refresh() { Invalidate(); }
bool cObjectContainer::GetAutoScrollBars() const { return autoScrollBars_; }
bool cObjectContainer::HasBorder() const { return border_; }
bool cObjectContainer::GetDrawBackground() const { return drawBackground_; }

void cObjectContainer::SetAutoScrollBars(bool on) {
  if (on == autoScrollBars_) return;
  autoScrollBars_ = on;
  UpdateLayout();
}

void cObjectContainer::SetBorder(bool on) {
  if (on == border_) return;
  border_ = on;
  UpdateLayout();
}

void cObjectContainer::SetDrawBackground(bool on) {
  if (on == drawBackground_) return;
  drawBackground_ = on;
  InvalidateRect(clientRect_);
}

void cObjectContainer::ScrollBy(tPoint delta) { ScrollBy(delta.x, delta.y); }

void cObjectContainer::ScrollBy(std::int32_t dx, std::int32_t dy) {
  if (hBar_) hBar_->SetScrollPos(hBar_->GetScrollPos() + dx);
  if (vBar_) vBar_->SetScrollPos(vBar_->GetScrollPos() + dy);
}

bool cObjectContainer::EnsureVisible(cElement* element) {
  return element && HasChild(element) && element->IsClass(classid::VisElement);
}

void cObjectContainer::NameBar(cScrollBar* bar, const char* suffix, const char* what) {
  if (!bar) return;
  const char* name = GetName();
  std::string full;
  try {
    full = std::string(name ? name : "") + suffix;
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor(what);
  }
  bar->SetName(full.c_str());
}

void cObjectContainer::SetBar(std::unique_ptr<cScrollBar>& bar, bool on,
                              std::int32_t orientation) {
  if (on == static_cast<bool>(bar)) return;
  if (on) {
    bar.reset(VOXA::errors::NewOrThrow<cScrollBar>("cScrollBar", static_cast<cElement*>(this)));
    bar->SetOrientation(orientation);
    if (orientation == cScrollBar::kHorizontal) {
      NameBar(bar.get(), "::HScroll", "horizontal scroll bar name!");
    } else {
      NameBar(bar.get(), "::VScroll", "vertical scroll bar name!");
    }
  } else {
    DropBar(bar);
  }
  UpdateLayout();
}

void cObjectContainer::SetHScrollBar(bool on) { SetBar(hBar_, on, cScrollBar::kHorizontal); }
void cObjectContainer::SetVScrollBar(bool on) { SetBar(vBar_, on, cScrollBar::kVertical); }

void cObjectContainer::SetHScrollPos(std::int32_t position) {
  if (hBar_) hBar_->SetScrollPos(position);
}
void cObjectContainer::SetVScrollPos(std::int32_t position) {
  if (vBar_) vBar_->SetScrollPos(position);
}
cScrollBar* cObjectContainer::GetHScrollBar() const { return hBar_.get(); }
cScrollBar* cObjectContainer::GetVScrollBar() const { return vBar_.get(); }
std::int32_t cObjectContainer::GetHScrollPos() const { return hBar_ ? hBar_->GetScrollPos() : 0; }
std::int32_t cObjectContainer::GetVScrollPos() const { return vBar_ ? vBar_->GetScrollPos() : 0; }
tPoint cObjectContainer::GetScrollOffset() const { return tPoint(GetHScrollPos(), GetVScrollPos()); }

void cObjectContainer::SetName(const char* name) {
  cControl::SetName(name);
  NameBar(hBar_.get(), "::HScroll", "horizontal scroll bar name!");
  NameBar(vBar_.get(), "::VScroll", "vertical scroll bar name!");
}

void cObjectContainer::DoResize() {
  UpdateLayout();
  cControl::DoResize();
}

void cObjectContainer::Draw(cGraphicsDevice* device) {
  if (!IsVisible() || !device) return;
  std::unique_ptr<cGraphicsDevice> sub(device->CreateSubDevice(GetBounds()));
  if (!sub) return;
  Paint(sub.get());
  std::unique_ptr<cGraphicsDevice> client(sub->CreateSubDevice(clientRect_));
  if (!client) return;
  const tPoint scroll = GetScrollOffset();
  client->MoveOrigin(-scroll.x, -scroll.y);
  if (drawBackground_) {
    const auto w = std::max<std::int64_t>(RectWidth(clientRect_), extent_.x);
    const auto h = std::max<std::int64_t>(RectHeight(clientRect_), extent_.y);
    cBackground::Draw(client.get(),
                      tRect{0, 0, static_cast<std::int32_t>(w), static_cast<std::int32_t>(h)});
  }
  DrawChildren(client.get());
}

void cObjectContainer::Paint(cGraphicsDevice* device) {
  const tRect bounds = GetBounds();
  if (border_) {
    device->DrawBevel({0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top}, inset_.x,
                      inset_.y, false);
  }
  if (hBar_) hBar_->Draw(device);
  if (vBar_) vBar_->Draw(device);
  cControl::Paint(device);
}

tPoint cObjectContainer::GetClientOffset() const { return inset_; }
tPoint cObjectContainer::GetClientOrigin() const { return tPoint(clientRect_.left, clientRect_.top); }
tRect cObjectContainer::GetClientRect() const { return clientRect_; }
std::int32_t cObjectContainer::GetClientWidth() const {
  return static_cast<std::int32_t>(RectWidth(clientRect_));
}
std::int32_t cObjectContainer::GetClientHeight() const {
  return static_cast<std::int32_t>(RectHeight(clientRect_));
}

namespace {
const cVisElement* VisualParentOf(const cElement* element) {
  cElement* parent = element->GetParent();
  return parent && parent->IsClass(classid::VisElement) ? static_cast<cVisElement*>(parent)
                                                        : nullptr;
}
}  // namespace

tPoint cObjectContainer::ScreenToClient(tPoint p, const cVisElement* requester) const {
  const tRect bounds = GetBounds();
  tPoint q(p.x - bounds.left, p.y - bounds.top);
  if (IsContent(requester)) {
    const tPoint scroll = GetScrollOffset();
    q.x += scroll.x - clientRect_.left;
    q.y += scroll.y - clientRect_.top;
  }
  const cVisElement* parent = VisualParentOf(this);
  return parent ? parent->ScreenToClient(q, this) : q;
}

tPoint cObjectContainer::ClientToScreen(tPoint p, const cVisElement* requester) const {
  const tRect bounds = GetBounds();
  tPoint q(p.x + bounds.left, p.y + bounds.top);
  if (IsContent(requester)) {
    const tPoint scroll = GetScrollOffset();
    q.x -= scroll.x - clientRect_.left;
    q.y -= scroll.y - clientRect_.top;
  }
  const cVisElement* parent = VisualParentOf(this);
  return parent ? parent->ClientToScreen(q, this) : q;
}

cVisElement* cObjectContainer::ElementAt(tPoint p, bool includeDisabled, bool includeHidden,
                                         std::int32_t depth) {
  const tPoint local = ScreenToClient(p, this);
  const tRect bounds = GetBounds();
  if (!Inside({0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top}, local)) return nullptr;
  if (!IsEnabled() && !includeDisabled) return nullptr;
  if (!IsShowing() && !includeHidden) return nullptr;
  if (depth == 0) return this;
  if (depth > 0) --depth;
  for (cScrollBar* bar : {hBar_.get(), vBar_.get()}) {
    if (!bar) continue;
    if (cVisElement* found = bar->ElementAt(p, includeDisabled, includeHidden, depth)) return found;
  }
  const tPoint inClient(local.x - clientRect_.left, local.y - clientRect_.top);
  if (Inside({0, 0, GetClientWidth() - 1, GetClientHeight() - 1}, inClient)) {
    for (std::int32_t i = 0; i < GetChildCount(); ++i) {
      cElement* child = GetChild(i);
      if (!child || !child->IsClass(classid::VisElement)) continue;
      if (cVisElement* found = static_cast<cVisElement*>(child)->ElementAt(
              p, includeDisabled, includeHidden, depth)) {
        return found;
      }
    }
  }
  return this;
}

cVisElement* cObjectContainer::IsTopmostAt(tPoint p, bool withChildren) {
  if (RootElementAt(p, true, false, -1) == this) return this;
  if (!withChildren) return nullptr;
  for (cScrollBar* bar : {hBar_.get(), vBar_.get()}) {
    if (!bar) continue;
    if (cVisElement* found = bar->IsTopmostAt(p, true)) return found;
  }
  for (std::int32_t i = 0; i < GetChildCount(); ++i) {
    cElement* child = GetChild(i);
    if (!child || !child->IsClass(classid::VisElement)) continue;
    if (cVisElement* found = static_cast<cVisElement*>(child)->IsTopmostAt(p, true)) return found;
  }
  return nullptr;
}

void cObjectContainer::HandleEvent(std::int32_t code, std::int32_t a, void* b, cElement* c) {
  switch (code) {
    case event::InvalidateRect: {
      if (!b) break;
      const cVisElement* sender =
          c && c->IsClass(classid::VisElement) ? static_cast<cVisElement*>(c) : nullptr;
      if (!c || IsContent(sender)) {
        auto* rect = static_cast<tRect*>(b);
        const tRect bounds = GetBounds();
        *rect = Intersect(*rect, ClientToScreen(tRect{0, 0, bounds.right - bounds.left,
                                                      bounds.bottom - bounds.top},
                                                this));
        if (IsEmpty(*rect)) return;
      }
      break;
    }
    case event::ChildAdded:
    case event::ChildRemoved:
      UpdateLayout();
      break;
    case event::BoundsChanged:
      if (HasChild(static_cast<cElement*>(b))) UpdateLayout();
      break;
    case event::ScrollChanged:
      if (IsBar(b)) {
        InvalidateRect(clientRect_);
        return;
      }
      break;
    default:
      break;
  }
  cControl::HandleEvent(code, a, b, c);
}

bool cObjectContainer::HandleMessage(tMessage* message) {
  if (!message) return false;
  // A bar that holds the focus has been offered the message already.
  for (cScrollBar* bar : {hBar_.get(), vBar_.get()}) {
    if (bar && static_cast<cControl*>(bar) != GetFocus() && bar->DispatchMessage(message)) {
      return true;
    }
  }
  tMouseMessage* mouse = AsMouse(message);
  if (mouse && mouse->action == mouseaction::Press &&
      IsTopmostAt(tPoint(mouse->x, mouse->y), false) == this) {
    RequestFocus();
  }
  return cControl::HandleMessage(message);
}

void cObjectContainer::BackgroundChanged() { Invalidate(); }

}  // namespace ZGUI

#include "gui/pagecontrol.h"

#include <algorithm>
#include <memory>

#include "gui/fonts.h"
#include "gui/graphicsdevice.h"
#include "gui/messages.h"
#include "gui/metrics.h"

namespace ZGUI {

cTabSheet::cTabSheet() {
  SetBorder(false);
  SetDrawBackground(false);
}

cTabSheet::cTabSheet(cElement* parent) : cObjectContainer(parent) {
  SetBorder(false);
  SetDrawBackground(false);
}

const char* cTabSheet::GetClassName() const { return "cTabSheet"; }
std::int32_t cTabSheet::GetClassID() const { return classid::TabSheet; }
bool cTabSheet::InheritsFrom(std::int32_t id) const {
  return id == classid::ObjectContainer || cObjectContainer::InheritsFrom(id);
}

cPageControl::cPageControl() {
  UpdateLayout();
  SetWantsKeys(true);
}

const char* cPageControl::GetClassName() const { return "cPageControl"; }
std::int32_t cPageControl::GetClassID() const { return classid::PageControl; }
bool cPageControl::InheritsFrom(std::int32_t id) const {
  return id == classid::Control || cControl::InheritsFrom(id);
}

void cPageControl::Reinitialize() {
  UpdateLayout();
  cControl::Reinitialize();
}

tRect cPageControl::GetTabRect(std::int32_t index) const {
  return index >= 0 && index < static_cast<std::int32_t>(pages_.size()) ? pages_[index].tabRect
                                                                        : kEmptyRect;
}

cVisElement* cPageControl::ActivePage() const {
  cElement* first = GetChildCount() > 0 ? GetChild(0) : nullptr;
  return first && first->IsClass(classid::VisElement) ? static_cast<cVisElement*>(first) : nullptr;
}

void cPageControl::AddChild(cElement* element) {
  if (!element || !element->IsClass(classid::TabSheet)) return;
  auto* sheet = static_cast<cTabSheet*>(element);
  cControl::AddChild(element);
  pages_.push_back({sheet->IsVisible(), kEmptyRect, kEmptyRect, sheet});
  UpdateLayout();
  InvalidateRect(tabStrip_);
  if (!GetFocus()) SetFocus(sheet);
}

void cPageControl::SetFocus(cControl* control) {
  cControl* old = GetFocus();
  cControl::SetFocus(control);
  if (cControl* now = GetFocus()) now->BringToFront();
  if (GetFocus() != old) Invalidate();
}

std::int32_t cPageControl::GetClientWidth() const {
  return static_cast<std::int32_t>(RectWidth(pageRect_));
}
std::int32_t cPageControl::GetClientHeight() const {
  return static_cast<std::int32_t>(RectHeight(pageRect_));
}

void cPageControl::DoResize() {
  cControl::DoResize();
  UpdateLayout();
}

void cPageControl::SetFont(cFont* font) {
  cControl::SetFont(font);
  UpdateLayout();
}

void cPageControl::UpdateLayout() {
  const tPoint oldInset = inset_;
  const tRect oldFrame = frameRect_, oldPage = pageRect_, oldStrip = tabStrip_;
  const cFont* font = GetFont();
  frameRect_ = LocalRect();
  inset_ = ScaleRect(2, 2, frameRect_);
  tabStrip_ = frameRect_;
  tabStrip_.bottom = tabStrip_.top + inset_.y + (font ? font->GetHeight() : 0);
  const std::int32_t minimum = ScaleX(40), pad = ScaleX(4);
  std::int32_t x = tabStrip_.left + 2 * inset_.x;
  for (tPage& page : pages_) {
    if (!page.visible) continue;
    const char* caption = page.sheet->GetCaption();
    const std::int32_t textWidth = font && caption ? font->GetTextWidth(caption) : 0;
    const std::int32_t tabWidth = std::max(textWidth, minimum);
    page.tabRect = {x, tabStrip_.top, x + 2 * inset_.x + 2 * pad + tabWidth, tabStrip_.bottom};
    page.captionRect = {x + inset_.x + pad + (tabWidth - textWidth) / 2, tabStrip_.top + inset_.y,
                        page.tabRect.right - inset_.x - pad, tabStrip_.bottom};
    x = page.tabRect.right + 1;
  }
  frameRect_.top = tabStrip_.bottom + 1;
  tabStrip_.bottom += inset_.y;
  pageRect_ = {frameRect_.left + inset_.x, frameRect_.top + inset_.y, frameRect_.right - inset_.x,
               frameRect_.bottom - inset_.y};
  for (std::int32_t i = 0; i < GetChildCount(); ++i) {
    cElement* child = GetChild(i);
    if (child && child->IsClass(classid::VisElement))
      static_cast<cVisElement*>(child)->SetBounds(pageRect_);
  }
  if (!(inset_ == oldInset) || !(frameRect_ == oldFrame) || !(pageRect_ == oldPage) ||
      !(tabStrip_ == oldStrip))
    Invalidate();
}

void cPageControl::HandleEvent(std::int32_t code, std::int32_t a, void* b, cElement* c) {
  auto* subject = static_cast<cElement*>(b);
  auto record = std::find_if(pages_.begin(), pages_.end(), [subject](const tPage& page) {
    return static_cast<cElement*>(page.sheet) == subject;
  });
  if (code == event::ChildRemoved && record != pages_.end()) {
    pages_.erase(record);
    UpdateLayout();
    InvalidateRect(tabStrip_);
    if (!GetFocus() && GetChildCount() > 0 && GetChild(0)->IsClass(classid::Control))
      SetFocus(static_cast<cControl*>(GetChild(0)));
  } else if ((code == event::CaptionChanged || code == event::VisibilityChanged) && subject &&
             HasChild(subject)) {
    if (code == event::VisibilityChanged && record != pages_.end())
      record->visible = record->sheet->IsVisible();
    UpdateLayout();
    InvalidateRect(tabStrip_);
  }
  cControl::HandleEvent(code, a, b, c);
}

bool cPageControl::HandleMessage(tMessage* message) {
  if (tMouseMessage* mouse = AsMouse(message)) {
    const tPoint screen(mouse->x, mouse->y);
    if (mouse->action == mouseaction::Press && mouse->button == 0 && IsTopmostAt(screen, false)) {
      RequestFocus();
      if (HasFocus()) {
        const tPoint p = ScreenToClient(screen, this);
        for (const tPage& page : pages_) {
          if (!page.visible || !Inside(page.tabRect, p)) continue;
          SetFocus(page.sheet);
          if (GetFocus() == page.sheet) tabPressed_ = true;
          break;
        }
        return true;
      }
    }
    if (mouse->action == mouseaction::Move && tabPressed_) return true;
    if (mouse->action == mouseaction::Release && mouse->button == 0 && tabPressed_) {
      tabPressed_ = false;
      return true;
    }
  }
  return cControl::HandleMessage(message);
}

cVisElement* cPageControl::ElementAt(tPoint p, bool includeDisabled, bool includeHidden,
                                     std::int32_t depth) {
  cVisElement* self = cControl::ElementAt(p, includeDisabled, includeHidden, 0);
  if (!self || depth == 0) return self;
  cVisElement* page = ActivePage();
  cVisElement* found =
      page ? page->ElementAt(p, includeDisabled, includeHidden, depth > 0 ? depth - 1 : depth)
           : nullptr;
  return found ? found : this;
}

cVisElement* cPageControl::IsTopmostAt(tPoint p, bool withChildren) {
  if (cControl::IsTopmostAt(p, false)) return this;
  cVisElement* page = ActivePage();
  return withChildren && page ? page->IsTopmostAt(p, true) : nullptr;
}

void cPageControl::Draw(cGraphicsDevice* device) {
  if (!IsVisible() || !device) return;
  std::unique_ptr<cGraphicsDevice> sub(device->CreateSubDevice(GetBounds()));
  if (!sub) return;
  const cControl* active = GetFocus();
  sub->DrawBevelLeft(frameRect_, inset_.x, inset_.y, true);
  sub->DrawBevelBottom(frameRect_, inset_.x, inset_.y, true);
  sub->DrawBevelRight(frameRect_, inset_.x, inset_.y, true);
  if (!active) sub->DrawBevelTop(frameRect_, inset_.x, inset_.y, true);
  sub->SetTextColor(0xFFFFFF);
  for (const tPage& page : pages_) {
    if (!page.visible) continue;
    sub->DrawBevelLeft(page.tabRect, inset_.x, inset_.y, true);
    sub->DrawBevelTop(page.tabRect, inset_.x, inset_.y, true);
    sub->DrawBevelRight(page.tabRect, inset_.x, inset_.y, true);
    if (page.sheet == active) {
      // The active tab opens into the body.
      const tRect f = frameRect_, t = page.tabRect;
      sub->DrawBevelTop({f.left, f.top, t.left, f.bottom}, inset_.x, inset_.y, true);
      sub->DrawBevelTop({t.right, f.top, f.right, f.bottom}, inset_.x, inset_.y, true);
    }
    sub->DrawTextInRect(GetFont(), page.captionRect, page.sheet->GetCaption());
  }
  cControl::Paint(sub.get());
  if (cVisElement* page = ActivePage()) page->Draw(sub.get());
}

}  // namespace ZGUI

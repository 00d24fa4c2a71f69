#include "gui/hypertextviewer.h"

#include <algorithm>
#include <memory>

#include "gui/graphicsdevice.h"
#include "gui/messages.h"
#include "gui/metrics.h"
#include "gui/scrollbar.h"
#include "windxkernel/shell.h"

namespace ZGUI {

cHypertextViewer::cHypertextViewer() { ParseText(); }

const char* cHypertextViewer::GetClassName() const { return "cHypertextViewer"; }
std::int32_t cHypertextViewer::GetClassID() const { return classid::HypertextViewer; }
bool cHypertextViewer::InheritsFrom(std::int32_t id) const {
  return id == classid::Control || cControl::InheritsFrom(id);
}

void cHypertextViewer::SetCaption(const char* text) {
  cControl::SetCaption(text);
  ParseText();
}

void cHypertextViewer::DoResize() {
  ParseText();
  cControl::DoResize();
}

void cHypertextViewer::SetScrollBar(cScrollBar* scrollBar) {
  if (scrollBar == scrollBar_) return;
  scrollBar_ = scrollBar;
  ParseText();
}

cScrollBar* cHypertextViewer::GetScrollBar() const { return scrollBar_; }
std::int32_t cHypertextViewer::GetScrollOffset() const {
  return scrollBar_ ? scrollBar_->GetScrollPos() : 0;
}

tPoint cHypertextViewer::GetClientOffset() const { return border_; }
std::int32_t cHypertextViewer::GetClientWidth() const {
  return static_cast<std::int32_t>(RectWidth(textRect_));
}
std::int32_t cHypertextViewer::GetClientHeight() const {
  return static_cast<std::int32_t>(RectHeight(textRect_));
}

void cHypertextViewer::ParseText() {
  const tRect oldClient = clientRect_;
  const tPoint oldBorder = border_;
  clientRect_ = LocalRect();
  border_ = ScaleRect(1, 1, clientRect_);
  textRect_ = {clientRect_.left + border_.x, clientRect_.top + border_.y,
               clientRect_.right - border_.x, clientRect_.bottom - border_.y};
  pressedLink_ = nullptr;
  linkPressed_ = false;
  document_.Build(GetCaption(), GetClientWidth());
  if (scrollBar_) {
    const std::int32_t visible = GetClientHeight();
    scrollBar_->SetMin(0);
    scrollBar_->SetMax(std::max(document_.GetDocumentHeight() - visible, 0));
    scrollBar_->SetVisibleAmount(visible);
    scrollBar_->SetPageStep(visible / 2);
    // A notch of the wheel: three lines of the launcher's text.
    scrollBar_->SetWheelStep(ScaleY(3 * 16));
  }
  if (!(clientRect_ == oldClient) || !(border_ == oldBorder)) Invalidate();
}

void cHypertextViewer::Paint(cGraphicsDevice* device) {
  device->DrawBevel(clientRect_, border_.x, border_.y, false);
  device->DarkenRect(textRect_);
  if (std::unique_ptr<cGraphicsDevice> sub{device->CreateSubDevice(textRect_)}) {
    const std::int32_t offset = GetScrollOffset();
    const std::int64_t visibleBottom = std::int64_t{offset} + GetClientHeight();
    const std::int32_t underline = ScaleY(1);
    sub->MoveOrigin(0, -offset);
    for (const auto& line : document_.GetLines()) {
      if (line->y > visibleBottom) break;
      if (std::int64_t{line->y} + line->height <= offset) continue;
      if (line->rule) {
        const std::int32_t t = line->height / 3;
        sub->DrawBevel({line->x, line->y, line->x + line->width - 1, line->y + line->height - 1}, t,
                       t, true);
        continue;
      }
      for (const auto& s : line->segments) {
        const tRect r{s->x, line->y + s->y, s->x + s->width - 1, line->y + s->y + s->height - 1};
        sub->SetTextColor(s->colour);
        sub->DrawTextInRect(s->font.get(), r, s->text.c_str());
        if (s->link) sub->LightenRect({r.left, r.bottom - underline + 1, r.right, r.bottom});
      }
    }
  }
  cControl::Paint(device);
}

const cHypertextViewer::tSegment* cHypertextViewer::HitTest(std::int32_t x, std::int32_t y) const {
  // Segments lie relative to the text rectangle, inside the border.
  return document_.HitTest(x - textRect_.left, y - textRect_.top + GetScrollOffset());
}

void cHypertextViewer::Activate(const tLink& link) {
  if (link.external) {
    VOXA2::OpenDocument(link.target.c_str());
    return;
  }
  const tAnchor* anchor = document_.FindAnchor(link.target.c_str());
  if (anchor && scrollBar_) scrollBar_->SetScrollPos(std::min(anchor->y, scrollBar_->GetMax()));
}

bool cHypertextViewer::HandleMessage(tMessage* message) {
  if (!message) return true;
  tMouseMessage* mouse = AsMouse(message);
  if (mouse && mouse->action == mouseaction::Wheel) {
    if (!scrollBar_ || !IsEnabled() || !IsTopmostAt(tPoint(mouse->x, mouse->y), true))
      return false;
    scrollBar_->Wheel(mouse->wheel);
    return true;
  }
  if (mouse && mouse->button == 0) {
    const tPoint screen(mouse->x, mouse->y);
    if (mouse->action == mouseaction::Press && IsTopmostAt(screen, false)) {
      const tPoint p = ScreenToClient(screen, this);
      const tSegment* hit = HitTest(p.x, p.y);
      if (hit && hit->link) {
        pressedLink_ = hit->link;
        RequestFocus();
        linkPressed_ = HasFocus();
      }
    } else if (mouse->action == mouseaction::Release && linkPressed_) {
      linkPressed_ = false;
      const tPoint p = ScreenToClient(screen, this);
      const tSegment* hit = HitTest(p.x, p.y);
      if (hit && hit->link && hit->link == pressedLink_) Activate(*hit->link);
    }
  }
  return cControl::HandleMessage(message);
}

void cHypertextViewer::HandleEvent(std::int32_t code, std::int32_t a, void* b, cElement* c) {
  if (code == event::ScrollChanged && scrollBar_ && b == static_cast<cElement*>(scrollBar_))
    InvalidateRect(textRect_);
  cControl::HandleEvent(code, a, b, c);
}

}  // namespace ZGUI

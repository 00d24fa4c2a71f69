#include "gui/listbox.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "gui/graphicsdevice.h"
#include "gui/messages.h"
#include "gui/metrics.h"
#include "gui/scrollbar.h"
#include "platform/win32.h"

namespace ZGUI {
namespace {

constexpr std::int32_t kUp = 97, kNumpad8 = 77, kDown = 102, kNumpad2 = 85, kReturn = 28,
                       kNumpadEnter = 91;
// Rows a notch of the mouse wheel scrolls.
constexpr std::int32_t kWheelRows = 3;

}  // namespace

cListBox::cListBox() {
  UpdateLayout();
  SetWantsKeys(true);
}

const char* cListBox::GetClassName() const { return "cListBox"; }
std::int32_t cListBox::GetClassID() const { return classid::ListBox; }
bool cListBox::InheritsFrom(std::int32_t id) const {
  return id == classid::Control || cControl::InheritsFrom(id);
}

void cListBox::Reinitialize() { ReinitializeEntries(); }

void cListBox::ReinitializeEntries() {
  cControl::Reinitialize();
  cList::ReinitializeEntries();
  UpdateLayout();
}

void cListBox::SetScrollBar(cScrollBar* scrollBar) {
  if (scrollBar == scrollBar_) return;
  scrollBar_ = scrollBar;
  UpdateLayout();
}

cScrollBar* cListBox::GetScrollBar() const { return scrollBar_; }
bool cListBox::IsSelectionAllowed() const { return selectionAllowed_; }

void cListBox::SetSelectionAllowed(bool allowed) {
  if (allowed == selectionAllowed_) return;
  selectionAllowed_ = allowed;
  if (!allowed) SetCurrent(-1);
}

std::int32_t cListBox::GetScrollOffset() const {
  return scrollBar_ ? scrollBar_->GetScrollPos() : 0;
}

void cListBox::SetCurrent(std::int32_t index) {
  cList::SetCurrent(selectionAllowed_ ? index : -1);
  ScrollCurrentIntoView();
}

void cListBox::ScrollCurrentIntoView() {
  const std::int32_t current = GetCurrent();
  if (!scrollBar_ || current < 0) return;
  const std::int64_t visible = RectHeight(inner_);
  if (visible <= 0) return;
  std::int64_t top = 0;
  for (std::int32_t i = 0; i < current; ++i) top += GetEntry(i)->GetHeight();
  const std::int64_t bottom = top + GetEntry(current)->GetHeight();
  const std::int64_t offset = GetScrollOffset();
  std::int64_t wanted = offset;
  if (bottom > offset + visible) wanted = bottom - visible;
  if (top < wanted) wanted = top;
  if (wanted != offset)
    scrollBar_->SetScrollPos(static_cast<std::int32_t>(std::min<std::int64_t>(wanted, INT32_MAX)));
}

bool cListBox::IsDoubleClick(std::int32_t row) {
  const std::uint32_t now = GetTickCount();
  const bool twice = row >= 0 && row == lastPressRow_ && now - lastPressAt_ <= kDoubleClickMs;
  // A third press starts anew.
  lastPressRow_ = twice ? -1 : row;
  lastPressAt_ = now;
  return twice;
}
void cListBox::SetCurrentEntry(const cListEntry* entry) { SetCurrent(IndexOf(entry)); }
void cListBox::ContentsChanged() { UpdateLayout(); }
void cListBox::RangeChanged(std::int32_t, std::int32_t) { InvalidateRect(inner_); }

cFont* cListBox::GetFont() const { return cControl::GetFont(); }

void cListBox::SetFont(cFont* font) {
  cControl::SetFont(font);
  cList::SetFont(font);
}

void cListBox::DoResize() {
  cControl::DoResize();
  UpdateLayout();
  ScrollCurrentIntoView();
}

tPoint cListBox::GetClientOffset() const { return border_; }
std::int32_t cListBox::GetClientWidth() const {
  return static_cast<std::int32_t>(RectWidth(inner_));
}
std::int32_t cListBox::GetClientHeight() const {
  return static_cast<std::int32_t>(RectHeight(inner_));
}

void cListBox::HandleEvent(std::int32_t code, std::int32_t a, void* b, cElement* c) {
  if (code == event::ScrollChanged && scrollBar_ && b == static_cast<cElement*>(scrollBar_))
    InvalidateRect(inner_);
  cControl::HandleEvent(code, a, b, c);
}

void cListBox::UpdateLayout() {
  const tRect oldFrame = frame_;
  const tPoint oldBorder = border_;
  frame_ = LocalRect();
  border_ = ScaleRect(1, 1, frame_);
  inner_ = {frame_.left + border_.x, frame_.top + border_.y, frame_.right - border_.x,
            frame_.bottom - border_.y};
  if (scrollBar_) {
    std::int64_t total = 0;
    for (std::int32_t i = 0; i < GetCount(); ++i) total += GetEntry(i)->GetHeight();
    const auto innerHeight = static_cast<std::int32_t>(RectHeight(inner_));
    scrollBar_->SetMin(0);
    scrollBar_->SetMax(
        static_cast<std::int32_t>(std::clamp<std::int64_t>(total - innerHeight, 0, INT32_MAX)));
    scrollBar_->SetVisibleAmount(innerHeight);
    const cFont* font = GetFont();
    scrollBar_->SetPageStep(font ? font->GetHeight() : ScaleY(10));
    scrollBar_->SetWheelStep(kWheelRows * (font ? font->GetHeight() : ScaleY(10)));
  }
  if (!(frame_ == oldFrame) || !(border_ == oldBorder)) Invalidate();
}

void cListBox::Paint(cGraphicsDevice* device) {
  device->DrawBevel(frame_, border_.x, border_.y, false);
  device->DarkenRect(inner_);
  if (std::unique_ptr<cGraphicsDevice> sub{device->CreateSubDevice(inner_)}) {
    const std::int32_t offset = GetScrollOffset();
    sub->MoveOrigin(0, -offset);
    const std::int64_t visibleBottom = RectHeight(inner_) + offset;
    const std::int32_t right = inner_.right - inner_.left;
    std::int64_t top = 0;
    for (std::int32_t i = 0; i < GetCount() && top <= visibleBottom; ++i) {
      cListEntry* entry = GetEntry(i);
      const std::int64_t bottom = top + entry->GetHeight() - 1;
      const tRect row{0, static_cast<std::int32_t>(top), right, static_cast<std::int32_t>(bottom)};
      sub->SetClipRect(row);
      if (!IsEmpty(row))
        entry->Draw(sub.get(), row.left, row.top, row.right, row.bottom, i == GetCurrent());
      top = bottom + 1;
    }
  }
  cControl::Paint(device);
}

std::int32_t cListBox::RowAt(tPoint p) const {
  if (!Inside(inner_, p)) return -1;
  const std::int64_t y = std::int64_t{p.y} - inner_.top + GetScrollOffset();
  std::int64_t top = 0;
  for (std::int32_t i = 0; i < GetCount(); ++i) {
    const std::int64_t bottom = top + GetEntry(i)->GetHeight() - 1;
    if (y >= top && y <= bottom) return i;
    top = bottom + 1;
  }
  return -1;
}

bool cListBox::HandleKey(const tKeyMessage& key) {
  if (key.key == kReturn || key.key == kNumpadEnter) {
    cListEntry* entry = GetCurrentEntry();
    if (!entry) return false;
    entry->FireUser1();
    return true;
  }
  const bool up = key.key == kUp || key.key == kNumpad8;
  const bool down = key.key == kDown || key.key == kNumpad2;
  if (!up && !down) return false;
  const std::int32_t current = GetCurrent();
  std::int32_t candidate = current < 0 ? 0 : current;
  if (current >= 0) {
    for (std::int32_t i = current + (up ? -1 : 1); i >= 0 && i < GetCount(); i += up ? -1 : 1) {
      if (GetEntry(i)->IsSelectable()) {
        candidate = i;
        break;
      }
    }
  }
  if (candidate != current) SetCurrent(candidate);
  return true;
}

bool cListBox::HandleMessage(tMessage* message) {
  if (!message) return true;
  if (message->type == messagetype::Key) {
    auto* key = static_cast<tKeyMessage*>(message);
    if (key->pressed && !key->character && HasFocus() && HandleKey(*key)) return true;
    return cControl::HandleMessage(message);
  }
  if (tMouseMessage* mouse = AsMouse(message)) {
    if (IsDisabledPress(message)) return true;
    const tPoint screen(mouse->x, mouse->y);
    if (mouse->action == mouseaction::Wheel) {
      if (!scrollBar_ || !IsEnabled() || !IsTopmostAt(screen, true)) return false;
      scrollBar_->Wheel(mouse->wheel);
      return true;
    }
    bool pressedHere = false;
    if (mouse->action == mouseaction::Press && mouse->button == 0 && IsTopmostAt(screen, true)) {
      RequestFocus();
      tracking_ = HasFocus();
      pressedHere = tracking_;
    }
    if (tracking_ && IsTopmostAt(screen, true)) {
      const std::int32_t row = RowAt(ScreenToClient(screen, this));
      if (row >= 0) SetCurrent(row);
      if (pressedHere && IsDoubleClick(row) && row == GetCurrent()) {
        tracking_ = false;
        GetEntry(row)->FireUser1();
        return true;
      }
    }
    if (mouse->action == mouseaction::Release && mouse->button == 0) tracking_ = false;
  }
  return cControl::HandleMessage(message);
}

}  // namespace ZGUI

#include "gui/control.h"

#include "gui/messages.h"

namespace ZGUI {

const char* cControl::GetClassName() const { return "cControl"; }
std::int32_t cControl::GetClassID() const { return classid::Control; }
bool cControl::InheritsFrom(std::int32_t id) const {
  return id == classid::Object || id == classid::Element || id == classid::VisElement;
}

bool cControl::IsDisabledPress(tMessage* message) {
  tMouseMessage* mouse = AsMouse(message);
  return mouse && mouse->action == mouseaction::Press && !IsEnabled() &&
         IsTopmostAt(tPoint(mouse->x, mouse->y), false) == this;
}

bool cControl::HandleMessage(tMessage* message) {
  if (!message) return false;
  if (message->type == messagetype::Mouse) {
    return IsDisabledPress(message) || cVisElement::HandleMessage(message);
  }
  if (message->type != messagetype::Key) return false;
  if (!HasFocus() || !wantsKeys_) return false;
  auto* key = static_cast<tKeyMessage*>(message);
  if (!key->pressed) {
    DoKeyUp(key->key);
  } else {
    DoKeyDown(key->key);
    if (key->character) DoChar(key->character);
  }
  return true;
}

void cControl::FocusEnter() {
  if (OnFocusEnter) OnFocusEnter(this);
  if (cControl* focus = GetFocus()) focus->FocusEnter();
}

void cControl::FocusLeave() {
  if (cControl* focus = GetFocus()) focus->FocusLeave();
  if (OnFocusLeave) OnFocusLeave(this);
}

void cControl::DoKeyDown(std::int32_t key) {
  if (OnKeyDown) OnKeyDown(this, key);
}

void cControl::DoChar(std::uint8_t character) {
  if (OnChar) OnChar(this, character);
}

void cControl::DoKeyUp(std::int32_t key) {
  if (OnKeyUp) OnKeyUp(this, key);
}

void cControl::RequestFocus() {
  cElement* parent = GetParent();
  if (HasFocus() || !parent) return;
  parent->HandleEvent(event::RequestFocus, 0, static_cast<cElement*>(this), this);
}

bool cControl::CanFocus() const { return IsEnabled() && IsVisible(); }
bool cControl::CanTakeFocus() const { return CanFocus(); }
bool cControl::IsTabStop() const { return tabStop_; }
std::int32_t cControl::GetTabOrder() const { return tabIndex_; }

void cControl::SetTabStop(bool tabStop) {
  tabStop_ = tabStop;
  if (cElement* parent = GetParent()) {
    parent->HandleEvent(event::SetTabStop, tabStop ? 1 : 0, static_cast<cElement*>(this), this);
  }
}

void cControl::SetTabOrder(std::int32_t position) {
  if (cElement* parent = GetParent()) {
    parent->HandleEvent(event::SetTabOrder, position, static_cast<cElement*>(this), this);
  }
}

std::int32_t cControl::GetUserValue() const { return userValue_; }
bool cControl::WantsKeys() const { return wantsKeys_; }
void cControl::SetWantsKeys(bool wantsKeys) { wantsKeys_ = wantsKeys; }

}  // namespace ZGUI

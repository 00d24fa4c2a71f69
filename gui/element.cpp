#include "gui/element.h"

#include <algorithm>
#include <cstring>

#include "foundation/stream.h"
#include "gui/control.h"
#include "gui/messages.h"

namespace ZGUI {
namespace {

// Events carry their subject untyped; senders always pass elements as cElement*.
cElement* AsElement(void* b) { return static_cast<cElement*>(b); }

cControl* AsControl(cElement* element) {
  return element && element->IsClass(classid::Control) ? static_cast<cControl*>(element) : nullptr;
}

template <class T>
bool Contains(const std::vector<T*>& list, const void* item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

template <class T>
void EraseAll(std::vector<T*>& list, const void* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

// Moves the entry at from to to, shifting the entries between by one.
template <class T>
void MoveEntry(std::vector<T*>& list, std::size_t from, std::size_t to) {
  if (from < to) {
    std::rotate(list.begin() + from, list.begin() + from + 1, list.begin() + to + 1);
  } else if (to < from) {
    std::rotate(list.begin() + to, list.begin() + from, list.begin() + from + 1);
  }
}

}  // namespace

cElement::~cElement() {
  ClearFocusQuietly();
  DestroyChildren();
}

void cElement::DestroyChildren() {
  while (!children_.empty()) {
    cElement* child = children_.front();
    children_.erase(children_.begin());
    Notify(event::ChildRemoved, 0, child, nullptr);
    delete child;
  }
  modal_.clear();
  tabStops_.clear();
  focus_ = nullptr;
}

void cElement::ClearFocusQuietly() {
  focus_ = nullptr;
  for (cElement* child : children_) {
    if (child) child->ClearFocusQuietly();
  }
}

const char* cElement::GetClassName() const { return "cElement"; }
std::int32_t cElement::GetClassID() const { return classid::Element; }
bool cElement::InheritsFrom(std::int32_t id) const { return id == classid::Object; }

void cElement::Reinitialize() {
  for (cElement* child : children_) {
    if (child) child->Reinitialize();
  }
}

bool cElement::DispatchMessage(tMessage* message) {
  if (!message) return false;
  if (focus_ && focus_->DispatchMessage(message)) return true;
  // A handler may change the children: walk by index over the current list.
  for (std::size_t i = 0; i < children_.size(); ++i) {
    cElement* child = children_[i];
    if (child && child != focus_ && child->DispatchMessage(message)) return true;
  }
  return HandleMessage(message);
}

bool cElement::HandleMessage(tMessage*) { return false; }

void cElement::SetFocus(cControl* control) {
  if (!modal_.empty() && !Contains(modal_, static_cast<cElement*>(control))) return;
  cControl* self = AsControl(this);
  if (control == focus_) {
    if (self) self->RequestFocus();
    return;
  }
  if (control && !control->CanFocus()) return;
  cControl* old = focus_;
  focus_ = control;
  if (self) self->RequestFocus();
  if (old) {
    old->FocusLeave();
    old->Invalidate();
  }
  if (focus_ == control && control) {
    control->FocusEnter();
    control->Invalidate();
  }
  Notify(event::FocusChanged, 0, static_cast<cElement*>(control), this);
}

void cElement::UpdateTabStops() {
  tabStops_.erase(std::remove_if(tabStops_.begin(), tabStops_.end(),
                                 [](cControl* c) { return c && !c->IsTabStop(); }),
                  tabStops_.end());
  for (cElement* child : children_) {
    cControl* control = AsControl(child);
    if (control && control->IsTabStop() && !Contains(tabStops_, control)) {
      tabStops_.push_back(control);
    }
  }
  for (std::size_t i = 0; i < tabStops_.size(); ++i) {
    if (tabStops_[i]) tabStops_[i]->SetTabIndex(static_cast<std::int32_t>(i));
  }
}

void cElement::PassToChildren(std::int32_t code, std::int32_t a, void* b, cElement* c) {
  for (std::size_t i = 0; i < children_.size(); ++i) {
    if (children_[i]) children_[i]->HandleEvent(code, a, b, c);
  }
}

void cElement::HandleEvent(std::int32_t code, std::int32_t a, void* b, cElement* c) {
  switch (code) {
    case event::InvalidateRect:
      if (parent_ && b) parent_->HandleEvent(code, a, b, c);
      return;
    case event::RequestFocus:
      if (cControl* control = AsControl(AsElement(b))) SetFocus(control);
      return;
    case event::BringToFront: {
      cElement* element = AsElement(b);
      if (!element || (!modal_.empty() && !Contains(modal_, element))) return;
      const std::int32_t index = IndexOfChild(element);
      if (index < 0) return;
      MoveEntry(children_, static_cast<std::size_t>(index), 0);
      element->Invalidate();
      return;
    }
    case event::SendToBack: {
      cElement* element = AsElement(b);
      const std::int32_t index = IndexOfChild(element);
      if (index < 0) return;
      MoveEntry(children_, static_cast<std::size_t>(index), children_.size() - 1);
      element->Invalidate();
      return;
    }
    case event::SetTabOrder: {
      auto* control = AsElement(b);
      auto at = std::find(tabStops_.begin(), tabStops_.end(), control);
      if (!control || at == tabStops_.end()) return;
      const auto last = static_cast<std::int32_t>(tabStops_.size()) - 1;
      const std::int32_t position = std::clamp(a, 0, last);
      MoveEntry(tabStops_, static_cast<std::size_t>(at - tabStops_.begin()),
                static_cast<std::size_t>(position));
      UpdateTabStops();
      return;
    }
    case event::SetTabStop:
      UpdateTabStops();
      return;
    case event::ModalBegin: {
      cElement* element = AsElement(b);
      if (!element) return;
      if (HasChild(element) && !Contains(modal_, element)) modal_.push_back(element);
      if (parent_) parent_->HandleEvent(event::ModalBegin, 0, this, nullptr);
      return;
    }
    case event::ModalEnd: {
      cElement* element = AsElement(b);
      if (!element) return;
      EraseAll(modal_, element);
      if (modal_.empty() && parent_) parent_->HandleEvent(event::ModalEnd, 0, this, nullptr);
      return;
    }
    default:
      PassToChildren(code, a, b, c);
  }
}

std::int32_t cElement::GetChildCount() const { return static_cast<std::int32_t>(children_.size()); }

cElement* cElement::GetChild(std::int32_t index) const {
  if (static_cast<std::uint32_t>(index) >= children_.size()) return nullptr;
  return children_[static_cast<std::size_t>(index)];
}

cControl* cElement::GetTabStop(std::int32_t index) const {
  if (static_cast<std::uint32_t>(index) >= tabStops_.size()) return nullptr;
  return tabStops_[static_cast<std::size_t>(index)];
}

void cElement::AddChild(cElement* element) {
  if (!element) return;
  children_.push_back(element);
  element->parent_ = this;
  Notify(event::ChildAdded, static_cast<std::int32_t>(children_.size() - 1), element, nullptr);
  UpdateTabStops();
}

void cElement::RemoveChild(cElement* element) {
  if (!element) return;
  element->Invalidate();
  std::int32_t lastIndex = -1;
  for (std::size_t i = 0; i < children_.size(); ++i) {
    if (children_[i] == element) lastIndex = static_cast<std::int32_t>(i);
  }
  EraseAll(children_, element);
  if (lastIndex >= 0) {
    if (cControl* control = AsControl(element)) {
      const auto at = std::find(tabStops_.begin(), tabStops_.end(), control);
      const auto position = static_cast<std::size_t>(at - tabStops_.begin());
      const bool heldFocus = at != tabStops_.end() && focus_ == control;
      EraseAll(tabStops_, control);
      if (heldFocus) {
        // The focus passes on quietly: no callbacks, no event.
        if (position < tabStops_.size()) {
          focus_ = tabStops_[position];
        } else {
          focus_ = tabStops_.empty() ? nullptr : tabStops_.front();
        }
      }
      UpdateTabStops();
    }
    HandleEvent(event::ModalEnd, 0, element, nullptr);
  }
  if (focus_ == element) focus_ = nullptr;
  if (lastIndex >= 0) {
    Notify(event::ChildRemoved, lastIndex, element, nullptr);
    element->parent_ = nullptr;
  }
}

void cElement::DeleteChildren() {
  SetFocus(nullptr);
  DestroyChildren();
}

bool cElement::IsModal(const cElement* element) const { return Contains(modal_, element); }

cElement* cElement::FindChild(const char* name) const {
  for (cElement* child : children_) {
    if (!child) continue;
    const char* own = child->GetName();
    if (own == name || (own && name && std::strcmp(own, name) == 0)) return child;
  }
  return nullptr;
}

bool cElement::HasChild(const cElement* element) const { return IndexOfChild(element) != -1; }

std::int32_t cElement::IndexOfChild(const cElement* element) const {
  const auto at = std::find(children_.begin(), children_.end(), element);
  return at == children_.end() ? -1 : static_cast<std::int32_t>(at - children_.begin());
}

void cElement::SetChildIndex(cElement* element, std::int32_t index) {
  const std::int32_t from = IndexOfChild(element);
  if (from < 0) return;
  const std::int32_t to = std::clamp(index, 0, GetChildCount() - 1);
  MoveEntry(children_, static_cast<std::size_t>(from), static_cast<std::size_t>(to));
}

void cElement::MoveFocus(std::int32_t step) {
  if (step == 0 || tabStops_.empty()) {
    for (cElement* child : children_) {
      cControl* control = AsControl(child);
      if (control && control != focus_ && control->CanTakeFocus()) {
        SetFocus(control);
        return;
      }
    }
    SetFocus(nullptr);
    return;
  }
  step = step > 0 ? 1 : -1;
  const auto at = std::find(tabStops_.begin(), tabStops_.end(), focus_);
  if (!focus_ || at == tabStops_.end()) {
    FocusFirst();
    return;
  }
  const auto count = static_cast<std::int64_t>(tabStops_.size());
  const std::int64_t start = at - tabStops_.begin();
  for (std::int64_t i = (start + step + count) % count; i != start; i = (i + step + count) % count) {
    cControl* candidate = tabStops_[static_cast<std::size_t>(i)];
    if (candidate && candidate->CanFocus()) {
      candidate->RequestFocus();
      return;
    }
  }
}

void cElement::FocusFirst() { SetFocus(tabStops_.empty() ? nullptr : tabStops_.front()); }
void cElement::FocusNext() { MoveFocus(1); }
void cElement::FocusPrevious() { MoveFocus(-1); }
void cElement::FocusLast() { SetFocus(tabStops_.empty() ? nullptr : tabStops_.back()); }
cControl* cElement::GetFocus() const { return focus_; }

bool cElement::HasFocus() const {
  if (!parent_) return true;
  return parent_->HasFocus() && static_cast<const cElement*>(parent_->GetFocus()) == this;
}

cElement* cElement::GetRoot() {
  cElement* element = this;
  while (element->GetParent()) element = element->GetParent();
  return element;
}

void cElement::Notify(std::int32_t code, std::int32_t a, void* b, cElement* c) {
  GetRoot()->HandleEvent(code, a, b, c);
}

cElement* cElement::GetParent() const { return parent_; }
const char* cElement::GetName() const { return name_ ? name_->c_str() : nullptr; }

void cElement::SetName(const char* name) {
  if (name_ && name == name_->c_str()) return;
  if (name) {
    name_ = CopyName(name);
  } else {
    name_.reset();
  }
}

void cElement::Invalidate() {}

void cElement::ForgetFocus(const cElement* element) {
  if (element && static_cast<const cElement*>(focus_) == element) focus_ = nullptr;
}

}  // namespace ZGUI

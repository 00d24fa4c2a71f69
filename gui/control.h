// Controls: visual elements that can hold the focus, take part in tab
// navigation and receive keys while they are on the focus path.
#pragma once

#include <cstdint>
#include <functional>

#include "gui/viselement.h"

namespace ZGUI {

class cControl : public cVisElement {
 public:
  cControl() = default;
  explicit cControl(cElement* parent) : cVisElement(parent) {}

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  // Key messages, while the control is on the focus path and wants keys;
  // mouse messages as a visual element takes them, except that a disabled
  // control swallows presses on it without a click.
  bool HandleMessage(tMessage* message) override;

  // Entering is told top down along the control's own focus chain, leaving
  // bottom up.
  virtual void FocusEnter();
  virtual void FocusLeave();
  virtual void DoKeyDown(std::int32_t key);
  virtual void DoChar(std::uint8_t character);
  virtual void DoKeyUp(std::int32_t key);
  // Takes the focus along the whole path up to the root.
  virtual void RequestFocus();
  virtual bool CanFocus() const;
  virtual bool CanTakeFocus() const;
  virtual bool IsTabStop() const;
  virtual std::int32_t GetTabOrder() const;
  virtual void SetTabStop(bool tabStop);
  virtual void SetTabOrder(std::int32_t position);
  virtual std::int32_t GetUserValue() const;
  virtual bool WantsKeys() const;
  virtual void SetWantsKeys(bool wantsKeys);

  // Written by the parent when it renumbers its tab stops.
  void SetTabIndex(std::int32_t index) { tabIndex_ = index; }

  std::function<void(cControl*)> OnFocusEnter, OnFocusLeave;
  std::function<void(cControl*, std::int32_t)> OnKeyDown, OnKeyUp;
  std::function<void(cControl*, std::uint8_t)> OnChar;

 protected:
  // A press on this control while it is disabled: consumed and ignored.
  bool IsDisabledPress(tMessage* message);

 private:
  bool tabStop_ = false;
  std::int32_t tabIndex_ = 0;
  std::int32_t userValue_ = 0;
  bool wantsKeys_ = false;
};

}  // namespace ZGUI

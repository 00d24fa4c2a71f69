// Push buttons and check boxes. A button's face sinks while the left button
// is held on it and it clicks when the button is released over it; besides a
// centred caption it can show a cross or a bar (the window frame's close and
// minimise buttons). A check box toggles on a click and shows the new state
// while the button is held on it.
#pragma once

#include <cstdint>

#include "gui/control.h"

namespace ZGUI {

namespace buttonkind {
inline constexpr std::uint32_t Caption = 0, Cross = 1, Bar = 2;
}

class cButton : public cControl {
 public:
  cButton();
  explicit cButton(cElement* parent);

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  bool HandleMessage(tMessage* message) override;
  void DoResize() override;
  void Paint(cGraphicsDevice* device) override;
  void SetCaption(const char* text) override;
  tPoint GetClientOffset() const override;
  std::int32_t GetClientWidth() const override;
  std::int32_t GetClientHeight() const override;
  void FocusLeave() override;

  virtual void UpdateLayout();
  virtual std::uint32_t GetKind() const;
  virtual void SetKind(std::uint32_t kind);

  bool IsPressed() const { return pressed_; }

 private:
  void Init();
  void SetPressed(bool pressed);
  const tRect& CaptionRect() const { return captionRects_[pressed_ ? 1 : 0]; }

  tPoint bevel_;
  tRect local_ = kEmptyRect, face_ = kEmptyRect;
  tRect captionRects_[2] = {kEmptyRect, kEmptyRect};
  bool pressed_ = false, tracking_ = false;
  std::uint32_t kind_ = buttonkind::Caption;
};

class cCheckbox : public cControl {
 public:
  cCheckbox();
  explicit cCheckbox(cElement* parent);

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  bool HandleMessage(tMessage* message) override;
  void DoResize() override;
  void Paint(cGraphicsDevice* device) override;
  void SetCaption(const char* text) override;
  tPoint GetClientOffset() const override;
  void FocusLeave() override;

  virtual void UpdateLayout();
  // While a press is held, the state shown.
  virtual std::int32_t GetChecked() const;
  // 0 or 1; calls the click callback even when the state does not change.
  virtual void SetChecked(std::int32_t state);

  tRect GetBoxRect() const { return box_; }
  tRect GetCaptionRect() const { return caption_; }

 private:
  void Init();
  void ShowState(std::int32_t state);

  tPoint bevel_;
  tRect box_ = kEmptyRect, inner_ = kEmptyRect, caption_ = kEmptyRect;
  bool tracking_ = false;
  std::int32_t state_ = 0, saved_ = 0, toggled_ = 1;
};

}  // namespace ZGUI

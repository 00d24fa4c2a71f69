// The control that holds other elements in a client area: a content area as
// large as its children need, scroll bars when that area does not fit (or
// when the application asks for them), an optional sunken frame and a
// background behind the children. The two bars belong to the container but
// are not among its children, so child walks never see them.
#pragma once

#include <cstdint>
#include <memory>

#include "gui/background.h"
#include "gui/control.h"
#include "gui/scrollbar.h"

namespace ZGUI {

class cObjectContainer : public cControl, public cBackground {
 public:
  cObjectContainer();
  explicit cObjectContainer(cElement* parent);
  ~cObjectContainer() override;

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  bool HandleMessage(tMessage* message) override;
  void HandleEvent(std::int32_t code, std::int32_t a, void* b, cElement* c) override;
  void SetName(const char* name) override;
  void DoResize() override;
  void Paint(cGraphicsDevice* device) override;
  void Draw(cGraphicsDevice* device) override;
  tPoint GetClientOffset() const override;
  tPoint GetClientOrigin() const override;
  tRect GetClientRect() const override;
  std::int32_t GetClientWidth() const override;
  std::int32_t GetClientHeight() const override;
  // Content children are scrolled; the bars and the container itself are not.
  tPoint ScreenToClient(tPoint p, const cVisElement* requester) const override;
  tPoint ClientToScreen(tPoint p, const cVisElement* requester) const override;
  using cVisElement::ClientToScreen;
  using cVisElement::ScreenToClient;
  cVisElement* ElementAt(tPoint p, bool includeDisabled, bool includeHidden,
                         std::int32_t depth) override;
  cVisElement* IsTopmostAt(tPoint p, bool withChildren) override;
  void BackgroundChanged() override;
  // The element's colour; the background's is cBackground::SetColor.
  using cVisElement::GetColor;
  using cVisElement::SetColor;

  virtual void UpdateLayout();
  virtual void Refresh();
  virtual bool GetAutoScrollBars() const;
  virtual bool HasBorder() const;
  virtual bool GetDrawBackground() const;
  virtual void SetAutoScrollBars(bool on);
  virtual void SetBorder(bool on);
  virtual void SetDrawBackground(bool on);
  virtual void ScrollBy(tPoint delta);
  virtual void ScrollBy(std::int32_t dx, std::int32_t dy);
  // Only checks that the element is a visual child; it does not scroll.
  virtual bool EnsureVisible(cElement* element);
  virtual void SetHScrollBar(bool on);
  virtual void SetVScrollBar(bool on);
  virtual void SetHScrollPos(std::int32_t position);
  virtual void SetVScrollPos(std::int32_t position);
  virtual cScrollBar* GetHScrollBar() const;
  virtual cScrollBar* GetVScrollBar() const;
  virtual std::int32_t GetHScrollPos() const;
  virtual std::int32_t GetVScrollPos() const;
  virtual tPoint GetScrollOffset() const;

  // The width and height that the children need.
  tPoint GetContentExtent() const { return extent_; }

 private:
  void Init();
  bool IsBar(const void* element) const;
  // A content child: neither a bar nor the container itself.
  bool IsContent(const cVisElement* element) const;
  void SetBar(std::unique_ptr<cScrollBar>& bar, bool on, std::int32_t orientation);
  void NameBar(cScrollBar* bar, const char* suffix, const char* what);
  void DropBar(std::unique_ptr<cScrollBar>& bar);

  bool layoutInProgress_ = false;
  tPoint inset_;
  tRect clientRect_ = kEmptyRect;
  bool border_ = true, drawBackground_ = true, autoScrollBars_ = true;
  std::unique_ptr<cScrollBar> hBar_, vBar_;
  tPoint extent_;
};

}  // namespace ZGUI

// Elements with a place on the screen: bounds in the parent's coordinates, a
// caption, a colour and a font, visibility and enabled flags, and the
// callbacks through which an application reacts to clicks, mouse movement,
// geometry changes and painting. A visual element draws itself and its
// children through a graphics device, hit-tests points against the tree and
// reports the areas that changed up to the root, which redraws them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "gui/element.h"
#include "gui/types.h"

namespace ZGUI {

class cFont;
class cGraphicsDevice;
struct tMouseMessage;

class cVisElement : public cElement {
 public:
  cVisElement();
  explicit cVisElement(cElement* parent);
  ~cVisElement() override;

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  // Mouse messages on the front-most visible element under the pointer.
  bool HandleMessage(tMessage* message) override;
  // Invalidated areas are clipped to the element on their way up, and dropped
  // under a hidden element.
  void HandleEvent(std::int32_t code, std::int32_t a, void* b, cElement* c) override;

  virtual void DoClick();
  virtual void DoExtra();
  virtual bool DoMouseDown(std::int32_t button, std::int32_t x, std::int32_t y);
  virtual bool DoMouseMove(std::int32_t x, std::int32_t y);
  virtual bool DoMouseUp(std::int32_t button, std::int32_t x, std::int32_t y);
  virtual void DoResize();
  virtual void DoMove();
  virtual void DoCreate();
  virtual void DoDestroy();
  virtual void DoShow();
  virtual void DoHide();
  // Draws the element's own face; here only the paint callback.
  virtual void Paint(cGraphicsDevice* device);

  // (right - left, bottom - top): one less than the pixels covered.
  virtual tPoint GetSize() const;
  virtual tPoint GetPosition() const;
  virtual tRect GetBounds() const;
  virtual tPoint GetClientOffset() const;
  virtual std::int32_t GetLeft() const;
  virtual std::int32_t GetTop() const;
  virtual std::int32_t GetWidth() const;
  virtual std::int32_t GetHeight() const;
  // Each setter invalidates the old and the new area and tells the parent,
  // whether or not anything changed.
  virtual void SetSize(tPoint size);
  virtual void SetPosition(tPoint position);
  virtual void SetBounds(tRect bounds);
  virtual tPoint GetClientOrigin() const;
  virtual tRect GetClientRect() const;
  virtual std::int32_t GetClientWidth() const;
  virtual std::int32_t GetClientHeight() const;
  // Screen pixels to the element's coordinates and back. The requester is the
  // element that asked first; each step up the tree passes itself, so that a
  // container can leave its own scroll bars out of its scrolling.
  virtual tPoint ScreenToClient(tPoint p, const cVisElement* requester) const;
  virtual tPoint ClientToScreen(tPoint p, const cVisElement* requester) const;
  tRect ScreenToClient(tRect r, const cVisElement* requester) const;
  tRect ClientToScreen(tRect r, const cVisElement* requester) const;

  virtual const char* GetCaption() const;
  virtual std::uint32_t GetColor() const;
  virtual cFont* GetFont() const;
  virtual void SetCaption(const char* text);
  virtual void SetColor(std::uint32_t color);
  // Takes the font over.
  virtual void SetFont(cFont* font);
  virtual const char* GetUserText() const;
  virtual bool GetUserFlag() const;
  virtual void SetUserText(const char* text);
  virtual void SetUserFlag(bool flag);

  // The deepest element under a screen point; depth 0 answers this element,
  // a negative depth has no limit.
  virtual cVisElement* ElementAt(tPoint p, bool includeDisabled, bool includeHidden,
                                 std::int32_t depth);
  virtual cVisElement* RootElementAt(tPoint p, bool includeDisabled, bool includeHidden,
                                     std::int32_t depth);
  // This element when it is the front-most visible one at p; with children,
  // also the first child subtree that is.
  virtual cVisElement* IsTopmostAt(tPoint p, bool withChildren);

  virtual bool IsEnabled() const;
  virtual void SetEnabled(bool enabled);
  virtual bool IsVisible() const;
  // Own flag and every visual ancestor's.
  virtual bool IsShowing() const;
  virtual void SetVisible(bool visible);
  virtual void Show();
  virtual void Hide();
  virtual void Draw(cGraphicsDevice* device);
  virtual void BringToFront();
  virtual void SendToBack();
  virtual bool ReservedFalse();
  virtual bool ReservedTrue();
  virtual bool ReservedInvalidate();
  void Invalidate() override;
  // A rectangle in the element's own coordinates.
  virtual void InvalidateRect(tRect rect);

  std::function<void(cVisElement*)> OnClick, OnExtra;
  std::function<bool(cVisElement*, std::int32_t button, std::int32_t x, std::int32_t y)>
      OnMouseDown, OnMouseUp;
  std::function<bool(cVisElement*, std::int32_t x, std::int32_t y)> OnMouseMove;
  std::function<void(cVisElement*)> OnResize, OnMove, OnCreate, OnDestroy, OnShow, OnHide;
  std::function<void(cVisElement*, cGraphicsDevice*)> OnPaint;

 protected:
  // Widgets with mouse handling of their own switch the default one off.
  void SetMouseInput(bool on) { mouseInput_ = on; }
  // The visible flag alone: no redraw, no callbacks, no event.
  void SetVisibleFlag(bool visible) { visible_ = visible; }
  // The element's whole area, (0, 0, right - left, bottom - top).
  tRect LocalRect() const;
  // Draws every visual child from the back to the front.
  void DrawChildren(cGraphicsDevice* device);

 private:
  std::optional<std::string> caption_;
  std::uint32_t color_ = 0;
  std::unique_ptr<cFont> font_;
  tRect bounds_{0, 0, 0, 0};
  bool mouseInput_ = true;
  std::optional<std::string> userText_;
  bool userFlag_ = false;
  bool visible_ = true;
  bool enabled_ = true;
};

// The message as a mouse message, or null.
tMouseMessage* AsMouse(tMessage* message);
// A point inside a rectangle, edges included.
bool Inside(const tRect& r, tPoint p);
tRect Offset(const tRect& r, std::int32_t dx, std::int32_t dy);
// The smallest rectangle that holds both; an empty one counts as absent.
tRect Union(const tRect& a, const tRect& b);

}  // namespace ZGUI

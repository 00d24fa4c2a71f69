// The element tree: every window, control and the desktop is an element. An
// element owns its children (index 0 is the front-most), keeps the focus among
// them, the children that are modal within it and its tab stops; it routes
// input messages focus first, then front to back, then to itself, and passes
// GUI events to its parent or, through the root, to every element.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gui/object.h"

namespace ZGUI {

class cControl;

// GUI event codes: (a, b, c) are an integer, the element or record the event
// is about, and the sender.
namespace event {
inline constexpr std::int32_t InvalidateRect = 17, RequestFocus = 18, BringToFront = 21,
                              SendToBack = 22, ChildAdded = 23, ChildRemoved = 24,
                              SetTabOrder = 25, SetTabStop = 26, BoundsChanged = 27,
                              CaptionChanged = 28, VisibilityChanged = 29, FocusChanged = 30,
                              ModalBegin = 31, ModalEnd = 32, ScrollChanged = 33;
}

// The object root is virtual, so that a list box, which is a control and a
// list at once, holds one.
class cElement : public virtual cObject {
 public:
  cElement() = default;
  // The parent is only recorded: the element joins it through AddChild.
  explicit cElement(cElement* parent) : parent_(parent) {}
  cElement(const cElement&) = delete;
  cElement& operator=(const cElement&) = delete;
  // Destroys the children front to back; the focus fields are cleared without
  // callbacks, since the tree around them is being taken down.
  ~cElement() override;

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  void Reinitialize() override;
  bool DispatchMessage(tMessage* message) override;
  bool HandleMessage(tMessage* message) override;

  virtual void SetFocus(cControl* control);
  virtual void UpdateTabStops();
  virtual void HandleEvent(std::int32_t code, std::int32_t a, void* b, cElement* c);
  virtual std::int32_t GetChildCount() const;
  virtual cElement* GetChild(std::int32_t index) const;
  virtual void AddChild(cElement* element);
  // Takes every occurrence out of the lists; the element stays alive and no
  // longer names this element as its parent.
  virtual void RemoveChild(cElement* element);
  virtual void DeleteChildren();
  virtual bool IsModal(const cElement* element) const;
  virtual cElement* FindChild(const char* name) const;
  virtual bool HasChild(const cElement* element) const;
  virtual std::int32_t IndexOfChild(const cElement* element) const;
  virtual void SetChildIndex(cElement* element, std::int32_t index);
  virtual void MoveFocus(std::int32_t step);
  virtual void FocusFirst();
  virtual void FocusNext();
  virtual void FocusPrevious();
  virtual void FocusLast();
  virtual cControl* GetFocus() const;
  virtual bool HasFocus() const;
  virtual cElement* GetRoot();
  virtual void Notify(std::int32_t code, std::int32_t a, void* b, cElement* c);
  virtual cElement* GetParent() const;
  virtual const char* GetName() const;
  virtual void SetName(const char* name);
  // What is drawn of the element must be drawn again; an element draws
  // nothing, visual elements send their area up the tree.
  virtual void Invalidate();

  std::int32_t GetTabStopCount() const { return static_cast<std::int32_t>(tabStops_.size()); }
  cControl* GetTabStop(std::int32_t index) const;

 protected:
  void PassToChildren(std::int32_t code, std::int32_t a, void* b, cElement* c);
  // Clears the focus field, without callbacks, when it holds the element:
  // for elements that are about to be deleted without leaving the child list.
  void ForgetFocus(const cElement* element);

 private:
  void ClearFocusQuietly();
  // Takes the children off the front one by one, announces and destroys them.
  void DestroyChildren();

  std::vector<cElement*> children_;
  std::vector<cElement*> modal_;
  std::vector<cControl*> tabStops_;
  cControl* focus_ = nullptr;
  cElement* parent_ = nullptr;
  std::optional<std::string> name_;
};

}  // namespace ZGUI

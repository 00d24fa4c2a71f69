// A list box: a control and a list at once. Its rows stand in a sunken,
// darkened panel and scroll vertically through a companion scroll bar that the
// owner places beside it (the mouse wheel turns it too); the first mouse
// button and the up and down keys choose the current row, skipping rows that
// cannot be chosen, and the current row is scrolled into view. RETURN or a
// double click on the current row fires its first user callback (FireUser1):
// the owner's "open this one".
#pragma once

#include <cstdint>

#include "gui/control.h"
#include "gui/lists.h"

namespace ZGUI {

class cScrollBar;

class cListBox : public cControl, public cList {
 public:
  cListBox();

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  // The control's ancestry only: a list box is no list to IsClass.
  bool InheritsFrom(std::int32_t id) const override;
  void Reinitialize() override;
  bool HandleMessage(tMessage* message) override;
  void HandleEvent(std::int32_t code, std::int32_t a, void* b, cElement* c) override;
  void DoResize() override;
  void Paint(cGraphicsDevice* device) override;
  tPoint GetClientOffset() const override;
  std::int32_t GetClientWidth() const override;
  std::int32_t GetClientHeight() const override;
  cFont* GetFont() const override;
  // The control owns the font; the list measures its rows with it.
  void SetFont(cFont* font) override;

  void ContentsChanged() override;
  void RangeChanged(std::int32_t first, std::int32_t last) override;
  // Nothing becomes current while selection is not allowed.
  void SetCurrent(std::int32_t index) override;
  void SetCurrentEntry(const cListEntry* entry) override;
  void ReinitializeEntries() override;

  virtual void UpdateLayout();
  virtual cScrollBar* GetScrollBar() const;
  // Borrowed: the bar is a separate element of the same parent.
  virtual void SetScrollBar(cScrollBar* scrollBar);
  virtual void SetSelectionAllowed(bool allowed);
  // Content rows scrolled out above the panel.
  virtual std::int32_t GetScrollOffset() const;
  virtual bool IsSelectionAllowed() const;

  tRect GetInnerRect() const { return inner_; }

  // Two presses on one row at most this far apart are a double click.
  static constexpr std::uint32_t kDoubleClickMs = 500;

 private:
  // Scrolls so that the current row is wholly in view (its top first).
  void ScrollCurrentIntoView();
  // A press of the first button on a row: a double click when the one before
  // was on the same row and recent.
  bool IsDoubleClick(std::int32_t row);
  // The row under a point of the panel (element coordinates), or -1.
  std::int32_t RowAt(tPoint p) const;
  bool HandleKey(const struct tKeyMessage& key);

  tPoint border_;
  tRect frame_ = kEmptyRect, inner_ = kEmptyRect;
  cScrollBar* scrollBar_ = nullptr;
  bool selectionAllowed_ = true;
  bool tracking_ = false;
  std::int32_t lastPressRow_ = -1;
  std::uint32_t lastPressAt_ = 0;
};

}  // namespace ZGUI

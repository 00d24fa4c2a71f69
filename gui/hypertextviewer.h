// The control for marked-up text: it lays its caption out to its width, draws
// the lines in view through a sub-device scrolled by an attached scroll bar,
// underlines links and follows them when clicked: an internal link scrolls to
// its anchor, an external one is opened outside the program.
#pragma once

#include <cstdint>

#include "gui/control.h"
#include "gui/hypertext.h"

namespace ZGUI {

class cScrollBar;

class cHypertextViewer : public cControl {
 public:
  using tAnchor = cHypertextDocument::tAnchor;
  using tLink = cHypertextDocument::tLink;
  using tSegment = cHypertextDocument::tSegment;
  using tLine = cHypertextDocument::tLine;

  cHypertextViewer();

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  bool HandleMessage(tMessage* message) override;
  void HandleEvent(std::int32_t code, std::int32_t a, void* b, cElement* c) override;
  void DoResize() override;
  void Paint(cGraphicsDevice* device) override;
  tPoint GetClientOffset() const override;
  std::int32_t GetClientWidth() const override;
  std::int32_t GetClientHeight() const override;
  void SetCaption(const char* text) override;

  // Lays the caption out anew.
  virtual void ParseText();
  // Borrowed; its range follows the document.
  virtual void SetScrollBar(cScrollBar* scrollBar);
  virtual cScrollBar* GetScrollBar() const;
  virtual std::int32_t GetScrollOffset() const;
  // The segment under a point in the viewer's own coordinates, or null.
  const tSegment* HitTest(std::int32_t x, std::int32_t y) const;

  const cHypertextDocument& GetDocument() const { return document_; }
  tRect GetTextRect() const { return textRect_; }

 private:
  void Activate(const tLink& link);

  tPoint border_;
  tRect clientRect_ = kEmptyRect, textRect_ = kEmptyRect;
  cScrollBar* scrollBar_ = nullptr;
  cHypertextDocument document_;
  bool linkPressed_ = false;
  const tLink* pressedLink_ = nullptr;
};

}  // namespace ZGUI

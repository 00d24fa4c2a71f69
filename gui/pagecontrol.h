// Pages with tabs: a page control shows one of its tab sheets at a time under
// a strip of tabs, one per visible sheet, captioned with the sheet's caption.
// Clicking a tab makes its sheet the active page: the focused child, brought
// to the front, and the only child that is drawn and hit-tested.
#pragma once

#include <cstdint>
#include <vector>

#include "gui/container.h"
#include "gui/control.h"

namespace ZGUI {

// A page: a container without frame or background of its own.
class cTabSheet : public cObjectContainer {
 public:
  cTabSheet();
  explicit cTabSheet(cElement* parent);

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
};

class cPageControl : public cControl {
 public:
  cPageControl();

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  void Reinitialize() override;
  bool HandleMessage(tMessage* message) override;
  // The newly focused page comes to the front.
  void SetFocus(cControl* control) override;
  void HandleEvent(std::int32_t code, std::int32_t a, void* b, cElement* c) override;
  // Takes tab sheets only; anything else is ignored.
  void AddChild(cElement* element) override;
  void DoResize() override;
  std::int32_t GetClientWidth() const override;
  std::int32_t GetClientHeight() const override;
  void SetFont(cFont* font) override;
  // Below the page control only the active page is searched.
  cVisElement* ElementAt(tPoint p, bool includeDisabled, bool includeHidden,
                         std::int32_t depth) override;
  cVisElement* IsTopmostAt(tPoint p, bool withChildren) override;
  void Draw(cGraphicsDevice* device) override;

  virtual void UpdateLayout();

  tRect GetFrameRect() const { return frameRect_; }
  tRect GetPageRect() const { return pageRect_; }
  tRect GetTabStrip() const { return tabStrip_; }
  // The tab of the page at index (child order when added), or empty.
  tRect GetTabRect(std::int32_t index) const;

 private:
  struct tPage {
    bool visible;
    tRect tabRect, captionRect;
    cTabSheet* sheet;
  };
  cVisElement* ActivePage() const;

  tPoint inset_;
  tRect frameRect_ = kEmptyRect, pageRect_ = kEmptyRect, tabStrip_ = kEmptyRect;
  std::vector<tPage> pages_;
  bool tabPressed_ = false;
};

}  // namespace ZGUI

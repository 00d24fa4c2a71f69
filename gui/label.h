// Static text in the element's colour and font, aligned inside the bounds,
// on one line or word-wrapped over several. cDebug is a label that shows the
// name of whatever element lies under the mouse pointer.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "gui/viselement.h"

namespace ZGUI {

class cLabel : public cVisElement {
 public:
  cLabel();
  explicit cLabel(cElement* parent);

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  void Reinitialize() override;
  void DoResize() override;
  void Paint(cGraphicsDevice* device) override;
  void SetCaption(const char* text) override;
  void SetFont(cFont* font) override;

  virtual std::int32_t GetHAlign() const;
  virtual std::int32_t GetVAlign() const;
  virtual void SetHAlign(std::int32_t align);
  virtual void SetVAlign(std::int32_t align);
  virtual bool GetWordWrap() const;
  virtual void SetWordWrap(bool wrap);

  std::int32_t GetLineCount() const { return lineCount_; }
  // The caption broken into the lines that word wrap draws.
  std::vector<std::string_view> BreakLines() const;

 private:
  void CountLines();

  std::int32_t hAlign_ = 0, vAlign_ = 0;
  bool wordWrap_ = false;
  std::int32_t lineCount_ = 1;
};

class cDebug : public cLabel {
 public:
  cDebug();
  explicit cDebug(cElement* parent);

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  bool HandleMessage(tMessage* message) override;
};

}  // namespace ZGUI

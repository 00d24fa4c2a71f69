// The root of an element tree: it covers the screen and owns what the tree
// needs (the message queue, the keyboard manager, the font manager, a device
// and an off-screen picture of the painted tree). Once per frame it hands the
// queued input to the tree, and it draws into the target only what was
// invalidated since the last frame, with a software mouse cursor and its
// shadow on top.
//
// Destroy a desktop only while the input thread cannot report input to it
// (under the input lock): the keyboard manager goes before the queue.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "gui/background.h"
#include "gui/viselement.h"

namespace ZGUI {

class cBitmap;
class cFontManager;
class cKeyboardManager;
class cMessageQueue;
class cObjectContainer;

// The cursor picture that every desktop draws; its top-left pixel is the hot
// spot and its zero pixels are transparent.
extern cBitmap MouseCursor;

class cDesktop : public cVisElement, public cBackground {
 public:
  cDesktop();
  ~cDesktop() override;

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  void Reinitialize() override;
  void HandleEvent(std::int32_t code, std::int32_t a, void* b, cElement* c) override;
  void SetName(const char* name) override;
  void DoResize() override;
  void Paint(cGraphicsDevice* device) override;
  std::int32_t GetClientWidth() const override;
  std::int32_t GetClientHeight() const override;
  // Writes into the target only what changed since the last call, then the
  // cursor. The target keeps its pixels from call to call.
  void Draw(cGraphicsDevice* target) override;
  void Invalidate() override;
  // A rectangle in screen pixels.
  void InvalidateRect(tRect rect) override;
  void BackgroundChanged() override;
  // The element's colour; the background's is cBackground::SetColor.
  using cVisElement::GetColor;
  using cVisElement::SetColor;

  virtual void RedrawAll();
  virtual void FireClose();
  virtual void FireCloseQuery(bool* allow);
  // The frame's input: every queued message goes through the tree; an empty
  // queue still gives the tree one plain message.
  virtual void ProcessMessages();
  virtual cObjectContainer* GetClient() const;
  virtual void Close();

  cMessageQueue* GetMessageQueue() const { return queue_.get(); }
  cKeyboardManager* GetKeyboard() const { return keyboard_.get(); }
  cFontManager* GetFontManager() const { return fonts_.get(); }
  tPoint GetCursorPosition() const { return tPoint(cursorX_, cursorY_); }
  // The area that the cursor and its shadow covered when last drawn.
  tRect GetCursorRect() const { return cursorRect_; }
  // The desktop made last and still alive, for callers that are given none.
  static cDesktop* Current();

  std::function<void(cDesktop*)> onClose;
  std::function<void(cDesktop*, bool* allow)> onCloseQuery;

 private:
  std::unique_ptr<cGraphicsDevice> device_;
  std::unique_ptr<cBitmap> screenBitmap_;
  tRect dirty_ = kEmptyRect;
  tRect cursorRect_ = kEmptyRect;
  std::int32_t cursorX_ = 0, cursorY_ = 0;
  std::unique_ptr<cMessageQueue> queue_;
  std::unique_ptr<cKeyboardManager> keyboard_;
  std::unique_ptr<cFontManager> fonts_;
  cObjectContainer* client_ = nullptr;
};

}  // namespace ZGUI

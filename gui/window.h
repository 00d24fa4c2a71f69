// Framed top-level windows: a bevelled frame, a title bar with the caption
// and a minimise and a close button, and a client container for the
// application's controls. Windows are dragged by the title, minimised, and
// closed after asking. A dialog is a window that is modal while it is shown;
// ESCAPE closes it.
#pragma once

#include <cstdint>
#include <functional>

#include "gui/control.h"

namespace ZGUI {

class cButton;
class cObjectContainer;

class cWindow : public cControl {
 public:
  cWindow();
  ~cWindow() override;

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  // After a change of video mode the scaled frame changes.
  void Reinitialize() override;
  bool HandleMessage(tMessage* message) override;
  void SetName(const char* name) override;
  void DoResize() override;
  void Paint(cGraphicsDevice* device) override;
  tPoint GetClientOffset() const override;
  std::int32_t GetClientWidth() const override;
  std::int32_t GetClientHeight() const override;
  void SetCaption(const char* text) override;
  void SetFont(cFont* font) override;
  bool IsShowing() const override;
  void Show() override;
  void Draw(cGraphicsDevice* device) override;
  bool CanFocus() const override;
  bool CanTakeFocus() const override;

  virtual void MoveBy(std::int32_t dx, std::int32_t dy);
  virtual void DoShown();
  virtual void DoClose();
  virtual void DoCloseQuery(bool& allow);
  virtual void SetBackgroundFill(bool fill);
  virtual bool HasBackgroundFill() const;
  virtual cObjectContainer* GetClient() const;
  // Hides the window when the close query allows it; the focus moves on.
  virtual void Close();
  virtual void Minimize();
  virtual bool IsMinimized() const;
  // Shows, raises and focuses the window.
  virtual void Activate();

  void UpdateLayout();
  tRect GetTitleRect() const { return titleRect_; }
  tRect GetTitleInnerRect() const { return titleInnerRect_; }
  tRect GetCaptionRect() const { return captionRect_; }
  cButton* GetCloseButton() const { return closeButton_; }
  cButton* GetMinimizeButton() const { return minimizeButton_; }

  std::function<void(cWindow*)> OnWindowShown, OnWindowClose;
  std::function<void(cWindow*, bool& allow)> OnCloseQuery;

 private:
  tPoint border_, inset_;
  tRect titleRect_ = kEmptyRect, clientRect_ = kEmptyRect, titleInnerRect_ = kEmptyRect,
        captionRect_ = kEmptyRect;
  bool backgroundFill_ = true;
  cButton* closeButton_ = nullptr;
  cButton* minimizeButton_ = nullptr;
  bool minimized_ = false;
  cObjectContainer* client_ = nullptr;
  bool dragging_ = false;
  tPoint dragAnchor_;
};

class cDialog : public cWindow {
 public:
  cDialog();

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  // ESCAPE closes the dialog while it holds the focus, before any of its
  // controls (which take every key while they hold the focus) sees the key.
  bool DispatchMessage(tMessage* message) override;
  // Showing makes the dialog modal within its parent, closing ends that.
  void DoShown() override;
  void DoClose() override;

  virtual void DoResult(std::int32_t code);

  std::function<void(cDialog*, std::int32_t code)> OnDialogResult;
};

// A modal dialog with the text and one "OK" button, in the middle of the
// parent (the current desktop when null). It returns at once; onResult is
// called when the box is closed. False when there is nowhere to show it.
bool MessageBox(cVisElement* parent, const char* text, const char* caption,
                std::function<void(cDialog*, std::int32_t code)> onResult);

}  // namespace ZGUI

#include "gui/window.h"

#include <string>

#include "foundation/allocate.h"
#include "gui/button.h"
#include "gui/container.h"
#include "gui/desktop.h"
#include "gui/fonts.h"
#include "gui/graphicsdevice.h"
#include "gui/label.h"
#include "gui/messages.h"
#include "gui/metrics.h"

namespace ZGUI {
namespace {

using VOXA::errors::NewOrThrow;

// The frame buttons act on the window that holds them, and only then.
cWindow* FrameButtonWindow(cVisElement* source) {
  if (!source || !source->IsClass(classid::Button)) return nullptr;
  cElement* parent = source->GetParent();
  return parent && parent->IsClass(classid::Window) ? static_cast<cWindow*>(parent) : nullptr;
}

void NameChild(cElement* child, const char* name, const char* suffix, const char* what) {
  child->SetName(PartName(name, suffix, what).c_str());
}

}  // namespace

cWindow::cWindow() {
  closeButton_ = NewOrThrow<cButton>("cButton", static_cast<cElement*>(this));
  closeButton_->SetKind(buttonkind::Cross);
  closeButton_->OnClick = [](cVisElement* source) {
    if (cWindow* window = FrameButtonWindow(source)) window->Close();
  };
  AddChild(closeButton_);
  minimizeButton_ = NewOrThrow<cButton>("cButton", static_cast<cElement*>(this));
  minimizeButton_->SetKind(buttonkind::Bar);
  minimizeButton_->OnClick = [](cVisElement* source) {
    if (cWindow* window = FrameButtonWindow(source)) window->Minimize();
  };
  AddChild(minimizeButton_);
  client_ = NewOrThrow<cObjectContainer>("cObjectContainer", static_cast<cElement*>(this));
  AddChild(client_);
  dragging_ = minimized_ = false;
  backgroundFill_ = true;
  SetName(nullptr);
  UpdateLayout();
  SetVisibleFlag(false);
}

cWindow::~cWindow() = default;

const char* cWindow::GetClassName() const { return "cWindow"; }
std::int32_t cWindow::GetClassID() const { return classid::Window; }
bool cWindow::InheritsFrom(std::int32_t id) const {
  return id == classid::Control || cControl::InheritsFrom(id);
}

void cWindow::Reinitialize() {
  UpdateLayout();
  cControl::Reinitialize();
}

void cWindow::SetName(const char* name) {
  cControl::SetName(name);
  NameChild(client_, name, "::Client", "window client name!");
  NameChild(closeButton_, name, "::cbClose", "window close button name!");
  NameChild(minimizeButton_, name, "::cbMinimize", "window minimize button name!");
}

void cWindow::UpdateLayout() {
  const tPoint oldBorder = border_, oldInset = inset_;
  const tRect oldTitle = titleRect_, oldClient = clientRect_;
  const std::int32_t w = GetWidth(), h = GetHeight();
  inset_ = ScalePoint(3, 3);
  border_ = ScalePoint(1, 1);
  const cFont* font = GetFont();
  const std::int32_t t = inset_.y + 2 * border_.y + (font ? font->GetHeight() : 0);
  titleRect_ = {inset_.x, inset_.y, w - 1 - inset_.x, t - 1};
  clientRect_ = {inset_.x, titleRect_.bottom + 1, w - 1 - inset_.x, h - 1 - inset_.y};
  titleInnerRect_ = {titleRect_.left + border_.x, titleRect_.top + border_.y,
                     titleRect_.right - border_.x, titleRect_.bottom - border_.y};
  const tRect& in = titleInnerRect_;
  const tRect close{in.right - (in.bottom - in.top - border_.y), in.top + border_.y,
                    in.right - border_.x, in.bottom - border_.y};
  closeButton_->SetBounds(close);
  const std::int32_t shift = close.bottom - close.top;
  const tRect minimize = Offset(close, -shift, 0);
  minimizeButton_->SetBounds(minimize);
  captionRect_ = titleInnerRect_;
  captionRect_.right = minimize.left - 1;
  if (!(clientRect_ == oldClient)) client_->SetBounds(clientRect_);
  if (!(border_ == oldBorder) || !(inset_ == oldInset) || !(titleRect_ == oldTitle)) Invalidate();
}

void cWindow::DoResize() {
  UpdateLayout();
  cControl::DoResize();
}

void cWindow::Paint(cGraphicsDevice* device) {
  const tRect whole{0, 0, GetWidth() - 1, GetHeight() - 1};
  if (backgroundFill_) device->BlendRect(whole, GetColor());
  device->DrawBevel(whole, inset_.x, inset_.y, true);
  device->DrawBevel(titleRect_, border_.x, border_.y, false);
  // A window without a parent has no active title.
  const cElement* parent = GetParent();
  const bool active = parent && static_cast<const cElement*>(parent->GetFocus()) == this;
  device->BlendRect(titleInnerRect_, active ? 0x7F7F7F : 0x3F3F3F);
  device->SetTextColor(0xFFFFFF);
  device->SetClipRect(captionRect_);
  const cFont* font = GetFont();
  const auto width = static_cast<std::int32_t>(RectWidth(captionRect_));
  const std::int32_t textWidth = font ? font->GetTextWidth(GetCaption()) : 0;
  const std::int32_t shift = (width - textWidth) / 2;
  device->DrawTextInRect(font, Offset(captionRect_, shift, 0), GetCaption());
  device->SetClipRect(device->GetBounds());
  closeButton_->SetColor(0x7F7F7F);
  minimizeButton_->SetColor(0x7F7F7F);
  cControl::Paint(device);
}

tPoint cWindow::GetClientOffset() const {
  return tPoint(border_.x + inset_.x, border_.y + inset_.y);
}
std::int32_t cWindow::GetClientWidth() const { return client_->GetClientWidth(); }
std::int32_t cWindow::GetClientHeight() const { return client_->GetClientHeight(); }

void cWindow::SetCaption(const char* text) {
  cControl::SetCaption(text);
  UpdateLayout();
}

void cWindow::SetFont(cFont* font) {
  cControl::SetFont(font);
  UpdateLayout();
}

bool cWindow::IsShowing() const { return !minimized_ && cControl::IsShowing(); }

void cWindow::Show() {
  if (minimized_) {
    minimized_ = false;
    Invalidate();
    return;
  }
  if (IsVisible()) return;
  SetVisible(true);
  DoShown();
}

void cWindow::Draw(cGraphicsDevice* device) {
  if (!minimized_) cControl::Draw(device);
}

bool cWindow::CanFocus() const { return IsEnabled() && IsVisible(); }
bool cWindow::CanTakeFocus() const { return CanFocus() && !minimized_; }

void cWindow::MoveBy(std::int32_t dx, std::int32_t dy) {
  const tPoint at = GetPosition();
  SetPosition(tPoint(at.x + dx, at.y + dy));
}

void cWindow::DoShown() {
  UpdateLayout();
  if (OnWindowShown) OnWindowShown(this);
}

void cWindow::DoClose() {
  if (OnWindowClose) OnWindowClose(this);
}

void cWindow::DoCloseQuery(bool& allow) {
  allow = true;
  if (OnCloseQuery) OnCloseQuery(this, allow);
}

void cWindow::SetBackgroundFill(bool fill) {
  if (fill == backgroundFill_) return;
  backgroundFill_ = fill;
  Invalidate();
}

bool cWindow::HasBackgroundFill() const { return backgroundFill_; }
cObjectContainer* cWindow::GetClient() const { return client_; }

void cWindow::Close() {
  if (!IsVisible()) return;
  bool allow = true;
  DoCloseQuery(allow);
  if (!allow) return;
  DoClose();
  SetVisible(false);
  // A hidden window must not keep the keys: the parent's focus moves on.
  cElement* parent = GetParent();
  if (parent && static_cast<cElement*>(parent->GetFocus()) == this) parent->FocusNext();
}

void cWindow::Minimize() {
  minimized_ = true;
  Invalidate();
  cElement* parent = GetParent();
  if (parent && parent->IsClass(classid::Element)) parent->FocusNext();
}

bool cWindow::IsMinimized() const { return minimized_; }

void cWindow::Activate() {
  if (!IsVisible()) Show();
  if (!CanFocus() || HasFocus()) return;
  if (minimized_) Show();
  BringToFront();
  RequestFocus();
}

bool cWindow::HandleMessage(tMessage* message) {
  if (!message) return false;
  tMouseMessage* mouse = AsMouse(message);
  if (!mouse) return cControl::HandleMessage(message);
  const tPoint screen(mouse->x, mouse->y);
  if (mouse->action == mouseaction::Press && IsTopmostAt(screen, true)) Activate();
  const tPoint p = ScreenToClient(screen, this);
  const bool left = mouse->button == 0;
  if (mouse->action == mouseaction::Press && left && IsTopmostAt(screen, false) == this &&
      Inside(titleInnerRect_, p)) {
    dragAnchor_ = p;
    RequestFocus();
    dragging_ = HasFocus();
    if (dragging_) {
      MoveBy(0, 0);
      return true;
    }
  }
  if (dragging_ && mouse->action == mouseaction::Move) {
    MoveBy(p.x - dragAnchor_.x, p.y - dragAnchor_.y);
    return true;
  }
  if (dragging_ && mouse->action == mouseaction::Release && left) {
    MoveBy(p.x - dragAnchor_.x, p.y - dragAnchor_.y);
    dragging_ = false;
    return true;
  }
  return cControl::HandleMessage(message);
}

cDialog::cDialog() { GetMinimizeButton()->Hide(); }

const char* cDialog::GetClassName() const { return "cDialog"; }
std::int32_t cDialog::GetClassID() const { return classid::Dialog; }
bool cDialog::InheritsFrom(std::int32_t id) const {
  return id == classid::Window || cWindow::InheritsFrom(id);
}

bool cDialog::DispatchMessage(tMessage* message) {
  if (message && message->type == messagetype::Key) {
    const auto* key = static_cast<tKeyMessage*>(message);
    constexpr std::int32_t kEscape = 1;
    if (key->key == kEscape && key->pressed && IsVisible() && HasFocus()) {
      Close();
      return true;
    }
  }
  return cWindow::DispatchMessage(message);
}

void cDialog::DoShown() {
  if (cElement* parent = GetParent()) parent->HandleEvent(event::ModalBegin, 0, this, nullptr);
  UpdateLayout();
  if (OnWindowShown) OnWindowShown(this);
}

void cDialog::DoClose() {
  if (OnWindowClose) OnWindowClose(this);
  DoResult(0);
  if (cElement* parent = GetParent()) parent->HandleEvent(event::ModalEnd, 0, this, nullptr);
}

void cDialog::DoResult(std::int32_t code) {
  if (OnDialogResult) OnDialogResult(this, code);
}

namespace {

cFont* NewFont(const char* face, std::int32_t size) {
  // A font that cannot be made leaves the element without one.
  return new (std::nothrow) cFont(face, size);
}

void CloseEnclosingDialog(cVisElement* source) {
  for (cElement* at = source; at && at->IsClass(classid::Element); at = at->GetParent()) {
    if (at->IsClass(classid::Dialog)) {
      static_cast<cDialog*>(at)->Close();
      return;
    }
  }
}

}  // namespace

bool MessageBox(cVisElement* parent, const char* text, const char* caption,
                std::function<void(cDialog*, std::int32_t code)> onResult) {
  if (!parent) parent = cDesktop::Current();
  if (!parent) return false;
  auto* dialog = NewOrThrow<cDialog>("cDialog");
  cObjectContainer* client = dialog->GetClient();
  client->SetAutoScrollBars(false);
  client->SetHScrollBar(false);
  client->SetVScrollBar(false);
  dialog->SetName("dlg(MessageBox)");
  dialog->SetCaption(caption);
  dialog->SetFont(NewFont("Arial", 20));
  dialog->SetColor(0x808080);
  parent->AddChild(dialog);

  auto* label = NewOrThrow<cLabel>("cLabel", static_cast<cElement*>(dialog));
  label->SetName("dlg(MessageBox)::txt");
  label->SetCaption(text);
  label->SetFont(NewFont("Arial", 14));
  label->SetColor(0xFFFFFF);
  label->SetWordWrap(true);
  client->AddChild(label);

  auto* button = NewOrThrow<cButton>("cButton", static_cast<cElement*>(dialog));
  button->SetName("dlg(MessageBox)::btn");
  button->SetCaption("OK");
  button->SetFont(NewFont("Arial", 16));
  button->SetColor(0x3F3F3F);
  button->OnClick = CloseEnclosingDialog;
  client->AddChild(button);

  const std::int32_t w = parent->GetClientWidth(), h = parent->GetClientHeight();
  dialog->SetBounds({w / 4, h / 3, 3 * w / 4, 2 * h / 3});
  const std::int32_t cw = dialog->GetClientWidth(), ch = dialog->GetClientHeight();
  const std::int32_t mx = ScaleX(4), my = ScaleY(4);
  const std::int32_t fh = label->GetFont() ? label->GetFont()->GetHeight() : 0;
  // The button has no bounds yet, so its frame is the thinnest one.
  const std::int32_t bf = button->GetClientOffset().y;
  const std::int32_t buttonTop = ch - my - fh - 4 * bf;
  label->SetBounds({mx, my, cw - mx, buttonTop - my});
  button->SetBounds({cw / 3, buttonTop, 2 * cw / 3, ch - my});
  dialog->OnDialogResult = std::move(onResult);
  dialog->Activate();
  return true;
}

}  // namespace ZGUI

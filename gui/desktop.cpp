#include "gui/desktop.h"

#include <string>

#include "foundation/allocate.h"
#include "gui/bitmap.h"
#include "gui/container.h"
#include "gui/elementdump.h"
#include "gui/fonts.h"
#include "gui/graphicsdevice.h"
#include "gui/keyboard.h"
#include "gui/messages.h"
#include "gui/metrics.h"
#include "platform/headless.h"

namespace ZGUI {

cBitmap MouseCursor;

namespace {

cDesktop* current = nullptr;

std::int64_t Area(const tRect& r) { return IsEmpty(r) ? 0 : RectWidth(r) * RectHeight(r); }

bool Within(const tRect& inner, const tRect& outer) {
  return !IsEmpty(outer) && inner.left >= outer.left && inner.top >= outer.top &&
         inner.right <= outer.right && inner.bottom <= outer.bottom;
}

}  // namespace

cDesktop::cDesktop() {
  using VOXA::errors::NewOrThrow;
  queue_.reset(NewOrThrow<cMessageQueue>("cMessageQueue"));
  keyboard_.reset(NewOrThrow<cKeyboardManager>("cKeyboardManager"));
  keyboard_->SetMessageQueue(queue_.get());
  fonts_.reset(NewOrThrow<cFontManager>("cFontManager"));
  device_.reset(NewOrThrow<cGraphicsDevice>("cGraphicsDevice"));
  client_ = NewOrThrow<cObjectContainer>("cObjectContainer", static_cast<cElement*>(this));
  client_->SetAutoScrollBars(false);
  client_->SetHScrollBar(false);
  client_->SetVScrollBar(false);
  client_->SetBorder(false);
  client_->SetDrawBackground(false);
  AddChild(client_);
  SetName(nullptr);
  translucent = false;
  current = this;
  // Input scripts of the headless backend may ask what the GUI shows.
  platform::SetGuiDumper(DumpCurrentDesktop);
}

cDesktop::~cDesktop() {
  if (current == this) current = nullptr;
  fonts_.reset();
  // The keyboard manager posts into the queue, so it goes first.
  keyboard_.reset();
  queue_.reset();
  device_.reset();
  screenBitmap_.reset();
  ReleasePixelFormat();
}

cDesktop* cDesktop::Current() { return current; }

const char* cDesktop::GetClassName() const { return "cDesktop"; }
std::int32_t cDesktop::GetClassID() const { return classid::Desktop; }
bool cDesktop::InheritsFrom(std::int32_t id) const {
  return id == classid::VisElement || cVisElement::InheritsFrom(id);
}

void cDesktop::Reinitialize() {
  if (fonts_) fonts_->Reinitialize();
  if (screenBitmap_) screenBitmap_->Reinitialize();
  cVisElement::Reinitialize();
}

void cDesktop::HandleEvent(std::int32_t code, std::int32_t a, void* b, cElement* c) {
  if (code != event::InvalidateRect) {
    cVisElement::HandleEvent(code, a, b, c);
    return;
  }
  if (!b) return;
  dirty_ = Union(dirty_, *static_cast<tRect*>(b));
}

void cDesktop::SetName(const char* name) {
  cVisElement::SetName(name);
  client_->SetName(PartName(name, "::Client", "desktop client name!").c_str());
}

void cDesktop::DoResize() {
  if (!screenBitmap_) screenBitmap_.reset(VOXA::errors::NewOrThrow<cBitmap>("cBitmap"));
  screenBitmap_->SetSize(GetScreenWidth(), GetScreenHeight());
  cVisElement::DoResize();
  client_->SetBounds({0, 0, GetScreenWidth() - 1, GetScreenHeight() - 1});
}

void cDesktop::Paint(cGraphicsDevice* device) {
  cBackground::Draw(device, GetBounds());
  cVisElement::Paint(device);
}

std::int32_t cDesktop::GetClientWidth() const { return client_->GetClientWidth(); }
std::int32_t cDesktop::GetClientHeight() const { return client_->GetClientHeight(); }

void cDesktop::Invalidate() {
  tRect bounds = GetBounds();
  HandleEvent(event::InvalidateRect, 0, &bounds, this);
}

void cDesktop::InvalidateRect(tRect rect) { HandleEvent(event::InvalidateRect, 0, &rect, this); }

void cDesktop::BackgroundChanged() { Invalidate(); }

void cDesktop::RedrawAll() { Invalidate(); }

void cDesktop::FireClose() {
  if (onClose) onClose(this);
}

void cDesktop::FireCloseQuery(bool* allow) {
  *allow = true;
  if (onCloseQuery) onCloseQuery(this, allow);
}

void cDesktop::ProcessMessages() {
  if (queue_->IsEmpty()) queue_->PostMessage();
  while (tMessage* message = queue_->GetMessage()) {
    if (tMouseMessage* mouse = AsMouse(message)) {
      cursorX_ = mouse->x;
      cursorY_ = mouse->y;
    }
    DispatchMessage(message);
    queue_->ReleaseMessage(message);
  }
}

cObjectContainer* cDesktop::GetClient() const { return client_; }

void cDesktop::Close() {
  if (!IsVisible()) return;
  bool allow = true;
  FireCloseQuery(&allow);
  if (!allow) return;
  FireClose();
  SetVisible(false);
}

void cDesktop::Draw(cGraphicsDevice* target) {
  // Nothing is drawn before the first resize made the off-screen picture.
  if (!screenBitmap_ || !target) return;
  const tRect bounds = GetBounds();
  device_->SetBitmap(screenBitmap_.get());
  device_->SetClipRect(bounds);
  const tRect taken = Intersect(dirty_, bounds);
  dirty_ = kEmptyRect;
  target->SetClipRect(bounds);
  if (!IsEmpty(taken)) {
    device_->SetClipRect(taken);
    Paint(device_.get());
    DrawChildren(device_.get());
    target->DrawBitmapPart(screenBitmap_.get(), taken, taken);
  }

  const std::int32_t w = ScaleX(3), h = ScaleY(3);
  const tRect cursor =
      Intersect(tRect{cursorX_, cursorY_, cursorX_ + MouseCursor.GetWidth() + w - 1,
                      cursorY_ + MouseCursor.GetHeight() + h - 1},
                bounds);
  const tRect both = Union(cursor, cursorRect_);
  if (!IsEmpty(both) && !Within(both, taken)) {
    if (Area(both) <= Area(cursor) + Area(cursorRect_)) {
      target->DrawBitmapPart(screenBitmap_.get(), both, both);
    } else {
      if (!IsEmpty(cursor)) target->DrawBitmapPart(screenBitmap_.get(), cursor, cursor);
      if (!IsEmpty(cursorRect_)) {
        target->DrawBitmapPart(screenBitmap_.get(), cursorRect_, cursorRect_);
      }
    }
  }
  target->DarkenMasked(cursorX_ + w, cursorY_ + h, &MouseCursor);
  target->DrawBitmapTransparent(cursorX_, cursorY_, &MouseCursor);
  cursorRect_ = cursor;
}

}  // namespace ZGUI

// A headless desktop over a guarded target surface, driven through its queue
// as the launcher drives it: post input, process the frame's messages, draw.
#pragma once

#include <memory>

#include "gui/bitmap.h"
#include "gui/container.h"
#include "gui/desktop.h"
#include "gui/graphicsdevice.h"
#include "gui/messages.h"
#include "tests/gui/pixel_fixtures.h"
#include "tests/gui/widget_scene.h"

namespace guitest {

// An element that paints its area in its colour, opaque or mixed with what
// lies beneath.
class tPanel : public ZGUI::cVisElement {
 public:
  explicit tPanel(std::uint32_t color, bool blend = false) : blend_(blend) { SetColor(color); }
  void Paint(ZGUI::cGraphicsDevice* device) override {
    const ZGUI::tRect r{0, 0, GetWidth() - 1, GetHeight() - 1};
    if (blend_) {
      device->BlendRect(r, GetColor());
    } else {
      device->FillRect(r, GetColor());
    }
    device->DrawBevel(r, 2, 2, true);
    ZGUI::cVisElement::Paint(device);
  }

 private:
  bool blend_;
};

class tDesktopScreen {
 public:
  tDesktopScreen(const tFormat& format, int width, int height)
      : format_(format), target_(width, height, format.bytes, 7) {
    UseFormat(format, width, height);
    MakeCursor();
    desktop = std::make_unique<ZGUI::cDesktop>();
    desktop->SetName("desktop");
    desktop->cBackground::SetColor(0x305070);
    desktop->SetBounds({0, 0, width - 1, height - 1});
    device_ = std::make_unique<ZGUI::cGraphicsDevice>(target_.Pixels(), target_.Pitch(),
                                                      target_.Bounds());
  }

  ZGUI::cObjectContainer* Client() const { return desktop->GetClient(); }
  ZGUI::cMessageQueue* Queue() const { return desktop->GetMessageQueue(); }
  tSurface& Target() { return target_; }
  ZGUI::cGraphicsDevice* Device() { return device_.get(); }

  void Mouse(int action, int button, int x, int y) {
    Queue()->PostMouseMessage(action, button, nullptr, x, y);
  }
  void Move(int x, int y) { Mouse(ZGUI::mouseaction::Move, -1, x, y); }
  void Press(int x, int y, int button = 0) { Mouse(ZGUI::mouseaction::Press, button, x, y); }
  void Release(int x, int y, int button = 0) { Mouse(ZGUI::mouseaction::Release, button, x, y); }
  // Press and release at one point within one frame.
  void Click(int x, int y, int button = 0) {
    Press(x, y, button);
    Release(x, y, button);
    Frame();
  }
  // One frame of the launcher: the queue, then the drawing.
  void Frame() {
    desktop->ProcessMessages();
    desktop->Draw(device_.get());
  }
  // The target after a complete redraw of the same tree and cursor, drawn
  // into a surface of its own.
  std::vector<std::uint8_t> FullRedraw() {
    tSurface fresh(target_.Width(), target_.Height(), format_.bytes, 99);
    ZGUI::cGraphicsDevice device(fresh.Pixels(), fresh.Pitch(), fresh.Bounds());
    desktop->InvalidateRect(desktop->GetBounds());
    desktop->Draw(&device);
    return Drawable(fresh);
  }
  // The drawable bytes of a surface, without its guard band and row slack.
  std::vector<std::uint8_t> Drawable(tSurface& s) const {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < s.Height(); ++y)
      out.insert(out.end(), s.At(0, y), s.At(0, y) + s.Width() * format_.bytes);
    return out;
  }
  std::vector<std::uint8_t> Drawable() { return Drawable(target_); }
  // The target as 8-bit RGB rows, for pictures.
  std::vector<std::uint8_t> Rgb() {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(std::size_t(target_.Width()) * target_.Height() * 3);
    for (int y = 0; y < target_.Height(); ++y) {
      for (int x = 0; x < target_.Width(); ++x) {
        const std::uint32_t c = ZGUI::UnpackColor(target_.Get(x, y));
        rgb.push_back(static_cast<std::uint8_t>(c >> 16));
        rgb.push_back(static_cast<std::uint8_t>(c >> 8));
        rgb.push_back(static_cast<std::uint8_t>(c));
      }
    }
    return rgb;
  }

  std::unique_ptr<ZGUI::cDesktop> desktop;

 private:
  tFormat format_;
  tSurface target_;
  std::unique_ptr<ZGUI::cGraphicsDevice> device_;
};

}  // namespace guitest

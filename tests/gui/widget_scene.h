// A desktop with the toolkit's widgets in their states, laid out on the
// 640 x 480 canvas and scaled to the screen: an active window with buttons
// (one held down, one disabled) and check boxes, and an inactive window with
// labels in every alignment and a wrapped caption with a line break.
#pragma once

#include "gui/button.h"
#include "gui/fonts.h"
#include "gui/label.h"
#include "gui/window.h"
#include "tests/gui/desktop_fixtures.h"
#include "tests/gui/font_fixtures.h"

namespace guitest {

// Canvas units to pixels, without the toolkit's floor of one.
inline ZGUI::tRect Canvas(int left, int top, int right, int bottom) {
  const int w = ZGUI::GetScreenWidth(), h = ZGUI::GetScreenHeight();
  return {left * w / 640, top * h / 480, right * w / 640, bottom * h / 480};
}

struct tWidgetScene {
  explicit tWidgetScene(tDesktopScreen& s) {
    auto* face = new ZGUI::cBitmapFont();
    fontLoaded = LoadLauncherFont(face);
    s.desktop->GetFontManager()->AddFont("Arial", face);

    active = AddWindow(s, Canvas(20, 20, 310, 300), "Toolkit", 0x406080);
    inactive = AddWindow(s, Canvas(330, 40, 620, 330),
                         "Labels, and a caption far too long for its title bar", 0x604020);
    held = AddButton(Canvas(10, 10, 110, 40), "Run");
    AddButton(Canvas(120, 10, 220, 40), "Exit");
    AddButton(Canvas(10, 50, 110, 80), "Setup")->SetEnabled(false);
    const char* boxes[] = {"Checked", "Unchecked", "Disabled, checked", "Disabled"};
    for (int i = 0; i < 4; ++i) {
      auto* box = new ZGUI::cCheckbox();
      active->GetClient()->AddChild(box);
      box->SetFont(new ZGUI::cFont("Arial", 12));
      box->SetColor(0xFFFFFF);
      box->SetCaption(boxes[i]);
      box->SetBounds(Canvas(10, 100 + 28 * i, 220, 116 + 28 * i));
      box->SetChecked(i % 2 == 0 ? 1 : 0);
      box->SetEnabled(i < 2);
    }
    const char* names[3][3] = {{"TL", "TC", "TR"}, {"ML", "MC", "MR"}, {"BL", "BC", "BR"}};
    for (int v = 0; v < 3; ++v) {
      for (int h = 0; h < 3; ++h) {
        auto* label = AddLabel(Canvas(10 + 90 * h, 10 + 50 * v, 95 + 90 * h, 55 + 50 * v),
                               names[v][h], 0xFFFFFF);
        label->SetHAlign(h);
        label->SetVAlign(v);
      }
    }
    wrapped = AddLabel(Canvas(10, 170, 270, 250),
                       "A wrapped label\r\nwith a line break, and words enough to wrap onto one more line.",
                       0xFFFF80);
    wrapped->SetWordWrap(true);
    inactive->Show();
    active->Activate();
    // The first button is held down, with the pointer resting on it.
    const ZGUI::tPoint on = held->ClientToScreen(ZGUI::tPoint(10, 8), held);
    s.Press(on.x, on.y);
    s.Frame();
  }

  ZGUI::cWindow* AddWindow(tDesktopScreen& s, ZGUI::tRect bounds, const char* caption,
                           std::uint32_t color) {
    auto* window = new ZGUI::cWindow();
    window->SetName(caption);
    s.Client()->AddChild(window);
    window->SetFont(new ZGUI::cFont("Arial", 14));
    window->SetCaption(caption);
    window->SetColor(color);
    window->SetBounds(bounds);
    return window;
  }
  ZGUI::cButton* AddButton(ZGUI::tRect bounds, const char* caption) {
    auto* button = new ZGUI::cButton();
    active->GetClient()->AddChild(button);
    button->SetFont(new ZGUI::cFont("Arial", 14));
    button->SetCaption(caption);
    button->SetColor(0x7F7F7F);
    button->SetBounds(bounds);
    return button;
  }
  ZGUI::cLabel* AddLabel(ZGUI::tRect bounds, const char* caption, std::uint32_t color) {
    auto* label = new ZGUI::cLabel();
    inactive->GetClient()->AddChild(label);
    label->SetFont(new ZGUI::cFont("Arial", 12));
    label->SetColor(color);
    label->SetCaption(caption);
    label->SetBounds(bounds);
    return label;
  }

  bool fontLoaded = false;
  ZGUI::cWindow* active;
  ZGUI::cWindow* inactive;
  ZGUI::cButton* held;
  ZGUI::cLabel* wrapped;
};

}  // namespace guitest

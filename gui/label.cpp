#include "gui/label.h"

#include <cstring>
#include <string>

#include "gui/fonts.h"
#include "gui/graphicsdevice.h"
#include "gui/messages.h"

namespace ZGUI {
namespace {

// Bytes are unsigned: letters above 127 belong to words.
bool IsBreak(char c) { return static_cast<std::uint8_t>(c) <= 32; }

std::int32_t WordLength(const char* p) {
  if (IsBreak(*p)) return 1;
  std::int32_t n = 0;
  while (p[n] && !IsBreak(p[n])) ++n;
  return n;
}

// x of a line of the given width for an alignment; unknown ones draw at 0.
std::int32_t AlignedX(std::int32_t align, std::int32_t width, std::int32_t textWidth) {
  switch (align) {
    case 1:
      return (width - textWidth) / 2;
    case 2:
      return width - textWidth;
    default:
      return 0;
  }
}

}  // namespace

cLabel::cLabel() = default;
cLabel::cLabel(cElement* parent) : cVisElement(parent) {}

const char* cLabel::GetClassName() const { return "cLabel"; }
std::int32_t cLabel::GetClassID() const { return classid::Label; }
bool cLabel::InheritsFrom(std::int32_t id) const {
  return id == classid::VisElement || cVisElement::InheritsFrom(id);
}

std::vector<std::string_view> cLabel::BreakLines() const {
  std::vector<std::string_view> lines;
  const char* p = GetCaption();
  const cFont* font = GetFont();
  if (!p) return lines;
  const std::int32_t width = GetWidth();
  while (*p) {
    const char* start = p;
    std::int32_t lineWidth = 0, words = 0;
    while (*p) {
      const std::int32_t n = WordLength(p);
      const std::int32_t ww = font ? font->GetTextWidth(p, n) : 0;
      if (*p == ' ' && words == 0) {
        ++start;
        ++p;
        words = 1;
        continue;
      }
      if (*p == '\r' || *p == '\n') break;
      if (lineWidth + ww > width && lineWidth != 0) break;
      p += n;
      ++words;
      lineWidth += ww;
    }
    lines.emplace_back(start, static_cast<std::size_t>(p - start));
    if (*p == '\r' || *p == '\n') ++p;
  }
  return lines;
}

void cLabel::CountLines() {
  std::int32_t count = 1;
  if (wordWrap_ && GetCaption() && *GetCaption()) {
    count = static_cast<std::int32_t>(BreakLines().size());
  }
  if (count != lineCount_) {
    lineCount_ = count;
    Invalidate();
  }
}

void cLabel::Reinitialize() {
  cVisElement::Reinitialize();
  CountLines();
}

void cLabel::DoResize() {
  cVisElement::DoResize();
  CountLines();
}

void cLabel::SetCaption(const char* text) {
  cVisElement::SetCaption(text);
  CountLines();
}

void cLabel::SetFont(cFont* font) {
  cVisElement::SetFont(font);
  CountLines();
}

std::int32_t cLabel::GetHAlign() const { return hAlign_; }
std::int32_t cLabel::GetVAlign() const { return vAlign_; }

void cLabel::SetHAlign(std::int32_t align) {
  if (align == hAlign_) return;
  hAlign_ = align;
  Invalidate();
}

void cLabel::SetVAlign(std::int32_t align) {
  if (align == vAlign_) return;
  vAlign_ = align;
  Invalidate();
}

bool cLabel::GetWordWrap() const { return wordWrap_; }

void cLabel::SetWordWrap(bool wrap) {
  wordWrap_ = wrap;
  CountLines();
}

void cLabel::Paint(cGraphicsDevice* device) {
  const std::int32_t width = GetWidth(), height = GetHeight();
  device->SetClipRect({0, 0, width - 1, height - 1});
  device->SetTextColor(GetColor());
  const cFont* font = GetFont();
  const std::int32_t fh = font ? font->GetHeight() : 0;
  std::int32_t y = 0;
  if (vAlign_ == 1) y = (height - lineCount_ * fh) / 2;
  if (vAlign_ == 2) y = height - lineCount_ * fh;
  const char* caption = GetCaption();
  if (wordWrap_ && caption && font) {
    for (std::string_view line : BreakLines()) {
      const std::string text(line);
      device->DrawTextEx(font, AlignedX(hAlign_, width, font->GetTextWidth(text.c_str())), y,
                         text.c_str());
      y += fh;
    }
  } else if (font) {
    device->DrawTextEx(font, AlignedX(hAlign_, width, font->GetTextWidth(caption)), y, caption);
  }
  device->SetClipRect(device->GetBounds());
  cVisElement::Paint(device);
}

cDebug::cDebug() {
  SetHAlign(2);
  SetVAlign(1);
}
cDebug::cDebug(cElement* parent) : cLabel(parent) {
  SetHAlign(2);
  SetVAlign(1);
}

const char* cDebug::GetClassName() const { return "cDebug"; }
std::int32_t cDebug::GetClassID() const { return classid::Debug; }
bool cDebug::InheritsFrom(std::int32_t id) const {
  return id == classid::Label || cLabel::InheritsFrom(id);
}

bool cDebug::HandleMessage(tMessage* message) {
  tMouseMessage* mouse = AsMouse(message);
  if (mouse && mouse->action == mouseaction::Move) {
    cVisElement* under = RootElementAt(tPoint(mouse->x, mouse->y), true, false, -1);
    SetCaption(under ? under->GetName() : nullptr);
  }
  return cLabel::HandleMessage(message);
}

}  // namespace ZGUI


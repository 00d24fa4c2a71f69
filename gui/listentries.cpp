#include <cstring>

#include "gui/graphicsdevice.h"
#include "gui/lists.h"

namespace ZGUI {
namespace {

std::optional<std::string> Copy(const char* text) {
  return text ? std::optional<std::string>(text) : std::nullopt;
}

const char* Text(const std::optional<std::string>& text) { return text ? text->c_str() : nullptr; }

}  // namespace

const char* cListEntry::GetClassName() const { return "cListEntry"; }
std::int32_t cListEntry::GetClassID() const { return classid::ListEntry; }
bool cListEntry::InheritsFrom(std::int32_t id) const { return id == classid::Object; }

void cListEntry::NotifySelected() {
  Changed();
  if (OnSelect) OnSelect(this);
}

void cListEntry::NotifyDeselected() {
  Changed();
  if (OnDeselect) OnDeselect(this);
}

void cListEntry::FireUser1() {
  if (OnUser1) OnUser1(this);
}

void cListEntry::FireUser2() {
  if (OnUser2) OnUser2(this);
}

void cListEntry::UpdateHeight() {}
void cListEntry::Draw(cGraphicsDevice*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                      bool) {}

void cListEntry::Changed() {
  if (list_) list_->EntryChanged(this);
}

cList* cListEntry::GetList() const { return list_; }
std::int32_t cListEntry::GetHeight() const { return height_; }
bool cListEntry::IsSelectable() const { return selectable_; }

void cListEntry::SetHeight(std::int32_t height) {
  if (height == height_) return;
  height_ = height;
  if (list_) list_->RangeChanged(GetIndex(), list_->GetCount());
}

void cListEntry::SetSelectable(bool selectable) {
  if (selectable == selectable_) return;
  selectable_ = selectable;
  if (!selectable && list_ && list_->GetCurrentEntry() == this) list_->SetCurrent(-1);
}

std::int32_t cListEntry::GetIndex() const { return list_ ? list_->IndexOf(this) : -1; }
bool cListEntry::UsesListFont() const { return false; }

void cTextListEntry::Reinitialize() {
  if (const cFont* font = GetFont()) SetHeight(font->GetHeight());
}

void cTextListEntry::UpdateHeight() {
  if (!UsesListFont()) return;
  if (const cFont* font = GetFont()) SetHeight(font->GetHeight());
  Changed();
}

bool cTextListEntry::UsesListFont() const { return !font_; }

cFont* cTextListEntry::GetFont() const {
  if (font_) return font_.get();
  return GetList() ? GetList()->GetFont() : nullptr;
}

std::uint32_t cTextListEntry::GetColor() const { return colour_; }

void cTextListEntry::SetFont(cFont* font) {
  if (font == font_.get()) return;
  font_.reset(font);
  if (const cFont* now = GetFont()) SetHeight(now->GetHeight());
  Changed();
}

void cTextListEntry::SetColor(std::uint32_t colour) {
  if (colour == colour_) return;
  colour_ = colour;
  Changed();
}

void cTextListEntry::BeginDraw(cGraphicsDevice* device, tRect row, bool selected) const {
  if (selected) device->DarkenRect(row);
  device->SetTextColor(colour_);
}

cListEntry_Text::cListEntry_Text(const char* text) { SetText(text); }

const char* cListEntry_Text::GetClassName() const { return "cListEntry_Text"; }
std::int32_t cListEntry_Text::GetClassID() const { return classid::ListEntry_Text; }
bool cListEntry_Text::InheritsFrom(std::int32_t id) const {
  return id == classid::ListEntry || cListEntry::InheritsFrom(id);
}

void cListEntry_Text::Draw(cGraphicsDevice* device, std::int32_t left, std::int32_t top,
                           std::int32_t right, std::int32_t bottom, bool selected) {
  BeginDraw(device, {left, top, right, bottom}, selected);
  device->DrawTextInRect(GetFont(), {left, top, right, bottom}, GetText());
}

const char* cListEntry_Text::GetText() const { return Text(text_); }

void cListEntry_Text::SetText(const char* text) {
  if (text && text_ && *text_ == text) return;
  text_ = Copy(text);
  Changed();
}

cListEntry_IdentedText::cListEntry_IdentedText(const char* text, std::int32_t indent)
    : cListEntry_Text(text), indent_(indent) {}

const char* cListEntry_IdentedText::GetClassName() const { return "cListEntry_IdentedText"; }
std::int32_t cListEntry_IdentedText::GetClassID() const { return classid::ListEntry_IdentedText; }
bool cListEntry_IdentedText::InheritsFrom(std::int32_t id) const {
  return id == classid::ListEntry_Text || cListEntry_Text::InheritsFrom(id);
}

void cListEntry_IdentedText::Draw(cGraphicsDevice* device, std::int32_t left, std::int32_t top,
                                  std::int32_t right, std::int32_t bottom, bool selected) {
  BeginDraw(device, {left, top, right, bottom}, selected);
  const std::int64_t textLeft = std::int64_t{left} + indent_;
  if (textLeft > right) return;
  device->DrawTextInRect(GetFont(), {static_cast<std::int32_t>(textLeft), top, right, bottom},
                         GetText());
}

std::int32_t cListEntry_IdentedText::GetIndent() const { return indent_; }

void cListEntry_IdentedText::SetIndent(std::int32_t indent) {
  if (indent == indent_) return;
  indent_ = indent;
  Changed();
}

cListEntry_LCRText::cListEntry_LCRText(const char* left, const char* centre, const char* right) {
  SetText(0, left);
  SetText(1, centre);
  SetText(2, right);
}

const char* cListEntry_LCRText::GetClassName() const { return "cListEntry_LCRText"; }
std::int32_t cListEntry_LCRText::GetClassID() const { return classid::ListEntry_LCRText; }
bool cListEntry_LCRText::InheritsFrom(std::int32_t id) const {
  return id == classid::ListEntry || cListEntry::InheritsFrom(id);
}

void cListEntry_LCRText::Draw(cGraphicsDevice* device, std::int32_t left, std::int32_t top,
                              std::int32_t right, std::int32_t bottom, bool selected) {
  BeginDraw(device, {left, top, right, bottom}, selected);
  const cFont* font = GetFont();
  if (!font || (!texts_[0] && !texts_[1] && !texts_[2])) return;
  device->SetClipRect({left, top, right, bottom});
  for (int i = 0; i < 3; ++i) {
    if (!texts_[i]) continue;
    const std::int32_t w = font->GetTextWidth(texts_[i]->c_str());
    const std::int32_t x = i == 0 ? left : i == 1 ? (left + right - w) / 2 : right - w;
    device->DrawTextEx(font, x, top, texts_[i]->c_str());
  }
}

const char* cListEntry_LCRText::GetText(std::uint32_t index) const {
  return index < 3 ? Text(texts_[index]) : nullptr;
}

void cListEntry_LCRText::SetText(std::uint32_t index, const char* text) {
  if (index >= 3) return;
  texts_[index] = Copy(text);
  Changed();
}

const char* cListEntry_MultiText::GetClassName() const { return "cListEntry_MultiText"; }
std::int32_t cListEntry_MultiText::GetClassID() const { return classid::ListEntry_MultiText; }
bool cListEntry_MultiText::InheritsFrom(std::int32_t id) const {
  return id == classid::ListEntry || cListEntry::InheritsFrom(id);
}

void cListEntry_MultiText::Draw(cGraphicsDevice* device, std::int32_t left, std::int32_t top,
                                std::int32_t right, std::int32_t bottom, bool selected) {
  BeginDraw(device, {left, top, right, bottom}, selected);
  const cFont* font = GetFont();
  if (columns_.empty()) return;
  const std::int64_t width = std::int64_t{right} - left + 1;
  std::int64_t total = 0, before = 0;
  for (const auto& c : columns_) total += c.weight;
  for (std::size_t i = 0; i < columns_.size(); before += columns_[i].weight, ++i) {
    const tColumn& c = columns_[i];
    if (!c.text) continue;
    auto L = static_cast<std::int32_t>(left + width * before / total);
    const auto R = static_cast<std::int32_t>(left + width * (before + c.weight) / total - 1);
    device->SetClipRect({L, top, R, bottom});
    if (i > 0) {
      device->LightenRect({L, top, L, bottom});
      L += 2;
    }
    const std::int32_t w = font ? font->GetTextWidth(c.text->c_str()) : 0;
    const std::int32_t x = c.alignment == 1   ? (L + R - w + 1) / 2
                           : c.alignment == 2 ? R - w + 1
                                              : L;
    device->DrawTextEx(font, x, top, c.text->c_str());
  }
}

const char* cListEntry_MultiText::GetText(std::int32_t column) const {
  return column >= 0 && column < GetColumnCount() ? Text(columns_[column].text) : nullptr;
}

std::int32_t cListEntry_MultiText::GetColumnCount() const {
  return static_cast<std::int32_t>(columns_.size());
}

void cListEntry_MultiText::AddColumn(const char* text, std::int32_t alignment,
                                     std::int32_t weight) {
  InsertColumn(GetColumnCount(), text, alignment, weight);
}

void cListEntry_MultiText::InsertColumn(std::int32_t index, const char* text,
                                        std::int32_t alignment, std::int32_t weight) {
  if (index < 0 || index > GetColumnCount() || weight < 1) return;
  columns_.insert(columns_.begin() + index, tColumn{Copy(text), alignment, weight});
  Changed();
}

void cListEntry_MultiText::RemoveColumn(std::int32_t index) {
  if (index < 0 || index >= GetColumnCount()) return;
  columns_.erase(columns_.begin() + index);
  Changed();
}

void cListEntry_MultiText::RemoveAllColumns() { columns_.clear(); }

}  // namespace ZGUI

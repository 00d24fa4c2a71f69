#include "viewer/setupdialog/optiongroups.h"

#include <cstdio>

#include "gui/metrics.h"

namespace VOXA2::setupdialog::detail {

using VOXA::errors::NewOrThrow;

tUnits Units() { return {ZGUI::ScaleX(4), ZGUI::ScaleY(4), ZGUI::ScaleX(20), ZGUI::ScaleY(14)}; }

ZGUI::cFont* NewFont(std::int32_t size) { return new (std::nothrow) ZGUI::cFont("Arial", size); }

void Dress(ZGUI::cVisElement* element, std::int32_t fontSize, std::uint32_t color,
           const char* caption) {
  if (caption) element->SetCaption(caption);
  element->SetFont(NewFont(fontSize));
  element->SetColor(color);
}

std::string EntryText(const char* text) { return std::string(" ") + (text ? text : ""); }

void MakeControls(tOptionControls* record, const char* caption, ZGUI::cTabSheet* page,
                  const tOptionNames& names, void (*onCheck)(ZGUI::cVisElement*)) {
  const auto user = reinterpret_cast<std::uintptr_t>(record);
  if (record->kind == 0) {
    auto* box = NewOrThrow<ZGUI::cCheckbox>(names.checkbox);
    record->checkbox = box;
    Dress(box, 14, 0xFFFFFF, caption);
    box->userWords[0] = user;
    box->OnClick = onCheck;
    page->AddChild(box);
  } else if (record->kind == 1) {
    record->label = NewOrThrow<ZGUI::cLabel>("cLabel");
    Dress(record->label, 14, 0xFFFFFF, caption);
    page->AddChild(record->label);
    record->list = NewOrThrow<ZGUI::cListBox>("cListBox");
    Dress(record->list, 14, 0xFFFFFF, nullptr);
    page->AddChild(record->list);
    record->scrollbar = NewOrThrow<ZGUI::cScrollBar>("cScrollBar");
    record->list->SetScrollBar(record->scrollbar);
    Dress(record->scrollbar, 14, 0x3F3F3F, nullptr);
    page->AddChild(record->scrollbar);
  }
}

void AddValueEntry(tOptionControls* record, const char* name,
                   void (*onSelect)(ZGUI::cListEntry*)) {
  auto* entry = NewOrThrow<ZGUI::cListEntry_Text>("cListEntry_Text", EntryText(name).c_str());
  entry->userWords[0] = reinterpret_cast<std::uintptr_t>(record);
  entry->OnSelect = onSelect;
  record->list->Add(entry);
}

std::int32_t PlaceGroup(const tOptionControls& record, std::int32_t y, std::int32_t W,
                        const tUnits& u) {
  const std::int32_t R = W - u.mx;
  if (record.kind == 0 && record.checkbox) {
    record.checkbox->SetBounds({u.mx, y, R, y + u.row - 1});
    return y + u.row + u.my;
  }
  if (record.kind == 1 && record.list) {
    const std::int32_t n = std::clamp(record.list->GetCount(), 3, 6);
    const std::int32_t h = n * u.row + u.my;
    record.label->SetBounds({u.mx, y, R, y + u.row - 1});
    record.list->SetBounds({u.mx, y + u.row, R - u.sb - 1, y + u.row + h});
    record.scrollbar->SetBounds({R - u.sb + 1, y + u.row, R, y + u.row + h});
    return y + u.row + h + u.my;
  }
  return y + u.my;
}

void LayoutPage(ZGUI::cTabSheet* page, const std::vector<const tOptionControls*>& groups,
                ZGUI::cButton* button,
                const std::function<std::int32_t(std::int32_t W, std::int32_t H)>& fixed) {
  const tUnits u = Units();
  std::int32_t W = page->GetClientWidth(), H = page->GetClientHeight();
  for (int pass = 0; pass < 2; ++pass) {
    std::int32_t y = fixed(W, H);
    for (const tOptionControls* group : groups) y = PlaceGroup(*group, y, W, u);
    y = std::max(y, H - 3 * u.my - u.row);
    button->SetBounds({W / 3, y, 2 * W / 3, y + 2 * u.my + u.row});
    if (page->GetClientWidth() == W) break;
    W = page->GetClientWidth();
    H = page->GetClientHeight();
  }
}

void ShowValue(tOptionControls* record) {
  if (record->list) record->list->SetCurrent(record->value);
  if (record->checkbox) record->checkbox->SetChecked(record->value);
}

void DeleteControls(tOptionControls* record, ZGUI::cTabSheet* page) {
  ZGUI::cVisElement* controls[] = {record->checkbox, record->label, record->list,
                                   record->scrollbar};
  for (ZGUI::cVisElement* control : controls) {
    if (!control) continue;
    page->RemoveChild(control);
    delete control;
  }
  record->checkbox = nullptr;
  record->label = nullptr;
  record->list = nullptr;
  record->scrollbar = nullptr;
}

}  // namespace VOXA2::setupdialog::detail

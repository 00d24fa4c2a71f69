// What the Music and 3D pages share: the option groups made from a layer's
// option list (a check box, or a captioned list with its scroll bar), their
// layout below a page's fixed elements with the page's "Change" button under
// them, the loading of the values in force and the teardown.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "gui/button.h"
#include "gui/fonts.h"
#include "gui/label.h"
#include "gui/listbox.h"
#include "gui/lists.h"
#include "gui/pagecontrol.h"
#include "gui/scrollbar.h"
#include "viewer/setupdialog/setupdialog.h"

namespace VOXA2::setupdialog::detail {

// The layout units on the 640x480 canvas.
struct tUnits {
  std::int32_t mx, my, sb, row;
};
tUnits Units();

// A font of the launcher's face; null when it cannot be allocated, which
// leaves the element without a font.
ZGUI::cFont* NewFont(std::int32_t size);
// Font, colour and (when given) caption of a new element.
void Dress(ZGUI::cVisElement* element, std::int32_t fontSize, std::uint32_t color,
           const char* caption);
// " %s": entries built from values carry one leading blank.
std::string EntryText(const char* text);

// The class names that the allocation errors of one page's records report.
struct tOptionNames {
  const char* record;
  const char* checkbox;
};

// The controls of one option, added to the page.
void MakeControls(tOptionControls* record, const char* caption, ZGUI::cTabSheet* page,
                  const tOptionNames& names, void (*onCheck)(ZGUI::cVisElement*));
// One list entry per value name, index i standing for value i.
void AddValueEntry(tOptionControls* record, const char* name,
                   void (*onSelect)(ZGUI::cListEntry*));
// Places a group from y on within width W; returns the y below it.
std::int32_t PlaceGroup(const tOptionControls& record, std::int32_t y, std::int32_t W,
                        const tUnits& u);
// Lays a page out: fixed (W, H) places the page's own elements and answers
// where the groups start; the button goes below the groups, at the page's foot
// when they leave room. Done once more when the page's client width changed
// meanwhile (its scroll bar came or went), never a third time.
void LayoutPage(ZGUI::cTabSheet* page, const std::vector<const tOptionControls*>& groups,
                ZGUI::cButton* button,
                const std::function<std::int32_t(std::int32_t W, std::int32_t H)>& fixed);
// Selects the entry or sets the check box; the control's callback runs.
void ShowValue(tOptionControls* record);
// Takes the controls out of the page and deletes them.
void DeleteControls(tOptionControls* record, ZGUI::cTabSheet* page);

// Appends to a record list, raising the list's allocation error.
template <typename Record>
void Append(std::vector<Record*>& records, std::unique_ptr<Record> record, const char* what) {
  try {
    records.reserve(records.size() + 1);
  } catch (const std::bad_alloc&) {
    throw new VOXA::errors::eCouldNotAllocateMemoryFor(what);
  }
  records.push_back(record.release());
}

// One record per option that getOption (n) answers, n the current length.
template <typename Record, typename GetOption>
void BuildGroups(std::vector<Record*>& records, ZGUI::cTabSheet* page, GetOption getOption,
                 const tOptionNames& names, const char* listWhat,
                 void (*onSelect)(ZGUI::cListEntry*), void (*onCheck)(ZGUI::cVisElement*)) {
  for (;;) {
    auto* option = getOption(static_cast<int>(records.size()));
    if (!option) break;
    std::unique_ptr<Record> record(VOXA::errors::NewOrThrow<Record>(names.record));
    record->option = option;
    record->kind = static_cast<std::uint32_t>(option->GetKind());
    MakeControls(record.get(), option->GetLabel(), page, names, onCheck);
    if (record->list) {
      for (int i = 0; const char* name = option->GetValueName(i); ++i)
        AddValueEntry(record.get(), name, onSelect);
    }
    Append(records, std::move(record), listWhat);
  }
}

template <typename Record>
std::vector<const tOptionControls*> Groups(const std::vector<Record*>& records) {
  return std::vector<const tOptionControls*>(records.begin(), records.end());
}

template <typename Record>
void LoadValues(const std::vector<Record*>& records) {
  for (Record* record : records) {
    record->value = record->option->GetValue();
    ShowValue(record);
  }
}

// True when some record's choice differs from its option's value in force.
template <typename Record>
bool AnyChoiceDiffers(const std::vector<Record*>& records) {
  return std::any_of(records.begin(), records.end(),
                     [](const Record* r) { return r->value != r->option->GetValue(); });
}

template <typename Record>
void ClearGroups(std::vector<Record*>& records, ZGUI::cTabSheet* page) {
  for (Record* record : records) {
    DeleteControls(record, page);
    delete record;
  }
  records.clear();
  records.shrink_to_fit();
}

// Forgets the records of an earlier GUI, whose controls went with its desktop.
template <typename Record>
void DropRecords(std::vector<Record*>& records) {
  for (Record* record : records) delete record;
  records.clear();
  records.shrink_to_fit();
}

// The record that a control's user data names, or null when it names none
// of the list's.
template <typename Record>
Record* RecordOf(const std::vector<Record*>& records, const ZGUI::cObject* control) {
  if (!control) return nullptr;
  const auto* named = reinterpret_cast<const tOptionControls*>(control->userWords[0]);
  for (Record* record : records)
    if (static_cast<const tOptionControls*>(record) == named) return record;
  return nullptr;
}

}  // namespace VOXA2::setupdialog::detail

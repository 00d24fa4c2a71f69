#include <algorithm>
#include <utility>

#include "gui/lists.h"

namespace ZGUI {

cList::~cList() { DestroyEntries(); }

const char* cList::GetClassName() const { return "cList"; }
std::int32_t cList::GetClassID() const { return classid::List; }
bool cList::InheritsFrom(std::int32_t id) const { return id == classid::Object; }

void cList::RangeChanged(std::int32_t, std::int32_t) {}

void cList::EntryChanged(cListEntry* entry) { EntryChangedAt(IndexOf(entry)); }

void cList::EntryChangedAt(std::int32_t index) {
  if (static_cast<std::uint32_t>(index) < static_cast<std::uint32_t>(GetCount()))
    RangeChanged(index, index);
}

cFont* cList::GetFont() const { return font_; }

void cList::SetFont(cFont* font) {
  if (font == font_) return;
  font_ = font;
  for (cListEntry* entry : entries_) entry->UpdateHeight();
  ContentsChanged();
}

std::int32_t cList::IndexOf(const cListEntry* entry) const {
  const auto at = std::find(entries_.begin(), entries_.end(), entry);
  return at == entries_.end() ? -1 : static_cast<std::int32_t>(at - entries_.begin());
}

bool cList::Contains(const cListEntry* entry) const { return IndexOf(entry) != -1; }
std::int32_t cList::GetCount() const { return static_cast<std::int32_t>(entries_.size()); }

cListEntry* cList::GetEntry(std::int32_t index) const {
  return static_cast<std::uint32_t>(index) < entries_.size() ? entries_[index] : nullptr;
}

cListEntry* cList::GetFirst() const { return GetEntry(0); }
cListEntry* cList::GetLast() const { return GetEntry(GetCount() - 1); }

bool cList::InsertBefore(cListEntry* entry, const cListEntry* before) {
  return Insert(entry, IndexOf(before));
}

bool cList::Insert(cListEntry* entry, std::int32_t index) {
  if (!entry) return false;
  index = std::clamp(index, 0, GetCount());
  entries_.insert(entries_.begin() + index, entry);
  entry->list_ = this;
  entry->UpdateHeight();
  if (current_ >= 0 && index <= current_) ++current_;
  RangeChanged(index, GetCount() - 1);
  ContentsChanged();
  return true;
}

bool cList::Add(cListEntry* entry) { return Insert(entry, GetCount()); }
void cList::Delete(cListEntry* entry) { DeleteAt(IndexOf(entry)); }
void cList::DeleteAt(std::int32_t index) { delete DetachAt(index); }
cListEntry* cList::Detach(cListEntry* entry) { return DetachAt(IndexOf(entry)); }

cListEntry* cList::DetachAt(std::int32_t index) {
  if (index < 0 || index >= GetCount()) return nullptr;
  cListEntry* entry = entries_[index];
  entries_.erase(entries_.begin() + index);
  // The caller owns it now; it must not tell this list about its changes.
  entry->list_ = nullptr;
  if (index == current_)
    current_ = -1;
  else if (index < current_)
    --current_;
  ContentsChanged();
  RangeChanged(index, GetCount());
  return entry;
}

void cList::DestroyEntries() {
  for (cListEntry* entry : std::exchange(entries_, {})) {
    entry->list_ = nullptr;
    delete entry;
  }
  current_ = -1;
}

void cList::Clear() {
  const std::int32_t count = GetCount();
  DestroyEntries();
  ContentsChanged();
  RangeChanged(0, count - 1);
}

void cList::Swap(const cListEntry* a, const cListEntry* b) { SwapAt(IndexOf(a), IndexOf(b)); }

void cList::SwapAt(std::int32_t i, std::int32_t j) {
  if (i < 0 || j < 0 || i >= GetCount() || j >= GetCount()) return;
  std::swap(entries_[i], entries_[j]);
  if (current_ == i)
    current_ = j;
  else if (current_ == j)
    current_ = i;
  EntryChangedAt(i);
  EntryChangedAt(j);
}

void cList::SetCurrent(std::int32_t index) {
  if (index < 0 || index >= GetCount()) index = -1;
  if (index == current_) return;
  if (cListEntry* old = GetEntry(current_)) {
    old->NotifyDeselected();
    EntryChangedAt(current_);
  }
  if (index >= 0 && !entries_[index]->IsSelectable()) index = -1;
  current_ = index;
  if (cListEntry* now = GetEntry(current_)) {
    now->NotifySelected();
    EntryChangedAt(current_);
  }
}

void cList::SetCurrentEntry(const cListEntry* entry) { SetCurrent(IndexOf(entry)); }
cListEntry* cList::GetCurrentEntry() const { return GetEntry(current_); }
std::int32_t cList::GetCurrent() const { return current_; }

void cList::ReinitializeEntries() {
  for (cListEntry* entry : entries_)
    if (entry) entry->Reinitialize();
}

}  // namespace ZGUI

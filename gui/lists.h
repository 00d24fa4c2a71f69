// Lists and their entries. An entry is one row as a list box shows it: it
// knows its height, whether it may become current, its list and four
// callbacks, and draws itself into the rectangle it is given, darkened when it
// is the current entry. A list owns its entries, keeps one current entry
// consistent through insertions, removals and swaps, and reports changes
// through two hooks that a list box turns into layout and redraws.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/fonts.h"
#include "gui/object.h"
#include "gui/types.h"

namespace ZGUI {

class cGraphicsDevice;
class cList;

class cListEntry : public cObject {
 public:
  cListEntry() = default;
  cListEntry(const cListEntry&) = delete;
  cListEntry& operator=(const cListEntry&) = delete;

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;

  virtual void NotifySelected();
  virtual void NotifyDeselected();
  virtual void FireUser1();
  virtual void FireUser2();
  // The list inserted the entry or changed its font.
  virtual void UpdateHeight();
  // Draws the row into the inclusive rectangle; the base draws nothing.
  virtual void Draw(cGraphicsDevice* device, std::int32_t left, std::int32_t top,
                    std::int32_t right, std::int32_t bottom, bool selected);
  // Tells the list that the row must be drawn again.
  virtual void Changed();
  virtual cList* GetList() const;
  virtual std::int32_t GetHeight() const;
  virtual bool IsSelectable() const;
  virtual void SetHeight(std::int32_t height);
  // An entry that stops being selectable stops being current.
  virtual void SetSelectable(bool selectable);
  virtual std::int32_t GetIndex() const;
  virtual bool UsesListFont() const;

  std::function<void(cListEntry*)> OnSelect, OnDeselect, OnUser1, OnUser2;

 private:
  friend class cList;
  std::int32_t height_ = 0;
  bool selectable_ = true;
  cList* list_ = nullptr;
};

// What the text kinds share: an owned font (none: the list's) and a colour.
class cTextListEntry : public cListEntry {
 public:
  void Reinitialize() override;
  void UpdateHeight() override;
  bool UsesListFont() const override;

  // The entry's own font, else its list's, else none.
  virtual cFont* GetFont() const;
  virtual std::uint32_t GetColor() const;
  // Takes font over; null goes back to the list's font.
  virtual void SetFont(cFont* font);
  virtual void SetColor(std::uint32_t colour);

 protected:
  // Darkens a current row and sets the text colour.
  void BeginDraw(cGraphicsDevice* device, tRect row, bool selected) const;

 private:
  std::unique_ptr<cFont> font_;
  std::uint32_t colour_ = 0xFFFFFF;
};

class cListEntry_Text : public cTextListEntry {
 public:
  explicit cListEntry_Text(const char* text);

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  void Draw(cGraphicsDevice* device, std::int32_t left, std::int32_t top, std::int32_t right,
            std::int32_t bottom, bool selected) override;

  virtual const char* GetText() const;
  virtual void SetText(const char* text);

 private:
  std::optional<std::string> text_;
};

// One text shifted right by an indentation in pixels.
class cListEntry_IdentedText : public cListEntry_Text {
 public:
  cListEntry_IdentedText(const char* text, std::int32_t indent);

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  void Draw(cGraphicsDevice* device, std::int32_t left, std::int32_t top, std::int32_t right,
            std::int32_t bottom, bool selected) override;

  virtual std::int32_t GetIndent() const;
  virtual void SetIndent(std::int32_t indent);

 private:
  std::int32_t indent_ = 0;
};

// Three texts on one line: left, centred and right-aligned.
class cListEntry_LCRText : public cTextListEntry {
 public:
  cListEntry_LCRText(const char* left, const char* centre, const char* right);

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  void Draw(cGraphicsDevice* device, std::int32_t left, std::int32_t top, std::int32_t right,
            std::int32_t bottom, bool selected) override;

  virtual const char* GetText(std::uint32_t index) const;
  virtual void SetText(std::uint32_t index, const char* text);

 private:
  std::optional<std::string> texts_[3];
};

// Columns whose widths are shares of the row by integer weights, each with
// its alignment (0 left, 1 centred, 2 right, others left).
class cListEntry_MultiText : public cTextListEntry {
 public:
  cListEntry_MultiText() = default;

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  void Draw(cGraphicsDevice* device, std::int32_t left, std::int32_t top, std::int32_t right,
            std::int32_t bottom, bool selected) override;

  virtual const char* GetText(std::int32_t column) const;
  virtual std::int32_t GetColumnCount() const;
  virtual void AddColumn(const char* text, std::int32_t alignment, std::int32_t weight);
  // Nothing for an index beyond the count or a weight below 1.
  virtual void InsertColumn(std::int32_t index, const char* text, std::int32_t alignment,
                            std::int32_t weight);
  virtual void RemoveColumn(std::int32_t index);
  virtual void RemoveAllColumns();

 private:
  struct tColumn {
    std::optional<std::string> text;
    std::int32_t alignment;
    std::int32_t weight;
  };
  std::vector<tColumn> columns_;
};

class cList : public virtual cObject {
 public:
  cList() = default;
  cList(const cList&) = delete;
  cList& operator=(const cList&) = delete;
  // Destroys the entries without calling the hooks.
  ~cList() override;

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  void Reinitialize() override { ReinitializeEntries(); }

  // The set or the measure of the entries changed.
  virtual void ContentsChanged() {}
  // Rows first to last must be drawn again.
  virtual void RangeChanged(std::int32_t first, std::int32_t last);
  virtual void EntryChanged(cListEntry* entry);
  virtual void EntryChangedAt(std::int32_t index);
  virtual cFont* GetFont() const;
  // Borrowed; entries without a font of their own are measured again.
  virtual void SetFont(cFont* font);
  virtual std::int32_t IndexOf(const cListEntry* entry) const;
  virtual bool Contains(const cListEntry* entry) const;
  virtual std::int32_t GetCount() const;
  virtual cListEntry* GetEntry(std::int32_t index) const;
  virtual cListEntry* GetFirst() const;
  virtual cListEntry* GetLast() const;
  // The list takes the entry over; false for null.
  virtual bool InsertBefore(cListEntry* entry, const cListEntry* before);
  virtual bool Insert(cListEntry* entry, std::int32_t index);
  virtual bool Add(cListEntry* entry);
  virtual void Delete(cListEntry* entry);
  virtual void DeleteAt(std::int32_t index);
  // Hands the entry back to the caller, no longer tied to this list.
  virtual cListEntry* Detach(cListEntry* entry);
  virtual cListEntry* DetachAt(std::int32_t index);
  virtual void Clear();
  virtual void Swap(const cListEntry* a, const cListEntry* b);
  virtual void SwapAt(std::int32_t i, std::int32_t j);
  // Deselects the current entry, then selects index when it is selectable.
  virtual void SetCurrent(std::int32_t index);
  virtual void SetCurrentEntry(const cListEntry* entry);
  virtual cListEntry* GetCurrentEntry() const;
  virtual std::int32_t GetCurrent() const;
  virtual void ReinitializeEntries();

 private:
  void DestroyEntries();

  std::vector<cListEntry*> entries_;
  std::int32_t current_ = -1;
  cFont* font_ = nullptr;
};

}  // namespace ZGUI

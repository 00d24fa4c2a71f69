#include "gui/fonts.h"

#include <cstring>
#include <new>

#include "foundation/errors.h"
#include "foundation/stream.h"
#include "foundation/text.h"

namespace ZGUI {
namespace {

cFontManager* current = nullptr;

}  // namespace

cFontManager::tFont::tFont(const char* faceName) : name(CopyName(faceName)) {}

cBitmapFont* cFontManager::tFont::GetSizedFont(std::int32_t size) {
  if (!baseFont) return nullptr;
  for (auto& [font, fontSize] : sizedFonts) {
    if (fontSize == size) return font.get();
  }
  auto* font = new (std::nothrow) cBitmapFont();
  if (!font) throw new VOXA::errors::eCouldNotCreateObject("cBitmapFont");
  std::unique_ptr<cBitmapFont> owned(font);
  owned->BuildScaled(baseFont.get(), size);
  sizedFonts.emplace_back(std::move(owned), size);
  return font;
}

cFontManager::cFontManager() { current = this; }

cFontManager::~cFontManager() {
  if (current == this) current = nullptr;
}

cFontManager* cFontManager::Current() { return current; }

const char* cFontManager::GetClassName() const { return "cFontManager"; }
std::int32_t cFontManager::GetClassID() const { return classid::FontManager; }
bool cFontManager::InheritsFrom(std::int32_t id) const { return id == classid::Object; }

void cFontManager::Reinitialize() {
  for (auto& entry : entries_) entry->sizedFonts.clear();
}

cFontManager::tFont* cFontManager::GetFontEntry(const char* name) {
  if (!name) return nullptr;
  for (auto& entry : entries_) {
    if (EqualsNoCase(entry->name, name)) return entry.get();
  }
  auto* entry = new (std::nothrow) tFont(name);
  if (!entry) throw new VOXA::errors::eCouldNotCreateObject("tFont");
  entries_.emplace_back(entry);
  return entry;
}

void cFontManager::AddFont(const char* name, cBitmapFont* font) {
  if (!name || !font) return;
  tFont* entry = GetFontEntry(name);
  // Registering the face's own base font again must not delete it.
  if (entry->baseFont.get() == font) return;
  entry->baseFont.reset(font);
}

cBitmapFont* cFontManager::GetFont(const cFont* font) {
  if (!font) return nullptr;
  return GetFont(font->GetName(), font->GetSize());
}

cBitmapFont* cFontManager::GetFont(const char* name, std::int32_t size) {
  tFont* entry = GetFontEntry(name);
  return entry ? entry->GetSizedFont(size) : nullptr;
}

cFont::cFont(const cFont& other) : cObject() {
  SetName(other.GetName());
  SetSize(other.GetSize());
}

cFont::cFont(const char* name, std::int32_t size) {
  SetName(name);
  SetSize(size);
}

const char* cFont::GetClassName() const { return "cFont"; }
std::int32_t cFont::GetClassID() const { return classid::Font; }
bool cFont::InheritsFrom(std::int32_t id) const { return id == classid::Object; }

void cFont::SetName(const char* name) {
  if (name) {
    name_ = CopyName(name);
  } else {
    name_.reset();
  }
  cFontManager* manager = cFontManager::Current();
  entry_ = manager && name_ ? manager->GetFontEntry(name_->c_str()) : nullptr;
}

void cFont::SetSize(std::int32_t size) { size_ = size; }
const char* cFont::GetName() const { return name_ ? name_->c_str() : nullptr; }
std::int32_t cFont::GetSize() const { return size_; }

cBitmapFont* cFont::GetSizedFont() const { return entry_ ? entry_->GetSizedFont(size_) : nullptr; }

std::int32_t cFont::GetHeight() const {
  const cBitmapFont* font = GetSizedFont();
  return font ? font->GetHeight() : 0;
}

std::int32_t cFont::GetTextWidth(const char* text) const {
  if (!text) return 0;
  return GetTextWidth(text, static_cast<std::int32_t>(std::strlen(text)));
}

std::int32_t cFont::GetTextWidth(const char* text, std::int32_t length) const {
  const cBitmapFont* font = GetSizedFont();
  return font ? font->GetTextWidth(text, length) : 0;
}

std::int32_t cFont::GetBaseline() const {
  const cBitmapFont* font = GetSizedFont();
  return font ? font->GetBaseline() : 0;
}

}  // namespace ZGUI

// Fonts as widgets hold them: a face name and a size in canvas units. The font
// manager maps each face (names compared without regard to ASCII case) to its
// base font and the sized fonts built from it on first use, and drops the
// sized fonts after a change of video mode.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/basis.h"
#include "gui/bitmapfont.h"
#include "gui/object.h"

namespace ZGUI {

class cFontManager : public cObject {
 public:
  struct tFont : public virtual basis::basisStruct {
    explicit tFont(const char* faceName);
    tFont(const tFont&) = delete;
    tFont& operator=(const tFont&) = delete;

    // The font built from the base font at exactly this size, built and cached
    // on first use; null without a base font.
    cBitmapFont* GetSizedFont(std::int32_t size);

    std::string name;
    std::unique_ptr<cBitmapFont> baseFont;
    std::vector<std::pair<std::unique_ptr<cBitmapFont>, std::int32_t>> sizedFonts;
  };

  // The new manager becomes the current one.
  cFontManager();
  cFontManager(const cFontManager&) = delete;
  cFontManager& operator=(const cFontManager&) = delete;
  ~cFontManager() override;

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;
  // Drops every sized font; the base fonts stay.
  void Reinitialize() override;

  // The entry of a face, created empty when the face is new; null for no name.
  virtual tFont* GetFontEntry(const char* name);
  // The manager takes font over as the face's base font, deleting the old one.
  virtual void AddFont(const char* name, cBitmapFont* font);
  virtual cBitmapFont* GetFont(const class cFont* font);
  virtual cBitmapFont* GetFont(const char* name, std::int32_t size);

  // The manager through which fonts resolve their names, or null.
  static cFontManager* Current();

 private:
  std::vector<std::unique_ptr<tFont>> entries_;
};

class cFont : public cObject {
 public:
  cFont() = default;
  cFont(const cFont& other);
  cFont(const char* name, std::int32_t size);
  cFont& operator=(const cFont&) = delete;

  const char* GetClassName() const override;
  std::int32_t GetClassID() const override;
  bool InheritsFrom(std::int32_t id) const override;

  // The face's entry is looked up here, and only here, through the current
  // manager: a font named while no manager exists keeps no entry.
  virtual void SetName(const char* name);
  virtual void SetSize(std::int32_t size);
  virtual const char* GetName() const;
  virtual std::int32_t GetSize() const;
  virtual std::int32_t GetHeight() const;
  virtual std::int32_t GetTextWidth(const char* text) const;
  virtual std::int32_t GetTextWidth(const char* text, std::int32_t length) const;
  virtual std::int32_t GetBaseline() const;

  cFontManager::tFont* GetEntry() const { return entry_; }
  // The sized font that measuring and drawing use, or null.
  cBitmapFont* GetSizedFont() const;

 private:
  std::int32_t size_ = 0;
  std::optional<std::string> name_;
  cFontManager::tFont* entry_ = nullptr;
};

}  // namespace ZGUI

#include "effects2d/crazyfont.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "effects2d/pictureloader.h"
#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/texture.h"

namespace VOXA2 {
namespace {

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::errors::eCouldNotCreateObject;
using VOXA::errors::NewOrThrow;

tFontTextureMaker& Maker() {
  static tFontTextureMaker maker;
  return maker;
}

video::voxaTexture* MakeTexture(cColorPic* picture, tChannelDepths* depths) {
  if (Maker()) return Maker()(picture, depths);
  return video::kernelTexture::LoadFile(picture, depths);
}

template <typename T>
std::unique_ptr<T> New(const char* className) {
  return std::unique_ptr<T>(NewOrThrow<T>(className));
}

bool Matches(const cColorPic& picture, std::size_t offset, std::uint32_t rgba) {
  return picture.planes[0].pixels[offset] == (rgba >> 24 & 0xFF) &&
         picture.planes[1].pixels[offset] == (rgba >> 16 & 0xFF) &&
         picture.planes[2].pixels[offset] == (rgba >> 8 & 0xFF) &&
         picture.planes[3].pixels[offset] == (rgba & 0xFF);
}

std::int32_t PowerOfTwoAtLeast(std::int32_t value) {
  std::int32_t size = 1;
  while (size < value && size < CrazyFont::kTextureSize) size <<= 1;
  return size;
}

// A texel position as a texture coordinate; a texture one texel wide has only 0.
float Coordinate(std::int32_t texel, std::int32_t size) {
  return size > 1 ? static_cast<float>(texel) / static_cast<float>(size - 1) : 0.0f;
}

struct tPackingLine {
  std::int32_t count = 0;
  std::int32_t length = 0;
  unsigned char codes[CrazyFont::kLineCapacity] = {};
};

// Cuts the glyph cells of the character set out of the picture's top row.
// False when the set outruns the picture.
bool ScanCells(CrazyFont* font, const cColorPic& picture, const unsigned char* set,
               std::uint32_t background, std::uint32_t separation) {
  const std::int32_t w = picture.width;
  std::int32_t cursor = 0;
  for (const unsigned char* c = set; *c; c++) {
    const std::int32_t cellStart = cursor;
    while (cursor < w && !Matches(picture, static_cast<std::size_t>(cursor), separation)) cursor++;
    const std::int32_t x = cursor;
    if (x >= w && c[1]) {
      LogMessage(5,
                 "  The scanner hit the right border, while there were still characters in the "
                 "string (current character is '%c')!",
                 *c);
      return false;
    }
    if (x != cellStart) {
      std::unique_ptr<CrazyChar>& record = font->chars[*c];
      record = New<CrazyChar>("CrazyChar");
      record->width = x - cellStart - 1;
      LogMessage(5, "character #%i (\"%c\"): %i x %i pels", *c, *c, record->width, font->height);
      if (record->width != 0) {
        record->picture = New<cColorPic>("cColorPic");
        cColorPic* glyph = record->picture.get();
        glyph->Create(record->width, font->height);
        if (glyph->width != record->width || glyph->height != font->height)
          throw new eCouldNotCreateObject("cColorPic");
        glyph->CopyRect(&picture, cellStart, 0, 0, 0, record->width, font->height);
        const std::size_t area =
            static_cast<std::size_t>(glyph->width) * static_cast<std::size_t>(glyph->height);
        for (std::size_t i = 0; i < area; i++)
          if (Matches(*glyph, i, background))
            for (cMonoPic& plane : glyph->planes) plane.pixels[i] = 0;
      }
    }
    cursor = x + 1;
  }
  return true;
}

// Codes in ascending order, each into the first line with room for it.
std::vector<tPackingLine> PackLines(const CrazyFont& font) {
  std::vector<tPackingLine> lines;
  try {
    lines.reserve(256);
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("texture lines buffer!");
  }
  for (int code = 0; code < 256; code++) {
    const CrazyChar* record = font.chars[code].get();
    if (!record || record->width == 0) continue;
    const std::int32_t width = record->width;
    auto line = std::find_if(lines.begin(), lines.end(), [&](const tPackingLine& l) {
      return CrazyFont::kTextureSize - l.length > width && l.count < CrazyFont::kLineCapacity;
    });
    if (line != lines.end()) {
      line->codes[line->count++] = static_cast<unsigned char>(code);
      line->length += width + 1;
    } else {
      // At most one line per code: the reserved room always holds it.
      tPackingLine fresh;
      fresh.count = 1;
      fresh.length = width;
      fresh.codes[0] = static_cast<unsigned char>(code);
      lines.push_back(fresh);
    }
  }
  return lines;
}

// Places the glyphs of the texture's lines, fills its picture and makes it.
void BuildTexture(CrazyFont* font, std::int32_t t, const tPackingLine* lines, std::int32_t count,
                  tChannelDepths* depths) {
  std::int32_t longest = 0;
  for (std::int32_t l = 0; l < count; l++) {
    const std::string text(reinterpret_cast<const char*>(lines[l].codes),
                           static_cast<std::size_t>(lines[l].count));
    LogMessage(5, "  line %i: (%i pels) \"%s\"", l, lines[l].length, text.c_str());
    longest = std::max(longest, lines[l].length);
  }
  const std::int32_t size =
      std::max(PowerOfTwoAtLeast(longest), PowerOfTwoAtLeast(count * font->height));
  std::unique_ptr<cColorPic> picture = New<cColorPic>("cColorPic");
  picture->Create(size, size);
  if (picture->width != size || picture->height != size)
    throw new eCouldNotCreateObject("cColorPic");
  for (std::int32_t l = 0; l < count; l++) {
    std::int32_t x = 0;
    for (std::int32_t i = 0; i < lines[l].count; i++) {
      CrazyChar* record = font->chars[lines[l].codes[i]].get();
      record->left = x;
      record->top = l * font->height;
      record->right = x + record->width - 1;
      record->bottom = record->top + font->height - 1;
      record->texture = t;
      record->tu1 = Coordinate(record->left, size);
      record->tv1 = Coordinate(record->top, size);
      record->tu2 = Coordinate(record->right, size);
      record->tv2 = Coordinate(record->bottom, size);
      picture->CopyRect(record->picture.get(), 0, 0, record->left, record->top, record->width,
                        font->height);
      x += record->width + 1;
    }
  }
  // Transparent background texels need at least one alpha bit.
  if (depths->alpha == 0) depths->alpha = 1;
  video::voxaTexture* texture = MakeTexture(picture.get(), depths);
  if (!texture) throw new eCouldNotCreateObject("voxaTexture");
  font->textures[static_cast<std::size_t>(t)].reset(texture);
}

// Gives each alias character a copy of its partner's record.
void ApplyAliases(CrazyFont* font, const unsigned char* set, const unsigned char* aliases) {
  for (; *set && *aliases; set++, aliases++) {
    if (*set == *aliases) continue;
    const CrazyChar* partner = font->chars[*set].get();
    // A partner whose cell was empty has nothing to lend; the alias keeps its own.
    if (!partner) continue;
    std::unique_ptr<CrazyChar> copy(NewOrThrow<CrazyChar>("CrazyChar", *partner));
    font->chars[*aliases] = std::move(copy);
  }
}

}  // namespace

CrazyChar::CrazyChar(const CrazyChar& other)
    : width(other.width),
      left(other.left),
      top(other.top),
      right(other.right),
      bottom(other.bottom),
      texture(other.texture),
      tu1(other.tu1),
      tv1(other.tv1),
      tu2(other.tu2),
      tv2(other.tv2) {}

void SetFontTextureMaker(tFontTextureMaker maker) { Maker() = std::move(maker); }

CrazyFont::~CrazyFont() = default;

std::int32_t CrazyFont::TextWidth(const char* text) const {
  std::int32_t width = 0;
  for (const char* c = text; c && *c; c++) {
    const CrazyChar* record = Char(static_cast<unsigned char>(*c));
    width += (record ? record->width : 0) + (c[1] ? kCrazyCharGap : 0);
  }
  return width;
}

CrazyFont* CrazyFont::Load(const char* pictureName, const char* characters, const char* aliases,
                           std::uint32_t background, std::uint32_t separation) {
  if (!characters) return nullptr;
  std::unique_ptr<CrazyFont> font(NewOrThrow<CrazyFont>("CrazyFont"));

  std::unique_ptr<cColorPic> picture;
  tChannelDepths depths;
  {
    std::string path;
    try {
      path = std::string("fonts\\") + (pictureName ? pictureName : "");
    } catch (const std::bad_alloc&) {
      throw new eCouldNotAllocateMemoryFor("file name!");
    }
    picture.reset(LoadPicture(path.c_str(), false, "fonts\\", &depths, false));
  }
  if (!picture) return nullptr;

  LogMessage(5, " starting scanner (32bpp RGBA)...");
  // Taller than a texture there would be no room for a single line.
  if (picture->height < 1 || picture->height > kTextureSize || picture->width < 1) {
    LogMessage(5, "  The font picture is %i x %i pels; fonts are 1 to %i pels high!",
               picture->width, picture->height, kTextureSize);
    return nullptr;
  }
  font->height = picture->height;

  const auto* set = reinterpret_cast<const unsigned char*>(characters);
  if (!ScanCells(font.get(), *picture, set, background, separation)) return nullptr;
  for (int code = 0; code < 256; code++) {
    const CrazyChar* record = font->chars[code].get();
    if (record && record->width > kTextureSize) {
      LogMessage(5, "  character #%i is %i pels wide; glyphs are at most %i pels wide!", code,
                 record->width, kTextureSize);
      return nullptr;
    }
  }

  const std::vector<tPackingLine> lines = PackLines(*font);
  const auto lineCount = static_cast<std::int32_t>(lines.size());
  LogMessage(5, "Character set placed in %i \"lines\" of a maximum length of %i pels", lineCount,
             kTextureSize);

  const std::int32_t linesPerTexture = kTextureSize / font->height;
  font->textureCount = (lineCount + linesPerTexture - 1) / linesPerTexture;
  try {
    font->textures.resize(static_cast<std::size_t>(font->textureCount));
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("texture list!");
  }
  for (std::int32_t t = 0; t < font->textureCount; t++) {
    LogMessage(5, " texture #%i", t + 1);
    const std::int32_t first = t * linesPerTexture;
    const std::int32_t count = std::min(linesPerTexture, lineCount - first);
    BuildTexture(font.get(), t, lines.data() + first, count, &depths);
  }

  picture.reset();
  for (auto& record : font->chars)
    if (record) record->FreePicture();

  if (aliases) ApplyAliases(font.get(), set, reinterpret_cast<const unsigned char*>(aliases));
  return font.release();
}

}  // namespace VOXA2

#include "gui/bitmapfont.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "foundation/archive.h"
#include "foundation/errors.h"
#include "foundation/pcx.h"
#include "foundation/stream.h"
#include "gui/metrics.h"

namespace ZGUI {
namespace {

constexpr std::int32_t kHeaderSize = 128;
// A run of two bytes gives at most 63 pixels; a picture that claims more rows
// than its data could hold is refused before anything is allocated for it.
constexpr std::int64_t kMaxExpansion = 32;
constexpr std::int64_t kMaxDecoded = std::int64_t{64} << 20;

// The letters and digits that sit on the baseline.
constexpr const char* kBaselineCharacters =
    "ABCDEFGHIKLMNOPRSTUVWXYZabcdefhiklmnorstzuvxz1234567890";

std::int32_t Word(const std::uint8_t* header, int at, bool isSigned) {
  const std::uint16_t raw = static_cast<std::uint16_t>(header[at] | header[at + 1] << 8);
  return isSigned ? static_cast<std::int16_t>(raw) : raw;
}

template <class T>
std::unique_ptr<T[]> Allocate(std::size_t count, const char* what) {
  std::unique_ptr<T[]> block(new (std::nothrow) T[count]());
  if (!block) throw new VOXA::errors::eCouldNotAllocateMemoryFor(what);
  return block;
}

}  // namespace

cBitmapFont::tCharacter::~tCharacter() {
  if (!borrowed) delete[] pixels;
}

cBitmapFont::cBitmapFont() : glyphs_(new (std::nothrow) tCharacter*[kGlyphCount]()) {
  if (!glyphs_) throw new VOXA::errors::eCouldNotAllocateMemoryFor("character list!");
}

cBitmapFont::cBitmapFont(const cBitmapFont* source, std::int32_t size) : cBitmapFont() {
  BuildScaled(source, size);
}

cBitmapFont::~cBitmapFont() { ClearGlyphs(); }

void cBitmapFont::ClearGlyphs() {
  for (std::int32_t i = 0; i < kGlyphCount; ++i) {
    delete glyphs_[i];
    glyphs_[i] = nullptr;
  }
}

std::int32_t cBitmapFont::GetTextWidth(const char* text, std::int32_t length) const {
  if (!text) return 0;
  std::int32_t width = 0;
  for (std::int32_t i = 0; i < length; ++i) {
    if (const tCharacter* glyph = glyphs_[static_cast<std::uint8_t>(text[i])]) width += glyph->width;
  }
  return width;
}

cBitmapFont::tCharacter* cBitmapFont::CreateGlyph(std::uint8_t code, std::int32_t width) {
  auto* glyph = new (std::nothrow) tCharacter();
  if (!glyph) throw new VOXA::errors::eCouldNotCreateObject("tCharacter");
  const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height_);
  glyph->pixels = new (std::nothrow) std::uint8_t[std::max<std::size_t>(size, 1)]();
  if (!glyph->pixels) {
    delete glyph;
    throw new VOXA::errors::eCouldNotAllocateMemoryFor("character data!");
  }
  glyph->width = width;
  delete glyphs_[code];
  glyphs_[code] = glyph;
  return glyph;
}

bool cBitmapFont::Load(const char* fileName, const char* characterSet) {
  if (!characterSet || !*characterSet) return false;
  ClearGlyphs();
  if (!fileName) return false;
  std::unique_ptr<TStream> stream = OpenFile(fileName, 0);
  if (!stream) return false;
  return Load(stream.get(), characterSet);
}

bool cBitmapFont::Load(TStream* stream, const char* characterSet) {
  if (!characterSet || !*characterSet) return false;
  ClearGlyphs();
  if (!stream) return false;
  std::uint8_t header[kHeaderSize];
  stream->Seek(0, 0);
  if (stream->Read(header, kHeaderSize, 1) != 1) return false;
  if (header[0] != 10 || header[1] < 5 || header[2] != 1 || header[3] != 8 || header[65] != 1) {
    return false;
  }
  const std::int32_t height = Word(header, 10, true) - Word(header, 6, true);
  const std::int32_t bytesPerLine = Word(header, 66, false);
  const std::int32_t size = stream->Size();
  const std::int64_t decodedSize = std::int64_t{bytesPerLine} * height;
  // A font needs its marker row and at least one row of glyph pixels.
  if (height < 2 || bytesPerLine < 1 || size <= kHeaderSize) return false;
  if (decodedSize > kMaxDecoded || decodedSize > kMaxExpansion * (size - kHeaderSize)) {
    return false;
  }

  auto file = Allocate<std::uint8_t>(static_cast<std::size_t>(size), "file buffer!");
  stream->Seek(kHeaderSize, 0);
  const std::int32_t available = stream->Read(file.get(), 1, size - kHeaderSize);
  auto lines = Allocate<std::uint8_t>(static_cast<std::size_t>(decodedSize), "line buffer!");
  std::int32_t position = 0;
  if (!PCXlib::DecodeRLE(static_cast<std::int32_t>(decodedSize), lines.get(), file.get(),
                         available, &position)) {
    return false;
  }

  // Row 0: each glyph runs up to the next marker, which must lie in the row.
  // Widths are kept per position in the set, so a character named twice does
  // not shift the columns of those after it.
  const std::size_t count = std::strlen(characterSet);
  std::vector<std::int32_t> widths(count);
  std::int32_t column = 0;
  for (std::size_t k = 0; k < count; ++k) {
    std::int32_t width = 0;
    while (column + width < bytesPerLine && lines[static_cast<std::size_t>(column + width)] != 255) {
      ++width;
    }
    if (column + width >= bytesPerLine) return false;  // fewer markers than characters
    widths[k] = width;
    column += width + 1;
  }

  height_ = height;
  bool any = false;
  column = 0;
  std::vector<tCharacter*> cut(count, nullptr);
  for (std::size_t k = 0; k < count; ++k) {
    const auto code = static_cast<std::uint8_t>(characterSet[k]);
    // A zero-width glyph is no glyph; the first occurrence of a character wins.
    if (widths[k] > 0 && !glyphs_[code]) {
      cut[k] = CreateGlyph(code, widths[k]);
      any = true;
    }
  }
  if (!any) {
    ClearGlyphs();
    return false;
  }
  for (std::int32_t r = 1; r < height; ++r) {
    const std::uint8_t* row = lines.get() + static_cast<std::size_t>(r) * bytesPerLine;
    column = 0;
    for (std::size_t k = 0; k < count; ++k) {
      if (cut[k]) {
        std::memcpy(cut[k]->pixels + static_cast<std::size_t>(r - 1) * widths[k], row + column,
                    static_cast<std::size_t>(widths[k]));
      }
      column += widths[k] + 1;
    }
  }
  ComputeBaseline();
  return true;
}

bool cBitmapFont::BuildScaled(const cBitmapFont* source, std::int32_t size) {
  if (!source || size < 1) return false;
  ClearGlyphs();
  const std::int64_t screenWidth = GetScreenWidth(), screenHeight = GetScreenHeight();
  const std::int64_t sh = source->height_;
  const std::int64_t height = screenHeight * size / 480;
  // No pixel row at this size on this screen (or no screen yet).
  if (height < 1 || height > INT32_MAX || screenWidth < 1 || sh < 1) {
    height_ = 0;
    baseline_ = 0;
    return false;
  }
  height_ = static_cast<std::int32_t>(height);
  const std::int64_t verticalStep = (sh << 16) / height;
  const std::int64_t d = sh * 640;
  for (std::int32_t code = kGlyphCount - 1; code >= 0; --code) {
    const tCharacter* from = source->glyphs_[code];
    if (!from) continue;
    const std::int64_t sw = from->width;
    if (sw < 1) continue;
    const std::int64_t span = sw * size * screenWidth;
    const std::int64_t horizontalStep = (sw * 65536 * sh * 640) / span;
    const std::int64_t width = std::max<std::int64_t>((span + d - 1 + d / 2) / d, 1);
    if (width > INT32_MAX / height_) throw new VOXA::errors::eCouldNotAllocateMemoryFor("character data!");
    tCharacter* glyph = CreateGlyph(static_cast<std::uint8_t>(code), static_cast<std::int32_t>(width));
    std::uint8_t* out = glyph->pixels;
    std::int64_t ay = 0;
    for (std::int32_t j = 0; j < height_; ++j, ay += verticalStep) {
      const std::int64_t y0 = ay >> 16;
      const std::int64_t rows = std::max<std::int64_t>(((ay + verticalStep) >> 16) - y0, 1);
      const std::int64_t y1 = std::min(y0 + rows, sh);
      std::int64_t ax = 0;
      for (std::int64_t i = 0; i < width; ++i, ax += horizontalStep) {
        const std::int64_t x0 = ax >> 16;
        const std::int64_t columns = std::max<std::int64_t>(((ax + horizontalStep) >> 16) - x0, 1);
        const std::int64_t x1 = std::min(x0 + columns, sw);
        std::int64_t sum = 0;
        for (std::int64_t y = y0; y < y1; ++y) {
          const std::uint8_t* row = from->pixels + y * sw;
          for (std::int64_t x = x0; x < x1; ++x) sum += row[x];
        }
        *out++ = static_cast<std::uint8_t>(sum / (rows * columns));
      }
    }
  }
  ComputeBaseline();
  return true;
}

void cBitmapFont::ComputeBaseline() {
  std::int64_t sum = 0;
  std::int32_t found = 0;
  for (const char* c = kBaselineCharacters; *c; ++c) {
    const tCharacter* glyph = glyphs_[static_cast<std::uint8_t>(*c)];
    if (!glyph) continue;
    for (std::int32_t row = height_ - 1; row >= 0; --row) {
      const std::uint8_t* p = glyph->pixels + static_cast<std::size_t>(row) * glyph->width;
      if (std::any_of(p, p + glyph->width, [](std::uint8_t v) { return v != 0; })) {
        sum += row;
        ++found;
        break;
      }
    }
  }
  baseline_ = found ? static_cast<std::int32_t>(sum / found) : height_ * 4 / 5;
}

}  // namespace ZGUI

#include "script/filters.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "foundation/allocate.h"
#include "foundation/errors.h"
#include "foundation/gfxloader.h"
#include "foundation/numeric.h"
#include "foundation/registry.h"
#include "script/parser.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/video.h"

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::errors::NewOrThrow;

namespace VOXA2::filter {

namespace {

constexpr std::int32_t kRescaleId = static_cast<std::int32_t>(0xFE000100u);
constexpr std::int32_t kResampleId = static_cast<std::int32_t>(0xFE000101u);
constexpr std::int32_t kTintId = static_cast<std::int32_t>(0xFE000200u);
constexpr std::int32_t kGrayscaleId = static_cast<std::int32_t>(0xFE000201u);
constexpr std::int32_t kAddBorderId = static_cast<std::int32_t>(0xFE000300u);
constexpr std::int32_t kSubBorderId = static_cast<std::int32_t>(0xFE000301u);
constexpr std::uint32_t kVersion = 0x02000000u;

cFilter* CreateResample(const tFilterDesc* description) {
  auto* filter = NewOrThrow<cResample>("cResample");
  if (description && description->identifier == kRescaleId) {
    filter->width.method = kNearest;
    filter->height.method = kNearest;
  }
  return filter;
}

cFilter* CreateTint(const tFilterDesc* description) {
  auto* filter = NewOrThrow<cTint>("cTint");
  if (description && description->identifier == kGrayscaleId) filter->SetGray();
  return filter;
}

cFilter* CreateAddBorder(const tFilterDesc* description) {
  auto* filter = NewOrThrow<cAddBorder>("cAddBorder");
  if (description && description->identifier == kSubBorderId) filter->subtract = 1;
  return filter;
}

const tFilterDesc kBuiltIn[6] = {
    {"rescale", tokIdentifier, kRescaleId, CreateResample, kVersion},
    {"resample", tokIdentifier, kResampleId, CreateResample, kVersion},
    {nullptr, tokTint, kTintId, CreateTint, kVersion},
    {"grayscale", tokIdentifier, kGrayscaleId, CreateTint, kVersion},
    {"add_border", tokIdentifier, kAddBorderId, CreateAddBorder, kVersion},
    {"sub_border", tokIdentifier, kSubBorderId, CreateAddBorder, kVersion},
};

cSortedRegistry<tFilterDesc>& Registry() {
  static cSortedRegistry<tFilterDesc> registry("filter list!");
  return registry;
}
bool registered = false;

// The current token's text when it is an identifier ("" for any other token).
std::string Identifier(cParserT* parser) {
  if (!parser->token || parser->token->code != tokIdentifier) return "";
  auto* ident = dynamic_cast<cIdentToken*>(parser->token.get());
  return ident ? ident->text : "";
}

std::int32_t Code(cParserT* parser) { return parser->token ? parser->token->code : tokNone; }

std::uint8_t ToByte(float value) {
  if (!(value > 0.0f)) return 0;
  if (value > 255.0f) value = 255.0f;
  return static_cast<std::uint8_t>(TruncToInt(value));
}

}  // namespace

// ---- sizes and colours ----------------------------------------------------

std::int32_t ComputeWidth(std::int32_t mode, float value) {
  const auto v = static_cast<float>(screenInfo.virtualWidth);
  switch (mode) {
    case kAbsolute:
      return TruncToInt(value);
    case kRelative:
      return TruncToInt(value * v);
    case kR640x480:
      return TruncToInt(value * (1.0f / 640.0f) * v);
    default:
      return 0;
  }
}

std::int32_t ComputeHeight(std::int32_t mode, float value) {
  const auto v = static_cast<float>(screenInfo.virtualHeight);
  switch (mode) {
    case kAbsolute:
      return TruncToInt(value);
    case kRelative:
      return TruncToInt(value * v);
    case kR640x480:
      return TruncToInt(value * (1.0f / 480.0f) * v);
    default:
      return 0;
  }
}

void ParseSize(cParserT* parser, std::int32_t* mode, float* value) {
  if (Code(parser) == tokRelative) {
    *mode = kRelative;
    parser->GetToken();
  } else {
    const std::string word = Identifier(parser);
    if (word == "absolute") {
      *mode = kAbsolute;
      parser->GetToken();
    } else if (word == "r640x480") {
      *mode = kR640x480;
      parser->GetToken();
    }
  }
  *value = parser->ParseFloatExpression();
}

void ParseColor(cParserT* parser, float rgb[3]) {
  if (Code(parser) == tokOpenParen) {
    parser->Expect(tokOpenParen);
    rgb[0] = parser->ParseFloatExpression();
    parser->Expect(tokComma);
    rgb[1] = parser->ParseFloatExpression();
    parser->Expect(tokComma);
    rgb[2] = parser->ParseFloatExpression();
    parser->Expect(tokCloseParen);
  } else {
    rgb[0] = rgb[1] = rgb[2] = parser->ParseFloatExpression();
  }
}

// ---- cResample ------------------------------------------------------------

bool cResample::Parse(cParserT* parser) {
  const std::string word = Identifier(parser);
  if (word == "X") {
    dimension = 0;
    parser->GetToken();
  } else if (word == "Y") {
    dimension = 1;
    parser->GetToken();
  }
  if (dimension == 2 && Code(parser) == tokOpenParen) {
    parser->Expect(tokOpenParen);
    ParseSize(parser, &width.mode, &width.value);
    parser->Expect(tokComma);
    ParseSize(parser, &height.mode, &height.value);
    parser->Expect(tokCloseParen);
  } else {
    std::int32_t mode = kRelative;
    float value = 1.0f;
    ParseSize(parser, &mode, &value);
    if (dimension != 1) {
      width.mode = mode;
      width.value = value;
    }
    if (dimension != 0) {
      height.mode = mode;
      height.value = value;
    }
  }
  if (width.value <= 0.0f || height.value <= 0.0f) {
    parser->Error(-1, "Width or height cannot be zero or negative!");
  }
  parser->Expect(tokSemicolon);
  return true;
}

bool cResample::Apply(cColorPic** picture) {
  if (!picture || !*picture) return false;
  cColorPic* pic = *picture;
  if (dimension == 0 || dimension == 2) {
    const std::int32_t w = ComputeWidth(width.mode, width.value);
    LogMessage(5, "    Sampling width to %i pixel", w);
    CheckPictureSize(w, pic->height);
    if (width.method == kNearest) {
      pic->ScaleWidth(w);
    } else {
      pic->ResampleWidth(w);
    }
  }
  if (dimension == 1 || dimension == 2) {
    const std::int32_t h = ComputeHeight(height.mode, height.value);
    LogMessage(5, "    Sampling height to %i pixel", h);
    CheckPictureSize(pic->width, h);
    if (height.method == kNearest) {
      pic->ScaleHeight(h);
    } else {
      pic->ResampleHeight(h);
    }
  }
  return true;
}

const tFilterDesc* cResample::GetDescription() { return &kBuiltIn[1]; }

// ---- cTint ----------------------------------------------------------------

// Mappings that a "tint" does not set leave their colour where it was.
cTint::cTint() : red{1.0f, 0.0f, 0.0f}, green{0.0f, 1.0f, 0.0f}, blue{0.0f, 0.0f, 1.0f} {}

void cTint::SetGray() {
  gray = 1;
  for (int i = 0; i < 3; ++i) {
    red[i] = 0.2125f;
    green[i] = 0.7154f;
    blue[i] = 0.0721f;
  }
}

bool cTint::Parse(cParserT* parser) {
  if (!gray) {
    while (Code(parser) == tokIdentifier) {
      const std::string word = Identifier(parser);
      if (word == "red" || word == "green" || word == "blue") {
        parser->GetToken();
        ParseColor(parser, word == "red" ? red : word == "green" ? green : blue);
      } else if (word == "gray") {
        parser->GetToken();
        float rgb[3];
        ParseColor(parser, rgb);
        std::copy(rgb, rgb + 3, red);
        std::copy(rgb, rgb + 3, green);
        std::copy(rgb, rgb + 3, blue);
      } else {
        break;
      }
      if (Code(parser) == tokComma) parser->GetToken();
    }
  }
  parser->Expect(tokSemicolon);
  return true;
}

bool cTint::Apply(cColorPic** picture) {
  if (!picture || !*picture) return false;
  LogMessage(5, "    Red will be mapped to (R:%g, G:%g, B:%g)", red[0], red[1], red[2]);
  LogMessage(5, "    Green will be mapped to (R:%g, G:%g, B:%g)", green[0], green[1], green[2]);
  LogMessage(5, "    Blue will be mapped to (R:%g, G:%g, B:%g)", blue[0], blue[1], blue[2]);
  cColorPic* pic = *picture;
  std::uint8_t* r = pic->planes[0].pixels;
  std::uint8_t* g = pic->planes[1].pixels;
  std::uint8_t* b = pic->planes[2].pixels;
  if (!r || !g || !b) return true;
  const std::size_t count =
      static_cast<std::size_t>(pic->width) * static_cast<std::size_t>(pic->height);
  for (std::size_t i = 0; i < count; ++i) {
    const float cr = r[i], cg = g[i], cb = b[i];
    const float nr = red[0] * cr + green[0] * cg + blue[0] * cb;
    const float ng = red[1] * cr + green[1] * cg + blue[1] * cb;
    const float nb = red[2] * cr + green[2] * cg + blue[2] * cb;
    r[i] = ToByte(nr);
    g[i] = ToByte(ng);
    b[i] = ToByte(nb);
  }
  return true;
}

const tFilterDesc* cTint::GetDescription() { return gray ? &kBuiltIn[3] : &kBuiltIn[2]; }

// ---- cAddBorder -----------------------------------------------------------

bool cAddBorder::Parse(cParserT* parser) {
  if (Code(parser) != tokOpenParen) {
    Parameter all;
    all.value = 1.0f;
    ParseSize(parser, &all.mode, &all.value);
    left = right = top = bottom = all;
  } else {
    parser->Expect(tokOpenParen);
    Parameter horizontal, vertical;
    horizontal.value = vertical.value = 1.0f;
    ParseSize(parser, &horizontal.mode, &horizontal.value);
    left = right = horizontal;
    parser->Expect(tokComma);
    ParseSize(parser, &vertical.mode, &vertical.value);
    top = bottom = vertical;
    if (Code(parser) == tokComma) {
      parser->GetToken();
      ParseSize(parser, &right.mode, &right.value);
      parser->Expect(tokComma);
      ParseSize(parser, &bottom.mode, &bottom.value);
    }
    parser->Expect(tokCloseParen);
  }
  if (Code(parser) == tokComma) {
    parser->GetToken();
    float rgb[3];
    ParseColor(parser, rgb);
    std::uint32_t bytes[3];
    for (int i = 0; i < 3; ++i) {
      const float c = std::clamp(rgb[i], 0.0f, 1.0f);
      bytes[i] = static_cast<std::uint32_t>(TruncToInt(c * 255.0f));
    }
    color = 0xFF000000u | bytes[0] << 16 | bytes[1] << 8 | bytes[2];
  }
  parser->Expect(tokSemicolon);
  return true;
}

bool cAddBorder::Apply(cColorPic** picture) {
  if (!picture || !*picture) return false;
  cColorPic* old = *picture;
  std::int64_t l = ComputeWidth(left.mode, left.value);
  std::int64_t r = ComputeWidth(right.mode, right.value);
  std::int64_t t = ComputeHeight(top.mode, top.value);
  std::int64_t b = ComputeHeight(bottom.mode, bottom.value);
  if (subtract) {
    l = -l;
    r = -r;
    t = -t;
    b = -b;
  }
  if (l == 0 && r == 0 && t == 0 && b == 0) return true;
  const std::int64_t w = old->width, h = old->height;
  if (t + h + b < 1) {
    LogMessage(5, "    Image height would be negative!");
    return false;
  }
  if (l + w + r < 1) {
    LogMessage(5, "    Image width would be negative!");
    return false;
  }
  if (-l > w || -r > w) {
    LogMessage(5, "    Image would be moved horizontally out of screen!");
    return false;
  }
  if (-t > h || -b > h) {
    LogMessage(5, "    Image would be moved vertically out of screen!");
    return false;
  }
  const std::int64_t newW = w + l + r, newH = h + t + b;
  if (newW > INT32_MAX || newH > INT32_MAX) return false;
  CheckPictureSize(newW, newH);

  std::unique_ptr<cColorPic> created(NewOrThrow<cColorPic>("cColorPic"));
  LogMessage(5, "    Creating new %i times %i bitmap", static_cast<int>(newW),
             static_cast<int>(newH));
  // Sized before it replaces the caller's picture, so that a failure leaves the old one there.
  created->Create(static_cast<std::int32_t>(newW), static_cast<std::int32_t>(newH));
  LogMessage(5, "    Fill bitmap with color %08X", color);
  created->Fill(static_cast<std::uint8_t>(color >> 16), static_cast<std::uint8_t>(color >> 8),
                static_cast<std::uint8_t>(color), static_cast<std::uint8_t>(color >> 24));
  const auto i32 = [](std::int64_t v) { return static_cast<std::int32_t>(v); };
  if (l >= 0 && r >= 0 && t >= 0 && b >= 0) {
    LogMessage(5, "    Blitting original picture to (%i,%i)", i32(l), i32(t));
    created->CopyRect(old, 0, 0, i32(l), i32(t), i32(w), i32(h));
  } else {
    const std::int64_t sl = l < 0 ? -l : 0, st = t < 0 ? -t : 0;
    const std::int64_t sr = r < 0 ? -r : 0, sb = b < 0 ? -b : 0;
    const std::int64_t dx = std::max<std::int64_t>(l, 0), dy = std::max<std::int64_t>(t, 0);
    LogMessage(5,
               "    Blitting original picture to (%i,%i), skipping (%i,%i,%i,%i) pixels of the "
               "original",
               i32(dx), i32(dy), i32(sl), i32(st), i32(sr), i32(sb));
    created->CopyRect(old, i32(sl), i32(st), i32(dx), i32(dy), i32(w - sl - sr), i32(h - st - sb));
  }
  *picture = created.release();
  delete old;
  return true;
}

const tFilterDesc* cAddBorder::GetDescription() { return subtract ? &kBuiltIn[5] : &kBuiltIn[4]; }

// ---- registry -------------------------------------------------------------

bool RegisterFilter(const tFilterDesc* description) { return Registry().Insert(description); }

const tFilterDesc* GetFilter(std::int32_t index) { return Registry().At(index); }

bool FiltersRegistered() { return registered; }

bool RegisterFilters() {
  if (registered) return true;
  for (const tFilterDesc& description : kBuiltIn) {
    if (!RegisterFilter(&description)) return false;
  }
  registered = true;
  return true;
}

void FreeFilters() {
  if (!registered) return;
  Registry().Clear();
  registered = false;
}

}  // namespace VOXA2::filter

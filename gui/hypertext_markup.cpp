// The markup reader: lexer, tags and attributes, the font and alignment stacks.
#include <algorithm>
#include <cstring>
#include <memory>

#include "foundation/text.h"
#include "gui/hypertext.h"
#include "gui/metrics.h"
#include "windxkernel/debuglog.h"

namespace ZGUI {
namespace {

constexpr std::int32_t kSizes[10] = {40, 30, 20, 16, 14, 12, 10, 8, 6, 4};
constexpr std::int32_t kHeadingSizes[10] = {50, 45, 40, 35, 30, 25, 20, 18, 16, 14};
constexpr std::uint32_t kLinkColour = 0xC0C0FF;
// Digits beyond these are read and ignored, so no number can overflow.
constexpr int kDecimalDigits = 9, kHexDigits = 8;

struct tColourName {
  const char* name;
  std::uint32_t value;
};

constexpr tColourName kColours[] = {
    {"black", 0x000000},
    {"maroon", 0x800000},
    {"green", 0x008000},
    {"olive", 0x808000},
    {"navy", 0x000080},
    {"purple", 0x800080},
    {"teal", 0x008080},
    {"gray", 0x808080},
    {"silver", 0xC0C0C0},
    {"red", 0xFF0000},
    {"lime", 0x00FF00},
    {"yellow", 0xFFFF00},
    {"blue", 0x0000FF},
    {"fuchsia", 0xFF00FF},
    {"aqua", 0x00FFFF},
    {"white", 0xFFFFFF},
    {"aliceblue", 0xF0F8FF},
    {"antiquewhite", 0xFAEBD7},
    {"aquamarine", 0x7FFFD4},
    {"azure", 0xF0FFFF},
    {"beige", 0xF5F5DC},
    {"blueviolet", 0x8A2BE2},
    {"brown", 0xA52A2A},
    {"burlywood", 0xDEB887},
    {"cadetblue", 0x5F9EA0},
    {"chartreuse", 0x7FFF00},
    {"chocolate", 0xD2691E},
    {"coral", 0xFF7F50},
    {"cornflowerblue", 0x6495ED},
    {"cornsilk", 0xFFF8DC},
    {"crimson", 0xDC143C},
    {"darkblue", 0x00008B},
    {"darkcyan", 0x008B8B},
    {"darkgoldenrod", 0xB8860B},
    {"darkgray", 0xA9A9A9},
    {"darkgreen", 0x006400},
    {"darkkhaki", 0xBDB76B},
    {"darkmagenta", 0x8B008B},
    {"darkolivegreen", 0x556B2F},
    {"darkorange", 0xFF8C00},
    {"darkorchid", 0x9932CC},
    {"darkred", 0x8B0000},
    {"darksalmon", 0xE9967A},
    {"darkseagreen", 0x8FBC8F},
    {"darkslateblue", 0x483D8B},
    {"darkslategray", 0x2F4F4F},
    {"darkturquoise", 0x00CED1},
    {"darkviolet", 0x9400D3},
    {"deeppink", 0xFF1493},
    {"deepskyblue", 0x00BFFF},
    {"dimgray", 0x696969},
    {"dodgerblue", 0x1E90FF},
    {"firebrick", 0xB22222},
    {"floralwhite", 0xFFFAF0},
    {"forestgreen", 0x228B22},
    {"gainsboro", 0xDCDCDC},
    {"ghostwhite", 0xF8F8FF},
    {"gold", 0xFFD700},
    {"goldenrod", 0xDAA520},
    {"greenyellow", 0xADFF2F},
    {"honeydew", 0xF0FFF0},
    {"hotpink", 0xFF69B4},
    {"indianred", 0xCD5C5C},
    {"indigo", 0x4B0082},
    {"ivory", 0xFFFFF0},
    {"khaki", 0xF0E68C},
    {"lavender", 0xE6E6FA},
    {"lavenderblush", 0xFFF0F5},
    {"lawngreen", 0x7CFC00},
    {"lemonchiffon", 0xFFFACD},
    {"lightblue", 0xADD8E6},
    {"lightcoral", 0xF08080},
    {"lightcyan", 0xE0FFFF},
    {"lightgoldenrodyellow", 0xFAFAD2},
    {"lightgreen", 0x90EE90},
    {"lightgrey", 0xD3D3D3},
    {"lightpink", 0xFFB6C1},
    {"lightsalmon", 0xFFA07A},
    {"lightseagreen", 0x20B2AA},
    {"lightskyblue", 0x87CEFA},
    {"lightslategray", 0x778899},
    {"lightsteelblue", 0xB0C4DE},
    {"lightyellow", 0xFFFFE0},
    {"limegreen", 0x32CD32},
    {"linen", 0xFAF0E6},
    {"mediumaquamarine", 0x66CDAA},
    {"mediumblue", 0x0000CD},
    {"mediumorchid", 0xBA55D3},
    {"mediumpurple", 0x9370DB},
    {"mediumseagreen", 0x3CB371},
    {"mediumslateblue", 0x7B68EE},
    {"mediumspringgreen", 0x00FA9A},
    {"mediumturquoise", 0x48D1CC},
    {"mediumvioletred", 0xC71585},
    {"midnightblue", 0x191970},
    {"mintcream", 0xF5FFFA},
    {"mistyrose", 0xFFE4E1},
    {"moccasin", 0xFFE4B5},
    {"navajowhite", 0xFFDEAD},
    {"oldlace", 0xFDF5E6},
    {"olivedrab", 0x6B8E23},
    {"orange", 0xFFA500},
    {"orangered", 0xFF4500},
    {"orchid", 0xDA70D6},
    {"palegoldenrod", 0xEEE8AA},
    {"palegreen", 0x98FB98},
    {"paleturquoise", 0xAFEEEE},
    {"palevioletred", 0xDB7093},
    {"papayawhip", 0xFFEFD5},
    {"peachpuff", 0xFFDAB9},
    {"peru", 0xCD853F},
    {"pink", 0xFFC0CB},
    {"plum", 0xDDA0DD},
    {"powderblue", 0xB0E0E6},
    {"rosybrown", 0xBC8F8F},
    {"royalblue", 0x4169E1},
    {"saddlebrown", 0x8B4513},
    {"salmon", 0xFA8072},
    {"sandybrown", 0xF4A460},
    {"seagreen", 0x2E8B57},
    {"seashell", 0xFFF5EE},
    {"sienna", 0xA0522D},
    {"skyblue", 0x87CEEB},
    {"slateblue", 0x6A5ACD},
    {"slategray", 0x708090},
    {"snow", 0xFFFAFA},
    {"springgreen", 0x00FF7F},
    {"steelblue", 0x4682B4},
    {"tan", 0xD2B48C},
    {"thistle", 0xD8BFD8},
    {"tomato", 0xFF6347},
    {"turquoise", 0x40E0D0},
    {"violet", 0xEE82EE},
    {"wheat", 0xF5DEB3},
    {"whitesmoke", 0xF5F5F5},
    {"yellowgreen", 0x9ACD32},
};
static_assert(sizeof kColours / sizeof kColours[0] == 136);

constexpr char kWhitespace[] = " \n\r\b";

bool IsWhitespace(char c) { return c && std::strchr(kWhitespace, c); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool SameText(std::string_view a, std::string_view b) { return EqualsNoCase(a, b); }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  const unsigned char l = LowerAscii(c);
  return l >= 'a' && l <= 'f' ? l - 'a' + 10 : -1;
}

// "H" and a digit (closing: "/" before them): the digit, or -1.
int HeadingLevel(const std::string& name, bool closing) {
  const std::size_t at = closing ? 1 : 0;
  if (name.size() != at + 2 || (closing && name[0] != '/')) return -1;
  if (LowerAscii(name[at]) != 'h' || !IsDigit(name[at + 1])) return -1;
  return name[at + 1] - '0';
}

}  // namespace

std::int64_t FindColourName(const char* name) {
  for (const auto& c : kColours)
    if (SameText(name, c.name)) return c.value;
  return -1;
}

void cHypertextDocument::Next() {
  if (!current_) return;
  ++cursor_;
  current_ = *cursor_;
}

void cHypertextDocument::SkipWhitespace() {
  while (IsWhitespace(current_)) Next();
}

std::string cHypertextDocument::ReadUntil(const char* stops) {
  const char* start = cursor_;
  while (current_ && !std::strchr(stops, current_)) Next();
  return std::string(start, cursor_);
}

std::string cHypertextDocument::ReadToken() {
  SkipWhitespace();
  if (current_ != '"') return ReadUntil(" \n\r\b>=");
  Next();
  std::string token = ReadUntil("\"");
  if (current_ == '"') Next();
  return token;
}

std::int32_t cHypertextDocument::ReadNumber(std::int32_t fallback) {
  percent_ = false;
  const std::string token = ReadToken();
  std::size_t i = 0;
  bool negative = false;
  if (i < token.size() && (token[i] == '-' || token[i] == '+')) negative = token[i++] == '-';
  if (i >= token.size() || !IsDigit(token[i])) return fallback;
  std::int32_t value = 0;
  for (int digits = 0; i < token.size() && IsDigit(token[i]); ++i, ++digits)
    if (digits < kDecimalDigits) value = value * 10 + (token[i] - '0');
  if (i < token.size() && token[i] == '%') percent_ = true;
  return negative ? -value : value;
}

std::int64_t cHypertextDocument::ParseColor(std::int64_t fallback) {
  const std::string token = ReadToken();
  if (token.empty() || token[0] != '#') {
    const std::int64_t named = FindColourName(token.c_str());
    return named < 0 ? fallback : named;
  }
  std::int64_t value = 0;
  for (std::size_t i = 1, digits = 0; i < token.size() && HexValue(token[i]) >= 0; ++i, ++digits)
    if (digits < kHexDigits) value = value * 16 + HexValue(token[i]);
  return value;
}

template <typename Reader>
void cHypertextDocument::ReadAttributes(std::initializer_list<const char*> known, Reader read) {
  for (;;) {
    SkipWhitespace();
    if (!current_ || current_ == '>') return;
    const std::string name = ReadToken();
    const char* match = nullptr;
    for (const char* k : known)
      if (SameText(name, k)) match = k;
    if (!match) {
      // A stop character such as "=" gives an empty name; step over it.
      if (name.empty()) Next();
      continue;
    }
    SkipWhitespace();
    if (current_ != '=') continue;
    Next();
    SkipWhitespace();
    read(match);
  }
}

void cHypertextDocument::SaveFont() {
  fontStack_.PushInt(font_->GetSize());
  fontStack_.PushString(font_->GetName());
  fontStack_.PushInt(static_cast<std::int32_t>(colour_));
}

void cHypertextDocument::RestoreFont() {
  if (fontStack_.GetUsed() == 0) {
    LogMessage(5, "Hypertext: a closing tag without its opening tag is ignored");
    return;
  }
  std::int32_t colour = 0, size = 0;
  char* face = nullptr;
  fontStack_.PopInt(&colour);
  fontStack_.PopString(&face);
  std::unique_ptr<char[]> owned(face);
  fontStack_.PopInt(&size);
  font_->SetName(face);
  font_->SetSize(size);
  colour_ = static_cast<std::uint32_t>(colour);
}

void cHypertextDocument::PushAlignment() { alignmentStack_.PushInt(alignment_); }

void cHypertextDocument::PopAlignment() {
  if (alignmentStack_.GetUsed() == 0) {
    LogMessage(5, "Hypertext: a closing tag without its opening tag is ignored");
    return;
  }
  std::int32_t alignment = 0;
  alignmentStack_.PopInt(&alignment);
  SetAlignment(alignment);
}

std::int32_t cHypertextDocument::ReadAlignment() {
  const std::string value = ReadToken();
  static constexpr const char* kNames[] = {"LEFT", "RIGHT", "CENTER", "JUSTIFY"};
  for (std::int32_t a = 0; a < 4; ++a)
    if (SameText(value, kNames[a])) return a;
  return -1;
}

void cHypertextDocument::HandleTag() {
  Next();  // "<"
  const std::string name = ReadToken();
  auto alignment = [this](const char*) {
    const std::int32_t a = ReadAlignment();
    if (a >= 0) SetAlignment(a);
  };
  if (SameText(name, "!--")) {
    // A comment: skipped up to its ">" like every tag.
  } else if (SameText(name, "P")) {
    PushAlignment();
    NewLine(ScaleY(8), true);
    ReadAttributes({"ALIGN"}, alignment);
  } else if (SameText(name, "/P")) {
    PopAlignment();
  } else if (SameText(name, "BR")) {
    if (!Current().IsEmpty()) NewLine(0, true);
  } else if (SameText(name, "HR")) {
    HorizontalRule();
  } else if (SameText(name, "SIZE")) {
    SaveFont();
    const std::int32_t index = 5 - ReadNumber(6);
    if (index >= 0 && index <= 9) font_->SetSize(kSizes[index]);
  } else if (SameText(name, "/SIZE") || SameText(name, "/FONT")) {
    RestoreFont();
  } else if (SameText(name, "FONT")) {
    SaveFont();
    ReadAttributes({"SIZE", "COLOR", "FACE"}, [this](const char* attribute) {
      if (attribute[0] == 'S') {
        const std::int32_t index = ReadNumber(-1);
        if (index >= 0 && index <= 9) font_->SetSize(kSizes[index]);
      } else if (attribute[0] == 'C') {
        const std::int64_t colour = ParseColor(-1);
        if (colour >= 0 && colour <= 0xFFFFFF) colour_ = static_cast<std::uint32_t>(colour);
      } else {
        font_->SetName(ReadToken().c_str());
      }
    });
  } else if (SameText(name, "A")) {
    SaveFont();
    ReadAttributes({"NAME", "HREF"}, [this](const char* attribute) {
      const std::string value = ReadToken();
      if (attribute[0] == 'N')
        Anchor(value);
      else
        Link(value);
    });
  } else if (SameText(name, "/A")) {
    if (fontStack_.GetUsed() != 0) link_ = nullptr;
    RestoreFont();
  } else if (const int level = HeadingLevel(name, false); level >= 0) {
    SaveFont();
    font_->SetName("ARIAL");
    font_->SetSize(kHeadingSizes[level]);
    colour_ = 0xFFFFFF;
  } else if (HeadingLevel(name, true) >= 0) {
    RestoreFont();
  } else if (SameText(name, "DIV")) {
    PushAlignment();
    ReadAttributes({"ALIGN"}, alignment);
  } else if (SameText(name, "/DIV")) {
    PopAlignment();
  }
  ReadUntil(">");
  Next();
}

void cHypertextDocument::HorizontalRule() {
  if (lines_.empty() || !Current().IsEmpty()) NewLine(0, true);
  NewLine(ScaleY(4), true);
  NewLine(0, true);
  tLine& rule = Current();
  rule.rule = true;
  rule.x = ScaleX(16);
  rule.width = textWidth_ - ScaleX(32);
  rule.height = ScaleY(3);
  NewLine(ScaleY(4), true);
  ReadAttributes({"HEIGHT", "WIDTH"}, [this, &rule](const char* attribute) {
    const std::int32_t value = ReadNumber(-1);
    std::int64_t width = -1;
    if (attribute[0] == 'H') {
      if (value >= 3 && value <= 255) rule.height = std::max(ScaleY(value), 3);
    } else if (percent_) {
      if (value >= 1 && value <= 100) width = std::int64_t{textWidth_} * value / 100;
    } else if (value >= 1) {
      // Far wider than any screen, so no sum with it can overflow.
      width = std::min(ScaleX(std::min(value, 1 << 20)), 1 << 24);
    }
    if (width >= 0) {
      rule.width = static_cast<std::int32_t>(width);
      rule.x = static_cast<std::int32_t>((std::int64_t{textWidth_} - width) / 2);
    }
  });
}

void cHypertextDocument::Anchor(const std::string& name) {
  if (name.empty()) return;
  auto anchor = std::make_unique<tAnchor>();
  anchor->name = name;
  anchor->y = Current().y;
  anchors_.push_back(std::move(anchor));
}

void cHypertextDocument::Link(const std::string& value) {
  if (value.empty()) return;
  colour_ = kLinkColour;
  auto link = std::make_unique<tLink>();
  link->external = value[0] != '#';
  link->target = link->external ? value : value.substr(1);
  link_ = link.get();
  links_.push_back(std::move(link));
}

void cHypertextDocument::Build(const char* text, std::int32_t textWidth) {
  Clear();
  textWidth_ = textWidth;
  if (!text) return;
  cursor_ = text;
  link_ = nullptr;
  font_ = std::make_unique<cFont>("Arial", 14);
  alignment_ = align::Left;
  colour_ = 0xFFFFFF;
  NewLine(0, true);
  fontStack_.Clear();
  alignmentStack_.Clear();
  current_ = *cursor_;
  bool space = false;
  while (current_) {
    if (IsWhitespace(current_)) {
      SkipWhitespace();
      space = true;
    }
    if (current_ == '<') {
      HandleTag();
    } else if (current_) {
      AddWord(ReadUntil(" \n\r\b<"), space);
      space = false;
    }
  }
  Current().paragraphEnd = true;
  FinishLine(Current());
  documentHeight_ = Current().y + Current().height;
  font_.reset();
  link_ = nullptr;
  fontStack_.Clear();
  alignmentStack_.Clear();
}

}  // namespace ZGUI

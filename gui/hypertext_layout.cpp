// Laying out words into lines: wrapping, the common baseline, alignment.
#include <algorithm>
#include <cstring>

#include "foundation/text.h"
#include "gui/hypertext.h"

namespace ZGUI {
namespace {

// Every "&nbsp;" becomes one space; other "&" sequences stay as written.
std::string ReplaceNonBreakingSpaces(const std::string& word) {
  std::string out;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (word[i] == '&' && i + 6 <= word.size() &&
        EqualsNoCase(std::string_view(word).substr(i, 6), "&nbsp;")) {
      out += ' ';
      i += 5;
    } else {
      out += word[i];
    }
  }
  return out;
}

}  // namespace

void cHypertextDocument::Clear() {
  anchors_.clear();
  links_.clear();
  lines_.clear();
  documentHeight_ = 0;
}

void cHypertextDocument::NewLine(std::int32_t spacing, bool paragraphEnd) {
  std::int32_t y = spacing;
  if (!lines_.empty()) {
    tLine& last = Current();
    last.paragraphEnd = paragraphEnd;
    FinishLine(last);
    y += last.y + last.height;
  }
  lines_.push_back(std::make_unique<tLine>(y));
}

void cHypertextDocument::FinishLine(tLine& line) {
  std::int32_t baseline = 0;
  for (const auto& s : line.segments) baseline = std::max(baseline, s->font->GetBaseline());
  for (auto& s : line.segments) s->y += baseline - s->font->GetBaseline();

  const std::int32_t free = textWidth_ - line.width;
  if (alignment_ == align::Right || alignment_ == align::Centre) {
    const std::int32_t shift = alignment_ == align::Right ? free : free / 2;
    for (auto& s : line.segments) s->x += shift;
  } else if (alignment_ == align::Justify && !line.paragraphEnd) {
    // The free space goes into the gaps between words; segments that touch
    // (one word in two fonts) are no gap. Later gaps take the remainders, so
    // the last segment ends exactly at the right edge.
    auto& segments = line.segments;
    std::vector<bool> gapAfter(segments.size(), false);
    std::int64_t gaps = 0;
    for (std::size_t i = 0; i + 1 < segments.size(); ++i) {
      gapAfter[i] = segments[i]->x + segments[i]->width < segments[i + 1]->x;
      gaps += gapAfter[i];
    }
    if (gaps == 0) return;
    std::int64_t sum = 0, shift = 0;
    for (std::size_t i = 0; i < segments.size(); ++i) {
      segments[i]->x += static_cast<std::int32_t>(shift);
      if (gapAfter[i]) {
        sum += free;
        shift = sum / gaps;
      }
    }
  }
}

void cHypertextDocument::AddWord(const std::string& word, bool space) {
  auto segment = std::make_unique<tSegment>();
  segment->font = std::make_unique<cFont>(*font_);
  segment->text = ReplaceNonBreakingSpaces(word);
  segment->width = segment->font->GetTextWidth(segment->text.c_str());
  segment->height = segment->font->GetHeight();
  segment->colour = colour_;
  segment->link = link_;

  std::int32_t gap = space && !Current().IsEmpty() ? segment->font->GetTextWidth(" ") : 0;
  // A word that would end exactly on the right edge goes to the next line too.
  const bool fits = std::int64_t{textWidth_} > std::int64_t{Current().width} + gap + segment->width;
  if (!fits && !Current().IsEmpty()) {
    NewLine(0, false);
    gap = 0;
  }
  tLine& line = Current();
  segment->x = (line.IsEmpty() ? 0 : line.width) + gap;
  line.width = std::max(line.width, segment->x + segment->width);
  line.height = std::max(line.height, segment->height);
  line.segments.push_back(std::move(segment));
}

void cHypertextDocument::SetAlignment(std::int32_t alignment) {
  if (alignment == alignment_) return;
  if (lines_.empty() || !Current().IsEmpty()) NewLine(0, true);
  alignment_ = alignment;
}

const cHypertextDocument::tSegment* cHypertextDocument::HitTest(std::int32_t x,
                                                                std::int32_t y) const {
  for (const auto& line : lines_) {
    if (y < line->y || y >= line->y + line->height) continue;
    for (const auto& s : line->segments) {
      const std::int32_t top = line->y + s->y;
      if (x >= s->x && x <= s->x + s->width - 1 && y >= top && y <= top + s->height - 1)
        return s.get();
    }
  }
  return nullptr;
}

const cHypertextDocument::tAnchor* cHypertextDocument::FindAnchor(const char* name) const {
  for (const auto& a : anchors_)
    if (name && EqualsNoCase(a->name, name)) return a.get();
  return nullptr;
}

}  // namespace ZGUI

// Marked-up text laid out for a text area of a given width: lines of segments
// (runs of one font, colour and link) or horizontal rules, plus the links and
// anchors the text names. The markup knows paragraphs, breaks, rules, sizes,
// fonts, colours, headings, alignment blocks, links and anchors; anything it
// does not understand is skipped, never an error.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/basis.h"
#include "gui/fonts.h"
#include "gui/stack.h"

namespace ZGUI {

namespace align {
inline constexpr std::int32_t Left = 0, Right = 1, Centre = 2, Justify = 3;
}

class cHypertextDocument : public virtual basis::basisObject {
 public:
  struct tAnchor : public virtual basis::basisStruct {
    std::string name;
    // The top of the line that was current when the anchor was read.
    std::int32_t y = 0;
  };

  struct tLink : public virtual basis::basisStruct {
    // Opened outside the program; otherwise the target names an anchor.
    bool external = false;
    std::string target;
  };

  struct tSegment : public virtual basis::basisStruct {
    // x from the text area's left edge, y from the top of the line.
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    std::unique_ptr<cFont> font;
    std::string text;
    std::uint32_t colour = 0xFFFFFF;
    const tLink* link = nullptr;
  };

  struct tLine : public virtual basis::basisStruct {
    explicit tLine(std::int32_t top) : y(top) {}
    std::int32_t y = 0;
    // A rule's left offset; text lines leave it 0.
    std::int32_t x = 0;
    // The right edge of the rightmost segment, or the rule's width.
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::unique_ptr<tSegment>> segments;
    // Cleared only on a line that ended because the next word did not fit;
    // only such lines are justified.
    bool paragraphEnd = true;
    bool rule = false;

    bool IsEmpty() const { return segments.empty() && !rule; }
  };

  cHypertextDocument() = default;
  cHypertextDocument(const cHypertextDocument&) = delete;
  cHypertextDocument& operator=(const cHypertextDocument&) = delete;
  ~cHypertextDocument() override = default;

  // Throws the old document away and lays out text (none: no line at all)
  // for a text area textWidth pixels wide.
  void Build(const char* text, std::int32_t textWidth);
  void Clear();

  const std::vector<std::unique_ptr<tLine>>& GetLines() const { return lines_; }
  const std::vector<std::unique_ptr<tLink>>& GetLinks() const { return links_; }
  const std::vector<std::unique_ptr<tAnchor>>& GetAnchors() const { return anchors_; }
  std::int32_t GetDocumentHeight() const { return documentHeight_; }

  // The segment whose rectangle holds the document point, or null.
  const tSegment* HitTest(std::int32_t x, std::int32_t y) const;
  // The first anchor named so (ASCII case ignored), or null.
  const tAnchor* FindAnchor(const char* name) const;

 private:
  // Lexical readers over the text being parsed.
  void Next();
  void SkipWhitespace();
  std::string ReadUntil(const char* stops);
  std::string ReadToken();
  std::int32_t ReadNumber(std::int32_t fallback);
  std::int64_t ParseColor(std::int64_t fallback);

  void HandleTag();
  // Runs the attribute loop; read gets each attribute the tag knows that is
  // followed by "=" and reads its value.
  template <typename Reader>
  void ReadAttributes(std::initializer_list<const char*> known, Reader read);
  void SaveFont();
  void RestoreFont();
  void PushAlignment();
  void PopAlignment();
  std::int32_t ReadAlignment();
  void HorizontalRule();
  void Anchor(const std::string& name);
  void Link(const std::string& value);

  // Layout.
  tLine& Current() { return *lines_.back(); }
  void NewLine(std::int32_t spacing, bool paragraphEnd);
  void FinishLine(tLine& line);
  void AddWord(const std::string& word, bool space);
  void SetAlignment(std::int32_t alignment);

  std::vector<std::unique_ptr<tAnchor>> anchors_;
  std::vector<std::unique_ptr<tLink>> links_;
  std::vector<std::unique_ptr<tLine>> lines_;
  std::int32_t documentHeight_ = 0;
  std::int32_t textWidth_ = 0;

  // Parse state.
  const char* cursor_ = nullptr;
  char current_ = 0;
  bool percent_ = false;
  const tLink* link_ = nullptr;
  std::unique_ptr<cFont> font_;
  std::int32_t alignment_ = align::Left;
  std::uint32_t colour_ = 0xFFFFFF;
  cStack fontStack_;
  cStack alignmentStack_;
};

// A colour of the markup's table of names (ASCII case ignored), or -1.
std::int64_t FindColourName(const char* name);

}  // namespace ZGUI

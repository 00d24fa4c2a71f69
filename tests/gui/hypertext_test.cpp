#include "gui/hypertext.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/gui/face_fixture.h"

namespace {

using ZGUI::cHypertextDocument;

std::string F(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

// One line per document line: its top, rule geometry or wrap flag, then every
// segment as text@x,y with its size, face, colour and link where they differ
// from the defaults.
std::string Describe(const cHypertextDocument& doc) {
  std::string out;
  for (const auto& line : doc.GetLines()) {
    out += F("L%d", line->y);
    if (line->rule) out += F(" rule%d,%d,%d", line->x, line->width, line->height);
    if (!line->paragraphEnd) out += " wrap";
    for (const auto& s : line->segments) {
      out += F(" %s@%d,%d", s->text.c_str(), s->x, s->y);
      if (s->font->GetSize() != 14) out += F("/s%d", s->font->GetSize());
      if (std::string(s->font->GetName()) != "Arial") out += F("/%s", s->font->GetName());
      if (s->colour != 0xFFFFFF) out += F("/#%06X", s->colour);
      if (s->link) out += F("/->%s%s", s->link->external ? "" : "#", s->link->target.c_str());
    }
    out += "\n";
  }
  return out;
}

class Markup : public guitest::FaceFixture {
 protected:
  std::string Layout(const char* text, std::int32_t width = 400) {
    doc_.Build(text, width);
    return Describe(doc_);
  }
  cHypertextDocument doc_;
};

TEST_F(Markup, BecomesTheExpectedLines) {
  const int h = H(), sp = W(" ");
  struct tCase {
    const char* markup;
    std::string lines;
  };
  const std::vector<tCase> cases = {
      // Breaks: whitespace around the tag gives no leading space.
      {"one \r\n<BR>\r\n two", F("L0 one@0,0\nL%d two@0,0\n", h)},
      {"one<BR><br><BR>two", F("L0 one@0,0\nL%d two@0,0\n", h)},
      {"a&nbsp;b &amp;c", F("L0 a b@0,0 &amp;c@%d,0\n", W("a b") + sp)},
      {"<FONT COLOR=red>r</FONT> <font color=\"#00ff00\">g</font> <FONT COLOR=nosuch>w",
       F("L0 r@0,0/#FF0000 g@%d,0/#00FF00 w@%d,0\n", W("r") + sp, W("r") + 2 * sp + W("g"))},
      {"<FONT COLOR=#>k", "L0 k@0,0/#000000\n"},
      {"<FONT SIZE=0>a</FONT><FONT SIZE=10>b",
       F("L0 a@0,0/s40 b@%d,%d\n", W("a", 40), Baseline(40) - Baseline(14))},
      {"<SIZE 1>a<SIZE +1>b<SIZE=2>c<SIZE 3>d<SIZE -2>e",
       F("L0 a@0,%d b@%d,%d c@%d,%d d@%d,0/s20 e@%d,%d/s8\n", Baseline(20) - Baseline(14), W("a"),
         Baseline(20) - Baseline(14), W("ab"), Baseline(20) - Baseline(14), W("abc"),
         W("abc") + W("d", 20), Baseline(20) - Baseline(8))},
      {"x <H1>Title</H1> y",
       F("L0 x@0,%d Title@%d,0/s45/ARIAL y@%d,%d\n", Baseline(45) - Baseline(14),
         W("x") + W(" ", 45), W("x") + W(" ", 45) + W("Title", 45) + sp,
         Baseline(45) - Baseline(14))},
      {"before<P ALIGN=CENTER>mid</P>after",
       F("L0 before@0,0\nL%d mid@%d,0\nL%d after@0,0\n", h + 8, (400 - W("mid")) / 2, 2 * h + 8)},
      {"<P ALIGN = JUSTIFY>x</P>", F("L0\nL8 x@0,0\nL%d\n", 8 + h)},
      {"<DIV ALIGN RIGHT>a</DIV>", "L0 a@0,0\n"},
      {"<DIV ALIGN = RIGHT>a</DIV>b", F("L0 a@%d,0\nL%d b@0,0\n", 400 - W("a"), h)},
      {"a<HR WIDTH=50%>b",
       F("L0 a@0,0\nL%d\nL%d\nL%d rule100,200,3\nL%d b@0,0\n", h, h + 4, h + 4, h + 11)},
      {"<HR WIDTH=0% HEIGHT=10>b", "L0\nL4\nL4 rule16,368,10\nL11 b@0,0\n"},
      {"<HR WIDTH=20 HEIGHT=2>", "L0\nL4\nL4 rule190,20,3\nL11\n"},
      {"<A NAME=top>up</A><A HREF=\"#top\">in</A> <a href=http://x.org>ex</a> <A HREF=\"\">no</A>",
       F("L0 up@0,0 in@%d,0/#C0C0FF/->#top ex@%d,0/#C0C0FF/->http://x.org no@%d,0\n", W("up"),
         W("upin") + sp, W("upin") + 2 * sp + W("ex"))},
      {"a<!-- hidden -->b <!--c-->d", F("L0 a@0,0 b@%d,0 d@%d,0\n", W("a"), W("ab") + sp)},
      {"< br >a<unknown x=y>b", F("L0 a@0,0 b@%d,0\n", W("a"))},
      {"abc", "L0 abc@0,0\n"},
      {"", "L0\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(Layout(c.markup), c.lines) << c.markup;
  Layout(nullptr);
  EXPECT_TRUE(doc_.GetLines().empty());
  Layout("<P>a");
  EXPECT_EQ(doc_.GetDocumentHeight(), 8 + h);
  ASSERT_EQ(doc_.GetAnchors().size(), 0u);
  Layout("a<BR><A NAME=Here>b</A>");
  ASSERT_NE(doc_.FindAnchor("HERE"), nullptr);
  EXPECT_EQ(doc_.FindAnchor("here")->y, h);
}

TEST_F(Markup, AWordThatExactlyFillsTheLineWraps) {
  const std::int32_t exact = W("aa") + W(" ") + W("bb");
  EXPECT_EQ(Layout("aa bb", exact), F("L0 wrap aa@0,0\nL%d bb@0,0\n", H()));
  EXPECT_EQ(Layout("aa bb", exact + 1), F("L0 aa@0,0 bb@%d,0\n", W("aa ")));
  // Wider than the whole line: alone, running past the edge.
  EXPECT_EQ(Layout("a bbbbbbbb c", W("bbb")),
            F("L0 wrap a@0,0\nL%d wrap bbbbbbbb@0,0\nL%d c@0,0\n", H(), 2 * H()));
}

TEST_F(Markup, JustifiedLinesEndAtTheRightEdge) {
  std::string text = "<P ALIGN=JUSTIFY>";
  for (int i = 0; i < 40; ++i) text += i % 3 ? "word " : "longerword <FONT SIZE=2>x</FONT>y ";
  text += "</P>tail";
  for (std::int32_t width : {150, 233, 401}) {
    doc_.Build(text.c_str(), width);
    int wrapped = 0;
    for (const auto& line : doc_.GetLines()) {
      if (line->segments.empty()) continue;
      const auto& last = *line->segments.back();
      if (!line->paragraphEnd) {
        ++wrapped;
        EXPECT_EQ(last.x + last.width, width) << width;
      } else {
        EXPECT_EQ(line->segments.front()->x, 0);
      }
      // Mixed sizes share one baseline.
      for (const auto& s : line->segments)
        EXPECT_EQ(s->y + s->font->GetBaseline(), last.y + last.font->GetBaseline());
    }
    EXPECT_GT(wrapped, 2);
  }
}

TEST_F(Markup, CentreAlignmentRoundsTowardZero) {
  const std::int32_t width = W("mid") + 5;
  EXPECT_EQ(Layout("<DIV ALIGN=CENTER>mid", width), F("L0 mid@2,0\n"));
}

// Closing tags with nothing open, unterminated tags and quotes, numbers far
// beyond any range and random bytes: never an error, always a sound document.
TEST_F(Markup, SurvivesMalformedText) {
  std::vector<std::string> texts = {
      "</P></DIV></FONT></A></H2></SIZE></p>x",
      "<FONT COLOR=\"red",
      "<A HREF=\"http://unterminated",
      "a <P ALIGN=",
      "<",
      "<HR WIDTH=99999999999999999999 HEIGHT=-99999999999999999999>",
      "<HR WIDTH=99999999999999999999%>",
      "<FONT COLOR=#FFFFFFFFFFFFFFFFFFFFFFFF SIZE=-2147483649>x",
      "<SIZE 2147483648>x<SIZE -2147483648>y",
      "<FONT SIZE=\"\"=\"\">x<A \"\"=>y",
  };
  guitest::tNoise noise{7};
  const char alphabet[] = "<>/=\"#% \r\n\bPAHRBFONTSIZECOLR0123456789-+&nbsp;!";
  for (int k = 0; k < 300; ++k) {
    std::string random;
    const int length = noise.Range(0, 300);
    for (int i = 0; i < length; ++i)
      random += k % 2 ? alphabet[noise.Range(0, sizeof alphabet - 2)]
                      : static_cast<char>(noise.Range(1, 255));
    texts.push_back(random);
  }
  for (const auto& text : texts) {
    EXPECT_NO_THROW(doc_.Build(text.c_str(), 300)) << text;
    std::int32_t y = 0;
    for (const auto& line : doc_.GetLines()) {
      EXPECT_GE(line->y, y) << text;
      EXPECT_GE(line->height, 0) << text;
      y = line->y;
    }
    EXPECT_GE(doc_.GetDocumentHeight(), y);
  }
}

TEST(MarkupColours, NamesFromBothPartsOfTheTable) {
  EXPECT_EQ(ZGUI::FindColourName("Fuchsia"), 0xFF00FF);
  EXPECT_EQ(ZGUI::FindColourName("ALICEBLUE"), 0xF0F8FF);
  EXPECT_EQ(ZGUI::FindColourName("lightgoldenrodyellow"), 0xFAFAD2);
  EXPECT_EQ(ZGUI::FindColourName("rebeccapurple"), -1);
  EXPECT_EQ(ZGUI::FindColourName("cyan"), -1);
  EXPECT_EQ(ZGUI::FindColourName("lightgray"), -1);
}

}  // namespace

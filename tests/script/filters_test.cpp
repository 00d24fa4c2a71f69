// Picture filters read from description text by the real parser and applied
// to pictures, and the filter registry.
#include "script/filters.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/script/script_fixture.h"
#include "windxkernel/video.h"

namespace {

using namespace VOXA2;
using namespace VOXA2::filter;
using Bytes = std::vector<std::uint8_t>;

// The record whose keyword (or reserved word) is the current token.
const tFilterDesc* Lookup(cParserT* parser) {
  for (std::int32_t i = 0; const tFilterDesc* d = GetFilter(i); ++i) {
    if (d->tokenCode != parser->token->code) continue;
    if (!d->keyword) return d;
    auto* ident = dynamic_cast<cIdentToken*>(parser->token.get());
    if (ident && ident->text == d->keyword) return d;
  }
  return nullptr;
}

std::unique_ptr<cColorPic> Picture(std::int32_t w, std::int32_t h) {
  auto picture = std::make_unique<cColorPic>();
  picture->Create(w, h);
  for (int c = 0; c < 4; ++c) {
    for (std::int32_t i = 0; i < w * h; ++i) {
      picture->planes[c].pixels[i] =
          static_cast<std::uint8_t>((i * (c + 3) + c * 50 + i / w) & 0xFF);
    }
  }
  return picture;
}

Bytes Pixel(const cColorPic& picture, std::int32_t x, std::int32_t y) {
  Bytes rgba;
  for (const cMonoPic& plane : picture.planes) rgba.push_back(plane.pixels[y * picture.width + x]);
  return rgba;
}

Bytes Plane(const cMonoPic& plane) {
  return Bytes(plane.pixels, plane.pixels + static_cast<std::size_t>(plane.width) * plane.height);
}

class Filters : public scripttest::ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    ASSERT_TRUE(RegisterFilters());
    screenInfo.virtualWidth = 800;
    screenInfo.virtualHeight = 600;
  }
  void TearDown() override {
    FreeFilters();
    ScriptTest::TearDown();
  }

  // Reads one filter entry as the description reader does: the keyword picks
  // the record, the filter parses from the token after it.
  std::unique_ptr<cFilter> Read(const std::string& text) {
    std::unique_ptr<cFilter> filter;
    const bool ok = Parse(text, [&](cParserT* parser) {
      const tFilterDesc* description = Lookup(parser);
      ASSERT_NE(description, nullptr) << text;
      filter.reset(description->creator(description));
      parser->GetToken();
      EXPECT_TRUE(filter->Parse(parser));
    });
    if (!ok) filter.reset();
    return filter;
  }

  // Applies the entry to the picture; the picture may be replaced.
  bool Apply(const std::string& text, std::unique_ptr<cColorPic>& picture) {
    std::unique_ptr<cFilter> filter = Read(text);
    EXPECT_NE(filter, nullptr) << text << "\n" << Log();
    if (!filter) return false;
    cColorPic* raw = picture.release();
    const bool ok = filter->Apply(&raw);
    picture.reset(raw);
    return ok;
  }
};

TEST_F(Filters, ResampleAndRescaleSizeFromTheVirtualScreen) {
  struct Case {
    const char* entry;
    std::int32_t screenW, screenH, w, h;
    std::int32_t outW, outH;
    bool weighted;
    const char* notLogged;
  } cases[] = {
      {"resample (relative 1.0, relative 1.0);", 800, 600, 100, 50, 800, 600, true, nullptr},
      {"rescale (relative 1.0, relative 1.0);", 800, 600, 100, 50, 800, 600, false, nullptr},
      {"resample (1, 0.5);", 800, 600, 100, 50, 800, 300, true, nullptr},
      {"resample X absolute 100;", 800, 600, 40, 30, 100, 30, true, "Sampling height"},
      {"rescale Y absolute 7;", 800, 600, 40, 30, 40, 7, false, "Sampling width"},
      {"resample r640x480 320;", 1024, 768, 40, 30, 512, 512, true, nullptr},
      {"resample 0.25;", 800, 600, 40, 30, 200, 150, true, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    std::filesystem::remove("debug.txt");
    screenInfo.virtualWidth = c.screenW;
    screenInfo.virtualHeight = c.screenH;
    auto picture = Picture(c.w, c.h);
    auto reference = Picture(c.w, c.h);
    ASSERT_TRUE(Apply(c.entry, picture));
    EXPECT_EQ(picture->width, c.outW);
    EXPECT_EQ(picture->height, c.outH);
    // Width first, then height, each only when it changes.
    if (c.weighted) {
      reference->ResampleWidth(c.outW);
      reference->ResampleHeight(c.outH);
    } else {
      reference->ScaleWidth(c.outW);
      reference->ScaleHeight(c.outH);
    }
    for (int p = 0; p < 4; ++p) EXPECT_EQ(Plane(picture->planes[p]), Plane(reference->planes[p]));
    if (c.notLogged) {
      EXPECT_EQ(Log().find(c.notLogged), std::string::npos) << Log();
    }
  }
  EXPECT_NE(Log().find("    Sampling width to 200 pixel"), std::string::npos) << Log();
  EXPECT_NE(Log().find("    Sampling height to 150 pixel"), std::string::npos) << Log();
}

TEST_F(Filters, AResampleSizeOfZeroIsAParseError) {
  EXPECT_EQ(Read("resample (0, 1);"), nullptr);
  EXPECT_NE(Log().find("Width or height cannot be zero or negative!"), std::string::npos) << Log();
  EXPECT_EQ(Read("resample (1 1);"), nullptr) << "a missing comma";
  EXPECT_EQ(Read("resample X absolute 10"), nullptr) << "a missing semicolon";
}

TEST_F(Filters, TintAndGrayscaleMapColoursAndKeepAlpha) {
  struct Case {
    const char* entry;
    Bytes in, out;
  } cases[] = {
      {"grayscale;", {255, 0, 0, 77}, {54, 54, 54, 77}},
      {"grayscale;", {10, 200, 30, 1}, {147, 147, 147, 1}},
      {"tint red (1, 0, 0), green (0, 0.5, 0) blue 0.25;", {200, 100, 40, 9}, {210, 60, 10, 9}},
      {"tint gray 2;", {200, 100, 40, 9}, {255, 255, 255, 9}},
      {"tint red -1;", {200, 100, 40, 9}, {0, 0, 0, 9}},
      // Mappings the entry leaves out keep their colour.
      {"tint green (0, 0, 1);", {200, 100, 40, 9}, {200, 0, 140, 9}},
      {"tint;", {200, 100, 40, 9}, {200, 100, 40, 9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    auto picture = std::make_unique<cColorPic>();
    picture->Create(1, 1);
    picture->Fill(c.in[0], c.in[1], c.in[2], c.in[3]);
    ASSERT_TRUE(Apply(c.entry, picture));
    EXPECT_EQ(Pixel(*picture, 0, 0), c.out);
  }
  EXPECT_NE(Log().find("    Red will be mapped to (R:1, G:0, B:0)"), std::string::npos) << Log();
  EXPECT_NE(Log().find("    Green will be mapped to (R:0, G:0.5, B:0)"), std::string::npos);
  EXPECT_NE(Log().find("    Blue will be mapped to (R:0.25, G:0.25, B:0.25)"), std::string::npos);
}

TEST_F(Filters, BordersGrowOrCutThePicture) {
  struct Case {
    const char* entry;
    std::int32_t w, h;
    std::int32_t outW, outH;
    std::int32_t oldX, oldY;  // where the old picture's pixel (skipX, skipY) lands
    std::int32_t skipX, skipY;
    Bytes border;  // pixel (0, 0) when it is border, else empty
    const char* logged;
  } cases[] = {
      {"add_border absolute 10;",
       100,
       50,
       120,
       70,
       10,
       10,
       0,
       0,
       {0, 0, 0, 0},
       "    Blitting original picture to (10,10)"},
      {"add_border (absolute 2, absolute 4), (1, 0, 0);",
       10,
       10,
       14,
       18,
       2,
       4,
       0,
       0,
       {255, 0, 0, 255},
       "    Fill bitmap with color FFFF0000"},
      {"add_border (absolute 1, absolute 2, absolute 3, absolute 4);",
       10,
       10,
       14,
       16,
       1,
       2,
       0,
       0,
       {0, 0, 0, 0},
       "    Creating new 14 times 16 bitmap"},
      {"add_border (absolute 1, absolute 2, 3, 4), 0.5;",
       10,
       10,
       14,
       16,
       1,
       2,
       0,
       0,
       {127, 127, 127, 255},
       nullptr},
      {"sub_border absolute 10;",
       100,
       50,
       80,
       30,
       0,
       0,
       10,
       10,
       {},
       "    Blitting original picture to (0,0), skipping (10,10,10,10) pixels of the original"},
      {"add_border (absolute -10, absolute 5);",
       100,
       50,
       80,
       60,
       0,
       5,
       10,
       0,
       {},
       "    Blitting original picture to (0,5), skipping (10,0,10,0) pixels of the original"},
      {"add_border relative 0.01;", 100, 50, 116, 62, 8, 6, 0, 0, {0, 0, 0, 0}, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    std::filesystem::remove("debug.txt");
    auto picture = Picture(c.w, c.h);
    auto old = Picture(c.w, c.h);
    ASSERT_TRUE(Apply(c.entry, picture));
    ASSERT_EQ(picture->width, c.outW);
    ASSERT_EQ(picture->height, c.outH);
    EXPECT_EQ(Pixel(*picture, c.oldX, c.oldY), Pixel(*old, c.skipX, c.skipY));
    const std::int32_t lastX = c.oldX + (c.w - 1 - 2 * c.skipX);
    const std::int32_t lastY = c.oldY + (c.h - 1 - 2 * c.skipY);
    EXPECT_EQ(Pixel(*picture, lastX, lastY), Pixel(*old, c.w - 1 - c.skipX, c.h - 1 - c.skipY));
    if (!c.border.empty()) {
      EXPECT_EQ(Pixel(*picture, 0, 0), c.border);
    }
    if (c.logged) {
      EXPECT_NE(Log().find(c.logged), std::string::npos) << Log();
    }
  }
}

TEST_F(Filters, BordersThatLeaveNoPictureAreRefused) {
  struct Case {
    const char* entry;
    const char* logged;
  } cases[] = {
      {"sub_border absolute 30;", "    Image height would be negative!"},
      {"sub_border (absolute 60, absolute 0);", "    Image width would be negative!"},
      {"add_border (absolute 200, absolute 0, absolute -101, absolute 0);",
       "    Image would be moved horizontally out of screen!"},
      {"add_border (absolute 0, absolute 100, absolute 0, absolute -51);",
       "    Image would be moved vertically out of screen!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    auto picture = Picture(100, 50);
    const cColorPic* before = picture.get();
    EXPECT_FALSE(Apply(c.entry, picture));
    EXPECT_EQ(picture.get(), before);
    EXPECT_EQ(picture->width, 100);
    EXPECT_EQ(picture->height, 50);
    EXPECT_NE(Log().find(c.logged), std::string::npos) << Log();
  }
  auto picture = Picture(100, 50);
  const cColorPic* before = picture.get();
  EXPECT_TRUE(Apply("add_border absolute 0;", picture));
  EXPECT_EQ(picture.get(), before) << "no border at all keeps the picture";
}

TEST_F(Filters, EachFilterNamesItsRecordAndClass) {
  struct Case {
    const char* entry;
    const char* keyword;  // of the record GetDescription answers
    const char* className;
  } cases[] = {
      {"rescale 1;", "resample", "cResample"},       {"resample 1;", "resample", "cResample"},
      {"grayscale;", "grayscale", "cTint"},          {"tint;", nullptr, "cTint"},
      {"add_border 1;", "add_border", "cAddBorder"}, {"sub_border 1;", "sub_border", "cAddBorder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    std::unique_ptr<cFilter> filter = Read(c.entry);
    ASSERT_NE(filter, nullptr);
    const tFilterDesc* d = filter->GetDescription();
    if (c.keyword) {
      EXPECT_STREQ(d->keyword, c.keyword);
    } else {
      EXPECT_EQ(d->keyword, nullptr);
      EXPECT_EQ(d->tokenCode, tokTint);
    }
    EXPECT_STREQ(filter->ClassName(), c.className);
    EXPECT_EQ(d->version, 0x02000000u);
  }
}

TEST(FilterRegistry, KeepsRecordsSortedByIdentifierAndRefusesDuplicates) {
  ASSERT_FALSE(FiltersRegistered());
  ASSERT_TRUE(RegisterFilters());
  EXPECT_TRUE(FiltersRegistered());
  const char* order[] = {"rescale", "resample", nullptr, "grayscale", "add_border", "sub_border"};
  for (int i = 0; i < 6; ++i) {
    ASSERT_NE(GetFilter(i), nullptr);
    if (order[i]) {
      EXPECT_STREQ(GetFilter(i)->keyword, order[i]);
    } else {
      EXPECT_EQ(GetFilter(i)->keyword, nullptr);
    }
  }
  EXPECT_EQ(GetFilter(6), nullptr);
  EXPECT_EQ(GetFilter(-1), nullptr);

  EXPECT_TRUE(RegisterFilters()) << "a second call registers nothing";
  EXPECT_EQ(GetFilter(6), nullptr);
  const tFilterDesc duplicate{"again", tokIdentifier, static_cast<std::int32_t>(0xFE000200u),
                              nullptr, 0};
  EXPECT_FALSE(RegisterFilter(&duplicate));
  EXPECT_FALSE(RegisterFilter(nullptr));
  EXPECT_EQ(GetFilter(6), nullptr);

  // Identifiers compare as signed numbers.
  const tFilterDesc low{"low", tokIdentifier, static_cast<std::int32_t>(0x80000000u), nullptr, 0};
  const tFilterDesc high{"high", tokIdentifier, 5, nullptr, 0};
  EXPECT_TRUE(RegisterFilter(&high));
  EXPECT_TRUE(RegisterFilter(&low));
  EXPECT_EQ(GetFilter(0), &low);
  EXPECT_EQ(GetFilter(7), &high);

  FreeFilters();
  EXPECT_FALSE(FiltersRegistered());
  EXPECT_EQ(GetFilter(0), nullptr);
}

}  // namespace

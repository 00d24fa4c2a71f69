#include "foundation/pictures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/errors.h"
#include "tests/foundation/picture_fixtures.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Fill(cMonoPic& plane, std::int32_t w, std::int32_t h, const Bytes& bytes) {
  plane.Create(w, h);
  ASSERT_EQ(bytes.size(), static_cast<std::size_t>(w) * h);
  if (!bytes.empty()) std::memcpy(plane.pixels, bytes.data(), bytes.size());
}

Bytes Of(const cMonoPic& plane) {
  if (!plane.pixels) return {};
  return Bytes(plane.pixels, plane.pixels + static_cast<std::size_t>(plane.width) * plane.height);
}

Bytes Pattern(std::size_t n, unsigned seed) {
  Bytes bytes(n);
  for (std::size_t i = 0; i < n; ++i)
    bytes[i] = static_cast<std::uint8_t>((i * 37 + seed * 11 + i * i / 7) & 0xFF);
  return bytes;
}

struct Sizing {
  const char* rule;
  std::int32_t w, h;
  Bytes source;
  std::int32_t newSize;
  Bytes expected;
};

TEST(Planes, ScaleWidthPicksNearestSourceBytes) {
  const Sizing cases[] = {
      {"4 to 2 takes bytes 0 and 2", 4, 1, {10, 20, 30, 40}, 2, {10, 30}},
      {"3 to 2 takes bytes 0 and 1", 3, 1, {10, 20, 30}, 2, {10, 20}},
      {"2 to 4 doubles each byte", 2, 1, {10, 20}, 4, {10, 10, 20, 20}},
      {"rows are re-laid in place when shrinking", 4, 2, {1, 2, 3, 4, 5, 6, 7, 8}, 2, {1, 3, 5, 7}},
      {"rows are re-laid in place when growing", 2, 2, {1, 2, 3, 4}, 4, {1, 1, 2, 2, 3, 3, 4, 4}},
      {"same width changes nothing", 2, 1, {1, 2}, 2, {1, 2}},
      {"width 0 changes nothing", 2, 1, {1, 2}, 0, {1, 2}},
  };
  for (const Sizing& c : cases) {
    SCOPED_TRACE(c.rule);
    cMonoPic plane;
    Fill(plane, c.w, c.h, c.source);
    plane.ScaleWidth(c.newSize);
    EXPECT_EQ(Of(plane), c.expected);
    if (c.newSize > 0) {
      EXPECT_EQ(plane.width, c.newSize);
    }
    EXPECT_EQ(plane.height, c.h);
  }
}

TEST(Planes, ScaleHeightMovesWholeRows) {
  const Sizing cases[] = {
      {"4 to 2 takes rows 0 and 2", 2, 4, {1, 1, 2, 2, 3, 3, 4, 4}, 2, {1, 1, 3, 3}},
      {"3 to 2 takes rows 0 and 1", 1, 3, {1, 2, 3}, 2, {1, 2}},
      {"2 to 4 doubles each row", 2, 2, {1, 2, 3, 4}, 4, {1, 2, 1, 2, 3, 4, 3, 4}},
  };
  for (const Sizing& c : cases) {
    SCOPED_TRACE(c.rule);
    cMonoPic plane;
    Fill(plane, c.w, c.h, c.source);
    plane.ScaleHeight(c.newSize);
    EXPECT_EQ(Of(plane), c.expected);
    EXPECT_EQ(plane.height, c.newSize);
  }
}

TEST(Planes, ResampleAveragesWhenShrinkingAndInterpolatesWhenGrowing) {
  const Sizing cases[] = {
      {"3 to 2: byte 0, then the truncated mean of 1 and 2", 3, 1, {10, 20, 31}, 2, {10, 25}},
      {"2 to 3: the middle is byte 0 plus half the step", 2, 1, {10, 21}, 3, {10, 15, 21}},
      {"a falling step rounds toward minus infinity", 2, 1, {21, 10}, 3, {21, 15, 10}},
      {"4 to 2: boxes of two", 4, 1, {0, 3, 100, 201}, 2, {1, 150}},
      {"1 to 3 repeats the one byte", 1, 1, {77}, 3, {77, 77, 77}},
  };
  for (const Sizing& c : cases) {
    SCOPED_TRACE(c.rule);
    cMonoPic row, column;
    Fill(row, c.w, 1, c.source);
    row.ResampleWidth(c.newSize, nullptr);
    EXPECT_EQ(Of(row), c.expected);
    EXPECT_EQ(row.width, c.newSize);
    // The same numbers down a column.
    Fill(column, 1, c.w, c.source);
    column.ResampleHeight(c.newSize, nullptr);
    EXPECT_EQ(Of(column), c.expected);
    EXPECT_EQ(column.height, c.newSize);
  }
}

TEST(Planes, ResampleWeightsTheBoxByTheWeightPlane) {
  struct Case {
    const char* rule;
    std::int32_t weightWidth;
    Bytes weights;
    Bytes expected;
  } cases[] = {
      {"a weight of 0 drops the byte from its box", 3, {255, 0, 255}, {10, 40}},
      {"weights share the box", 3, {255, 255, 85}, {10, 25}},
      {"a box whose weights are all 0 takes the plain mean", 3, {0, 0, 0}, {10, 30}},
      {"a weight plane of another size is ignored", 2, {0, 255}, {10, 30}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    cMonoPic plane, weight, column, columnWeight;
    Fill(plane, 3, 1, {10, 20, 40});
    Fill(weight, c.weightWidth, 1, c.weights);
    plane.ResampleWidth(2, &weight);
    EXPECT_EQ(Of(plane), c.expected);
    Fill(column, 1, 3, {10, 20, 40});
    Fill(columnWeight, 1, c.weightWidth, c.weights);
    column.ResampleHeight(2, &columnWeight);
    EXPECT_EQ(Of(column), c.expected);
  }
}

TEST(Planes, ColorResampleWeightsColoursByTheAlphaBeforeTheChange) {
  cColorPic picture;
  picture.Create(3, 1);
  const Bytes red = {10, 20, 40}, alpha = {255, 0, 255};
  std::memcpy(picture.planes[0].pixels, red.data(), 3);
  std::memcpy(picture.planes[3].pixels, alpha.data(), 3);
  picture.ResampleWidth(2);
  EXPECT_EQ(Of(picture.planes[0]), (Bytes{10, 40}));
  EXPECT_EQ(Of(picture.planes[3]), (Bytes{255, 127}));
  EXPECT_EQ(picture.width, 2);
}

// The direction that keeps the picture in between smaller goes first; equal
// products take the height first.
TEST(Planes, ResampleAndScaleChooseTheOrderOfDirections) {
  struct Case {
    const char* rule;
    std::int32_t w, h, newW, newH;
    bool widthFirst;
  } cases[] = {
      {"100x50 to 50x100 goes through 50x50, width first", 100, 50, 50, 100, true},
      {"50x100 to 100x50 goes through 50x50, height first", 50, 100, 100, 50, false},
      {"equal products take the height first", 10, 10, 20, 20, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    const Bytes source = Pattern(static_cast<std::size_t>(c.w) * c.h, 3);
    cMonoPic both, first, second, scaled, scaledRef;
    Fill(both, c.w, c.h, source);
    both.Resample(c.newW, c.newH, nullptr);
    Fill(first, c.w, c.h, source);
    Fill(second, c.w, c.h, source);
    first.ResampleWidth(c.newW, nullptr);
    first.ResampleHeight(c.newH, nullptr);
    second.ResampleHeight(c.newH, nullptr);
    second.ResampleWidth(c.newW, nullptr);
    ASSERT_NE(Of(first), Of(second)) << "the fixture must tell the orders apart";
    EXPECT_EQ(Of(both), c.widthFirst ? Of(first) : Of(second));

    Fill(scaled, c.w, c.h, source);
    scaled.Scale(c.newW, c.newH);
    Fill(scaledRef, c.w, c.h, source);
    if (c.widthFirst) {
      scaledRef.ScaleWidth(c.newW);
      scaledRef.ScaleHeight(c.newH);
    } else {
      scaledRef.ScaleHeight(c.newH);
      scaledRef.ScaleWidth(c.newW);
    }
    EXPECT_EQ(Of(scaled), Of(scaledRef));

    cColorPic color;
    color.Create(c.w, c.h);
    for (auto& plane : color.planes) std::memcpy(plane.pixels, source.data(), source.size());
    color.Fill(0, 0, 0, 255);
    std::memcpy(color.planes[0].pixels, source.data(), source.size());
    color.Resample(c.newW, c.newH);
    EXPECT_EQ(Of(color.planes[0]), c.widthFirst ? Of(first) : Of(second));
    EXPECT_EQ(color.width, c.newW);
    EXPECT_EQ(color.height, c.newH);
  }
}

TEST(Planes, FlipVerticalExchangesRowsAroundTheMiddle) {
  struct Case {
    const char* rule;
    std::int32_t w, h;
    Bytes source, expected;
  } cases[] = {
      {"height 1 stays", 3, 1, {1, 2, 3}, {1, 2, 3}},
      {"height 3 exchanges rows 0 and 2 only", 2, 3, {1, 2, 3, 4, 5, 6}, {5, 6, 3, 4, 1, 2}},
      {"height 2 exchanges both rows", 1, 2, {1, 2}, {2, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    cMonoPic plane;
    Fill(plane, c.w, c.h, c.source);
    plane.FlipVertical();
    EXPECT_EQ(Of(plane), c.expected);
  }
  cMonoPic empty;
  empty.FlipVertical();
  EXPECT_EQ(empty.pixels, nullptr);
}

TEST(Planes, CopyRectIsCutAtTheEdgesOfBothPlanes) {
  struct Case {
    const char* rule;
    std::int32_t sx, sy, dx, dy, w, h;
    Bytes expected;  // the 3x3 destination afterwards
  } cases[] = {
      {"inside both planes", 1, 1, 0, 0, 2, 2, {5, 6, 0xEE, 9, 10, 0xEE, 0xEE, 0xEE, 0xEE}},
      {"a source x at the source width copies nothing", 4, 0, 0, 0, 2, 2, Bytes(9, 0xEE)},
      {"a destination y at the destination height copies nothing", 0, 0, 0, 3, 2, 2,
       Bytes(9, 0xEE)},
      {"cut at the source's right and bottom edges",
       3,
       3,
       0,
       0,
       5,
       5,
       {15, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}},
      {"cut at the destination's edges",
       0,
       0,
       2,
       1,
       4,
       4,
       {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0, 0xEE, 0xEE, 4}},
      {"a negative width copies nothing", 0, 0, 0, 0, -1, 2, Bytes(9, 0xEE)},
      {"a negative position copies nothing", -1, 0, 0, 0, 2, 2, Bytes(9, 0xEE)},
  };
  cMonoPic source;
  Bytes values(16);
  for (int i = 0; i < 16; ++i) values[i] = static_cast<std::uint8_t>(i);
  Fill(source, 4, 4, values);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    cMonoPic destination;
    Fill(destination, 3, 3, Bytes(9, 0xEE));
    destination.CopyRect(&source, c.sx, c.sy, c.dx, c.dy, c.w, c.h);
    EXPECT_EQ(Of(destination), c.expected);
  }
  cMonoPic destination;
  Fill(destination, 3, 3, Bytes(9, 0xEE));
  destination.CopyRect(nullptr, 0, 0, 0, 0, 3, 3);
  EXPECT_EQ(Of(destination), Bytes(9, 0xEE));
}

TEST(Planes, CopyAndSetPlanesKeepTheTargetOnBadInput) {
  cColorPic picture;
  picture.Create(2, 1);
  picture.Fill(1, 2, 3, 4);
  picture.Copy(nullptr);
  EXPECT_EQ(picture.width, 2);
  EXPECT_EQ(Of(picture.planes[2]), (Bytes{3, 3}));

  cMonoPic planes[4];
  for (auto& p : planes) Fill(p, 2, 1, {9, 8});
  Fill(planes[3], 1, 1, {7});
  picture.SetPlanes(planes);
  EXPECT_EQ(Of(picture.planes[0]), (Bytes{1, 1})) << "unequal sizes change nothing";
  cMonoPic* pointers[4] = {&planes[0], &planes[1], nullptr, &planes[0]};
  picture.SetPlanes(pointers);
  EXPECT_EQ(Of(picture.planes[0]), (Bytes{1, 1})) << "a null plane changes nothing";

  Fill(planes[3], 2, 1, {5, 6});
  cColorPic fromPlanes(planes);
  EXPECT_EQ(fromPlanes.width, 2);
  EXPECT_EQ(Of(fromPlanes.planes[3]), (Bytes{5, 6}));
  cColorPic copied(&fromPlanes);
  EXPECT_EQ(Of(copied.planes[0]), (Bytes{9, 8}));

  cMonoPic plane;
  Fill(plane, 1, 1, {42});
  plane.Copy(nullptr);
  EXPECT_EQ(Of(plane), (Bytes{42}));

  cColorPic empty;
  empty.ScaleWidth(4);
  empty.ResampleWidth(4);
  EXPECT_EQ(empty.width, 0);
  EXPECT_EQ(empty.planes[0].pixels, nullptr);
}

class LoadRaw : public picturetest::PictureTest {};

TEST_F(LoadRaw, SizesComeFromTheFileLength) {
  struct Case {
    const char* rule;
    std::size_t length;
    std::int32_t w, h;
    bool ok;
    std::int32_t outW, outH;
  } cases[] = {
      {"65536 bytes without sizes are 256 x 256", 65536, -1, -1, true, 256, 256},
      {"100 bytes without sizes are 10 x 10", 100, -1, -1, true, 10, 10},
      {"a negative width alone is the length by the height", 100, -1, 5, true, 20, 5},
      {"a negative height alone is the length by the width", 100, 7, -1, true, 7, 14},
      {"a height too large is cut to what the file holds", 100, 20, 20, true, 20, 5},
      {"a height of 0 becomes 1", 100, 20, 0, true, 20, 1},
      {"a width too large for one row is cut", 100, 300, 1, true, 100, 1},
      {"an empty file has no size", 0, -1, -1, false, 0, 0},
      {"a negative width with height 0 has no divisor", 100, -1, 0, false, 0, 0},
      {"a width of 0 has no divisor", 100, 0, -1, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    const std::string bytes = streamtest::Pattern(c.length);
    streamtest::WriteBytes("raw.bin", bytes);
    cMonoPic plane;
    ASSERT_EQ(plane.LoadRaw("raw.bin", c.w, c.h), c.ok);
    if (!c.ok) {
      EXPECT_EQ(plane.pixels, nullptr);
      continue;
    }
    EXPECT_EQ(plane.width, c.outW);
    EXPECT_EQ(plane.height, c.outH);
    const std::size_t n = static_cast<std::size_t>(c.outW) * c.outH;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(plane.pixels), n), bytes.substr(0, n));
  }
  cMonoPic plane;
  EXPECT_FALSE(plane.LoadRaw("missing.bin", -1, -1));
}

}  // namespace

namespace {

// A plane larger than a stream can address is refused before anything is written.
TEST(Planes, AnAreaBeyondWhatAPlaneHoldsIsOutOfMemory) {
  cMonoPic plane;
  try {
    plane.Create(70000, 70000);
    ADD_FAILURE() << "expected an error";
  } catch (VOXA::errors::eError* e) {
    EXPECT_NE(dynamic_cast<VOXA::errors::eOutOfMemory*>(e), nullptr);
    EXPECT_STREQ(e->GetMessage(), "Out of memory: Out of memory in cMonoPic::Allocate()!");
    delete e;
  }
  EXPECT_EQ(plane.pixels, nullptr);
}

// Shrinking by 65536 or more keeps every box non-empty.
TEST(Planes, ShrinkingAVeryWidePlaneToOneByteAveragesIt) {
  cMonoPic plane;
  plane.Create(65536, 1);
  std::memset(plane.pixels, 9, 65536);
  plane.ResampleWidth(1, nullptr);
  ASSERT_EQ(plane.width, 1);
  EXPECT_EQ(plane.pixels[0], 9);
}

}  // namespace

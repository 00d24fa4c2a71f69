#include "gui/bitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "foundation/errors.h"
#include "foundation/pictures.h"
#include "tests/gui/pixel_fixtures.h"

using namespace guitest;
using ZGUI::cBitmap;
using ZGUI::tPoint;
using ZGUI::tRect;

namespace {

std::uint32_t Raw(const cBitmap& b, int x, int y) {
  return LoadPixel(b.GetData() + (std::size_t(y) * b.GetWidth() + x) * b.GetDepth(), b.GetDepth());
}

void SetRaw(cBitmap& b, int x, int y, std::uint32_t v) {
  StorePixel(b.GetData() + (std::size_t(y) * b.GetWidth() + x) * b.GetDepth(), b.GetDepth(), v);
}

// A raw value that fits every depth and is never 0.
std::uint32_t Mark(int x, int y) { return std::uint32_t(1 + x + 16 * y); }

void Number(cBitmap& b) {
  for (int y = 0; y < b.GetHeight(); ++y)
    for (int x = 0; x < b.GetWidth(); ++x) SetRaw(b, x, y, Mark(x, y));
}

const tFormat& Format(const char* name) {
  for (const auto& f : Formats())
    if (std::string(f.name) == name) return f;
  return Formats()[0];
}

struct tSizeCase {
  const char* format;
  int width, height;
  std::uint32_t bytes;
};

TEST(Bitmap, BufferSizesHaveASpareByteAt24BitsAndAreRoundedToFour) {
  const tSizeCase cases[] = {
      {"R8G8B8", 4, 1, 16}, {"R8G8B8", 0, 0, 4},    {"R5G6B5", 0, 0, 0}, {"X8R8G8B8", 0, 0, 0},
      {"R5G6B5", 3, 3, 20}, {"X8R8G8B8", 2, 3, 24}, {"R8G8B8", 1, 1, 4}, {"R5G6B5", -4, 2, 0},
  };
  for (const auto& c : cases) {
    UseFormat(Format(c.format));
    cBitmap b;
    b.Create(c.width, c.height);
    EXPECT_EQ(b.GetBufferSize(), c.bytes) << c.format << " " << c.width << "x" << c.height;
    EXPECT_EQ(b.GetData() == nullptr, c.bytes == 0);
  }
  UseFormat(Format("R5G6B5"));
  cBitmap empty;
  EXPECT_EQ(empty.GetSize(), tPoint(0, 0));
  EXPECT_EQ(empty.GetData(), nullptr);
}

// A size that cannot be allocated leaves an empty bitmap, never a size
// without pixels behind it.
TEST(Bitmap, AFailedAllocationLeavesAnEmptyBitmap) {
  UseFormat(Format("X8R8G8B8"));
  cBitmap b;
  b.Create(4, 4);
  try {
    b.Create(1 << 20, 1 << 20);
    FAIL() << "no error";
  } catch (VOXA::errors::eError* e) {
    EXPECT_STREQ(e->GetMessage(), "Out of memory: Could not allocate memory for bitmap data!!");
    EXPECT_NE(dynamic_cast<VOXA::errors::eCouldNotAllocateMemoryFor*>(e), nullptr);
    delete e;
  }
  EXPECT_EQ(b.GetSize(), tPoint(0, 0));
  EXPECT_EQ(b.GetData(), nullptr);
  EXPECT_EQ(b.GetPixel(0, 0), 0u);
}

class BitmapFormats : public testing::TestWithParam<tFormat> {
 protected:
  void SetUp() override { UseFormat(GetParam()); }
};

TEST_P(BitmapFormats, PixelsAreReadAndWrittenOnlyInside) {
  cBitmap b;
  b.Create(3, 2);
  b.FillRect(tRect{0, 0, 2, 1}, 0);
  b.SetPixel(1, 1, 0xFFFFFF);
  b.SetPixel(3, 0, 0xFFFFFF);
  b.SetPixel(-1, 0, 0xFFFFFF);
  b.SetPixel(0, 2, 0xFFFFFF);
  const std::uint32_t white = ZGUI::UnpackColor(ZGUI::PackColor(0xFFFFFF));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(b.GetPixel(x, y), x == 1 && y == 1 ? white : 0u);
  EXPECT_EQ(b.GetPixel(3, 0), 0u);
  EXPECT_EQ(b.GetPixel(-1, 0), 0u);
  EXPECT_EQ(b.GetPixel(tPoint(1, 1)), white);
  b.Darken();
  EXPECT_EQ(b.GetPixel(1, 1),
            ZGUI::UnpackColor((ZGUI::PackColor(0xFFFFFF) >> 1) & ZGUI::GetHalfMask()));
}

TEST_P(BitmapFormats, TheLockGuardsEveryChange) {
  cBitmap b;
  b.Create(2, 2);
  b.FillRect(0, 0, 1, 1, 0);
  ZGUI::cGraphicsDevice* device = b.LockDevice();
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->GetBounds(), (tRect{0, 0, 1, 1}));
  EXPECT_EQ(b.LockDevice(), nullptr);
  EXPECT_TRUE(b.IsLocked());
  b.SetPixel(0, 0, 0xFFFFFF);
  b.FillRect(tRect{0, 0, 1, 1}, 0xFFFFFF);
  b.Create(5, 5);
  b.SetWidth(4);
  b.AddBorder(1);
  b.Lighten();
  EXPECT_EQ(b.GetSize(), tPoint(2, 2));
  EXPECT_EQ(b.GetPixel(0, 0), 0u);
  b.UnlockDevice();
  EXPECT_EQ(b.GetPixel(0, 0), 0u);
  EXPECT_EQ(b.LockDevice(), device);
  b.UnlockDevice();
}

TEST_P(BitmapFormats, WidthHeightAndBorderKeepOldPixelsAndZeroNewOnes) {
  cBitmap b;
  b.Create(4, 3);
  Number(b);
  b.SetWidth(6);
  ASSERT_EQ(b.GetSize(), tPoint(6, 3));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(Raw(b, x, y), x < 4 ? Mark(x, y) : 0u) << x << "," << y;
  b.SetWidth(2);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(Raw(b, x, y), Mark(x, y));
  b.SetHeight(5);
  ASSERT_EQ(b.GetSize(), tPoint(2, 5));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(Raw(b, x, y), y < 3 ? Mark(x, y) : 0u);
  b.SetHeight(1);
  EXPECT_EQ(Raw(b, 1, 0), Mark(1, 0));

  cBitmap framed;
  framed.Create(4, 4);
  Number(framed);
  framed.AddBorder(2);
  ASSERT_EQ(framed.GetSize(), tPoint(8, 8));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      bool inside = x >= 2 && x < 6 && y >= 2 && y < 6;
      EXPECT_EQ(Raw(framed, x, y), inside ? Mark(x - 2, y - 2) : 0u) << x << "," << y;
    }
  framed.AddBorder(1, 0, 0, 2);
  EXPECT_EQ(framed.GetSize(), tPoint(9, 10));
  EXPECT_EQ(Raw(framed, 3, 2), Mark(0, 0));
}

struct tScaleCase {
  int from, to;
  std::vector<int> picks;  // the source index of each destination pixel
};

// Nearest neighbour at every depth: shrinking takes floor(j * old / new),
// growing walks from the end so the last pixel stays the last.
TEST_P(BitmapFormats, ScalingPicksTheNearestNeighbourByTheIndexRules) {
  const tScaleCase cases[] = {
      {4, 2, {0, 2}},
      {5, 3, {0, 1, 3}},
      {7, 7, {0, 1, 2, 3, 4, 5, 6}},
      {2, 5, {0, 0, 1, 1, 1}},
      {3, 7, {0, 0, 1, 1, 2, 2, 2}},
      {1, 3, {0, 0, 0}},
  };
  for (const auto& c : cases) {
    cBitmap rows;
    rows.Create(c.from, 2);
    Number(rows);
    rows.ScaleWidth(c.to);
    ASSERT_EQ(rows.GetSize(), tPoint(c.to, 2));
    for (int j = 0; j < c.to; ++j) {
      EXPECT_EQ(Raw(rows, j, 0), Mark(c.picks[j], 0)) << c.from << "->" << c.to << " at " << j;
      EXPECT_EQ(Raw(rows, j, 1), Mark(c.picks[j], 1));
    }
    cBitmap columns;
    columns.Create(2, c.from);
    Number(columns);
    columns.Resample(2, c.to);
    ASSERT_EQ(columns.GetSize(), tPoint(2, c.to));
    for (int i = 0; i < c.to; ++i) EXPECT_EQ(Raw(columns, 1, i), Mark(1, c.picks[i]));
  }
  // From nothing there is nothing to pick: new pixels are 0.
  cBitmap none;
  none.Create(0, 2);
  none.ScaleWidth(3);
  EXPECT_EQ(none.GetSize(), tPoint(3, 2));
  EXPECT_EQ(Raw(none, 2, 1), 0u);
}

TEST_P(BitmapFormats, RecreateCopiesAnotherBitmapThenResizes) {
  cBitmap source;
  source.Create(4, 2);
  Number(source);
  cBitmap copy(&source, 0, 0);
  ASSERT_EQ(copy.GetSize(), tPoint(4, 2));
  EXPECT_EQ(std::memcmp(copy.GetData(), source.GetData(), source.GetBufferSize()), 0);
  copy.Recreate(&source, 2, 0);
  ASSERT_EQ(copy.GetSize(), tPoint(2, 2));
  EXPECT_EQ(Raw(copy, 1, 1), Mark(2, 1));
  // From itself: its own pixels, resized.
  copy.Recreate(&copy, 0, 4);
  ASSERT_EQ(copy.GetSize(), tPoint(2, 4));
  EXPECT_EQ(Raw(copy, 1, 3), Mark(2, 1));
  copy.Recreate(nullptr, 5, 5);
  EXPECT_EQ(copy.GetSize(), tPoint(2, 4));
}

// Pictures in and out: channels come back with their low bits zero, alpha 255.
TEST_P(BitmapFormats, PicturesConvertAndComeBackWithTheChannelsTopBits) {
  const tFormat& f = GetParam();
  cColorPic picture;
  picture.Create(3, 2);
  tNoise noise{5};
  for (int i = 0; i < 6; ++i)
    for (int c = 0; c < 4; ++c)
      picture.planes[c].pixels[i] = static_cast<std::uint8_t>(noise.Next());
  cBitmap bitmap(&picture, 0, 0);
  ASSERT_EQ(bitmap.GetSize(), tPoint(3, 2));
  for (int i = 0; i < 6; ++i) {
    tChannels want{};
    for (int c = 0; c < 3; ++c) want.c[c] = picture.planes[c].pixels[i] >> (8 - f.bits[c]);
    EXPECT_EQ(Raw(bitmap, i % 3, i / 3), Join(f, want)) << i;
  }
  cColorPic back;
  bitmap.ToColorPic(&back);
  ASSERT_EQ(back.width, 3);
  ASSERT_EQ(back.height, 2);
  for (int i = 0; i < 6; ++i) {
    for (int c = 0; c < 3; ++c) {
      std::uint8_t top = static_cast<std::uint8_t>(0xFF << (8 - f.bits[c]));
      EXPECT_EQ(back.planes[c].pixels[i], picture.planes[c].pixels[i] & top) << i << " " << c;
    }
    EXPECT_EQ(back.planes[3].pixels[i], 255);
  }
}

TEST_P(BitmapFormats, PictureSizesFollowTheRequestAndTheCallersPictureStays) {
  cColorPic picture;
  picture.Create(8, 4);
  for (int c = 0; c < 4; ++c) std::memset(picture.planes[c].pixels, 0xFF, 32);
  cBitmap same(&picture, 0, 0);
  EXPECT_EQ(same.GetSize(), tPoint(8, 4));
  cBitmap narrow(&picture, 4, 0);
  EXPECT_EQ(narrow.GetSize(), tPoint(4, 4));
  cBitmap low(&picture, 0, 2);
  EXPECT_EQ(low.GetSize(), tPoint(8, 2));
  cBitmap both(&picture, 2, 3);
  EXPECT_EQ(both.GetSize(), tPoint(2, 3));
  EXPECT_EQ(both.GetPixel(1, 2), ZGUI::UnpackColor(ZGUI::PackColor(0xFFFFFF)));
  EXPECT_EQ(picture.width, 8);
  EXPECT_EQ(picture.height, 4);
  cBitmap fromNothing(static_cast<const cColorPic*>(nullptr), 0, 0);
  EXPECT_EQ(fromNothing.GetSize(), tPoint(0, 0));
}

INSTANTIATE_TEST_SUITE_P(Gui, BitmapFormats, testing::ValuesIn(Formats()), FormatName);

TEST(Bitmap, ReinitializeCarriesRawValuesAcrossDepths) {
  UseFormat(Format("X8R8G8B8"));
  cBitmap b;
  b.Create(3, 1);
  SetRaw(b, 0, 0, 0x00ABCDEF);
  SetRaw(b, 1, 0, 0x00008001);
  SetRaw(b, 2, 0, 0x12340042);
  UseFormat(Format("R5G6B5"));
  b.Reinitialize();
  EXPECT_EQ(b.GetSize(), tPoint(3, 1));
  EXPECT_EQ(b.GetDepth(), 2);
  EXPECT_EQ(b.GetBufferSize(), 8u);
  EXPECT_EQ(Raw(b, 0, 0), 0xCDEFu);
  EXPECT_EQ(Raw(b, 1, 0), 0x8001u);
  EXPECT_EQ(Raw(b, 2, 0), 0x0042u);
  // Back up to 32 bits the 16-bit values are sign-extended.
  UseFormat(Format("X8R8G8B8"));
  b.Reinitialize();
  EXPECT_EQ(b.GetBufferSize(), 12u);
  EXPECT_EQ(Raw(b, 0, 0), 0xFFFFCDEFu);
  EXPECT_EQ(Raw(b, 2, 0), 0x00000042u);
  UseFormat(Format("R8G8B8"));
  b.Reinitialize();
  EXPECT_EQ(b.GetBufferSize(), 12u);
  EXPECT_EQ(b.GetDepth(), 3);
}

// A bitmap that missed a change of mode is brought to the new depth before
// its pixels are touched, so its rows are never read or written at the wrong length.
TEST(Bitmap, ABitmapThatMissedAModeChangeFollowsBeforeItIsTouched) {
  UseFormat(Format("R5G6B5"));
  cBitmap b;
  b.Create(4, 4);
  UseFormat(Format("X8R8G8B8"));
  b.SetPixel(3, 3, 0x123456);
  EXPECT_EQ(b.GetDepth(), 4);
  EXPECT_EQ(b.GetBufferSize(), 64u);
  EXPECT_EQ(b.GetPixel(3, 3), 0x123456u);
  UseFormat(Format("R5G6B5"));
  EXPECT_EQ(b.GetPixel(3, 3), 0u);
  b.FillRect(tRect{0, 0, 3, 3}, 0xFFFFFF);
  EXPECT_EQ(b.GetBufferSize(), 32u);
  EXPECT_EQ(Raw(b, 3, 3), 0xFFFFu);
  // A device pointed at a stale bitmap draws nothing.
  UseFormat(Format("X8R8G8B8"));
  ZGUI::cGraphicsDevice device;
  device.SetBitmap(&b);
  EXPECT_EQ(device.GetBounds(), ZGUI::kEmptyRect);
  b.Reinitialize();
  device.SetBitmap(&b);
  EXPECT_EQ(device.GetBounds(), (tRect{0, 0, 3, 3}));
  EXPECT_EQ(device.GetPitch(), 16);
}

}  // namespace

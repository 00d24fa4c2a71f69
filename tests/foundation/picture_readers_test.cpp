// The loader's order and signature checks, the readers' refusals, and the PCX
// and TGA decoders on hand-made files.
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "foundation/errors.h"
#include "foundation/gfxloader.h"
#include "foundation/jpegreader.h"
#include "foundation/pcx.h"
#include "foundation/pictures.h"
#include "foundation/pngreader.h"
#include "foundation/streams.h"
#include "foundation/tga.h"
#include "tests/foundation/picture_fixtures.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using picturetest::Pcx;
using picturetest::Shell;
using picturetest::Tga;

Bytes Of(const cMonoPic& plane) {
  if (!plane.pixels) return {};
  return Bytes(plane.pixels, plane.pixels + static_cast<std::size_t>(plane.width) * plane.height);
}

class Readers : public picturetest::PictureTest {
 protected:
  static TMemFile Memory(std::string& bytes) {
    return TMemFile(bytes.data(), static_cast<std::int32_t>(bytes.size()), true);
  }
};

// ---- PCX -------------------------------------------------------------------

TEST(PcxDecodeRLE, RunsAreCutAtTheCountAndNeverReadPastTheLimit) {
  struct Case {
    const char* rule;
    Bytes source;
    std::int32_t count;
    bool ok;
    Bytes written;  // the destination's first count bytes (0xEE where untouched)
    std::int32_t position;
  } cases[] = {
      {"0xC0 is a run of 0 that consumes its value byte", {0xC0, 0x99, 0x05}, 1, true, {0x05}, 3},
      {"a run past the count is cut, its value byte consumed",
       {0xC5, 0x07, 0x01},
       3,
       true,
       {7, 7, 7},
       2},
      {"literals below 0xC0 are single bytes", {0x01, 0xBF}, 2, true, {0x01, 0xBF}, 2},
      {"a source that ends early fails", {0x01}, 2, false, {0x01, 0xEE}, 1},
      {"a run without its value byte fails", {0xC3}, 3, false, {0xEE, 0xEE, 0xEE}, 1},
      {"a count of 0 reads nothing", {0x01}, 0, true, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    Bytes destination(static_cast<std::size_t>(c.count) + 1, 0xEE);
    std::int32_t position = 0;
    // The source is exactly its bytes: a read past them is caught by the sanitizer.
    auto source = std::make_unique<std::uint8_t[]>(c.source.size());
    std::copy(c.source.begin(), c.source.end(), source.get());
    EXPECT_EQ(PCXlib::DecodeRLE(c.count, destination.data(), source.get(),
                                static_cast<std::int32_t>(c.source.size()), &position),
              c.ok);
    EXPECT_EQ(Bytes(destination.begin(), destination.begin() + c.count), c.written);
    EXPECT_EQ(destination[static_cast<std::size_t>(c.count)], 0xEE) << "nothing past the count";
    EXPECT_EQ(position, c.position);
  }
}

TEST_F(Readers, PcxPaletteFileReadsColoursAndRawIndices) {
  // 2 x 2, 3 bytes per line: indices 3, 200 / 17, 17.
  std::string file = Pcx(2, 2, 3, 1, {0x03, 0xC1, 200, 0x00, 0xC2, 17, 0x05}, true);
  PCXlib::cPCXreader reader;
  TMemFile stream = Memory(file);
  cColorPic picture;
  tChannelDepths depths;
  ASSERT_TRUE(reader.ReadColor(&stream, &picture, &depths));
  EXPECT_EQ(Of(picture.planes[0]), (Bytes{252, 55, 238, 238}));
  EXPECT_EQ(Of(picture.planes[1]), (Bytes{3, 200, 17, 17}));
  EXPECT_EQ(Of(picture.planes[2]), (Bytes{7, 7, 7, 7}));
  EXPECT_EQ(Of(picture.planes[3]), (Bytes{255, 255, 255, 255}));
  EXPECT_EQ(depths.alpha, 0);
  EXPECT_EQ(depths.red, 8);

  // A palette that is not a gray ramp: the gray read gives the indices.
  stream.Seek(0, kSeekStart);
  cMonoPic plane;
  ASSERT_TRUE(reader.ReadGray(&stream, &plane));
  EXPECT_EQ(Of(plane), (Bytes{3, 200, 17, 17}));
}

TEST_F(Readers, PcxThreePlanesAreOpaqueAndCannotBeReadAsGray) {
  std::string file = Pcx(2, 1, 2, 3, {10, 20, 30, 40, 50, 60}, false);
  PCXlib::cPCXreader reader;
  TMemFile stream = Memory(file);
  cColorPic picture;
  ASSERT_TRUE(reader.ReadColor(&stream, &picture, nullptr));
  EXPECT_EQ(Of(picture.planes[0]), (Bytes{10, 20}));
  EXPECT_EQ(Of(picture.planes[1]), (Bytes{30, 40}));
  EXPECT_EQ(Of(picture.planes[2]), (Bytes{50, 60}));
  EXPECT_EQ(Of(picture.planes[3]), (Bytes{255, 255}));
  stream.Seek(0, kSeekStart);
  cMonoPic plane;
  EXPECT_FALSE(reader.ReadGray(&stream, &plane));
}

// ---- TGA -------------------------------------------------------------------

// Stored bottom row first: pixels 1 2 (bottom) and 3 4 (top), BGRA bytes.
const Bytes kPixel[4] = {{1, 11, 21, 31}, {2, 12, 22, 32}, {3, 13, 23, 33}, {4, 14, 24, 34}};

TEST_F(Readers, TgaPacketsFillRowsBottomUpWhateverTheDescriptor) {
  Bytes onePixelPackets;  // 5 bytes a pixel: more than width x height x 4
  for (const Bytes& p : kPixel) {
    onePixelPackets.push_back(0x00);
    onePixelPackets.insert(onePixelPackets.end(), p.begin(), p.end());
  }
  Bytes runAndRaw = {0x81, 1, 11, 21, 31, 0x01, 3, 13, 23, 33, 4, 14, 24, 34};
  struct Case {
    const char* rule;
    std::string file;
    Bytes red, alpha;
  } cases[] = {
      {"one-pixel raw packets are all read",
       Tga(2, 2, 10, 32, 8, "", onePixelPackets),
       {23, 24, 21, 22},
       {33, 34, 31, 32}},
      {"a run packet repeats its pixel",
       Tga(2, 2, 10, 32, 8, "", runAndRaw),
       {23, 24, 21, 21},
       {33, 34, 31, 31}},
      {"a top-to-bottom descriptor still comes out flipped",
       Tga(2, 2, 10, 32, 0x28, "", runAndRaw),
       {23, 24, 21, 21},
       {33, 34, 31, 31}},
      {"the identification field is skipped",
       Tga(2, 2, 10, 32, 8, "abc", runAndRaw),
       {23, 24, 21, 21},
       {33, 34, 31, 31}},
      {"pixels the data does not reach stay 0",
       Tga(2, 2, 10, 32, 8, "", {0x81, 1, 11, 21, 31, 0x00, 3}),
       {0, 0, 21, 21},
       {0, 0, 31, 31}},
      {"a run longer than the picture is cut",
       Tga(2, 2, 10, 32, 8, "", {0xFF, 9, 9, 9, 9}),
       {9, 9, 9, 9},
       {9, 9, 9, 9}},
  };
  TARGAlib::cTARGAreader reader;
  for (Case& c : cases) {
    SCOPED_TRACE(c.rule);
    TMemFile stream = Memory(c.file);
    cColorPic picture;
    tChannelDepths depths;
    ASSERT_TRUE(reader.ReadColor(&stream, &picture, &depths));
    EXPECT_EQ(Of(picture.planes[0]), c.red);
    EXPECT_EQ(Of(picture.planes[3]), c.alpha);
    EXPECT_EQ(depths.alpha, 8);
  }
}

// ---- signatures and the loader ---------------------------------------------

TEST(Signatures, EachReaderJudgesOnlyTheBytesItIsGiven) {
  PNGlib::cPNGreader png;
  PCXlib::cPCXreader pcx;
  JPEGlib::cJPEGreader jpeg;
  TARGAlib::cTARGAreader tga;
  const std::uint8_t pngSig[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  const std::uint8_t other[8] = {0x0A, 5, 1, 8, 0, 0, 0, 0};
  const std::uint8_t version3[2] = {0x0A, 3};
  EXPECT_EQ(png.SignatureLength(), 8u);
  EXPECT_EQ(pcx.SignatureLength(), 2u);
  EXPECT_EQ(jpeg.SignatureLength(), 0u);
  EXPECT_EQ(tga.SignatureLength(), 0u);
  EXPECT_TRUE(png.CheckSignature(pngSig, 8));
  EXPECT_TRUE(png.CheckSignature(pngSig, 1)) << "one byte: only the first is compared";
  EXPECT_FALSE(png.CheckSignature(other, 1));
  EXPECT_TRUE(png.CheckSignature(other, 0));
  EXPECT_FALSE(pcx.CheckSignature(pngSig, 8));
  EXPECT_TRUE(pcx.CheckSignature(other, 1));
  EXPECT_TRUE(pcx.CheckSignature(other, 8));
  EXPECT_FALSE(pcx.CheckSignature(version3, 2));
  EXPECT_TRUE(jpeg.CheckSignature(other, 8));
  EXPECT_TRUE(tga.CheckSignature(other, 8));
}

// A reader that records what the loader gives it.
class FakeReader : public cGfxFFmtWrapper {
 public:
  FakeReader(std::string name, std::uint32_t length, std::uint8_t first, bool result,
             std::vector<std::string>* calls, bool* deleted = nullptr)
      : name_(std::move(name)),
        length_(length),
        first_(first),
        result_(result),
        calls_(calls),
        deleted_(deleted) {}
  ~FakeReader() override {
    if (deleted_) *deleted_ = true;
  }
  std::uint32_t SignatureLength() override { return length_; }
  bool CheckSignature(const std::uint8_t* bytes, std::uint32_t count) override {
    calls_->push_back(name_ + " check " + std::to_string(count));
    return length_ == 0 || count == 0 || bytes[0] == first_;
  }
  bool ReadColor(TStream* stream, cColorPic*, tChannelDepths*) override {
    calls_->push_back(name_ + " read at " + std::to_string(stream->Tell()));
    if (throws) throw new VOXA::errors::eCouldNotAllocateMemoryFor("picture buffer!");
    stream->Seek(1, kSeekCurrent);
    return result_;
  }
  bool ReadGray(TStream* stream, cMonoPic*) override {
    calls_->push_back(name_ + " gray at " + std::to_string(stream->Tell()));
    return result_;
  }
  bool throws = false;

 private:
  std::string name_;
  std::uint32_t length_;
  std::uint8_t first_;
  bool result_;
  std::vector<std::string>* calls_;
  bool* deleted_;
};

TEST(Loader, OffersTheFileInRegistrationOrderAfterTheSignatureCheck) {
  std::vector<std::string> calls;
  FakeReader any("any", 0, 0, false, &calls), sig("sig", 4, 'x', false, &calls),
      other("other", 2, 'y', false, &calls), last("last", 0, 0, true, &calls);
  cGfxLoader loader;
  for (auto* r : {&any, &sig, &other, &last}) loader.RegisterReader(r, false);
  std::string bytes = "..xyz123";
  TMemFile stream(bytes.data(), static_cast<std::int32_t>(bytes.size()), true);
  stream.Seek(2, kSeekStart);  // the picture starts where the stream stands
  cColorPic picture;
  EXPECT_TRUE(loader.ReadColor(&stream, &picture, nullptr));
  EXPECT_EQ(calls, (std::vector<std::string>{"any check 4", "any read at 2", "sig check 4",
                                             "sig read at 2", "other check 4", "last check 4",
                                             "last read at 2"}));
}

TEST(Loader, AFileNoReaderTakesIsRefusedWithTheStreamAtItsStart) {
  std::vector<std::string> calls;
  FakeReader a("a", 8, 'x', false, &calls), b("b", 0, 0, false, &calls);
  cGfxLoader loader;
  loader.RegisterReader(&a, false);
  loader.RegisterReader(&b, false);
  std::string bytes = "xyz";  // shorter than the longest signature
  TMemFile stream(bytes.data(), 3, true);
  cMonoPic plane;
  EXPECT_FALSE(loader.ReadGray(&stream, &plane));
  EXPECT_EQ(stream.Tell(), 0);
  EXPECT_EQ(calls,
            (std::vector<std::string>{"a check 3", "a gray at 0", "b check 3", "b gray at 0"}));

  // An empty stream: no signature check at all, every reader is tried.
  calls.clear();
  TMemFile empty(bytes.data(), 0, true);
  EXPECT_FALSE(loader.ReadGray(&empty, &plane));
  EXPECT_EQ(calls, (std::vector<std::string>{"a gray at 0", "b gray at 0"}));
}

TEST(Loader, AnErrorInsideAReaderEndsTheAttempt) {
  std::vector<std::string> calls;
  FakeReader a("a", 0, 0, false, &calls), b("b", 0, 0, true, &calls);
  a.throws = true;
  cGfxLoader loader;
  loader.RegisterReader(&a, false);
  loader.RegisterReader(&b, false);
  std::string bytes = "abc";
  TMemFile stream(bytes.data(), 3, true);
  cColorPic picture;
  try {
    loader.ReadColor(&stream, &picture, nullptr);
    ADD_FAILURE() << "the error should pass through";
  } catch (VOXA::errors::eError* e) {
    EXPECT_STREQ(e->GetMessage(), "Out of memory: Could not allocate memory for picture buffer!!");
    delete e;
  }
  EXPECT_EQ(calls, (std::vector<std::string>{"a read at 0"}));
}

TEST(Loader, RegistrationKeepsOneEntryPerReaderAndOwnsWhenAskedOnce) {
  std::vector<std::string> calls;
  bool deleted = false, keptDeleted = false;
  auto* owned = new FakeReader("owned", 0, 0, false, &calls, &deleted);
  FakeReader kept("kept", 0, 0, false, &calls, &keptDeleted);
  {
    cGfxLoader loader;
    loader.RegisterReader(nullptr, true);
    loader.RegisterReader(owned, false);
    loader.RegisterReader(owned, true);
    loader.RegisterReader(&kept, false);
    loader.RegisterReader(&kept, false);
    ASSERT_EQ(loader.Count(), 2);
    EXPECT_EQ(loader.Reader(0), owned);
    EXPECT_EQ(loader.Reader(1), &kept);
  }
  EXPECT_TRUE(deleted);
  EXPECT_FALSE(keptDeleted);
}

TEST_F(Readers, GlobalLoaderHoldsTheFourReadersInOfferOrder) {
  cGfxLoader& loader = GetGfxLoader();
  ASSERT_EQ(loader.Count(), 4);
  EXPECT_NE(dynamic_cast<JPEGlib::cJPEGreader*>(loader.Reader(0)), nullptr);
  EXPECT_NE(dynamic_cast<PNGlib::cPNGreader*>(loader.Reader(1)), nullptr);
  EXPECT_NE(dynamic_cast<PCXlib::cPCXreader*>(loader.Reader(2)), nullptr);
  EXPECT_NE(dynamic_cast<TARGAlib::cTARGAreader*>(loader.Reader(3)), nullptr);
  // No reader writes.
  cColorPic picture;
  EXPECT_FALSE(loader.Reader(1)->SaveColor("out.png", &picture));
  EXPECT_FALSE(std::filesystem::exists("out.png"));
  EXPECT_NE(std::string(PNGlib::GetCopyright()).find("Copyright"), std::string::npos);
  EXPECT_STREQ(PNGlib::GetVersion(), png_get_libpng_ver(nullptr));
}

// ---- refusals through the global loader ------------------------------------

struct Refusal {
  const char* name;
  const char* make;  // writes f.bin
  bool gray;
  const char* logged;  // a text the debug log must hold, or null for no log at all
};

const Refusal kRefusals[] = {
    {"PcxVersion3",
     "$C base.ppm -colors 40 -type palette PCX:f.bin; printf '\\003' | dd of=f.bin bs=1 seek=1 "
     "conv=notrunc 2>/dev/null",
     false, nullptr},
    {"Tga24BitRle", "$C base.ppm -compress RLE TGA:f.bin", false, nullptr},
    {"TgaUncompressed", "$C rgba.png -compress None TGA:f.bin", false, nullptr},
    {"TgaAsGray", "$C rgba.png -compress RLE TGA:f.bin", true, nullptr},
    {"JpegCmyk", "$C base.ppm -colorspace CMYK JPEG:f.bin", false, nullptr},
    {"PngTruncated",
     "$C rgba.png PNG32:full.png; head -c $(( $(stat -c%s full.png) * 6 / 10 )) full.png > f.bin",
     false, "PNG Error: Read Error"},
    // Without a signature to judge, the PNG reader is offered the empty file too.
    {"EmptyFile", ": > f.bin", false, "PNG Error: Read Error"},
    {"EmptyFileAsGray", ": > f.bin", true, "PNG Error: Read Error"},
    {"PcxPaletteFileShorterThanItsPalette",
     "$C base.ppm -colors 40 -type palette full.pcx; head -c 300 full.pcx > f.bin", false,
     "does not fit its file"},
    {"PcxWidthBeyondBytesPerLine",
     "$C base.ppm -colors 40 -type palette PCX:f.bin; printf '\\310\\000' | dd of=f.bin bs=1 "
     "seek=8 "
     "conv=notrunc 2>/dev/null",
     false, "PCX: a 201 x 9 picture of 13 bytes per line does not fit its file"},
    {"PcxNegativeWidth",
     "$C base.ppm -type truecolor PCX:f.bin; printf '\\376\\377' | dd of=f.bin bs=1 seek=8 "
     "conv=notrunc 2>/dev/null",
     false, "does not fit its file"},
    {"PcxHeightTheDataCannotHold",
     "$C base.ppm -type truecolor PCX:f.bin; printf '\\377\\177' | dd of=f.bin bs=1 seek=10 "
     "conv=notrunc 2>/dev/null",
     false, "PCX: a 13 x 32768 picture"},
    {"TgaZeroWidth",
     "$C rgba.png -compress RLE TGA:f.bin; printf '\\000\\000' | dd of=f.bin bs=1 seek=12 "
     "conv=notrunc 2>/dev/null",
     false, "TGA: a 0 x 9 picture does not fit its file"},
    {"TgaSizeTheDataCannotHold",
     "$C rgba.png -compress RLE TGA:f.bin; printf '\\377\\177\\377\\177' | dd of=f.bin bs=1 "
     "seek=12 conv=notrunc 2>/dev/null",
     false, "TGA: a 32767 x 32767 picture does not fit its file"},
    {"JpegSizeTheDataCannotHold",
     "$C base.ppm JPEG:f.bin; o=$(LC_ALL=C grep -obUaP '\\xff\\xc0' f.bin | head -1 | cut -d: "
     "-f1); "
     "printf '\\377\\334\\377\\334' | dd of=f.bin bs=1 seek=$((o + 5)) conv=notrunc 2>/dev/null",
     false, "JPEG: a 65500 x 65500 picture does not fit its file"},
};

class Refusals : public picturetest::PictureTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(Refusals, AreAPlainFalse) {
  const Refusal& r = GetParam();
  ASSERT_TRUE(Shell(std::string(picturetest::kBasePictures) + r.make)) << r.make;
  if (r.gray) {
    cMonoPic plane;
    EXPECT_FALSE(plane.Load("f.bin"));
  } else {
    cColorPic picture;
    EXPECT_FALSE(picture.Load("f.bin"));
  }
  if (r.logged) {
    EXPECT_NE(Log().find(r.logged), std::string::npos) << Log();
  } else {
    EXPECT_EQ(Log(), "");
  }
}

INSTANTIATE_TEST_SUITE_P(Readers, Refusals, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

// Data that ends early is completed with an end-of-image marker (one warning);
// a cut inside the entropy-coded data also meets that marker too soon (a second).
TEST_F(Readers, ATruncatedJpegLoadsWithItsWarningLine) {
  struct Case {
    const char* rule;
    const char* cut;
    const char* line;
  } cases[] = {
      {"only the end-of-image marker missing", "$(( s - 2 ))",
       "The JPEG data might be corrupted (1 warning)!"},
      {"cut at 60 percent", "$(( s * 6 / 10 ))", "The JPEG data might be corrupted (2 warnings)!"},
  };
  ASSERT_TRUE(Shell("$C -seed 3 -size 64x48 plasma:fractal -quality 90 full.jpg"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    std::filesystem::remove("debug.txt");
    ASSERT_TRUE(
        Shell(std::string("s=$(stat -c%s full.jpg); head -c ") + c.cut + " full.jpg > f.jpg"));
    cColorPic picture;
    ASSERT_TRUE(picture.Load("f.jpg"));
    EXPECT_EQ(picture.width, 64);
    EXPECT_EQ(picture.height, 48);
    EXPECT_NE(Log().find(c.line), std::string::npos) << Log();
  }
}

TEST_F(Readers, PngWithTransparencyReadAsGrayHasOneBytePerPixel) {
  ASSERT_TRUE(
      Shell("$C -seed 7 -size 13x9 plasma:fractal -colorspace Gray -depth 8 g.pgm; "
            "h=$($C g.pgm -format '%[hex:p{0,0}]' info:); "
            "pnmtopng -transparent \"#$(echo $h | cut -c1-6)\" g.pgm > f.png 2>/dev/null"));
  const Bytes gray = picturetest::Reference("g.pgm", "gray");
  cMonoPic plane;
  ASSERT_TRUE(plane.Load("f.png"));
  EXPECT_EQ(Of(plane), gray);
}

}  // namespace

// The texture collector behind a recording texture maker: screen textures of
// the "texture" statement and file textures from "textures\".
#include <gtest/gtest.h>

#include "effects2d/texturecollector.h"
#include "tests/effects2d/fx_fixture.h"

namespace fxtest {
namespace {

using namespace VOXA2;

struct FakeTexture : public basis::basisObject {
  FakeTexture(int w, int h, bool s) : width(w), height(h), screen(s) {}
  int width, height;
  bool screen;
  int preLoads = 0;
  std::uint32_t topLeft = 0;
};

class Textures : public FxTest {
 protected:
  void SetUp() override {
    FxTest::SetUp();
    tTextureMaker maker;
    maker.screen = [](std::int32_t w, std::int32_t h) { return new FakeTexture(w, h, true); };
    maker.fromPicture = [](cColorPic* picture, tChannelDepths*) {
      auto* texture = new FakeTexture(picture->width, picture->height, false);
      texture->topLeft = static_cast<std::uint32_t>(picture->planes[0].pixels[0]) << 16 |
                         static_cast<std::uint32_t>(picture->planes[1].pixels[0]) << 8 |
                         picture->planes[2].pixels[0];
      return texture;
    };
    maker.preLoad = [](basis::basisObject* t) { static_cast<FakeTexture*>(t)->preLoads++; };
    SetTextureMaker(std::move(maker));
  }
  void TearDown() override {
    FxTest::TearDown();
    SetTextureMaker({});
  }

  // An empty demo with a texture collector of its own.
  void EmptyDemoWithCollector() {
    ASSERT_TRUE(Compile(""));
    ASSERT_FALSE(demo->FindDataCollector("texture"));
    demo->AddDataCollector(new cVOXAtexturecollector("texture"));
  }

  FakeTexture* Get(const char* name) {
    cVOXAdatacollector* collector = demo->FindDataCollector("texture");
    if (!collector) return nullptr;
    return static_cast<FakeTexture*>(static_cast<basis::basisObject*>(collector->GetData(name)));
  }
};

TEST_F(Textures, StatementSizesAndDefaults) {
  struct Case {
    const char* name;
    int width, height;
  } cases[] = {{"plain", 256, 256},
               {"sized", 128, 64},
               {"nowidth", 256, 64},
               {"noheight", 512, 512},
               {"zeros", 256, 256}};
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(
        Compile("texture \"plain\"; texture \"sized\", 128, 64; texture \"nowidth\", 0, 64;"
                "texture \"noheight\", 512, 0; texture \"zeros\", 0, 0;"));
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      FakeTexture* texture = Get(c.name);
      ASSERT_NE(texture, nullptr);
      EXPECT_TRUE(texture->screen);
      EXPECT_EQ(texture->width, c.width);
      EXPECT_EQ(texture->height, c.height);
    }
    demo->Prepare();
    EXPECT_EQ(Get("PLAIN")->preLoads, 1);
  });
}

TEST_F(Textures, SecondDeclarationInOtherCaseIsRefused) {
  OnDisplay(kModes[2], [&] {
    EXPECT_FALSE(Compile("texture \"glow\";\ntexture \"GLOW\", 64, 64;"));
    EXPECT_TRUE(
        Logged("Texture \x08\x08"
               "00640064GLOW already exists!"));
    EXPECT_TRUE(LoggedPart("demo.txt(2,"));
    EXPECT_TRUE(LoggedPart("Error on creating new screen texture!"));
  });
}

// A file texture loaded first blocks a screen texture of its name.
TEST_F(Textures, FileTextureFirstBlocksAScreenTextureOfItsName) {
  WriteTga("textures/glow.tga", 4, 4, [](int, int) { return 0x102030; });
  OnDisplay(kModes[2], [&] {
    EmptyDemoWithCollector();
    ASSERT_NE(Get("glow"), nullptr);
    EXPECT_EQ(Get("\x08GLOW"), nullptr);
  });
}

TEST_F(Textures, FileTexturesWithAndWithoutExtensionAndThroughDescriptions) {
  WriteTga("textures/logo.tga", 8, 4, [](int, int) { return 0xFF8000; });
  WriteTga("textures/base.tga", 8, 8, [](int, int) { return 0x00FF00; });
  WriteText("textures/big.dsc", "picture \"base.tga\" { rescale (absolute 16, absolute 32); }");
  WriteTga("textures/broken.tga", 2, 2, [](int, int) { return 0xFFFFFF; });
  WriteText("textures/broken.dsc", "picture \"broken.tga\" { rescale (");
  OnDisplay(kModes[0], [&] {
    EmptyDemoWithCollector();
    FakeTexture* plain = Get("logo");
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(plain->screen);
    EXPECT_EQ(plain->width, 8);  // no resampling to the screen
    EXPECT_EQ(plain->topLeft, 0xFF8000u);
    FakeTexture* withExtension = Get("logo.tga");
    ASSERT_NE(withExtension, nullptr);
    EXPECT_EQ(withExtension->height, 4);
    FakeTexture* filtered = Get("big");
    ASSERT_NE(filtered, nullptr);
    EXPECT_EQ(filtered->width, 16);
    EXPECT_EQ(filtered->height, 32);
    // A broken description does not fall back to the picture beside it.
    EXPECT_EQ(Get("broken"), nullptr);
    EXPECT_TRUE(Logged("Error on loading texture textures\\broken"));
    EXPECT_EQ(Get("missing"), nullptr);
  });
}

TEST_F(Textures, WithoutTheKernelsTexturesNothingIsMade) {
  SetTextureMaker({});
  OnDisplay(kModes[2], [&] {
    EXPECT_FALSE(Compile("texture \"glow\";"));
    EXPECT_TRUE(Logged("Error on creating screen texture glow"));
  });
}

}  // namespace
}  // namespace fxtest

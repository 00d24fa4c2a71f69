// The texture collector on the kernel's textures: screen textures of the
// "texture" statement and file textures from "textures\".
#include "windxkernel/texture.h"

#include <gtest/gtest.h>

#include "effects2d/texturecollector.h"
#include "tests/effects2d/fx_fixture.h"

namespace fxtest {
namespace {

using namespace VOXA2;

class Textures : public FxTest {
 protected:
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

  video::voxaTexture* Get(const char* name) {
    cVOXAdatacollector* collector = demo->FindDataCollector("texture");
    if (!collector) return nullptr;
    return static_cast<video::voxaTexture*>(collector->GetData(name));
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
               {"zeros", 256, 256},
               // the kernel widens sizes to powers of two
               {"odd", 128, 64}};
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(Compile(
        "texture \"plain\"; texture \"sized\", 128, 64; texture \"nowidth\", 0, 64;"
        "texture \"noheight\", 512, 0; texture \"zeros\", 0, 0; texture \"odd\", 100, 60;"));
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      video::voxaTexture* texture = Get(c.name);
      ASSERT_NE(texture, nullptr);
      EXPECT_TRUE(texture->IsScreenTexture());
      EXPECT_EQ(texture->GetWidth(), c.width);
      EXPECT_EQ(texture->GetHeight(), c.height);
    }
    EXPECT_EQ(Get("PLAIN"), Get("plain"));
    demo->Prepare();
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
    video::voxaTexture* plain = Get("logo");
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(plain->IsScreenTexture());
    EXPECT_EQ(plain->GetWidth(), 8);  // no resampling to the screen
    EXPECT_EQ(plain->GetHeight(), 4);
    video::voxaTexture* withExtension = Get("logo.tga");
    ASSERT_NE(withExtension, nullptr);
    EXPECT_EQ(withExtension->GetHeight(), 4);
    video::voxaTexture* filtered = Get("big");
    ASSERT_NE(filtered, nullptr);
    EXPECT_EQ(filtered->GetWidth(), 16);
    EXPECT_EQ(filtered->GetHeight(), 32);
    // A broken description does not fall back to the picture beside it.
    EXPECT_EQ(Get("broken"), nullptr);
    EXPECT_TRUE(Logged("Error on loading texture textures\\broken"));
    EXPECT_EQ(Get("missing"), nullptr);
  });
}

TEST_F(Textures, ATextureTheKernelCannotMakeFailsTheStatement) {
  tTextureMaker failing;
  failing.screen = [](std::int32_t, std::int32_t) -> video::voxaTexture* { return nullptr; };
  SetTextureMaker(failing);
  OnDisplay(kModes[2], [&] {
    EXPECT_FALSE(Compile("texture \"glow\";"));
    EXPECT_TRUE(Logged("Error on creating screen texture glow"));
  });
}

}  // namespace
}  // namespace fxtest

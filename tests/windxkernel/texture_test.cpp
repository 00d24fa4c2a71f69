// Textures from pictures and screen textures: size rules, the format
// choice, the mip chain and the upload, on the default 3D device.
#include "windxkernel/texture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/gfxloader.h"
#include "foundation/pictures.h"
#include "tests/windxkernel/threedee_support.h"
#include "windxkernel/d3dinit.h"

using threedeetest::Recorder;
using threedeetest::With3D;
using VOXA2::video::kernelTexture;

namespace {

void Picture(cColorPic& p, int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b,
             std::uint8_t a) {
  p.Create(w, h);
  p.Fill(r, g, b, a);
}

D3DDEVICEDESC7& SelectedDesc() {
  return kernel::d3dDevices[static_cast<size_t>(kernel::d3dState.currentDevice)]->desc;
}

}  // namespace

TEST(Textures, FormatChoiceByChannelDepths) {
  With3D([](Recorder&) {
    struct Case {
      tChannelDepths wanted;
      int bits;
      std::uint32_t red, alpha;
    } cases[] = {
        {{8, 8, 8, 0}, 32, 0x00FF0000, 0},
        {{8, 8, 8, 8}, 32, 0x00FF0000, 0xFF000000},
        {{5, 6, 5, 0}, 16, 0xF800, 0},
        // A tie at 255 between X1R5G5B5 and R5G6B5: the first offered wins.
        {{5, 5, 5, 0}, 16, 0x7C00, 0},
        {{4, 4, 4, 4}, 16, 0x0F00, 0xF000},
    };
    for (const Case& c : cases) {
      cColorPic p;
      Picture(p, 4, 4, 1, 2, 3, 4);
      kernelTexture* t = kernelTexture::LoadFile(&p, &c.wanted);
      EXPECT_EQ(t->GetBitCount(), c.bits);
      EXPECT_EQ(t->GetRedMask(), c.red);
      EXPECT_EQ(t->GetAlphaMask(), c.alpha);
      delete t;
    }
  });
}

TEST(Textures, PowerOfTwoAndSquareSizes) {
  With3D([](Recorder&) {
    cColorPic p;
    Picture(p, 100, 60, 10, 20, 30, 255);
    kernelTexture* t = kernelTexture::LoadFile(&p, nullptr);
    EXPECT_EQ(t->GetWidth(), 128);
    EXPECT_EQ(t->GetHeight(), 64);
    delete t;
    SelectedDesc().dpcTriCaps.dwTextureCaps |= D3DPTEXTURECAPS_SQUAREONLY;
    Picture(p, 100, 60, 10, 20, 30, 255);
    t = kernelTexture::LoadFile(&p, nullptr);
    EXPECT_EQ(t->GetWidth(), 128);
    EXPECT_EQ(t->GetHeight(), 128);
    delete t;
    SelectedDesc().dpcTriCaps.dwTextureCaps &= ~D3DPTEXTURECAPS_SQUAREONLY;
  });
}

// Every level holds the picture resampled to its size; the chain runs to 1x1.
TEST(Textures, MipChainOfA256By64PictureIsUploadedToEveryLevel) {
  With3D([](Recorder&) {
    cColorPic p;
    Picture(p, 256, 64, 0x40, 0x80, 0xC0, 0xFF);
    tChannelDepths depths{8, 8, 8, 0};
    kernelTexture* t = kernelTexture::LoadFile(&p, &depths);
    IDirectDrawSurface7* level =
        t->GetSurface() ? static_cast<VOXA2::video::kernelSurface*>(t->GetSurface())->surface
                        : nullptr;
    ASSERT_NE(level, nullptr);
    int levels = 0, w = 256, h = 64;
    for (; level; level = level->nextMipLevel(), ++levels) {
      EXPECT_EQ(level->width(), w);
      EXPECT_EQ(level->height(), h);
      const BYTE* last = level->pixels() + (h - 1) * level->pitch() + (w - 1) * 4;
      EXPECT_EQ(platform::pixels::Read(last, 4) & 0xFFFFFF, 0x4080C0u) << w << "x" << h;
      w = w > 1 ? w / 2 : 1;
      h = h > 1 ? h / 2 : 1;
    }
    EXPECT_EQ(levels, 9);
    EXPECT_EQ(p.width, 1);
    EXPECT_EQ(p.height, 1);
    delete t;
  });
}

// The plan counts the halvings of the smaller side; one level is logged too.
TEST(Textures, PlannedMipLevelsAreLogged) {
  const struct {
    int w, h;
    const char* line;
  } cases[] = {
      {1, 16, "  Planning to create 1 mip map level"},
      {16, 1, "  Planning to create 1 mip map level"},
      {2, 8, "  Planning to create 2 mip map levels"},
      {256, 64, "  Planning to create 7 mip map levels"},
  };
  for (const auto& c : cases) {
    const std::vector<std::string> log = With3D([&](Recorder&) {
      cColorPic p;
      Picture(p, c.w, c.h, 1, 2, 3, 255);
      delete kernelTexture::LoadFile(&p, nullptr);
    });
    EXPECT_NE(std::find(log.begin(), log.end(), c.line), log.end()) << c.w << "x" << c.h;
  }
}

TEST(Textures, ScreenTexturesAndBinding) {
  With3D([](Recorder& r) {
    kernelTexture* t = kernelTexture::FromPicture(0, 0);
    EXPECT_EQ(t->GetWidth(), 256);
    EXPECT_EQ(t->GetHeight(), 256);
    EXPECT_TRUE(t->IsScreenTexture());
    // A fill through the surface covers the last row and column too.
    EXPECT_EQ(t->GetSurface()->Fill(0xFFFFFF), DD_OK);
    auto* s = static_cast<VOXA2::video::kernelSurface*>(t->GetSurface())->surface;
    const int bytes = static_cast<int>(s->format().dwRGBBitCount / 8);
    EXPECT_NE(platform::pixels::Read(s->pixels() + 255 * s->pitch() + 255 * bytes, bytes), 0u);
    r.Clear();
    t->Bind(8);
    EXPECT_TRUE(r.Of("SetTexture").empty());
    t->Bind(1);
    ASSERT_EQ(r.Of("SetTexture").size(), 1u);
    EXPECT_EQ(r.Of("SetTexture")[0].a, 1u);
    kernel::d3dState.device->SetTexture(1, nullptr);
    delete t;
  });
}

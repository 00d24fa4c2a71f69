// The bundled sample tree (built into play/ by the target sample_data): every
// demo of its catalogue loads as the launcher loads it, and the showcase draws
// what its script's header promises.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "effects2d/loadingpicture.h"
#include "effects2d/picturecollector.h"
#include "foundation/fakearchive.h"
#include "foundation/streams.h"
#include "foundation/vornarc.h"
#include "gui/bitmap.h"
#include "platform/sound_headless.h"
#include "tests/effects2d/fx_fixture.h"
#include "tests/support/sound_capture.h"
#include "viewer/catalogue/catalogue.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/sound.h"
#include "windxkernel/video.h"

namespace fxtest {
namespace {

using namespace VOXA2;

class SampleDemos : public FxTest {
 protected:
  void SetUp() override {
    FxTest::SetUp();
    // As the player mounts them: the data folder, then the launcher's archive.
    std::filesystem::create_directory_symlink(std::string(VOXA2_PLAY_DIR) + "/data", "data");
    dataFolder_.SetFileName("data\\");
    AddArchive(&dataFolder_);
    auto file = std::make_unique<TFile>();
    file->SetName(VOXA2_PLAY_DIR "/viewer.dat");
    viewerDat_ = std::make_unique<TVORNarc>(std::move(file));
    ASSERT_TRUE(viewerDat_->Open());
    AddArchive(viewerDat_.get());
    catalogue_.reset(tDCdemocollector::BuildDemoList("demo.ini", &dataFolder_));
    ASSERT_NE(catalogue_, nullptr);
  }
  void TearDown() override {
    catalogue_.reset();
    RemoveArchive(viewerDat_.get());
    RemoveArchive(&dataFolder_);
    FxTest::TearDown();
  }

  // The launcher's road: the loading picture through the demo's picture
  // collector, then the script.
  bool Load(const tDCdemo& record) {
    demo = std::make_unique<cVOXAdemo>();
    demo->clock = [this] { return now; };
    cVOXAdatacollector* pictures = CreateDataCollector("picture");
    if (!pictures || !demo->AddDataCollector(pictures)) return false;
    auto* bitmap = static_cast<ZGUI::cBitmap*>(pictures->GetData(record.loadingImage->c_str()));
    if (!bitmap) return false;
    cBitmapLoadingPicture loading(bitmap);
    demo->loadingPicture = &loading;
    const bool loaded = demo->Load(record.file->c_str());
    demo->loadingPicture = nullptr;
    return loaded;
  }

  struct tFreeCatalogue {
    void operator()(tDCdemocollector* c) const { tDCdemocollector::FreeDemoList(c); }
  };
  std::unique_ptr<tDCdemocollector, tFreeCatalogue> catalogue_;

 private:
  TFakeArchive dataFolder_;
  std::unique_ptr<TVORNarc> viewerDat_;
};

TEST_F(SampleDemos, EveryListedDemoLoadsWithItsPicturesSamplesAndMusic) {
  ASSERT_NE(catalogue_->defaultDemo, nullptr);
  EXPECT_EQ(catalogue_->defaultDemo->title, "Showcase");
  ASSERT_GE(catalogue_->enlisted.size(), 2u);
  OnDisplayWithSound(
      kModes[2],
      [&] {
        for (const tDCdemo* record : catalogue_->enlisted) {
          SCOPED_TRACE(*record->file);
          ASSERT_TRUE(InitSound());  // as each start of a demo does: StopMusic ends the output
          EXPECT_TRUE(record->description && !record->description->empty());
          ASSERT_TRUE(Load(*record));
          if (demo->musicFile) {
            EXPECT_TRUE(LoadMusic(demo->musicFile->c_str(), true));
          }
          StopMusic();
          demo.reset();
        }
      },
      640, 480);
  EXPECT_TRUE(Logged("Loading sample \"showcase_thump.wav\"..."));
  for (std::string line : LogLines()) {
    for (char& c : line) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* bad : {"error", "could not", "warning", "failed"})
      EXPECT_EQ(line.find(bad), std::string::npos) << line;
  }
}

// The frame facts that the showcase script documents for end-to-end checks.
TEST_F(SampleDemos, ShowcaseShowsTheBadgeWhereItsScriptSays) {
  OnDisplay(
      kModes[2],
      [&] {
        ASSERT_TRUE(Load(*catalogue_->defaultDemo));
        demo->Prepare();
        now = 0;
        demo->Start();
        video::voxaSurface* back = video::GetBackSurface();
        for (float t : {3.0f, 4.0f, 4.95f}) {
          SCOPED_TRACE(t);
          now = t;
          ASSERT_TRUE(demo->Run());
          EXPECT_EQ(Pixel(back, 320, 240), 0xFFB000u);
          EXPECT_EQ(Pixel(back, 240, 180), 0x402000u);
          EXPECT_EQ(Pixel(back, 399, 299), 0x402000u);
          EXPECT_NE(Pixel(back, 239, 180), 0x402000u);
          EXPECT_NE(Pixel(back, 400, 299), 0x402000u);
        }
        now = 4.0f;
        ASSERT_TRUE(demo->Run());
        EXPECT_EQ(Pixel(back, 8, 8), 0x005080u);  // the ramp halfway
        now = 1.0f;
        ASSERT_TRUE(demo->Run());
        EXPECT_NE(Pixel(back, 320, 240), 0xFFB000u);  // the sky, no badge yet
      },
      640, 480);
}

// Played through at full volume, the default demo's module and samples never
// reach the ends of the 16-bit range: nothing of the mix is clipped.
TEST_F(SampleDemos, ShowcaseSoundsWithoutClipping) {
  kernel::noSound = false;
  platform::SetHeadlessSoundDevices({});
  OnDisplay(
      kModes[2],
      [&] {
        EnumerateSoundDevices();
        SetSoundSettings(-1, 16, 2, 44100);
        ASSERT_TRUE(InitSound());
        ASSERT_TRUE(Load(*catalogue_->defaultDemo));
        ASSERT_TRUE(demo->musicFile);
        ASSERT_TRUE(LoadMusic(demo->musicFile->c_str(), demo->musicFlag));
        demo->Prepare();
        // The launcher's scale: 0 … 64 onto the library's 0 … 255.
        ASSERT_TRUE(PlayMusic(std::clamp(demo->musicVolume, 0, 64) * 255 / 64));
        now = 0;
        demo->Start();
        std::size_t clipped = 0, sounding = 0;
        for (int step = 0; step < 160 && demo->running; ++step) {
          now = static_cast<float>(step) * 0.05f;
          ASSERT_TRUE(demo->Run());
          const testsupport::Channels out = testsupport::Capture16Stereo(2205);
          for (const auto* channel : {&out.left, &out.right}) {
            for (double v : *channel) {
              if (v >= 32767 / 32768.0 || v <= -1.0) ++clipped;
              if (std::abs(v) > 0.01) ++sounding;
            }
          }
        }
        EXPECT_GT(sounding, 100000u);  // the run did play
        EXPECT_EQ(clipped, 0u);
        demo.reset();
        StopMusic();
        FreeSoundDevices();
      },
      640, 480);
}

// A sample plays at 44,100 Hz when its script sets no frequency: the generated
// samples then last as long as they were made to.
TEST_F(SampleDemos, GeneratedSamplesPlayForTheirOwnLength) {
  const struct {
    const char* file;
    double seconds;
  } cases[] = {{"samples\\showcase_chime.wav", 0.8}, {"samples\\showcase_thump.wav", 0.35}};
  kernel::noSound = false;
  platform::SetHeadlessSoundDevices({});
  EnumerateSoundDevices();
  SetSoundSettings(-1, 16, 2, 44100);  // the output plays 44,100 frames a second
  ASSERT_TRUE(InitSound());
  ASSERT_TRUE(PlayMusic(255));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::unique_ptr<music::kernelSample> sample(music::kernelSample::Load(c.file));
    ASSERT_NE(sample, nullptr);
    ASSERT_NE(sample->handle, 0u);
    ASSERT_TRUE(sample->Play());
    const testsupport::Channels out = testsupport::Capture16Stereo(2 * 44100);
    const double frames = c.seconds * 44100;
    EXPECT_NEAR(static_cast<double>(testsupport::SoundingLength(out.left)), frames, frames / 50);
  }
  StopMusic();
  FreeSoundDevices();
}

}  // namespace
}  // namespace fxtest

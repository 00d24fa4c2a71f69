// The "sample" command and its collector, and "music_volume", heard through the
// headless sound output (16-bit stereo at 44100 Hz).
#include "windxkernel/sound.h"

#include <gtest/gtest.h>

#include <cmath>

#include "effects2d/commands.h"
#include "effects2d/sample.h"
#include "platform/sound_headless.h"
#include "tests/effects2d/fx_fixture.h"
#include "tests/support/sound_capture.h"
#include "tests/support/sound_fixtures.h"
#include "windxkernel/debuglog.h"

namespace fxtest {
namespace {

using namespace VOXA2;
using testsupport::Capture16Stereo;
using testsupport::Channels;
using testsupport::Rms;
using testsupport::SoundingLength;

std::size_t FirstSound(const std::vector<double>& v) {
  for (std::size_t i = 0; i < v.size(); i++)
    if (v[i] != 0) return i;
  return v.size();
}

class Sound : public FxTest {
 protected:
  void SetUp() override {
    FxTest::SetUp();
    kernel::noSound = false;
    platform::SetHeadlessSoundDevices({});
    // 0.2 s of a 1 kHz sine at half of full scale.
    WriteBytes("samples/beep.wav", testsupport::MakeSineWav(44100, 1, 16, 1000, 0.2, 0.5));
    WriteBytes("samples/junk.wav", std::vector<unsigned char>(64, 0x5A));
  }
  void TearDown() override {
    StopMusic();
    FreeSoundDevices();
    platform::SetHeadlessSoundDevices({});
    FxTest::TearDown();
  }
  void StartOutput() {
    EnumerateSoundDevices();
    SetSoundSettings(-1, 16, 2, 44100);
    ASSERT_TRUE(InitSound());
    ASSERT_TRUE(PlayMusic(255));  // starts the output, with or without music
  }
};

// Full scale 0.5 of the mono sine, spread over both channels at the centre.
const double kFull = 0.5 / std::sqrt(2.0);

// Frames of 0.1 s; the sample starts at 0.5 s, in the frame that reaches it,
// with the gain of volume 32: byte 127, library volume 49.
TEST_F(Sound, SampleStartsInTheFrameOfItsTimeWithItsGain) {
  OnDisplay(kModes[2], [&] {
    StartOutput();
    ASSERT_TRUE(
        Compile("pipeline p { entry 0.5 : 2 : sample { file \"beep.wav\"; volume 32; } }"
                "sequence s { length 3; relative length 3; pipeline p; }"
                "main() { sequence s; eod 3; }"));
    demo->Prepare();
    now = 0;
    demo->Start();
    Channels all;
    for (int frame = 0; frame < 10; frame++) {
      now = 0.1f * static_cast<float>(frame);
      ASSERT_TRUE(demo->Run());
      Channels block = Capture16Stereo(4410);
      all.left.insert(all.left.end(), block.left.begin(), block.left.end());
      all.right.insert(all.right.end(), block.right.begin(), block.right.end());
    }
    EXPECT_EQ(FirstSound(all.left) / 4410, 5u);
    const std::size_t from = FirstSound(all.left);
    EXPECT_NEAR(Rms(all.left, from, from + 4410), kFull * 0.49, 0.002);
    EXPECT_EQ(all.left, all.right);
  });
}

struct PlayCase {
  const char* name;
  const char* settings;
  double left, right;  // RMS of the first 0.1 s
  double seconds;      // how long it sounds
};
void PrintTo(const PlayCase& c, std::ostream* os) { *os << c.name; }

class SamplePlay : public Sound, public testing::WithParamInterface<PlayCase> {};

TEST_P(SamplePlay, VolumePanningAndFrequency) {
  const PlayCase& c = GetParam();
  OnDisplay(kModes[0], [&] {
    StartOutput();
    ASSERT_TRUE(Compile(std::string("pipeline p { entry 0 : 1 : sample { file \"beep.wav\"; ") +
                        c.settings + " } }"));
    Command()->Start();
    Channels out = Capture16Stereo(44100);
    EXPECT_NEAR(Rms(out.left, 0, 4410), c.left, 0.002);
    EXPECT_NEAR(Rms(out.right, 0, 4410), c.right, 0.002);
    EXPECT_NEAR(static_cast<double>(std::max(SoundingLength(out.left), SoundingLength(out.right))),
                c.seconds * 44100, 3.0);
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SamplePlay,
    testing::Values(PlayCase{"Defaults", "", kFull, kFull, 0.2},
                    PlayCase{"Silent", "volume 0;", 0, 0, 0},
                    // beyond 64 is held at 64 rather than wrapping to byte 2
                    PlayCase{"LoudBeyondRange", "volume 65;", kFull, kFull, 0.2},
                    PlayCase{"FullLeft", "panning -128;", kFull, 0, 0.2},
                    PlayCase{"FullRight", "panning 127;", 0, kFull, 0.2},
                    // 128 is held at 127 rather than wrapping to full left
                    PlayCase{"RightBeyondRange", "panning 128;", 0, kFull, 0.2},
                    PlayCase{"HalfSpeed", "frequency 22050;", kFull, kFull, 0.4}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Sound, OutOfRangeValuesAreHeldWithAWarning) {
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(Compile(
        "pipeline p { entry 0 : 1 : sample { file \"beep.wav\"; volume 65; panning -300; } }"));
    auto* sample = static_cast<cVOXAsample*>(Command());
    EXPECT_EQ(sample->volume, 64);
    EXPECT_EQ(sample->panning, -128);
    EXPECT_TRUE(LoggedPart("Warning: volume 65 out of range 0 to 64, 64 used"));
    EXPECT_TRUE(LoggedPart("Warning: panning -300 out of range -128 to 127, -128 used"));
  });
}

TEST_F(Sound, TwoCommandsOnOneFileLoadItOnce) {
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(
        Compile("pipeline p { entry 0 : 1 : sample { file \"beep.wav\"; }"
                "             entry 1 : 1 : sample { file \"BEEP.WAV\"; volume 10; } }"));
    EXPECT_EQ(static_cast<cVOXAsample*>(Command(0, 0))->sample,
              static_cast<cVOXAsample*>(Command(0, 1))->sample);
    const auto lines = LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Loading sample \"beep.wav\"..."), 1);
  });
}

TEST_F(Sound, MissingFileFailsTheCompileAtItsLine) {
  OnDisplay(kModes[2], [&] {
    EXPECT_FALSE(
        Compile("pipeline p {\n entry 0 : 1 : nop { }\n entry 0 : 1 : sample {\n"
                "  file \"none.wav\"; } }"));
    EXPECT_TRUE(Logged("Could not load samples\\none.wav!"));
    EXPECT_TRUE(LoggedPart("demo.txt(4,"));
    EXPECT_TRUE(LoggedPart("Error 114 occured: Error on loading command!"));
  });
}

TEST_F(Sound, DataTheLibraryRefusesIsLogged) {
  OnDisplay(kModes[2], [&] {
    StartOutput();
    ASSERT_TRUE(Compile("pipeline p { entry 0 : 1 : sample { file \"junk.wav\"; } }"));
    EXPECT_TRUE(Logged("sample samples\\junk.wav could not be decoded"));
    Command()->Start();
    EXPECT_EQ(SoundingLength(Capture16Stereo(4410).left), 0u);
  });
}

TEST_F(Sound, OverlongNameIsRefused) {
  OnDisplay(kModes[2], [&] {
    const std::string name(300, 'a');
    EXPECT_FALSE(Compile("pipeline p { entry 0 : 1 : sample { file \"" + name + "\"; } }"));
    EXPECT_TRUE(Logged("Sample name too long: \"" + name + "\""));
  });
}

struct VolumeCase {
  const char* name;
  const char* track;
  float sinceStart;
  double ratio;  // library volume / 100
};
void PrintTo(const VolumeCase& c, std::ostream* os) { *os << c.name; }

class MusicVolume : public Sound, public testing::WithParamInterface<VolumeCase> {};

// The same stretch of the tune, once at full volume and once after the command.
TEST_P(MusicVolume, SetsTheLibraryVolumeOfItsByte) {
  const VolumeCase& c = GetParam();
  WriteBytes("tune.mod", testsupport::MakeTestModule());
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(Compile(std::string("pipeline p { entry 0 : 2 : music_volume { volume ") + c.track +
                        "; } }"));
    std::vector<double> rms;
    for (bool withCommand : {false, true}) {
      StartOutput();
      ASSERT_TRUE(LoadMusic("tune.mod", false));
      ASSERT_TRUE(PlayMusic(255));
      if (withCommand) {
        EXPECT_TRUE(Command()->Execute(c.sinceStart, c.sinceStart, 0));
      }
      rms.push_back(Rms(Capture16Stereo(22050).left, 0, 22050));
      StopMusic();
      FreeSoundDevices();
    }
    ASSERT_GT(rms[0], 0.01);
    EXPECT_NEAR(rms[1] / rms[0], c.ratio, 0.001);
  });
}

INSTANTIATE_TEST_SUITE_P(Cases, MusicVolume,
                         testing::Values(VolumeCase{"Full", "64", 0, 1.0},   // byte 255
                                         VolumeCase{"Half", "32", 0, 0.49},  // byte 127
                                         VolumeCase{"Truncated", "63.9", 0,
                                                    0.98},  // 63 -> byte 251
                                         VolumeCase{"ClampedAbove", "100", 0, 1.0},  // held at 64
                                         VolumeCase{"ClampedBelow", "-5", 0, 0.0},   // held at 0
                                         VolumeCase{"RampHalfway", "linear 64 to 0", 1.0f, 0.49},
                                         VolumeCase{"RampEnd", "linear 64 to 0", 2.0f, 0.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Sound, MusicVolumeWithoutATrackLeavesTheVolume) {
  OnDisplay(kModes[2], [&] {
    ASSERT_TRUE(Compile("pipeline p { entry 0 : 1 : music_volume { ; } }"));
    EXPECT_EQ(static_cast<cVOXAmusic_volume*>(Command())->volume, nullptr);
    EXPECT_TRUE(Command()->Execute(0, 0, 0));
  });
}

}  // namespace
}  // namespace fxtest

#include "windxkernel/sound.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>

#include "foundation/archive.h"
#include "platform/sound.h"
#include "platform/sound_headless.h"
#include "tests/support/sound_capture.h"
#include "tests/support/sound_fixtures.h"
#include "tests/support/tempdir.h"
#include "windxkernel/debuglog.h"
#include "windxkernel/kernel.h"

using testsupport::Capture16Stereo;
using testsupport::Channels;
using testsupport::Rms;
using testsupport::SoundingLength;
using VOXA2::music::kernelSample;

namespace {

void WriteFile(const char* name, const std::vector<unsigned char>& bytes) {
  std::ofstream(name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> LogLines() {
  std::istringstream in(testsupport::ReadFile("debug.txt"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class SoundKernel : public testing::Test {
 protected:
  void SetUp() override {
    ClearFileAccessFunctions();
    AddFileAccessFunction(kernel::PlainFileAccess);
    kernel::SetDebugLogCreated(false);
    kernel::noSound = false;
    platform::SetHeadlessSoundDevices({});
  }
  void TearDown() override {
    FreeFileAccessLists();
    StopMusic();
    FreeSoundDevices();
    kernel::noSound = false;
    platform::SetHeadlessSoundDevices({});
  }

  // Default device, 16-bit stereo at 44100 Hz: samples of 44100 Hz play
  // frame for frame.
  void StartOutput() {
    EnumerateSoundDevices();
    SetSoundSettings(-1, 16, 2, 44100);
    ASSERT_TRUE(InitSound());
    ASSERT_TRUE(PlayMusic(255));
  }

  testsupport::ScopedTempDir dir_;
};

std::vector<std::string> ProbeLines(const std::string& name, int number) {
  std::vector<std::string> lines = {
      "Checking device \"" + name + "\" (" + std::to_string(number) + ")", "  supports 16 bits",
      "  supports stereo"};
  if (number > -2) {
    lines.insert(lines.end(), {"  retrieving information...",
                               "    driver/device supports continuous sample rates",
                               "    software emulation must be used"});
  }
  lines.push_back("  checking frequencies...");
  for (int f : {2000, 4000, 8000, 10000, 11025, 16000, 22050, 32000, 44100, 48000}) {
    lines.push_back("    supports " + std::to_string(f) + " Hz");
  }
  return lines;
}

TEST_F(SoundKernel, ProbeLogsEveryDeviceInOrder) {
  platform::SetHeadlessSoundDevices({true, true, {"Card A"}});
  EnumerateSoundDevices();
  std::vector<std::string> expected;
  for (auto [name, number] :
       {std::pair<std::string, int>{"Silence Device", -2}, {"Default Device", -1}, {"Card A", 0}}) {
    auto lines = ProbeLines(name, number);
    expected.insert(expected.end(), lines.begin(), lines.end());
  }
  EXPECT_EQ(LogLines(), expected);
  ASSERT_NE(GetSoundDevice(2), nullptr);
  EXPECT_STREQ(GetSoundDevice(2)->GetName(), "Card A");
  EXPECT_EQ(GetSoundDevice(3), nullptr);
  EXPECT_EQ(GetSoundDevice(-1), nullptr);
}

TEST_F(SoundKernel, StartSettingsFollowNoSound) {
  struct Case {
    bool noSound;
    const char* device;
  } cases[] = {{false, "Default Device"}, {true, "Silence Device"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device);
    kernel::noSound = c.noSound;
    EnumerateSoundDevices();
    ASSERT_NE(GetSoundDevice(GetSoundDeviceIndex()), nullptr);
    EXPECT_STREQ(GetSoundDevice(GetSoundDeviceIndex())->GetName(), c.device);
    EXPECT_EQ(GetSoundBits(), 16);
    EXPECT_EQ(GetSoundChannels(), 2);
    EXPECT_EQ(GetSoundFrequency(), 48000);
    EXPECT_STREQ(GetMusicOption(0)->GetValueName(GetMusicOption(0)->GetValue()), "Stereo");
    FreeSoundDevices();
  }
}

TEST_F(SoundKernel, DeviceAnswersWhatItCanPlay) {
  EnumerateSoundDevices();
  VOXA2::music::kernelDevice* d = GetSoundDevice(0);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->GetBits(0), 8);
  EXPECT_EQ(d->GetBits(1), 16);
  EXPECT_EQ(d->GetBits(2), 0);
  EXPECT_EQ(d->GetChannels(1), 2);
  EXPECT_STREQ(d->GetChannelsName(0), "mono");
  EXPECT_STREQ(d->GetChannelsName(1), "stereo");
  EXPECT_EQ(d->GetChannelsName(2), nullptr);
  EXPECT_EQ(d->GetFrequency(0), 2000);
  EXPECT_EQ(d->GetFrequency(9), 48000);
  EXPECT_EQ(d->GetFrequency(10), 0);
  EXPECT_EQ(d->GetFrequency(-1), 0);
}

// A start-up device that fails its probe leaves the settings on the silence
// device, says so in one line, and gives no reason why a run might fail; with
// no device at all, starting the sound fails with a log line.
TEST_F(SoundKernel, FailedStartDeviceFallsBackToSilence) {
  kernel::ClearFailureLines();
  platform::SetHeadlessSoundDevices({true, false, {}});
  EnumerateSoundDevices();
  EXPECT_THAT(
      LogLines(),
      testing::Contains("  Failed to create device: There is no available device driver (?)."));
  EXPECT_THAT(LogLines(), testing::Contains("no sound device: playing silently"));
  EXPECT_THAT(kernel::FailureLines(), testing::IsEmpty());
  ASSERT_NE(GetSoundDevice(GetSoundDeviceIndex()), nullptr);
  EXPECT_STREQ(GetSoundDevice(GetSoundDeviceIndex())->GetName(), "Silence Device");
  EXPECT_TRUE(InitSound());
}

TEST_F(SoundKernel, NoDeviceAtAllRefusesToStart) {
  platform::SetHeadlessSoundDevices({false, false, {}});
  EnumerateSoundDevices();
  EXPECT_EQ(GetSoundDevice(GetSoundDeviceIndex()), nullptr);
  SetSoundSettings(0, 16, 2, 44100);
  EXPECT_FALSE(InitSound());
  EXPECT_EQ(LogLines().back(), "BASS_Init() failed: The device number specified is invalid (?).");
}

TEST_F(SoundKernel, SettingsAreFittedToTheDevice) {
  struct Case {
    int bits, channels, frequency;
    int wantBits, wantChannels, wantFrequency;
  } cases[] = {
      {0, 0, 0, 16, 2, 48000},       // nothing changes
      {8, 1, 22050, 8, 1, 22050},    // all three are supported
      {24, 5, 12345, 16, 2, 48000},  // unsupported values take the defaults
  };
  EnumerateSoundDevices();
  for (const Case& c : cases) {
    SetSoundSettings(-1, c.bits, c.channels, c.frequency);
    EXPECT_EQ(GetSoundBits(), c.wantBits);
    EXPECT_EQ(GetSoundChannels(), c.wantChannels);
    EXPECT_EQ(GetSoundFrequency(), c.wantFrequency);
  }
}

TEST_F(SoundKernel, UnchangedSettingsKeepTheLibraryRunning) {
  EnumerateSoundDevices();
  ASSERT_TRUE(InitSound());
  SetSoundSettings(-1, 0, 0, 0);
  EXPECT_EQ(platform::CurrentSoundFormat().frequency, 48000);
  SetSoundSettings(-1, 0, 0, 22050);
  EXPECT_EQ(platform::CurrentSoundFormat().frequency, 0);
}

TEST_F(SoundKernel, InitSoundOpensTheChosenFormat) {
  EnumerateSoundDevices();
  SetSoundSettings(-1, 8, 1, 22050);
  ASSERT_TRUE(InitSound());
  platform::sound::OutputFormat f = platform::CurrentSoundFormat();
  EXPECT_EQ(f.frequency, 22050);
  EXPECT_EQ(f.channels, 1);
  EXPECT_EQ(f.bits, 8);
  EXPECT_FALSE(InitSound());
  EXPECT_EQ(LogLines().back(),
            "BASS_Init() failed: BASS has already been initialized. You must call BASS_Free "
            "before calling BASS_Init again.");
}

TEST_F(SoundKernel, SpeakerOption) {
  VOXA2::music::voxaOption* o = GetMusicOption(0);
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(GetMusicOption(1), nullptr);
  EXPECT_STREQ(o->GetLabel(), "DirectX Speaker configuration:");
  EXPECT_EQ(o->GetKind(), 1);
  EXPECT_STREQ(o->GetValueName(0), "Headphones");
  EXPECT_STREQ(o->GetValueName(8), "Surround");
  EXPECT_EQ(o->GetValueName(9), nullptr);

  struct Case {
    int value;
    int want;
    DWORD config;
  } cases[] = {
      {1, 1, DSSPEAKER_MONO},
      {9, 1, DSSPEAKER_MONO},  // out of range: unchanged
      {7, 7, 4u | 180u << 16},
      {4, 4, 4u | 5u << 16},
  };
  EnumerateSoundDevices();
  for (const Case& c : cases) {
    o->SetValue(c.value);
    EXPECT_EQ(o->GetValue(), c.want);
    ASSERT_TRUE(InitSound());
    EXPECT_EQ(platform::CurrentSpeakerConfig(), c.config);
    StopMusic();
  }
}

// A 1 kHz sine at half of full scale, 0.1 s of 16-bit mono at 44100 Hz.
std::unique_ptr<kernelSample> LoadSine(double seconds = 0.1) {
  WriteFile("sine.wav", testsupport::MakeSineWav(44100, 1, 16, 1000, seconds, 0.5));
  return std::unique_ptr<kernelSample>(kernelSample::Load("sine.wav"));
}

TEST_F(SoundKernel, SampleVolumeAndPanning) {
  const double full = 0.5 / std::sqrt(2.0);
  struct Case {
    const char* name;
    std::uint8_t volume;
    std::int8_t panning;
    double left, right;
  } cases[] = {
      {"full volume, centred", 255, 0, full, full},
      {"half volume", 128, 0, full / 2, full / 2},
      {"volume 1 is silence", 1, 0, 0, 0},
      {"fully left", 255, -128, full, 0},
      {"fully right", 255, 127, 0, full},
      {"half right", 255, 64, full * (1 - 50 / 100.0), full},
  };
  StartOutput();
  auto sample = LoadSine();
  ASSERT_NE(sample, nullptr);
  ASSERT_NE(sample->handle, 0u);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sample->SetVolume(c.volume);
    sample->SetPanning(c.panning);
    EXPECT_TRUE(sample->Play());
    Channels out = Capture16Stereo(4410);
    EXPECT_NEAR(Rms(out.left), c.left, 0.002);
    EXPECT_NEAR(Rms(out.right), c.right, 0.002);
    if (c.left == c.right) {
      EXPECT_EQ(out.left, out.right);
    }
  }
}

TEST_F(SoundKernel, SampleFrequencySetsThePlaybackRate) {
  StartOutput();
  auto sample = LoadSine();
  ASSERT_NE(sample, nullptr);
  for (std::uint32_t frequency : {44100u, 22050u}) {
    sample->SetFrequency(frequency);
    sample->Play();
    Channels out = Capture16Stereo(20000);
    double expected = 4410.0 * 44100 / frequency;
    EXPECT_NEAR(static_cast<double>(SoundingLength(out.left)), expected, 2.0) << frequency;
  }
}

TEST_F(SoundKernel, SampleFormatsLoad) {
  struct Case {
    int rate, channels, bits;
  } cases[] = {{11025, 1, 8}, {22050, 2, 8}, {44100, 2, 16}, {48000, 1, 16}};
  StartOutput();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.channels << " ch, " << c.bits);
    WriteFile("tone.wav", testsupport::MakeSineWav(c.rate, c.channels, c.bits, 500, 0.05, 0.8));
    std::unique_ptr<kernelSample> s(kernelSample::Load("tone.wav"));
    ASSERT_NE(s, nullptr);
    EXPECT_NE(s->handle, 0u);
    s->SetFrequency(static_cast<std::uint32_t>(c.rate));
    s->Play();
    Channels out = Capture16Stereo(2000);  // 0.05 s is 2205 frames
    EXPECT_NEAR(Rms(out.left), 0.8 / std::sqrt(2.0), 0.03);
    EXPECT_NEAR(Rms(out.right), 0.8 / std::sqrt(2.0), 0.03);
  }
}

TEST_F(SoundKernel, UnreadableSamples) {
  StartOutput();
  EXPECT_EQ(kernelSample::Load("missing.wav"), nullptr);
  EXPECT_EQ(LogLines().back(), "Could not load missing.wav!");
  WriteFile("empty.wav", {});
  EXPECT_EQ(kernelSample::Load("empty.wav"), nullptr);
  EXPECT_EQ(LogLines().back(), "Error on reading empty.wav!");

  // Bytes the library refuses give a sample that plays nothing.
  auto wav = testsupport::MakeSineWav(44100, 1, 16, 1000, 0.1, 0.5);
  wav[8] = 'X';
  WriteFile("corrupt.wav", wav);
  std::unique_ptr<kernelSample> s(kernelSample::Load("corrupt.wav"));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->handle, 0u);
  EXPECT_TRUE(s->Play());
  EXPECT_EQ(Rms(Capture16Stereo(1000).left), 0);
}

// A sample longer than the limit plays nothing, and the log names it.
TEST_F(SoundKernel, SamplesAboveTheLengthLimitPlayNothing) {
  StartOutput();
  WriteFile("long.flac", testsupport::MakeSilentFlac(8000, 660, true));
  std::unique_ptr<kernelSample> s(kernelSample::Load("long.flac"));
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->handle, 0u);
  EXPECT_EQ(LogLines().back(),
            "Sample long.flac refused: it plays longer than the limit of 600 seconds");
}

TEST_F(SoundKernel, SamplePathsUseBackslashes) {
  StartOutput();
  std::filesystem::create_directory("samples");
  WriteFile("samples/beep.wav", testsupport::MakeSineWav(44100, 1, 16, 1000, 0.01, 0.5));
  std::unique_ptr<kernelSample> s(kernelSample::Load("samples\\beep.wav"));
  ASSERT_NE(s, nullptr);
  EXPECT_NE(s->handle, 0u);
}

TEST_F(SoundKernel, MusicPlaysAtItsVolume) {
  WriteFile("tune.mod", testsupport::MakeTestModule());
  StartOutput();
  ASSERT_TRUE(LoadMusic("tune.mod", false));
  ASSERT_TRUE(PlayMusic(255));
  double loud = Rms(Capture16Stereo(44100).left);
  EXPECT_GT(loud, 0.01);
  SetMusicVolume(0);
  EXPECT_EQ(Rms(Capture16Stereo(4410).left), 0);
  SetMusicVolume(2);  // 2 × 100 / 255 = 0
  EXPECT_EQ(Rms(Capture16Stereo(4410).left), 0);
  StopMusic();
  EXPECT_EQ(platform::CurrentSoundFormat().frequency, 0);
}

// The same stretch of the tune at volume 128 is half of it at 255.
TEST_F(SoundKernel, MusicVolumeScalesTheAmplitude) {
  WriteFile("tune.mod", testsupport::MakeTestModule());
  std::vector<double> rms;
  for (int volume : {255, 128}) {
    StartOutput();
    ASSERT_TRUE(LoadMusic("tune.mod", false));
    PlayMusic(volume);
    rms.push_back(Rms(Capture16Stereo(22050).left));
    StopMusic();
    FreeSoundDevices();
  }
  EXPECT_NEAR(rms[1] / rms[0], 0.5, 0.001);
}

TEST_F(SoundKernel, MusicLoopsOnlyWhenAsked) {
  WriteFile("tune.mod", testsupport::MakeTestModule());
  for (bool loop : {false, true}) {
    StartOutput();
    ASSERT_TRUE(LoadMusic("tune.mod", loop));
    PlayMusic(255);
    Capture16Stereo(44100 * 8);  // past the end of the 7.68 s tune
    double after = Rms(Capture16Stereo(44100).left);
    if (loop) {
      EXPECT_GT(after, 0.01);
    } else {
      EXPECT_EQ(after, 0);
    }
    StopMusic();
    FreeSoundDevices();
  }
}

TEST_F(SoundKernel, MusicLoadFailures) {
  StartOutput();
  EXPECT_TRUE(LoadMusic(nullptr, false));
  EXPECT_EQ(testsupport::ReadFile("debug.txt").find("Loading music"), std::string::npos);

  EXPECT_FALSE(LoadMusic("missing.mod", false));
  EXPECT_EQ(LogLines().back(), "Could not load music from disk: missing.mod!");
  WriteFile("empty.mod", {});  // nothing read is a failed read, not an empty module
  EXPECT_FALSE(LoadMusic("empty.mod", false));
  EXPECT_EQ(LogLines().back(), "Error on reading empty.mod!");

  std::vector<unsigned char> noise(4096);
  std::uint32_t state = 1;
  for (auto& b : noise) {
    state = state * 1103515245u + 12345u;
    b = static_cast<unsigned char>(state >> 16);
  }
  WriteFile("noise.mod", noise);
  EXPECT_FALSE(LoadMusic("noise.mod", false));
  auto lines = LogLines();
  EXPECT_EQ(lines[lines.size() - 2], "Loading music...");
  EXPECT_EQ(lines.back(),
            "BASS_MusicLoad() failed: The file's format is not recognized/supported.");
}

TEST_F(SoundKernel, MusicNeedsTheLibraryStarted) {
  WriteFile("tune.mod", testsupport::MakeTestModule());
  EnumerateSoundDevices();
  EXPECT_FALSE(LoadMusic("tune.mod", false));
  EXPECT_EQ(LogLines().back(),
            "BASS_MusicLoad() failed: BASS_Init has not been successfully called.");
}

// The silence device plays nothing but takes music and samples.
TEST_F(SoundKernel, SilenceDeviceAcceptsEverything) {
  kernel::noSound = true;
  WriteFile("tune.mod", testsupport::MakeTestModule());
  EnumerateSoundDevices();
  ASSERT_TRUE(InitSound());
  EXPECT_TRUE(LoadMusic("tune.mod", true));
  EXPECT_TRUE(PlayMusic(255));
  auto sample = LoadSine();
  ASSERT_NE(sample, nullptr);
  EXPECT_NE(sample->handle, 0u);
  EXPECT_TRUE(sample->Play());
  EXPECT_EQ(platform::RenderHeadlessAudio(1000), 0u);
}

TEST_F(SoundKernel, LibraryTexts) {
  EXPECT_NE(std::string(GetSoundLibraryVersion()).find("libopenmpt"), std::string::npos);
  EXPECT_NE(std::string(GetSoundLibraryVersion()).find("libsndfile"), std::string::npos);
  EXPECT_NE(GetSoundLibraryCopyright(), nullptr);
}

}  // namespace

#include "platform/sound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/mixer.h"
#include "platform/sound_data.h"
#include "platform/sound_headless.h"
#include "tests/support/sound_fixtures.h"

namespace {

using platform::sound::Gains;
using platform::sound::Mixer;
using platform::sound::OutputFormat;
using platform::sound::SampleData;

std::shared_ptr<const SampleData> Constant(float value, int frames, int channels = 1) {
  auto d = std::make_shared<SampleData>();
  d->channels = channels;
  d->samples.assign(static_cast<std::size_t>(frames * channels), value);
  return d;
}

TEST(SoundGains, PanFadesTheFarSide) {
  struct Case {
    float volume, pan, left, right;
  } cases[] = {
      {1, 0, 1, 1},       {1, -1, 1, 0},         {1, 1, 0, 1}, {0.5f, 0, 0.5f, 0.5f},
      {1, 0.5f, 0.5f, 1}, {1, -0.25f, 1, 0.75f}, {1, 7, 0, 1},  // out of range: clamped
  };
  for (const Case& c : cases) {
    Gains g = Gains::From(c.volume, c.pan);
    EXPECT_FLOAT_EQ(g.left, c.left) << c.volume << " " << c.pan;
    EXPECT_FLOAT_EQ(g.right, c.right) << c.volume << " " << c.pan;
  }
}

// One constant voice rendered into each output format: the bytes show the
// conversion, the fold to mono and the clipping.
TEST(SoundMixer, OutputFormats) {
  struct Case {
    const char* name;
    OutputFormat format;
    float value, pan;
    std::vector<unsigned char> frame;
  } cases[] = {
      {"16-bit stereo", {8000, 2, 16, false}, 0.5f, 0, {0x00, 0x40, 0x00, 0x40}},
      {"16-bit stereo, left", {8000, 2, 16, false}, 0.5f, -1, {0x00, 0x40, 0x00, 0x00}},
      {"16-bit clipped", {8000, 2, 16, false}, 2.0f, 0, {0xFF, 0x7F, 0xFF, 0x7F}},
      {"16-bit mono folds both sides", {8000, 1, 16, false}, 0.5f, -1, {0x00, 0x20}},
      {"mono speaker on stereo", {8000, 2, 16, true}, 0.5f, -1, {0x00, 0x20, 0x00, 0x20}},
      {"8-bit stereo", {8000, 2, 8, false}, 0.5f, 0, {192, 192}},
      {"8-bit negative", {8000, 2, 8, false}, -1.0f, 0, {0, 0}},
      {"8-bit mono", {8000, 1, 8, false}, -0.5f, 0, {64}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Mixer m(c.format);
    m.PlaySample(1, Constant(c.value, 100), 8000, 1, c.pan);
    std::vector<unsigned char> out(static_cast<std::size_t>(c.format.BytesPerFrame()) * 2);
    m.Render(out.data(), 2);
    EXPECT_EQ(std::vector<unsigned char>(out.begin(), out.begin() + c.format.BytesPerFrame()),
              c.frame);
  }
}

TEST(SoundMixer, SilenceInEveryFormat) {
  for (int bits : {8, 16}) {
    Mixer m(OutputFormat{22050, 2, bits, false});
    std::vector<unsigned char> out(64, 0xAA);
    m.Render(out.data(), 64 / static_cast<std::size_t>(m.Format().BytesPerFrame()));
    EXPECT_EQ(out, std::vector<unsigned char>(64, bits == 8 ? 128 : 0)) << bits;
  }
}

// A voice ends after its frames at its rate, and is then no longer counted.
TEST(SoundMixer, VoicesEndAtTheirLength) {
  Mixer m(OutputFormat{1000, 2, 16, false});
  m.PlaySample(7, Constant(0.25f, 10), 500, 1, 0);  // 10 frames at half rate: 20 frames
  EXPECT_EQ(m.PlayingVoices(7), 1);
  std::vector<float> mix(2 * 30, 0.0f);
  m.Mix(mix.data(), 30);
  EXPECT_EQ(m.PlayingVoices(7), 0);
  for (int i = 0; i < 30; ++i)
    EXPECT_EQ(mix[static_cast<std::size_t>(i) * 2], i < 20 ? 0.25f : 0) << i;
}

TEST(SoundMixer, StereoSamplesKeepTheirSides) {
  auto d = std::make_shared<SampleData>();
  d->channels = 2;
  d->samples = {0.5f, -0.25f, 0.5f, -0.25f};
  Mixer m(OutputFormat{1000, 2, 16, false});
  m.PlaySample(1, d, 1000, 1, 0);
  std::vector<float> mix(4, 0.0f);
  m.Mix(mix.data(), 2);
  EXPECT_EQ(mix, (std::vector<float>{0.5f, -0.25f, 0.5f, -0.25f}));
}

class SoundLibrary : public testing::Test {
 protected:
  void SetUp() override { platform::SetHeadlessSoundDevices({}); }
  void TearDown() override { BASS_Free(); }
};

TEST_F(SoundLibrary, CallsBeforeInitFail) {
  auto module = testsupport::MakeTestModule();
  EXPECT_EQ(BASS_MusicLoad(TRUE, module.data(), 0, static_cast<DWORD>(module.size()), 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
  EXPECT_FALSE(BASS_Start());
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
  EXPECT_EQ(BASS_GetDSoundObject(1), nullptr);
  EXPECT_TRUE(BASS_Free());
}

TEST_F(SoundLibrary, DevicesAndInit) {
  platform::SetHeadlessSoundDevices({true, true, {"One", "Two"}});
  const char* name = nullptr;
  EXPECT_TRUE(BASS_GetDeviceDescription(1, &name));
  EXPECT_STREQ(name, "Two");
  EXPECT_FALSE(BASS_GetDeviceDescription(2, &name));

  struct Case {
    int device;
    bool ok;
    int error;
  } cases[] = {{-2, true, BASS_OK},
               {-1, true, BASS_OK},
               {1, true, BASS_OK},
               {2, false, BASS_ERROR_DEVICE},
               {-3, false, BASS_ERROR_DEVICE}};
  for (const Case& c : cases) {
    EXPECT_EQ(BASS_Init(c.device, 44100, BASS_DEVICE_KERNEL16, nullptr) != 0, c.ok) << c.device;
    EXPECT_EQ(BASS_ErrorGetCode(), c.error) << c.device;
    if (c.ok) {
      EXPECT_FALSE(BASS_Init(c.device, 44100, 0, nullptr));
      EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    }
    BASS_Free();
  }
}

// At most one play of a sample runs at a time: a second is refused until
// the first has ended.
TEST_F(SoundLibrary, SampleWithOnePlayAtATime) {
  ASSERT_TRUE(BASS_Init(-1, 8000, 0, nullptr));
  BASS_Start();
  auto wav = testsupport::MakeSineWav(8000, 1, 16, 500, 0.01, 0.5);  // 80 frames
  HSAMPLE s = BASS_SampleLoad(TRUE, wav.data(), 0, static_cast<DWORD>(wav.size()), 1, 0);
  ASSERT_NE(s, 0u);
  EXPECT_NE(BASS_SamplePlayEx(s, 0, 8000, 100, 0, FALSE), 0u);
  EXPECT_EQ(BASS_SamplePlayEx(s, 0, 8000, 100, 0, FALSE), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOCHAN);
  platform::RenderHeadlessAudio(100);
  EXPECT_NE(BASS_SamplePlayEx(s, 0, 8000, 100, 0, FALSE), 0u);
}

// Freeing the library frees its music and samples; their old handles are
// refused, never mistaken for new ones.
TEST_F(SoundLibrary, HandlesDieWithTheLibrary) {
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
  auto wav = testsupport::MakeSineWav(44100, 1, 16, 500, 0.01, 0.5);
  auto module = testsupport::MakeTestModule();
  HSAMPLE s = BASS_SampleLoad(TRUE, wav.data(), 0, static_cast<DWORD>(wav.size()), 1, 0);
  HMUSIC m = BASS_MusicLoad(TRUE, module.data(), 0, static_cast<DWORD>(module.size()), 0);
  ASSERT_NE(s, 0u);
  ASSERT_NE(m, 0u);
  BASS_Free();
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
  EXPECT_FALSE(BASS_SampleFree(s));
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
  EXPECT_FALSE(BASS_MusicPlay(m));
  EXPECT_FALSE(BASS_ChannelSetAttributes(m, -1, 50, -101));
  EXPECT_EQ(BASS_SamplePlayEx(s, 0, 44100, 100, 0, FALSE), 0u);
}

// Music is rendered at 8000 Hz at least; slower outputs average it down.
TEST_F(SoundLibrary, MusicAtEveryProbeRate) {
  auto module = testsupport::MakeTestModule();
  for (DWORD rate : {2000u, 4000u, 11025u, 48000u}) {
    ASSERT_TRUE(BASS_Init(-1, rate, BASS_DEVICE_MONO | BASS_DEVICE_8BITS, nullptr));
    HMUSIC m =
        BASS_MusicLoad(TRUE, module.data(), 0, static_cast<DWORD>(module.size()), BASS_MUSIC_RAMP);
    ASSERT_NE(m, 0u);
    BASS_Start();
    BASS_MusicPlay(m);
    EXPECT_EQ(platform::RenderHeadlessAudio(rate), rate);
    auto bytes = platform::TakeHeadlessAudioCapture();
    int loudest = 0;
    for (unsigned char b : bytes) loudest = std::max(loudest, std::abs(b - 128));
    EXPECT_GT(loudest, 10) << rate;
    BASS_Free();
  }
}

TEST_F(SoundLibrary, MusicPanning) {
  auto module = testsupport::MakeTestModule();
  ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr));
  HMUSIC m = BASS_MusicLoad(TRUE, module.data(), 0, static_cast<DWORD>(module.size()), 0);
  BASS_Start();
  BASS_MusicPlay(m);
  EXPECT_TRUE(BASS_ChannelSetAttributes(m, -1, -1, -100));
  platform::RenderHeadlessAudio(4410);
  auto bytes = platform::TakeHeadlessAudioCapture();
  bool left = false, right = false;
  for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
    std::int16_t l, r;
    std::memcpy(&l, &bytes[i], 2);
    std::memcpy(&r, &bytes[i + 2], 2);
    left |= l != 0;
    right |= r != 0;
  }
  EXPECT_TRUE(left);
  EXPECT_FALSE(right);
}

// A sample lasts at most ten minutes at its own rate; a longer one is refused
// before it is decoded whole, whether its header tells the length or not.
TEST_F(SoundLibrary, SamplesLongerThanTenMinutesAreRefused) {
  ASSERT_TRUE(BASS_Init(-2, 44100, 0, nullptr));
  struct Case {
    const char* name;
    double seconds;
    bool knownLength;
    bool decoded;
  };
  const Case cases[] = {
      {"ten minutes", 600, true, true},
      {"ten minutes, length unknown", 600, false, true},
      {"a second more", 601, true, false},
      {"a second more, length unknown", 601, false, false},
      {"eleven minutes", 660, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto flac = testsupport::MakeSilentFlac(8000, c.seconds, c.knownLength);
    ASSERT_FALSE(flac.empty());
    bool tooLong = !c.decoded;
    auto sample = platform::sound::DecodeSample(flac.data(), flac.size(), &tooLong);
    EXPECT_EQ(tooLong, !c.decoded);
    ASSERT_EQ(sample != nullptr, c.decoded);
    if (sample) {
      EXPECT_EQ(sample->FrameCount(), 600u * 8000u);
    }
    const HSAMPLE handle =
        BASS_SampleLoad(TRUE, flac.data(), 0, static_cast<DWORD>(flac.size()), 1, 0);
    EXPECT_EQ(handle != 0, c.decoded);
    if (!c.decoded) {
      EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_MEM);
    }
  }
}

TEST_F(SoundLibrary, UnknownBytesAreRefused) {
  ASSERT_TRUE(BASS_Init(-2, 44100, 0, nullptr));
  const unsigned char junk[] = "this is neither a module nor a sample";
  EXPECT_EQ(BASS_MusicLoad(TRUE, junk, 0, sizeof junk, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FORMAT);
  EXPECT_EQ(BASS_SampleLoad(TRUE, junk, 0, sizeof junk, 1, 0), 0u);
  EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FORMAT);
}

}  // namespace

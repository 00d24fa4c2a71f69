#include "windxkernel/sound.h"

#include <cstdio>
#include <memory>
#include <new>

#include "foundation/allocate.h"
#include "foundation/archive.h"
#include "platform/sound.h"
#include "platform/sound_data.h"
#include "windxkernel/application.h"
#include "windxkernel/debuglog.h"

using VOXA::errors::eCouldNotAllocateMemoryFor;
using VOXA::errors::eCouldNotCreateObject;
using VOXA::errors::eOutOfMemory;
using VOXA::errors::NewOrThrow;
using VOXA2::music::kernelDevice;

namespace {

constexpr int kProbeFrequencies[] = {2000,  4000,  8000,  10000, 11025,
                                     16000, 22050, 32000, 44100, 48000};

struct SpeakerEntry {
  const char* name;
  DWORD config;
};

constexpr SpeakerEntry kSpeakers[] = {
    {"Headphones", DSSPEAKER_HEADPHONE},
    {"Monaural", DSSPEAKER_MONO},
    {"Quadraphonic", DSSPEAKER_QUAD},
    {"Stereo", DSSPEAKER_STEREO},
    {"Stereo (minimum)", DSSPEAKER_COMBINED(DSSPEAKER_STEREO, 5)},
    {"Stereo (narrow)", DSSPEAKER_COMBINED(DSSPEAKER_STEREO, 14)},
    {"Stereo (wide)", DSSPEAKER_COMBINED(DSSPEAKER_STEREO, 20)},
    {"Stereo (maximum)", DSSPEAKER_COMBINED(DSSPEAKER_STEREO, 180)},
    {"Surround", DSSPEAKER_SURROUND},
};
constexpr int kSpeakerCount = static_cast<int>(std::size(kSpeakers));
constexpr int kStereo = 3;

struct SoundSettings {
  int device = -1;
  int bits = -1;
  int channels = -1;
  int frequency = -1;
  int speaker = kStereo;
  HMUSIC music = 0;
};

SoundSettings settings;
std::vector<std::unique_ptr<kernelDevice>> devices;
int silenceIndex = -1;
int defaultIndex = -1;
VOXA2::music::optionSpeaker speakerOption;

const char* InitErrorText(int code) {
  switch (code) {
    case 1:
      return "There is insufficent memory.";
    case 3:
      return "There is no available device driver (?).";
    case 6:
      return "The specified format is not supported by the device. Try changing the freq and "
             "flags parameters.";
    case 14:
      return "BASS has already been initialized. You must call BASS_Free before calling "
             "BASS_Init again.";
    case 21:
      return "The device has no 3D support (?).";
    case 23:
      return "The device number specified is invalid (?).";
    case 26:
      return "The device has no A3D support (?).";
    case -1:
      return "Some other mystery problem (yeah :-) ).";
    default:
      return nullptr;
  }
}

const char* MusicLoadErrorText(int code) {
  switch (code) {
    case 1:
      return "There is insufficient memory.";
    case 2:
      return "The file could not be opened (?).";
    case 6:
      return "The file's format is not recognized/supported.";
    case 8:
      return "BASS_Init has not been successfully called.";
    case 21:
      return "Couldn't initialize 3D support (?).";
    case -1:
      return "Some other mystery problem (yeah! :-) ).";
    default:
      return nullptr;
  }
}

// Logs "<what>: <text>" or "<what>!" when the code has no text.
void LogLibraryFailure(const char* format, const char* text) {
  LogFailure(format, text ? ": " : "!", text ? text : "");
}

HWND MainWindow() {
  kernel::cApplication* app = GetApplication();
  return app ? app->window : nullptr;
}

// The integer scaling of a volume byte onto the library's 0 … 100.
int LibraryVolume(int volume) { return volume * 100 / 255; }

enum class ReadResult { NotFound, Failed, Read };

// Reads a file of the data tree whole into a zeroed block one byte longer
// than the file. The plain file system stands in for the data tree until its
// file access layer joins the kernel; only the folder separator is mapped.
ReadResult ReadWholeFile(const char* name, const char* allocationWhat,
                         std::vector<unsigned char>& data) {
  std::unique_ptr<TStream> stream = ::OpenFile(name, 0);
  if (!stream) return ReadResult::NotFound;
  int32_t size = stream->Size();
  if (size <= 0) return ReadResult::Failed;
  try {
    data.assign(static_cast<std::size_t>(size) + 1, 0);
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor(allocationWhat);
  }
  // A short read would hand the library a truncated file.
  if (stream->Read(data.data(), 1, size) != size) return ReadResult::Failed;
  return ReadResult::Read;
}

// Reads the file whole, or logs why not, naming it: "<notFound> <name>!" when
// it is missing, a read error otherwise.
bool ReadWholeFileOrSay(const char* name, const char* allocationWhat, const char* notFound,
                        std::vector<unsigned char>& data) {
  switch (ReadWholeFile(name, allocationWhat, data)) {
    case ReadResult::NotFound:
      LogFailure("%s %s!", notFound, name);
      return false;
    case ReadResult::Failed:
      LogFailure("Error on reading %s!", name);
      return false;
    case ReadResult::Read:
      break;
  }
  return true;
}

// The current device, or null when the settings hold none (no device passed
// its probe).
kernelDevice* CurrentDevice() { return GetSoundDevice(settings.device); }

// Fits the stored settings to what the current device can do.
void FitSettingsToDevice() {
  kernelDevice* d = CurrentDevice();
  if (settings.bits != 8 && settings.bits != 16) settings.bits = 16;
  if (d && !d->has16Bits) settings.bits = 8;
  if (settings.channels != 1 && settings.channels != 2) settings.channels = 2;
  if (d && !d->hasStereo) settings.channels = 1;
  if (d && !d->HasFrequency(settings.frequency) && !d->frequencies.empty()) {
    settings.frequency = d->frequencies.back();
  }
}

}  // namespace

namespace VOXA2::music {

kernelDevice::kernelDevice(int number, const char* deviceName) : number(number) {
  try {
    name = deviceName ? deviceName : "";
    description = name;
  } catch (const std::bad_alloc&) {
    throw new eOutOfMemory("Could not allocate memory to duplicate string!");
  }
}

int kernelDevice::GetBits(int index) {
  if (index == 0) return 8;
  if (index == 1 && has16Bits) return 16;
  return 0;
}

int kernelDevice::GetChannels(int index) {
  if (index == 0) return 1;
  if (index == 1 && hasStereo) return 2;
  return 0;
}

const char* kernelDevice::GetChannelsName(int index) {
  if (index == 0) return "mono";
  if (index == 1 && hasStereo) return "stereo";
  return nullptr;
}

int kernelDevice::GetFrequency(int index) {
  if (static_cast<unsigned>(index) >= frequencies.size()) return 0;
  return frequencies[static_cast<std::size_t>(index)];
}

void kernelDevice::AddFrequency(int frequency) {
  try {
    frequencies.push_back(frequency);
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("frequency list!");
  }
}

bool kernelDevice::HasFrequency(int frequency) const {
  for (int f : frequencies) {
    if (f == frequency) return true;
  }
  return false;
}

const char* optionSpeaker::GetLabel() { return "DirectX Speaker configuration:"; }

int optionSpeaker::GetValue() { return settings.speaker; }

void optionSpeaker::SetValue(int value) {
  if (value >= 0 && value < kSpeakerCount) settings.speaker = value;
}

const char* optionSpeaker::GetValueName(int index) {
  if (index < 0 || index >= kSpeakerCount) return nullptr;
  return kSpeakers[index].name;
}

kernelSample::~kernelSample() {
  if (handle != 0) BASS_SampleFree(handle);
}

kernelSample* kernelSample::Load(const char* name) {
  std::vector<unsigned char> data;
  if (!ReadWholeFileOrSay(name, "loading a sample to memory!", "Could not load", data))
    return nullptr;
  // The library learns the real length (the block holds one extra zero).
  HSAMPLE sample = BASS_SampleLoad(TRUE, data.data(), 0, static_cast<DWORD>(data.size() - 1), 1, 0);
  data = {};
  if (!sample && BASS_ErrorGetCode() == BASS_ERROR_MEM) {
    LogFailure("Sample %s refused: it plays longer than the limit of %i seconds", name,
               platform::sound::kMaxSampleSeconds);
  }
  auto* result = new (std::nothrow) kernelSample(sample);
  if (!result) {
    if (sample) BASS_SampleFree(sample);
    throw new eCouldNotCreateObject("kernelSample");
  }
  return result;
}

// The panning byte is signed: -128 … 127 gives the library's -100 … 100.
bool kernelSample::Play() {
  if (handle == 0) return true;
  BASS_SamplePlayEx(handle, 0, static_cast<int>(frequency), LibraryVolume(volume),
                    panning * 100 / 127, FALSE);
  return true;
}

}  // namespace VOXA2::music

const char* GetSoundLibraryVersion() { return platform::SoundLibraryVersion(); }

const char* GetSoundLibraryCopyright() {
  return "Music by libopenmpt (BSD licence), samples by libsndfile (LGPL)";
}

void EnumerateSoundDevices() {
  settings.speaker = kStereo;
  silenceIndex = ProbeSoundDevice(BASS_DEVICE_SILENCE, "Silence Device");
  defaultIndex = ProbeSoundDevice(BASS_DEVICE_DEFAULT, "Default Device");
  const char* description = nullptr;
  for (int n = 0; BASS_GetDeviceDescription(n, &description); ++n) {
    ProbeSoundDevice(n, description);
  }
  settings.device = settings.bits = settings.channels = settings.frequency = -1;
  // A start-up device that failed its probe falls back to the silence device;
  // without that too the settings hold no device.
  int start = kernel::noSound ? silenceIndex : defaultIndex;
  if (start < 0) {
    LogMessage(5, "no sound device: playing silently");
    start = silenceIndex;
  }
  settings.device = start;
  FitSettingsToDevice();
}

int ProbeSoundDevice(int number, const char* name) {
  LogMessage(5, "Checking device \"%s\" (%i)", name, number);
  auto* created = NewOrThrow<kernelDevice>("kernelDevice", number, name);
  std::unique_ptr<kernelDevice> device(created);

  LogMessage(5, "  supports 16 bits");
  device->has16Bits = true;
  LogMessage(5, "  supports stereo");
  device->hasStereo = true;

  if (!BASS_Init(number, 44100, BASS_DEVICE_KERNEL16, MainWindow())) {
    BASS_Free();
    // A device that fails its probe is left out of the list; the start-up
    // falls back to silence. Not a reason why a run fails, so only logged.
    const char* text = InitErrorText(BASS_ErrorGetCode());
    LogMessage(5, "  Failed to create device%s%s", text ? ": " : "!", text ? text : "");
    return -1;
  }

  if (number > BASS_DEVICE_SILENCE) {
    LogMessage(5, "  retrieving information...");
    BASS_INFO info{};
    info.size = sizeof(info);
    BASS_GetInfo(&info);
    if (info.flags & DSCAPS_CONTINUOUSRATE) {
      LogMessage(5, "    driver/device supports continuous sample rates");
    }
    if (info.flags & DSCAPS_CERTIFIED) LogMessage(5, "    driver certified by Microsoft");
    if (info.flags & DSCAPS_EMULDRIVER) {
      LogMessage(5, "    software emulation must be used");
    } else {
      LogMessage(5, "    hardware acceleration is avaible");
      if (info.flags & DSCAPS_SECONDARY8BIT) LogMessage(5, "      supports 8 bit samples");
      if (info.flags & DSCAPS_SECONDARY16BIT) LogMessage(5, "      supports 16 bit samples");
      if (info.flags & DSCAPS_SECONDARYMONO) LogMessage(5, "      supports mono samples");
      if (info.flags & DSCAPS_SECONDARYSTEREO) LogMessage(5, "      supports stereo samples");
      LogMessage(5, "      %i kB of hardware memory, %i kB of these are free",
                 static_cast<int>(info.hwsize / 1024), static_cast<int>(info.hwfree / 1024));
      LogMessage(5, "      sample rates between %i and %i Hz are supported",
                 static_cast<int>(info.minrate), static_cast<int>(info.maxrate));
    }
  }

  BASS_Free();
  LogMessage(5, "  checking frequencies...");
  for (int frequency : kProbeFrequencies) {
    device->AddFrequency(frequency);
    LogMessage(5, "    supports %i Hz", frequency);
  }

  try {
    devices.push_back(std::move(device));
  } catch (const std::bad_alloc&) {
    throw new eCouldNotAllocateMemoryFor("sound device list!");
  }
  return static_cast<int>(devices.size()) - 1;
}

void FreeSoundDevices() {
  devices.clear();
  devices.shrink_to_fit();
  silenceIndex = defaultIndex = -1;
}

kernelDevice* GetSoundDevice(int index) {
  if (index < 0 || index >= static_cast<int>(devices.size())) return nullptr;
  return devices[static_cast<std::size_t>(index)].get();
}

int GetSoundDeviceIndex() { return settings.device; }
int GetSoundBits() { return settings.bits; }
int GetSoundChannels() { return settings.channels; }
int GetSoundFrequency() { return settings.frequency; }

void SetSoundSettings(int device, int bits, int channels, int frequency) {
  if (device < 0 || device >= static_cast<int>(devices.size())) device = settings.device;
  if (bits <= 0) bits = settings.bits;
  if (channels <= 0) channels = settings.channels;
  if (frequency <= 0) frequency = settings.frequency;
  if (device == settings.device && bits == settings.bits && channels == settings.channels &&
      frequency == settings.frequency) {
    return;
  }
  settings.device = device;
  settings.bits = bits;
  settings.channels = channels;
  settings.frequency = frequency;
  if (settings.music != 0) {
    BASS_MusicFree(settings.music);
    settings.music = 0;
  }
  BASS_Free();
  FitSettingsToDevice();
}

VOXA2::music::voxaOption* GetMusicOption(int index) {
  return index == 0 ? &speakerOption : nullptr;
}

bool InitSound() {
  DWORD flags = BASS_DEVICE_KERNEL16;
  if (settings.channels == 1) flags |= BASS_DEVICE_MONO;
  if (settings.bits == 8) flags |= BASS_DEVICE_8BITS;
  kernelDevice* device = CurrentDevice();
  if (!device) {
    LogLibraryFailure("BASS_Init() failed%s%s", InitErrorText(BASS_ERROR_DEVICE));
    return false;
  }
  if (!BASS_Init(device->number, static_cast<DWORD>(settings.frequency), flags, MainWindow())) {
    LogLibraryFailure("BASS_Init() failed%s%s", InitErrorText(BASS_ErrorGetCode()));
    return false;
  }
  if (IDirectSound* ds = BASS_GetDSoundObject(1)) {
    ds->SetSpeakerConfig(kSpeakers[settings.speaker].config);
  }
  return true;
}

bool LoadMusic(const char* name, bool loop) {
  if (!name) return true;
  LogMessage(5, "Loading music...");
  std::vector<unsigned char> data;
  // Named as a sample is: a user must learn which file is missing.
  if (!ReadWholeFileOrSay(name, "loading the music to memory!", "Could not load music from disk:",
                          data))
    return false;
  DWORD flags = BASS_MUSIC_RAMP | (loop ? BASS_MUSIC_LOOP : 0);
  settings.music = BASS_MusicLoad(TRUE, data.data(), 0, static_cast<DWORD>(data.size() - 1), flags);
  data = {};
  if (settings.music == 0) {
    LogLibraryFailure("BASS_MusicLoad() failed%s%s", MusicLoadErrorText(BASS_ErrorGetCode()));
    return false;
  }
  return true;
}

bool PlayMusic(int volume) {
  BASS_Start();
  if (settings.music != 0) {
    BASS_ChannelSetAttributes(settings.music, -1, LibraryVolume(volume), -101);
    BASS_MusicPlay(settings.music);
  }
  return true;
}

void StopMusic() {
  if (settings.music != 0) {
    BASS_MusicFree(settings.music);
    settings.music = 0;
  }
  BASS_Free();
}

void SetMusicVolume(int volume) {
  if (settings.music != 0)
    BASS_ChannelSetAttributes(settings.music, -1, LibraryVolume(volume), -101);
}

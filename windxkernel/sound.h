// The sound kernel: the sound devices and what each can play, the settings
// of the Setup window, the start of the sound library for a demo, the demo's
// music and the samples that scripts play. Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/basis.h"

namespace VOXA2::music {

class voxaDevice : public virtual basis::basisObject {
 public:
  ~voxaDevice() override = default;
  virtual const char* GetName() = 0;
  virtual const char* GetDescription() = 0;
  virtual int GetBits(int index) = 0;
  virtual int GetChannels(int index) = 0;
  virtual const char* GetChannelsName(int index) = 0;
  virtual int GetFrequency(int index) = 0;
};

class kernelDevice : public voxaDevice {
 public:
  kernelDevice(int number, const char* name);
  ~kernelDevice() override = default;

  const char* GetName() override { return name.c_str(); }
  const char* GetDescription() override { return description.c_str(); }
  int GetBits(int index) override;
  int GetChannels(int index) override;
  const char* GetChannelsName(int index) override;
  int GetFrequency(int index) override;

  void AddFrequency(int frequency);
  bool HasFrequency(int frequency) const;

  int number;  // -2 the silence device, -1 the default device, 0 and up listed
  std::string name;
  std::string description;
  bool has16Bits = false;
  bool hasStereo = false;
  std::vector<int> frequencies;
};

// An option of the Setup window.
class voxaOption : public virtual basis::basisObject {
 public:
  virtual const char* GetLabel() = 0;
  virtual int GetKind() = 0;  // 1 one value out of named values, 0 on/off
  virtual int GetValue() = 0;
  virtual void SetValue(int value) = 0;
  virtual const char* GetValueName(int index) = 0;
  ~voxaOption() override = default;
};

// The speaker configuration of the settings (index into the speaker table).
class optionSpeaker : public voxaOption {
 public:
  const char* GetLabel() override;
  int GetKind() override { return 1; }
  int GetValue() override;
  void SetValue(int value) override;
  const char* GetValueName(int index) override;
};

class voxaSample : public virtual basis::basisObject {
 public:
  ~voxaSample() override = default;
  virtual void SetVolume(std::uint8_t volume) = 0;
  virtual void SetPanning(std::int8_t panning) = 0;
  virtual void SetFrequency(std::uint32_t frequency) = 0;
  virtual bool Play() = 0;
};

class kernelSample : public voxaSample {
 public:
  explicit kernelSample(std::uint32_t handle) : handle(handle) {}
  ~kernelSample() override;

  // Loads a sample of the data tree; null when the file cannot be read. A
  // sample the library refused is still made, and plays nothing.
  static kernelSample* Load(const char* name);

  void SetVolume(std::uint8_t value) override { volume = value; }
  void SetPanning(std::int8_t value) override { panning = value; }
  void SetFrequency(std::uint32_t value) override { frequency = value; }
  bool Play() override;

  std::uint32_t handle;  // the library's sample, 0 for none
  std::uint8_t volume = 255;
  std::int8_t panning = 0;  // -128 … 127, left to right
  std::uint32_t frequency = 44100;
};

}  // namespace VOXA2::music

// The credit and version of the sound libraries (Information window).
const char* GetSoundLibraryVersion();
const char* GetSoundLibraryCopyright();

void EnumerateSoundDevices();
int ProbeSoundDevice(int number, const char* name);
void FreeSoundDevices();
VOXA2::music::kernelDevice* GetSoundDevice(int index);

int GetSoundDeviceIndex();
int GetSoundBits();
int GetSoundChannels();
int GetSoundFrequency();
void SetSoundSettings(int device, int bits, int channels, int frequency);
VOXA2::music::voxaOption* GetMusicOption(int index);

bool InitSound();
bool LoadMusic(const char* name, bool loop);
bool PlayMusic(int volume);
void StopMusic();
void SetMusicVolume(int volume);

// The sound library's interface, the subset that the sound kernel calls, with
// our own declarations over our mixer. Music comes from libopenmpt, samples
// from libsndfile; output goes to SDL (sdl backend) or to a capture buffer
// (headless backend). Main thread only, like the kernel that calls it.
#pragma once

#include <cstdint>

#include "platform/win32.h"

using HMUSIC = DWORD;
using HSAMPLE = DWORD;
using HCHANNEL = DWORD;

// Device numbers besides those of the library's list (0 and up).
constexpr int BASS_DEVICE_SILENCE = -2;
constexpr int BASS_DEVICE_DEFAULT = -1;

// BASS_Init flags. The kernel always passes 16; it has no meaning here.
constexpr DWORD BASS_DEVICE_8BITS = 1;
constexpr DWORD BASS_DEVICE_MONO = 2;
constexpr DWORD BASS_DEVICE_KERNEL16 = 16;

// BASS_MusicLoad flags. Ramping is accepted and left to the module player.
constexpr DWORD BASS_MUSIC_RAMP = 1;
constexpr DWORD BASS_MUSIC_LOOP = 4;

// BASS_ErrorGetCode results.
constexpr int BASS_OK = 0;
constexpr int BASS_ERROR_MEM = 1;
constexpr int BASS_ERROR_FILEOPEN = 2;
constexpr int BASS_ERROR_DRIVER = 3;
constexpr int BASS_ERROR_HANDLE = 5;
constexpr int BASS_ERROR_FORMAT = 6;
constexpr int BASS_ERROR_INIT = 8;
constexpr int BASS_ERROR_ALREADY = 14;
constexpr int BASS_ERROR_NOCHAN = 18;
constexpr int BASS_ERROR_NO3D = 21;
constexpr int BASS_ERROR_DEVICE = 23;
constexpr int BASS_ERROR_NOA3D = 26;
constexpr int BASS_ERROR_UNKNOWN = -1;

// BASS_INFO flags, as DirectSound reports its capabilities.
constexpr DWORD DSCAPS_CONTINUOUSRATE = 0x10;
constexpr DWORD DSCAPS_EMULDRIVER = 0x20;
constexpr DWORD DSCAPS_CERTIFIED = 0x40;
constexpr DWORD DSCAPS_SECONDARYMONO = 0x100;
constexpr DWORD DSCAPS_SECONDARYSTEREO = 0x200;
constexpr DWORD DSCAPS_SECONDARY8BIT = 0x400;
constexpr DWORD DSCAPS_SECONDARY16BIT = 0x800;

// Speaker configurations for IDirectSound::SetSpeakerConfig.
constexpr DWORD DSSPEAKER_HEADPHONE = 1;
constexpr DWORD DSSPEAKER_MONO = 2;
constexpr DWORD DSSPEAKER_QUAD = 3;
constexpr DWORD DSSPEAKER_STEREO = 4;
constexpr DWORD DSSPEAKER_SURROUND = 5;
constexpr DWORD DSSPEAKER_COMBINED(DWORD config, DWORD geometry) {
  return (config & 0xFF) | ((geometry & 0xFF) << 16);
}

// What BASS_GetInfo fills; only what the kernel logs.
struct BASS_INFO {
  DWORD size;  // set to sizeof(BASS_INFO) by the caller
  DWORD flags;
  DWORD hwsize;
  DWORD hwfree;
  DWORD minrate;
  DWORD maxrate;
};

// The output's DirectSound object: only the speaker configuration, which the
// mixer honours ("mono" folds both channels together).
class IDirectSound {
 public:
  virtual HRESULT SetSpeakerConfig(DWORD config) = 0;

 protected:
  ~IDirectSound() = default;
};

// False past the last device of the library's list; the text is its name.
BOOL BASS_GetDeviceDescription(int device, const char** description);
// Opens the output; the flags choose 8 bits and mono. Fails with
// BASS_ERROR_ALREADY while an output is open.
BOOL BASS_Init(int device, DWORD frequency, DWORD flags, HWND window);
// Releases the output with every music and sample; harmless when not started.
// It never fails and keeps the last error code.
BOOL BASS_Free();
int BASS_ErrorGetCode();
BOOL BASS_GetInfo(BASS_INFO* info);
// 1 asks for the IDirectSound object; null for the silence device.
IDirectSound* BASS_GetDSoundObject(DWORD object);
// The output starts pulling the mixer.
BOOL BASS_Start();

// From memory (1) only; the caller passes the real length, and may free the
// block as soon as the call returns.
HMUSIC BASS_MusicLoad(BOOL memory, const void* file, DWORD offset, DWORD length, DWORD flags);
BOOL BASS_MusicPlay(HMUSIC music);
BOOL BASS_MusicFree(HMUSIC music);
// Volume 0 … 100 (-1 keeps it), panning -100 … 100 (-101 keeps it); the
// frequency of a music channel is not changed.
BOOL BASS_ChannelSetAttributes(DWORD handle, int frequency, int volume, int panning);

// From memory (1) only, with the real length. At most max plays run at once:
// a play beyond them is refused (BASS_ERROR_NOCHAN), as the library of the era did.
HSAMPLE BASS_SampleLoad(BOOL memory, const void* file, DWORD offset, DWORD length, DWORD max,
                        DWORD flags);
// One play from start (in frames) at a rate in Hz, volume 0 … 100, panning
// -100 … 100; 0 when refused.
HCHANNEL BASS_SamplePlayEx(HSAMPLE sample, DWORD start, int frequency, int volume, int panning,
                           BOOL loop);
BOOL BASS_SampleFree(HSAMPLE sample);

namespace platform {

// The texts that the linked music and sample libraries report.
const char* SoundLibraryVersion();

}  // namespace platform

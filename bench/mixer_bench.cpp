// Seconds of CPU per second of audio for our mixer (a module plus 16 sample
// voices, 48000 Hz 16-bit stereo) and for openmpt123 --render of the same
// module, when Debian's openmpt123 is installed.
//
//   bench_mixer [plays]   (the generated module is rendered plays times; default 8)
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/mixer.h"
#include "tests/support/sound_fixtures.h"

extern char** environ;

namespace {

using platform::sound::Mixer;
using platform::sound::Module;
using platform::sound::OutputFormat;

constexpr int kRate = 48000;
constexpr double kSongSeconds = 7.68;
constexpr int kVoices = 16;

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Renders seconds of audio; voices are restarted as they end, each at its
// own rate and pan, so that 16 always play.
double MixerCost(const std::vector<unsigned char>& module, double seconds, bool music, int voices) {
  Mixer mixer(OutputFormat{kRate, 2, 16, false});
  if (music) {
    mixer.AddMusic(1, Module::Load(module.data(), module.size(), true));
    mixer.PlayMusic(1);
  }
  auto wav = testsupport::MakeSineWav(44100, 1, 16, 440, 0.5, 0.3);
  auto sample = platform::sound::DecodeSample(wav.data(), wav.size());
  const std::size_t block = 1024;
  std::vector<unsigned char> out(block * 4);
  const auto frames = static_cast<std::size_t>(seconds * kRate);
  double start = CpuSeconds();
  for (std::size_t done = 0; done < frames; done += block) {
    for (int v = 0; v < voices; ++v) {
      auto handle = static_cast<std::uint32_t>(100 + v);
      if (mixer.PlayingVoices(handle) == 0) {
        mixer.PlaySample(handle, sample, 22050 + 3000 * v, 0.06f, (v - 8) / 8.0f);
      }
    }
    mixer.Render(out.data(), block);
  }
  return (CpuSeconds() - start) / seconds;
}

// openmpt123's CPU time (user + system of the child) per second of audio;
// negative when it cannot be run.
double Openmpt123Cost(const std::filesystem::path& file, int plays, double seconds) {
  std::string repeat = std::to_string(plays - 1);
  std::string rate = std::to_string(kRate);
  std::string name = file.string();
  std::vector<const char*> argv = {"openmpt123", "--render",     "--quiet",      "--force",
                                   "--no-float", "--samplerate", rate.c_str(),   "--channels",
                                   "2",          "--repeat",     repeat.c_str(), name.c_str(),
                                   nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int rc =
      posix_spawnp(&pid, "openmpt123", &actions, nullptr, const_cast<char**>(argv.data()), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return -1;
  }
  double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  return cpu / seconds;
}

}  // namespace

int main(int argc, char** argv) {
  int plays = argc > 1 ? std::max(1, std::atoi(argv[1])) : 8;
  double seconds = plays * kSongSeconds;
  auto module = testsupport::MakeTestModule();

  std::printf("audio: %.2f s at %d Hz, 16-bit stereo (%d plays of the generated module)\n", seconds,
              kRate, plays);
  std::printf("%-40s %s\n", "case", "CPU s per audio s");
  std::printf("%-40s %.5f\n", "mixer: music", MixerCost(module, seconds, true, 0));
  std::printf("%-40s %.5f\n", "mixer: 16 sample voices",
              MixerCost(module, seconds, false, kVoices));
  std::printf("%-40s %.5f\n", "mixer: music + 16 sample voices",
              MixerCost(module, seconds, true, kVoices));

  auto dir = std::filesystem::temp_directory_path() /
             ("voxa2-bench-mixer-" + std::to_string(static_cast<long>(getpid())));
  std::filesystem::create_directories(dir);
  auto file = dir / "tune.mod";
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(module.data()),
             static_cast<std::streamsize>(module.size()));
  double reference = Openmpt123Cost(file, plays, seconds);
  if (reference < 0) {
    std::printf("%-40s %s\n", "openmpt123 --render", "not available (install Debian's openmpt123)");
  } else {
    std::printf("%-40s %.5f\n", "openmpt123 --render (whole process)", reference);
  }
  std::filesystem::remove_all(dir);
  return 0;
}

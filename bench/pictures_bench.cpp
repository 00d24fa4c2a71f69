// Milliseconds to load a 1024x768 picture (PNG, RGBA, and JPEG, quality 90)
// through the global picture loader into a cColorPic, beside ImageMagick's
// /usr/bin/convert decoding the same file to raw RGBA (whole process, and with
// the time of a process that decodes a 1x1 picture taken off).
//
//   bench_pictures [loads]   (default 20; the pictures are made in a temporary folder)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "foundation/archive.h"
#include "foundation/gfxloader.h"
#include "foundation/pictures.h"
#include "foundation/stream.h"

namespace {

std::unique_ptr<TStream> PlainFile(const char* path, int32_t) {
  auto file = std::make_unique<TFile>();
  file->SetName(path);
  if (!file->Open(kStreamRead)) return nullptr;
  return file;
}

double Now() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// The best of several runs, in milliseconds.
template <typename Run>
double Best(int runs, Run run) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const double start = Now();
    if (!run()) return -1.0;
    best = std::min(best, Now() - start);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int loads = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "voxa2-bench-pictures";
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  const char* convert = "/usr/bin/convert";
  if (!std::filesystem::exists(convert)) {
    std::printf("ImageMagick's %s is needed to make the pictures\n", convert);
    return 1;
  }
  const std::string c(convert);
  if (!Shell(c +
             " -seed 5 -size 1024x768 plasma:fractal \\( -size 1024x768 gradient:white-black \\) "
             "-alpha off -compose CopyOpacity -composite PNG32:bench.png") ||
      !Shell(c + " bench.png -background gray -alpha remove -quality 90 bench.jpg") ||
      !Shell(c + " -size 1x1 xc:red PNG32:one.png")) {
    std::printf("could not make the pictures\n");
    return 1;
  }
  ClearFileAccessFunctions();
  AddFileAccessFunction(PlainFile);
  RegisterPictureReaders();

  std::printf("%-44s %s\n", "case (1024x768, best of runs)", "ms");
  for (const char* file : {"bench.png", "bench.jpg"}) {
    const double ours = Best(loads, [&] {
      cColorPic picture;
      return picture.Load(file) && picture.width == 1024;
    });
    const std::string decode = c + " " + file + " -depth 8 rgba:/dev/null";
    const double theirs = Best(std::max(3, loads / 4), [&] { return Shell(decode); });
    const double start =
        Best(std::max(3, loads / 4), [&] { return Shell(c + " one.png -depth 8 rgba:/dev/null"); });
    std::printf("%-44s %.2f\n", (std::string("cColorPic::Load ") + file).c_str(), ours);
    std::printf("%-44s %.2f\n", (std::string("convert ") + file + " rgba: (process)").c_str(),
                theirs);
    std::printf("%-44s %.2f\n", (std::string("convert ") + file + " rgba: (minus 1x1 run)").c_str(),
                theirs - start);
  }
  std::filesystem::current_path("/");
  std::filesystem::remove_all(dir);
  return 0;
}

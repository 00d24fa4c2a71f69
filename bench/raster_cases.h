// The workloads bench_raster and bench_llvmpipe both measure, one output line
// each: "<case>/<threads> <value>", e.g. "fill-mirror-565/2 131.0" (megapixels
// per second) or "tris/1 2.45" (million triangles per second), so that the
// two programs' lines pair up by their first word.
#pragma once

#include <string>
#include <thread>
#include <vector>

namespace rasterbench {

constexpr int kWidth = 640, kHeight = 480;

enum class Addressing { Wrap, Mirror, Clamp };

// The fill workload: ten full-screen quads per frame, a bilinear 256x256
// texture modulated by the vertex colour and alpha-blended, its coordinates
// running from −0.5 to 1.5 so that the addressing mode matters; the 16-bit
// target (5-6-5) dithers.
struct FillCase {
  const char* name;
  Addressing addressing;
  int bits;  // 32 or 16
};

inline const std::vector<FillCase>& FillCases() {
  static const std::vector<FillCase> cases = {
      {"fill-wrap-32", Addressing::Wrap, 32},      {"fill-mirror-32", Addressing::Mirror, 32},
      {"fill-clamp-32", Addressing::Clamp, 32},    {"fill-wrap-565", Addressing::Wrap, 16},
      {"fill-mirror-565", Addressing::Mirror, 16}, {"fill-clamp-565", Addressing::Clamp, 16},
  };
  return cases;
}

constexpr float kTexLow = -0.5f, kTexHigh = 1.5f;

// 1, 2 and the machine's number of threads, without repeats.
inline std::vector<int> ThreadCounts() {
  std::vector<int> counts = {1, 2};
  const int machine = static_cast<int>(std::thread::hardware_concurrency());
  if (machine > 2) counts.push_back(machine);
  return counts;
}

inline std::string Line(const char* name, int threads) {
  return std::string(name) + "/" + std::to_string(threads);
}

}  // namespace rasterbench

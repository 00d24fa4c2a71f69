// Every kind of track against values computed independently from the formulas
// (reference_tracks.py): keys at and between times, the repeat modes and the
// cycle convention, Kochanek-Bartels tangents, ease and end rules, rotation keys
// accumulated into quaternions and the matrix convention, vertex lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/tempdir.h"
#include "threedee/scene/kbsplines.h"
#include "threedee/scene/steptracks.h"

namespace {

using namespace VOXA2;

// The table is constant data: initializer lists rather than vectors, so that
// the compiler lays it out once instead of generating code for each of its
// thousands of nested containers.
struct RefKey {
  float time;
  std::initializer_list<float> values;
  std::initializer_list<float> params;  // tension, continuity, bias, ease from, ease to
};

struct RefProbe {
  float time;
  std::initializer_list<double> expected;
};

struct RefCase {
  const char* name;
  std::string_view kind;
  int mode;
  int width;
  std::initializer_list<RefKey> keys;
  std::initializer_list<RefProbe> probes;
};

std::span<const RefCase> Cases() {
  static constexpr RefCase cases[] = {
#include "tests/threedee/scene/reference_tracks.inc"
  };
  return cases;
}

std::unique_ptr<cView3Dinterpolator> Build(const RefCase& c) {
  std::unique_ptr<cView3Dinterpolator> track;
  if (c.kind == "linear" || c.kind == "softy" || c.kind == "discreet") {
    cView3Di_position* value = nullptr;
    if (c.kind == "linear") {
      auto* t = new cView3Di_linear(c.width);
      for (const RefKey& k : c.keys) t->AddKey(k.time, std::data(k.values));
      value = t;
    } else if (c.kind == "softy") {
      auto* t = new cView3Di_softy(c.width);
      for (const RefKey& k : c.keys) t->AddKey(k.time, std::data(k.values));
      value = t;
    } else {
      auto* t = new cView3Di_discreet(c.width);
      for (const RefKey& k : c.keys) t->AddKey(k.time, std::data(k.values));
      value = t;
    }
    track.reset(value);
  } else if (c.kind == "enum") {
    auto* t = new cView3Di_enum;
    for (const RefKey& k : c.keys) t->AddKey(k.time, static_cast<int>(*k.values.begin()));
    track.reset(t);
  } else if (c.kind == "kb") {
    auto* t = new cView3Di_kbsplines(c.width);
    for (const RefKey& k : c.keys) {
      const float* p = std::data(k.params);
      t->AddKey(k.time, std::data(k.values), p[0], p[1], p[2], p[3], p[4]);
    }
    track.reset(t);
  } else if (c.kind == "linear_quat" || c.kind == "softy_quat") {
    cView3Di_linear_quat* t =
        c.kind == "linear_quat" ? new cView3Di_linear_quat : new cView3Di_softy_quat;
    for (const RefKey& k : c.keys) t->AddKey(k.time, std::data(k.values));
    track.reset(t);
  } else if (c.kind == "kb_quat") {
    auto* t = new cView3Di_kbsplines_quat;
    for (const RefKey& k : c.keys) {
      const float* p = std::data(k.params);
      t->AddKey(k.time, std::data(k.values), p[0], p[1], p[2], p[3], p[4]);
    }
    track.reset(t);
  } else if (c.kind == "kb_morph") {
    auto* t = new cView3Di_kbsplines_morph(c.width / 3);
    for (const RefKey& k : c.keys) {
      const float* p = std::data(k.params);
      t->AddKey(k.time, reinterpret_cast<const threedee::Vector*>(std::data(k.values)), p[0], p[1],
                p[2], p[3], p[4]);
    }
    track.reset(t);
  }
  track->repeatMode = c.mode;
  track->Prepare();
  return track;
}

// The evaluated result of any kind, as floats.
std::vector<float> Result(cView3Dinterpolator& track, int width) {
  if (auto* v = dynamic_cast<cView3Di_position*>(&track)) {
    return {v->GetValues(), v->GetValues() + width};
  }
  if (auto* e = dynamic_cast<cView3Di_enum*>(&track)) return {static_cast<float>(e->value)};
  if (auto* r = dynamic_cast<cView3Di_rotation*>(&track)) {
    return {r->GetMatrix(), r->GetMatrix() + 16};
  }
  auto& m = dynamic_cast<cView3Di_morph&>(track);
  const float* f = reinterpret_cast<const float*>(m.GetVertices());
  return {f, f + width};
}

TEST(TrackReference, EveryCaseMatchesTheIndependentCalculation) {
  ASSERT_GT(Cases().size(), 100u);
  for (const RefCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    auto track = Build(c);
    for (const RefProbe& probe : c.probes) {
      SCOPED_TRACE("time " + std::to_string(probe.time));
      track->Evaluate(probe.time);
      const std::vector<float> got = Result(*track, c.width);
      ASSERT_EQ(got.size(), probe.expected.size());
      for (size_t i = 0; i < got.size(); ++i) {
        const double tolerance = 2e-4 * std::max(1.0, std::fabs(std::data(probe.expected)[i]));
        EXPECT_NEAR(got[i], std::data(probe.expected)[i], tolerance) << "entry " << i;
      }
    }
  }
}

// A copy evaluates exactly like its source at any time, and keeps doing so once
// the source is gone (AddressSanitizer watches the copy of a deleted copy).
TEST(TrackReference, ClonesEvaluateIdenticallyAndOutliveTheirSource) {
  unsigned state = 12345;
  auto randomTime = [&state] {
    state = state * 1103515245u + 12345u;
    return static_cast<float>((state >> 8) % 20000) / 200.0f - 40.0f;
  };
  for (const RefCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    auto source = Build(c);
    std::unique_ptr<cView3Dinterpolator> copy(source->Clone());
    std::unique_ptr<cView3Dinterpolator> again(copy->Clone());
    std::vector<float> times, seen;
    for (int i = 0; i < 20; ++i) {
      const float t = randomTime();
      source->Evaluate(t);
      copy->Evaluate(t);
      const std::vector<float> a = Result(*source, c.width), b = Result(*copy, c.width);
      ASSERT_EQ(a, b) << "time " << t;
      times.push_back(t);
      seen.insert(seen.end(), a.begin(), a.end());
    }
    source.reset();
    copy.reset();
    std::vector<float> later;
    for (float t : times) {
      again->Evaluate(t);
      const std::vector<float> r = Result(*again, c.width);
      later.insert(later.end(), r.begin(), r.end());
    }
    EXPECT_EQ(later, seen);
  }
}

// The committed table is what the calculator prints today.
TEST(TrackReference, TableIsUpToDateWithItsCalculator) {
  const char* root = std::getenv("VOXA2_SOURCE_DIR");
  if (!root) GTEST_SKIP() << "VOXA2_SOURCE_DIR is not set";
  const std::string dir = std::string(root) + "/tests/threedee/scene/";
  const std::string command = "python3 '" + dir + "reference_tracks.py' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_TRUE(pipe);
  std::string printed;
  char chunk[4096];
  for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) printed.append(chunk, n);
  if (pclose(pipe) != 0 && printed.empty()) GTEST_SKIP() << "python3 is not available";
  EXPECT_TRUE(printed == testsupport::ReadFile(dir + "reference_tracks.inc"))
      << "run reference_tracks.py again and commit its output";
}

}  // namespace

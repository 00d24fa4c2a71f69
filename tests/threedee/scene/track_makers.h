// Tracks for the scene tests, made as the loaders make them: constants,
// prepared linear tracks and constant rotations.
#pragma once

#include <initializer_list>
#include <utility>
#include <vector>

#include "threedee/scene/rotationtracks.h"
#include "threedee/scene/valuetracks.h"

namespace scenetest {

inline VOXA2::cView3Di_position* Constant(std::vector<float> values) {
  auto* track = new VOXA2::cView3Di_position(static_cast<int>(values.size()));
  for (std::size_t i = 0; i < values.size(); ++i) track->GetValues()[i] = values[i];
  return track;
}

// Keys (time, n values), prepared.
inline VOXA2::cView3Di_linear* Linear(
    int n, std::initializer_list<std::pair<float, std::vector<float>>> keys) {
  auto* track = new VOXA2::cView3Di_linear(n);
  for (const auto& [time, values] : keys) track->AddKey(time, values.data());
  track->Prepare();
  return track;
}

// One key: a constant rotation of the angle (radians) about the axis.
inline VOXA2::cView3Di_linear_quat* Turn(float x, float y, float z, float angle) {
  auto* track = new VOXA2::cView3Di_linear_quat;
  const float key[4] = {x, y, z, angle};
  track->AddKey(0, key);
  return track;
}

}  // namespace scenetest

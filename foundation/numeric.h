// Float to integer conversion with a defined result for every input: a raw
// cast of NaN or of a value outside the target range is undefined behaviour.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace VOXA2 {

// Truncates toward zero; NaN gives 0; values beyond the range saturate.
inline std::int32_t TruncToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

inline std::int32_t TruncToInt(float value) { return TruncToInt(static_cast<double>(value)); }

}  // namespace VOXA2

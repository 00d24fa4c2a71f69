#include "foundation/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct TruncCase {
  double in;
  int expected;
};

TEST(TruncToInt, TruncatesTowardZeroAndSaturates) {
  const double inf = std::numeric_limits<double>::infinity();
  const TruncCase cases[] = {
      {1.9, 1},
      {-1.9, -1},
      {0.0, 0},
      {-0.0, 0},
      {2147483646.5, 2147483646},
      {2147483647.0, 2147483647},
      {1e10, 2147483647},
      {-2147483648.0, -2147483647 - 1},
      {-1e10, -2147483647 - 1},
      {inf, 2147483647},
      {-inf, -2147483647 - 1},
      {std::nan(""), 0},
  };
  for (const TruncCase& c : cases) EXPECT_EQ(VOXA2::TruncToInt(c.in), c.expected) << c.in;
  EXPECT_EQ(VOXA2::TruncToInt(3.99f), 3);
  EXPECT_EQ(VOXA2::TruncToInt(std::nanf("")), 0);
}

}  // namespace

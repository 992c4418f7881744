// The last guard before the host.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <vector>

#include "product/OutputGuard.h"

TEST(OutputGuard, LeavesEverySampleAFloatCanHold) {
  std::vector<double> out = {0.0, -0.0, 1e-300, -FLT_MAX, FLT_MAX, 0.5, -123456.0};
  const std::vector<double> before = out;
  EXPECT_FALSE(OutputGuard::Apply(out.data(), static_cast<int>(out.size())));
  EXPECT_EQ(out, before);
  EXPECT_FALSE(OutputGuard::Apply(out.data(), 0)) << "an empty block";
}

TEST(OutputGuard, SilencesSamplesAFloatCannotHoldAndKeepsTheOthers) {
  const double inf = std::numeric_limits<double>::infinity();
  std::vector<double> out = {
      0.75, std::numeric_limits<double>::quiet_NaN(), -0.25, inf, -inf, 4e38, -1e300, 0.125};
  EXPECT_TRUE(OutputGuard::Apply(out.data(), static_cast<int>(out.size())));
  const std::vector<double> expected = {0.75, 0.0, -0.25, 0.0, 0.0, 0.0, 0.0, 0.125};
  EXPECT_EQ(out, expected);
}

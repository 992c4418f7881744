// Conversions that stay defined for every input, and the x87 rounding helper.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/Numeric.h"

namespace {

// A value the compiler cannot see, so that the conversions run as they do on real input.
template <typename F>
F AtRunTime(F v) {
  volatile F hidden = v;
  return hidden;
}

}  // namespace

TEST(Numeric, TruncToIntTruncatesInRangeAndSaturatesBeyond) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(TruncToInt(AtRunTime(2.9)), 2);
  EXPECT_EQ(TruncToInt(AtRunTime(-2.9)), -2) << "toward zero";
  EXPECT_EQ(TruncToInt(AtRunTime(2147483646.9)), 2147483646);
  EXPECT_EQ(TruncToInt(AtRunTime(2147483647.0)), INT32_MAX);
  EXPECT_EQ(TruncToInt(AtRunTime(-2147483648.0)), INT32_MIN);
  EXPECT_EQ(TruncToInt(AtRunTime(1e300)), INT32_MAX);
  EXPECT_EQ(TruncToInt(AtRunTime(-1e300)), INT32_MIN);
  EXPECT_EQ(TruncToInt(AtRunTime(inf)), INT32_MAX);
  EXPECT_EQ(TruncToInt(AtRunTime(-inf)), INT32_MIN);
  EXPECT_EQ(TruncToInt(AtRunTime(std::numeric_limits<double>::quiet_NaN())), 0);
  // Floats: 2147483647 has no float, the nearest above it is 2^31.
  EXPECT_EQ(TruncToInt(AtRunTime(2147483520.0f)), 2147483520);
  EXPECT_EQ(TruncToInt(AtRunTime(2147483648.0f)), INT32_MAX);
  EXPECT_EQ(TruncToInt(AtRunTime(-3e38f)), INT32_MIN);
  EXPECT_EQ(TruncToInt(AtRunTime(std::numeric_limits<float>::quiet_NaN())), 0);
  EXPECT_EQ(TruncToInt(AtRunTime(0.49999997f + 0.5)), 0) << "the sum in double stays below 1";
}

TEST(Numeric, ClampToIntKeepsTheIntRange) {
  EXPECT_EQ(ClampToInt(AtRunTime<int64_t>(int64_t{5})), 5);
  EXPECT_EQ(ClampToInt(AtRunTime<int64_t>(int64_t{INT32_MAX} + 1)), INT32_MAX);
  EXPECT_EQ(ClampToInt(AtRunTime<int64_t>(int64_t{INT32_MIN} - 1)), INT32_MIN);
  EXPECT_EQ(ClampToInt(AtRunTime<int64_t>(INT64_MIN)), INT32_MIN);
}

TEST(Numeric, RoundToDoubleMakesEveryBuildCountAsDoublesDo) {
  // 0.01 * 10 * 10 is exactly 1 in doubles, but not in x87's 80-bit registers.
  double v = RoundToDouble(0.01);
  int steps = 0;
  while (steps < 6 && v != std::floor(v)) {
    v = RoundToDouble(v * 10.0);
    ++steps;
  }
  EXPECT_EQ(steps, 2) << "the digits of a step of 0.01";
  EXPECT_EQ(v, 1.0);
}

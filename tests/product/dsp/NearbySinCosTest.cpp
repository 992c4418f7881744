#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "product/dsp/NearbySinCos.h"

TEST(NearbySinCos, ReachesNearbyAnglesWithinAUnitOrSoInTheLastPlace) {
  // Fresh angles across the filter's range, and every distance within reach of them.
  double worst = 0.0;
  for (double w = 0.001; w < 3.2; w *= 1.37) {
    NearbySinCos near;
    near.Reset(w);
    EXPECT_EQ(near.Sin(), std::sin(w));
    EXPECT_EQ(near.Cos(), std::cos(w));
    for (double d = -NearbySinCos::kReach; d <= NearbySinCos::kReach; d += 0.0009765625) {
      double s = 0.0, c = 0.0;
      near.At(d, s, c);
      worst = std::max({worst, std::fabs(s - std::sin(w + d)), std::fabs(c - std::cos(w + d))});
    }
    double s = 0.0, c = 0.0;
    near.At(0.0, s, c);
    EXPECT_EQ(s, std::sin(w)) << "no distance, no change";
    EXPECT_EQ(c, std::cos(w));
  }
  EXPECT_LT(worst, 4.5e-16) << "about two units in the last place of 1 at most";
  EXPECT_GT(worst, 0.0) << "the comparison is of values that were computed differently";
}

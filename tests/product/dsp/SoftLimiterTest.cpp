#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "product/dsp/SoftLimiter.h"

TEST(SoftKnee, BendsMagnitudesTowardsTheCeiling) {
  EXPECT_NEAR(SoftKnee(0.5), 0.5, 1e-15);
  EXPECT_NEAR(SoftKnee(0.75), 0.6974066473513694, 1e-13);
  EXPECT_NEAR(SoftKnee(1.0), 0.8231518639675617, 1e-13);
  EXPECT_NEAR(SoftKnee(1.5), 0.9541474674622291, 1e-13);
  const double inf = std::numeric_limits<double>::infinity();
  for (double x : {2.0, 2.5, 1e300, inf, std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_EQ(SoftKnee(x), 0.98855309465694) << "x = " << x;
  }
  EXPECT_NEAR(SoftKnee(2.0 - 1e-9), 0.98855309465694, 1e-12) << "continuous at 2.0";
  EXPECT_NEAR((SoftKnee(0.5 + 1e-6) - 0.5) / 1e-6, 1.0, 1e-5) << "slope 1 at 0.5";
  EXPECT_EQ(SoftKnee(0.25), 0.25) << "below the knee";
}

TEST(LimitBuffer, LeavesMagnitudesUpToHalfUntouched) {
  const std::vector<double> quiet = {0.0, 0.5, -0.5, 0.49999999999999994, -0.3, 1e-300};
  std::vector<double> buffer = quiet;
  EXPECT_EQ(LimitBuffer(buffer.data(), static_cast<int>(buffer.size())), 0.0);
  EXPECT_EQ(buffer, quiet);
  EXPECT_EQ(LimitBuffer(buffer.data(), 0), 0.0);
}

TEST(LimitBuffer, BendsPeaksAndReportsOvershootClampedToOne) {
  std::vector<double> buffer = {0.1, 1.2, -0.4};
  EXPECT_NEAR(LimitBuffer(buffer.data(), 3), 0.7, 1e-15) << "peak 1.2";
  EXPECT_EQ(buffer[0], 0.1);
  EXPECT_EQ(buffer[1], SoftKnee(1.2));
  EXPECT_EQ(buffer[2], -0.4);

  std::vector<double> negative = {-1.2, 0.9};
  EXPECT_NEAR(LimitBuffer(negative.data(), 2), 0.7, 1e-15) << "peak -1.2";
  EXPECT_EQ(negative[0], -SoftKnee(1.2));
  EXPECT_EQ(negative[1], SoftKnee(0.9));

  for (double peak : {1.5, -1.5, 3.0, -1e9}) {
    std::vector<double> loud = {0.2, peak, 0.6};
    EXPECT_EQ(LimitBuffer(loud.data(), 3), 1.0) << "peak " << peak;
    for (double v : loud) EXPECT_LE(std::fabs(v), 0.98855309465694) << "peak " << peak;
  }
}

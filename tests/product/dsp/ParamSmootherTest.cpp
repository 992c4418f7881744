#include <gtest/gtest.h>

#include "product/dsp/ParamSmoother.h"

namespace {

ParamSmoother Glide(bool multiplicative, double from, double to) {
  ParamSmoother s;
  s.Init(0.0005, multiplicative);
  s.SetImmediate(from);
  s.SetTarget(to);
  return s;
}

// Ticks until the smoother rests; returns the number of ticks that reported movement, checking
// that every one of them moved towards the target without passing it.
int TicksToRest(ParamSmoother& s) {
  int ticks = 0;
  double previous = s.Current();
  const bool rising = s.Target() > previous;
  while (s.Tick()) {
    ++ticks;
    const double now = s.Current();
    EXPECT_TRUE(rising ? now > previous && now <= s.Target() : now < previous && now >= s.Target())
        << "tick " << ticks << " went from " << previous << " to " << now;
    if (ticks > 10000000) break;
    previous = now;
  }
  return ticks;
}

}  // namespace

TEST(ParamSmoother, ReportsTrueOnSnappingTickThenFalse) {
  ParamSmoother up = Glide(true, 1000.0, 1001.0);
  EXPECT_TRUE(up.Tick());
  EXPECT_DOUBLE_EQ(up.Current(), 1000.5) << "one factor of 1.0005";
  EXPECT_TRUE(up.Tick()) << "the tick that lands on the target";
  EXPECT_EQ(up.Current(), 1001.0);
  EXPECT_FALSE(up.Tick());

  ParamSmoother down = Glide(false, 0.35, 0.3493);
  EXPECT_TRUE(down.Tick());
  EXPECT_DOUBLE_EQ(down.Current(), 0.3495) << "one step of -0.0005";
  EXPECT_TRUE(down.Tick()) << "the tick that lands on the target";
  EXPECT_EQ(down.Current(), 0.3493);
  EXPECT_FALSE(down.Tick());
}

TEST(ParamSmoother, GlidesTakeTheStatedNumberOfTicks) {
  // Multiplicative: ln(1800) / ln(1.0005) = 14994.3 factors from 18000 Hz down to 10 Hz.
  ParamSmoother cutoff = Glide(true, 18000.0, 10.0);
  EXPECT_NEAR(TicksToRest(cutoff), 14995, 1);
  EXPECT_EQ(cutoff.Current(), 10.0);
  ParamSmoother back = Glide(true, 10.0, 18000.0);
  EXPECT_NEAR(TicksToRest(back), 14995, 1);
  EXPECT_EQ(back.Current(), 18000.0);

  // Additive: 0.35 / 0.0005 = 700 steps, from and to exactly 0.
  ParamSmoother resonance = Glide(false, 0.0, 0.35);
  EXPECT_NEAR(TicksToRest(resonance), 700, 1);
  EXPECT_EQ(resonance.Current(), 0.35);
  resonance.SetTarget(0.0);
  EXPECT_NEAR(TicksToRest(resonance), 700, 1);
  EXPECT_EQ(resonance.Current(), 0.0);
}

TEST(ParamSmoother, IdleAfterEqualTargetJumpAndSetImmediate) {
  ParamSmoother s = Glide(true, 5.0, 5.0);
  EXPECT_FALSE(s.Tick()) << "target equal to the current value";

  s.SetTarget(50.0);
  EXPECT_TRUE(s.Tick());
  s.JumpToTarget();
  EXPECT_EQ(s.Current(), 50.0);
  EXPECT_FALSE(s.Tick()) << "after JumpToTarget";

  s.SetTarget(10.0);
  s.SetImmediate(20.0);
  EXPECT_FALSE(s.Tick()) << "after SetImmediate";
  EXPECT_EQ(s.Current(), 20.0);
  EXPECT_EQ(s.Target(), 20.0);
}

TEST(ParamSmoother, MultiplicativeZeroStaysZero) {
  ParamSmoother s = Glide(true, 0.0, 0.5);
  for (int n = 0; n < 100; ++n) s.Tick();
  EXPECT_EQ(s.Current(), 0.0) << "factors cannot move 0";
  ParamSmoother additive = Glide(false, 0.0, 0.5);
  for (int n = 0; n < 100; ++n) additive.Tick();
  EXPECT_NEAR(additive.Current(), 0.05, 1e-12) << "steps can";
}

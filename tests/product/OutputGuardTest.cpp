// The last guard before the host, on real filters.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <vector>

#include "product/OutputGuard.h"
#include "product/dsp/DoubleRounding.h"

namespace {

LadderFilter Ladder() {
  LadderFilter l;
  l.SetSampleRate(44100.0);
  l.SetCutoff(2000.0);
  l.SetResonance(0.6);
  return l;
}

HighPassBiquad HighPass() {
  HighPassBiquad h;
  h.SetSampleRate(44100.0);
  h.SetFrequency(500.0);
  return h;
}

}  // namespace

TEST(OutputGuard, LeavesSamplesAFloatCanHoldAndTheFiltersAlone) {
  LadderFilter ladder = Ladder(), ladderCopy = Ladder();
  HighPassBiquad highPass = HighPass(), highPassCopy = HighPass();
  for (int i = 0; i < 50; ++i) {
    const double x = std::sin(i * 0.3);
    ladder.Process(x);
    ladderCopy.Process(x);
    highPass.Process(x);
    highPassCopy.Process(x);
  }
  std::vector<double> out = {0.0, -0.0, 1e-300, -FLT_MAX, FLT_MAX, 0.5, -123456.0};
  const std::vector<double> before = out;
  EXPECT_FALSE(OutputGuard::Apply(out.data(), static_cast<int>(out.size()), ladder, highPass));
  EXPECT_EQ(out, before);
  for (int i = 0; i < 20; ++i) {
    // Compared as stored doubles: x87 returns results with more bits in its registers.
    const double y[] = {ladder.Process(0.25), ladderCopy.Process(0.25), highPass.Process(0.25),
                        highPassCopy.Process(0.25)};
    EXPECT_EQ(RoundToDouble(y[0]), RoundToDouble(y[1])) << "ladder history kept";
    EXPECT_EQ(RoundToDouble(y[2]), RoundToDouble(y[3])) << "high-pass history kept";
  }
}

TEST(OutputGuard, SilencesUnfitSamplesAndStartsTheChannelFromAClearedState) {
  // A ladder fed an infinite sample goes NaN for good.
  LadderFilter ladder = Ladder();
  HighPassBiquad highPass = HighPass();
  std::vector<double> out(8);
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] =
        highPass.Process(ladder.Process(i == 2 ? std::numeric_limits<double>::infinity() : 0.1));
  }
  ASSERT_TRUE(std::isnan(out.back())) << "the filters are poisoned";
  out[0] = 0.75;
  out[1] = 4e38;  // finite, but beyond every float
  const double inf = std::numeric_limits<double>::infinity();
  out.push_back(inf);
  out.push_back(-inf);
  EXPECT_TRUE(OutputGuard::Apply(out.data(), static_cast<int>(out.size()), ladder, highPass));
  EXPECT_EQ(out[0], 0.75) << "a sound sample is kept";
  for (size_t i = 1; i < out.size(); ++i) EXPECT_EQ(out[i], 0.0) << "sample " << i;
  // From here the channel runs as freshly cleared filters with the same settings do.
  LadderFilter freshLadder = Ladder();
  HighPassBiquad freshHighPass = HighPass();
  EXPECT_EQ(ladder.Cutoff(), 2000.0);
  EXPECT_EQ(highPass.Frequency(), 500.0);
  for (int i = 0; i < 100; ++i) {
    const double x = 0.3 * std::sin(i * 0.1);
    const double y = highPass.Process(ladder.Process(x));
    const double fresh = freshHighPass.Process(freshLadder.Process(x));
    ASSERT_EQ(RoundToDouble(y), RoundToDouble(fresh)) << "sample " << i << " after the guard";
  }
}

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "product/dsp/LadderFilter.h"
#include "product/dsp/LadderPair.h"

namespace {

LadderFilter MakeLadder(double cutoff, double resonance) {
  LadderFilter f;
  f.SetSampleRate(48000.0);
  f.SetCutoff(cutoff);
  f.SetResonance(resonance);
  return f;
}

// The pair's lanes do exactly what Process does, unless the build evaluates in x87 registers,
// where the compiler picks different places to round to double.
void ExpectSame(double pair, double single, const char* what, int i) {
#if FLT_EVAL_METHOD == 0
  EXPECT_EQ(pair, single) << what << " at sample " << i;
#else
  EXPECT_NEAR(pair, single, 1e-12 * (1.0 + std::fabs(single))) << what << " at sample " << i;
#endif
}

double Input(int i, double phase) {
  return 0.4 * std::sin(0.013 * i + phase) + (i % 97 == 0 ? 0.0 : 0.05 * std::cos(0.7 * i));
}

}  // namespace

TEST(LadderPair, EachLaneRunsAsItsOwnLadderAndStoresBack) {
  // Different cutoffs and resonances per lane, some history already.
  LadderFilter a = MakeLadder(800.0, 0.9), b = MakeLadder(5000.0, 0.2);
  for (int i = 0; i < 50; ++i) {
    a.Process(Input(i, 0.0));
    b.Process(Input(i, 1.0));
  }
  LadderFilter refA = a, refB = b;
  LadderPair pair;
  pair.Load(a, b);
  for (int i = 0; i < 2000; ++i) {
    double x0 = i == 700 ? 0.0 : Input(i, 0.0);  // an exact 0 meets the zero guard
    double x1 = Input(i, 1.0);
    const double y0 = refA.Process(x0), y1 = refB.Process(x1);
    pair.Process(x0, x1);
    ExpectSame(x0, y0, "lane 0", i);
    ExpectSame(x1, y1, "lane 1", i);
  }
  pair.Store(a, b);
  EXPECT_EQ(a.Cutoff(), 800.0);
  EXPECT_EQ(b.Cutoff(), 5000.0);
  EXPECT_EQ(b.Tune(), refB.Tune());
  // The stored state continues exactly where the pair left off.
  for (int i = 0; i < 100; ++i) {
    ExpectSame(a.Process(Input(i, 2.0)), refA.Process(Input(i, 2.0)), "lane 0 stored", i);
    ExpectSame(b.Process(Input(i, 3.0)), refB.Process(Input(i, 3.0)), "lane 1 stored", i);
  }
}

TEST(LadderPair, SetCoefficientsGivesBothLanesTheSameTuning) {
  LadderFilter a = MakeLadder(300.0, 0.5), b = MakeLadder(9000.0, 0.1);
  const LadderFilter tuning = MakeLadder(2000.0, 0.7);
  LadderFilter refA = a, refB = b;
  refA.SetCoefficients(tuning.GetCoefficients());
  refB.SetCoefficients(tuning.GetCoefficients());
  LadderPair pair;
  pair.Load(a, b);
  pair.SetCoefficients(tuning.GetCoefficients());
  for (int i = 0; i < 500; ++i) {
    double x0 = Input(i, 0.5), x1 = Input(i, 1.5);
    const double y0 = refA.Process(x0), y1 = refB.Process(x1);
    pair.Process(x0, x1);
    ExpectSame(x0, y0, "lane 0", i);
    ExpectSame(x1, y1, "lane 1", i);
  }
  pair.Store(a, b);
  EXPECT_EQ(a.Cutoff(), 2000.0);
  EXPECT_EQ(b.Resonance(), 0.7);
  EXPECT_EQ(b.Tune(), tuning.Tune());
}

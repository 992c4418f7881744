#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/IParam.h"

namespace {

std::string Display(const IParam& p, double v, bool normalized) {
  char text[IParam::kTextSize];
  p.FormatDisplay(v, normalized, text);
  return text;
}

std::string Display(const IParam& p) {
  char text[IParam::kTextSize];
  p.FormatDisplay(text);
  return text;
}

}  // namespace

TEST(IParam, DisplayPrecisionFollowsTheStep) {
  const struct {
    double step;
    int precision;
  } cases[] = {{1.0, 0}, {0.5, 1}, {0.01, 2}, {0.001, 3}, {0.25, 2}, {1.0 / 3.0, 6}, {10.0, 0}};
  for (const auto& c : cases) {
    IParam p;
    p.DefineDouble("x", 0.0, 0.0, 100.0, c.step, "");
    EXPECT_EQ(p.GetDisplayPrecision(), c.precision) << "step " << c.step;
  }
}

TEST(IParam, ResonanceShowsTwoDecimalsButZeroAsZero) {
  IParam p;
  p.DefineDouble("resonance", 0.35, 0.0, 1.0, 0.01, "");
  EXPECT_EQ(Display(p), "0.35");
  EXPECT_EQ(Display(p, 0.0, false), "0");
  EXPECT_EQ(Display(p, -0.0, false), "0");
  EXPECT_EQ(Display(p, 1.0, false), "1.00");
}

TEST(IParam, WholeNumberDisplayTruncatesInsteadOfRounding) {
  IParam p;
  p.DefineDouble("cutoff frequency", 18000.0, 10.0, 18000.0, 1.0, "Hz");
  EXPECT_EQ(Display(p, 17999.9, false), "17999");
  EXPECT_EQ(Display(p, -3.7, false), "-3");
  EXPECT_STREQ(p.GetLabel(), "Hz");
}

TEST(IParam, PowerShapeMapsBothWays) {
  IParam p;
  p.DefineDouble("cutoff frequency", 18000.0, 10.0, 18000.0, 1.0, "Hz");
  p.SetShape(2.5);
  p.SetNormalized(0.5);
  EXPECT_NEAR(p.Value(), 10.0 + std::pow(0.5, 2.5) * 17990.0, 1e-9);
  EXPECT_NEAR(p.Value(), 3190.0, 1.0);
  EXPECT_NEAR(p.GetNormalized(1000.0), std::pow(990.0 / 17990.0, 0.4), 1e-12);
  EXPECT_NEAR(p.GetNormalized(1000.0), 0.313, 0.001);
  EXPECT_EQ(p.GetNormalized(5.0), 0.0) << "below the range reads as 0";
  EXPECT_EQ(p.GetNormalized(50000.0), 1.0) << "above the range reads as 1";
  p.SetShape(0.0);
  EXPECT_EQ(p.GetShape(), 2.5) << "a shape of 0 is ignored";
}

TEST(IParam, EnumRoundsWhenSetButDisplayTruncates) {
  IParam p;
  p.DefineEnum("filter shape", 0, 3);
  p.SetValueText(0, "low pass");
  p.SetValueText(1, "band pass wide");
  p.SetValueText(2, "band pass narrow");
  EXPECT_EQ(p.GetKind(), IParam::kParamEnum);
  p.SetNormalized(0.76);
  EXPECT_EQ(p.Value(), 2.0) << "1.52 rounds to 2";
  EXPECT_EQ(Display(p, 0.76, true), "band pass wide") << "the display path truncates 1.52";
  EXPECT_EQ(Display(p), "band pass narrow");
  p.SetNormalized(0.4);
  EXPECT_EQ(p.GetNormalized(), 0.5);
}

TEST(IParam, BoolHasOffOnTextsAndRoundsAtHalf) {
  IParam p;
  p.DefineBool("brickwall limit", true);
  EXPECT_EQ(p.GetKind(), IParam::kParamBool);
  EXPECT_EQ(p.Value(), 1.0);
  EXPECT_EQ(p.GetMin(), 0.0);
  EXPECT_EQ(p.GetMax(), 1.0);
  EXPECT_EQ(Display(p), "on");
  p.SetNormalized(0.49);
  EXPECT_EQ(Display(p), "off");
  p.SetNormalized(0.5);
  EXPECT_EQ(p.Value(), 1.0);
}

TEST(IParam, DefaultRecordIsAZeroToOneStepOneParameter) {
  IParam p;
  EXPECT_EQ(p.GetKind(), IParam::kParamNone);
  p.SetNormalized(0.7);
  EXPECT_EQ(p.Value(), 1.0);
  EXPECT_EQ(Display(p), "1");
  EXPECT_STREQ(p.GetName(), "");
}

TEST(IParam, MaxIsRaisedToMinPlusStep) {
  IParam p;
  p.DefineDouble("x", 5.0, 5.0, 5.5, 1.0, "");
  EXPECT_EQ(p.GetMax(), 6.0);
}

TEST(IParam, SetNormalizedClampsHostValuesOutsideZeroToOne) {
  IParam p;
  p.DefineDouble("resonance", 0.35, 0.0, 1.0, 0.01, "");
  p.SetShape(2.0);
  p.SetNormalized(-0.5);
  EXPECT_EQ(p.Value(), 0.0) << "negative input clamps to the minimum";
  p.SetNormalized(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(p.Value(), 0.0) << "NaN counts as 0";
  p.SetNormalized(7.0);
  EXPECT_EQ(p.Value(), 1.0);
  IParam cutoff;
  cutoff.DefineDouble("cutoff", 100.0, 10.0, 18000.0, 1.0, "Hz");
  cutoff.SetShape(2.5);
  cutoff.SetNormalized(-1e-9);
  EXPECT_EQ(cutoff.Value(), 10.0) << "pow of a negative would have been NaN";
}

TEST(IParam, ValueTextsKeepFirstEntryAndFindExactText) {
  IParam p;
  p.DefineEnum("e", 0, 4);
  p.SetValueText(1, "one");
  p.SetValueText(1, "uno");
  p.SetValueText(2, "");
  EXPECT_EQ(p.CountValueTexts(), 3);
  EXPECT_STREQ(p.GetValueText(1), "one");
  EXPECT_STREQ(p.GetValueText(3), "");
  int v = -1;
  EXPECT_TRUE(p.FindValueText("uno", &v));
  EXPECT_EQ(v, 1);
  v = -1;
  EXPECT_FALSE(p.FindValueText("ONE", &v));
  EXPECT_EQ(v, -1) << "nothing written when not found";
  EXPECT_EQ(Display(p, 2.0, false), "2") << "an empty text falls back to the number";
}

TEST(IParam, DisplayOfHugeOrNaNValuesStaysBounded) {
  IParam p;
  p.DefineDouble("x", 0.0, 0.0, 1.0, 0.000001, "");
  const std::string big = Display(p, 1e300, false);
  EXPECT_LT(big.size(), static_cast<size_t>(IParam::kTextSize));
  IParam whole;
  EXPECT_EQ(Display(whole, 1e30, false), "2147483647") << "saturates instead of overflowing";
  EXPECT_EQ(Display(whole, std::numeric_limits<double>::quiet_NaN(), true), "0");
}

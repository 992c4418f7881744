#include <gtest/gtest.h>

#include "raster/BlendOps.h"
#include "tests/raster/ScalarReference.h"

namespace {

// Destination/source channel values and weights that reach every branch: the clamp on both
// sides, dodge's k <= 1, negative and above-full weights.
const int kValues[] = {0, 1, 2, 16, 127, 128, 200, 254, 255};
const int kWeights[] = {-512, -256, -255, -1, 0, 1, 127, 128, 255, 256, 257, 300, 1024};

template <typename Op>
void expectMatchesFormula(int mode, bool withAlpha, const char* name, int minWeight = -100000,
                          int maxWeight = 100000) {
  for (int d : kValues)
    for (int s : kValues)
      for (int a : kValues)
        for (int w : kWeights) {
          if (w < minWeight || w > maxWeight) continue;
          // Vary the channels so that a swapped channel would show.
          const Pixel32 dest = makePixel32(255 - d, d, d / 2, 255 - d / 3);
          const int src[4] = {s / 3, 255 - s, s, a};  // blue, green, red, alpha
          Pixel32 got = dest;
          Op::apply(got, src[2], src[1], src[0], src[3], w);
          const Pixel32 want = ref::blendPixel(mode, withAlpha, dest, src, w);
          ASSERT_EQ(got, want) << name << " of source (r " << src[2] << ", g " << src[1] << ", b "
                               << src[0] << ", a " << a << ") over 0x" << std::hex << dest
                               << std::dec << " at weight " << w << " differs from the formula";
        }
}

TEST(BlendOps, EveryOperatorMatchesItsFormulaOverChannelsAndWeights) {
  expectMatchesFormula<blend::MixPixel>(0, false, "mixPixel");
  expectMatchesFormula<blend::MixPixelAlpha>(0, true, "mixPixelAlpha");
  expectMatchesFormula<blend::AddPixel>(1, false, "addPixel");
  expectMatchesFormula<blend::AddPixelAlpha>(1, true, "addPixelAlpha");
  expectMatchesFormula<blend::DodgePixel>(2, false, "dodgePixel");
  expectMatchesFormula<blend::DodgePixelAlpha>(2, true, "dodgePixelAlpha");
  // The lane-parallel forms used for weights 0..256.
  expectMatchesFormula<blend::MixPixelUnit>(0, false, "mixPixel (lanes)", 0, 256);
  expectMatchesFormula<blend::MixPixelAlphaUnit>(0, true, "mixPixelAlpha (lanes)", 0, 256);
}

TEST(BlendOps, OpaqueWhiteMixedBySourceAlphaStores254) {
  for (Pixel32 dest : {0x00000000u, 0xFFFFFFFFu, 0x80402010u}) {
    Pixel32 p = dest;
    blend::MixPixelAlpha::apply(p, 255, 255, 255, 255, 256);
    EXPECT_EQ(p, 0xFEFEFEFEu) << "the 255 - w' complement must turn white into 254 over 0x"
                              << std::hex << dest;
  }
}

TEST(BlendOps, FullWeightMixGivesTheSourceExactly) {
  Pixel32 p = 0x12345678u;
  blend::MixPixel::apply(p, 0xAB, 0xCD, 0xEF, 0x01, 256);
  EXPECT_EQ(p, 0x01ABCDEFu) << "mixPixel at weight 256 must store the source unchanged";
}

TEST(BlendOps, ZeroSourceAlphaLeavesThePixelInEveryAlphaOperator) {
  const Pixel32 dest = 0x80FF7F01u;
  for (int w : {1, 256, 1024, -256}) {
    Pixel32 mix = dest, add = dest, dodge = dest;
    blend::MixPixelAlpha::apply(mix, 255, 255, 255, 0, w);
    blend::AddPixelAlpha::apply(add, 255, 255, 255, 0, w);
    blend::DodgePixelAlpha::apply(dodge, 255, 255, 255, 0, w);
    EXPECT_EQ(mix, dest) << "mixPixelAlpha with source alpha 0, weight " << w;
    EXPECT_EQ(add, dest) << "addPixelAlpha with source alpha 0, weight " << w;
    EXPECT_EQ(dodge, dest) << "dodgePixelAlpha with source alpha 0 (by arithmetic), weight " << w;
  }
}

TEST(BlendOps, NegativeAddSubtractsAndClampsAtZero) {
  Pixel32 p = 0x80804020u;
  blend::AddPixel::apply(p, 0x40, 0x50, 0x10, 0x10, -256);
  EXPECT_EQ(p, 0x70400010u) << "add at weight -256 subtracts each channel, clamped at 0";
}

TEST(BlendOps, DodgeWithFullSourceSaturatesNonZeroChannels) {
  Pixel32 p = 0x00010080u;  // alpha 0, red 1, green 0, blue 0x80
  blend::DodgePixel::apply(p, 255, 255, 255, 255, 256);
  EXPECT_EQ(p, 0x00FF00FFu) << "k = 0 gives d * 256: 255 for any non-zero channel, 0 for 0";
}

TEST(BlendOps, WeightOfClampsOpacityAndTreatsNaNAsZero) {
  EXPECT_EQ(blend::weightOf(1.0f), 256);
  EXPECT_EQ(blend::weightOf(0.999f), 255) << "the weight truncates toward zero";
  EXPECT_EQ(blend::weightOf(-0.999f), -255) << "the weight truncates toward zero";
  EXPECT_EQ(blend::weightOf(1e30f), blend::kMaxWeight) << "huge opacities are clamped";
  EXPECT_EQ(blend::weightOf(-1e30f), -blend::kMaxWeight) << "huge opacities are clamped";
  EXPECT_EQ(blend::weightOf(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(BlendOps, InterpolationHelpersMatchTheirFormulas) {
  const Pixel32 p[4] = {0xFF000000u, 0x00FF8040u, 0x12345678u, 0xFFFFFFFFu};
  for (int f : {0, 1, 0x8000, 0xFFFF}) {
    for (int g : {0, 0x4000, 0xFFFF}) {
      int want[4];
      ref::bilerp(p[0], p[1], p[2], p[3], f, g, want);
      const blend::Channels got = blend::bilerpPixels(p[0], p[1], p[2], p[3], f, g);
      EXPECT_EQ(got.b, want[0]) << "bilerp blue at fx " << f << ", fy " << g;
      EXPECT_EQ(got.g, want[1]) << "bilerp green at fx " << f << ", fy " << g;
      EXPECT_EQ(got.r, want[2]) << "bilerp red at fx " << f << ", fy " << g;
      EXPECT_EQ(got.a, want[3]) << "bilerp alpha at fx " << f << ", fy " << g;
    }
    int want[4];
    ref::lerp(p[1], p[2], f, want);
    const blend::Channels got = blend::lerpPixels(p[1], p[2], f);
    EXPECT_EQ((std::vector<int>{got.b, got.g, got.r, got.a}),
              (std::vector<int>{want[0], want[1], want[2], want[3]}))
        << "lerp at fraction " << f;
  }
  const blend::Channels full = blend::lerpPixels(0xFFFFFFFFu, 0xFFFFFFFFu, 0);
  EXPECT_EQ(full.r, 254) << "the 65535/65536 weight sum loses one step on white";
}

}  // namespace

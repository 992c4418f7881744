// korvane-render --response: the plot of each filter shape at 1000 Hz, read back from the PNG
// and compared with the filter's small-signal response computed here from its design.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <complex>
#include <fstream>
#include <iterator>
#include <memory>

#include "raster/Blit.h"
#include "raster/PngLoader.h"
#include "tests/tools/RenderRun.h"
#include "tools/korvane-render/ResponsePlot.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = 44100.0;
using Complex = std::complex<double>;

// The ladder at small signals, where its saturation is linear (tanh(v) ~ v): four one-pole
// stages y += g (u - y) with g = 1 - exp(-2 pi fc fcr), the half-sample average of the last
// stage's output, and the feedback k = 4 acr r of the previous output:
//   H = A G^4 / (1 + k z^-1 A G^4),  G = g / (1 - (1 - g) z^-1),  A = (1 + z^-1) / 2.
Complex Ladder(double hz, double cutoff, double resonance) {
  double fc = cutoff / kRate;
  const double limit = resonance < 0.25 ? 0.5 - resonance : 0.25;
  if (resonance != 0.0 && !(limit > fc)) fc = limit;
  const double e = 2.0 * fc;
  const double fcr = (1.873 * e + 0.4955) * e * e - 0.649 * e + 0.9988;
  const double acr = 1.8409 * e - 3.9364 * e * e + 0.9968;
  const double k = acr * resonance * 4.0;
  const double g = 1.0 - std::exp(-2.0 * kPi * fc * fcr);
  const Complex z1 = std::polar(1.0, -2.0 * kPi * hz / kRate);
  const Complex stage = g / (1.0 - (1.0 - g) * z1);
  const Complex forward = (1.0 + z1) / 2.0 * std::pow(stage, 4);
  return forward / (1.0 + k * z1 * forward);
}

// The Audio EQ Cookbook high pass at Q 1/sqrt(2).
Complex HighPass(double hz, double f0) {
  const double w = 2.0 * kPi * f0 / kRate, alpha = std::sin(w) / std::sqrt(2.0);
  const double a0 = 1.0 + alpha, c = std::cos(w);
  const Complex z1 = std::polar(1.0, -2.0 * kPi * hz / kRate);
  const Complex num = (1.0 + c) / 2.0 - (1.0 + c) * z1 + (1.0 + c) / 2.0 * z1 * z1;
  const Complex den = a0 - 2.0 * c * z1 + (1.0 - alpha) * z1 * z1;
  return num / den;
}

// Shape 0: the ladder; 1: a high pass at a quarter of the cutoff and gain 4; 2: at three
// quarters and gain 8. The default resonance is 0.35.
double ExpectedDb(int shape, double hz) {
  Complex h = Ladder(hz, 1000.0, 0.35);
  if (shape == 1) h *= 4.0 * HighPass(hz, 250.0);
  if (shape == 2) h *= 8.0 * HighPass(hz, 750.0);
  return 20.0 * std::log10(std::abs(h));
}

// Where the curve crosses column x, in dB: the mean row of its pixels weighted by how red they
// are (the curve is the only colour with more red than blue).
double CurveDbAt(RasterBitmap* plot, int x) {
  double weight = 0.0, sum = 0.0;
  for (int y = ResponsePlot::kTop; y <= ResponsePlot::kBottom; ++y) {
    const Pixel32 p = getPixel(plot, x, y);
    const int redness = pixelChannel(p, 2) - pixelChannel(p, 0);
    if (redness > 60) {
      weight += redness;
      sum += redness * y;
    }
  }
  if (weight == 0.0) return std::nan("");
  const double y = sum / weight;
  return ResponsePlot::kTopDb - (y - ResponsePlot::kTop) /
                                    (ResponsePlot::kBottom - ResponsePlot::kTop) *
                                    (ResponsePlot::kTopDb - ResponsePlot::kBottomDb);
}

// The frequency of a pixel column of the logarithmic axis from 10 Hz to Nyquist.
double ColumnHz(int x) {
  const double t =
      static_cast<double>(x - ResponsePlot::kLeft) / (ResponsePlot::kRight - ResponsePlot::kLeft);
  return 10.0 * std::pow(kRate / 2.0 / 10.0, t);
}

int Column(double hz) {
  return static_cast<int>(
      std::lround(ResponsePlot::kLeft + (ResponsePlot::kRight - ResponsePlot::kLeft) *
                                            std::log(hz / 10.0) / std::log(kRate / 2.0 / 10.0)));
}

std::unique_ptr<RasterBitmap> LoadPng(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  return std::unique_ptr<RasterBitmap>(loadPngMemory(bytes.data(), bytes.size(), nullptr));
}

}  // namespace

// The columns at 100 Hz, 1 kHz and 3 kHz, against the design's response at the frequency each
// column stands for. Tolerance 0.5 dB, under two pixel rows (0.31 dB each), for the
// measurement, the curve's interpolation between its 24 steps an octave and the line's
// anti-aliasing (the largest error seen is 0.24 dB).
TEST(ResponsePlot, EachShapeAt1000HzFollowsTheFiltersResponseAtThreeFrequencies) {
  RenderRun run;
  const char* shapes[] = {"low pass", "band pass wide", "band pass narrow"};
  for (int shape = 0; shape < 3; ++shape) {
    const std::string file = "shape" + std::to_string(shape) + ".png";
    ASSERT_EQ(run.Run({"--response", file, "--set", "cutoff=1000", "--set",
                       std::string("shape=") + shapes[shape]}),
              0)
        << run.Err();
    EXPECT_NE(run.Out().find("response     " + file), std::string::npos) << run.Out();
    const std::unique_ptr<RasterBitmap> plot = LoadPng(run.Path(file));
    ASSERT_TRUE(plot) << file << " is a PNG";
    ASSERT_EQ(plot->getWidth(), ResponsePlot::kWidth);
    ASSERT_EQ(plot->getHeight(), ResponsePlot::kHeight);
    for (double hz : {100.0, 1000.0, 3000.0}) {
      const int x = Column(hz);
      EXPECT_NEAR(CurveDbAt(plot.get(), x), ExpectedDb(shape, ColumnHz(x)), 0.5)
          << shapes[shape] << " at " << hz << " Hz (column " << x << ")";
    }
  }
}

TEST(ResponsePlot, RefusesAnInputFileMidiAndAnAbsurdRate) {
  RenderRun run;
  WriteSines(run.Path("in.wav"), 2, 0.2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, {{440.0, 0.3}});
  EXPECT_EQ(run.Run({"--response", "r.png", "in.wav"}), 2) << "drawing is instead of rendering";
  EXPECT_EQ(run.Run({"--response", "r.png", "--cc", "74=1@0"}), 2);
  EXPECT_NE(run.Run({"--response", "r.png", "--response-rate", "100"}), 0);
  EXPECT_NE(run.Err().find("--response-rate must be 8000..384000 Hz"), std::string::npos)
      << run.Err();
  EXPECT_NE(run.Run({"--response", "nofolder/r.png"}), 0);
  EXPECT_NE(run.Err().find("cannot write nofolder/r.png"), std::string::npos) << run.Err();
  EXPECT_EQ(run.Files(), std::vector<std::string>{"in.wav"}) << "no picture, no temporary file";
}

// korvane-render driving a VST 2 module it knows nothing about: DISTRHO's 3 Band EQ from
// Debian's dpf-plugins-vst, loaded and driven only through its binary interface.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>

#include "tests/tools/RenderRun.h"

namespace {

const char* const kModule = "/usr/lib/vst/3BandEQ-vst.so";

double Db(double ratio) {
  return 20.0 * std::log10(ratio);
}

}  // namespace

TEST(ThirdPartyModule, ThreeBandEqCutsTheLowBandItIsToldToAndPassesTheHighs) {
  if (!std::filesystem::exists(kModule)) {
    GTEST_SKIP() << kModule << " is missing (Debian package dpf-plugins-vst): no third-party "
                 << "module to render through";
  }
  RenderRun run;
  WriteSines(run.Path("in.wav"), 2, 1.0, SF_FORMAT_WAV | SF_FORMAT_FLOAT,
             {{60.0, 0.3}, {8000.0, 0.3}});
  ASSERT_EQ(run.Run({"-p", kModule, "in.wav", "flat.wav", "-q"}), 0) << run.Err();
  // "low" names the "Low" band exactly, although "Low-Mid Freq" starts with it as well.
  ASSERT_EQ(run.Run({"-p", kModule, "in.wav", "cut.wav", "--set", "low=-24"}), 0) << run.Err();
  EXPECT_NE(run.Out().find("set          Low = -24"), std::string::npos) << run.Out();
  const Audio flat = ReadAudio(run.Path("flat.wav"));
  const Audio cut = ReadAudio(run.Path("cut.wav"));
  ASSERT_EQ(cut.channels, 2);
  ASSERT_EQ(cut.Frames(), 44100);
  for (int ch = 0; ch < 2; ++ch) {
    EXPECT_NEAR(Db(flat.Tone(ch, 60.0, 0.3, 1.0) / 0.3), 0.0, 1.0) << "flat, channel " << ch;
    // The bands overlap: a 24 dB cut of the low band takes about 10 dB off 60 Hz.
    EXPECT_LT(Db(cut.Tone(ch, 60.0, 0.3, 1.0) / flat.Tone(ch, 60.0, 0.3, 1.0)), -8.0)
        << "channel " << ch << ", 60 Hz";
    EXPECT_NEAR(Db(cut.Tone(ch, 8000.0, 0.3, 1.0) / flat.Tone(ch, 8000.0, 0.3, 1.0)), 0.0, 1.0)
        << "channel " << ch << ", 8 kHz";
  }
}

TEST(ThirdPartyModule, AmbiguousPrefixListsTheModulesParameterNames) {
  if (!std::filesystem::exists(kModule)) {
    GTEST_SKIP() << kModule << " is missing (Debian package dpf-plugins-vst)";
  }
  RenderRun run;
  EXPECT_NE(run.Run({"-p", kModule, "--list", "--set", "m=0"}), 0);
  EXPECT_NE(run.Err().find("\"m\" is ambiguous"), std::string::npos) << run.Err();
  EXPECT_NE(run.Err().find("\"Mid-High Freq\""), std::string::npos) << run.Err();
}

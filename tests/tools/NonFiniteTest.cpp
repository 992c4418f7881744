// korvane-render and a module that returns NaN and infinite samples (the stub module with its
// "fault" on): counted, reported with the first position, written as 0, and an exit status 3
// unless --allow-nonfinite.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

#include "tests/tools/RenderRun.h"

namespace {

constexpr int kWavFloat = SF_FORMAT_WAV | SF_FORMAT_FLOAT;

}  // namespace

TEST(NonFinite, NanAndInfinityAreCountedReportedWrittenAsZeroAndFailTheRender) {
  RenderRun run;
  WriteSines(run.Path("in.wav"), 2, 0.25, kWavFloat, {{440.0, 0.5}});
  EXPECT_EQ(run.Run({"-p", STUB_MODULE, "in.wav", "out.wav", "--set", "fault=on", "-q"}), 3);
  EXPECT_EQ(run.Err(),
            "korvane-render: the plug-in returned 11 non-finite samples (NaN or infinity), the "
            "first at frame 1000 (0.023 s) in channel 2; written as 0 (--allow-nonfinite accepts "
            "that)\n");
  const Audio out = ReadAudio(run.Path("out.wav"));
  ASSERT_EQ(out.Frames(), 11025) << "the file is written all the same";
  const Audio in = ReadAudio(run.Path("in.wav"));
  long long nonFinite = 0, zeroed = 0, passed = 0;
  for (long long i = 0; i < out.Frames(); ++i) {
    for (int c = 0; c < 2; ++c) {
      if (!std::isfinite(out.At(i, c))) ++nonFinite;
      const bool faulty = (c == 1 && i >= 1000 && i < 1010) || (c == 0 && i == 5000);
      if (faulty && out.At(i, c) == 0.0) ++zeroed;
      if (!faulty && out.At(i, c) == in.At(i, c)) ++passed;
    }
  }
  EXPECT_EQ(nonFinite, 0) << "no NaN or infinity in the file";
  EXPECT_EQ(zeroed, 11) << "each one written as 0";
  EXPECT_EQ(passed, 2 * 11025 - 11) << "every other sample as the module gave it (unity gain)";

  // Blocks of 7 frames: the count and the position do not depend on the block size.
  EXPECT_EQ(run.Run({"-p", STUB_MODULE, "in.wav", "out.wav", "--set", "fault=on", "-b", "7",
                     "--allow-nonfinite"}),
            0)
      << run.Err();
  EXPECT_NE(run.Err().find("warning: the plug-in returned 11 non-finite samples"),
            std::string::npos)
      << run.Err();
  EXPECT_NE(run.Err().find("frame 1000 (0.023 s) in channel 2"), std::string::npos) << run.Err();
  EXPECT_NE(run.Out().find("RMS"), std::string::npos) << "the summary as after any render";
  EXPECT_EQ(ReadAudio(run.Path("out.wav")).Frames(), 11025);

  // Without the fault nothing is reported.
  EXPECT_EQ(run.Run({"-p", STUB_MODULE, "in.wav", "clean.wav", "-q"}), 0);
  EXPECT_EQ(run.Err(), "");
}

TEST(NonFinite, AResponseMeasuredThroughNanFailsUnlessAllowed) {
  RenderRun run;
  EXPECT_EQ(run.Run({"-p", STUB_MODULE, "--response", "r.png", "--set", "fault=on", "-q"}), 3);
  EXPECT_NE(run.Err().find("11 non-finite samples (NaN or infinity), the first at frame 1000"),
            std::string::npos)
      << run.Err();
  EXPECT_NE(run.Err().find("while measuring the response"), std::string::npos) << run.Err();
  EXPECT_EQ(run.Run({"-p", STUB_MODULE, "--response", "r.png", "--set", "fault=on", "-q",
                     "--allow-nonfinite"}),
            0)
      << run.Err();
  EXPECT_EQ(run.Err(), "") << "quiet: not even the warning";
  EXPECT_EQ(run.Run({"-p", STUB_MODULE, "--response", "r.png"}), 0) << run.Err();
  EXPECT_NE(run.Out().find("peak         +0.0 dB"), std::string::npos)
      << "the stub at unity gain is flat\n"
      << run.Out();
}

// korvane-render end to end: the tool run as a user runs it, judged by its exit status, what it
// prints and the files it leaves behind.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/tools/RenderRun.h"

namespace {

constexpr int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr int kWavFloat = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
constexpr double kPi = 3.14159265358979323846;

double Db(double ratio) {
  return 20.0 * std::log10(ratio);
}

// RMS above `hz` over [from, to) seconds of one channel: two cascaded high-pass biquads
// (Audio EQ Cookbook, Q 0.707), 24 dB per octave, settled over the first 50 ms.
double HighBandRms(const Audio& a, int channel, double hz, double from, double to) {
  const double w = 2.0 * kPi * hz / a.sampleRate, alpha = std::sin(w) / (2.0 * 0.7071);
  const double a0 = 1.0 + alpha, cw = std::cos(w);
  const double b0 = (1.0 + cw) / 2.0 / a0, b1 = -(1.0 + cw) / a0, b2 = b0;
  const double a1 = -2.0 * cw / a0, a2 = (1.0 - alpha) / a0;
  double s[2][4] = {};
  double sum = 0.0;
  long long counted = 0;
  const long long first = std::llround((from - 0.05) * a.sampleRate);
  const long long settled = std::llround(from * a.sampleRate);
  const long long last = std::llround(to * a.sampleRate);
  for (long long i = std::max(0LL, first); i < last; ++i) {
    double x = a.At(i, channel);
    for (auto& st : s) {
      const double y = b0 * x + b1 * st[0] + b2 * st[1] - a1 * st[2] - a2 * st[3];
      st[1] = st[0];
      st[0] = x;
      st[3] = st[2];
      st[2] = y;
      x = y;
    }
    if (i >= settled) {
      sum += x * x;
      ++counted;
    }
  }
  return std::sqrt(sum / static_cast<double>(counted));
}

struct Listed {
  std::string display;
  std::string label;
  double normalized = -1.0;
};

// The parameter rows of --list: "  2   cutoff frequency     1000                 Hz     0.3136".
std::map<int, Listed> ParameterRows(const std::string& listing) {
  std::map<int, Listed> rows;
  std::istringstream in(listing);
  std::string line;
  bool inParameters = false;
  const auto trim = [](const std::string& s) {
    const size_t a = s.find_first_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, s.find_last_not_of(' ') - a + 1);
  };
  while (std::getline(in, line)) {
    if (line.rfind("parameters", 0) == 0) inParameters = true;
    if (line.rfind("programs", 0) == 0) inParameters = false;
    if (!inParameters || line.size() < 56 || !std::isdigit(static_cast<unsigned char>(line[2]))) {
      continue;
    }
    Listed row;
    row.display = trim(line.substr(27, 20));
    row.label = trim(line.substr(48, 6));
    row.normalized = std::stod(line.substr(55));
    rows[std::stoi(line.substr(2, 3))] = row;
  }
  return rows;
}

struct AutomationRow {
  long long frame;
  int index;
  double value;
};

std::vector<AutomationRow> ReadAutomation(const std::string& path) {
  std::vector<AutomationRow> rows;
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    long long frame = 0;
    double seconds = 0.0, value = 0.0;
    int index = 0;
    if (std::sscanf(line.c_str(), "%lld,%lf,%d,%lf", &frame, &seconds, &index, &value) == 4) {
      rows.push_back({frame, index, value});
    }
  }
  return rows;
}

bool FileExists(const std::string& path) {
  return std::filesystem::exists(path);
}

}  // namespace

// ---- the built-in demo ----

TEST(Demo, WritesDryAndFilteredFilesUnderOutAndTheSweepTakesOutTheHighs) {
  RenderRun run;
  ASSERT_EQ(run.Run({}), 0) << run.Err();
  EXPECT_EQ(run.Err(), "") << "nothing on standard error when it is not a terminal";
  const Audio dry = ReadAudio(run.Path("out/demo-dry.wav"));
  const Audio wet = ReadAudio(run.Path("out/demo.wav"));
  ASSERT_EQ(dry.channels, 2) << "out/demo-dry.wav is written, in stereo";
  ASSERT_EQ(wet.channels, 2) << "out/demo.wav is written, in stereo";
  EXPECT_EQ(wet.sampleRate, 44100);
  EXPECT_EQ(wet.Frames(), 8 * 44100) << "eight seconds";
  EXPECT_EQ(dry.Frames(), wet.Frames());
  EXPECT_GT(dry.Peak(0.0, 8.0), 0.5) << "the dry signal is a real signal";
  EXPECT_LE(dry.Peak(0.0, 8.0), 1.0);

  for (int ch = 0; ch < 2; ++ch) {
    // Near 1.5 s controller 74 holds the low pass around 300 Hz: little is left above 3 kHz.
    const double dryHigh = HighBandRms(dry, ch, 3000.0, 1.35, 1.65);
    const double wetHigh = HighBandRms(wet, ch, 3000.0, 1.35, 1.65);
    EXPECT_LT(Db(wetHigh / dryHigh), -30.0) << "channel " << ch << ": energy above the cutoff";
    // At the start the cutoff is wide open: the highs pass.
    EXPECT_GT(Db(HighBandRms(wet, ch, 3000.0, 0.1, 0.3) / HighBandRms(dry, ch, 3000.0, 0.1, 0.3)),
              -6.0)
        << "channel " << ch << ": highs with the cutoff at 18 kHz";
  }
  EXPECT_NE(run.Out().find("real-time factor"), std::string::npos) << run.Out();
}

TEST(Demo, BrickwallLimitCatchesTheLoudPassageAndLeavesQuietSamplesAlone) {
  RenderRun run;
  ASSERT_EQ(run.Run({"-q", "-o", "limited.wav", "--format", "float"}), 0) << run.Err();
  ASSERT_EQ(run.Run({"-q", "-o", "open.wav", "--format", "float", "--set", "brickwall=off"}), 0)
      << run.Err();
  const Audio limited = ReadAudio(run.Path("limited.wav"));
  const Audio open = ReadAudio(run.Path("open.wav"));
  ASSERT_EQ(limited.format, kWavFloat) << "--format float";
  ASSERT_EQ(open.Frames(), limited.Frames());
  EXPECT_GT(open.Peak(6.0, 8.0), 1.2) << "unlimited, the loud passage goes past full scale";
  EXPECT_LE(limited.Peak(0.0, 8.0), 0.98856) << "the limit's ceiling";
  // The first second stays within ±0.5, where the limit changes nothing.
  ASSERT_LT(open.Peak(0.0, 1.0), 0.5);
  double largest = 0.0;
  for (long long i = 0; i < 44100 * 2; ++i) {
    largest = std::max(largest, std::fabs(open.samples[static_cast<size_t>(i)] -
                                          limited.samples[static_cast<size_t>(i)]));
  }
  EXPECT_LT(largest, 1e-6) << "quiet samples pass the limit unchanged";
}

// ---- audio through the filter ----

TEST(Filtering, CutoffAt200HzTakesOutFiveKilohertzAndKeepsOneHundredHertz) {
  RenderRun run;
  WriteSines(run.Path("in.wav"), 2, 2.0, kWav16, {{100.0, 0.3}, {5000.0, 0.3}});
  ASSERT_EQ(run.Run({"in.wav", "out.wav", "--set", "cutoff=200", "-q"}), 0) << run.Err();
  const Audio out = ReadAudio(run.Path("out.wav"));
  ASSERT_EQ(out.channels, 2);
  EXPECT_EQ(out.format, kWav16) << "the input's format is kept";
  EXPECT_EQ(out.sampleRate, 44100);
  EXPECT_EQ(out.Frames(), 2 * 44100);
  for (int ch = 0; ch < 2; ++ch) {
    EXPECT_LT(Db(out.Tone(ch, 5000.0, 0.5, 2.0) / 0.3), -40.0) << "channel " << ch << ", 5 kHz";
    // An octave below the cutoff the ladder already gives up a few dB.
    EXPECT_GT(Db(out.Tone(ch, 100.0, 0.5, 2.0) / 0.3), -8.0) << "channel " << ch << ", 100 Hz";
  }
}

TEST(Filtering, DoublePrecisionRendersWhatSinglePrecisionRenders) {
  RenderRun run;
  WriteSines(run.Path("in.wav"), 2, 1.0, kWavFloat, {{220.0, 0.4}, {3000.0, 0.2}});
  const std::vector<std::string> common = {"--set", "cutoff=800", "--set", "res=0.7", "-q"};
  std::vector<std::string> single = {"in.wav", "single.wav"},
                           twice = {"in.wav", "double.wav", "--double"};
  single.insert(single.end(), common.begin(), common.end());
  twice.insert(twice.end(), common.begin(), common.end());
  ASSERT_EQ(run.Run(single), 0) << run.Err();
  ASSERT_EQ(run.Run(twice), 0) << run.Err();
  const Audio a = ReadAudio(run.Path("single.wav")), b = ReadAudio(run.Path("double.wav"));
  ASSERT_EQ(a.samples.size(), b.samples.size());
  double largest = 0.0;
  for (size_t i = 0; i < a.samples.size(); ++i) {
    largest = std::max(largest, std::fabs(a.samples[i] - b.samples[i]));
  }
  EXPECT_GT(a.Peak(0.0, 1.0), 0.05) << "a signal came through";
  EXPECT_LT(largest, 1e-4) << "float and double processing differ only by float rounding";
}

TEST(Filtering, TailRendersSilenceAfterTheInputWhereTheResonanceRingsOut) {
  RenderRun run;
  WriteSines(run.Path("in.wav"), 2, 1.0, kWav16, {{1000.0, 0.5}});
  ASSERT_EQ(run.Run({"in.wav", "out.wav", "--tail", "0.5", "--set", "cutoff=1000", "--set",
                     "resonance=0.95", "-q"}),
            0)
      << run.Err();
  const Audio out = ReadAudio(run.Path("out.wav"));
  EXPECT_EQ(out.Frames(), 44100 + 22050) << "one second of input and half a second of tail";
  EXPECT_GT(out.Peak(1.0, 1.05), 0.001) << "the filter still rings after the input ends";
  EXPECT_LT(out.Peak(1.45, 1.5), out.Peak(1.0, 1.05)) << "and dies away";
}

TEST(Filtering, MonoInputGoesThroughAMonoConnectionAndGivesMonoOutput) {
  RenderRun run;
  WriteSines(run.Path("mono.wav"), 1, 1.0, kWav16, {{100.0, 0.3}, {5000.0, 0.3}});
  ASSERT_EQ(
      run.Run({"mono.wav", "-o", "out.wav", "--set", "cutoff=200", "--format", "float", "-q"}), 0)
      << run.Err();
  const Audio out = ReadAudio(run.Path("out.wav"));
  ASSERT_EQ(out.channels, 1) << "mono in, mono out";
  EXPECT_EQ(out.format, kWavFloat) << "--format float";
  EXPECT_LT(Db(out.Tone(0, 5000.0, 0.5, 1.0) / 0.3), -40.0) << "the one channel is filtered";
  EXPECT_GT(Db(out.Tone(0, 100.0, 0.5, 1.0) / 0.3), -8.0);
}

TEST(Filtering, OutputExtensionChoosesTheContainerAndKeepsTheSampleFormat) {
  RenderRun run;
  WriteSines(run.Path("in.wav"), 2, 0.5, SF_FORMAT_WAV | SF_FORMAT_PCM_24, {{440.0, 0.3}});
  ASSERT_EQ(run.Run({"in.wav", "out.flac", "-q"}), 0) << run.Err();
  EXPECT_EQ(ReadAudio(run.Path("out.flac")).format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
}

// ---- parameters ----

TEST(Parameters, NamesDisplayTextsUnitValuesAndPercentagesAgreeWithWhatThePluginReports) {
  RenderRun run;
  ASSERT_EQ(run.Run({"--list", "--set", "shape=band pass wide", "--set", "CUTOFF=1000", "--set",
                     "res=50%", "--set", "brickwall limit=off", "--set", "0=1"}),
            0)
      << run.Err();
  std::map<int, Listed> rows = ParameterRows(run.Out());
  ASSERT_EQ(rows.size(), 5u) << run.Out();
  EXPECT_EQ(rows[0].display, "1") << "by index";
  EXPECT_EQ(rows[1].display, "band pass wide") << "by a word of the name and a display text";
  EXPECT_NEAR(rows[1].normalized, 0.5, 1e-4);
  EXPECT_EQ(rows[2].display, "1000") << "by a unit value, found by bisection";
  EXPECT_EQ(rows[2].label, "Hz");
  EXPECT_NEAR(rows[2].normalized, std::pow(990.0 / 17990.0, 0.4), 1e-4);
  EXPECT_NEAR(rows[3].normalized, 0.5, 1e-4) << "a percentage is the normalised value";
  EXPECT_EQ(rows[4].display, "off") << "a display text the plug-in rounds to on setting";

  ASSERT_EQ(run.Run({"--list", "--normalized", "--set", "cutoff=0.5", "--set", "3=0.8", "--set",
                     "brick=0.25"}),
            0)
      << run.Err();
  rows = ParameterRows(run.Out());
  EXPECT_EQ(rows[2].display, "3190") << "normalised 0.5 of the 2.5 power curve";
  EXPECT_NEAR(rows[3].normalized, 0.8, 1e-4);
  EXPECT_EQ(rows[4].display, "off");

  ASSERT_EQ(run.Run({"--list", "--set", "res=0.42", "--set", "cutoff=18000", "--set",
                     "filter=band pass narrow"}),
            0)
      << run.Err();
  rows = ParameterRows(run.Out());
  EXPECT_EQ(rows[3].display, "0.42");
  EXPECT_EQ(rows[2].display, "18000");
  EXPECT_EQ(rows[1].display, "band pass narrow");
}

TEST(Parameters, WrongNamesAndValuesAreRefusedWithTheChoices) {
  RenderRun run;
  EXPECT_NE(run.Run({"--list", "--set", "volume=1"}), 0);
  EXPECT_NE(run.Err().find("unknown parameter \"volume\""), std::string::npos) << run.Err();
  EXPECT_NE(run.Err().find("\"cutoff frequency\""), std::string::npos) << "lists the names";

  EXPECT_NE(run.Run({"--list", "--set", "shape=high pass"}), 0);
  EXPECT_NE(run.Err().find("\"band pass narrow\""), std::string::npos) << run.Err();

  EXPECT_NE(run.Run({"--list", "--set", "cutoff=20000"}), 0);
  EXPECT_NE(run.Err().find("from 10 to 18000 Hz"), std::string::npos) << run.Err();

  EXPECT_NE(run.Run({"--list", "--set", "5=1"}), 0);
  EXPECT_NE(run.Err().find("parameter 5 does not exist"), std::string::npos) << run.Err();

  EXPECT_NE(run.Run({"--list", "--set", "res=150%"}), 0);
  EXPECT_NE(run.Err().find("0 to 100"), std::string::npos) << run.Err();
}

// ---- MIDI ----

TEST(Midi, ControllerAtHalfASecondIsReportedAsAutomationAtThatSample) {
  RenderRun run;
  WriteSines(run.Path("in.wav"), 2, 1.0, kWav16, {{440.0, 0.3}});
  // One-frame blocks: the block the plug-in reports from is the sample itself.
  ASSERT_EQ(run.Run({"in.wav", "out.wav", "--cc", "74=20@0.5", "--block", "1", "--automation",
                     "exact.csv"}),
            0)
      << run.Err();
  std::vector<AutomationRow> rows = ReadAutomation(run.Path("exact.csv"));
  ASSERT_EQ(rows.size(), 1u) << "one controller, one automation";
  EXPECT_EQ(rows[0].frame, 22050);
  EXPECT_EQ(rows[0].index, 2) << "controller 74 drives the cutoff";
  EXPECT_NEAR(rows[0].value, 20.0 / 127.0, 1e-6);
  EXPECT_NE(run.Out().find("automation   1 received"), std::string::npos) << run.Out();
  EXPECT_NE(run.Out().find("1 returned by the plug-in"), std::string::npos)
      << "the plug-in passes the MIDI back";

  // Blocks of 512: reported in the block that holds sample 22050.
  ASSERT_EQ(run.Run({"in.wav", "out.wav", "--cc", "74=20@0.5", "--automation", "block.csv", "-q"}),
            0)
      << run.Err();
  rows = ReadAutomation(run.Path("block.csv"));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].frame, 22050 / 512 * 512);
}

TEST(Midi, ControlChangesOfAStandardMidiFileArriveAtTheirTimes) {
  RenderRun run;
  WriteSines(run.Path("in.wav"), 2, 1.5, kWav16, {{440.0, 0.3}});
  // Format 0, 480 ticks per quarter at the default 120 bpm: 480 ticks are half a second.
  const unsigned char smf[] = {'M',  'T',  'h',  'd',  0,    0,    0,    6,
                               0,    0,    0,    1,    0x01, 0xE0,            //
                               'M',  'T',  'r',  'k',  0,    0,    0,    23,  //
                               0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,      // tempo 500000 µs
                               0x83, 0x60, 0xB0, 71,   64,                    // 0.5 s: resonance
                               0x00, 0x90, 60,   100,                         // a note: not sent
                               0x83, 0x60, 0xB1, 74,   127,  // 1.0 s: cutoff, channel 2
                               0x00, 0xFF, 0x2F, 0x00};
  std::ofstream(run.Path("cc.mid"), std::ios::binary)
      .write(reinterpret_cast<const char*>(smf), sizeof smf);
  ASSERT_EQ(
      run.Run({"in.wav", "out.wav", "--midi", "cc.mid", "--block", "1", "--automation", "log.csv"}),
      0)
      << run.Err();
  const std::vector<AutomationRow> rows = ReadAutomation(run.Path("log.csv"));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].frame, 22050);
  EXPECT_EQ(rows[0].index, 3) << "controller 71 drives the resonance";
  EXPECT_NEAR(rows[0].value, 64.0 / 127.0, 1e-6);
  EXPECT_EQ(rows[1].frame, 44100);
  EXPECT_EQ(rows[1].index, 2);
  EXPECT_NE(run.Out().find("MIDI         2 sent"), std::string::npos) << run.Out();
}

// ---- people's output ----

TEST(Summary, ReportsTheRenderAndQuietPrintsNothing) {
  RenderRun run;
  WriteSines(run.Path("in.wav"), 2, 2.0, kWav16, {{1000.0, 0.5}});
  ASSERT_EQ(run.Run({"in.wav", "out.wav", "--set", "cutoff=200"}), 0) << run.Err();
  for (const char* expected :
       {"frames       88200 (2.000 s at 44100 Hz, 2 channels)", "peak         in -6.0 dBFS",
        "RMS          in -9.0 dBFS", "automation   0 received", "real-time factor",
        "set          cutoff frequency = 200 Hz"}) {
    EXPECT_NE(run.Out().find(expected), std::string::npos) << expected << "\n" << run.Out();
  }
  ASSERT_EQ(run.Run({"in.wav", "out2.wav", "--quiet"}), 0);
  EXPECT_EQ(run.Out(), "");
  EXPECT_EQ(run.Err(), "");
}

// ---- failures ----

TEST(Failures, EachExitsNonZeroWithOneLineAndLeavesNoOutputFile) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::string tool = RenderTool();
  const std::vector<Case> cases = {
      {{"in.wav", "out.wav", "-p", "missing.so"}, "plug-in missing.so does not exist"},
      {{"in.wav", "out.wav", "-p", "notalibrary.so"}, "cannot load plug-in notalibrary.so"},
      {{"in.wav", "out.wav", "-p", FAKE_MODULE_NO_ENTRY}, "exports neither VSTPluginMain nor main"},
      {{"in.wav", "out.wav", "-p", FAKE_MODULE_NULL}, "created no instance"},
      {{"in.wav", "out.wav", "-p", FAKE_MODULE_BAD_MAGIC}, "wrong magic 0x12345678"},
      {{"missing.wav", "out.wav"}, "input missing.wav does not exist"},
      {{"notaudio.wav", "out.wav"}, "cannot read input notaudio.wav"},
      {{"three.wav", "out.wav"}, "the input has 3 channels but the plug-in takes at most 2"},
      {{"in.wav"}, "no output file"},
      {{"in.wav", "in.wav"}, "is the input file"},
      {{"in.wav", "nofolder/out.wav"}, "folder nofolder does not exist"},
      {{"in.wav", "out.wav", "--set", "volume=1"}, "unknown parameter"},
      {{"in.wav", "out.wav", "--cc", "74=300@1"}, "the value must be 0..127"},
      {{"in.wav", "out.wav", "--cc", "74"}, "expected CONTROLLER=VALUE@SECONDS"},
      {{"in.wav", "out.wav", "--midi", "missing.mid"}, "cannot read MIDI file missing.mid"},
      {{"in.wav", "out.wav", "--block", "0"}, "--block must be"},
      {{"in.wav", "out.wav", "--tail", "-1"}, "--tail must be"},
      {{"in.wav", "out.wav", "--format", "mp9"}, "unknown name \"mp9\""},
      {{"in.wav", "out.flac", "--format", "float"}, "cannot write FLAC, 32-bit float"},
      // Fails after the whole render, while the output is still a temporary file.
      {{"in.wav", "out.wav", "--automation", "nofolder/log.csv"},
       "cannot write the automation log"},
      {{"in.wav", "out.wav", "--bogus"}, "--bogus"},
  };
  for (const Case& c : cases) {
    RenderRun run;
    WriteSines(run.Path("in.wav"), 2, 0.5, kWav16, {{440.0, 0.3}});
    WriteSines(run.Path("three.wav"), 3, 0.5, kWav16, {{440.0, 0.3}});
    std::ofstream(run.Path("notalibrary.so")) << "not a shared library\n";
    std::ofstream(run.Path("notaudio.wav")) << "not audio\n";
    const std::vector<std::string> before = run.Files();
    std::string what;
    for (const std::string& a : c.args) what += " " + a;

    EXPECT_NE(run.Run(c.args), 0) << what;
    EXPECT_EQ(run.Err().rfind("korvane-render: ", 0), 0u) << what << ": " << run.Err();
    EXPECT_NE(run.Err().find(c.message), std::string::npos) << what << ": " << run.Err();
    EXPECT_EQ(std::count(run.Err().begin(), run.Err().end(), '\n'), 1) << what << ": one line";
    EXPECT_EQ(run.Files(), before) << what << ": no output and no temporary file left";
  }
}

TEST(Failures, AFailedRenderLeavesAnExistingOutputAsItWas) {
  RenderRun run;
  WriteSines(run.Path("in.wav"), 2, 0.5, kWav16, {{440.0, 0.3}});
  std::ofstream(run.Path("out.wav")) << "an earlier result\n";
  EXPECT_NE(run.Run({"in.wav", "out.wav", "--automation", "nofolder/log.csv"}), 0);
  std::ifstream in(run.Path("out.wav"));
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "an earlier result");
  EXPECT_FALSE(FileExists(run.Path("nofolder")));
}

// Debian's lv2apply renders a file through the bundle; korvane-render renders the same file
// through the VST 2 module at the same settings. The samples must be the same.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "product/KorvaneFilter.h"
#include "tests/lv2/Lv2TestHost.h"
#include "tests/tools/RenderRun.h"

namespace {

// A stereo float file: a saw and a chord on the left, other partials on the right.
void WriteStereo(const std::string& path, int rate, double seconds) {
  SF_INFO info{};
  info.channels = 2;
  info.samplerate = rate;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  const long long frames = std::llround(seconds * rate);
  std::vector<float> samples(static_cast<size_t>(frames * 2));
  for (long long i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double saw = 2.0 * std::fmod(t * 98.0, 1.0) - 1.0;
    samples[static_cast<size_t>(2 * i)] =
        static_cast<float>(0.5 * saw + 0.2 * std::sin(2 * M_PI * 523.25 * t));
    samples[static_cast<size_t>(2 * i + 1)] = static_cast<float>(
        0.4 * std::sin(2 * M_PI * 196.0 * t) + 0.3 * std::sin(2 * M_PI * 3100 * t));
  }
  sf_writef_float(file, samples.data(), frames);
  sf_close(file);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs lv2apply in the folder with the bundle on its LV2 path; its exit status.
int Lv2Apply(const RenderRun& run, const std::vector<std::string>& args, std::string& err) {
  std::string command = "cd '" + run.Dir() + "' && LV2_PATH='" + Lv2TestHost::BundleParent() + "'";
#ifdef KORVANE_LV2APPLY_PRELOAD
  // The module's sanitizer runtime, first; what lilv itself never frees is not our finding.
  command += " LD_PRELOAD='" KORVANE_LV2APPLY_PRELOAD "' ASAN_OPTIONS=detect_leaks=0";
#endif
  command += " lv2apply";
  for (const std::string& a : args) command += " '" + a + "'";
  command += " " + std::string(Lv2TestHost::kUri) + " 2>lv2apply.err </dev/null";
  const int status = std::system(command.c_str());
  err = ReadText(run.Path("lv2apply.err"));
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

VstIntPtr VSTCALLBACK Silent(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

// A parameter's normalised value for a value in its units, by the parameter's own mapping.
std::string Normalized(int param, double value) {
  static KorvaneFilter reference(Silent);
  char text[32];
  std::snprintf(text, sizeof text, "%.9g",
                static_cast<float>(reference.GetParam(param)->GetNormalized(value)));
  return text;
}

void ExpectSameSamples(const Audio& lv2, const Audio& vst, const std::string& what) {
  ASSERT_EQ(lv2.channels, 2) << what;
  ASSERT_EQ(vst.channels, 2) << what;
  ASSERT_EQ(lv2.Frames(), vst.Frames()) << what;
  long long differing = 0, first = -1;
  for (size_t i = 0; i < lv2.samples.size(); ++i) {
    if (lv2.samples[i] != vst.samples[i]) {
      if (first < 0) first = static_cast<long long>(i / 2);
      ++differing;
    }
  }
  EXPECT_EQ(differing, 0) << what << ": first at frame " << first;
  EXPECT_GT(lv2.Peak(0.0, 1.0), 0.01) << what << ": something came out";
}

}  // namespace

TEST(Lv2Apply, RendersAFileAsKorvaneRenderDoesThroughTheVst2Module) {
  if (std::system("command -v lv2apply >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "lv2apply (Debian's lilv-utils) is not installed";
  }
#ifdef KORVANE_LV2APPLY_UNAVAILABLE
  GTEST_SKIP() << "no shared sanitizer runtime to load a sanitized module into lv2apply";
#endif
  RenderRun run;
  WriteStereo(run.Path("in.wav"), 48000, 1.0);

  // The defaults, lv2apply's runs of one frame against korvane-render's blocks of 512.
  std::string err;
  ASSERT_EQ(Lv2Apply(run, {"-i", "in.wav", "-o", "lv2.wav"}, err), 0) << err;
  ASSERT_EQ(run.Run({"-q", "in.wav", "vst.wav", "--format", "float"}), 0) << run.Err();
  ExpectSameSamples(ReadAudio(run.Path("lv2.wav")), ReadAudio(run.Path("vst.wav")), "defaults");

  // Every parameter away from its default: lv2apply in the parameters' units, korvane-render
  // with the normalised values those units stand for (its search by display text picks the
  // middle of the values that display "800", not 800 itself).
  ASSERT_EQ(Lv2Apply(run,
                     {"-i", "in.wav", "-o", "lv2set.wav", "-c", "shape", "2", "-c", "cutoff", "800",
                      "-c", "resonance", "0.7", "-c", "brickwall", "0"},
                     err),
            0)
      << err;
  ASSERT_EQ(
      run.Run({"-q", "in.wav", "vstset.wav", "--format", "float", "--block", "1", "--normalized",
               "--set", "shape=" + Normalized(KorvaneFilter::kShape, 2), "--set",
               "cutoff=" + Normalized(KorvaneFilter::kCutoff, 800), "--set",
               "resonance=" + Normalized(KorvaneFilter::kResonance, 0.7), "--set", "brickwall=0"}),
      0)
      << run.Err();
  ExpectSameSamples(ReadAudio(run.Path("lv2set.wav")), ReadAudio(run.Path("vstset.wav")),
                    "band pass narrow at 800 Hz, resonance 0.7, no limit");

  // The band-pass wide shape with the limit, by text on both sides where texts are exact.
  ASSERT_EQ(Lv2Apply(run, {"-i", "in.wav", "-o", "lv2wide.wav", "-c", "shape", "1"}, err), 0)
      << err;
  ASSERT_EQ(run.Run({"-q", "in.wav", "vstwide.wav", "--format", "float", "--set",
                     "shape=band pass wide"}),
            0)
      << run.Err();
  ExpectSameSamples(ReadAudio(run.Path("lv2wide.wav")), ReadAudio(run.Path("vstwide.wav")),
                    "band pass wide");
}

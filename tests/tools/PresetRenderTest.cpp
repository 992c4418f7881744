// korvane-render with .fxp/.fxb presets, run as a user runs it: programs and banks saved and
// loaded again with our module, with the stub module that keeps chunks, and with third-party
// Debian modules; files written by hand from the layout; damaged and foreign files refused.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

#include "tests/tools/RenderRun.h"

namespace {

constexpr int kWavFloat = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
const char* const kChunkModule = "/usr/lib/vst/lsp-plugins/compressor-stereo.so";
const char* const kParameterModule = "/usr/lib/vst/3BandEQ-vst.so";

std::vector<uint8_t> Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The preset kind: the four bytes at offset 8.
std::string Magic(const std::string& path) {
  const std::vector<uint8_t> bytes = Slurp(path);
  return bytes.size() >= 12 ? std::string(bytes.begin() + 8, bytes.begin() + 12) : "";
}

void Spit(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// Big-endian records written from the layout.
struct Bytes {
  std::vector<uint8_t> b;
  Bytes& Int(uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<uint8_t>(v >> shift));
    return *this;
  }
  Bytes& Tag(const char* four) {
    b.insert(b.end(), four, four + 4);
    return *this;
  }
  Bytes& Float(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return Int(u);
  }
  Bytes& Name(const std::string& name) {
    for (size_t i = 0; i < 28; ++i)
      b.push_back(i < name.size() ? static_cast<uint8_t>(name[i]) : 0);
    return *this;
  }
  Bytes& Raw(const std::vector<uint8_t>& more) {
    b.insert(b.end(), more.begin(), more.end());
    return *this;
  }
  std::vector<uint8_t> Done() {
    const uint32_t size = static_cast<uint32_t>(b.size() - 8);
    for (int i = 0; i < 4; ++i)
      b[4 + static_cast<size_t>(i)] = static_cast<uint8_t>(size >> (24 - 8 * i));
    return b;
  }
};

constexpr uint32_t kFilterId = 0x4B727646;  // 'KrvF'

std::vector<uint8_t> FilterProgram(const std::string& name, const std::vector<float>& values,
                                   uint32_t id = kFilterId) {
  Bytes p;
  p.Tag("CcnK").Int(0).Tag("FxCk").Int(1).Int(id).Int(10000).Int(
      static_cast<uint32_t>(values.size()));
  p.Name(name);
  for (float v : values) p.Float(v);
  return p.Done();
}

std::vector<uint8_t> FilterBank(int version, uint32_t current,
                                const std::vector<std::vector<float>>& programs) {
  Bytes f;
  f.Tag("CcnK").Int(0).Tag("FxBk").Int(static_cast<uint32_t>(version)).Int(kFilterId).Int(10000);
  f.Int(static_cast<uint32_t>(programs.size()));
  if (version == 2) f.Int(current);
  f.b.insert(f.b.end(), version == 2 ? 124 : 128, 0);
  for (size_t i = 0; i < programs.size(); ++i) {
    f.Raw(FilterProgram("bank " + std::to_string(i), programs[i]));
  }
  return f.Done();
}

// The "value" column of a parameter's --list row: "  2   cutoff frequency     1000 ...".
std::string Shown(const std::string& listing, int index) {
  std::istringstream in(listing);
  std::string line;
  bool inParameters = false;
  while (std::getline(in, line)) {
    if (line.rfind("parameters", 0) == 0) inParameters = true;
    if (line.rfind("programs", 0) == 0) break;
    if (inParameters && line.size() > 47 &&
        line.compare(2, 4, std::to_string(index) + "   ", 0, 4) == 0) {
      std::string value = line.substr(27, 20);
      return value.substr(0, value.find_last_not_of(' ') + 1);
    }
  }
  return "(no row " + std::to_string(index) + ")";
}

std::string CurrentProgram(const std::string& listing) {
  const size_t at = listing.find("  (current)");
  if (at == std::string::npos) return "";
  const size_t start = listing.rfind('\n', at) + 1;
  return listing.substr(start + 6, at - start - 6);
}

}  // namespace

TEST(Presets, FilterProgramAndBankSaveLoadAndSaveAgainIdentically) {
  RenderRun run;
  ASSERT_EQ(
      run.Run({"--set", "cutoff=1234", "--set", "res=0.7", "--set", "shape=band pass wide", "--set",
               "brickwall=off", "--set", "0=1", "--save-preset", "a.fxp", "--save-bank", "a.fxb"}),
      0)
      << run.Err();
  EXPECT_EQ(run.Files(), (std::vector<std::string>{"a.fxb", "a.fxp"}))
      << "saving alone renders no demo";
  EXPECT_EQ(Slurp(run.Path("a.fxp")).size(), 56u + 5 * 4) << "FxCk: header and five floats";
  EXPECT_EQ(Slurp(run.Path("a.fxb")).size(), 156u + 8 * (56 + 5 * 4)) << "FxBk of 8 programs";

  for (const char* file : {"a.fxp", "a.fxb"}) {
    const bool bank = std::strcmp(file, "a.fxb") == 0;
    ASSERT_EQ(run.Run({"--preset", file, bank ? "--save-bank" : "--save-preset",
                       bank ? "b.fxb" : "b.fxp", "--list"}),
              0)
        << run.Err();
    EXPECT_EQ(Shown(run.Out(), 0), "1") << file;
    EXPECT_EQ(Shown(run.Out(), 1), "band pass wide") << file;
    EXPECT_EQ(Shown(run.Out(), 2), "1234") << file;
    EXPECT_EQ(Shown(run.Out(), 3), "0.70") << file;
    EXPECT_EQ(Shown(run.Out(), 4), "off") << file;
    EXPECT_EQ(Slurp(run.Path(bank ? "b.fxb" : "b.fxp")), Slurp(run.Path(file)))
        << file << ": loaded and saved again, byte for byte";
  }
}

TEST(Presets, APresetSetsTheSoundOfTheRenderAndSetOptionsComeAfterIt) {
  RenderRun run;
  WriteSines(run.Path("in.wav"), 2, 0.5, kWavFloat, {{100.0, 0.3}, {5000.0, 0.3}});
  ASSERT_EQ(run.Run({"--set", "cutoff=200", "--set", "res=0.2", "--save-preset", "dark.fxp"}), 0)
      << run.Err();
  ASSERT_EQ(run.Run({"in.wav", "set.wav", "-q", "--set", "cutoff=200", "--set", "res=0.2"}), 0);
  ASSERT_EQ(run.Run({"in.wav", "preset.wav", "-q", "--preset", "dark.fxp"}), 0) << run.Err();
  const Audio set = ReadAudio(run.Path("set.wav")), preset = ReadAudio(run.Path("preset.wav"));
  ASSERT_EQ(set.samples.size(), preset.samples.size());
  EXPECT_GT(preset.Peak(0.0, 0.5), 0.05);
  EXPECT_EQ(set.samples, preset.samples) << "the preset's settings, sample for sample";

  ASSERT_EQ(run.Run({"--preset", "dark.fxp", "--set", "cutoff=3000", "--list"}), 0) << run.Err();
  EXPECT_EQ(Shown(run.Out(), 2), "3000") << "--set after the preset";
  EXPECT_EQ(Shown(run.Out(), 3), "0.20") << "the rest from the preset";
}

TEST(Presets, HandWrittenFilterProgramsAndBanksOfBothVersionsLoad) {
  RenderRun run;
  // 1000 Hz through the cutoff's shape 2.5: ((1000 - 10) / 17990)^(1 / 2.5)
  const float cutoff1000 = static_cast<float>(std::pow(990.0 / 17990.0, 0.4));
  Spit(run.Path("hand.fxp"), FilterProgram("by hand", {0.0f, 1.0f, cutoff1000, 0.5f, 0.0f}));
  ASSERT_EQ(run.Run({"--preset", "hand.fxp", "--list"}), 0) << run.Err();
  EXPECT_EQ(Shown(run.Out(), 1), "band pass narrow");
  EXPECT_EQ(Shown(run.Out(), 2), "1000");
  EXPECT_EQ(Shown(run.Out(), 4), "off");
  EXPECT_EQ(CurrentProgram(run.Out()), "by hand") << run.Out();

  const std::vector<std::vector<float>> programs = {{0.0f, 0.0f, 1.0f, 0.0f, 1.0f},
                                                    {1.0f, 0.5f, cutoff1000, 1.0f, 0.0f}};
  Spit(run.Path("v2.fxb"), FilterBank(2, 1, programs));
  ASSERT_EQ(run.Run({"--preset", "v2.fxb", "--list"}), 0) << run.Err();
  EXPECT_EQ(CurrentProgram(run.Out()), "bank 1") << "version 2 names the current program";
  EXPECT_EQ(Shown(run.Out(), 1), "band pass wide");
  EXPECT_EQ(Shown(run.Out(), 2), "1000");
  EXPECT_NE(run.Out().find("  0   bank 0\n"), std::string::npos) << run.Out();

  Spit(run.Path("v1.fxb"), FilterBank(1, 0, programs));
  ASSERT_EQ(run.Run({"--preset", "v1.fxb", "--list"}), 0) << run.Err();
  EXPECT_EQ(CurrentProgram(run.Out()), "bank 0") << "version 1: the first program";
  EXPECT_EQ(Shown(run.Out(), 2), "18000");
  EXPECT_EQ(Shown(run.Out(), 3), "0");
}

TEST(Presets, ChunkProgramsAndBanksOfAModuleWithChunksRoundTrip) {
  RenderRun run;
  ASSERT_EQ(run.Run({"-p", STUB_MODULE, "--normalized", "--set", "gain=0.25", "--save-preset",
                     "s.fxp", "--save-bank", "s.fxb"}),
            0)
      << run.Err();
  const std::vector<uint8_t> program = Slurp(run.Path("s.fxp"));
  ASSERT_EQ(program.size(), 60u + 12) << "FPCh: header, chunk size and the 12-byte chunk";
  EXPECT_EQ(std::string(program.begin() + 8, program.begin() + 12), "FPCh");
  EXPECT_EQ(std::string(program.begin() + 16, program.begin() + 20), "KStb");
  const std::vector<uint8_t> bank = Slurp(run.Path("s.fxb"));
  ASSERT_EQ(bank.size(), 160u + 72) << "FBCh: header, chunk size and the 72-byte chunk";
  EXPECT_EQ(std::string(bank.begin() + 8, bank.begin() + 12), "FBCh");

  ASSERT_EQ(run.Run({"-p", STUB_MODULE, "--list"}), 0);
  EXPECT_EQ(Shown(run.Out(), 0), "0.500000") << "a fresh instance";
  for (const char* file : {"s.fxp", "s.fxb"}) {
    const bool isBank = std::strcmp(file, "s.fxb") == 0;
    ASSERT_EQ(run.Run({"-p", STUB_MODULE, "--preset", file, "--list",
                       isBank ? "--save-bank" : "--save-preset", isBank ? "t.fxb" : "t.fxp"}),
              0)
        << run.Err();
    EXPECT_EQ(Shown(run.Out(), 0), "0.250000") << file;
    EXPECT_EQ(Slurp(run.Path(isBank ? "t.fxb" : "t.fxp")), Slurp(run.Path(file))) << file;
  }
  // A chunk the module does not take: the module refuses it and keeps its state.
  std::vector<uint8_t> spoilt = program;
  spoilt[60] ^= 0xFF;
  Spit(run.Path("spoilt.fxp"), spoilt);
  ASSERT_EQ(run.Run({"-p", STUB_MODULE, "--preset", "spoilt.fxp", "--list"}), 0) << run.Err();
  EXPECT_EQ(Shown(run.Out(), 0), "0.500000");
}

TEST(Presets, ThirdPartyModuleWithChunksRoundTrips) {
  if (!std::filesystem::exists(kChunkModule)) {
    GTEST_SKIP() << kChunkModule << " is missing (Debian package lsp-plugins-vst): no "
                 << "third-party module that keeps its state in chunks";
  }
  // The module keeps a few blocks it allocates when loaded (12 KiB, seen by LeakSanitizer in
  // the sanitized builds, also for --list alone): its own, not the host's, so leaks are not
  // looked for while it runs.
  struct QuietLeaks {
    QuietLeaks() { setenv("LSAN_OPTIONS", "detect_leaks=0", 1); }
    ~QuietLeaks() { unsetenv("LSAN_OPTIONS"); }
  } quiet;
  RenderRun run;
  ASSERT_EQ(run.Run({"-p", kChunkModule, "--normalized", "--set", "at=0.5", "--set", "scr=0.25",
                     "--save-preset", "l.fxp", "--save-bank", "l.fxb", "-q"}),
            0)
      << run.Err();
  EXPECT_EQ(Magic(run.Path("l.fxp")), "FPCh");
  ASSERT_EQ(run.Run({"-p", kChunkModule, "--list"}), 0);
  const std::string fresh = Shown(run.Out(), 18);
  for (const char* file : {"l.fxp", "l.fxb"}) {
    const bool isBank = std::strcmp(file, "l.fxb") == 0;
    ASSERT_EQ(run.Run({"-p", kChunkModule, "--preset", file, "--list",
                       isBank ? "--save-bank" : "--save-preset", isBank ? "m.fxb" : "m.fxp"}),
              0)
        << run.Err();
    EXPECT_NE(Shown(run.Out(), 18), fresh) << file << ": the attack time came from the file";
    EXPECT_NE(run.Out().find("  18  at                   "), std::string::npos);
    EXPECT_NE(run.Out().find("0.5000\n"), std::string::npos) << run.Out();
    EXPECT_EQ(Slurp(run.Path(isBank ? "m.fxb" : "m.fxp")), Slurp(run.Path(file))) << file;
  }
}

TEST(Presets, ThirdPartyModuleWithParametersRoundTrips) {
  if (!std::filesystem::exists(kParameterModule)) {
    GTEST_SKIP() << kParameterModule << " is missing (Debian package dpf-plugins-vst): no "
                 << "third-party module that keeps its state in parameters";
  }
  RenderRun run;
  ASSERT_EQ(run.Run({"-p", kParameterModule, "--set", "low=-24", "--set", "high=6", "--save-preset",
                     "e.fxp", "--save-bank", "e.fxb"}),
            0)
      << run.Err();
  EXPECT_EQ(Magic(run.Path("e.fxp")), "FxCk");
  for (const char* file : {"e.fxp", "e.fxb"}) {
    const bool isBank = std::strcmp(file, "e.fxb") == 0;
    ASSERT_EQ(run.Run({"-p", kParameterModule, "--preset", file, "--list",
                       isBank ? "--save-bank" : "--save-preset", isBank ? "f.fxb" : "f.fxp"}),
              0)
        << run.Err();
    EXPECT_EQ(Shown(run.Out(), 0), "-24.000000") << file << "\n" << run.Out();
    EXPECT_EQ(Shown(run.Out(), 2), "6.000000") << file;
    EXPECT_EQ(Slurp(run.Path(isBank ? "f.fxb" : "f.fxp")), Slurp(run.Path(file))) << file;
  }
}

TEST(Presets, ForeignDamagedAndMismatchedFilesAreRefusedAndNothingIsRendered) {
  struct Case {
    std::vector<uint8_t> bytes;
    std::string message;
  };
  const std::vector<float> five = {0.0f, 0.0f, 0.5f, 0.5f, 1.0f};
  std::vector<uint8_t> notAPreset = FilterProgram("x", five);
  std::memcpy(notAPreset.data(), "RIFF", 4);
  std::vector<uint8_t> chunkForFilter = Bytes()
                                            .Tag("CcnK")
                                            .Int(0)
                                            .Tag("FPCh")
                                            .Int(1)
                                            .Int(kFilterId)
                                            .Int(1)
                                            .Int(5)
                                            .Name("c")
                                            .Int(2)
                                            .Raw({1, 2})
                                            .Done();
  const std::vector<Case> cases = {
      {FilterProgram("x", five, 0x4B537462), "was written for the plug-in 'KStb' (0x4B537462)"},
      {notAPreset, "does not start with 'CcnK' but 'RIFF'"},
      {FilterProgram("x", {0.5f, 0.5f, 0.5f, 0.5f}),
       "holds 4 parameter values, but the plug-in has 5"},
      {FilterProgram("x", {0.0f, 0.0f, std::numeric_limits<float>::quiet_NaN(), 0.5f, 1.0f}),
       "holds nan for parameter 2"},
      {FilterProgram("x", {0.0f, 1.5f, 0.5f, 0.5f, 1.0f}), "holds 1.5 for parameter 1"},
      {FilterBank(2, 0, std::vector<std::vector<float>>(9, five)),
       "holds 9 programs, but the plug-in has 8"},
      {FilterBank(2, 2, {five, five}), "names program 2 as the current one, but holds 2"},
      {chunkForFilter, "holds a chunk, but the plug-in keeps its state in parameters"},
      {{}, "is cut short"},
  };
  for (const Case& c : cases) {
    RenderRun run;
    WriteSines(run.Path("in.wav"), 2, 0.2, kWavFloat, {{440.0, 0.3}});
    Spit(run.Path("p.fxp"), c.bytes);
    const std::vector<std::string> before = run.Files();
    EXPECT_NE(run.Run({"in.wav", "out.wav", "--preset", "p.fxp"}), 0) << c.message;
    EXPECT_EQ(run.Err().rfind("korvane-render: preset p.fxp", 0), 0u) << run.Err();
    EXPECT_NE(run.Err().find(c.message), std::string::npos) << c.message << ": " << run.Err();
    EXPECT_EQ(std::count(run.Err().begin(), run.Err().end(), '\n'), 1) << run.Err();
    EXPECT_EQ(run.Files(), before) << c.message << ": nothing rendered";
  }

  RenderRun run;
  Spit(run.Path("foreign.fxp"), FilterProgram("x", {0.0f, 0.5f, 0.5f, 0.5f, 1.0f}, 0x4B537462));
  ASSERT_EQ(run.Run({"--preset", "foreign.fxp", "--force-preset", "--list"}), 0) << run.Err();
  EXPECT_EQ(Shown(run.Out(), 1), "band pass wide") << "--force-preset loads it all the same";
  EXPECT_NE(run.Run({"--save-preset", "nofolder/a.fxp"}), 0);
  EXPECT_NE(run.Err().find("cannot write nofolder/a.fxp: No such file or directory"),
            std::string::npos)
      << run.Err();
  EXPECT_NE(run.Run({"--preset", "missing.fxp", "--list"}), 0);
  EXPECT_NE(run.Err().find("preset missing.fxp does not exist"), std::string::npos) << run.Err();
}

TEST(Presets, EveryPrefixOfAProgramIsRefusedByTheTool) {
  RenderRun run;
  const std::vector<uint8_t> whole = FilterProgram("whole", {0.0f, 0.5f, 0.5f, 0.5f, 1.0f});
  for (size_t n = 0; n < whole.size(); ++n) {
    Spit(run.Path("cut.fxp"),
         std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(n)));
    EXPECT_EQ(run.Run({"--preset", "cut.fxp", "--list"}), 1) << n << " bytes";
    EXPECT_NE(run.Err().find("is cut short"), std::string::npos) << n << " bytes: " << run.Err();
  }
  Spit(run.Path("cut.fxp"), whole);
  EXPECT_EQ(run.Run({"--preset", "cut.fxp", "--list"}), 0) << run.Err();
}

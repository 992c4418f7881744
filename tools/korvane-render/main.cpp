// korvane-render: renders audio files through a VST 2 plug-in, driving it only through its
// binary interface as a DAW does. Without an input file it renders the built-in demo.
//
//   korvane-render [INPUT OUTPUT] [--plugin PATH] [--preset FILE] [--set NAME=VALUE]...
//                  [--cc C=V@S]... [--save-preset FILE.fxp] [--save-bank FILE.fxb]
//   korvane-render --response FILE.png [--plugin PATH] [--preset FILE] [--set NAME=VALUE]...
#include <sndfile.h>

#include <CLI/CLI.hpp>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "raster/PngWriter.h"
#include "tools/korvane-render/AudioReader.h"
#include "tools/korvane-render/AudioWriter.h"
#include "tools/korvane-render/DemoSignal.h"
#include "tools/korvane-render/MemorySource.h"
#include "tools/korvane-render/MidiSchedule.h"
#include "tools/korvane-render/OutputFormat.h"
#include "tools/korvane-render/ParameterResolver.h"
#include "tools/korvane-render/PresetTransfer.h"
#include "tools/korvane-render/ProgressBar.h"
#include "tools/korvane-render/RenderError.h"
#include "tools/korvane-render/Renderer.h"
#include "tools/korvane-render/Report.h"
#include "tools/korvane-render/ResponseMeter.h"
#include "tools/korvane-render/ResponsePlot.h"
#include "tools/korvane-render/VstHost.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kDemoOutput = "out/demo.wav";
constexpr int kMaxBlock = 65536;
constexpr double kMaxTail = 3600.0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNonFinite = 3;
constexpr double kMinResponseRate = 8000.0;
constexpr double kMaxResponseRate = 384000.0;
constexpr int kExitInterrupted = 130;

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) {
  gInterrupted = 1;
}

struct Options {
  std::string input;
  std::string output;
  std::string plugin;
  int block = 512;
  bool useDouble = false;
  double tail = 0.0;
  std::vector<std::string> sets;
  bool normalized = false;
  std::vector<std::string> ccs;
  std::string midiFile;
  std::string format;
  std::string automationLog;
  bool list = false;
  bool quiet = false;
  std::string preset;
  bool forcePreset = false;
  std::string savePreset;
  std::string saveBank;
  std::string response;
  double responseRate = 44100.0;
  bool allowNonFinite = false;
};

// The plug-in beside this program (where the build leaves both), else where the install that
// put this program in place put the module (KORVANE_MODULE_FROM_BINDIR: the module's directory
// relative to the program's).
std::string DefaultPlugin() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) return "KorvaneFilter.so";
  const fs::path beside = self.parent_path() / "KorvaneFilter.so";
  const fs::path installed =
      (self.parent_path() / KORVANE_MODULE_FROM_BINDIR / "KorvaneFilter.so").lexically_normal();
  return (fs::exists(beside, error) || !fs::exists(installed, error) ? beside : installed).string();
}

// "out/demo.wav" -> "out/demo-dry.wav"
std::string DryPath(const std::string& output) {
  const fs::path p(output);
  return (p.parent_path() / (p.stem().string() + "-dry" + p.extension().string())).string();
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return fs::exists(b, error) && fs::equivalent(a, b, error);
}

// --preset, then every --set, then --save-preset and --save-bank of what the plug-in now holds.
// Returns the settings as the plug-in shows them: "cutoff frequency = 1000 Hz".
std::vector<std::string> Configure(const Options& o, VstHost& host) {
  PresetTransfer presets(host);
  if (!o.preset.empty()) presets.Load(o.preset, o.forcePreset);
  ParameterResolver resolver(host);
  for (const std::string& assignment : o.sets) {
    const ParameterResolver::Setting s = resolver.Resolve(assignment, o.normalized);
    host.SetParameter(s.index, s.normalized);
  }
  std::vector<std::string> settings;
  for (const std::string& assignment : o.sets) {
    const int index = resolver.ResolveName(assignment.substr(0, assignment.find('=')));
    const std::string label = host.ParamLabel(index);
    settings.push_back(host.ParamName(index) + " = " + host.ParamDisplay(index) +
                       (label.empty() ? "" : " " + label));
  }
  if (!o.savePreset.empty()) presets.SaveProgram(o.savePreset);
  if (!o.saveBank.empty()) presets.SaveBank(o.saveBank);
  return settings;
}

// "the plug-in returned 3 non-finite samples (NaN or infinity), the first at frame 1000 ..."
std::string NonFiniteText(int64_t count, int64_t frame, double rate, int channel) {
  char where[96];
  std::snprintf(where, sizeof where, "frame %lld (%.3f s)", static_cast<long long>(frame),
                static_cast<double>(frame) / rate);
  return "the plug-in returned " + std::to_string(count) + " non-finite sample" +
         (count == 1 ? "" : "s") + " (NaN or infinity), the first at " + where +
         (channel >= 0 ? " in channel " + std::to_string(channel + 1) : "") + "; written as 0";
}

// Non-finite output is an error unless --allow-nonfinite makes it a warning.
int ReportNonFinite(const Options& o, const std::string& text) {
  if (o.allowNonFinite) {
    if (!o.quiet) std::fprintf(stderr, "korvane-render: warning: %s\n", text.c_str());
    return 0;
  }
  std::fprintf(stderr, "korvane-render: %s (--allow-nonfinite accepts that)\n", text.c_str());
  return kExitNonFinite;
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
  std::string s;
  for (const std::string& p : parts) s += (s.empty() ? "" : separator) + p;
  return s;
}

// The magnitude response at the settings made, drawn into o.response.
int DrawResponse(const Options& o, VstHost& host, const std::vector<std::string>& settings) {
  ResponseMeter meter(host, o.responseRate, o.block);
  const std::vector<ResponseMeter::Point> points = meter.Measure();
  std::vector<std::string> described;
  if (!o.preset.empty()) described.push_back("preset " + fs::path(o.preset).filename().string());
  described.insert(described.end(), settings.begin(), settings.end());
  char rate[48];
  std::snprintf(rate, sizeof rate, "measured at %.0f Hz", o.responseRate);
  described.push_back(rate);
  const std::string name = host.EffectName();
  ResponsePlot plot(
      o.responseRate,
      (name.empty() ? fs::path(host.Path()).filename().string() : name) + ": magnitude response",
      Joined(described, ", "));
  std::string error;
  if (!PngWriter::Write(o.response, *plot.Draw(points), error)) throw RenderError(error);
  if (!o.quiet) {
    const auto peak = std::max_element(points.begin(), points.end(),
                                       [](const auto& a, const auto& b) { return a.db < b.db; });
    std::printf("plug-in      %s\n", name.c_str());
    for (const std::string& s : settings) std::printf("set          %s\n", s.c_str());
    std::printf("response     %s (%zu frequencies from %.0f to %.0f Hz at %.0f Hz)\n",
                o.response.c_str(), points.size(), points.front().hz, points.back().hz,
                o.responseRate);
    std::printf("peak         %+.1f dB at %.0f Hz\n", peak->db, peak->hz);
  }
  if (meter.NonFinite() > 0) {
    return ReportNonFinite(
        o, NonFiniteText(meter.NonFinite(), meter.FirstNonFiniteFrame(), o.responseRate, -1) +
               " while measuring the response");
  }
  return 0;
}

int Run(const Options& o) {
  if (o.block < 1 || o.block > kMaxBlock) {
    throw RenderError("--block must be 1.." + std::to_string(kMaxBlock));
  }
  if (!std::isfinite(o.tail) || o.tail < 0.0 || o.tail > kMaxTail) {
    throw RenderError("--tail must be 0.." + std::to_string(static_cast<int>(kMaxTail)) +
                      " seconds");
  }
  if (!std::isfinite(o.responseRate) || o.responseRate < kMinResponseRate ||
      o.responseRate > kMaxResponseRate) {
    throw RenderError("--response-rate must be " +
                      std::to_string(static_cast<int>(kMinResponseRate)) + ".." +
                      std::to_string(static_cast<int>(kMaxResponseRate)) + " Hz");
  }
  // Without an input file the demo is rendered, unless only presets or a plot were asked for.
  const bool onlyPresets =
      o.input.empty() && !o.list && (!o.savePreset.empty() || !o.saveBank.empty());
  if (!o.response.empty() || onlyPresets) {
    VstHost host;
    host.Load(o.plugin.empty() ? DefaultPlugin() : o.plugin);
    const std::vector<std::string> settings = Configure(o, host);
    if (o.list) Report::PrintListing(stdout, host);
    return o.response.empty() ? 0 : DrawResponse(o, host, settings);
  }

  const bool demo = o.input.empty();
  if (!demo && o.output.empty() && !o.list) {
    throw RenderError("no output file: give one after the input, or with --output");
  }

  // Everything that can be refused is checked before any file is written.
  std::unique_ptr<AudioReader> reader;
  std::vector<double> demoSamples;
  std::unique_ptr<AudioSource> demoSource;
  AudioSource* source = nullptr;
  int inputFormat = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  MidiSchedule midi;
  if (demo) {
    demoSamples = DemoSignal::Generate();
    demoSource =
        std::make_unique<MemorySource>(demoSamples, DemoSignal::kChannels, DemoSignal::kSampleRate);
    source = demoSource.get();
    DemoSignal::AddControllers(midi);
  } else {
    reader = std::make_unique<AudioReader>(o.input);
    source = reader.get();
    inputFormat = reader->Format();
  }
  for (const std::string& cc : o.ccs) midi.AddControlChange(cc);
  if (!o.midiFile.empty()) midi.AddControlChangesFromFile(o.midiFile);
  const int channels = source->Channels();
  const double rate = source->SampleRate();

  VstHost host;
  host.Load(o.plugin.empty() ? DefaultPlugin() : o.plugin);
  // Presets and parameters go in before the sample rate: the plug-in's reset on the rate lets
  // any smoothing settle, so the render starts at the values asked for.
  const std::vector<std::string> settings = Configure(o, host);
  if (o.list) {
    Report::PrintListing(stdout, host);
    return 0;
  }

  const std::string output = o.output.empty() ? kDemoOutput : o.output;
  if (!demo && SameFile(o.input, output)) {
    throw RenderError("the output " + output + " is the input file; choose another name");
  }
  const int format =
      OutputFormat::Choose(output, inputFormat, o.format, channels, static_cast<int>(rate));
  host.Start(rate, o.block, channels, o.useDouble);

  if (demo && o.output.empty()) fs::create_directories(fs::path(kDemoOutput).parent_path());
  std::unique_ptr<AudioWriter> dryWriter;
  if (demo) {
    dryWriter =
        std::make_unique<AudioWriter>(DryPath(output), format, channels, static_cast<int>(rate));
    dryWriter->Write(demoSamples.data(), source->Frames());
  }
  AudioWriter writer(output, format, channels, static_cast<int>(rate));
  Renderer renderer(host, midi, o.block, o.useDouble);
  ProgressBar progress(!o.quiet);
  const RenderResult result = renderer.Run(
      *source, writer, static_cast<int64_t>(std::llround(o.tail * rate)), &progress, &gInterrupted);
  host.Stop();
  if (!o.automationLog.empty()) Report::WriteAutomationLog(o.automationLog, host, rate);
  if (dryWriter) dryWriter->Commit();
  writer.Commit();

  if (!o.quiet) {
    Report::Facts facts;
    facts.input = demo
                      ? "built-in demo (" + std::to_string(static_cast<int>(DemoSignal::kSeconds)) +
                            " s sawtooth chord, filter played by controllers 74, 71, 111)"
                      : o.input + " (" + OutputFormat::Describe(inputFormat) + ")";
    facts.output = output + " (" + OutputFormat::Describe(format) + ")";
    if (demo) facts.dryOutput.push_back(DryPath(output));
    facts.settings = settings;
    facts.channels = channels;
    facts.sampleRate = rate;
    facts.blockSize = o.block;
    facts.useDouble = o.useDouble;
    facts.midiSent = midi.Sent();
    facts.midiScheduled = midi.Size();
    Report::PrintSummary(stdout, host, facts, result);
  }
  if (result.nonFinite > 0) {
    return ReportNonFinite(o, NonFiniteText(result.nonFinite, result.firstNonFiniteFrame, rate,
                                            result.firstNonFiniteChannel));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  CLI::App app{
      "Renders audio through a VST 2 plug-in, driving it as a DAW does. Without an input file "
      "it renders the built-in demo into out/demo-dry.wav and out/demo.wav.",
      "korvane-render"};
  app.add_option("INPUT", o.input,
                 "Audio file to render (WAV, FLAC, AIFF, Ogg, ...); none: the built-in demo");
  CLI::Option* outputArgument = app.add_option("OUTPUT", o.output, "Where the result goes");
  app.add_option("-o,--output", o.output, "Where the result goes (instead of OUTPUT)")
      ->excludes(outputArgument);
  app.add_option("-p,--plugin", o.plugin,
                 "VST 2 module (default: KorvaneFilter.so beside this program, or where it was "
                 "installed with it)");
  app.add_option("-b,--block", o.block, "Block size in frames (default 512)");
  app.add_flag("--double", o.useDouble, "Process in double precision (processDoubleReplacing)");
  app.add_option("--tail", o.tail,
                 "Seconds of silence rendered after the input, to let it ring out");
  app.add_option("--set", o.sets,
                 "Set a parameter: NAME (name, unique prefix or index) = VALUE (display text, "
                 "number in the parameter's units, or N%)")
      ->type_name("NAME=VALUE")
      ->allow_extra_args(false);
  app.add_flag("--normalized", o.normalized, "--set values are normalised values 0..1");
  app.add_option("--cc", o.ccs, "Send a MIDI control change at a time, e.g. 74=64@0.5")
      ->type_name("CONTROLLER=VALUE@SECONDS")
      ->allow_extra_args(false);
  app.add_option("--midi", o.midiFile, "Send the control changes of a standard MIDI file")
      ->type_name("FILE.mid");
  app.add_option("--format", o.format,
                 "Output format: container and/or sample format, e.g. "
                 "flac, float, wav,pcm24 (" +
                     OutputFormat::Choices() + ")");
  app.add_option("--automation", o.automationLog,
                 "Write the automation the plug-in reported as CSV (frame of its block)")
      ->type_name("FILE.csv");
  app.add_option("--preset", o.preset,
                 "Load a program (.fxp) or bank (.fxb) into the plug-in first, before --set")
      ->type_name("FILE");
  app.add_flag("--force-preset", o.forcePreset,
               "Load a --preset written for another plug-in ID, or a chunk the plug-in does not "
               "announce");
  app.add_option("--save-preset", o.savePreset,
                 "Write the plug-in's current program, after --preset and --set (a chunk for "
                 "plug-ins that keep chunks, else the parameter values)")
      ->type_name("FILE.fxp");
  app.add_option("--save-bank", o.saveBank,
                 "Write all the plug-in's programs as a bank, after --preset and --set")
      ->type_name("FILE.fxb");
  CLI::Option* response =
      app.add_option("--response", o.response,
                     "Instead of rendering, measure the plug-in's small-signal magnitude response "
                     "at its settings from 10 Hz to Nyquist and draw it as a plot")
          ->type_name("FILE.png");
  app.add_option("--response-rate", o.responseRate,
                 "Sample rate the response is measured at (default 44100)")
      ->type_name("HZ");
  response->excludes(app.get_option("INPUT"))
      ->excludes(app.get_option("--cc"))
      ->excludes(app.get_option("--midi"));
  app.add_flag("--allow-nonfinite", o.allowNonFinite,
               "Only warn when the plug-in returns NaN or infinite samples; they are written as "
               "0 either way, and without this flag the exit status is 3");
  app.add_flag("--list", o.list, "Print the plug-in's parameters and programs, and exit");
  app.add_flag("-q,--quiet", o.quiet, "Print nothing but errors");
  app.footer(
      "Exit status: 0 done, 1 failed (the message says why), 2 a wrong command line, 3 the "
      "plug-in returned NaN or infinite samples (written as 0; see --allow-nonfinite), 130 "
      "interrupted.");
  app.set_version_flag("--version", "korvane-render 1.0.0");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);
    std::fprintf(stderr, "korvane-render: %s (see --help)\n", e.what());
    return kExitUsage;
  }

  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  try {
    return Run(o);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "korvane-render: %s\n", e.what());
    return gInterrupted ? kExitInterrupted : kExitFailure;
  }
}

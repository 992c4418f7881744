// korvane-render: renders audio files through a VST 2 plug-in, driving it only through its
// binary interface as a DAW does. Without an input file it renders the built-in demo.
//
//   korvane-render [INPUT OUTPUT] [--plugin PATH] [--set NAME=VALUE]... [--cc C=V@S]...
#include <sndfile.h>

#include <CLI/CLI.hpp>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "tools/korvane-render/AudioReader.h"
#include "tools/korvane-render/AudioWriter.h"
#include "tools/korvane-render/DemoSignal.h"
#include "tools/korvane-render/MemorySource.h"
#include "tools/korvane-render/MidiSchedule.h"
#include "tools/korvane-render/OutputFormat.h"
#include "tools/korvane-render/ParameterResolver.h"
#include "tools/korvane-render/ProgressBar.h"
#include "tools/korvane-render/RenderError.h"
#include "tools/korvane-render/Renderer.h"
#include "tools/korvane-render/Report.h"
#include "tools/korvane-render/VstHost.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kDemoOutput = "out/demo.wav";
constexpr int kMaxBlock = 65536;
constexpr double kMaxTail = 3600.0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
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
};

// The plug-in built beside this program.
std::string DefaultPlugin() {
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return (error ? fs::path("KorvaneFilter.so") : self.parent_path() / "KorvaneFilter.so").string();
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

int Run(const Options& o) {
  if (o.block < 1 || o.block > kMaxBlock) {
    throw RenderError("--block must be 1.." + std::to_string(kMaxBlock));
  }
  if (!std::isfinite(o.tail) || o.tail < 0.0 || o.tail > kMaxTail) {
    throw RenderError("--tail must be 0.." + std::to_string(static_cast<int>(kMaxTail)) +
                      " seconds");
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
  // Parameters go in before the sample rate: the plug-in's reset on the rate lets any
  // smoothing settle, so the render starts at the values asked for.
  ParameterResolver resolver(host);
  std::vector<std::string> settings;
  for (const std::string& assignment : o.sets) {
    const ParameterResolver::Setting s = resolver.Resolve(assignment, o.normalized);
    host.SetParameter(s.index, s.normalized);
  }
  for (const std::string& assignment : o.sets) {
    const int index = resolver.ResolveName(assignment.substr(0, assignment.find('=')));
    const std::string label = host.ParamLabel(index);
    settings.push_back(host.ParamName(index) + " = " + host.ParamDisplay(index) +
                       (label.empty() ? "" : " " + label));
  }
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
                 "VST 2 module (default: KorvaneFilter.so beside this program)");
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
  app.add_flag("--list", o.list, "Print the plug-in's parameters and programs, and exit");
  app.add_flag("-q,--quiet", o.quiet, "Print nothing but errors");
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

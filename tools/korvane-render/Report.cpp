#include "tools/korvane-render/Report.h"

#include <cmath>
#include <fstream>
#include <map>

#include "tools/korvane-render/RenderError.h"
#include "tools/korvane-render/VstHost.h"

namespace Report {

namespace {

std::string FourCC(int32_t id) {
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((static_cast<uint32_t>(id) >> shift) & 0xFF);
    s += (c >= 32 && c < 127) ? c : '?';
  }
  return s;
}

std::string Level(double dbfs) {
  if (std::isinf(dbfs) && dbfs < 0) return "-inf";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", dbfs);
  return text;
}

std::string Name(VstHost& host, int index) {
  const std::string name = host.ParamName(index);
  return name.empty() ? "parameter " + std::to_string(index) : name;
}

}  // namespace

void PrintListing(std::FILE* out, VstHost& host) {
  AEffect* e = host.Effect();
  std::fprintf(out, "plug-in      %s\n", host.Path().c_str());
  std::fprintf(out, "effect       %s\n", host.EffectName().c_str());
  std::fprintf(out, "vendor       %s\n", host.VendorName().c_str());
  std::fprintf(out, "product      %s\n", host.ProductName().c_str());
  std::fprintf(out, "unique ID    '%s' (0x%08X), version %d\n", FourCC(e->uniqueID).c_str(),
               static_cast<unsigned>(e->uniqueID), e->version);
  std::fprintf(out, "channels     %d in, %d out%s\n", e->numInputs, e->numOutputs,
               host.CanProcessDouble() ? ", single or double precision" : "");
  std::fprintf(out, "MIDI         %s\n", host.WantsMidi() ? "received" : "not received");
  std::fprintf(out, "parameters   %d\n", host.NumParams());
  std::fprintf(out, "  %-3s %-20s %-20s %-6s %s\n", "#", "name", "value", "label", "normalised");
  for (int i = 0; i < host.NumParams(); ++i) {
    std::fprintf(out, "  %-3d %-20s %-20s %-6s %.4f\n", i, host.ParamName(i).c_str(),
                 host.ParamDisplay(i).c_str(), host.ParamLabel(i).c_str(),
                 static_cast<double>(host.GetParameter(i)));
  }
  const int current = host.CurrentProgram();
  std::fprintf(out, "programs     %d\n", host.NumPrograms());
  for (int i = 0; i < host.NumPrograms(); ++i) {
    const std::string name = host.ProgramName(i);
    std::fprintf(out, "  %-3d %s%s\n", i, name.empty() ? "(no name)" : name.c_str(),
                 i == current ? "  (current)" : "");
  }
}

void PrintSummary(std::FILE* out, VstHost& host, const Facts& facts, const RenderResult& result) {
  std::fprintf(out, "plug-in      %s\n", host.EffectName().c_str());
  std::fprintf(out, "input        %s\n", facts.input.c_str());
  std::fprintf(out, "output       %s\n", facts.output.c_str());
  for (const std::string& dry : facts.dryOutput)
    std::fprintf(out, "dry signal   %s\n", dry.c_str());
  for (const std::string& s : facts.settings) std::fprintf(out, "set          %s\n", s.c_str());
  std::fprintf(out, "frames       %lld (%.3f s at %.0f Hz, %d channel%s)\n",
               static_cast<long long>(result.frames), result.seconds, facts.sampleRate,
               facts.channels, facts.channels == 1 ? "" : "s");
  std::fprintf(out, "processing   blocks of %d, %s precision\n", facts.blockSize,
               facts.useDouble ? "double" : "single");
  std::fprintf(out, "peak         in %s dBFS, out %s dBFS\n",
               Level(result.input.PeakDbfs()).c_str(), Level(result.output.PeakDbfs()).c_str());
  std::fprintf(out, "RMS          in %s dBFS, out %s dBFS\n", Level(result.input.RmsDbfs()).c_str(),
               Level(result.output.RmsDbfs()).c_str());
  std::fprintf(out, "MIDI         %zu sent", facts.midiSent);
  if (facts.midiSent < facts.midiScheduled) {
    std::fprintf(out, " (%zu after the end, not sent)", facts.midiScheduled - facts.midiSent);
  }
  std::fprintf(out, ", %lld returned by the plug-in\n",
               static_cast<long long>(host.MidiEventsReturned()));

  const auto& log = host.AutomationLog();
  std::map<int, std::pair<size_t, int64_t>> perParameter;  // count, first frame
  for (const VstHost::Automation& a : log) {
    auto it = perParameter.find(a.index);
    if (it == perParameter.end()) {
      perParameter[a.index] = {1, a.frame};
    } else {
      ++it->second.first;
    }
  }
  std::fprintf(out, "automation   %zu received", log.size());
  for (const auto& [index, entry] : perParameter) {
    std::fprintf(out, "%s %s %zux from %.3f s", index == perParameter.begin()->first ? ":" : ",",
                 Name(host, index).c_str(), entry.first,
                 static_cast<double>(entry.second) / facts.sampleRate);
  }
  std::fprintf(out, "\n");
  const double factor =
      result.processingSeconds > 0.0 ? result.seconds / result.processingSeconds : 0.0;
  std::fprintf(out, "time         %.3f s in the plug-in\n", result.processingSeconds);
  std::fprintf(out, "real-time factor %.1f (seconds of audio per second of processing)\n", factor);
}

void WriteAutomationLog(const std::string& path, const VstHost& host, double sampleRate) {
  std::ofstream file(path);
  file << "frame,seconds,parameter,value\n";
  char line[96];
  for (const VstHost::Automation& a : host.AutomationLog()) {
    std::snprintf(line, sizeof line, "%lld,%.6f,%d,%.6f\n", static_cast<long long>(a.frame),
                  static_cast<double>(a.frame) / sampleRate, a.index, static_cast<double>(a.value));
    file << line;
  }
  file.close();
  if (!file) throw RenderError("cannot write the automation log " + path);
}

}  // namespace Report

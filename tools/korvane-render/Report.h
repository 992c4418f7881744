#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "tools/korvane-render/Renderer.h"

class VstHost;

/// What a person reads: the plug-in's listing and the summary after a render.
namespace Report {

/// The plug-in's identity, channels, every parameter with its display text, label and
/// normalised value, and the programs.
void PrintListing(std::FILE* out, VstHost& host);

struct Facts {
  std::string input;   // file name and format, or the demo
  std::string output;  // file name and format
  std::vector<std::string> dryOutput;
  std::vector<std::string> settings;  // "cutoff frequency = 1000 Hz"
  int channels = 0;
  double sampleRate = 0.0;
  int blockSize = 0;
  bool useDouble = false;
  size_t midiSent = 0;
  size_t midiScheduled = 0;
};

/// The summary: frames, duration, sample rate, peak and RMS in and out, MIDI, automation,
/// processing time and real-time factor.
void PrintSummary(std::FILE* out, VstHost& host, const Facts& facts, const RenderResult& result);

/// Every automation the plug-in reported, as CSV: frame,seconds,parameter,value.
void WriteAutomationLog(const std::string& path, const VstHost& host, double sampleRate);

}  // namespace Report

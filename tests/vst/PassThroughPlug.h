#pragma once

#include <string>
#include <vector>

#include "vst/BraxVST.h"

/// A plug-in on the adapter that keeps the base's pass-through processing and records the
/// hooks the adapter calls, for testing the adapter without a product's DSP.
class PassThroughPlug : public BraxVST {
 public:
  explicit PassThroughPlug(audioMasterCallback host, const char* io = "1-1 2-2",
                           bool doesMidi = true)
      : BraxVST(host, 3, io, 4, "Pass", "", "Test", 0x10000, 0x50617373, 0, 0, doesMidi, false,
                false) {
    GetParam(1)->DefineEnum("mode", 0, 3);
    GetParam(2)->DefineDouble("gain", 0.5, 0.0, 1.0, 0.01, "dB");
  }
  std::vector<std::string> log;
  std::vector<int> framesSeen;
  bool record = true;  // benchmarks switch recording off

  void Reset() override { log.push_back("Reset"); }
  void OnActivate(bool active) override { log.push_back(active ? "Activate" : "Deactivate"); }
  void OnParamChange(int i) override {
    log.push_back("OnParamChange " + std::to_string(i) + " " +
                  std::to_string(GetParam(i)->Value()));
  }
  void ProcessDoubleReplacing(double** in, double** out, int n) override {
    if (record) framesSeen.push_back(n);
    BraxVST::ProcessDoubleReplacing(in, out, n);
  }

  static PassThroughPlug* From(AEffect* e) { return static_cast<PassThroughPlug*>(e->object); }
};

/// Entry points creating PassThroughPlug instances, as a module would.
AEffect* VSTCALLBACK PassThroughMain(audioMasterCallback host);
AEffect* VSTCALLBACK PassThroughNoMidiMain(audioMasterCallback host);
AEffect* VSTCALLBACK PassThroughWideMain(audioMasterCallback host);  // "2-2 4-4"

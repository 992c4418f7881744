// A small VST 2 module with one deliberate fault, chosen by FAULT: each of the validator's
// fault classes must be seen to fail on one of these, and the faultless build (FAULT 0) must
// pass every test. Two parameters, two programs, stereo, bank and program chunks of the two
// parameters' values.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <thread>

#include "vst/VstAbi.h"

#define FAULT_NONE 0
#define FAULT_CRASH_IN_OPEN 1
#define FAULT_NAN_OUTPUT 2
#define FAULT_AUTOMATE_ABOVE_ONE 3
#define FAULT_UNTERMINATED_NAME 4
#define FAULT_CHUNK_IGNORED 5
#define FAULT_ALLOCATES_IN_PROCESS 6
#define FAULT_HANGS_IN_PROCESS 7
#define FAULT_PARAMETER_OUT_OF_RANGE 8
#define FAULT_END_EDIT_WITHOUT_BEGIN 9

namespace {

constexpr int kParams = 2;
constexpr int kPrograms = 2;

struct Plugin {
  AEffect effect{};
  audioMasterCallback host = nullptr;
  // Set and read from the host's threads while audio runs: atomics, as a real module's would be.
  std::atomic<float> params[kParams] = {0.5f, 0.25f};
  std::atomic<int> program{0};
  float chunk[kParams] = {};
};

Plugin* Of(AEffect* effect) {
  return static_cast<Plugin*>(effect->object);
}

void CopyText(void* ptr, const char* text, size_t size) {
  std::strncpy(static_cast<char*>(ptr), text, size - 1);
  static_cast<char*>(ptr)[size - 1] = '\0';
}

float Clamp(float value) {
  if (!(value >= 0.0f)) return 0.0f;  // NaN and below
  return value > 1.0f ? 1.0f : value;
}

VstIntPtr Dispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                     float) {
  Plugin* plugin = Of(effect);
  switch (opcode) {
    case effOpen:
#if FAULT == FAULT_CRASH_IN_OPEN
      std::raise(SIGSEGV);
#endif
      return 0;
    case effClose:
      delete plugin;
      return 0;
    case effSetProgram:
      if (value >= 0 && value < kPrograms) plugin->program = static_cast<int>(value);
      return 0;
    case effGetProgram:
      return plugin->program;
    case effGetProgramName:
      CopyText(ptr, plugin->program == 0 ? "First" : "Second", kVstMaxProgNameLen);
      return 0;
    case effGetProgramNameIndexed:
      if (index < 0 || index >= kPrograms) return 0;
      CopyText(ptr, index == 0 ? "First" : "Second", kVstMaxProgNameLen);
      return 1;
    case effGetParamName:
      if (index < 0 || index >= kParams) return 0;
#if FAULT == FAULT_UNTERMINATED_NAME
      std::memset(ptr, 'A', 256);
#else
      CopyText(ptr, index == 0 ? "Gain" : "Mix", kVstMaxParamStrLen);
#endif
      return 0;
    case effGetParamLabel:
      CopyText(ptr, "", kVstMaxParamStrLen);
      return 0;
    case effGetParamDisplay:
      if (index < 0 || index >= kParams) return 0;
      CopyText(ptr, plugin->params[index] < 0.5f ? "low" : "high", kVstMaxParamStrLen);
      return 0;
    case effGetEffectName:
      CopyText(ptr, "Faulty", kVstMaxEffectNameLen);
      return 1;
    case effGetVendorString:
      CopyText(ptr, "Korvane tests", kVstMaxVendorStrLen);
      return 1;
    case effGetProductString:
      CopyText(ptr, "Faulty", kVstMaxProductStrLen);
      return 1;
    case effGetPlugCategory:
      return kPlugCategEffect;
    case effGetVstVersion:
      return kVstVersion;
    case effGetChunk: {
      for (int i = 0; i < kParams; ++i) plugin->chunk[i] = plugin->params[i].load();
      *static_cast<void**>(ptr) = plugin->chunk;
      return sizeof plugin->chunk;
    }
    case effSetChunk: {
#if FAULT != FAULT_CHUNK_IGNORED
      if (value != sizeof plugin->chunk || !ptr) return 0;
      float values[kParams];
      std::memcpy(values, ptr, sizeof values);
      for (int i = 0; i < kParams; ++i) plugin->params[i] = Clamp(values[i]);
#endif
      return 1;
    }
    default:
      return 0;
  }
}

void SetParameter(AEffect* effect, VstInt32 index, float value) {
  Plugin* plugin = Of(effect);
  if (index < 0 || index >= kParams) return;
#if FAULT == FAULT_PARAMETER_OUT_OF_RANGE
  plugin->params[index] = value;
#else
  plugin->params[index] = Clamp(value);
#endif
#if FAULT == FAULT_AUTOMATE_ABOVE_ONE
  plugin->host(effect, audioMasterAutomate, index, 0, nullptr, 1.0f + plugin->params[index]);
#endif
#if FAULT == FAULT_END_EDIT_WITHOUT_BEGIN
  plugin->host(effect, audioMasterEndEdit, index, 0, nullptr, 0.0f);
#endif
}

float GetParameter(AEffect* effect, VstInt32 index) {
  return index >= 0 && index < kParams ? Of(effect)->params[index].load() : 0.0f;
}

template <typename T>
void Run(AEffect* effect, T** in, T** out, VstInt32 frames, bool accumulate) {
  const float gain = Of(effect)->params[0] * 2.0f;
#if FAULT == FAULT_ALLOCATES_IN_PROCESS
  void* volatile scratch = std::malloc(static_cast<size_t>(frames) * sizeof(T) + 1);
  std::free(scratch);
#endif
#if FAULT == FAULT_HANGS_IN_PROCESS
  for (;;) std::this_thread::sleep_for(std::chrono::milliseconds(10));
#endif
  for (int c = 0; c < 2; ++c) {
    for (VstInt32 i = 0; i < frames; ++i) {
      T sample = in[c][i] * static_cast<T>(gain);
#if FAULT == FAULT_NAN_OUTPUT
      if (i == frames / 2) sample = std::numeric_limits<T>::quiet_NaN();
#endif
      out[c][i] = accumulate ? out[c][i] + sample : sample;
    }
  }
}

void Process(AEffect* effect, float** in, float** out, VstInt32 frames) {
  Run(effect, in, out, frames, true);
}
void ProcessReplacing(AEffect* effect, float** in, float** out, VstInt32 frames) {
  Run(effect, in, out, frames, false);
}
void ProcessDouble(AEffect* effect, double** in, double** out, VstInt32 frames) {
  Run(effect, in, out, frames, false);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host) {
  if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
  Plugin* plugin = new Plugin;
  plugin->host = host;
  AEffect& e = plugin->effect;
  e.magic = kEffectMagic;
  e.dispatcher = Dispatcher;
  e.process = Process;
  e.setParameter = SetParameter;
  e.getParameter = GetParameter;
  e.numPrograms = kPrograms;
  e.numParams = kParams;
  e.numInputs = 2;
  e.numOutputs = 2;
  e.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing | effFlagsProgramChunks;
  e.ioRatio = 1.0f;
  e.object = plugin;
  e.uniqueID = 0x4b667479;  // 'Kfty'
  e.version = 1000;
  e.processReplacing = ProcessReplacing;
  e.processDoubleReplacing = ProcessDouble;
  return &e;
}

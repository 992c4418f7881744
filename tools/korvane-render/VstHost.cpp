#include "tools/korvane-render/VstHost.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

#include "tools/korvane-render/RenderError.h"

namespace {

// The thread that created the instance; calls from other threads get answers but never touch
// the recorders, which the render thread reads without a lock.
std::thread::id gHostThread;

// Large enough for every string opcode: hosts customarily pass 256 bytes (see vst2-abi notes).
constexpr size_t kTextBuffer = 256;
constexpr VstIntPtr kVendorDisplayAnswer = 0xBEEF;
constexpr uint64_t kCockosExtensionsAnswer = 0xBEEF0000u;
// Largest chunk copied from a plug-in: far beyond any real state, short of exhausting memory.
constexpr VstIntPtr kMaxChunkBytes = VstIntPtr{1} << 30;

}  // namespace

VstHost::~VstHost() {
  if (!mEffect) return;
  if (mRunning) Stop();
  Dispatch(effClose);
  mEffect = nullptr;
  // mModule unloads the module after this body: the instance is gone by then.
}

void VstHost::Load(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) throw RenderError("plug-in " + path + " does not exist");
  if (fs::is_directory(status)) throw RenderError("plug-in " + path + " is a directory");
  // dlopen searches the library path for a name without a slash: make it a path.
  mPath = fs::absolute(path, error).string();
  if (error) mPath = path;
  if (!mModule.Open(mPath)) {
    if (!mModule.Loaded())
      throw RenderError("cannot load plug-in " + path + ": " + mModule.Error());
    throw RenderError("plug-in " + path +
                      " is not a VST 2 module: it exports neither VSTPluginMain nor main");
  }
  gHostThread = std::this_thread::get_id();
  AEffect* effect = VstInstance::Create(mModule.Entry(), this);
  if (!effect)
    throw RenderError("plug-in " + path + " created no instance (its entry point returned null)");
  if (effect->magic != kEffectMagic) {
    // Not an effect record we may call into: it is not closed, only abandoned.
    char magic[16];
    std::snprintf(magic, sizeof magic, "0x%08X", static_cast<unsigned>(effect->magic));
    throw RenderError("plug-in " + path + " returned a record with the wrong magic " + magic +
                      " (expected 'VstP')");
  }
  if (!effect->dispatcher) throw RenderError("plug-in " + path + " has no dispatcher");
  // From here on the instance is ours to close, also when it is refused.
  mEffect = effect;
  if (effect->numInputs < 0 || effect->numOutputs < 0 || effect->numParams < 0 ||
      effect->numPrograms < 0) {
    throw RenderError("plug-in " + path + " reports negative channel or parameter counts");
  }
  Dispatch(effOpen);
}

// ---- identity ----

std::string VstHost::EffectName() {
  return Text(effGetEffectName, 0);
}

std::string VstHost::VendorName() {
  return Text(effGetVendorString, 0);
}

std::string VstHost::ProductName() {
  return Text(effGetProductString, 0);
}

bool VstHost::CanProcessDouble() const {
  return (mEffect->flags & effFlagsCanDoubleReplacing) && mEffect->processDoubleReplacing;
}

bool VstHost::WantsMidi() {
  char events[] = "receiveVstEvents";
  char midi[] = "receiveVstMidiEvent";
  return Dispatch(effCanDo, 0, 0, events) > 0 || Dispatch(effCanDo, 0, 0, midi) > 0;
}

// ---- parameters and programs ----

std::string VstHost::ParamName(int index) {
  return Text(effGetParamName, index);
}

std::string VstHost::ParamLabel(int index) {
  return Text(effGetParamLabel, index);
}

std::string VstHost::ParamDisplay(int index) {
  return Text(effGetParamDisplay, index);
}

float VstHost::GetParameter(int index) {
  return mEffect->getParameter ? mEffect->getParameter(mEffect, index) : 0.0f;
}

void VstHost::SetParameter(int index, float normalized) {
  if (mEffect->setParameter) mEffect->setParameter(mEffect, index, normalized);
}

bool VstHost::DisplayForValue(int index, float normalized, std::string& text) {
  // Only plug-ins that announce the vendor extensions are sent the vendor-specific call; what
  // index 7 means to any other plug-in is unknown.
  char query[] = "hasCockosExtensions";
  const VstIntPtr answer = Dispatch(effCanDo, 0, 0, query);
  if ((static_cast<uint64_t>(answer) & 0xFFFF0000u) != kCockosExtensionsAnswer) return false;
  char buffer[kTextBuffer] = {};
  const VstIntPtr result =
      Dispatch(effVendorSpecific, effGetParamDisplay, index, buffer, normalized);
  buffer[kTextBuffer - 1] = '\0';
  if (result < kVendorDisplayAnswer || buffer[0] == '\0') return false;
  text = buffer;
  return true;
}

int VstHost::CurrentProgram() {
  return static_cast<int>(Dispatch(effGetProgram));
}

std::string VstHost::ProgramName(int index) {
  return Text(effGetProgramNameIndexed, index);
}

// ---- presets ----

void VstHost::SetProgram(int index) {
  Dispatch(effSetProgram, 0, index);
}

std::string VstHost::CurrentProgramName() {
  return Text(effGetProgramName, 0);
}

void VstHost::SetProgramName(const std::string& name) {
  std::vector<char> text(name.begin(), name.end());
  text.push_back('\0');
  Dispatch(effSetProgramName, 0, 0, text.data());
}

void VstHost::BeginSetProgram() {
  Dispatch(effBeginSetProgram);
}

void VstHost::EndSetProgram() {
  Dispatch(effEndSetProgram);
}

std::vector<uint8_t> VstHost::GetChunk(bool bank) {
  void* data = nullptr;
  const VstIntPtr size = Dispatch(effGetChunk, bank ? 0 : 1, 0, &data);
  const char* what = bank ? "bank" : "program";
  if (size <= 0 || !data) {
    throw RenderError("plug-in " + mPath + " gave no " + what + " chunk (effGetChunk answered " +
                      std::to_string(static_cast<long long>(size)) + ")");
  }
  if (size > kMaxChunkBytes) {
    throw RenderError("plug-in " + mPath + " gave a " + what + " chunk of " +
                      std::to_string(static_cast<long long>(size)) + " bytes, beyond 1 GiB");
  }
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  return std::vector<uint8_t>(bytes, bytes + size);
}

bool VstHost::SetChunk(bool bank, std::vector<uint8_t> chunk) {
  // The plug-in gets its own writable copy: some read their chunk in place.
  return Dispatch(effSetChunk, bank ? 0 : 1, static_cast<VstIntPtr>(chunk.size()),
                  chunk.empty() ? nullptr : chunk.data()) != 0;
}

// ---- processing ----

void VstHost::Start(double sampleRate, int blockSize, int channels, bool useDouble) {
  if (channels > NumInputs()) {
    throw RenderError("the input has " + std::to_string(channels) +
                      " channels but the plug-in takes at most " + std::to_string(NumInputs()));
  }
  if (channels > NumOutputs()) {
    throw RenderError("the input has " + std::to_string(channels) +
                      " channels but the plug-in gives at most " + std::to_string(NumOutputs()));
  }
  if (useDouble && !CanProcessDouble()) {
    throw RenderError("plug-in " + mPath + " cannot process in double precision");
  }
  if (!useDouble && !mEffect->processReplacing && !mEffect->process) {
    throw RenderError("plug-in " + mPath + " has no audio callback");
  }
  mSampleRate = sampleRate;
  mBlockSize = blockSize;
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate));
  Dispatch(effSetBlockSize, 0, blockSize);
  if (channels < NumInputs() || channels < NumOutputs()) {
    // Fewer channels than the plug-in declares (a mono file): ask for that many. A plug-in that
    // refuses still gets a buffer for every channel it declares; the extra inputs are silent.
    const VstInt32 type = channels == 1   ? kSpeakerArrMono
                          : channels == 2 ? kSpeakerArrStereo
                                          : kSpeakerArrUserDefined;
    mInputArrangement = VstSpeakerArrangement{};
    mInputArrangement.type = type;
    mInputArrangement.numChannels = channels;
    mOutputArrangement = mInputArrangement;
    Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mInputArrangement),
             &mOutputArrangement);
  }
  Dispatch(effSetProcessPrecision, 0, useDouble ? 1 : 0);  // kVstProcessPrecision64 / 32
  Dispatch(effMainsChanged, 0, 1);
  Dispatch(effStartProcess);
  mRunning = true;
}

void VstHost::SendMidi(const MidiEvent* events, size_t count, int64_t blockStart) {
  if (count == 0) return;
  mMidiEvents.assign(count, VstMidiEvent{});
  for (size_t i = 0; i < count; ++i) {
    VstMidiEvent& e = mMidiEvents[i];
    e.type = kVstMidiType;
    e.byteSize = sizeof(VstMidiEvent);
    e.deltaFrames = static_cast<VstInt32>(events[i].frame - blockStart);
    e.midiData[0] = static_cast<char>(events[i].status);
    e.midiData[1] = static_cast<char>(events[i].data1);
    e.midiData[2] = static_cast<char>(events[i].data2);
  }
  mEventList.Assign(mMidiEvents.data(), count);
  Dispatch(effProcessEvents, 0, 0, mEventList.Events());
}

void VstHost::Process(float** inputs, float** outputs, int frames) {
  if ((mEffect->flags & effFlagsCanReplacing) && mEffect->processReplacing) {
    mEffect->processReplacing(mEffect, inputs, outputs, frames);
    return;
  }
  // Only the accumulating callback: it adds to what the outputs hold.
  for (int c = 0; c < NumOutputs(); ++c) std::fill(outputs[c], outputs[c] + frames, 0.0f);
  mEffect->process(mEffect, inputs, outputs, frames);
}

void VstHost::ProcessDouble(double** inputs, double** outputs, int frames) {
  mEffect->processDoubleReplacing(mEffect, inputs, outputs, frames);
}

void VstHost::Stop() {
  if (!mRunning) return;
  Dispatch(effStopProcess);
  Dispatch(effMainsChanged, 0, 0);
  mRunning = false;
}

// ---- host side ----

VstIntPtr VstHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                            float opt) {
  return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
}

std::string VstHost::Text(VstInt32 opcode, VstInt32 index) {
  char buffer[kTextBuffer] = {};
  Dispatch(opcode, index, 0, buffer);
  buffer[kTextBuffer - 1] = '\0';
  return buffer;
}

void VstHost::FillTimeInfo() {
  const double seconds = static_cast<double>(mPosition) / mSampleRate;
  const double tempo = 120.0;
  mTimeInfo = VstTimeInfo{};
  mTimeInfo.samplePos = static_cast<double>(mPosition);
  mTimeInfo.sampleRate = mSampleRate;
  mTimeInfo.nanoSeconds = seconds * 1e9;
  mTimeInfo.ppqPos = seconds * tempo / 60.0;
  mTimeInfo.tempo = tempo;
  mTimeInfo.barStartPos = std::floor(mTimeInfo.ppqPos / 4.0) * 4.0;
  mTimeInfo.timeSigNumerator = 4;
  mTimeInfo.timeSigDenominator = 4;
  mTimeInfo.flags = kVstTransportPlaying | kVstNanosValid | kVstPpqPosValid | kVstTempoValid |
                    kVstBarsValid | kVstTimeSigValid;
}

VstIntPtr VstHost::Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  (void)value;
  const bool hostThread = std::this_thread::get_id() == gHostThread;
  switch (opcode) {
    case audioMasterAutomate:
      if (hostThread) mAutomation.push_back({mPosition, index, opt});
      return 0;
    case audioMasterVersion:
      return kVstVersion;
    case audioMasterWantMidi:
      return 1;
    case audioMasterGetTime:
      if (!hostThread) return 0;
      FillTimeInfo();
      return reinterpret_cast<VstIntPtr>(&mTimeInfo);
    case audioMasterProcessEvents: {
      if (!ptr || !hostThread) return 0;
      VstEventList::ForEach(static_cast<const VstEvents*>(ptr), [this](const VstEvent* event) {
        if (event && event->type == kVstMidiType) ++mMidiReturned;
      });
      return 1;
    }
    case audioMasterGetSampleRate:
      return static_cast<VstIntPtr>(mSampleRate);
    case audioMasterGetBlockSize:
      return mBlockSize;
    case audioMasterGetProductString:
      if (!ptr) return 0;
      std::snprintf(static_cast<char*>(ptr), kVstMaxProductStrLen, "%s", kProductString);
      return 1;
    case audioMasterGetVendorVersion:
      return kVendorVersion;
    case audioMasterCanDo: {
      if (!ptr) return 0;
      const char* query = static_cast<const char*>(ptr);
      for (const char* yes : {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo",
                              "receiveVstEvents", "receiveVstMidiEvent"}) {
        if (std::strcmp(query, yes) == 0) return 1;
      }
      return 0;
    }
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
      return 1;
    default:
      return 0;
  }
}

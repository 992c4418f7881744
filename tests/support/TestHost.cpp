#include "tests/support/TestHost.h"

#include <cstring>

namespace {

// The instance under construction: its callback may arrive before the effect exists.
thread_local TestHost* gConstructing = nullptr;

}  // namespace

std::string TestHost::DefaultModulePath() {
  return KORVANE_MODULE_PATH;
}

void TestHost::InitTimeInfo() {
  timeInfo.samplePos = 0.0;
  timeInfo.sampleRate = 44100.0;
  timeInfo.tempo = 120.0;
  timeInfo.timeSigNumerator = 4;
  timeInfo.timeSigDenominator = 4;
  timeInfo.flags = kVstTempoValid | kVstTimeSigValid;
}

TestHost::TestHost(VstEntryProc entry) {
  InitTimeInfo();
  Create(entry);
}

TestHost::TestHost(const std::string& modulePath) {
  InitTimeInfo();
  if (!mLibrary.Open(modulePath)) {
    mError = "cannot load " + modulePath + ": " + mLibrary.Error();
    return;
  }
  VstEntryProc entry = reinterpret_cast<VstEntryProc>(mLibrary.Symbol("VSTPluginMain"));
  if (!entry) {
    mError = "no VSTPluginMain in " + modulePath;
    return;
  }
  Create(entry);
}

void TestHost::Create(VstEntryProc entry) {
  gConstructing = this;
  mEffect = entry(HostCallback);
  gConstructing = nullptr;
  if (!mEffect) {
    mError = "VSTPluginMain returned null";
  } else if (mEffect->magic != kEffectMagic) {
    mError = "wrong magic";
    mEffect = nullptr;
  } else {
    mEffect->user = this;
  }
}

TestHost::~TestHost() {
  Close();
}

void TestHost::Close() {
  if (mEffect) mEffect->dispatcher(mEffect, effClose, 0, 0, nullptr, 0.0f);
  mEffect = nullptr;
}

VstIntPtr TestHost::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                             float opt) {
  return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
}

void TestHost::Start(float sampleRate, int blockSize) {
  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
  Dispatch(effSetBlockSize, 0, blockSize);
  Dispatch(effMainsChanged, 0, 1);
}

float TestHost::GetParameter(VstInt32 index) {
  return mEffect->getParameter(mEffect, index);
}

void TestHost::SetParameter(VstInt32 index, float value) {
  mEffect->setParameter(mEffect, index, value);
}

std::string TestHost::ParamName(int index) {
  char text[256] = {};
  Dispatch(effGetParamName, index, 0, text);
  return text;
}

std::string TestHost::ParamLabel(int index) {
  char text[256] = {};
  Dispatch(effGetParamLabel, index, 0, text);
  return text;
}

std::string TestHost::ParamDisplay(int index) {
  char text[256] = {};
  Dispatch(effGetParamDisplay, index, 0, text);
  return text;
}

VstIntPtr TestHost::SendMidi(const std::vector<Midi>& messages) {
  std::vector<VstMidiEvent> events(messages.size());
  std::vector<char> storage(sizeof(VstEvents) + messages.size() * sizeof(VstEvent*));
  VstEvents* list = reinterpret_cast<VstEvents*>(storage.data());
  list->numEvents = static_cast<VstInt32>(messages.size());
  list->reserved = 0;
  // The list is really numEvents entries long, past the two the record declares.
  VstEvent** slots = list->events;
  for (size_t i = 0; i < messages.size(); ++i) {
    VstMidiEvent& e = events[i];
    std::memset(&e, 0, sizeof e);
    e.type = kVstMidiType;
    e.byteSize = sizeof e;
    e.deltaFrames = messages[i].offset;
    e.midiData[0] = static_cast<char>(messages[i].status);
    e.midiData[1] = static_cast<char>(messages[i].data1);
    e.midiData[2] = static_cast<char>(messages[i].data2);
    slots[i] = reinterpret_cast<VstEvent*>(&e);
  }
  return Dispatch(effProcessEvents, 0, 0, list);
}

int TestHost::CountCalls(VstInt32 opcode) const {
  int n = 0;
  for (const Call& c : calls) n += c.opcode == opcode;
  return n;
}

VstIntPtr VSTCALLBACK TestHost::HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                             VstIntPtr value, void* ptr, float opt) {
  TestHost* host = effect && effect->user ? static_cast<TestHost*>(effect->user) : gConstructing;
  if (!host) return opcode == audioMasterVersion ? kVstVersion : 0;
  return host->Answer(opcode, index, value, ptr, opt);
}

VstIntPtr TestHost::Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  std::lock_guard<std::mutex> lock(mAnswerMutex);
  calls.push_back({opcode, index, value, opt});
  switch (opcode) {
    case audioMasterVersion:
      return kVstVersion;
    case audioMasterGetTime:
      return provideTimeInfo ? reinterpret_cast<VstIntPtr>(&timeInfo) : 0;
    case audioMasterGetProductString:
      std::strncpy(static_cast<char*>(ptr), productString.c_str(), 63);
      return 1;
    case audioMasterGetVendorVersion:
      return vendorVersion;
    case audioMasterProcessEvents: {
      const VstEvents* list = static_cast<const VstEvents*>(ptr);
      const VstEvent* const* entries = list->events;
      for (int i = 0; i < list->numEvents; ++i) {
        const VstEvent* e = entries[i];
        if (e->type == kVstMidiType) {
          midiReceived.push_back(*reinterpret_cast<const VstMidiEvent*>(e));
        } else {
          otherEventsReceived.push_back(*e);
        }
      }
      return processEventsAnswer;
    }
    default:
      return 0;
  }
}

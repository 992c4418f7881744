#include "tests/support/TestHost.h"

#include <cstring>

#include "host/VstEventList.h"

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
  if (!mModule.Open(modulePath)) {
    mError = "cannot load " + modulePath + ": " + mModule.Error();
    return;
  }
  Create(mModule.Entry());
}

void TestHost::Create(VstEntryProc entry) {
  mEffect = VstInstance::Create(entry, this);
  if (!mEffect) {
    mError = "VSTPluginMain returned null";
  } else if (mEffect->magic != kEffectMagic) {
    mError = "wrong magic";
    mEffect = nullptr;
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
  for (size_t i = 0; i < messages.size(); ++i) {
    VstMidiEvent& e = events[i];
    std::memset(&e, 0, sizeof e);
    e.type = kVstMidiType;
    e.byteSize = sizeof e;
    e.deltaFrames = messages[i].offset;
    e.midiData[0] = static_cast<char>(messages[i].status);
    e.midiData[1] = static_cast<char>(messages[i].data1);
    e.midiData[2] = static_cast<char>(messages[i].data2);
  }
  VstEventList list;
  list.Assign(events.data(), events.size());
  return Dispatch(effProcessEvents, 0, 0, list.Events());
}

int TestHost::CountCalls(VstInt32 opcode) const {
  int n = 0;
  for (const Call& c : calls) n += c.opcode == opcode;
  return n;
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
      VstEventList::ForEach(static_cast<const VstEvents*>(ptr), [this](const VstEvent* e) {
        if (!e) return;
        if (e->type == kVstMidiType) {
          midiReceived.push_back(*reinterpret_cast<const VstMidiEvent*>(e));
        } else {
          otherEventsReceived.push_back(*e);
        }
      });
      return processEventsAnswer;
    }
    default:
      return 0;
  }
}

#include "tools/korvane-validate/RecordingHost.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kProduct = "korvane-validate";
constexpr const char* kVendor = "Korvane";
constexpr VstIntPtr kVendorVersion = 1000;

// What a plain host offers; every other can-do is answered "don't know" (0).
constexpr const char* kHostCanDo[] = {
    "sendVstEvents",       "sendVstMidiEvent", "sendVstTimeInfo",  "receiveVstEvents",
    "receiveVstMidiEvent", "sizeWindow",       "startStopProcess", "supplyIdle",
};

// Copies text into a module's buffer of the nominal size, terminated.
void CopyOut(void* ptr, const char* text, size_t size) {
  if (!ptr) return;
  char* out = static_cast<char*>(ptr);
  std::strncpy(out, text, size - 1);
  out[size - 1] = '\0';
}

}  // namespace

RecordingHost::RecordingHost() : mLog(kLogSize), mEditDepth(kTrackedEdits, 0) {
  for (auto& count : mCounts) count.store(0, std::memory_order_relaxed);
}

void RecordingHost::SetTransport(double sampleRate, int blockSize, double samplePosition) {
  mSampleRate.store(sampleRate, std::memory_order_relaxed);
  mBlockSize.store(blockSize, std::memory_order_relaxed);
  mSamplePosition.store(samplePosition, std::memory_order_relaxed);
}

std::string RecordingHost::Violation() const {
  std::lock_guard<std::mutex> hold(mLock);
  return std::string(mViolation.data());
}

std::string RecordingHost::OpenEdits() const {
  std::lock_guard<std::mutex> hold(mLock);
  std::string open;
  for (size_t i = 0; i < mEditDepth.size(); ++i) {
    if (mEditDepth[i] <= 0) continue;
    if (!open.empty()) open += ", ";
    open += "index " + std::to_string(i);
  }
  return open;
}

long RecordingHost::Count(int opcode) const {
  if (opcode < 0 || opcode >= kOpcodes) return 0;
  return mCounts[static_cast<size_t>(opcode)].load(std::memory_order_relaxed);
}

std::vector<RecordingHost::Call> RecordingHost::Calls() const {
  std::lock_guard<std::mutex> hold(mLock);
  std::vector<Call> calls;
  const size_t count = mLogNext < mLog.size() ? mLogNext : mLog.size();
  for (size_t i = mLogNext - count; i < mLogNext; ++i) calls.push_back(mLog[i % mLog.size()]);
  return calls;
}

VstIntPtr RecordingHost::Time(VstIntPtr) {
  // One record per calling thread: the module reads it after the call returns, and a thread
  // only ever overwrites its own.
  thread_local VstTimeInfo info;
  std::memset(&info, 0, sizeof info);
  info.sampleRate = mSampleRate.load(std::memory_order_relaxed);
  info.samplePos = mSamplePosition.load(std::memory_order_relaxed);
  const double seconds = info.samplePos / info.sampleRate;
  info.nanoSeconds = seconds * 1e9;
  info.tempo = 120.0;
  info.ppqPos = seconds * info.tempo / 60.0;
  info.barStartPos = std::floor(info.ppqPos / 4.0) * 4.0;
  info.timeSigNumerator = 4;
  info.timeSigDenominator = 4;
  info.flags = kVstTransportPlaying | kVstNanosValid | kVstPpqPosValid | kVstTempoValid |
               kVstBarsValid | kVstTimeSigValid;
  return reinterpret_cast<VstIntPtr>(&info);
}

VstIntPtr RecordingHost::Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt) {
  if (opcode >= 0 && opcode < kOpcodes)
    mCounts[static_cast<size_t>(opcode)].fetch_add(1, std::memory_order_relaxed);
  {
    std::lock_guard<std::mutex> hold(mLock);
    mLog[mLogNext % mLog.size()] = Call{opcode, index, static_cast<long long>(value), opt};
    ++mLogNext;
    const int params = mParameterCount.load(std::memory_order_relaxed);
    // Keeps the first broken rule only, formatted into the fixed buffer (no allocation).
    auto note = [&](const char* format, double number) {
      if (mViolation[0] != '\0') return;
      std::snprintf(mViolation.data(), mViolation.size(), format, index, number);
    };
    auto noteIndex = [&](const char* format) {
      if (mViolation[0] != '\0') return;
      std::snprintf(mViolation.data(), mViolation.size(), format, index);
    };
    const bool validIndex = params < 0 || (index >= 0 && index < params);
    if (opcode == audioMasterAutomate) {
      if (!validIndex)
        note("audioMasterAutomate only for parameter indices of the module, got index %d (%g)",
             opt);
      else if (!(opt >= 0.0f && opt <= 1.0f))
        note("audioMasterAutomate values within 0..1, got index %d value %g", opt);
    } else if (opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit) {
      if (!validIndex) {
        noteIndex(opcode == audioMasterBeginEdit
                      ? "audioMasterBeginEdit only for parameter indices, got index %d"
                      : "audioMasterEndEdit only for parameter indices, got index %d");
      } else if (index >= 0 && index < kTrackedEdits) {
        int& depth = mEditDepth[static_cast<size_t>(index)];
        if (opcode == audioMasterBeginEdit) {
          ++depth;
        } else if (depth == 0) {
          noteIndex(
              "audioMasterEndEdit only after audioMasterBeginEdit, got an end of index %d "
              "without a begin");
        } else {
          --depth;
        }
      }
    }
  }

  switch (opcode) {
    case audioMasterVersion:
      return kVstVersion;
    case audioMasterCurrentId:
      return 0;
    case audioMasterAutomate:
    case audioMasterIdle:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
      return 1;
    case audioMasterGetTime:
      return Time(value);
    case audioMasterProcessEvents:
    case audioMasterWantMidi:
    case audioMasterIOChanged:
    case audioMasterSizeWindow:
    case audioMasterNeedIdle:
    case audioMasterUpdateDisplay:
      return 1;
    case audioMasterPinConnected:
      return 0;  // 0 means connected
    case audioMasterGetSampleRate:
      return static_cast<VstIntPtr>(mSampleRate.load(std::memory_order_relaxed));
    case audioMasterGetBlockSize:
      return mBlockSize.load(std::memory_order_relaxed);
    case audioMasterGetInputLatency:
    case audioMasterGetOutputLatency:
      return 0;
    case audioMasterGetCurrentProcessLevel:
      // 2: the realtime audio thread, 1: a user interface thread.
      return mAudioThread.load() == std::this_thread::get_id() ? 2 : 1;
    case audioMasterGetAutomationState:
      return 1;  // off
    case audioMasterGetVendorString:
      CopyOut(ptr, kVendor, kVstMaxVendorStrLen);
      return ptr ? 1 : 0;
    case audioMasterGetProductString:
      CopyOut(ptr, kProduct, kVstMaxProductStrLen);
      return ptr ? 1 : 0;
    case audioMasterGetVendorVersion:
      return kVendorVersion;
    case audioMasterGetLanguage:
      return 1;  // English
    case audioMasterCanDo: {
      if (!ptr) return 0;
      const char* asked = static_cast<const char*>(ptr);
      for (const char* offered : kHostCanDo)
        if (std::strcmp(asked, offered) == 0) return 1;
      return 0;
    }
    default:
      return 0;
  }
}

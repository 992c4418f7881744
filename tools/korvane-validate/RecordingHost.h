#pragma once

#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/VstInstance.h"

/// The host the validator emulates for one instance: it answers what hosts answer (interface
/// version 2400, time info, its product string, can-do queries, sample rate and block size)
/// and records every call. It judges the calls hosts rely on: automation only for valid
/// indices with values in 0..1, edits begun before they end. Nothing here allocates after
/// construction, so the allocation check can count the module's own allocations.
class RecordingHost : public VstHostAnswers {
 public:
  struct Call {
    int opcode;
    int index;
    long long value;
    float opt;
  };

  RecordingHost();

  /// [host thread, before the instance exists] Parameters the module announced, for the
  /// index checks; -1 until known.
  void SetParameterCount(int count) { mParameterCount.store(count, std::memory_order_relaxed); }
  /// [audio-driving thread] The transport the time info reports.
  void SetTransport(double sampleRate, int blockSize, double samplePosition);
  /// [audio-driving thread] This thread now drives the audio callbacks.
  void SetAudioThread() { mAudioThread.store(std::this_thread::get_id()); }

  /// [any thread] The first broken rule the module's calls showed, empty when none.
  std::string Violation() const;
  /// [any thread] Edits begun and not ended, as "index N" text; empty when all ended.
  std::string OpenEdits() const;
  /// [any thread] How often the module called this opcode.
  long Count(int opcode) const;
  /// [any thread] The last calls (up to the log's capacity), oldest first.
  std::vector<Call> Calls() const;

  // [any thread the plug-in calls from]
  VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) override;

 private:
  VstIntPtr Time(VstIntPtr filter);

  static constexpr int kLogSize = 4096;
  static constexpr int kOpcodes = 64;
  static constexpr int kTrackedEdits = 4096;

  mutable std::mutex mLock;                           // guards the log, the edits and the violation
  std::vector<Call> mLog;                             // ring of the last kLogSize calls
  size_t mLogNext = 0;                                // total calls logged
  std::vector<int> mEditDepth;                        // begin minus end per parameter index
  std::array<char, 512> mViolation{};                 // the first broken rule, NUL-terminated
  std::array<std::atomic<long>, kOpcodes> mCounts{};  // calls per opcode (any thread)

  std::atomic<int> mParameterCount{-1};         // written by the host thread, read by any
  std::atomic<double> mSampleRate{44100.0};     // written by the audio-driving thread, read by any
  std::atomic<int> mBlockSize{512};             // written by the audio-driving thread, read by any
  std::atomic<double> mSamplePosition{0.0};     // written by the audio-driving thread, read by any
  std::atomic<std::thread::id> mAudioThread{};  // written by the audio-driving thread
};

#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "tools/korvane-validate/ChildReport.h"
#include "tools/korvane-validate/PluginUnderTest.h"

/// A thread of its own that runs blocks through an instance's announced callbacks until
/// stopped, as a host's audio thread does while other threads work on the same instance.
/// Its first failure is kept and rethrown by Stop on the thread that started it.
///
/// Lifecycle: the instance is started → construct (the thread runs) → Stop → destroy.
class BackgroundAudio {
 public:
  /// [host thread] blocks: how many to run before the thread ends by itself (0: until Stop).
  BackgroundAudio(PluginUnderTest& plugin, uint32_t seed, int frames, long blocks = 0)
      : mPlugin(plugin), mThread([this, seed, frames, blocks] { Run(seed, frames, blocks); }) {}
  ~BackgroundAudio() {
    mStop.store(true);
    if (mThread.joinable()) mThread.join();
  }

  /// [host thread] Blocks run so far.
  long Blocks() const { return mBlocks.load(); }
  /// [host thread] Whether the thread has ended (its block count reached, or a failure).
  bool Done() const { return mDone.load(); }
  /// [host thread] Waits until the thread has run this many blocks (or failed).
  void WaitFor(long blocks) {
    while (mBlocks.load() < blocks && !mDone.load()) std::this_thread::yield();
  }
  /// [host thread] Stops the thread; throws its failure, if it had one.
  void Stop() {
    mStop.store(true);
    if (mThread.joinable()) mThread.join();
    std::lock_guard<std::mutex> hold(mLock);
    if (!mError.empty()) throw CheckFailure(mError);
  }

 private:
  // [audio thread]
  void Run(uint32_t seed, int frames, long blocks) {
    try {
      mPlugin.Host().SetAudioThread();
      Random random(seed);
      AudioBuffers buffers = mPlugin.Buffers(frames);
      const auto callbacks = mPlugin.AnnouncedCallbacks();
      while (!mStop.load() && (blocks == 0 || mBlocks.load() < blocks)) {
        for (PluginUnderTest::Callback callback : callbacks) {
          buffers.FillInputs(random, 0.5f);
          mPlugin.Process(callback, buffers, frames);
        }
        mBlocks.fetch_add(1);
        if (callbacks.empty()) std::this_thread::yield();
      }
    } catch (const std::exception& failure) {
      std::lock_guard<std::mutex> hold(mLock);
      mError = failure.what();
    }
    mDone.store(true);
  }

  PluginUnderTest& mPlugin;
  std::atomic<bool> mStop{false};  // written by the host thread, read by the audio thread
  std::atomic<bool> mDone{false};  // written by the audio thread, read by the host thread
  std::atomic<long> mBlocks{0};    // written by the audio thread, read by the host thread
  std::mutex mLock;                // guards mError
  std::string mError;
  std::thread mThread;  // last: starts once the members above exist
};

// Nothing on the audio thread allocates once the first block has run: every operator new and
// (natively, without sanitizers) every malloc of this program is counted per thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>
#include <vector>

#include "host/QuietHost.h"
#include "host/VstEventList.h"
#include "host/VstInstance.h"
#include "product/KorvaneFilter.h"
#include "tests/support/WatchedAllocations.h"
#include "vst/VSTEntry.h"

namespace {

AEffect* VSTCALLBACK KorvaneMain(audioMasterCallback host) {
  return VSTCreateInstance([](audioMasterCallback h) -> BraxVST* { return new KorvaneFilter(h); },
                           host);
}

}  // namespace

TEST(AudioThread, AllocatesNothingAfterTheFirstBlockInAnyCallback) {
  QuietHost host;
  AEffect* e = VstInstance::Create(KorvaneMain, &host);
  ASSERT_NE(e, nullptr);
  constexpr int kBlock = 256;
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
  e->dispatcher(e, effSetBlockSize, 0, kBlock, nullptr, 0.0f);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);

  // Everything the audio thread uses is made before it starts.
  std::vector<float> inF[2], outF[2];
  std::vector<double> inD[2], outD[2];
  for (int c = 0; c < 2; ++c) {
    inF[c].assign(kBlock, 0.0f);
    outF[c].assign(kBlock, 0.0f);
    inD[c].assign(kBlock, 0.0);
    outD[c].assign(kBlock, 0.0);
  }
  constexpr int kMostEvents = 600;  // more than the queue holds before it grows
  std::vector<VstMidiEvent> events(kMostEvents);
  VstEventList lists[2];
  for (int i = 0; i < kMostEvents; ++i) {
    VstMidiEvent& m = events[static_cast<size_t>(i)];
    m.type = kVstMidiType;
    m.byteSize = sizeof m;
    m.deltaFrames = i % kBlock;
    m.midiData[0] = static_cast<char>(0xB0);
    m.midiData[1] = static_cast<char>(i % 3 == 0 ? 74 : i % 3 == 1 ? 71 : 111);
    m.midiData[2] = static_cast<char>(i % 128);
  }
  lists[0].Assign(events.data(), kMostEvents);  // the first block's flood
  lists[1].Assign(events.data(), 40);           // the later blocks' share

  std::atomic<bool> stop{false};
  std::atomic<long> firstBlockAllocations{-1};
  std::thread programs([&] {  // a host's user-interface thread switching programs meanwhile
    for (int i = 0; !stop.load(); ++i) {
      e->dispatcher(e, effSetProgram, 0, i % 8, nullptr, 0.0f);
      std::this_thread::yield();
    }
  });
  std::thread audio([&] {
    WatchAllocations(true);
    for (int block = 0; block < 10000; ++block) {
      if (block % 7 == 0) {
        e->dispatcher(e, effProcessEvents, 0, 0, lists[block == 0 ? 0 : 1].Events(), 0.0f);
      }
      // Automation between blocks: the cutoff and resonance glide on.
      e->setParameter(e, KorvaneFilter::kCutoff, static_cast<float>((block % 50) / 50.0));
      e->setParameter(e, KorvaneFilter::kResonance, static_cast<float>((block % 13) / 13.0));
      if (block % 97 == 0) {
        e->setParameter(e, KorvaneFilter::kShape, static_cast<float>((block / 97) % 3) / 2.0f);
      }
      const int n = kBlock - block % 5;
      float* fi[] = {inF[0].data(), inF[1].data()};
      float* fo[] = {outF[0].data(), outF[1].data()};
      double* di[] = {inD[0].data(), inD[1].data()};
      double* dout[] = {outD[0].data(), outD[1].data()};
      switch (block % 3) {
        case 0:
          e->processReplacing(e, fi, fo, n);
          break;
        case 1:
          e->process(e, fi, fo, n);
          break;
        default:
          e->processDoubleReplacing(e, di, dout, n);
          break;
      }
      if (block == 0) firstBlockAllocations = gWatchedAllocations.exchange(0);
    }
    WatchAllocations(false);
  });
  audio.join();
  stop = true;
  programs.join();
  EXPECT_GE(firstBlockAllocations.load(), 0);
  EXPECT_EQ(gWatchedAllocations.load(), 0)
      << "allocations on the audio thread after the first of 10000 blocks";
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

TEST(AudioThread, TheCountSeesAnAllocationOnTheWatchedThread) {
  // The watch itself: one vector grown on a watched thread is seen, one elsewhere is not.
  gWatchedAllocations = 0;
  std::thread watched([] {
    WatchAllocations(true);
    std::vector<int> v(100);
    v[0] = 1;
    WatchAllocations(false);
  });
  watched.join();
  std::vector<int> unwatched(100);
  unwatched[0] = 1;
  EXPECT_GE(gWatchedAllocations.load(), 1);
  EXPECT_LE(gWatchedAllocations.load(), 2);
  gWatchedAllocations = 0;
}

// Whole lives of the plug-in, many times over, and three threads at once on one instance: no
// leak (LeakSanitizer in the asan builds), no data race (ThreadSanitizer in the tsan build), no
// deadlock, memory flat, the module-wide images decoded once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "graphics/BitmapStore.h"
#include "graphics/IGraphics.h"
#include "host/QuietHost.h"
#include "host/VstInstance.h"
#include "host/VstModule.h"
#include "product/KorvaneFilter.h"
#include "tests/support/ProcessMemory.h"
#include "tests/support/TestHost.h"
#include "vst/VSTEntry.h"

namespace {

AEffect* VSTCALLBACK KorvaneMain(audioMasterCallback host) {
  return VSTCreateInstance([](audioMasterCallback h) -> BraxVST* { return new KorvaneFilter(h); },
                           host);
}

// One life: open, a few blocks of each callback, the editor opened where it can be, closed.
void Live(AEffect* e) {
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
  e->dispatcher(e, effSetBlockSize, 0, 64, nullptr, 0.0f);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
  float l[64] = {}, r[64] = {}, ol[64], orr[64];
  double dl[64] = {}, dr[64] = {}, dol[64], dor[64];
  float* in[] = {l, r};
  float* out[] = {ol, orr};
  double* din[] = {dl, dr};
  double* dout[] = {dol, dor};
  e->processReplacing(e, in, out, 64);
  e->process(e, in, out, 64);
  e->processDoubleReplacing(e, din, dout, 64);
  // No parent window exists here: a host-less editor answers 0, and closing is always safe.
  e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

// Resident memory in KiB, or -1 where it says nothing of leaks: where the system does not say,
// or where a sanitizer's allocator keeps freed memory in quarantine.
long MeasuredKiB() {
#ifdef KORVANE_SANITIZED_ALLOCATOR
  return -1;
#else
  return ResidentKiB();
#endif
}

}  // namespace

TEST(Lifecycle, AThousandLivesInProcessDecodeTheImagesOnceAndKeepMemoryFlat) {
  QuietHost host;
  long residentAfterWarmUp = -1;
  int liveBitmaps = -1;
  for (int round = 0; round < 1000; ++round) {
    AEffect* e = VstInstance::Create(KorvaneMain, &host);
    ASSERT_NE(e, nullptr) << "round " << round;
    Live(e);
    if (round == 0) liveBitmaps = BitmapStore::Get().LiveCount();
    if (round == 100) residentAfterWarmUp = MeasuredKiB();
  }
  EXPECT_GT(liveBitmaps, 0) << "the images were decoded";
  EXPECT_EQ(BitmapStore::Get().LiveCount(), liveBitmaps) << "and never again";
  if (residentAfterWarmUp > 0) {
    EXPECT_LT(MeasuredKiB() - residentAfterWarmUp, 4096) << "KiB grown over 900 lives";
  }
}

TEST(Lifecycle, AHundredLoadsOfTheModuleEachWithALife) {
  long residentAfterWarmUp = -1;
  QuietHost host;
  for (int round = 0; round < 100; ++round) {
    VstModule module;
    ASSERT_TRUE(module.Open(TestHost::DefaultModulePath())) << module.Error();
    AEffect* e = VstInstance::Create(module.Entry(), &host);
    ASSERT_NE(e, nullptr) << "round " << round;
    Live(e);
    if (round == 20) residentAfterWarmUp = MeasuredKiB();
  }  // each module unloads at the end of its round
  if (residentAfterWarmUp > 0) {
    EXPECT_LT(MeasuredKiB() - residentAfterWarmUp, 8192) << "KiB grown over 80 loads";
  }
}

TEST(ThreadStress, AudioHostAndEditorThreadsAtOnceEndConsistentWithoutDeadlock) {
  TestHost host{KorvaneMain};
  ASSERT_NE(host.Effect(), nullptr) << host.Error();
  host.Start(44100.0f, 256);
  AEffect* e = host.Effect();
  IGraphics* gui = static_cast<KorvaneFilter*>(e->object)->GetGUI();
  ASSERT_NE(gui, nullptr);
  std::atomic<bool> stop{false};
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);

  std::thread audio([&] {
    std::mt19937 random(1);
    std::vector<float> l(600, 0.1f), r(600, -0.2f), ol(600), orr(600);
    std::vector<double> dl(600, 0.3), dr(600, -0.1), dol(600), dor(600);
    float* in[] = {l.data(), r.data()};
    float* out[] = {ol.data(), orr.data()};
    double* din[] = {dl.data(), dr.data()};
    double* dout[] = {dol.data(), dor.data()};
    for (int block = 0; !stop; ++block) {
      const int n = static_cast<int>(random() % 512);
      std::vector<TestHost::Midi> midi = {
          {static_cast<int>(random() % 256), 0xB0, 74, static_cast<unsigned char>(random() % 128)},
          {static_cast<int>(random() % 256), 0xB0, 71, static_cast<unsigned char>(random() % 128)}};
      if (block % 5 == 0) host.SendMidi(midi);
      if (block % 2) {
        e->processDoubleReplacing(e, din, dout, n);
      } else {
        e->processReplacing(e, in, out, n);
      }
    }
  });
  std::thread state([&] {
    std::mt19937 random(2);
    while (!stop) {
      e->setParameter(e, static_cast<int>(random() % 5), (random() % 1000) / 999.0f);
      (void)e->getParameter(e, static_cast<int>(random() % 5));
      switch (random() % 4) {
        case 0:
          e->dispatcher(e, effSetProgram, 0, static_cast<int>(random() % 8), nullptr, 0.0f);
          break;
        case 1: {
          void* chunk = nullptr;
          const VstIntPtr size = e->dispatcher(e, effGetChunk, random() % 2, 0, &chunk, 0.0f);
          std::vector<char> copy(static_cast<const char*>(chunk),
                                 static_cast<const char*>(chunk) + (chunk ? size : 0));
          e->dispatcher(e, effSetChunk, random() % 2, static_cast<VstIntPtr>(copy.size()),
                        copy.data(), 0.0f);
          break;
        }
        case 2:
          e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, random() % 2 ? 48000.0f : 44100.0f);
          break;
        default: {
          char text[64];
          e->dispatcher(e, effGetParamDisplay, static_cast<int>(random() % 5), 0, text, 0.0f);
          break;
        }
      }
    }
  });
  std::thread editor([&] {
    const IRect all(0, 0, gui->Width(), gui->Height());
    IMouseState mouse;
    mouse.L = true;
    while (!stop) {
      IRect dirty;
      if (gui->IsDirty(dirty)) gui->Draw(dirty);
      gui->Draw(all);
      // A drag on the cutoff knob, as the mouse would make it.
      gui->OnMouseDown(136, 251, mouse);
      for (int dy = 0; dy < 20; dy += 4) gui->OnMouseDrag(136, 251 - dy, mouse);
      gui->OnMouseUp(136, 231);
    }
  });

  // The watchdog: all three must stop when told, or the lock has deadlocked somewhere.
  std::mutex m;
  std::condition_variable cv;
  bool finished = false;
  std::thread watchdog([&] {
    std::unique_lock<std::mutex> lock(m);
    if (!cv.wait_for(lock, std::chrono::seconds(60), [&] { return finished; })) {
      std::fprintf(stderr, "ThreadStress: the threads did not stop within 60 s (deadlock)\n");
      std::abort();
    }
  });
  std::this_thread::sleep_until(until);
  stop = true;
  audio.join();
  state.join();
  editor.join();
  {
    std::lock_guard<std::mutex> lock(m);
    finished = true;
  }
  cv.notify_one();
  watchdog.join();

  // Whatever happened meanwhile, the parameters now hold what the host sets.
  const float last[] = {1.0f, 0.5f, 0.25f, 0.75f, 0.0f};
  for (int i = 0; i < 5; ++i) e->setParameter(e, i, last[i]);
  for (int i = 0; i < 5; ++i) {
    EXPECT_NEAR(e->getParameter(e, i), last[i], 1e-6) << "parameter " << i;
  }
  std::vector<double> l(256, 0.1), r(256, 0.1), ol(256), orr(256);
  double* in[] = {l.data(), r.data()};
  double* out[] = {ol.data(), orr.data()};
  e->processDoubleReplacing(e, in, out, 256);
  for (double v : ol) ASSERT_TRUE(std::isfinite(v));
}

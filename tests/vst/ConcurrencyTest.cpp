// Host threads calling at once: audio on one, parameters, programs and state on others. The
// plug-in lock must serialise them (run under ThreadSanitizer in the tsan build).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/support/TestHost.h"

TEST(Concurrency, AudioParametersAndStateFromSeveralThreads) {
  TestHost host;
  ASSERT_NE(host.Effect(), nullptr) << host.Error();
  host.Start(44100.0f, 256);
  AEffect* e = host.Effect();
  std::atomic<bool> stop{false};

  std::thread audio([&] {
    std::vector<float> l(256, 0.1f), r(256, -0.1f), ol(256), orr(256);
    float* in[] = {l.data(), r.data()};
    float* out[] = {ol.data(), orr.data()};
    for (int block = 0; block < 400; ++block) e->processReplacing(e, in, out, 256);
    stop = true;
  });
  std::thread automation([&] {
    float v = 0.0f;
    while (!stop) {
      e->setParameter(e, 2, v);
      e->setParameter(e, 1, 1.0f - v);
      (void)e->getParameter(e, 3);
      v = v > 1.0f ? 0.0f : v + 0.01f;
    }
  });
  std::thread ui([&] {
    int program = 0;
    while (!stop) {
      e->dispatcher(e, effSetProgram, 0, program, nullptr, 0.0f);
      void* chunk = nullptr;
      e->dispatcher(e, effGetChunk, 1, 0, &chunk, 0.0f);
      char text[64];
      e->dispatcher(e, effGetParamDisplay, 2, 0, text, 0.0f);
      program = (program + 1) % 8;
    }
  });
  audio.join();
  automation.join();
  ui.join();
  const float cutoff = host.GetParameter(2);
  EXPECT_GE(cutoff, 0.0f);
  EXPECT_LE(cutoff, 1.0f);
}

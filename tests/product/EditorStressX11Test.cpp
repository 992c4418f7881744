// The X11 editor window open while audio, host state and the editor's own thread all run at
// once on one instance: no data race (ThreadSanitizer in the tsan build), no deadlock, the
// window still drawing and the state consistent at the end.
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

#include "graphics/IGraphics.h"
#include "product/KorvaneFilter.h"
#include "tests/support/TestHost.h"
#include "vst/VSTEntry.h"

// Last: its macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>

namespace {

AEffect* VSTCALLBACK KorvaneMain(audioMasterCallback host) {
  return VSTCreateInstance([](audioMasterCallback h) -> BraxVST* { return new KorvaneFilter(h); },
                           host);
}

}  // namespace

TEST(ThreadStressX11, AnOpenWindowIdlesAndDrawsWhileAudioAndHostStateRun) {
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr) << "the test runs under a display (xvfb-run)";
  const int screen = DefaultScreen(display);
  const Window frame =
      XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 300, 380, 0,
                          BlackPixel(display, screen), BlackPixel(display, screen));
  XMapWindow(display, frame);
  XSync(display, False);

  TestHost host{KorvaneMain};
  ASSERT_NE(host.Effect(), nullptr) << host.Error();
  host.Start(44100.0f, 256);
  AEffect* e = host.Effect();
  IGraphics* gui = static_cast<KorvaneFilter*>(e->object)->GetGUI();
  ASSERT_NE(gui, nullptr);
  std::atomic<bool> stop{false};
  std::atomic<bool> opened{false};
  std::atomic<int> idles{0};

  // The editor's thread is the one that opens the window, as a host's user-interface thread.
  std::thread editor([&] {
    opened = e->dispatcher(e, effEditOpen, 0, 0, reinterpret_cast<void*>(frame), 0.0f) == 1;
    IMouseState mouse;
    mouse.L = true;
    while (opened && !stop) {
      e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.0f);
      ++idles;
      // A drag on the cutoff knob through the model's mouse dispatch.
      gui->OnMouseDown(136, 251, mouse);
      for (int dy = 0; dy < 12; dy += 4) gui->OnMouseDrag(136, 251 - dy, mouse);
      gui->OnMouseUp(136, 239);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f);
  });
  std::thread audio([&] {
    std::mt19937 random(3);
    std::vector<double> l(512, 0.5), r(512, -0.5), ol(512), orr(512);
    double* in[] = {l.data(), r.data()};
    double* out[] = {ol.data(), orr.data()};
    while (!stop) {
      host.SendMidi({{static_cast<int>(random() % 256), 0xB0, 74,
                      static_cast<unsigned char>(random() % 128)}});
      e->processDoubleReplacing(e, in, out, static_cast<int>(random() % 512));
    }
  });
  std::thread state([&] {
    std::mt19937 random(4);
    while (!stop) {
      e->setParameter(e, static_cast<int>(random() % 5), (random() % 100) / 99.0f);
      if (random() % 8 == 0) {
        e->dispatcher(e, effSetProgram, 0, static_cast<int>(random() % 8), nullptr, 0.0f);
      }
      std::this_thread::yield();
    }
  });

  std::mutex m;
  std::condition_variable cv;
  bool finished = false;
  std::thread watchdog([&] {
    std::unique_lock<std::mutex> lock(m);
    if (!cv.wait_for(lock, std::chrono::seconds(60), [&] { return finished; })) {
      std::fprintf(stderr, "ThreadStressX11: the threads did not stop within 60 s (deadlock)\n");
      std::abort();
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  stop = true;
  editor.join();
  audio.join();
  state.join();
  {
    std::lock_guard<std::mutex> lock(m);
    finished = true;
  }
  cv.notify_one();
  watchdog.join();

  EXPECT_TRUE(opened.load()) << "the editor opened in the frame";
  EXPECT_GT(idles.load(), 10) << "the window kept idling meanwhile";
  e->setParameter(e, KorvaneFilter::kCutoff, 0.25f);
  EXPECT_NEAR(e->getParameter(e, KorvaneFilter::kCutoff), 0.25f, 1e-6);
  host.Close();
  XDestroyWindow(display, frame);
  XCloseDisplay(display);
}

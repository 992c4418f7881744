// The module as installed: loaded from where the install put it, it filters, and its editor's
// manual link opens the manual installed beside it. The module's path comes from
// KORVANE_INSTALLED_MODULE (tests/build/install-check.sh sets it).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/TestHost.h"

// Xlib's macros clash with GoogleTest's names: included last.
#include <X11/Xlib.h>

namespace {

std::string InstalledModule() {
  const char* path = std::getenv("KORVANE_INSTALLED_MODULE");
  return path ? path : "";
}

std::string DirectoryOf(const std::string& path) {
  return path.substr(0, path.find_last_of('/') + 1);
}

bool IsFile(const std::string& path) {
  struct stat s {};
  return stat(path.c_str(), &s) == 0 && S_ISREG(s.st_mode);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(InstalledModule, LoadsFromWhereItWasInstalledAndFilters) {
  const std::string module = InstalledModule();
  ASSERT_FALSE(module.empty()) << "KORVANE_INSTALLED_MODULE is not set";
  TestHost host(module);
  ASSERT_NE(host.Effect(), nullptr) << host.Error();
  char name[64] = {};
  host.Dispatch(effGetEffectName, 0, 0, name);
  EXPECT_STREQ(name, "Korvane Filter (no SSE2)");
  host.Start(44100.0f, 256);
  host.SetParameter(2, 0.3f);  // a low cutoff: high noise is taken down
  std::mt19937 random(5);
  std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
  std::vector<float> inL(256), inR(256), outL(256), outR(256);
  double inEnergy = 0, outEnergy = 0;
  for (int block = 0; block < 40; ++block) {
    for (int i = 0; i < 256; ++i) inL[i] = inR[i] = noise(random);
    float* in[] = {inL.data(), inR.data()};
    float* out[] = {outL.data(), outR.data()};
    host.ProcessReplacing(in, out, 256);
    for (int i = 0; i < 256; ++i) {
      ASSERT_TRUE(std::isfinite(outL[i]) && std::isfinite(outR[i]));
      if (block >= 20) inEnergy += inL[i] * inL[i], outEnergy += outL[i] * outL[i];
    }
  }
  EXPECT_LT(outEnergy, 0.5 * inEnergy) << "the installed module filters";
}

// A host frame window on the display, the editor opened inside it, one left click on the
// manual link with xdg-open replaced by a script that records what it was asked to open.
TEST(InstalledModule, EditorLinkOpensTheManualInstalledBesideTheModule) {
  const std::string module = InstalledModule();
  ASSERT_FALSE(module.empty()) << "KORVANE_INSTALLED_MODULE is not set";
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr) << "no X display";

  char scratch[] = "/tmp/korvane-link-XXXXXX";
  ASSERT_NE(mkdtemp(scratch), nullptr);
  const std::string dir = scratch, opened = dir + "/opened";
  {
    std::ofstream opener(dir + "/xdg-open");
    opener << "#!/bin/sh\nprintf '%s' \"$1\" > '" << opened << ".part' && mv '" << opened
           << ".part' '" << opened << "'\n";
  }
  ASSERT_EQ(chmod((dir + "/xdg-open").c_str(), 0755), 0);
  const char* path = std::getenv("PATH");
  ASSERT_EQ(setenv("PATH", (dir + ":" + (path ? path : "/usr/bin:/bin")).c_str(), 1), 0);

  TestHost host(module);
  ASSERT_NE(host.Effect(), nullptr) << host.Error();
  host.Start();
  const Window frame =
      XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 274, 350, 0, 0, 0);
  XMapWindow(display, frame);
  XSync(display, False);
  ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(frame)), 1);
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  XQueryTree(display, frame, &root, &parent, &children, &count);
  ASSERT_EQ(count, 1u) << "the editor is the frame's one child";
  const Window editor = children[0];
  XFree(children);

  for (int type : {ButtonPress, ButtonRelease}) {
    XEvent e{};
    e.xbutton.type = type;
    e.xbutton.display = display;
    e.xbutton.window = editor;
    e.xbutton.root = DefaultRootWindow(display);
    e.xbutton.x = 215;  // inside the link, (186, 103) to (244, 121)
    e.xbutton.y = 112;
    e.xbutton.button = Button1;
    e.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
    e.xbutton.time = type == ButtonPress ? 1000 : 1050;
    e.xbutton.same_screen = True;
    XSendEvent(display, editor, False, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask,
               &e);
  }
  XSync(display, False);
  for (int i = 0; i < 100 && !IsFile(opened); ++i) {
    host.Dispatch(effEditIdle);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  host.Dispatch(effEditClose);
  XDestroyWindow(display, frame);
  XCloseDisplay(display);

  ASSERT_TRUE(IsFile(opened)) << "the click opened nothing";
  const std::string url = ReadAll(opened);
  EXPECT_EQ(url, DirectoryOf(module) + "KorvaneFilter_manual.pdf");
  EXPECT_TRUE(IsFile(url)) << url << " was not installed";
  std::remove(opened.c_str());
  std::remove((dir + "/xdg-open").c_str());
  rmdir(scratch);
}

}  // namespace

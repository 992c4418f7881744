// The off-screen host's platform services on Linux.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "tests/graphics/EditorTestKit.h"

namespace {

// Runs with PATH pointing at dir, restoring it afterwards.
class PathOverride {
 public:
  explicit PathOverride(const std::string& dir)
      : mOld(std::getenv("PATH") ? std::getenv("PATH") : "") {
    setenv("PATH", dir.c_str(), 1);
  }
  ~PathOverride() { setenv("PATH", mOld.c_str(), 1); }

 private:
  std::string mOld;
};

std::string MakeTempDir() {
  char pattern[] = "/tmp/korvane-offscreen-XXXXXX";
  const char* dir = mkdtemp(pattern);
  return dir ? dir : "";
}

TEST(OffscreenHost, HasNoWindowTextEntryOrDialogs) {
  RecordingPlug plug;
  IGraphicsOffscreen g(&plug, 20, 20, 18);
  int parent = 0;
  EXPECT_EQ(g.OpenWindow(&parent), nullptr);
  EXPECT_FALSE(g.WindowIsOpen());
  g.CloseWindow();
  EXPECT_TRUE(g.BlitToScreen(IRect(0, 0, 20, 20)));
  EXPECT_FALSE(g.DrawTextBox(IText(), "text", IRect(0, 0, 20, 20)));
  IColor c(1, 2, 3, 4);
  EXPECT_FALSE(g.PromptForColor(c, "colour"));
  EXPECT_EQ(c, IColor(1, 2, 3, 4));
  std::string path = "old";
  g.PromptForFile(path, 1, nullptr, nullptr);
  EXPECT_TRUE(path.empty());
}

TEST(OffscreenHost, DirectoriesEndWithTheirSeparator) {
  RecordingPlug plug;
  IGraphicsOffscreen g(&plug, 20, 20, 18);
  std::string plugin, host;
  g.GetPluginDirectory(plugin);
  g.GetHostDirectory(host);
  ASSERT_FALSE(plugin.empty());
  EXPECT_EQ(plugin.front(), '/');
  EXPECT_EQ(plugin.back(), '/');
  EXPECT_EQ(host.back(), '/');
  struct stat st {};
  EXPECT_EQ(stat(plugin.c_str(), &st), 0) << plugin << " exists";
}

TEST(OffscreenHost, OpenUrlStartsXdgOpenWithTheUrlAsOneArgument) {
  RecordingPlug plug;
  IGraphicsOffscreen g(&plug, 20, 20, 18);
  const std::string dir = MakeTempDir();
  ASSERT_FALSE(dir.empty());
  {
    PathOverride path(dir);
    EXPECT_FALSE(g.OpenURL("file:///x.pdf", nullptr, nullptr, nullptr))
        << "no xdg-open on the path: not opened";
  }
  const std::string out = dir + "/args";
  {
    std::ofstream script(dir + "/xdg-open");
    script << "#!/bin/sh\nprintf '%s|' \"$@\" > " << out << ".tmp && mv " << out << ".tmp " << out
           << "\n";
  }
  chmod((dir + "/xdg-open").c_str(), 0755);
  const char* url = "/tmp/dir with spaces/KorvaneFilter_manual.pdf; rm -rf x";
  {
    PathOverride path(dir + ":/bin:/usr/bin");
    EXPECT_FALSE(g.OpenURL(url, "caption", "Open the manual?", nullptr))
        << "nobody can confirm off screen: nothing opens";
    EXPECT_FALSE(g.OpenURL("", nullptr, nullptr, nullptr));
    EXPECT_TRUE(g.OpenURL(url, nullptr, nullptr, nullptr));
  }
  std::string args;
  for (int i = 0; i < 500 && args.empty(); ++i) {
    std::ifstream in(out);
    std::stringstream ss;
    ss << in.rdbuf();
    args = ss.str();
    if (args.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(args, std::string(url) + "|") << "the URL arrives whole, untouched by any shell";
  unlink(out.c_str());
  unlink((dir + "/xdg-open").c_str());
  rmdir(dir.c_str());
}

}  // namespace

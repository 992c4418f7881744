// The off-screen host's platform services on Linux.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
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
  IColor c(1, 2, 3, 4);
  EXPECT_FALSE(g.PromptForColor(c, "colour"));
  EXPECT_EQ(c, IColor(1, 2, 3, 4));
  std::string path = "old";
  g.PromptForFile(path, 1, nullptr, nullptr);
  EXPECT_TRUE(path.empty());
}

// A dash is the font's middle row (row 3 of 7) across all five columns: easy to find.
TEST(OffscreenHost, DrawsTextLinesInThePixelFontAlignedCentredAndClipped) {
  RecordingPlug plug;
  IGraphicsOffscreen g(&plug, 40, 20, 18);
  g.PrepareDrawing();
  IText text;
  text.color = IColor(255, 200, 100, 50);
  const Pixel32 ink = IGraphicsRaster::ToPixel(text.color);
  auto at = [&](int x, int y) { return g.GetDrawBits()[y * 40 + x]; };
  auto row = [&](int y) {
    std::string s;
    for (int x = 0; x < 40; ++x) s += at(x, y) == ink ? '#' : at(x, y) == 0 ? '.' : '?';
    return s;
  };
  const std::string blank(40, '.');
  std::memset(g.GetDrawBits(), 0, 40 * 20 * sizeof(Pixel32));  // a new bitmap is not cleared

  EXPECT_TRUE(g.DrawTextBox(text, "-", IRect(0, 0, 40, 20)));
  EXPECT_EQ(row(9), "#####" + std::string(35, '.')) << "near: at the left, row 6 + 3";
  EXPECT_EQ(row(8), blank);
  EXPECT_EQ(row(10), blank);
  std::memset(g.GetDrawBits(), 0, 40 * 20 * sizeof(Pixel32));

  text.align = IText::kAlignFar;
  g.DrawTextBox(text, "--", IRect(0, 0, 40, 20));
  EXPECT_EQ(row(9), std::string(29, '.') + "#####.#####") << "far: ends at the right edge";
  std::memset(g.GetDrawBits(), 0, 40 * 20 * sizeof(Pixel32));

  text.align = IText::kAlignCenter;
  g.DrawTextBox(text, "-", IRect(10, 0, 30, 10));
  EXPECT_EQ(row(4), std::string(17, '.') + "#####" + std::string(18, '.'))
      << "centred in 10..30, and in the height 0..10: row 1 + 3";
  std::memset(g.GetDrawBits(), 0, 40 * 20 * sizeof(Pixel32));

  text.align = IText::kAlignNear;
  g.DrawTextBox(text, "-", IRect(2, 0, 5, 20));
  EXPECT_EQ(row(9), "..###" + std::string(35, '.')) << "clipped to the box";
  std::memset(g.GetDrawBits(), 0, 40 * 20 * sizeof(Pixel32));

  text.size = 24;  // twice the scale: the dash two rows high, ten pixels wide
  g.DrawTextBox(text, "-", IRect(0, 0, 40, 20));
  EXPECT_EQ(row(9), std::string(10, '#') + std::string(30, '.'));
  EXPECT_EQ(row(10), std::string(10, '#') + std::string(30, '.'));
  EXPECT_EQ(row(8), blank);
  EXPECT_TRUE(g.DrawTextBox(text, nullptr, IRect(0, 0, 40, 20))) << "no text: nothing to do";
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

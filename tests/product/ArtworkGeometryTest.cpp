// The artwork generator draws the panel around the controls the editor places: the two must
// name the same rectangles.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "controls/IControl.h"
#include "graphics/IGraphics.h"
#include "product/KorvaneFilter.h"
#include "tests/support/TestHost.h"
#include "vst/VSTEntry.h"

namespace {

AEffect* VSTCALLBACK KorvaneMain(audioMasterCallback host) {
  return VSTCreateInstance([](audioMasterCallback h) -> BraxVST* { return new KorvaneFilter(h); },
                           host);
}

// NAME = (left, top, right, bottom) lines of the generator, by name.
std::map<std::string, IRect> GeneratorRects() {
  std::ifstream in(KORVANE_ARTWORK_SCRIPT);
  std::stringstream text;
  text << in.rdbuf();
  const std::string s = text.str();
  const std::regex line(R"(^([A-Z_]+) = \((\d+), (\d+), (\d+), (\d+)\))", std::regex::multiline);
  std::map<std::string, IRect> rects;
  for (auto it = std::sregex_iterator(s.begin(), s.end(), line); it != std::sregex_iterator();
       ++it) {
    const std::smatch& m = *it;
    rects[m[1]] = IRect(std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4]), std::stoi(m[5]));
  }
  return rects;
}

std::string Show(const IRect& r) {
  return std::to_string(r.L) + "," + std::to_string(r.T) + "," + std::to_string(r.R) + "," +
         std::to_string(r.B);
}

}  // namespace

TEST(ArtworkGeometry, TheGeneratorDrawsAroundTheControlsTheEditorPlaces) {
  const std::map<std::string, IRect> drawn = GeneratorRects();
  ASSERT_GE(drawn.size(), 8u) << "the generator's rectangles were read from "
                              << KORVANE_ARTWORK_SCRIPT;
  TestHost host{KorvaneMain};
  ASSERT_NE(host.Effect(), nullptr) << host.Error();
  IGraphics* gui = static_cast<KorvaneFilter*>(host.Effect()->object)->GetGUI();
  ASSERT_NE(gui, nullptr);
  // The controls by attach index, as the editor builds them; the emblem is the background's
  // click area.
  struct Placed {
    const char* name;
    int control;
    bool target;
  };
  const Placed placed[] = {{"EMBLEM", 0, true},       {"SHAPE_KNOB", 1, false},
                           {"CUTOFF_KNOB", 2, false}, {"RES_KNOB", 3, false},
                           {"LEVER", 4, false},       {"LAMP", 5, false},
                           {"METER", 6, false},       {"LINK", 7, false}};
  for (const Placed& p : placed) {
    const auto it = drawn.find(p.name);
    ASSERT_NE(it, drawn.end()) << "the generator names " << p.name;
    const IControl* control = gui->GetControl(p.control);
    ASSERT_NE(control, nullptr) << p.name;
    const IRect& r = p.target ? control->GetTargetRECT() : control->GetRECT();
    EXPECT_EQ(Show(it->second), Show(r))
        << p.name << " in tools/artwork/generate.py and control " << p.control << " of the editor";
  }
  const IControl* digits = gui->GetControl(8);
  ASSERT_NE(digits, nullptr);
  std::ifstream in(KORVANE_ARTWORK_SCRIPT);
  std::stringstream text;
  text << in.rdbuf();
  std::smatch m;
  const std::string script = text.str();
  ASSERT_TRUE(std::regex_search(script, m, std::regex(R"(W, H = (\d+), (\d+))")));
  EXPECT_EQ(std::stoi(m[1]), gui->Width()) << "panel width";
  EXPECT_EQ(std::stoi(m[2]), gui->Height()) << "panel height";
  ASSERT_TRUE(std::regex_search(script, m, std::regex(R"(DIGITS_X = (\d+))")));
  EXPECT_EQ(std::stoi(m[1]), digits->GetRECT().L) << "version digits column";
}

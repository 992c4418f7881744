// The artwork generator draws the panel around the controls the editor places: the two must
// name the same rectangles.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

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

// The generator's lines, one string each.
std::vector<std::string> GeneratorLines() {
  std::ifstream in(KORVANE_ARTWORK_SCRIPT);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// NAME = (left, top, right, bottom) lines of the generator, by name.
std::map<std::string, IRect> GeneratorRects() {
  std::map<std::string, IRect> rects;
  for (const std::string& line : GeneratorLines()) {
    char name[64] = {};
    int l = 0, t = 0, r = 0, b = 0;
    if (std::sscanf(line.c_str(), "%63[A-Z_] = (%d, %d, %d, %d)", name, &l, &t, &r, &b) == 5) {
      rects[name] = IRect(l, t, r, b);
    }
  }
  return rects;
}

// The integers of a line "prefix a, b, ..." of the generator; empty when there is none.
std::vector<int> GeneratorNumbers(const std::string& prefix) {
  for (const std::string& line : GeneratorLines()) {
    if (line.compare(0, prefix.size(), prefix) != 0) continue;
    std::vector<int> numbers;
    const char* p = line.c_str() + prefix.size();
    int v = 0, used = 0;
    while (std::sscanf(p, " %d%n", &v, &used) == 1) {
      numbers.push_back(v);
      p += used;
      if (*p == ',') ++p;
    }
    return numbers;
  }
  return {};
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
  const std::vector<int> size = GeneratorNumbers("W, H = ");
  ASSERT_EQ(size.size(), 2u) << "the generator's panel size";
  EXPECT_EQ(size[0], gui->Width()) << "panel width";
  EXPECT_EQ(size[1], gui->Height()) << "panel height";
  const std::vector<int> column = GeneratorNumbers("DIGITS_X = ");
  ASSERT_EQ(column.size(), 1u) << "the generator's digits column";
  EXPECT_EQ(column[0], digits->GetRECT().L) << "version digits column";
}

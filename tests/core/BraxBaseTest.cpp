#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/IControl.h"
#include "core/BraxBase.h"
#include "graphics/offscreen/IGraphicsOffscreen.h"

namespace {

// A plug-in base with recording host services, for what the base does on its own.
class RecordingPlug : public BraxBase {
 public:
  explicit RecordingPlug(const char* io, int nPresets = 8)
      : BraxBase(3, io, nPresets, "effect", "product", "vendor", 0x10203, 1, 2, 0, false, false,
                 false) {}
  std::vector<std::string> log;

  void OnParamChange(int i) override {
    log.push_back("change " + std::to_string(i) + " = " + std::to_string(GetParam(i)->Value()));
  }
  void HostBeginEdit(int) override {}
  void HostAutomate(int i, double v) override {
    log.push_back("automate " + std::to_string(i) + " (value now " +
                  std::to_string(GetParam(i)->Value()) + ", sent " + std::to_string(v) + ")");
  }
  void HostEndEdit(int) override {}
  int GetSamplePos() override { return 0; }
  double GetTempo() override { return 0; }
  void GetTimeSig(int*, int*) override {}
  void OnEditorResize(int, int) override {}
  void InitForHost() override {}
  bool SendMidiMessage(const IMidiMessage&) override { return true; }
  bool SendMidiMessages(const IMidiMessage*, int) override { return true; }
};

// The off-screen graphics object, counting drawing-surface creation.
class CountingGraphics : public IGraphicsOffscreen {
 public:
  explicit CountingGraphics(BraxBase* plug) : IGraphicsOffscreen(plug, 274, 350, 18) {}
  int surfaces = 0;
  void CreateDrawSurface() override {
    ++surfaces;
    IGraphicsOffscreen::CreateDrawSurface();
  }
};

// A control that records every value the plug-in pushes to it.
class RecordingControl : public IControl {
 public:
  RecordingControl(BraxBase* plug, int param) : IControl(plug, IRect(0, 0, 10, 10), param) {}
  std::vector<double> received;
  void SetValueFromPlugin(double v) override {
    received.push_back(v);
    IControl::SetValueFromPlugin(v);
  }
  bool Draw(IGraphics*) override { return true; }
};

}  // namespace

TEST(BraxBase, ChannelStringDeclaresPairsAndLargestCounts) {
  RecordingPlug plug("1-1 2-2");
  EXPECT_EQ(plug.ChannelConfigCount(), 2);
  EXPECT_EQ(plug.NInChannels(), 2);
  EXPECT_EQ(plug.NOutChannels(), 2);
  EXPECT_TRUE(plug.LegalIO(1, -1));
  EXPECT_TRUE(plug.LegalIO(2, 2));
  EXPECT_FALSE(plug.LegalIO(2, 1));
  EXPECT_TRUE(plug.LegalIO(-1, -1));

  RecordingPlug stereo("2-2");
  EXPECT_EQ(stereo.ChannelConfigCount(), 1);
  EXPECT_EQ(stereo.NInChannels(), 2);
  EXPECT_FALSE(stereo.LegalIO(1, -1));

  RecordingPlug none(nullptr);
  EXPECT_EQ(none.ChannelConfigCount(), 0);
  EXPECT_EQ(none.NInChannels(), 0);
  EXPECT_FALSE(none.LegalIO(-1, -1));

  RecordingPlug uneven("0-1 4-2");
  EXPECT_EQ(uneven.NInChannels(), 4);
  EXPECT_EQ(uneven.NOutChannels(), 2);
}

TEST(BraxBaseDeathTest, MalformedChannelStringStopsConstruction) {
  EXPECT_DEATH(RecordingPlug("1-1 x"), "BraxBase");
}

TEST(BraxBase, PresetsStartUnusedWithPlaceholderNames) {
  RecordingPlug plug("1-1");
  ASSERT_EQ(plug.PresetCount(), 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(plug.GetPresetName(i), "- " + std::to_string(i) + " -");
  EXPECT_STREQ(plug.GetPresetName(8), "");
  EXPECT_STREQ(plug.GetPresetName(-1), "");
}

TEST(BraxBase, EnsureOnePresetAddsADefaultOnlyWhenNoneDeclared) {
  RecordingPlug none("1-1", 0);
  none.EnsureOnePreset();
  ASSERT_EQ(none.PresetCount(), 1);
  EXPECT_STREQ(none.GetPresetName(0), "Default");
  RecordingPlug some("1-1", 2);
  some.EnsureOnePreset();
  EXPECT_EQ(some.PresetCount(), 2);
  EXPECT_STREQ(some.GetPresetName(0), "- 0 -");
}

TEST(BraxBase, GuiChangeTellsHostBeforeTheValueAndNotifiesLast) {
  RecordingPlug plug("1-1");
  plug.GetParam(1)->DefineDouble("p", 0.0, 0.0, 10.0, 1.0, "");
  plug.SetParameterFromGUI(1, 0.5);
  ASSERT_EQ(plug.log.size(), 2u);
  EXPECT_EQ(plug.log[0], "automate 1 (value now 0.000000, sent 0.500000)");
  EXPECT_EQ(plug.log[1], "change 1 = 5.000000");
  plug.log.clear();
  plug.SetParameterFromGUI(7, 0.5);
  EXPECT_TRUE(plug.log.empty()) << "an index outside the list changes nothing";
}

TEST(BraxBase, AttachEditorPushesNormalisedValuesAndTakesOwnership) {
  RecordingPlug plug("1-1");
  plug.AttachEditor(nullptr);
  EXPECT_EQ(plug.GetGUI(), nullptr);
  plug.GetParam(2)->DefineDouble("p", 25.0, 0.0, 100.0, 1.0, "");
  auto* g = new CountingGraphics(&plug);
  auto* unbound = new RecordingControl(&plug, -1);
  auto* first = new RecordingControl(&plug, 2);
  auto* second = new RecordingControl(&plug, 2);
  g->AttachControl(unbound);
  g->AttachControl(first);
  g->AttachControl(second);
  plug.AttachEditor(g);
  EXPECT_EQ(plug.GetGUI(), g);
  EXPECT_EQ(g->surfaces, 1) << "the drawing surface is created once, when attached";
  ASSERT_EQ(first->received.size(), 1u) << "each parameter is pushed once";
  EXPECT_DOUBLE_EQ(first->received[0], 0.25) << "25 of 0..100 arrives normalised";
  EXPECT_EQ(second->received, first->received) << "every control bound to the parameter";
  EXPECT_TRUE(unbound->received.empty()) << "a control bound to nothing gets no value";

  plug.GetParam(2)->SetValue(50.0);
  plug.PushParamsToEditor();
  ASSERT_EQ(first->received.size(), 2u);
  EXPECT_DOUBLE_EQ(first->received[1], 0.5) << "plain values are converted to normalised form";
}

TEST(BraxBase, VersionIsPackedOrDecimal) {
  RecordingPlug plug("1-1");
  EXPECT_EQ(plug.GetVersion(false), 0x10203);
  EXPECT_EQ(plug.GetVersion(true), 10203);
  EXPECT_EQ(plug.GetHost(), -1) << "not queried until SetHost";
  plug.SetHost("Cubase", 0x1800);
  EXPECT_EQ(plug.GetHost(), 3);
  EXPECT_EQ(plug.GetHostVersion(), 0x1800);
}

TEST(PtrList, LooksUpInsideTheListOnlyAndInsertsInOrder) {
  PtrList<int> list;
  EXPECT_EQ(list.Get(0), nullptr);
  list.Add(new int(1));
  list.Add(new int(3));
  list.Insert(1, new int(2));
  list.Insert(99, new int(4));
  ASSERT_EQ(list.Count(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(*list.Get(i), i + 1);
  EXPECT_EQ(list.Get(-1), nullptr);
  EXPECT_EQ(list.Get(4), nullptr);
  list.DeleteAll();
  EXPECT_EQ(list.Count(), 0);
}

// The standard controls through the graphics object's mouse dispatch and draw pass.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "controls/IBitmapControl.h"
#include "controls/IFilmstripKnobControl.h"
#include "controls/ILinkControl.h"
#include "controls/ISwitchControl.h"
#include "tests/graphics/EditorTestKit.h"

namespace {

const IMouseState kLeft(true, false, false, false, false);
const IMouseState kRight(false, true, false, false, false);
const IMouseState kShift(false, false, true, false, false);
const IMouseState kControl(false, false, false, true, false);

// A plug-in with a recording editor attached, as a product builds it.
struct Editor {
  RecordingPlug plug;
  RecordingGraphics* g = new RecordingGraphics(&plug, 200, 200);
  void Attach() { plug.AttachEditor(g); }
  ~Editor() {
    if (plug.GetGUI() != g) delete g;  // the plug-in owns it only once attached
  }
};

// The frame a control draws, read back from the source row it asks for.
int DrawnFrame(RecordingGraphics& g, IControl& c, const IBitmap& b) {
  g.recordBitmaps = true;
  g.bitmapCalls.clear();
  c.Draw(&g);
  if (g.bitmapCalls.empty()) return 0;
  return g.bitmapCalls.back().srcY / b.FrameH() + 1;
}

TEST(IBitmapControl, ValueRoundsToTheNearestFrame) {
  Editor e;
  const IBitmap strip(nullptr, 10, 30, 3);
  auto* c = new IBitmapControl(&e.plug, 5, 6, -1, strip);
  e.g->AttachControl(c);
  EXPECT_EQ(c->GetRECT(), IRect(5, 6, 15, 16)) << "one frame big";
  const struct {
    double value;
    int frame;
  } cases[] = {{0.0, 1}, {0.24, 1}, {0.25, 2}, {0.74, 2}, {0.75, 3}, {1.0, 3}};
  for (const auto& k : cases) {
    e.g->SetControlFromPlugin(0, k.value);
    EXPECT_EQ(DrawnFrame(*e.g, *c, strip), k.frame) << "value " << k.value;
  }
  const IBitmap single(nullptr, 10, 10, 1);
  IFilmstripKnobControl knob(&e.plug, 0, 0, -1, single, 0, 6.0);
  knob.SetValueFromPlugin(0.9);
  EXPECT_EQ(DrawnFrame(*e.g, knob, single), 1) << "a one-frame knob always draws frame 1";
}

TEST(ISwitchControl, LeftClicksCycleThroughTheFramesAndWrap) {
  const struct {
    int frames;
    std::vector<double> values;
  } cases[] = {{1, {1.0, 0.0, 1.0}}, {2, {1.0, 0.0, 1.0}}, {4, {1.0 / 3, 2.0 / 3, 1.0, 0.0}}};
  for (const auto& k : cases) {
    Editor e;
    const IBitmap strip(nullptr, 10, 10 * k.frames, k.frames);
    auto* s = new ISwitchControl(&e.plug, 0, 0, 1, strip);
    e.g->AttachControl(s);
    e.Attach();
    for (double want : k.values) {
      e.g->OnMouseDown(5, 5, kLeft);
      e.g->OnMouseUp(5, 5);
      EXPECT_NEAR(s->GetValue(), want, 1e-12) << k.frames << " frames";
      EXPECT_NEAR(e.plug.GetParam(1)->Value(), want, 1e-12) << "the click reaches the plug-in";
    }
    EXPECT_EQ(e.plug.Count("begin 1"), static_cast<int>(k.values.size()));
    EXPECT_EQ(e.plug.Count("end 1"), static_cast<int>(k.values.size()));
  }
}

TEST(ISwitchControl, RightClickOpensTextEntryAndResendsTheValue) {
  Editor e;
  const IBitmap strip(nullptr, 10, 20, 2);
  auto* s = new ISwitchControl(&e.plug, 0, 0, 1, strip);
  e.g->AttachControl(s);
  e.Attach();
  e.g->OnMouseDown(5, 5, kRight);
  EXPECT_EQ(s->GetValue(), 0.0) << "not stepped";
  ASSERT_EQ(e.g->textEntries.size(), 1u);
  EXPECT_EQ(e.g->textEntries[0].first, s);
  EXPECT_EQ(e.g->textEntries[0].second, e.plug.GetParam(1));
  EXPECT_EQ(e.plug.Count("set 1 0"), 1) << "the unchanged value is sent again";
  s->DisableTextEntry(true);
  e.g->OnMouseDown(5, 5, kRight);
  EXPECT_EQ(e.g->textEntries.size(), 1u) << "text entry disabled: nothing opens";
}

TEST(IFilmstripKnobControl, DraggingByItsHeightMovesOneGearingth) {
  Editor e;
  const IBitmap strip(nullptr, 30, 50 * 10, 10);
  auto* knob = new IFilmstripKnobControl(&e.plug, 0, 0, 2, strip, 0, 6.0);
  auto* slider = new IFilmstripKnobControl(&e.plug, 100, 0, 1, strip, 1, 2.0);
  e.g->AttachControl(knob);
  e.g->AttachControl(slider);
  e.Attach();
  e.g->OnMouseDown(10, 40, kLeft);
  for (int y = 39; y >= -10; --y) e.g->OnMouseDrag(10, y, kLeft);  // up 50 px, off the control
  e.g->OnMouseUp(10, -10);
  EXPECT_NEAR(knob->GetValue(), 1.0 / 6.0, 1e-12);
  EXPECT_NEAR(e.plug.GetParam(2)->Value(), 1.0 / 6.0, 1e-12);
  e.g->OnMouseDown(10, 10, kLeft);
  e.g->OnMouseDrag(10, 300, kLeft);
  e.g->OnMouseUp(10, 300);
  EXPECT_EQ(knob->GetValue(), 0.0) << "dragging down far clamps at 0";

  e.g->OnMouseDown(110, 10, kLeft);
  e.g->OnMouseDrag(125, 10, kLeft);
  e.g->OnMouseUp(125, 10);
  EXPECT_NEAR(slider->GetValue(), 0.25, 1e-12) << "horizontal: half the width at gearing 2";
  EXPECT_EQ(e.plug.Count("begin 2"), 2);
  EXPECT_EQ(e.plug.Count("end 2"), 2);
}

TEST(IControl, WheelStepsFineWithShiftOrControlAndClamps) {
  Editor e;
  auto* c = new ProbeControl(&e.plug, IRect(0, 0, 10, 10), nullptr, "", 0);
  e.g->AttachControl(c);
  e.Attach();
  e.g->OnMouseWheel(5, 5, IMouseState(), 1);
  EXPECT_NEAR(c->GetValue(), 0.01, 1e-12);
  e.g->OnMouseWheel(5, 5, kShift, 1);
  EXPECT_NEAR(c->GetValue(), 0.011, 1e-12);
  e.g->OnMouseWheel(5, 5, kControl, -2);
  EXPECT_NEAR(c->GetValue(), 0.009, 1e-12);
  e.g->SetControlFromPlugin(0, 1.0);
  e.g->OnMouseWheel(5, 5, IMouseState(), 1);
  EXPECT_EQ(c->GetValue(), 1.0);
  EXPECT_EQ(e.plug.Count("begin 0"), 0) << "no begin or end around wheel changes";
}

TEST(IControl, DoubleClickRestoresTheFirstValueFromThePlugin) {
  Editor e;
  auto* fresh = new ProbeControl(&e.plug, IRect(0, 0, 10, 10), nullptr, "", -1);
  auto* bound = new ProbeControl(&e.plug, IRect(20, 0, 30, 10), nullptr, "", 0);
  e.g->AttachControl(fresh);
  e.g->AttachControl(bound);
  e.plug.GetParam(0)->SetNormalized(0.4);
  e.Attach();
  EXPECT_EQ(bound->GetDefaultValue(), 0.4);
  e.g->OnMouseWheel(25, 5, IMouseState(), 20);
  e.g->SetControlFromPlugin(1, 0.9);
  e.g->OnMouseDoubleClick(25, 5, kLeft);
  EXPECT_EQ(bound->GetValue(), 0.4);
  EXPECT_EQ(e.plug.GetParam(0)->GetNormalized(), 0.4) << "the default is sent to the plug-in";
  fresh->SetValue(0.7);
  e.g->OnMouseDoubleClick(5, 5, kLeft);
  EXPECT_EQ(fresh->GetValue(), 0.7) << "no value from the plug-in yet: nothing to restore";
}

TEST(IControl, UnchangedPluginValueMarksNothingAndNanBecomesZero) {
  Editor e;
  auto* c = new ProbeControl(&e.plug, IRect(0, 0, 10, 10), nullptr, "", 0);
  e.g->AttachControl(c);
  e.Attach();
  e.g->Draw(IRect(0, 0, 10, 10));
  e.g->Draw(IRect(0, 0, 10, 10));
  ASSERT_FALSE(c->IsDirty());
  e.g->SetParameterFromPlugin(0, c->GetValue(), true);
  EXPECT_FALSE(c->IsDirty()) << "the same value again changes nothing";
  e.g->SetControlFromPlugin(0, std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(c->GetValue(), 0.0);
  e.g->SetControlFromPlugin(0, 7.0);
  EXPECT_EQ(c->GetValue(), 1.0);
  e.g->SetControlFromPlugin(0, -7.0);
  EXPECT_EQ(c->GetValue(), 0.0);
}

TEST(IControl, RightClickOpensTextEntryOnlyForBoundEnabledControls) {
  Editor e;
  auto* unbound = new ProbeControl(&e.plug, IRect(0, 0, 10, 10), nullptr, "", -1);
  auto* bound = new ProbeControl(&e.plug, IRect(20, 0, 30, 10), nullptr, "", 2);
  auto* past = new ProbeControl(&e.plug, IRect(40, 0, 50, 10), nullptr, "", 9);
  e.g->AttachControl(unbound);
  e.g->AttachControl(bound);
  e.g->AttachControl(past);
  e.Attach();
  e.g->OnMouseDown(5, 5, kRight);
  EXPECT_TRUE(e.g->textEntries.empty()) << "a control bound to nothing opens no entry";
  e.g->Draw(IRect(0, 0, 60, 10));
  e.g->Draw(IRect(0, 0, 60, 10));
  e.g->OnMouseDown(25, 5, kRight);
  ASSERT_EQ(e.g->textEntries.size(), 1u);
  EXPECT_EQ(e.g->textEntries[0].second, e.plug.GetParam(2));
  EXPECT_FALSE(bound->IsDirty()) << "the entry only sets the latch";
  e.g->Draw(IRect(0, 0, 60, 10));
  EXPECT_TRUE(bound->IsDirty()) << "so the control is drawn one pass later";
  e.g->OnMouseDown(45, 5, kRight);
  ASSERT_EQ(e.g->textEntries.size(), 2u);
  EXPECT_EQ(e.g->textEntries[1].second, nullptr) << "an index past the list gives no parameter";

  bound->SetValueFromTextEntry(0.3);
  EXPECT_EQ(e.plug.GetParam(2)->GetNormalized(), 0.3);
  e.plug.log.clear();
  bound->SetValueFromTextEntry(0.3);
  EXPECT_TRUE(e.plug.log.empty()) << "an unchanged typed value is not sent";
}

TEST(IControl, GreyedOutDrawsAtQuarterWeightAndIsNotHitHiddenIsNeither) {
  Editor e;
  const IBitmap strip(nullptr, 10, 10, 1);
  auto* c = new IBitmapControl(&e.plug, 0, 0, -1, strip);
  auto* blank = new ProbeControl(&e.plug, IRect(20, 0, 30, 10), nullptr, "");
  e.g->AttachControl(c);
  e.g->AttachControl(blank);
  blank->SetTargetArea(IRect());
  EXPECT_EQ(e.g->FindControlAt(25, 5), -1) << "an all-zero target rectangle is never hit";
  c->GrayOut(true);
  EXPECT_EQ(e.g->FindControlAt(5, 5), -1);
  e.g->recordBitmaps = true;
  e.g->Draw(IRect(0, 0, 10, 10));
  ASSERT_EQ(e.g->bitmapCalls.size(), 1u);
  EXPECT_EQ(e.g->bitmapCalls[0].weight, 0.25f);
  c->GrayOut(false);
  EXPECT_EQ(e.g->FindControlAt(5, 5), 0);
  c->Hide(true);
  e.g->bitmapCalls.clear();
  e.g->Draw(IRect(0, 0, 10, 10));
  EXPECT_TRUE(e.g->bitmapCalls.empty());
  EXPECT_EQ(e.g->FindControlAt(5, 5), -1);
}

TEST(ILinkControl, OpensItsUrlOrTheBackupAndNothingElse) {
  Editor e;
  auto* link =
      new ILinkControl(&e.plug, IRect(0, 0, 10, 10), "/a/manual.pdf", "/b/backup.pdf", "Manual");
  auto* none = new ILinkControl(&e.plug, IRect(20, 0, 30, 10), nullptr, nullptr, nullptr);
  const std::string tooLong(300, 'x');
  auto* longer = new ILinkControl(&e.plug, IRect(40, 0, 50, 10), tooLong.c_str(), "", "");
  e.g->AttachControl(link);
  e.g->AttachControl(none);
  e.g->AttachControl(longer);
  e.Attach();
  e.g->OnMouseDown(5, 5, kRight);
  EXPECT_EQ(e.g->urls, (std::vector<std::string>{"/a/manual.pdf"})) << "any button opens it";
  e.g->failingUrls = {"/a/manual.pdf"};
  e.g->OnMouseDown(5, 5, kLeft);
  EXPECT_EQ(e.g->urls,
            (std::vector<std::string>{"/a/manual.pdf", "/a/manual.pdf", "/b/backup.pdf"}));
  e.g->urls.clear();
  e.g->OnMouseDown(25, 5, kLeft);
  e.g->OnMouseDown(45, 5, kLeft);
  EXPECT_TRUE(e.g->urls.empty()) << "no URL, or one too long for the field, opens nothing";
  EXPECT_STREQ(longer->GetURL(), "");
  EXPECT_TRUE(e.plug.log.empty()) << "links send nothing to the plug-in";
}

}  // namespace

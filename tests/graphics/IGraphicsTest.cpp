// The editor model through its interface: rectangles, draw pass, dirty tracking, hit testing
// and mouse dispatch.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "controls/IBitmapControl.h"
#include "tests/graphics/EditorTestKit.h"

namespace {

const IMouseState kLeft(true, false, false, false, false);

TEST(IRect, UnionSkipsEmptySidesAndOtherwiseBounds) {
  const IRect a(10, 10, 20, 20), b(15, 5, 30, 12);
  EXPECT_EQ(IRect().Union(a), a);
  EXPECT_EQ(a.Union(IRect()), a);
  EXPECT_EQ(a.Union(b), IRect(10, 5, 30, 20));
  EXPECT_TRUE(IRect().Union(IRect()).IsEmpty());
  EXPECT_FALSE(IRect(0, 0, 0, 1).IsEmpty()) << "only the all-zero rectangle is empty";
}

TEST(IRect, IntersectsCountsTheFirstRectanglesRightAndBottomEdgesAsTouching) {
  const IRect redrawn(10, 10, 20, 20);
  EXPECT_TRUE(redrawn.Intersects(IRect(20, 12, 30, 14))) << "control left = redrawn right";
  EXPECT_TRUE(redrawn.Intersects(IRect(12, 20, 14, 30))) << "control top = redrawn bottom";
  EXPECT_FALSE(redrawn.Intersects(IRect(0, 12, 10, 14))) << "control right = redrawn left";
  EXPECT_FALSE(redrawn.Intersects(IRect(12, 0, 14, 10))) << "control bottom = redrawn top";
  EXPECT_FALSE(redrawn.Intersects(IRect()));
  EXPECT_FALSE(IRect().Intersects(redrawn));
  EXPECT_EQ(redrawn.Intersect(IRect(15, 0, 40, 12)), IRect(15, 10, 20, 12));
  EXPECT_TRUE(redrawn.Intersect(IRect(0, 12, 10, 14)).IsEmpty());
  EXPECT_EQ(redrawn.Intersect(IRect(20, 12, 30, 14)).W(), 0) << "an edge overlap has no width";
}

TEST(IRect, ContainsIncludesLeftAndTopOnly) {
  const IRect r(10, 10, 20, 20);
  EXPECT_TRUE(r.Contains(10, 10));
  EXPECT_TRUE(r.Contains(19, 19));
  EXPECT_FALSE(r.Contains(20, 15));
  EXPECT_FALSE(r.Contains(15, 20));
  EXPECT_FALSE(IRect().Contains(0, 0)) << "the empty rectangle contains nothing";
}

TEST(IGraphics, EmptyEditorDrawsNothingAndFindsNothing) {
  RecordingPlug plug;
  RecordingGraphics g(&plug);
  IRect dirty;
  EXPECT_TRUE(g.Draw(IRect(0, 0, 10, 10)));
  EXPECT_FALSE(g.IsDirty(dirty));
  EXPECT_TRUE(dirty.IsEmpty());
  EXPECT_EQ(g.FindControlAt(5, 5), -1);
  g.OnMouseDown(5, 5, kLeft);
  g.OnMouseUp(5, 5);
  EXPECT_TRUE(plug.log.empty());
  EXPECT_EQ(g.NControls(), 0);
  EXPECT_EQ(g.FPS(), 24) << "a frame rate of 0 becomes 24";
}

TEST(IGraphics, DrawsFirstToLastAndHitsLastToFirst) {
  RecordingPlug plug;
  RecordingGraphics g(&plug);
  std::vector<std::string> drawn;
  EXPECT_EQ(g.AttachControl(new ProbeControl(&plug, IRect(0, 0, 50, 50), &drawn, "under")), 0);
  EXPECT_EQ(g.AttachControl(new ProbeControl(&plug, IRect(20, 20, 40, 40), &drawn, "over")), 1);
  g.Draw(IRect(0, 0, 100, 100));
  EXPECT_EQ(drawn, (std::vector<std::string>{"under", "over"}));
  EXPECT_EQ(g.FindControlAt(30, 30), 1) << "the control attached later is on top";
  EXPECT_EQ(g.FindControlAt(10, 10), 0);
  EXPECT_EQ(g.FindControlAt(60, 60), -1);

  g.GetControl(1)->GrayOut(true);
  EXPECT_EQ(g.FindControlAt(30, 30), 0) << "a greyed-out control lets the click through";
  g.GetControl(1)->GrayOut(false);
  g.GetControl(1)->Hide(true);
  EXPECT_EQ(g.FindControlAt(30, 30), 0) << "a hidden control lets the click through";
  drawn.clear();
  g.Draw(IRect(0, 0, 100, 100));
  EXPECT_EQ(drawn, (std::vector<std::string>{"under"})) << "a hidden control is not drawn";
}

TEST(IGraphics, DrawPassDrawsWhatMeetsTheRectangleAndCleansEverything) {
  RecordingPlug plug;
  RecordingGraphics g(&plug);
  std::vector<std::string> drawn;
  g.AttachControl(new ProbeControl(&plug, IRect(20, 0, 30, 10), &drawn, "right edge"));
  g.AttachControl(new ProbeControl(&plug, IRect(0, 0, 10, 10), &drawn, "left edge"));
  g.AttachControl(new ProbeControl(&plug, IRect(60, 60, 70, 70), &drawn, "far"));
  g.Draw(IRect(10, 0, 20, 10));
  EXPECT_EQ(drawn, (std::vector<std::string>{"right edge"}))
      << "a control starting at the redrawn rectangle's right edge is drawn, one ending at its "
         "left edge is not";
  EXPECT_EQ(g.DrawRect(), IRect(10, 0, 20, 10));
  IRect dirty;
  EXPECT_FALSE(g.IsDirty(dirty)) << "every control is cleaned, drawn or not";
}

TEST(IGraphics, PluginChangeStaysDirtyForOneMorePassAndUserChangeForOne) {
  RecordingPlug plug;
  RecordingGraphics g(&plug);
  g.AttachControl(new ProbeControl(&plug, IRect(0, 0, 10, 10), nullptr, "a", 0));
  g.AttachControl(new ProbeControl(&plug, IRect(40, 40, 50, 50), nullptr, "b", 1));
  const IRect all(0, 0, 100, 100);
  g.Draw(all);
  IRect dirty;
  ASSERT_FALSE(g.IsDirty(dirty));

  g.SetControlFromPlugin(1, 0.5);
  dirty = IRect();
  ASSERT_TRUE(g.IsDirty(dirty));
  EXPECT_EQ(dirty, IRect(40, 40, 50, 50)) << "only the changed control's rectangle";
  g.Draw(all);
  dirty = IRect();
  EXPECT_TRUE(g.IsDirty(dirty)) << "the latch keeps a plug-in change for a second pass";
  g.Draw(all);
  dirty = IRect();
  EXPECT_FALSE(g.IsDirty(dirty));

  g.GetControl(0)->SetDirty(false);
  g.Draw(all);
  dirty = IRect();
  EXPECT_FALSE(g.IsDirty(dirty)) << "a change made in the editor is drawn once";

  g.GetControl(0)->Hide(true);
  g.GetControl(1)->SetDirty(false);
  dirty = IRect();
  EXPECT_TRUE(g.IsDirty(dirty));
  EXPECT_EQ(dirty, IRect(0, 0, 50, 50)) << "a hidden dirty control still asks for its area";

  g.SetAllControlsDirty();
  g.Draw(all);
  g.Draw(all);
  dirty = IRect();
  EXPECT_FALSE(g.IsDirty(dirty));
  g.SetAllControlsDirty();
  dirty = IRect();
  EXPECT_TRUE(g.IsDirty(dirty));
  EXPECT_EQ(dirty, IRect(0, 0, 50, 50));
}

TEST(IGraphics, ParameterValuesReachEveryBoundControlAndIndexedValuesOnlyTheirs) {
  RecordingPlug plug;
  RecordingGraphics g(&plug);
  for (int param : {1, 2, 1}) {
    g.AttachControl(new ProbeControl(&plug, IRect(0, 0, 10, 10), nullptr, "", param));
  }
  g.SetParameterFromPlugin(1, 0.25, true);
  EXPECT_EQ(g.GetControl(0)->GetValue(), 0.25);
  EXPECT_EQ(g.GetControl(2)->GetValue(), 0.25) << "both controls bound to parameter 1";
  EXPECT_EQ(g.GetControl(1)->GetValue(), 0.0);
  plug.GetParam(2)->DefineDouble("p", 0.0, 0.0, 200.0, 1.0, "");
  g.SetParameterFromPlugin(2, 50.0, false);
  EXPECT_EQ(g.GetControl(1)->GetValue(), 0.25) << "a plain value is normalised first";

  g.SetControlFromPlugin(1, 0.75);
  EXPECT_EQ(g.GetControl(1)->GetValue(), 0.75);
  g.SetControlFromPlugin(-1, 0.9);
  g.SetControlFromPlugin(3, 0.9);
  for (int i = 0; i < 3; ++i) EXPECT_NE(g.GetControl(i)->GetValue(), 0.9) << "control " << i;
  EXPECT_TRUE(plug.log.empty()) << "values from the plug-in are not sent back to it";
}

TEST(IGraphics, PressDragAndReleaseStayWithThePressedControlAndBracketTheEdit) {
  RecordingPlug plug;
  RecordingGraphics g(&plug);
  auto* bound = new ProbeControl(&plug, IRect(0, 0, 10, 10), nullptr, "", 2);
  auto* unbound = new ProbeControl(&plug, IRect(50, 50, 60, 60), nullptr, "");
  g.AttachControl(bound);
  g.AttachControl(unbound);

  g.OnMouseDown(5, 5, kLeft);
  g.OnMouseDrag(5, 5, kLeft);
  g.OnMouseDrag(30, 2, kLeft);
  g.OnMouseDrag(55, 55, kLeft);
  EXPECT_EQ(g.FindControlAt(55, 55), 0) << "the captured control gets every event";
  g.OnMouseUp(55, 55);
  EXPECT_EQ(bound->events, (std::vector<std::string>{"down 5,5", "drag 30,2 by 25,-3",
                                                     "drag 55,55 by 25,53", "up 55,55"}))
      << "a drag to the same position is not passed on";
  EXPECT_TRUE(unbound->events.empty());
  EXPECT_EQ(plug.log, (std::vector<std::string>{"begin 2", "end 2"}));
  EXPECT_EQ(g.FindControlAt(55, 55), 1) << "the release ends the capture";

  plug.log.clear();
  g.OnMouseDown(55, 55, kLeft);
  g.OnMouseUp(55, 55);
  EXPECT_TRUE(plug.log.empty()) << "a control bound to nothing sends no begin or end";

  g.OnMouseDown(90, 90, kLeft);
  g.OnMouseDrag(5, 5, kLeft);
  EXPECT_EQ(bound->events.size(), 4u) << "after a click on nothing, a drag reaches nobody";
}

TEST(IGraphics, ReleaseAfterDoubleClickSendsNoEndWithoutABegin) {
  RecordingPlug plug;
  RecordingGraphics g(&plug);
  g.AttachControl(new ProbeControl(&plug, IRect(0, 0, 10, 10), nullptr, "", 1));
  g.SetParameterFromPlugin(1, 0.5, true);
  g.OnMouseDown(5, 5, kLeft);
  g.OnMouseUp(5, 5);
  EXPECT_FALSE(g.OnMouseDoubleClick(5, 5, kLeft)) << "the host takes no capture";
  g.OnMouseUp(5, 5);
  EXPECT_EQ(plug.Count("begin 1"), 1);
  EXPECT_EQ(plug.Count("end 1"), 1) << "begin and end stay paired for the host";
}

TEST(IGraphics, BackgroundGoesToIndexZeroAndShiftsTheOthers) {
  RecordingPlug plug;
  RecordingGraphics g(&plug);
  std::vector<IControl*> controls;
  for (int i = 0; i < 3; ++i) {
    controls.push_back(new ProbeControl(&plug, IRect(0, 0, 10, 10), nullptr, ""));
    g.AttachControl(controls.back());
  }
  g.loadWidth = 100;
  g.loadHeight = 100;
  g.AttachBackground(FreshResourceId(), "bg.png");
  ASSERT_EQ(g.NControls(), 4);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(g.GetControl(i + 1), controls[static_cast<size_t>(i)]);
  const IControl* bg = g.GetControl(0);
  EXPECT_EQ(bg->GetRECT(), IRect(0, 0, 100, 100));
  EXPECT_EQ(bg->ParamIdx(), -1);
  EXPECT_EQ(bg->GetBlend().method, IBlend::kBlendOpaque);
  EXPECT_EQ(g.AttachControl(new ProbeControl(&plug, IRect(), nullptr, "")), 4);
  EXPECT_EQ(g.FindControlAt(5, 5), 3) << "the background is hit last";
}

TEST(IGraphics, FrameNumberChoosesTheSourceRowOfTheStrip) {
  RecordingPlug plug;
  RecordingGraphics g(&plug);
  g.recordBitmaps = true;
  const IBitmap strip(nullptr, 10, 30, 3), single(nullptr, 10, 30, 1);
  const IRect r(0, 0, 10, 10);
  for (int frame : {0, 1, 2, 3}) g.DrawBitmapFrame(strip, r, frame, nullptr);
  g.DrawBitmapFrame(single, r, 3, nullptr);
  ASSERT_EQ(g.bitmapCalls.size(), 5u);
  EXPECT_EQ(g.bitmapCalls[0].srcY, 0);
  EXPECT_EQ(g.bitmapCalls[1].srcY, 0);
  EXPECT_EQ(g.bitmapCalls[2].srcY, 10);
  EXPECT_EQ(g.bitmapCalls[3].srcY, 20);
  EXPECT_EQ(g.bitmapCalls[4].srcY, 0) << "a single-frame bitmap always draws from row 0";
}

TEST(IGraphics, ResizeDropsTheControlsAndTellsThePlugin) {
  RecordingPlug plug;
  RecordingGraphics g(&plug);
  g.AttachControl(new ProbeControl(&plug, IRect(0, 0, 10, 10), nullptr, "", 1));
  g.OnMouseDown(5, 5, kLeft);
  g.Resize(200, 120);
  EXPECT_EQ(g.NControls(), 0);
  EXPECT_EQ(g.Width(), 200);
  EXPECT_EQ(g.Height(), 120);
  EXPECT_EQ(g.FindControlAt(5, 5), -1) << "the capture is gone with the controls";
  EXPECT_EQ(plug.log.back(), "resize");
}

// Host threads push values while the editor thread collects and draws: the flags and values
// they share are atomics, so this runs clean under ThreadSanitizer.
TEST(IGraphics, ValuesFromAnotherThreadDuringDrawPassesAreSafeAndEndUpDrawn) {
  RecordingPlug plug;
  RecordingGraphics g(&plug);
  g.AttachControl(new ProbeControl(&plug, IRect(0, 0, 10, 10), nullptr, "", 0));
  g.AttachControl(new ProbeControl(&plug, IRect(10, 0, 20, 10), nullptr, ""));
  std::atomic<bool> done{false};
  std::thread audio([&] {
    for (int i = 1; i <= 2000; ++i) {
      g.SetControlFromPlugin(1, i / 2000.0);
      g.SetParameterFromPlugin(0, i / 4000.0, true);
    }
    done = true;
  });
  while (!done) {
    IRect dirty;
    if (g.IsDirty(dirty)) g.Draw(dirty);
  }
  audio.join();
  EXPECT_EQ(g.GetControl(1)->GetValue(), 1.0);
  EXPECT_EQ(g.GetControl(0)->GetValue(), 0.5);
}

}  // namespace

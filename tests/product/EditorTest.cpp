// The product's editor, driven through the VST 2 interface by the test host and read back from
// the off-screen drawing bitmap.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "controls/IControl.h"
#include "graphics/IGraphics.h"
#include "product/KorvaneFilter.h"
#include "raster/PngLoader.h"
#include "raster/RasterBitmap.h"
#include "resources/KorvaneFilterResources.h"
#include "tests/support/TestHost.h"
#include "vst/VSTEntry.h"

namespace {

constexpr int kW = 274, kH = 350;
const IMouseState kLeft(true, false, false, false, false);
const IMouseState kRight(false, true, false, false, false);

AEffect* VSTCALLBACK KorvaneMain(audioMasterCallback host) {
  return VSTCreateInstance([](audioMasterCallback h) -> BraxVST* { return new KorvaneFilter(h); },
                           host);
}

using Picture = std::vector<Pixel32>;

class Editor : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(host.Effect(), nullptr) << host.Error();
    plug = static_cast<KorvaneFilter*>(host.Effect()->object);
    gui = plug->GetGUI();
    ASSERT_NE(gui, nullptr);
  }

  // One full draw pass; the colour of every pixel (the drawing bitmap's alpha is not shown).
  Picture Render() {
    gui->Draw(IRect(0, 0, kW, kH));
    const Pixel32* bits = gui->GetDrawBits();
    Picture p(bits, bits + kW * kH);
    for (Pixel32& px : p) px &= 0x00FFFFFFu;
    return p;
  }

  // A bitmap of the module's own images, from the store.
  IBitmap Image(int id, const char* name, int frames) {
    return gui->LoadBitmapResource(id, name, frames);
  }

  void Click(int x, int y, const IMouseState& m = kLeft) {
    gui->OnMouseDown(x, y, m);
    gui->OnMouseUp(x, y);
  }

  TestHost host{KorvaneMain};
  KorvaneFilter* plug = nullptr;
  IGraphics* gui = nullptr;
};

Pixel32 At(const Picture& p, int x, int y) {
  return p[static_cast<size_t>(y) * kW + static_cast<size_t>(x)];
}

Pixel32 BitmapAt(const IBitmap& b, int x, int y) {
  return b.data->getBits()[static_cast<size_t>(y) * static_cast<size_t>(b.W) +
                           static_cast<size_t>(x)] &
         0x00FFFFFFu;
}

TEST_F(Editor, HostSeesThePanelSizedEditor) {
  EXPECT_EQ(host.Effect()->flags, 0x1019);
  ERect* rect = nullptr;
  ASSERT_EQ(host.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->right - rect->left, kW);
  EXPECT_EQ(rect->bottom - rect->top, kH);
  EXPECT_EQ(gui->FPS(), 18);
}

TEST_F(Editor, NineControlsInTheirPlacesWithTheirBindings) {
  ASSERT_EQ(gui->NControls(), 9);
  const struct {
    IRect rect, target;
    int param;
  } want[] = {
      {{0, 0, 274, 350}, {26, 102, 88, 121}, 0},
      {{53, 240, 77, 263}, {53, 240, 77, 263}, 1},
      {{121, 237, 152, 265}, {121, 237, 152, 265}, 2},
      {{195, 240, 219, 263}, {195, 240, 219, 263}, 3},
      {{176, 188, 217, 200}, {172, 184, 221, 216}, 4},
      {{198, 179, 228, 210}, {}, -1},
      {{108, 133, 169, 158}, {108, 133, 169, 158}, -1},
      {{186, 103, 244, 121}, {186, 103, 244, 121}, -1},
      {{259, 311, 268, 332}, {259, 311, 268, 332}, -1},
  };
  for (int i = 0; i < 9; ++i) {
    const IControl* c = gui->GetControl(i);
    EXPECT_EQ(c->GetRECT(), want[i].rect) << "control " << i;
    EXPECT_EQ(c->GetTargetRECT(), want[i].target) << "control " << i;
    EXPECT_EQ(c->ParamIdx(), want[i].param) << "control " << i;
  }
  EXPECT_TRUE(gui->GetControl(0)->IsTextEntryDisabled());
  EXPECT_TRUE(gui->GetControl(5)->IsTextEntryDisabled());
  EXPECT_EQ(gui->GetControl(0)->GetBlend().method, IBlend::kBlendOpaque);
  EXPECT_EQ(gui->GetControl(5)->GetBlend().method, IBlend::kBlendAdd);
  EXPECT_EQ(gui->GetControl(2)->GetValue(), 1.0) << "the cutoff knob shows 18000 Hz";
  EXPECT_NEAR(gui->GetControl(3)->GetValue(), std::sqrt(0.35), 1e-12);
  EXPECT_EQ(gui->GetControl(4)->GetValue(), 1.0) << "the limiter starts on";
}

TEST_F(Editor, ProcessingFeedsTheLampAndTheMeterByTheirStoredIndices) {
  host.Start(44100.0f, 512);
  host.SetParameter(KorvaneFilter::kBrickwall, 1.0f);
  std::vector<float> inL(512), inR(512), outL(512), outR(512);
  for (int i = 0; i < 512; ++i) inL[i] = inR[i] = 1.3f;
  float* in[] = {inL.data(), inR.data()};
  float* out[] = {outL.data(), outR.data()};
  // Until a display update has just happened (the countdown restarts then).
  int blocks = 0;
  do {
    host.ProcessReplacing(in, out, 512);
  } while ((++blocks < 2 || plug->GetMeterCountdown() != 4) && blocks < 100);
  ASSERT_GT(plug->GetLimiterIndicator(), 0.0) << "loud input drives the limiter";
  const double lamp = std::min(1.0, plug->GetLimiterIndicator());
  EXPECT_EQ(gui->GetControl(5)->GetValue(), lamp) << "the lamp is control 5";
  EXPECT_GT(gui->GetControl(6)->GetValue(), 0.0) << "the meter is control 6";
  EXPECT_EQ(gui->GetControl(6)->GetValue(), std::min(1.0, plug->GetOutputEnvelope()));
}

TEST_F(Editor, EmblemClickSwitchesTheCaptioningAndElsewhereDoesNot) {
  const IBitmap bg = Image(BG_ID, BG_FN, 2);
  // A point in the panel's caption area that no control covers.
  const int x = 137, y = 92;
  ASSERT_NE(BitmapAt(bg, x, y), BitmapAt(bg, x, y + kH)) << "the captionings differ there";
  EXPECT_EQ(At(Render(), x, y), BitmapAt(bg, x, y));

  Click(30, 110);
  EXPECT_EQ(host.GetParameter(0), 1.0f);
  EXPECT_EQ(At(Render(), x, y), BitmapAt(bg, x, y + kH)) << "the second frame is shown";
  Click(100, 110);
  EXPECT_EQ(host.GetParameter(0), 1.0f) << "outside the emblem nothing changes";
  Click(30, 110, kRight);
  EXPECT_EQ(host.GetParameter(0), 1.0f) << "a right click neither steps nor opens an entry";
  Click(30, 110);
  EXPECT_EQ(host.GetParameter(0), 0.0f);
  EXPECT_EQ(At(Render(), x, y), BitmapAt(bg, x, y));
  EXPECT_EQ(host.CountCalls(audioMasterBeginEdit), 3);
  EXPECT_EQ(host.CountCalls(audioMasterEndEdit), 3);
}

TEST_F(Editor, ClickBelowTheLeverStillTogglesTheLimiter) {
  ASSERT_EQ(host.GetParameter(KorvaneFilter::kBrickwall), 1.0f);
  Click(219, 214);
  EXPECT_EQ(host.GetParameter(KorvaneFilter::kBrickwall), 0.0f);
  Click(219, 214);
  EXPECT_EQ(host.GetParameter(KorvaneFilter::kBrickwall), 1.0f);
  Click(213, 194);
  EXPECT_EQ(host.GetParameter(KorvaneFilter::kBrickwall), 0.0f)
      << "the lamp over the lever never takes the click";
}

TEST_F(Editor, KnobDraggedByItsHeightMovesASixthAndTellsTheHost) {
  host.SetParameter(KorvaneFilter::kResonance, 0.5f);
  gui->OnMouseDown(207, 250, kLeft);
  gui->OnMouseDrag(207, 250 - 23, kLeft);
  gui->OnMouseUp(207, 250 - 23);
  EXPECT_NEAR(host.GetParameter(KorvaneFilter::kResonance), 0.5 + 1.0 / 6.0, 1e-6);
  EXPECT_EQ(host.CountCalls(audioMasterAutomate), 1);
}

TEST_F(Editor, HostParameterChangesOnlyItsOwnControl) {
  gui->SetControlFromPlugin(5, 0.3);
  Render();
  Render();
  IRect dirty;
  ASSERT_FALSE(gui->IsDirty(dirty));
  host.SetParameter(KorvaneFilter::kCutoff, 0.25f);
  for (int i = 0; i < gui->NControls(); ++i) {
    EXPECT_EQ(gui->GetControl(i)->IsDirty(), i == 2) << "control " << i;
  }
  EXPECT_EQ(gui->GetControl(2)->GetValue(), 0.25);
  EXPECT_EQ(gui->GetControl(5)->GetValue(), 0.3) << "the lamp keeps its value";
  EXPECT_TRUE(gui->IsDirty(dirty));
  EXPECT_EQ(dirty, IRect(121, 237, 152, 265));
}

TEST_F(Editor, LampAddsItsGlowInProportionToItsValue) {
  const Picture dark = Render();
  gui->GetControl(5)->Hide(true);
  EXPECT_EQ(Render(), dark) << "a lamp at 0 leaves the panel under it unchanged";
  gui->GetControl(5)->Hide(false);
  gui->SetControlFromPlugin(5, 0.5);
  const Picture half = Render();
  const IBitmap glow = Image(GLOW_ID, GLOW_FN, 1);
  int lit = 0;
  for (int y = 0; y < glow.H; ++y) {
    for (int x = 0; x < glow.W; ++x) {
      const Pixel32 g = BitmapAt(glow, x, y), d = At(dark, 198 + x, 179 + y),
                    h = At(half, 198 + x, 179 + y);
      for (int shift : {16, 8, 0}) {
        // Opaque glow at weight 0.5: 255 * 128 / 256 = 127 of 256 added, saturating.
        const int want = std::min(255, static_cast<int>((d >> shift) & 0xFF) +
                                           static_cast<int>((g >> shift) & 0xFF) * 127 / 256);
        ASSERT_EQ(static_cast<int>((h >> shift) & 0xFF), want) << "at " << x << "," << y;
      }
      lit += h != d;
    }
  }
  EXPECT_GT(lit, 100) << "the glow lights a good part of its square";
}

TEST_F(Editor, VersionDigitsShowZeroTwiceBelowThePrintedMajor) {
  const Picture shown = Render();
  const IBitmap digits = Image(NUMBERS_ID, NUMBERS_FN, 10);
  auto drawDigits = [&](int frame) {
    gui->GetControl(8)->Hide(true);
    gui->Draw(IRect(0, 0, kW, kH));
    gui->DrawBitmapFrame(digits, IRect(259, 311, 268, 317), frame, nullptr);
    gui->DrawBitmapFrame(digits, IRect(259, 319, 268, 325), frame, nullptr);
    const Pixel32* bits = gui->GetDrawBits();
    Picture p(bits, bits + kW * kH);
    for (Pixel32& px : p) px &= 0x00FFFFFFu;
    return p;
  };
  EXPECT_EQ(shown, drawDigits(1)) << "frame 1 (digit 0) at (259, 311) and (259, 319)";
  EXPECT_NE(shown, drawDigits(2)) << "and not digit 1";
}

// ------------------------------------------------------------------------- golden images ---

Picture LoadGolden(const std::string& name) {
  const std::string path = std::string(KORVANE_GOLDEN_DIR) + "/" + name;
  std::ifstream file(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
  std::unique_ptr<RasterBitmap> bitmap(loadPngMemory(bytes.data(), bytes.size(), nullptr));
  if (!bitmap || bitmap->getWidth() != kW || bitmap->getHeight() != kH) return Picture();
  Picture p(bitmap->getBits(), bitmap->getBits() + kW * kH);
  for (Pixel32& px : p) px &= 0x00FFFFFFu;
  return p;
}

void ExpectSamePicture(const Picture& got, const Picture& golden, const std::string& name) {
  ASSERT_EQ(golden.size(), got.size()) << name << " is missing or has another size; "
                                       << "scripts/regenerate-golden.sh writes it";
  int differing = 0, firstX = -1, firstY = -1;
  for (int i = 0; i < kW * kH; ++i) {
    if (got[static_cast<size_t>(i)] != golden[static_cast<size_t>(i)]) {
      if (differing++ == 0) firstX = i % kW, firstY = i / kW;
    }
  }
  EXPECT_EQ(differing, 0) << differing << " pixels differ from " << name << ", the first at "
                          << firstX << "," << firstY;
}

TEST_F(Editor, DefaultPanelMatchesItsGoldenImage) {
  ExpectSamePicture(Render(), LoadGolden("editor-default.png"), "editor-default.png");
}

// The same values scripts/regenerate-golden.sh gives korvane-snapshot.
TEST_F(Editor, PanelWithEveryControlMovedMatchesItsGoldenImage) {
  const float values[] = {1.0f, 0.5f, 0.3f, 0.8f, 0.0f};
  for (int i = 0; i < 5; ++i) host.SetParameter(i, values[i]);
  gui->SetControlFromPlugin(5, 1.0);
  gui->SetControlFromPlugin(6, 0.6);
  ExpectSamePicture(Render(), LoadGolden("editor-moved.png"), "editor-moved.png");
}

}  // namespace

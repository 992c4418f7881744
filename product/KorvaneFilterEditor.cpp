// The editor of KorvaneFilter: a fixed 274 x 350 bitmap panel with nine controls. The attach
// order fixes the indices the processing relies on: 1, 2 and 3 are the knobs of parameters 1,
// 2 and 3; the lamp's and the meter's indices are stored.
#include <string>

#include "controls/IBitmapControl.h"
#include "controls/IFilmstripKnobControl.h"
#include "controls/ILinkControl.h"
#include "controls/ISwitchControl.h"
#include "graphics/CreateGraphics.h"
#include "graphics/IGraphics.h"
#include "graphics/IGraphicsRaster.h"
#include "product/IGlowControl.h"
#include "product/IVersionDigitsControl.h"
#include "product/KorvaneFilter.h"
#include "resources/KorvaneFilterResources.h"

namespace {

constexpr int kEditorWidth = 274;
constexpr int kEditorHeight = 350;
constexpr int kEditorFPS = 18;
constexpr double kKnobGearing = 6.0;
constexpr const char* kManualFile = "KorvaneFilter_manual.pdf";

}  // namespace

void KorvaneFilter::BuildEditor() {
  IGraphicsRaster* g = CreateGraphics(this, kEditorWidth, kEditorHeight, kEditorFPS);

  // Every image, listed once: the first editor of the process decodes them several at a time,
  // then each is taken from the store.
  enum { kPanel, kShapeKnob, kSmallKnob, kBigKnob, kLever, kLamp, kMeter, kDigits, kImages };
  const IGraphicsRaster::BitmapRequest images[kImages] = {{BG_ID, BG_FN, 2},
                                                          {KNOB_3WAY_ID, KNOB_3WAY_FN, 3},
                                                          {KNOB_CAP_ID, KNOB_CAP_FN, 136},
                                                          {BIG_KNOB_ID, BIG_KNOB_FN, 136},
                                                          {TOGGLE_ID, TOGGLE_FN, 2},
                                                          {GLOW_ID, GLOW_FN, 1},
                                                          {VU_ID, VU_FN, 87},
                                                          {NUMBERS_ID, NUMBERS_FN, 10}};
  g->PreloadBitmapResources(images, kImages);
  auto load = [&](int i) {
    return g->LoadBitmapResource(images[i].id, images[i].name, images[i].nFrames);
  };
  const IBitmap background = load(kPanel);
  const IBitmap shapeKnob = load(kShapeKnob);
  const IBitmap smallKnob = load(kSmallKnob);
  const IBitmap bigKnob = load(kBigKnob);
  const IBitmap toggle = load(kLever);
  const IBitmap glow = load(kLamp);
  const IBitmap meter = load(kMeter);
  const IBitmap digits = load(kDigits);

  // 0: the panel; its emblem switches between the two captionings.
  auto* panel = new ISwitchControl(this, 0, 0, kBackground, background, IBlend::kBlendOpaque);
  panel->SetTargetArea(IRect(26, 102, 88, 121));
  panel->DisableTextEntry(true);
  g->AttachControl(panel);

  // 1 to 3: the knobs.
  g->AttachControl(new IFilmstripKnobControl(this, 53, 240, kShape, shapeKnob, 0, kKnobGearing));
  g->AttachControl(new IFilmstripKnobControl(this, 121, 237, kCutoff, bigKnob, 0, kKnobGearing));
  g->AttachControl(
      new IFilmstripKnobControl(this, 195, 240, kResonance, smallKnob, 0, kKnobGearing));

  // 4: the lever, hit in a margin around it that takes the whole strip's height.
  auto* lever = new ISwitchControl(this, 176, 188, kBrickwall, toggle, IBlend::kBlendDefault);
  lever->SetTargetArea(IRect(172, 184, 180 + toggle.W, 192 + toggle.H));
  g->AttachControl(lever);

  // 5 and 6: the displays the processing feeds.
  mIndicatorControl = g->AttachControl(new IGlowControl(this, 198, 179, glow));
  mMeterControl =
      g->AttachControl(new IBitmapControl(this, 108, 133, -1, meter, IBlend::kBlendDefault));

  // 7: the manual beside the module. A directory too long for the link leaves it without a URL.
  std::string manual;
  g->GetPluginDirectory(manual);
  if (!manual.empty()) manual += kManualFile;
  g->AttachControl(new ILinkControl(this, IRect(186, 103, 244, 121), manual.c_str(), "", ""));

  // 8: the minor and bugfix version digits.
  g->AttachControl(new IVersionDigitsControl(this, IRect(259, 311, 268, 332), digits, 0, 8));

  AttachEditor(g);
}

// The drawing backend: conversions, clipping to the draw rectangle, direct line stores, and the
// module-wide bitmap store.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "controls/IBitmapControl.h"
#include "graphics/IGraphicsRaster.h"
#include "tests/graphics/EditorTestKit.h"

namespace {

// Draws one bitmap at a fixed place with an opaque copy, as a control would.
class BitmapAt : public IControl {
 public:
  BitmapAt(BraxBase* plug, const IRect& r, const IBitmap& b)
      : IControl(plug, r, -1, IBlend(IBlend::kBlendOpaque)), mBitmap(b) {}
  bool Draw(IGraphics* g) override { return g->DrawBitmap(mBitmap, mRECT, 0, 0, &mBlend); }

 private:
  IBitmap mBitmap;
};

Pixel32 Generated(int id, int x, int y) {
  return 0xFF000000u | static_cast<Pixel32>(id & 0xFF) << 16 | static_cast<Pixel32>(y) << 8 |
         static_cast<Pixel32>(x);
}

TEST(IGraphicsRaster, ColoursAndBlendsBecomePixelWordsAndModes) {
  EXPECT_EQ(IGraphicsRaster::ToPixel(IColor(0x12, 0x34, 0x56, 0x78)), 0x12345678u);
  const IBlend opaque(IBlend::kBlendOpaque, 0.5f), add(IBlend::kBlendAdd),
      dodge(IBlend::kBlendDodge), def(IBlend::kBlendDefault), odd(7);
  EXPECT_EQ(IGraphicsRaster::ToMode(&opaque), 0);
  EXPECT_EQ(IGraphicsRaster::ToMode(&add), 0x10001);
  EXPECT_EQ(IGraphicsRaster::ToMode(&dodge), 0x10002);
  EXPECT_EQ(IGraphicsRaster::ToMode(&def), 0x10000);
  EXPECT_EQ(IGraphicsRaster::ToMode(&odd), 0x10000);
  EXPECT_EQ(IGraphicsRaster::ToOpacity(&opaque), 0.5f);
  EXPECT_EQ(IGraphicsRaster::ToMode(nullptr), IGraphicsRaster::ToMode(&def))
      << "no blend draws like the default blend";
  EXPECT_EQ(IGraphicsRaster::ToOpacity(nullptr), 1.0f);
}

TEST(IGraphicsRaster, BitmapDrawingIsClippedToTheDrawRectangleWithMatchingSourcePixels) {
  RecordingPlug plug;
  RecordingGraphics g(&plug, 40, 30);
  g.CreateDrawSurface();
  const int id = FreshResourceId();
  const IBitmap bitmap = g.LoadBitmapResource(id, "b.png", 1);  // 8 x 6
  g.AttachControl(new BitmapAt(&plug, IRect(10, 10, 18, 16), bitmap));
  g.AttachControl(new BitmapAt(&plug, IRect(30, 0, 38, 6), bitmap));
  const IBlend opaque(IBlend::kBlendOpaque);
  g.FillRect(IColor(255, 0, 0, 0), IRect(0, 0, 40, 30), &opaque);
  g.Draw(IRect(14, 12, 25, 30));
  const Pixel32* bits = g.GetDrawBits();
  ASSERT_NE(bits, nullptr);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      const bool inside = x >= 14 && x < 18 && y >= 12 && y < 16;
      const Pixel32 want = inside ? Generated(id, x - 10, y - 10) : 0xFF000000u;
      ASSERT_EQ(bits[y * 40 + x], want) << "pixel " << x << "," << y;
    }
  }
}

TEST(IGraphicsRaster, LinesStoredDirectlyArePulledOntoTheBitmap) {
  RecordingPlug plug;
  RecordingGraphics g(&plug, 10, 8);
  g.CreateDrawSurface();
  const IColor clear(0, 0, 0, 0), red(255, 255, 0, 0), green(128, 0, 255, 0);
  const IBlend opaque(IBlend::kBlendOpaque);
  g.FillRect(clear, IRect(0, 0, 10, 8), &opaque);
  g.DrawVerticalLine(red, -5, 2, 100);
  g.DrawVerticalLine(red, 4, 5, 3);
  g.DrawHorizontalLine(green, 20, 7, 3);
  g.DrawHorizontalLine(green, 0, 3, 50);
  g.SetPixelDirect(red, 10, 0);
  g.SetPixelDirect(red, 2, -1);
  g.SetPixelDirect(green, 1, 0);
  const Pixel32* bits = g.GetDrawBits();
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 10; ++x) {
      Pixel32 want = 0xFF000000u;  // an opaque fill leaves the weight in the alpha
      if (x == 0 && y >= 2) want = 0xFFFF0000u;
      if (y == 0 && (x >= 3 || x == 1)) want = 0x8000FF00u;
      EXPECT_EQ(bits[y * 10 + x], want) << "pixel " << x << "," << y;
    }
  }
  EXPECT_EQ(g.GetPoint(0, 3), red);
  EXPECT_EQ(g.GetPoint(5, 0), green);
}

// trunc(v + 0.5) with the sum in double, as a float plus a double constant is in C.
int PointColumn(float v) {
  const double sum = static_cast<double>(v) + 0.5;
  return static_cast<int>(sum);
}

TEST(IGraphicsRaster, PointsLandOnTheTruncatedPositionPlusAHalf) {
  constexpr int kW = 12, kH = 9;
  RecordingPlug plug;
  RecordingGraphics g(&plug, kW, kH);
  g.CreateDrawSurface();
  const IColor clear(0, 0, 0, 0), ink(255, 10, 20, 30);
  const Pixel32 background = 0xFF000000u, inked = 0xFF0A141Eu;
  const IBlend opaque(IBlend::kBlendOpaque);

  // Just below a half (in float, 0.49999997 + 0.5 would round up to 1), halves, and the
  // truncation toward zero left of the bitmap.
  std::vector<std::pair<float, int>> coordinates = {
      {0.49999997f, 0}, {0.5f, 1},        {1.4999999f, 1},  {1.5f, 2},
      {-0.5f, 0},       {-1.4999999f, 0}, {-1.5f, -1},      {8.499999f, 8},
      {11.49999f, 11},  {11.5f, kW},      {-0.49999997f, 0}};
  std::mt19937 rng(31);
  for (int i = 0; i < 1500; ++i) {
    float v = std::uniform_real_distribution<float>(-3.0f, kW + 3.0f)(rng);
    if (i % 3 == 0) {  // a float or two beside a half
      v = std::nextafter(std::floor(v) + 0.5f, rng() % 2 ? -100.0f : 100.0f);
      if (i % 2 == 0) v = std::nextafter(v, rng() % 2 ? -100.0f : 100.0f);
    }
    coordinates.push_back({v, PointColumn(v)});
  }

  const std::size_t n = coordinates.size();
  for (std::size_t i = 0; i < n + 1; ++i) {
    // Every value as x, and as y beside another x; the last point is the pair of near-halves.
    const auto [x, wantX] = coordinates[i % n];
    const auto [y, wantY] = coordinates[i < n ? (i * 7 + 3) % n : 0];
    g.FillRect(clear, IRect(0, 0, kW, kH), &opaque);
    EXPECT_TRUE(g.DrawPoint(ink, x, y, &opaque));
    const Pixel32* bits = g.GetDrawBits();
    for (int py = 0; py < kH; ++py) {
      for (int px = 0; px < kW; ++px) {
        const bool here = px == wantX && py == wantY;
        ASSERT_EQ(bits[py * kW + px], here ? inked : background)
            << "pixel " << px << "," << py << " after drawing the point (" << x << ", " << y
            << "), which belongs at " << wantX << "," << wantY;
      }
    }
  }
}

TEST(BitmapStore, EachResourceIsDecodedOnceAndKeepsItsFirstFrameCount) {
  RecordingPlug plug;
  RecordingGraphics first(&plug), second(&plug);
  const int id = FreshResourceId();
  const IBitmap a = first.LoadBitmapResource(id, "a.png", 3);
  EXPECT_EQ(first.decodes.load(), 1);
  EXPECT_EQ(a.W, 8);
  EXPECT_EQ(a.H, 6);
  EXPECT_EQ(a.N, 3);
  const IBitmap b = second.LoadBitmapResource(id, "a.png", 2);
  EXPECT_EQ(second.decodes.load(), 0) << "another editor gets the cached bitmap";
  EXPECT_EQ(b.data, a.data);
  EXPECT_EQ(b.N, 3) << "the frame count of the first load stays";

  first.ReleaseBitmap(a);
  const IBitmap c = second.LoadBitmapResource(id, "a.png", 2);
  EXPECT_EQ(second.decodes.load(), 1) << "a released bitmap is decoded again";
  EXPECT_EQ(c.N, 2);
  const IBitmap d = first.LoadBitmapResource(id, "a.png", 5);
  EXPECT_EQ(first.decodes.load(), 1) << "and cached again in its slot";
  EXPECT_EQ(d.data, c.data);
  first.ReleaseBitmap(d);
  first.ReleaseBitmap(d);  // a second release of the same bitmap does nothing
}

TEST(BitmapStore, ScaledAndCroppedCopiesAreComputedOncePerRequest) {
  RecordingPlug plug;
  RecordingGraphics g(&plug);
  const int id = FreshResourceId();
  const IBitmap source = g.LoadBitmapResource(id, "s.png", 2);

  const IBitmap half = g.ScaleBitmap(source, 4, 3);
  EXPECT_EQ(half.W, 4);
  EXPECT_EQ(half.H, 3);
  EXPECT_EQ(half.N, 2) << "a scaled copy keeps the frame count";
  EXPECT_EQ(g.ScaleBitmap(source, 4, 3).data, half.data);
  EXPECT_NE(g.ScaleBitmap(source, 16, 12).data, half.data);
  ASSERT_NE(half.data->getBits(), nullptr);
  EXPECT_NEAR(pixelChannel(half.data->getBits()[0], 2), id & 0xFF, 1)
      << "a bilinear copy of the source";

  const IRect r(2, 1, 5, 4);
  const IBitmap crop = g.CropBitmap(source, r);
  EXPECT_EQ(crop.W, 3);
  EXPECT_EQ(crop.H, 3);
  EXPECT_EQ(g.CropBitmap(source, r).data, crop.data);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(crop.data->getBits()[y * 3 + x], Generated(id, x + 2, y + 1));
    }
  }
  const IBitmap over = g.CropBitmap(source, IRect(6, 4, 10, 8));
  EXPECT_EQ(over.data->getBits()[0], Generated(id, 6, 4));
  EXPECT_EQ(over.data->getBits()[3], 0u) << "what lies past the source is transparent black";

  g.ReleaseBitmap(crop);
  const IBitmap again = g.CropBitmap(source, r);
  EXPECT_EQ(again.data->getBits()[0], Generated(id, 2, 1)) << "computed again after release";
  g.ReleaseBitmap(source);
  EXPECT_EQ(g.LoadBitmapResource(id, "s.png", 2).N, 2);
  EXPECT_EQ(g.decodes.load(), 2);
}

TEST(BitmapStore, PreloadStoresWhatIsMissingAsLoadBitmapResourceWould) {
  RecordingPlug plug;
  RecordingGraphics g(&plug), other(&plug);
  const int cached = FreshResourceId();
  const IBitmap before = g.LoadBitmapResource(cached, "c.png", 4);
  std::vector<IGraphicsRaster::BitmapRequest> requests{{cached, "c.png", 9}};
  for (int i = 0; i < 6; ++i) requests.push_back({FreshResourceId(), "p.png", i + 1});
  g.decodes = 0;
  g.PreloadBitmapResources(requests.data(), static_cast<int>(requests.size()));
  EXPECT_EQ(g.decodes.load(), 6) << "each missing resource once, the stored one not again";

  for (size_t i = 1; i < requests.size(); ++i) {
    const IBitmap b = other.LoadBitmapResource(requests[i].id, "p.png", 50);
    EXPECT_EQ(b.N, requests[i].nFrames) << "the preloaded frame count is the first";
    EXPECT_EQ(b.W, 8);
    ASSERT_NE(b.data, nullptr);
    EXPECT_EQ(b.data->getBits()[7], Generated(requests[i].id, 7, 0));
    g.ReleaseBitmap(b);
  }
  EXPECT_EQ(other.decodes.load(), 0) << "later loads find them stored";
  EXPECT_EQ(other.LoadBitmapResource(cached, "c.png", 1).data, before.data);

  // Resources that fail to decode are left alone; asking for them later still stops loudly.
  const IGraphicsRaster::BitmapRequest broken[] = {{FreshResourceId(), "x.png", 1},
                                                   {FreshResourceId(), "y.png", 1}};
  g.missingResources = true;
  g.decodes = 0;
  g.PreloadBitmapResources(broken, 2);
  EXPECT_EQ(g.decodes.load(), 2);
  EXPECT_DEATH(g.LoadBitmapResource(broken[0].id, "x.png", 1), "imgResourceFound");
  g.ReleaseBitmap(before);
}

TEST(BitmapStoreDeathTest, MissingResourceStopsWithTheAssertion) {
  RecordingPlug plug;
  RecordingGraphics g(&plug);
  g.missingResources = true;
  EXPECT_DEATH(g.LoadBitmapResource(FreshResourceId(), "none.png", 1),
               "IGraphicsRaster.*imgResourceFound");
}

}  // namespace

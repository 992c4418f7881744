// A plug-in base and a graphics object that record what the editor does, for the graphics and
// control tests.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "controls/IControl.h"
#include "core/BraxBase.h"
#include "graphics/offscreen/IGraphicsOffscreen.h"
#include "raster/MemoryBitmap.h"

/// Three continuous parameters; records the host notifications and the GUI's changes.
class RecordingPlug : public BraxBase {
 public:
  RecordingPlug()
      : BraxBase(3, "1-1", 0, "test", "test", "test", 0x10203, 1, 2, 0, false, false, false) {
    for (int i = 0; i < 3; ++i) GetParam(i)->DefineDouble("p", 0.0, 0.0, 1.0, 0.001, "");
  }
  std::vector<std::string> log;  // "begin 1", "end 1", "set 1 0.5"

  void HostBeginEdit(int i) override { log.push_back("begin " + std::to_string(i)); }
  void HostAutomate(int, double) override {}
  void HostEndEdit(int i) override { log.push_back("end " + std::to_string(i)); }
  void OnParamChange(int i) override {
    char text[64];
    std::snprintf(text, sizeof text, "set %d %g", i, GetParam(i)->Value());
    log.push_back(text);
  }
  int GetSamplePos() override { return 0; }
  double GetTempo() override { return 120.0; }
  void GetTimeSig(int*, int*) override {}
  void OnEditorResize(int, int) override { log.push_back("resize"); }
  void InitForHost() override {}
  bool SendMidiMessage(const IMidiMessage&) override { return true; }
  bool SendMidiMessages(const IMidiMessage*, int) override { return true; }

  int Count(const std::string& entry) const {
    int n = 0;
    for (const auto& e : log) n += e == entry;
    return n;
  }
};

/// The off-screen graphics object with recording drawing and platform hooks. Bitmaps "load"
/// as generated width x height images whose pixel (x, y) is 0xFF000000 | id << 16 | y << 8 | x.
class RecordingGraphics : public IGraphicsOffscreen {
 public:
  struct BitmapCall {
    IRect dest;
    int srcX, srcY;
    float weight;
    bool nullBlend;
  };
  explicit RecordingGraphics(BraxBase* plug, int w = 100, int h = 100)
      : IGraphicsOffscreen(plug, w, h, 0) {}

  bool recordBitmaps = false;  // when true DrawBitmap records instead of drawing
  std::vector<BitmapCall> bitmapCalls;
  std::vector<std::pair<IControl*, IParam*>> textEntries;
  std::vector<std::string> urls;
  std::vector<std::string> failingUrls;
  std::atomic<int> decodes{0};  // the store may decode on several threads
  int loadWidth = 8, loadHeight = 6;
  bool missingResources = false;

  bool DrawBitmap(const IBitmap& bitmap, const IRect& dest, int srcX, int srcY,
                  const IBlend* blend) override {
    if (!recordBitmaps) return IGraphicsOffscreen::DrawBitmap(bitmap, dest, srcX, srcY, blend);
    bitmapCalls.push_back({dest, srcX, srcY, blend ? blend->weight : 1.0f, blend == nullptr});
    return true;
  }
  void CreateTextEntry(IControl* control, IParam* param) override {
    textEntries.push_back({control, param});
  }
  bool OpenURL(const char* url, const char*, const char*, const char*) override {
    urls.push_back(url);
    for (const auto& f : failingUrls) {
      if (f == url) return false;
    }
    return true;
  }
  RasterBitmap* LoadPlatformBitmap(int id, const char*) override {
    ++decodes;
    if (missingResources) return nullptr;
    auto* bitmap = new MemoryBitmap(loadWidth, loadHeight);
    for (int y = 0; y < loadHeight; ++y) {
      for (int x = 0; x < loadWidth; ++x) {
        bitmap->getBits()[y * loadWidth + x] = 0xFF000000u | static_cast<Pixel32>(id & 0xFF) << 16 |
                                               static_cast<Pixel32>(y) << 8 |
                                               static_cast<Pixel32>(x);
      }
    }
    return bitmap;
  }
};

/// A control that logs its drawing under a name.
class ProbeControl : public IControl {
 public:
  ProbeControl(BraxBase* plug, const IRect& r, std::vector<std::string>* drawLog, std::string name,
               int param = -1)
      : IControl(plug, r, param), mLog(drawLog), mName(std::move(name)) {}
  bool Draw(IGraphics*) override {
    if (mLog) mLog->push_back(mName);
    return true;
  }
  std::vector<std::string> events;
  void OnMouseDown(int x, int y, const IMouseState& m) override {
    events.push_back("down " + std::to_string(x) + "," + std::to_string(y));
    IControl::OnMouseDown(x, y, m);
  }
  void OnMouseUp(int x, int y) override {
    events.push_back("up " + std::to_string(x) + "," + std::to_string(y));
  }
  void OnMouseDrag(int x, int y, int dX, int dY, const IMouseState&) override {
    events.push_back("drag " + std::to_string(x) + "," + std::to_string(y) + " by " +
                     std::to_string(dX) + "," + std::to_string(dY));
  }

 private:
  std::vector<std::string>* mLog;
  std::string mName;
};

/// Unique resource ids per test: the bitmap store is shared by the whole process.
inline int FreshResourceId() {
  static int next = 5000;
  return next++;
}

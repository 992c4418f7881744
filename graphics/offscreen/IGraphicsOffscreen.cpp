#include "graphics/offscreen/IGraphicsOffscreen.h"

#include "platform/ModulePath.h"
#include "raster/PixelFont.h"
#include "raster/PngLoader.h"

IGraphicsOffscreen::IGraphicsOffscreen(BraxBase* plug, int width, int height, int fps)
    : IGraphicsRaster(plug, width, height, fps) {}

IGraphicsOffscreen::~IGraphicsOffscreen() = default;

bool IGraphicsOffscreen::BlitToScreen(const IRect&) {
  return true;
}

bool IGraphicsOffscreen::DrawTextBox(const IText& text, const char* str, const IRect& r) {
  if (!str) return true;
  // One line, aligned within r and centred in its height, clipped to r.
  const int scale = PixelFont::ScaleFor(text.size);
  const int width = PixelFont::Width(str, scale);
  int x = r.L;
  if (text.align == IText::kAlignCenter) x = r.L + (r.W() - width) / 2;
  if (text.align == IText::kAlignFar) x = r.R - width;
  const int y = r.T + (r.H() - PixelFont::kGlyphHeight * scale) / 2;
  for (const char* c = str; *c; ++c, x += PixelFont::kAdvance * scale) {
    for (int gy = 0; gy < PixelFont::kGlyphHeight * scale; ++gy) {
      for (int gx = 0; gx < PixelFont::kGlyphWidth * scale; ++gx) {
        if (!PixelFont::Pixel(*c, gx / scale, gy / scale)) continue;
        if (r.Contains(x + gx, y + gy)) SetPixelDirect(text.color, x + gx, y + gy);
      }
    }
  }
  return true;
}

void IGraphicsOffscreen::CreateTextEntry(IControl*, IParam*) {}

void IGraphicsOffscreen::GetHostDirectory(std::string& dir) {
  dir = DirectoryOf(HostExecutablePath());
}

void IGraphicsOffscreen::GetPluginDirectory(std::string& dir) {
  dir = DirectoryOf(ThisModulePath());
}

void IGraphicsOffscreen::PromptForFile(std::string& path, int, const char*, const char*) {
  path.clear();
}

bool IGraphicsOffscreen::PromptForColor(IColor&, const char*) {
  return false;
}

bool IGraphicsOffscreen::OpenURL(const char* url, const char*, const char* confirm, const char*) {
  if (confirm && confirm[0]) return false;
  if (!url || !url[0]) return false;
  return LaunchURL(url);
}

void* IGraphicsOffscreen::OpenWindow(void*) {
  return nullptr;
}

void IGraphicsOffscreen::CloseWindow() {}

void* IGraphicsOffscreen::GetWindow() {
  return nullptr;
}

RasterBitmap* IGraphicsOffscreen::LoadPlatformBitmap(int id, const char*) {
  return loadPngResource(ThisModuleHandle(), id, nullptr);
}

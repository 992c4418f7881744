#include "graphics/offscreen/IGraphicsOffscreen.h"

#include "platform/ModulePath.h"
#include "raster/PngLoader.h"

IGraphicsOffscreen::IGraphicsOffscreen(BraxBase* plug, int width, int height, int fps)
    : IGraphicsRaster(plug, width, height, fps) {}

IGraphicsOffscreen::~IGraphicsOffscreen() = default;

bool IGraphicsOffscreen::BlitToScreen(const IRect&) {
  return true;
}

bool IGraphicsOffscreen::DrawTextBox(const IText&, const char* str, const IRect&) {
  return !str;
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

#pragma once

#include "graphics/IGraphicsRaster.h"

/// The editor without a window: the whole model, drawing and bitmap loading work, and the
/// picture can be read back with GetDrawBits after a Draw. OpenWindow answers null, so hosts
/// see no editor window; there is no text entry and no dialog. Text is drawn in PixelFont. Bitmaps
/// come from the module's image resources; the manual link opens through the desktop's opener.
class IGraphicsOffscreen : public IGraphicsRaster {
 public:
  // [constructor only]
  IGraphicsOffscreen(BraxBase* plug, int width, int height, int fps);
  ~IGraphicsOffscreen() override;

  // [editor thread] Nothing to copy to: true.
  bool BlitToScreen(const IRect& r) override;
  // [editor thread] One line in PixelFont, in the text's colour and alignment, vertically
  // centred and clipped to r; true.
  bool DrawTextBox(const IText& text, const char* str, const IRect& r) override;
  // [editor thread] No text entry.
  void CreateTextEntry(IControl* control, IParam* param) override;
  // [any thread]
  void GetHostDirectory(std::string& dir) override;
  void GetPluginDirectory(std::string& dir) override;
  // [editor thread] No dialog: path empty.
  void PromptForFile(std::string& path, int action, const char* dir,
                     const char* extensions) override;
  // [editor thread] No dialog: false, colour unchanged.
  bool PromptForColor(IColor& color, const char* caption) override;
  // [editor thread] Starts the platform's opener for url without a shell; false when it could
  // not be started. With a confirmation text there is nobody to ask, so nothing is opened.
  bool OpenURL(const char* url, const char* caption, const char* confirm,
               const char* errMsg) override;
  // [host thread, plug-in lock held] No window: null.
  void* OpenWindow(void* parent) override;
  void CloseWindow() override;
  void* GetWindow() override;
  // [constructor only, also on its preload threads] Decodes the module's image resource of
  // type "PNG".
  RasterBitmap* LoadPlatformBitmap(int id, const char* name) override;
};

/// [editor thread] Starts the desktop's opener for url; false when it could not be started.
/// Chosen by the build: xdg-open through posix_spawnp, or the Windows shell.
bool LaunchURL(const char* url);

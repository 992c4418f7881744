#pragma once

#include "controls/IControl.h"

/// An invisible area that opens a URL on any click, falling back to a second URL when the
/// first is missing or cannot be opened. Bound to no parameter.
class ILinkControl : public IControl {
 public:
  static constexpr int kMaxURL = 255;
  static constexpr int kMaxCaption = 1023;

  // [constructor only] Null or empty strings stay empty; a string longer than its field is
  // stored as empty too, since a cut-off path or URL would open something else.
  ILinkControl(BraxBase* plug, const IRect& rect, const char* url, const char* backupURL,
               const char* caption);
  ~ILinkControl() override;

  // [editor thread, no lock]
  void OnMouseDown(int x, int y, const IMouseState& mod) override;
  // [editor thread] Draws nothing.
  bool Draw(IGraphics* graphics) override;

  const char* GetURL() const { return mURL; }
  const char* GetBackupURL() const { return mBackupURL; }
  const char* GetCaption() const { return mCaption; }

 private:
  char mURL[kMaxURL + 1] = {};
  char mBackupURL[kMaxURL + 1] = {};
  char mCaption[kMaxCaption + 1] = {};
};

#pragma once

#include <string>

/// [host main thread] A top-level window the module's editor opens into: a Win32 window on
/// Windows, an X11 window on its own display connection on Linux. Created, then handed to
/// effEditOpen as the parent; Pump handles the window's own events between editor idles.
class EditorWindow {
 public:
  EditorWindow() = default;
  ~EditorWindow();
  EditorWindow(const EditorWindow&) = delete;
  EditorWindow& operator=(const EditorWindow&) = delete;

  /// Opens the window; false with why set when there is no display to open it on.
  bool Create(std::string& why);
  /// The parent effEditOpen takes: the HWND, or the X window id as a pointer.
  void* Parent() const { return mParent; }
  /// Handles the window's pending events.
  void Pump();
  /// Resizes the window to the editor's rectangle.
  void Resize(int width, int height);
  /// [any thread] The first X protocol error any connection of this process met since a
  /// window was created, described; empty when none. Xlib's default handler would end the
  /// process on it; the validator's notes it and lets the editor test fail with it.
  static std::string FirstError();

 private:
  void* mParent = nullptr;
  void* mDisplay = nullptr;  // the X display connection (Linux)
};

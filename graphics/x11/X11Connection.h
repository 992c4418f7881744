#pragma once

#include <X11/Xlib.h>

/// The module's one connection to the X server, shared by every open editor window of the
/// module and closed with the last one. The host's own connection (if it passes one) is never
/// used: hosts differ in whether they pass it at all.
///
/// While the connection is open, an X error handler is installed in front of the host's: errors
/// on our connection (a window the host destroyed under us, BadWindow or BadDrawable on its
/// next drawing) are noted for the editor that owns the window instead of ending the process;
/// errors on any other connection go on to the handler that was there before.
///
/// Threads: any thread; Acquire and Release take a module-wide mutex. Xlib calls on the
/// connection itself are the editors' business (the host's user-interface thread).
class X11Connection {
 public:
  /// [any thread] The shared connection, opened by the first caller; null when no display can
  /// be opened (then nothing is held and nothing needs releasing).
  static Display* Acquire();
  /// [any thread] One holder fewer; the last one syncs, closes the connection and puts the
  /// previous error handler back.
  static void Release();
  /// [any thread] Whether an error about window came in since the last call for it; forgets
  /// the note.
  static bool TakeWindowError(Window window);
  /// [any thread] Holders of the connection now (0 when it is closed).
  static int Holders();
};

#pragma once

class IGraphics;

/// What the plug-in base and its host adapter need of the editor they own, and nothing more:
/// the plug-in holds its editor through this interface, so the plug-in layer builds without
/// the editor layer above it. IGraphics implements it.
///
/// Lifecycle: made by the plug-in's constructor and handed over with BraxBase::AttachEditor,
/// which calls PrepareDrawing once; deleted with the plug-in.
class IEditor {
 public:
  virtual ~IEditor() = default;

  /// [any thread] The editor's full model, for code that knows the editor layer (controls,
  /// the product); the plug-in layer only passes it on.
  virtual IGraphics* Graphics() = 0;
  /// [constructor only, plug-in lock held] Makes what the editor draws into.
  virtual void PrepareDrawing() = 0;
  /// [any thread, plug-in lock held] A parameter changed outside the editor: every control
  /// bound to it takes the value (normalised 0..1, or in the parameter's own units).
  virtual void ShowParameter(int paramIdx, double value, bool normalized) = 0;
  /// [any thread] The editor's size in pixels.
  virtual int EditorWidth() const = 0;
  virtual int EditorHeight() const = 0;
  /// [host's user-interface thread] Opens the editor's window inside the host's parent
  /// window; its handle, or null when there is none.
  virtual void* OpenEditorWindow(void* parent) = 0;
  /// [any thread] Closes the window, if open.
  virtual void CloseEditorWindow() = 0;
  /// [host's user-interface thread, no lock] The host's idle call, for an editor whose window
  /// has no event loop of its own. Default: nothing.
  virtual void IdleEditor() {}
  /// [host's user-interface thread, no lock] A key the host forwards: the character (0 for
  /// none) and the host's virtual key number (VST 2's VKEY_ codes); true when the editor took
  /// it. Default: not taken.
  virtual bool EditorKey(int /*character*/, int /*virtualKey*/, bool /*down*/) { return false; }
};

#pragma once

class BraxBase;

/// The editor's model: owns the controls, carries parameter values from the plug-in to the
/// controls that show them, and hosts the editor window.
///
/// Created by the plug-in's constructor and handed to the plug-in base with AttachEditor, which
/// owns it from then on and deletes it before anything else when the plug-in is destroyed.
class IGraphics {
 public:
  IGraphics(BraxBase* plug, int width, int height, int fps);
  virtual ~IGraphics();
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  BraxBase* GetPlug() const { return mPlug; }
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  int FPS() const { return mFPS; }

  // [any thread, plug-in lock held] Shows a parameter's value in the controls bound to it;
  // a value in the parameter's own units is converted to normalised form first.
  void SetParameterFromPlugin(int paramIdx, double value, bool normalized);
  // [audio thread, plug-in lock held] Sets one control by its index; out of range does nothing.
  void SetControlFromPlugin(int controlIdx, double normalizedValue);

  // [constructor only] Creates the drawing bitmap of width x height.
  virtual void CreateDrawSurface() = 0;
  // [host thread, plug-in lock held] Opens the editor inside the host's window; null when no
  // window could be made.
  virtual void* OpenWindow(void* parentWindow) = 0;
  virtual void CloseWindow() = 0;

 protected:
  // [any thread, plug-in lock held] Receivers of the two value paths above; the control list
  // implements them.
  virtual void OnParameterFromPlugin(int paramIdx, double normalizedValue);
  virtual void OnControlFromPlugin(int controlIdx, double normalizedValue);

 private:
  BraxBase* mPlug;  // not owned
  int mWidth;
  int mHeight;
  int mFPS;
};

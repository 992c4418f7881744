#pragma once

class BraxBase;
class IGraphics;

/// [constructor only] Creates this platform's graphics object for an editor of width x height
/// redrawn fps times a second. The caller attaches controls and hands it to the plug-in base
/// with AttachEditor.
IGraphics* CreateGraphics(BraxBase* plug, int width, int height, int fps);

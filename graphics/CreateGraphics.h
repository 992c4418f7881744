#pragma once

class BraxBase;
class IGraphicsRaster;

/// [constructor only] Creates this platform's graphics object for an editor of width x height
/// redrawn fps times a second. The caller attaches controls and hands it to the plug-in base
/// with AttachEditor. Every host draws with the raster backend.
IGraphicsRaster* CreateGraphics(BraxBase* plug, int width, int height, int fps);

#pragma once

#include <string>

class VstHost;

/// Moves programs and banks between .fxp/.fxb files (PresetFile) and a loaded plug-in, through
/// its binary interface only, as a DAW does.
///
/// Loading checks the whole file before the plug-in sees any of it: the layout, the plug-in it
/// was written for (its fxID against the unique ID, unless forced), the parameter and program
/// counts, and that every parameter value is a normalised value 0..1. Then
///   FxCk  the current program takes the name and the values (between effBeginSetProgram and
///         effEndSetProgram);
///   FPCh  effSetChunk with the program's chunk, then the name;
///   FxBk  each program in turn is selected and takes its name and values; the bank's current
///         program (version 2; else the first) is selected last;
///   FBCh  effSetChunk with the bank's chunk.
/// The chunk forms are for plug-ins that keep their state in chunks (effFlagsProgramChunks);
/// for others they are refused unless forced.
///
/// Saving writes the plug-in's current state: the chunk forms for plug-ins with chunks, the
/// parameter forms otherwise (a bank visits every program through effSetProgram to read it and
/// returns to the current one). Banks are written in version 2. Files are written whole under
/// a temporary name and renamed, so a failure leaves no half-written preset.
class PresetTransfer {
 public:
  explicit PresetTransfer(VstHost& host) : mHost(host) {}

  /// [render thread] Throws RenderError naming the file and what is wrong with it.
  void Load(const std::string& path, bool force);
  void SaveProgram(const std::string& path);
  void SaveBank(const std::string& path);

 private:
  VstHost& mHost;
};

#pragma once

/// A small text face that needs no system font: 5 x 7 pixel glyphs of the printable ASCII
/// characters on a 6-pixel advance, drawn at a whole-number scale. Characters outside it are
/// drawn as a box, so a missing glyph shows. The editor draws its text in it where there is no
/// system font, and the command-line tools label their plots with it.
class PixelFont {
 public:
  static constexpr int kGlyphWidth = 5;
  static constexpr int kGlyphHeight = 7;
  static constexpr int kAdvance = 6;

  /// [any thread] Whether the glyph of c has its pixel at column x (0..4), row y (0..6) set.
  static bool Pixel(char c, int x, int y);
  /// [any thread] The scale for a text size in pixels (a line of size pixels): 1 up to 23.
  static int ScaleFor(int size);
  /// [any thread] Width of str in pixels at scale: its advances without the last gap.
  static int Width(const char* str, int scale);
};

#pragma once

#include <string>
#include <vector>

class VstHost;

/// Turns a command line's NAME=VALUE into a parameter index and a normalised value, learning
/// everything from the plug-in's binary interface: names from effGetParamName, and values from
/// the display texts the plug-in gives for normalised values.
///
/// NAME: a parameter index, or a case-insensitive name or unique prefix of one (or, when no
/// name starts so, a unique prefix of a later word of one: "shape" for "filter shape").
/// VALUE, in the order tried:
///   - with `normalized`, or written as "N%": the normalised value itself (0..1, 0..100%);
///   - a display text the plug-in shows for some value ("band pass wide", "on"; for numbers,
///     an equal number): the middle of the range of values showing it;
///   - a number in the parameter's own units, optionally followed by its label ("1000",
///     "1000 Hz"): found by bisection over the displayed numbers, which must grow or shrink
///     steadily across 0..1, and again the middle of the values that display it.
///
/// The display for a value comes from the plug-in's vendor-specific display call where it
/// answers it, otherwise from setting the parameter and reading its display; the parameter's
/// previous value is restored afterwards. A value found through the vendor call is checked by
/// setting it: if the plug-in then shows something else, the search is made again by setting.
class ParameterResolver {
 public:
  struct Setting {
    int index;
    float normalized;
  };

  explicit ParameterResolver(VstHost& host) : mHost(host) {}

  /// Throws RenderError naming the valid names or values.
  Setting Resolve(const std::string& assignment, bool normalized);
  int ResolveName(const std::string& name);
  float ResolveValue(int index, const std::string& value, bool normalized);

 private:
  float Search(int index, const std::string& value, const std::string& what);
  std::string DisplayAt(int index, float normalized);
  std::string NameList();
  std::string Describe(int index);

  VstHost& mHost;
  bool mUseVendorDisplay = true;
};

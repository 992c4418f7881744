#pragma once

#include "core/StateChunk.h"

/// One automatable parameter: a value in its own units, a range, a power-curve shape that maps
/// the host's normalised 0..1 scale onto the range, a step, a name, a unit label and optional
/// display texts for particular integer values.
///
/// The plug-in base creates one default parameter (a 0..1 value with step 1) per declared
/// parameter; the plug-in then defines each with DefineDouble, DefineEnum or DefineBool.
/// Accessed only under the plug-in lock.
class IParam {
 public:
  enum Kind { kParamNone = 0, kParamBool = 1, kParamEnum = 3, kParamDouble = 4 };

  static constexpr int kTextSize = 32;  // name, label and display texts: 31 characters + NUL

  IParam() = default;
  IParam(const IParam&) = delete;
  IParam& operator=(const IParam&) = delete;

  // ---- definition [constructor only] ----
  void DefineDouble(const char* name, double defaultValue, double min, double max, double step,
                    const char* label);
  void DefineEnum(const char* name, int defaultValue, int nEnums);
  void DefineBool(const char* name, bool defaultValue);
  /// A shape of exactly 0 is ignored.
  void SetShape(double shape);
  /// Appends a display text; an existing entry for the same value is not replaced.
  void SetValueText(int value, const char* text);

  // ---- display texts ----
  int CountValueTexts() const;
  /// The first entry's text for value, or "".
  const char* GetValueText(int value) const;
  /// Finds the first entry whose text equals text exactly; false (outValue untouched) if none.
  bool FindValueText(const char* text, int* outValue) const;

  // ---- value ----
  Kind GetKind() const { return mKind; }
  double Value() const { return mValue; }
  /// Stores a value in the parameter's own units, clamped to min..max (used when reading state).
  void SetValue(double value);
  /// Sets the value from a normalised 0..1 position (clamped; NaN counts as 0): applies the shape,
  /// rounds to the step unless the kind is kParamDouble, and caps at max.
  void SetNormalized(double normalized);
  double GetNormalized() const { return GetNormalized(mValue); }
  /// The normalised position of value, which is clamped to min..max first.
  double GetNormalized(double value) const;

  /// Writes the display text of the current value into outText (kTextSize bytes).
  void FormatDisplay(char* outText) const { FormatDisplay(mValue, false, outText); }
  /// Writes the display text of value (normalised when normalized is true) into outText
  /// (kTextSize bytes).
  void FormatDisplay(double value, bool normalized, char* outText) const;

  const char* GetName() const { return mName; }
  const char* GetLabel() const { return mLabel; }
  double GetMin() const { return mMin; }
  double GetMax() const { return mMax; }
  double GetStep() const { return mStep; }
  double GetShape() const { return mShape; }
  int GetDisplayPrecision() const { return mDisplayPrecision; }

 private:
  Kind mKind = kParamNone;
  double mValue = 0.0;
  double mMin = 0.0;
  double mMax = 1.0;
  double mStep = 1.0;
  double mShape = 1.0;
  int mDisplayPrecision = 0;
  char mName[kTextSize] = {};
  char mLabel[kTextSize] = {};
  StateChunk mDisplayTexts;  // entries of {int32 value, char text[32]}: 36 bytes each
};

#include "core/IParam.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/CopyText.h"
#include "platform/Numeric.h"

namespace {

constexpr int kEntrySize = 4 + IParam::kTextSize;

void CopyParamText(char* dst, const char* src) {
  CopyText(dst, IParam::kTextSize, src);
}

double Clamp01(double n) {
  if (!(n > 0.0)) return 0.0;  // also NaN
  return n > 1.0 ? 1.0 : n;
}

}  // namespace

void IParam::DefineDouble(const char* name, double defaultValue, double min, double max,
                          double step, const char* label) {
  if (mKind == kParamNone) mKind = kParamDouble;
  CopyParamText(mName, name);
  CopyParamText(mLabel, label);
  mValue = defaultValue;
  mMin = min;
  mMax = max < min + step ? min + step : max;
  mStep = step;

  // Decimals needed to show the step. Every intermediate is rounded to a double so that the
  // x87 build (80-bit registers) counts the same digits: 0.01 * 10 * 10 is 1 only in doubles.
  mDisplayPrecision = 0;
  double work = RoundToDouble(step);
  while (mDisplayPrecision < 6 && work != std::floor(work)) {
    work = RoundToDouble(work * 10.0);
    ++mDisplayPrecision;
  }
}

void IParam::DefineEnum(const char* name, int defaultValue, int nEnums) {
  if (mKind == kParamNone) mKind = kParamEnum;
  DefineDouble(name, defaultValue, 0.0, nEnums - 1, 1.0, "");
}

void IParam::DefineBool(const char* name, bool defaultValue) {
  if (mKind == kParamNone) mKind = kParamBool;
  DefineDouble(name, defaultValue ? 1.0 : 0.0, 0.0, 1.0, 1.0, "");
  SetValueText(0, "off");
  SetValueText(1, "on");
}

void IParam::SetShape(double shape) {
  if (shape != 0.0) mShape = shape;
}

void IParam::SetValueText(int value, const char* text) {
  uint8_t entry[kEntrySize] = {};
  std::memcpy(entry, &value, 4);
  CopyParamText(reinterpret_cast<char*>(entry + 4), text);
  mDisplayTexts.PutBytes(entry, kEntrySize);
}

int IParam::CountValueTexts() const {
  return mDisplayTexts.Size() / kEntrySize;
}

const char* IParam::GetValueText(int value) const {
  const int n = CountValueTexts();
  for (int i = 0; i < n; ++i) {
    const uint8_t* entry = mDisplayTexts.Data() + i * kEntrySize;
    int v;
    std::memcpy(&v, entry, 4);
    if (v == value) return reinterpret_cast<const char*>(entry + 4);
  }
  return "";
}

bool IParam::FindValueText(const char* text, int* outValue) const {
  if (!text) return false;
  const int n = CountValueTexts();
  for (int i = 0; i < n; ++i) {
    const uint8_t* entry = mDisplayTexts.Data() + i * kEntrySize;
    if (std::strcmp(reinterpret_cast<const char*>(entry + 4), text) == 0) {
      std::memcpy(outValue, entry, 4);
      return true;
    }
  }
  return false;
}

void IParam::SetValue(double value) {
  // A NaN from stored state would otherwise poison everything that reads the parameter.
  if (value != value) value = mMin;
  if (value < mMin) value = mMin;
  if (value > mMax) value = mMax;
  mValue = value;
}

void IParam::SetNormalized(double normalized) {
  // Hosts should pass 0..1; anything else (including NaN) is clamped, since pow of a negative
  // base would give NaN for a fractional shape.
  const double n = Clamp01(normalized);
  double v = mMin + std::pow(n, mShape) * (mMax - mMin);
  if (mKind != kParamDouble) v = std::floor(v / mStep + 0.5) * mStep;
  if (v >= mMax) v = mMax;
  mValue = v;
}

double IParam::GetNormalized(double value) const {
  if (value < mMin) value = mMin;
  if (value > mMax) value = mMax;
  if (!(mMax > mMin) || value != value) return 0.0;
  return std::pow((value - mMin) / (mMax - mMin), 1.0 / mShape);
}

void IParam::FormatDisplay(double value, bool normalized, char* outText) const {
  double v = normalized ? mMin + std::pow(Clamp01(value), mShape) * (mMax - mMin) : value;

  if (CountValueTexts() > 0) {
    const int i = TruncToInt(v);
    const int n = CountValueTexts();
    for (int k = 0; k < n; ++k) {
      const uint8_t* entry = mDisplayTexts.Data() + k * kEntrySize;
      int ev;
      std::memcpy(&ev, entry, 4);
      if (ev != i) continue;
      const char* text = reinterpret_cast<const char*>(entry + 4);
      if (text[0]) {
        CopyParamText(outText, text);
        return;
      }
      break;  // an empty text falls back to the number
    }
  }

  if (v == 0.0) {
    CopyParamText(outText, "0");
  } else if (mDisplayPrecision == 0) {
    std::snprintf(outText, kTextSize, "%d", TruncToInt(v));
  } else {
    std::snprintf(outText, kTextSize, "%.*f", mDisplayPrecision, v);
  }
}

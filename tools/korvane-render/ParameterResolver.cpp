#include "tools/korvane-render/ParameterResolver.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "tools/korvane-render/RenderError.h"
#include "tools/korvane-render/VstHost.h"

namespace {

// Probes across 0..1 that find the display texts a parameter shows.
constexpr int kProbes = 200;
// Halvings of an interval of 1/kProbes: far below a float's resolution near 1.
constexpr int kBisections = 32;
// At most this many distinct texts over the probes: the parameter is a list of choices.
constexpr size_t kMaxChoices = 32;

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// The number a text starts with, and what follows it (trimmed). False without a finite number.
bool LeadingNumber(const std::string& text, double& number, std::string& rest) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  number = std::strtod(begin, &end);
  if (end == begin || errno == ERANGE || std::isnan(number)) return false;
  rest = Trim(std::string(end));
  return true;
}

bool WholeNumber(const std::string& text, double& number) {
  std::string rest;
  return LeadingNumber(text, number, rest) && rest.empty() && std::isfinite(number);
}

bool IsIndex(const std::string& s) {
  return !s.empty() && s.size() < 10 &&
         std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::string Quoted(const std::string& s) {
  return "\"" + s + "\"";
}

// The smallest x in [0, 1] where `pred` turns false, for a predicate that is true up to some
// point and false after it.
template <typename Pred>
double Boundary(Pred pred, double lo = 0.0, double hi = 1.0) {
  if (!pred(lo)) return lo;
  if (pred(hi)) return hi;
  for (int i = 0; i < kBisections; ++i) {
    const double mid = 0.5 * (lo + hi);
    (pred(mid) ? lo : hi) = mid;
  }
  return hi;
}

// The value for a range of normalised values that all show the same: an end of the scale
// when the range reaches it (exactly the minimum or maximum, or a list's first or last entry),
// else the middle, which stays clear of the plug-in's rounding at either edge.
float Pick(double from, double to) {
  if (from <= 0.0) return 0.0f;
  if (to >= 1.0) return 1.0f;
  return static_cast<float>(0.5 * (from + to));
}

}  // namespace

ParameterResolver::Setting ParameterResolver::Resolve(const std::string& assignment,
                                                      bool normalized) {
  const size_t eq = assignment.find('=');
  if (eq == std::string::npos) {
    throw RenderError("--set " + assignment + ": expected NAME=VALUE, e.g. cutoff=1000");
  }
  const int index = ResolveName(assignment.substr(0, eq));
  return {index, ResolveValue(index, assignment.substr(eq + 1), normalized)};
}

int ParameterResolver::ResolveName(const std::string& rawName) {
  const std::string name = Trim(rawName);
  const int count = mHost.NumParams();
  if (IsIndex(name)) {
    const int index = std::stoi(name);
    if (index >= count) {
      throw RenderError("parameter " + name + " does not exist; parameters are: " + NameList());
    }
    return index;
  }
  const std::string wanted = Lower(name);
  // A prefix of the whole name; failing that, of a later word ("shape" for "filter shape").
  std::vector<int> prefixed, wordPrefixed;
  for (int i = 0; i < count; ++i) {
    const std::string candidate = Lower(Trim(mHost.ParamName(i)));
    if (candidate.empty() || wanted.empty()) continue;
    if (candidate == wanted) return i;
    if (candidate.compare(0, wanted.size(), wanted) == 0) prefixed.push_back(i);
    for (size_t space = candidate.find(' '); space != std::string::npos;
         space = candidate.find(' ', space + 1)) {
      if (candidate.compare(space + 1, wanted.size(), wanted) == 0) {
        wordPrefixed.push_back(i);
        break;
      }
    }
  }
  if (prefixed.empty()) prefixed = wordPrefixed;
  if (prefixed.size() == 1) return prefixed.front();
  if (prefixed.empty()) {
    throw RenderError("unknown parameter " + Quoted(name) + "; parameters are: " + NameList());
  }
  throw RenderError("parameter name " + Quoted(name) +
                    " is ambiguous; parameters are: " + NameList());
}

float ParameterResolver::ResolveValue(int index, const std::string& rawValue, bool normalized) {
  const std::string value = Trim(rawValue);
  const std::string what = "--set " + Describe(index) + "=" + value;
  double number = 0.0;
  if (normalized) {
    if (!WholeNumber(value, number) || number < 0.0 || number > 1.0) {
      throw RenderError(what + ": a normalised value is a number from 0 to 1");
    }
    return static_cast<float>(number);
  }
  if (!value.empty() && value.back() == '%') {
    if (!WholeNumber(value.substr(0, value.size() - 1), number) || number < 0.0 || number > 100.0) {
      throw RenderError(what + ": a percentage is a number from 0 to 100");
    }
    return static_cast<float>(number / 100.0);
  }
  if (value.empty()) throw RenderError(what + ": no value given");

  // Probing through setParameter changes the parameter: put it back however this ends.
  struct Restore {
    VstHost& host;
    int index;
    float value;
    ~Restore() { host.SetParameter(index, value); }
  } restore{mHost, index, mHost.GetParameter(index)};

  // The vendor display call spares changing the parameter, but a plug-in may show there what
  // the value would read before its own rounding to a step (an "off" up to 1.0 that setting
  // turns "on" from 0.5). What counts is what the plug-in shows once the value is set: when
  // that differs, search again through setting and reading back.
  mUseVendorDisplay = true;
  const float found = Search(index, value, what);
  if (!mUseVendorDisplay) return found;
  mUseVendorDisplay = false;
  const std::string preview = Trim(DisplayAt(index, found));
  std::string vendor;
  if (mHost.DisplayForValue(index, found, vendor) && Trim(vendor) == preview) return found;
  return Search(index, value, what);
}

float ParameterResolver::Search(int index, const std::string& value, const std::string& what) {
  double number = 0.0;
  std::vector<std::string> texts(kProbes + 1);
  for (int k = 0; k <= kProbes; ++k) {
    texts[static_cast<size_t>(k)] = Trim(DisplayAt(index, static_cast<float>(k) / kProbes));
  }

  // A display text: the run of values that show it, refined at both ends.
  double valueNumber = 0.0;
  const bool valueIsNumber = WholeNumber(value, valueNumber);
  const auto shows = [&](const std::string& text) {
    double textNumber = 0.0;
    if (Lower(text) == Lower(value)) return true;
    return valueIsNumber && WholeNumber(text, textNumber) && textNumber == valueNumber;
  };
  const auto showsAt = [&](double x) {
    return shows(Trim(DisplayAt(index, static_cast<float>(x))));
  };
  for (int k = 0; k <= kProbes; ++k) {
    if (!shows(texts[static_cast<size_t>(k)])) continue;
    int last = k;
    while (last < kProbes && shows(texts[static_cast<size_t>(last) + 1])) ++last;
    const double step = 1.0 / kProbes;
    const double from =
        k == 0 ? 0.0 : Boundary([&](double x) { return !showsAt(x); }, (k - 1) * step, k * step);
    const double to = last == kProbes ? 1.0 : Boundary(showsAt, last * step, (last + 1) * step);
    return Pick(from, to);
  }

  // The texts shown, in the order of the scale.
  std::vector<std::string> distinct;
  std::string choices;
  for (const std::string& t : texts) {
    if (std::find(distinct.begin(), distinct.end(), t) != distinct.end()) continue;
    distinct.push_back(t);
    choices += (choices.empty() ? "" : ", ") + Quoted(t);
  }

  // A number in the parameter's units, optionally with its label.
  std::string rest;
  const std::string label = Lower(Trim(mHost.ParamLabel(index)));
  if (!LeadingNumber(value, number, rest) || !std::isfinite(number) ||
      !(rest.empty() || Lower(rest) == label)) {
    if (distinct.size() <= kMaxChoices) throw RenderError(what + ": choose one of " + choices);
    throw RenderError(what + ": not a value this parameter shows");
  }
  double first = 0.0, last = 0.0;
  std::string ignored;
  if (!LeadingNumber(texts.front(), first, ignored) ||
      !LeadingNumber(texts.back(), last, ignored) || first == last) {
    if (distinct.size() <= kMaxChoices) throw RenderError(what + ": choose one of " + choices);
    throw RenderError(what + ": this parameter does not show numbers to search");
  }
  if (number < std::min(first, last) || number > std::max(first, last)) {
    const std::string unit = label.empty() ? "" : " " + Trim(mHost.ParamLabel(index));
    throw RenderError(what + ": out of range; " + Describe(index) + " goes from " +
                      (first < last ? texts.front() : texts.back()) + " to " +
                      (first < last ? texts.back() : texts.front()) + unit);
  }
  // Displays grow (or shrink) with the normalised value: find where they reach the number and
  // where they pass it; between the two the plug-in shows it.
  const bool rising = last > first;
  const auto displayed = [&](double x) {
    double shown = 0.0;
    std::string tail;
    if (!LeadingNumber(Trim(DisplayAt(index, static_cast<float>(x))), shown, tail)) {
      return std::nan("");
    }
    return rising ? shown : -shown;
  };
  const double target = rising ? number : -number;
  const double reach = Boundary([&](double x) { return displayed(x) < target; });
  const double pass = Boundary([&](double x) { return displayed(x) <= target; });
  return Pick(reach, pass);
}

std::string ParameterResolver::DisplayAt(int index, float normalized) {
  std::string text;
  if (mUseVendorDisplay) {
    if (mHost.DisplayForValue(index, normalized, text)) return text;
    mUseVendorDisplay = false;  // not answered: not asked again
  }
  mHost.SetParameter(index, normalized);
  return mHost.ParamDisplay(index);
}

std::string ParameterResolver::NameList() {
  std::string list;
  for (int i = 0; i < mHost.NumParams(); ++i) {
    const std::string name = Trim(mHost.ParamName(i));
    list += (i ? ", " : "") + std::to_string(i) + " " + (name.empty() ? "(unnamed)" : Quoted(name));
  }
  return list;
}

std::string ParameterResolver::Describe(int index) {
  const std::string name = Trim(mHost.ParamName(index));
  return name.empty() ? "parameter " + std::to_string(index) : name;
}

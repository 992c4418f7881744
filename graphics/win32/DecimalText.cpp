#include "graphics/win32/DecimalText.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

const char* SkipDigits(const char* p) {
  while (IsDigit(*p)) ++p;
  return p;
}

}  // namespace

double LeadingDecimal(const char* text) {
  if (!text) return 0.0;
  const char* p = text;
  while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';

  // The longest prefix that is a decimal number; from_chars alone would also take names.
  const char* start = p;
  const char* end = SkipDigits(p);
  bool digits = end != start;
  if (*end == '.') {
    const char* fraction = SkipDigits(end + 1);
    digits = digits || fraction != end + 1;
    end = fraction;
  }
  if (!digits) return 0.0;
  bool tinyExponent = false;
  if (*end == 'e' || *end == 'E') {
    const char* q = end + 1;
    const bool minus = *q == '-';
    if (*q == '+' || *q == '-') ++q;
    if (IsDigit(*q)) {
      end = SkipDigits(q);
      tinyExponent = minus;
    }
  }

  double value = 0.0;
  const std::from_chars_result result =
      std::from_chars(start, end, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    value = tinyExponent ? 0.0 : std::numeric_limits<double>::infinity();
  } else if (result.ec != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

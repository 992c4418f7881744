#pragma once

/// [any thread] The number at the start of a typed text: optional blanks, an optional sign,
/// digits with an optional decimal point, an optional exponent. Read the same in every locale;
/// 0 when the text does not start with a number (names such as "inf" or "nan" and hexadecimal
/// do not count). A number too large for a double is an infinity of its sign, one too small 0.
double LeadingDecimal(const char* text);

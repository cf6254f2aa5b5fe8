#pragma once

// Numeric (N) field text: right-aligned ASCII, leading blanks, '-' before the first digit,
// exactly `decimals` digits after '.', rounded half away from zero. Independent of the
// C library's locale: the decimal point on disk is always '.'.

#include <string>

namespace xbase {

// Writes v into out[0..width). Returns false, with the field filled with '*', when the value
// does not fit or is not finite.
bool formatNumeric(double v, int width, int decimals, char *out);
// Reads a numeric field's text; blanks, or text that is not a number, read as 0.
double parseNumeric(const char *text, int length);
// The value in fixed notation with `decimals` digits, rounded half away from zero.
std::string fixedHalfAway(double v, int decimals);
// The same through the C++ library's correctly rounded conversion, for every value;
// fixedHalfAway takes a shorter exact path for ordinary values, and tests compare the two.
std::string fixedByConversion(double v, int decimals);

} // namespace xbase

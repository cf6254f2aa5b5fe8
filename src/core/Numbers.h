#pragma once

#include <QChar>
#include <QString>

#include <optional>

namespace core {

class Locale;

// Money rounded to whole cents, computed in 80-bit extended precision on the exact value of
// the double: x > 0 gives trunc((x + 0.005) * 100) / 100, otherwise trunc((x - 0.005) * 100)
// / 100, rounded to a double at the end. Because the exact double counts, 1.005 (stored just
// below 1.005) gives 1.00 while 0.125 (exact) gives 0.13 and -0.125 gives -0.13.
double roundCents(double x);

// The number in `text` written with `decimalSeparator`, or std::nullopt. Accepted: surrounding
// blanks, an optional sign, digits with at most one separator (at least one digit), an
// optional exponent ("e" or "E", optional sign, digits). Not accepted: group separators, any
// other decimal separator, "inf" and "nan", values beyond the range of a double. Independent of
// the C library's locale.
std::optional<double> readNumber(const QString &text, QChar decimalSeparator);

// Whether `text` is a number in the locale's notation (see readNumber()); false when empty.
bool IsNumber(const QString &text, const Locale &locale);

// x in fixed notation with `decimals` digits after the separator (0 or less: no separator),
// right-aligned with blanks in at least `width` characters, as printf("%*.*f") writes it in
// the C locale (exact halves round to even, -0.001 shows as "-0.00") but with the locale's
// decimal separator. Independent of the C library's locale.
QString fixedText(double x, int width, int decimals, QChar decimalSeparator);
QString FixedText(double x, int width, int decimals, const Locale &locale);

} // namespace core

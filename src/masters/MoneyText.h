#pragma once

#include <QChar>
#include <QString>

#include <optional>

namespace core {
class Locale;
}

// The text rules of the money box, the entry for amounts, quantities, percentages and
// measures: a number of whole positions, the decimal separator and a number of decimals,
// right-aligned, shown with a printf-style display format ("%8.2f").
namespace masters {

struct MoneyFormat
{
    int whole;     // digit positions before the separator (a sign takes one)
    int decimals;  // after the separator
    int width;     // of the display format: "%8.2f" has 8
};

// The display formats in use.
constexpr MoneyFormat kPrice{5, 2, 8};         // "%8.2f"
constexpr MoneyFormat kReorderLevel{6, 2, 9};  // "%9.2f"
constexpr MoneyFormat kQuantity{7, 2, 10};     // "%10.2f"
constexpr MoneyFormat kTotalCost{9, 2, 12};    // "%12.2f"
constexpr MoneyFormat kMeasure{4, 3, 8};       // "%8.3f", label dimensions in points

// The mask the box is built from: "!", a "#" per whole position, the separator, a "9" per
// decimal, then ";1;_" ("!#####.99;1;_" for a price with a point).
QString MoneyMask(const MoneyFormat &format, QChar separator);

// The number in the box: blanks removed, then read with the locale's separator.
std::optional<double> MoneyValue(const QString &text, const core::Locale &locale);

// The box's text shown with the display format. A text that began with "-" and reads as zero
// keeps its minus in front ("-0.00"), padded on the left to the length the text had. Nothing
// when the text is not a number.
std::optional<QString> NormaliseMoney(const QString &text, const MoneyFormat &format,
                                      const core::Locale &locale);

// The message for a box whose text is not a number: the text without its blanks, quoted.
QString NotANumberMessage(const QString &text);
QString NotAnIntegerMessage(const QString &text);

} // namespace masters

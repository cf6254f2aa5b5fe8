#include "core/Numbers.h"

#include "core/Locale.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace core {

static_assert(std::numeric_limits<long double>::digits == 64,
              "cent rounding is defined in 80-bit extended precision (x87 long double)");

double roundCents(double x)
{
    // Every step runs in long double, rounding to nearest with ties to even after each
    // operation, and 0.005L is the extended value nearest to 0.005 (about 1e-22 below it).
    // Exact halves depend on that tie rule: 0.125 + 0.005L lies just under 0.13, and its
    // exact product with 100 falls precisely halfway between 13 - 2^-60 and 13, so the tie
    // goes to 13 (even significand) and the truncation keeps 13 cents. No step may round to
    // double on the way: in double arithmetic 2.675 + 0.005 comes out as 2.68 and the stored
    // value just below 2.675 would round up.
    const long double v = x;
    const long double scaled = x > 0 ? (v + 0.005L) * 100.0L : (v - 0.005L) * 100.0L;
    return static_cast<double>(std::trunc(scaled) / 100.0L);
}

std::optional<double> readNumber(const QString &text, QChar decimalSeparator)
{
    const QString t = text.trimmed();
    std::string ascii;
    ascii.reserve(static_cast<size_t>(t.size()));
    qsizetype i = 0;
    const auto isDigit = [&t](qsizetype at) {
        return at < t.size() && t.at(at) >= u'0' && t.at(at) <= u'9';
    };
    const auto takeDigits = [&]() {
        const qsizetype start = i;
        while (isDigit(i))
            ascii.push_back(static_cast<char>(t.at(i++).unicode()));
        return i - start;
    };

    if (i < t.size() && (t.at(i) == u'+' || t.at(i) == u'-')) {
        if (t.at(i) == u'-') ascii.push_back('-');
        ++i;
    }
    qsizetype mantissaDigits = takeDigits();
    if (i < t.size() && t.at(i) == decimalSeparator) {
        ascii.push_back('.');
        ++i;
        mantissaDigits += takeDigits();
    }
    if (mantissaDigits == 0) return std::nullopt;
    if (i < t.size() && (t.at(i) == u'e' || t.at(i) == u'E')) {
        ascii.push_back('e');
        ++i;
        if (i < t.size() && (t.at(i) == u'+' || t.at(i) == u'-'))
            ascii.push_back(static_cast<char>(t.at(i++).unicode()));
        if (takeDigits() == 0) return std::nullopt;
    }
    if (i != t.size()) return std::nullopt;

    double value = 0;
    const char *end = ascii.data() + ascii.size();
    const auto [ptr, ec] = std::from_chars(ascii.data(), end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

bool IsNumber(const QString &text, const Locale &locale)
{
    return readNumber(text, locale.decimalSeparator()).has_value();
}

QString fixedText(double x, int width, int decimals, QChar decimalSeparator)
{
    const int precision = decimals > 0 ? decimals : 0;
    // The widest fixed form of a double has 309 digits before the point, plus sign and point.
    std::string buffer(static_cast<size_t>(precision) + 320, '\0');
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x,
                                         std::chars_format::fixed, precision);
    if (ec != std::errc()) return {};
    QString result = QString::fromLatin1(buffer.data(), end - buffer.data());
    if (decimalSeparator != u'.') result.replace(QLatin1Char('.'), decimalSeparator);
    return result.rightJustified(width, QLatin1Char(' '));
}

QString FixedText(double x, int width, int decimals, const Locale &locale)
{
    return fixedText(x, width, decimals, locale.decimalSeparator());
}

} // namespace core

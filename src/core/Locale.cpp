#include "core/Locale.h"

#include "core/Dates.h"
#include "core/Numbers.h"

#include <QLocale>

#include <array>

namespace core {

namespace {

struct DateOrder
{
    // Where day, month and year stand among the three numbers (0, 1 or 2).
    int day = -1;
    int month = -1;
    int year = -1;
    bool twoDigitYear = false;

    bool isComplete() const { return day >= 0 && month >= 0 && year >= 0; }
};

// The order of the d, M and y fields in a Qt date pattern, skipping quoted literals.
DateOrder dateOrder(const QString &format)
{
    DateOrder order;
    int next = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted || (c != u'd' && c != u'M' && c != u'y')) continue;
        qsizetype run = 1;
        while (i + run < format.size() && format.at(i + run) == c)
            ++run;
        int &slot = c == u'd' ? order.day : (c == u'M' ? order.month : order.year);
        if (slot < 0) slot = next++;
        if (c == u'y') order.twoDigitYear = run < 4;
        i += run - 1;
    }
    return order;
}

bool isUsableSeparator(QChar c)
{
    return !c.isDigit() && !c.isSpace() && c != u'+' && c != u'-' && c != u'e' && c != u'E';
}

// The three digit groups of `text`, or false when it is not exactly three groups of at most
// four digits, separated by characters that are neither digits nor letters.
bool splitDateNumbers(const QString &text, std::array<QString, 3> &parts)
{
    int count = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c.isLetter()) return false;
        if (!(c >= u'0' && c <= u'9')) {
            ++i;
            continue;
        }
        if (count == 3) return false;
        qsizetype end = i;
        while (end < text.size() && text.at(end) >= u'0' && text.at(end) <= u'9')
            ++end;
        if (end - i > 4) return false;
        parts[static_cast<size_t>(count++)] = text.mid(i, end - i);
        i = end;
    }
    return count == 3;
}

} // namespace

Locale::Locale() : Locale(kDefaultShortDateFormat, kDefaultDecimalSeparator) {}

Locale::Locale(const QString &shortDateFormat, QChar decimalSeparator)
    : m_shortDateFormat(shortDateFormat), m_decimalSeparator(decimalSeparator)
{
}

Locale Locale::system()
{
    const QLocale host = QLocale::system();
    return fromHost(host.dateFormat(QLocale::ShortFormat), host.decimalPoint());
}

Locale Locale::fromHost(const QString &shortDateFormat, const QString &decimalPoint)
{
    const bool formatUsable = !shortDateFormat.trimmed().isEmpty();
    const bool pointUsable = decimalPoint.size() == 1 && isUsableSeparator(decimalPoint.at(0));
    return Locale(formatUsable ? shortDateFormat : QString(kDefaultShortDateFormat),
                  pointUsable ? decimalPoint.at(0) : kDefaultDecimalSeparator);
}

Locale Locale::pinned(const QString &shortDateFormat, QChar decimalSeparator)
{
    return Locale(shortDateFormat, decimalSeparator);
}

QString Locale::formatDate(double day) const
{
    const QDate date = dateFromDay(day);
    // QDate::toString(QString) formats in the C locale, whatever the host's language.
    return date.isValid() ? date.toString(m_shortDateFormat) : QString();
}

double Locale::parseDate(const QString &text) const
{
    const QString trimmed = text.trimmed();
    const DateOrder order = dateOrder(m_shortDateFormat);
    std::array<QString, 3> parts;
    if (order.isComplete() && splitDateNumbers(trimmed, parts)) {
        const QString &yearText = parts[static_cast<size_t>(order.year)];
        const QString &monthText = parts[static_cast<size_t>(order.month)];
        const QString &dayText = parts[static_cast<size_t>(order.day)];
        if (monthText.size() > 2 || dayText.size() > 2) return 0;
        const int year = yearText.size() <= 2 ? yearInWindow(yearText.toInt()) : yearText.toInt();
        return dayFromDate(QDate(year, monthText.toInt(), dayText.toInt()));
    }

    // Formats that spell the month out, or have no separators, are read by Qt itself.
    QDate date = QDate::fromString(trimmed, m_shortDateFormat);
    if (date.isValid() && order.twoDigitYear)
        date = QDate(yearInWindow(date.year() % 100), date.month(), date.day());
    return dayFromDate(date);
}

QString Locale::formatNumber(double x, int width, int decimals) const
{
    return fixedText(x, width, decimals, m_decimalSeparator);
}

double Locale::parseNumber(const QString &text, bool *ok) const
{
    const std::optional<double> value = readNumber(text, m_decimalSeparator);
    if (ok) *ok = value.has_value();
    return value.value_or(0);
}

} // namespace core

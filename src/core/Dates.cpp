#include "core/Dates.h"

#include "core/Clock.h"

#include <cmath>

namespace core {

namespace {

// Julian day number of 1899-12-30, day 0.
constexpr qint64 kEpochJulianDay = 2415019;

// Whole day counts of 0001-01-01 and 9999-12-31.
constexpr double kFirstDay = -693593;
constexpr double kLastDay = 2958465;

// Reads characters [from, from + count) of `text` as an unsigned decimal number. Leading
// blanks are skipped; anything else that is not a digit makes the part unreadable (-1).
int readKeyPart(const QString &text, int from, int count)
{
    int value = 0;
    bool digitSeen = false;
    for (int i = from; i < from + count; ++i) {
        const QChar c = text.at(i);
        if (c == u' ' && !digitSeen) continue;
        if (c < u'0' || c > u'9') return -1;
        value = value * 10 + (c.unicode() - u'0');
        digitSeen = true;
    }
    return digitSeen ? value : -1;
}

} // namespace

QDate dateFromDay(double day)
{
    if (!std::isfinite(day)) return {};
    const double whole = std::trunc(day);
    if (whole == 0 || whole < kFirstDay || whole > kLastDay) return {};
    return QDate::fromJulianDay(static_cast<qint64>(whole) + kEpochJulianDay);
}

double dayFromDate(QDate date)
{
    if (!date.isValid() || date.year() < 1 || date.year() > 9999) return 0;
    return static_cast<double>(date.toJulianDay() - kEpochJulianDay);
}

int yearInWindow(int twoDigitYear)
{
    const int yy = ((twoDigitYear % 100) + 100) % 100;
    const int low = Clock::current().currentYear() - kCenturyWindow;
    int year = low - ((low % 100) + 100) % 100 + yy;
    if (year < low) year += 100;
    return year;
}

double NormaliseCentury(double date)
{
    const QDate d = dateFromDay(date);
    if (!d.isValid()) return date;
    const int low = Clock::current().currentYear() - kCenturyWindow;
    int year = d.year();
    if (year < low)
        year += 100;
    else if (year >= low + 100)
        year -= 100;
    const QDate moved(year, d.month(), d.day());
    // A move out of the years 1 to 9999 is refused like a missing 29 February.
    if (!moved.isValid() || year < 1 || year > 9999) return date;
    return dayFromDate(moved);
}

QString DateToKey(double date)
{
    if (!(date > 0)) return {};
    const QDate d = dateFromDay(NormaliseCentury(date));
    if (!d.isValid()) return {};
    return QStringLiteral("%1%2%3")
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'));
}

double KeyToDate(const QString &key)
{
    if (key.trimmed().size() < 8) return 0;
    const int year = readKeyPart(key, 0, 4);
    const int month = readKeyPart(key, 4, 2);
    const int day = readKeyPart(key, 6, 2);
    if (year < 1 || month < 0 || day < 0) return 0;
    return dayFromDate(QDate(year, month, day));
}

} // namespace core

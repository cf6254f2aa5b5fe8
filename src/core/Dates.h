#pragma once

#include <QDate>
#include <QString>

// Dates as the tables and buffers hold them: a double counting days from 1899-12-30 (day 0),
// so 1900-01-01 is day 2. The whole part is the day, the fraction the time of day (only the
// day is ever stored). A whole part of 0 means "no date". Dates are handled for the years
// 1 to 9999, the range an eight-character key can hold.
namespace core {

// Years either side of the two-digit year window: with current year Y, the window is the
// hundred years Y - kCenturyWindow .. Y - kCenturyWindow + 99.
constexpr int kCenturyWindow = 60;

// The calendar date of a day count: the whole part truncated toward zero (so -1.25 is
// 1899-12-29, as the fraction is a time of day, not a part of a day before the epoch).
// Returns an invalid QDate for no date (whole part 0), for NaN and infinities, and outside the
// years 1 to 9999.
QDate dateFromDay(double day);

// The day count of `date`, without a time of day. Returns 0 (no date) for an invalid date and
// outside the years 1 to 9999. 1899-12-30 itself also maps to 0: it is not a usable date.
double dayFromDate(QDate date);

// The year in the window around the current year (Clock::current()) whose last two digits are
// `twoDigitYear` (0..99): in 2024, 64 gives 1964 and 63 gives 2063. Out-of-range input is
// reduced modulo 100.
int yearInWindow(int twoDigitYear);

// Moves the date by one century toward the window: a year below the window gains 100 years, a
// year at or beyond its end loses 100. The time of day is dropped. Returns the input
// unchanged when the moved date does not exist (29 February into a year that is not a leap
// year) and for no date or a value dateFromDay() rejects. A date far outside the window moves
// by a single century only, not into the window.
double NormaliseCentury(double date);

// The eight-character key "yyyymmdd" of a date, after NormaliseCentury(); the empty text for a
// date of 0 or less, which the tables store as a blank date.
QString DateToKey(double date);

// The date of a key. 0 when the trimmed text is shorter than 8 characters, when characters 1-4,
// 5-6 and 7-8 of the untrimmed text are not decimal numbers (leading blanks allowed, nothing
// else), or when they do not form a valid date. Characters after the eighth are ignored.
double KeyToDate(const QString &key);

} // namespace core

#pragma once

#include <QChar>
#include <QString>

namespace core {

// How dates and numbers are typed and shown: the short date format and the decimal separator.
// The program builds one from the host (system()) and keeps it in its application context;
// tests pin one. Month and day names, should a format spell them, are always English, so the
// result never depends on anything but these two settings.
class Locale
{
public:
    // Used where the host reports no usable setting: the C locale's short format and point.
    static constexpr QLatin1StringView kDefaultShortDateFormat{"M/d/yy"};
    static constexpr QChar kDefaultDecimalSeparator{u'.'};

    // The defaults above.
    Locale();

    // The host's settings (QLocale::system()), through fromHost().
    static Locale system();
    // What system() does with the host's answers: an empty format falls back on the default
    // format, and a decimal point that is not a single character usable in a number (a digit,
    // blank, sign or exponent letter are not) falls back on the default separator.
    static Locale fromHost(const QString &shortDateFormat, const QString &decimalPoint);
    // Exactly these settings, for tests.
    static Locale pinned(const QString &shortDateFormat, QChar decimalSeparator);

    // A Qt date pattern such as "M/d/yy" or "dd.MM.yyyy".
    QString shortDateFormat() const { return m_shortDateFormat; }
    QChar decimalSeparator() const { return m_decimalSeparator; }

    // The date in the short format; the empty text for no date (see dateFromDay()).
    QString formatDate(double day) const;

    // The date typed in `text`, or 0 when it is not one. Day, month and year are read as three
    // groups of digits in the order the short format gives them, separated by anything that is
    // neither a digit nor a letter ("3/15/24", "03-15-2024" for "M/d/yy"). A year of one or two
    // digits is placed in the two-digit year window (yearInWindow()); longer years are taken
    // as they are. Text that does not have that shape is tried against the format itself.
    double parseDate(const QString &text) const;

    // FixedText() with this locale: "%10.2f" is formatNumber(x, 10, 2).
    QString formatNumber(double x, int width, int decimals) const;
    // readNumber() with this separator; 0 and *ok false when the text is not a number.
    double parseNumber(const QString &text, bool *ok = nullptr) const;

private:
    Locale(const QString &shortDateFormat, QChar decimalSeparator);

    QString m_shortDateFormat;
    QChar m_decimalSeparator;
};

} // namespace core

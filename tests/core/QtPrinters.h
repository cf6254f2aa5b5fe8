#pragma once

// Readable GoogleTest failure messages for the Qt values the core tests compare.

#include <QDate>
#include <QString>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QDate &date, std::ostream *os)
{
    *os << (date.isValid() ? date.toString(Qt::ISODate).toStdString() : "(invalid date)");
}

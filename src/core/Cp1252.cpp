#include "Cp1252.h"

#include <array>

namespace core {

namespace {

// Unicode of the bytes 0x80..0x9F; the rest are Latin-1.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int byteFor(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return u;
    for (int i = 0; i < 32; ++i)
        if (kHigh[size_t(i)] == u) return 0x80 + i;
    return -1;
}

} // namespace

QString fromCp1252(const char *bytes, qsizetype length)
{
    QString out(length, Qt::Uninitialized);
    for (qsizetype i = 0; i < length; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = QChar(b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : char16_t(b));
    }
    return out;
}

QByteArray toCp1252(const QString &text, bool *ok)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        int b = byteFor(text[i].unicode());
        if (b < 0) {
            if (ok) {
                *ok = false;
                return {};
            }
            b = '?';
        }
        out[i] = char(b);
    }
    if (ok) *ok = true;
    return out;
}

QChar firstCharacterNotInCp1252(const QString &text)
{
    for (QChar c : text)
        if (byteFor(c.unicode()) < 0) return c;
    return {};
}

} // namespace core

#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252, the character set of every table: the program works in QString and converts
// at the record-buffer boundary. The five byte values that Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) read as the control characters of the same value, so a byte
// never turns into something else on a round trip.
namespace core {

QString fromCp1252(const char *bytes, qsizetype length);
inline QString fromCp1252(const QByteArray &bytes) { return fromCp1252(bytes.data(), bytes.size()); }

// The bytes of `text`, or an empty array with *ok false when a character has no byte in
// Windows-1252. With ok null, such characters become '?'.
QByteArray toCp1252(const QString &text, bool *ok = nullptr);

// The first character of `text` that Windows-1252 cannot hold, or a null QChar when there is
// none. Editors use it to refuse the text with a clear message.
QChar firstCharacterNotInCp1252(const QString &text);

} // namespace core

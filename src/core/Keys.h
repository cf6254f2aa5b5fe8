#pragma once

#include <QString>

// Index key arguments built from program values. Date keys live in Dates.h.
namespace core {

// The longest key argument the engine accepts, in characters.
constexpr int kMaxSeekKeyLength = 60;

// The decimal form of n (with a minus sign when negative) with blanks in front up to `width`
// characters; a longer form is kept whole, never cut. This is the key of "STR(n, width)" for
// whole numbers that fit, so numberKey(42, 6) is four blanks then "42".
QString numberKey(qint64 n, int width);

// `text` as the engine's key argument: its first kMaxSeekKeyLength characters.
QString SeekKey(const QString &text);

} // namespace core

#pragma once

#include <QString>

namespace core {

// `n` blanks; the empty text for n of 0 or less.
QString Blanks(int n);

// The 1-based start of the last occurrence of `pattern` in `text` (case-sensitive), or 0 when
// there is none. An empty pattern, or one longer than the text, gives 0. Occurrences may
// overlap: LastPos("aa", "aaa") is 2.
int LastPos(const QString &pattern, const QString &text);

} // namespace core

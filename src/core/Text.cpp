#include "core/Text.h"

namespace core {

QString Blanks(int n)
{
    return n > 0 ? QString(n, QLatin1Char(' ')) : QString();
}

int LastPos(const QString &pattern, const QString &text)
{
    if (pattern.isEmpty() || pattern.size() > text.size()) return 0;
    return static_cast<int>(text.lastIndexOf(pattern)) + 1;
}

} // namespace core

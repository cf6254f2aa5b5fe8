#include "core/Keys.h"

namespace core {

QString numberKey(qint64 n, int width)
{
    return QString::number(n).rightJustified(width, QLatin1Char(' '));
}

QString SeekKey(const QString &text)
{
    return text.left(kMaxSeekKeyLength);
}

} // namespace core

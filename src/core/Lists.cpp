#include "core/Lists.h"

namespace core {

qsizetype IndexOfNumber(const NumberList &list, int n)
{
    return list ? list->indexOf(n) : -1;
}

} // namespace core

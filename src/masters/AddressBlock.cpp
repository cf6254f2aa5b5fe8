#include "AddressBlock.h"

namespace masters {

AddressLines BuildAddressBlock(const data::CustomerBuffer &c, bool byName)
{
    // The title as loaded keeps its padding, so an empty part leaves its blanks inside.
    const QString name =
        (c.title + QLatin1Char(' ') + c.first.trimmed() + QLatin1Char(' ') + c.last).trimmed();
    AddressLines lines;
    lines[0] = byName ? name : c.addr1.trimmed();
    lines[1] = byName ? c.addr1.trimmed() : name;
    lines[2] = c.addr2.trimmed();
    lines[3] = c.addr3.trimmed();
    lines[4] = c.addr4.trimmed();
    int n = 4;
    while (n > 0 && lines[size_t(n)].isEmpty())
        --n;
    const QString zip = c.zip.trimmed();
    if (lines[size_t(n)].size() > 22 && n < 4)
        lines[size_t(n) + 1] = QString(20, QLatin1Char(' ')) + zip;
    else
        lines[size_t(n)] += QLatin1String("  ") + zip;
    return lines;
}

} // namespace masters

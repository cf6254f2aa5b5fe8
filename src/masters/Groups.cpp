#include "Groups.h"

#include "data/DataStore.h"

namespace masters {

int GroupMembership(const GroupSelection &groups, int number)
{
    return int(groups.indexOf(number));
}

QStringList GroupChooserLines(data::DataStore &store)
{
    DATA4 *groups = store.data(data::TableId::GROUPS);
    QStringList lines;
    for (int rc = d4top(groups); rc == 0; rc = d4skip(groups, 1)) {
        if (d4deleted(groups))
            continue;
        store.LoadGROUPS();
        lines << QString::number(store.group.nGroup).rightJustified(2, QLatin1Char(' '))
                     + QLatin1String(" - ") + store.group.cGroup;
    }
    return lines;
}

int GroupNumberOfLine(const QString &line) { return line.left(2).trimmed().toInt(); }

void MoveGroupMembers(data::DataStore &store, int from, int to)
{
    DATA4 *customers = store.data(data::TableId::CUST6);
    FIELD4 *group = d4field(customers, "ngroup");
    // No tag of CUST6 holds the group, so changing it does not move the walk.
    for (int rc = d4top(customers); rc == 0; rc = d4skip(customers, 1)) {
        if (f4long(group) == from)
            f4assignLong(group, to);
    }
    d4flush(customers);
}

} // namespace masters

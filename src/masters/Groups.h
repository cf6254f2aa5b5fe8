#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace data {
class DataStore;
}

// Customer groups: the group selection list that the multi-group chooser returns, and the
// moving of a deleted group's customers.
namespace masters {

// The group numbers chosen, in list order; empty when nothing was chosen.
using GroupSelection = QList<int>;

// The position of `number` in the list, or -1. A customer is selected when this is 0 or more.
int GroupMembership(const GroupSelection &groups, int number);

// The chooser's lines: for every group not marked deleted, in the selected tag's order, the
// number right-aligned in 2, " - " and the name as stored. GROUPS must be open.
QStringList GroupChooserLines(data::DataStore &store);
// The group number at the start of a chooser line.
int GroupNumberOfLine(const QString &line);

// Gives every customer of group `from` (records marked deleted too) the group `to`. CUST6 must
// be open; its position is left at the end of the table.
void MoveGroupMembers(data::DataStore &store, int from, int to);

} // namespace masters

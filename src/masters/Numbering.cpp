#include "Numbering.h"

#include "data/DataStore.h"

#include <algorithm>

namespace masters {
namespace {

int firstGap(data::DataStore &store, data::TableId id, const char *tagName, const char *field)
{
    DATA4 *table = store.data(id);
    if (d4recCountDo(table) <= 0)
        return 1;
    TAG4 *previous = d4tagSelected(table);
    d4tagSelectP(table, d4tag(table, tagName));
    FIELD4 *number = d4field(table, field);
    long last = 0;
    // Equal numbers are passed over; the first number beyond last + 1 ends the run.
    for (int rc = d4top(table); rc == 0; rc = d4skip(table, 1)) {
        const long n = f4long(number);
        if (n > last + 1)
            break;
        last = std::max(last, n);
    }
    d4tagSelectP(table, previous);
    d4top(table);
    return int(last + 1);
}

} // namespace

int NextCustomerNumber(data::DataStore &store)
{
    return firstGap(store, data::TableId::CUST6, "CCNO", "cuno");
}

int NextGroupNumber(data::DataStore &store)
{
    return firstGap(store, data::TableId::GROUPS, "nGroup", "nGroup");
}

} // namespace masters

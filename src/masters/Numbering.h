#pragma once

namespace data {
class DataStore;
}

// Numbers for new customers and groups: the lowest number above the unbroken run that starts
// at 1 (with 1, 2, 3 and 5 taken the next is 4; with 2 and 3 it is 1). Records marked deleted
// still hold their numbers until the table is packed.
namespace masters {

// CUST6 must be open. Walks tag CCNO, then selects the tag that was selected before and goes
// to the top.
int NextCustomerNumber(data::DataStore &store);
// GROUPS must be open; walks tag nGroup, restoring the selected tag as above.
int NextGroupNumber(data::DataStore &store);

} // namespace masters

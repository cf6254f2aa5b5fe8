#pragma once

#include "data/DataStore.h"

// The seven tables whose records are chosen in a pick list.
namespace masters {

enum class PickTable { Customers, Groups, Products, Invoices, Estimates, Purchases, Labels };

// The table's selection value in the store (see data::SelectionValues).
inline int &selectionOf(data::DataStore &store, PickTable table)
{
    data::SelectionValues &s = store.selection;
    switch (table) {
    case PickTable::Customers: return s.customer;
    case PickTable::Groups: return s.group;
    case PickTable::Products: return s.product;
    case PickTable::Invoices: return s.invoice;
    case PickTable::Estimates: return s.estimate;
    case PickTable::Purchases: return s.purchase;
    case PickTable::Labels: return s.label;
    }
    return s.customer;
}

} // namespace masters

#pragma once

#include "data/DataStore.h"

// The seven tables whose records are chosen in a pick list.
namespace masters {

enum class PickTable { Customers, Groups, Products, Invoices, Estimates, Purchases, Labels };

// The table the list shows.
inline data::TableId tableOf(PickTable table)
{
    switch (table) {
    case PickTable::Customers: return data::TableId::CUST6;
    case PickTable::Groups: return data::TableId::GROUPS;
    case PickTable::Products: return data::TableId::Prod5;
    case PickTable::Invoices: return data::TableId::INV7;
    case PickTable::Estimates: return data::TableId::Est;
    case PickTable::Purchases: return data::TableId::Pur5;
    case PickTable::Labels: return data::TableId::LABELS;
    }
    return data::TableId::CUST6;
}

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

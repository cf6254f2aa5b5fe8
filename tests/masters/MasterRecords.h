#pragma once

// Records for master-record tests, appended through the record buffers so that they are
// stored exactly as the editors store them. The table must be open.

#include "data/DataStore.h"

#include <QString>

namespace testsupport {

inline long addCustomer(data::DataStore &s, int cuno, const QString &last, int group = 1,
                        const QString &zip = {})
{
    d4appendBlank(s.data(data::TableId::CUST6));
    s.customer = {};
    s.customer.cuno = cuno;
    s.customer.last = last;
    s.customer.ngroup = group;
    s.customer.zip = zip;
    s.StoreCUST6();
    return d4recNo(s.data(data::TableId::CUST6));
}

inline long addGroup(data::DataStore &s, int number, const QString &name)
{
    d4appendBlank(s.data(data::TableId::GROUPS));
    s.group = {number, name};
    s.StoreGROUPS();
    return d4recNo(s.data(data::TableId::GROUPS));
}

inline long addProduct(data::DataStore &s, const QString &id, double price = 0)
{
    d4appendBlank(s.data(data::TableId::Prod5));
    s.product = {};
    s.product.PrID = id;
    s.product.UPrice = price;
    s.StoreProd5();
    return d4recNo(s.data(data::TableId::Prod5));
}

inline long addPurchase(data::DataStore &s, const QString &product, double date, double qty = 1)
{
    d4appendBlank(s.data(data::TableId::Pur5));
    s.purchase = {};
    s.purchase.PURProd = product;
    s.purchase.PURDate = date;
    s.purchase.PURQty = qty;
    s.StorePur5();
    return d4recNo(s.data(data::TableId::Pur5));
}

inline void deleteRecord(data::DataStore &s, data::TableId table, long recno)
{
    d4go(s.data(table), recno);
    d4delete(s.data(table));
    d4flush(s.data(table));
}

} // namespace testsupport

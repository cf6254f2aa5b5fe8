#include "Products.h"

#include "core/Cp1252.h"
#include "data/DataStore.h"

namespace masters {

QString ProductIdOf(const QString &text) { return text.trimmed().toUpper(); }

bool ProductIdTaken(data::DataStore &store, const QString &id)
{
    DATA4 *products = store.data(data::TableId::Prod5);
    d4tagSelectP(products, d4tag(products, "Prod"));
    const QByteArray key = core::toCp1252(id);
    if (key.isEmpty() || d4seek(products, key.constData()) != 0)
        return false;
    // The seek is a prefix match: "ABC-1" may land on "ABC-10", which is not a duplicate.
    FIELD4 *prid = d4field(products, "PrID");
    return core::fromCp1252(QByteArray(f4str(prid))).trimmed() == id;
}

int DeleteProductPurchases(data::DataStore &store, const QString &id)
{
    const bool wasOpen = store.data(data::TableId::Pur5) != nullptr;
    if (!wasOpen && !store.OpenPur5())
        return 0;
    DATA4 *purchases = store.data(data::TableId::Pur5);
    d4tagSelectP(purchases, d4tag(purchases, "Pur"));
    FIELD4 *product = d4field(purchases, "PURProd");
    int deleted = 0;
    const QByteArray key = core::toCp1252(id);
    if (!key.isEmpty() && d4seek(purchases, key.constData()) == 0) {
        for (int rc = 0; rc == 0; rc = d4skip(purchases, 1)) {
            if (core::fromCp1252(QByteArray(f4str(product))).trimmed() != id)
                break;
            d4delete(purchases);
            ++deleted;
        }
        d4flush(purchases);
    }
    if (!wasOpen)
        store.close(data::TableId::Pur5);
    return deleted;
}

} // namespace masters

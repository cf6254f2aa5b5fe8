#include "MergeExport.h"

#include "core/Cp1252.h"
#include "core/Status.h"
#include "data/DataStore.h"

#include <QSaveFile>
#include <QStringList>

namespace masters {

bool ExportMergeFile(data::DataStore &store, const GroupSelection &groups, const QString &path,
                     core::StatusSink &status)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    ShowStatus(status, QStringLiteral("Exporting Mail Merge File"));
    DATA4 *customers = store.data(data::TableId::CUST6);
    d4tagSelectP(customers, d4tag(customers, "CZip"));
    FIELD4 *group = d4field(customers, "ngroup");
    const long n = d4recCountDo(customers);

    auto line = [](const QStringList &fields) {
        return core::toCp1252(fields.join(QLatin1Char('\t'))) + "\r\n";
    };
    bool ok = file.write(line({QStringLiteral("Title"), QStringLiteral("FirstName"),
                               QStringLiteral("LastName"), QStringLiteral("Company"),
                               QStringLiteral("Addr1"), QStringLiteral("Addr2"),
                               QStringLiteral("Addr3"), QStringLiteral("PostalCode")}))
              >= 0;
    long i = 0;
    for (int rc = d4top(customers); ok && rc == 0; rc = d4skip(customers, 1)) {
        if (GroupMembership(groups, int(f4long(group))) >= 0) {
            store.LoadCUST6();
            const data::CustomerBuffer &c = store.customer;
            ok = file.write(line({c.title.trimmed(), c.first.trimmed(), c.last.trimmed(),
                                  c.addr1.trimmed(), c.addr2.trimmed(), c.addr3.trimmed(),
                                  c.addr4.trimmed(), c.zip.trimmed()}))
                 >= 0;
        }
        ++i;
        ShowProgress(status, int(i * 100 / n));
    }
    ok = ok && file.commit();
    ShowStatus(status, QString());
    return ok;
}

} // namespace masters

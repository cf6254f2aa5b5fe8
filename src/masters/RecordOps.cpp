#include "RecordOps.h"

#include "core/Prompts.h"
#include "data/DataStore.h"

namespace masters {

bool GoRecord(data::DataStore &store, data::TableId table, long recno)
{
    return recno > 0 && d4go(store.data(table), recno) == 0;
}

bool AppendRecord(data::DataStore &store, data::TableId table, const QString &failMessage)
{
    if (d4appendBlank(store.data(table)) == 0)
        return true;
    code4errorCode(store.engine(), 0);
    store.prompts().information(failMessage);
    return false;
}

bool GoOrAppend(data::DataStore &store, data::TableId table, int &selection,
                const QString &failMessage)
{
    if (selection > 0)
        return GoRecord(store, table, selection);
    if (!AppendRecord(store, table, failMessage))
        return false;
    selection = int(CurrentRecord(store, table));
    return true;
}

void MarkDeleted(data::DataStore &store, data::TableId table, long recno)
{
    DATA4 *d = store.data(table);
    if (!GoRecord(store, table, recno))
        return;
    d4delete(d);
    d4flush(d);
    store.packPending = true;
}

void RecallIfDeleted(data::DataStore &store, data::TableId table)
{
    DATA4 *d = store.data(table);
    if (d4deleted(d)) {
        d4recall(d);
        d4flush(d);
    }
}

long CurrentRecord(data::DataStore &store, data::TableId table)
{
    return d4recNo(store.data(table));
}

} // namespace masters

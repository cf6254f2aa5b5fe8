#include "Maintenance.h"

#include "DataStore.h"
#include "core/Status.h"
#include "xbase/File.h"

#include <vector>

namespace data {

namespace {

bool anyMissing(const DataStore &store, const RebuildStep &step)
{
    for (const char *name : step.testedFiles) {
        // The tested names differ in case from the files the index creation writes (the tag
        // CName makes CName.ntx, tested as cName.ntx): on a case-sensitive file system they
        // are matched without regard to case.
        const QString path = store.directory() + QLatin1Char('/') + QLatin1String(name);
        if (xbase::fs::findNoCase(path.toStdString()).empty()) return true;
    }
    return false;
}

} // namespace

void RebuildIndexes(DataStore &store, core::StatusSink &status, bool quiet)
{
    CODE4 *c = store.engine();
    code4autoOpen(c, 0);
    code4safety(c, 0);
    code4accessMode(c, 1);
    if (!quiet) {
        core::ShowStatus(status, QStringLiteral("Rebuilding Indexes"));
        core::ShowProgress(status, 5);
    }
    for (const RebuildStep &step : rebuildSteps()) {
        if (quiet && !anyMissing(store, step)) continue;
        const TableDef &def = tableDef(step.table);
        DATA4 *d = d4open(c, store.tablePath(step.table).c_str());
        if (!d || code4errorCode(c, 0) < 0) {
            code4exit(c);
            return;
        }
        std::vector<TAG4INFO> tags;
        for (const TagDef &t : def.tags) tags.push_back({t.name, t.expression, nullptr, 0, 0});
        tags.push_back({nullptr, nullptr, nullptr, 0, 0});
        const int rc = i4create(d, def.name, tags.data());
        code4close(c);
        if (rc < 0 || code4errorCode(c, 0) < 0) {
            code4exit(c);
            return;
        }
        if (!quiet) core::ShowProgress(status, step.progressAfter);
    }
    code4autoOpen(c, 1);
    code4safety(c, 1);
    code4accessMode(c, 0);
    if (!quiet) core::ShowStatus(status, QStringLiteral("Done"));
}

void PackTable(DataStore &store, TableId table, bool compactMemo)
{
    CODE4 *c = store.engine();
    code4accessMode(c, 1);
    // A table that cannot be opened is skipped without a message of its own or the engine's.
    store.setReportEngineErrors(false);
    DATA4 *d = d4open(c, store.tablePath(table).c_str());
    const bool opened = d && code4errorCode(c, 0) >= 0;
    store.setReportEngineErrors(true);
    if (opened) {
        d4pack(d);
        if (compactMemo) d4memoCompress(d);
        d4close(d);
    }
    code4errorCode(c, 0);
    code4accessMode(c, 0);
}

void PackAll(DataStore &store, core::StatusSink &status)
{
    code4accessMode(store.engine(), 1);
    core::ShowStatus(status, QStringLiteral("Packing Data Files"));
    for (const PackStep &step : packSteps()) {
        core::ShowProgress(status, step.progressBefore);
        PackTable(store, step.table, step.compactMemo);
    }
    core::ShowStatus(status, QString());
    code4accessMode(store.engine(), 0);
    store.packPending = false;
}

} // namespace data

// mkdata DIR: writes the empty tables the program is supplied with (and their memo files)
// into DIR, from the table catalogue, and the one settings record with first-run values.
// Refuses to overwrite a table that exists.

#include "data/Catalogue.h"
#include "data/DataStore.h"
#include "data/FirstRunSettings.h"
#include "core/Prompts.h"
#include "xbase/DbfFile.h"
#include "xbase/File.h"
#include "xbase/MemoFile.h"

#include <QDir>

#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkdata DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "mkdata: cannot make directory %s\n", argv[1]);
        return 1;
    }
    for (const data::TableDef &def : data::catalogue()) {
        const std::string base = (dir + QLatin1Char('/') + QLatin1String(def.name)).toStdString();
        if (!xbase::fs::findNoCase(base + ".dbf").empty()) {
            std::fprintf(stderr, "mkdata: %s.dbf exists already; nothing written\n", base.c_str());
            return 1;
        }
    }
    for (const data::TableDef &def : data::catalogue()) {
        const std::string base = (dir + QLatin1Char('/') + QLatin1String(def.name)).toStdString();
        std::vector<xbase::FieldInfo> fields;
        for (const data::FieldDef &f : def.fields)
            fields.push_back({f.name, f.type, f.length, f.decimals});
        std::string err;
        if (!xbase::DbfFile::create(base + ".dbf", fields, &err) ||
            (def.hasMemo() && !xbase::MemoFile::create(base + ".dbt", &err))) {
            std::fprintf(stderr, "mkdata: %s\n", err.c_str());
            return 1;
        }
    }
    core::ScriptedPrompts prompts;
    bool failed = false;
    data::DataStore store(dir, prompts, [&failed] { failed = true; });
    store.startEngine();
    if (!store.OpenQLR3A() || d4appendBlank(store.data(data::TableId::QLR3A)) != 0) failed = true;
    if (!failed) {
        store.settings = data::firstRunSettings();
        store.StoreQLR3A();
        store.closeAll();
    }
    if (failed || code4errorCode(store.engine(), 0) < 0) {
        for (const QString &s : prompts.shown()) std::fprintf(stderr, "mkdata: %s\n", qPrintable(s));
        std::fprintf(stderr, "mkdata: cannot write the settings record\n");
        return 1;
    }
    std::printf("mkdata: %d tables written to %s\n", data::kTableCount, argv[1]);
    return 0;
}

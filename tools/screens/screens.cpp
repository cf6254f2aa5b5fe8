// Photographs windows of the program for the README: each window is opened on a data
// directory as a command opens it, grabbed as it is drawn, and closed again.
//
//   screens DATA_DIR OUT_DIR
//
// Run it under a real X server (scripts/screenshots uses Xvfb); the data directory should hold
// demo data (gendata).

#include "MasterWindows.h"
#include "QtPrompts.h"

#include "core/Status.h"
#include "data/DataStore.h"
#include "masters/CustomerU.h"
#include "masters/ProdDefU.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

// Grabs the active modal window into OUT/name.png once it has been drawn, then closes it.
void grabNextWindow(const QString &path)
{
    QTimer::singleShot(700, [path] {
        QWidget *w = QApplication::activeModalWidget();
        if (!w) {
            std::fprintf(stderr, "screens: no window for %s\n", qPrintable(path));
            return;
        }
        if (!w->grab().save(path))
            std::fprintf(stderr, "screens: cannot write %s\n", qPrintable(path));
        else
            std::printf("screens: %s\n", qPrintable(path));
        if (auto *d = qobject_cast<QDialog *>(w))
            d->reject();
    });
}

// The record `steps` records down the table's current order, or the next one after it whose
// field `nonZero` is not 0 (a customer with a group, for instance).
int recordDown(DATA4 *table, long steps, const char *nonZero = nullptr)
{
    d4top(table);
    d4skip(table, steps);
    while (nonZero && f4long(d4field(table, nonZero)) == 0 && d4skip(table, 1) == 0) {
    }
    return int(d4recNo(table));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: screens DATA_DIR OUT_DIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    QtPrompts prompts;
    core::RecordingStatus status;
    data::DataStore store(QString::fromLocal8Bit(argv[1]), prompts, [] { std::exit(1); });
    store.startEngine();
    store.OpenQLR3A();
    store.LoadQLR3A();
    store.closeAll();
    QWidget parent;
    MasterWindows windows(store, status, {}, &parent);

    store.OpenCUST6();
    store.OpenGROUPS();
    store.selection.customer = recordDown(store.data(data::TableId::CUST6), 23, "ngroup");
    grabNextWindow(out + QStringLiteral("/customer-list.png"));
    windows.picker().pickOrCreate(masters::PickTable::Customers, false);

    store.selection.customer = recordDown(store.data(data::TableId::CUST6), 23, "ngroup");
    grabNextWindow(out + QStringLiteral("/customer-editor.png"));
    windows.customerEditor().run();
    store.closeAll();

    store.OpenProd5();
    store.selection.product = recordDown(store.data(data::TableId::Prod5), 7);
    grabNextWindow(out + QStringLiteral("/product-editor.png"));
    windows.productEditor().run();
    store.closeAll();
    return 0;
}

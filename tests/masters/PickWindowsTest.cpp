// The pick list windows and the pick-or-create operation driven through their widgets while
// the modal windows run: the empty table, the close button, the keys, the "Edit" loop and the
// short list's "Item Not Selected".

#include "core/Prompts.h"
#include "core/Status.h"
#include "data/DataStore.h"
#include "data/Maintenance.h"
#include "masters/PagedPickU.h"
#include "masters/Picker.h"
#include "masters/ShortPickU.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <functional>
#include <memory>

using data::TableId;
using masters::PickTable;

class PickWindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void captionsPerTable_data();
    void captionsPerTable();
    void emptyTableWithNewShowsTheListAndCloseOpensTheEditor();
    void emptyTableWithoutNewSaysSo();
    void closeButtonLeavesTheValueOrMinusOne_data();
    void closeButtonLeavesTheValueOrMinusOne();
    void keysMoveThePageAndEnterChooses();
    void scrollBarMovesThePage();
    void editLoopEndsOnCancelInTheList();
    void editLoopEndsWhenANewRecordsEditorIsCancelled();
    void shortListWithNothingHighlightedSaysSo();
    void newWithoutAnEditorCreatesNothing();

private:
    // Runs `act` on the modal window that is active when the next event loop starts.
    void onNextModal(const std::function<void(QWidget *)> &act);
    void addCustomers(int count);
    template <class T> T *child(QWidget *w, const char *name)
    {
        T *c = w ? w->findChild<T *>(name) : nullptr;
        if (!c) qWarning("no %s in the window", name);
        return c;
    }

    std::unique_ptr<testsupport::TempDir> m_dir;
    core::ScriptedPrompts m_prompts;
    std::unique_ptr<data::DataStore> m_store;
    std::unique_ptr<masters::Picker> m_picker;
    int m_exits = 0;
};

void PickWindowsTest::init()
{
    m_dir = std::make_unique<testsupport::TempDir>();
    for (auto &e : std::filesystem::directory_iterator(QUILLORY_SUPPLIED_DATA))
        std::filesystem::copy_file(e.path(), std::filesystem::path(m_dir->path()) /
                                                 e.path().filename());
    m_prompts.clear();
    m_store = std::make_unique<data::DataStore>(QString::fromStdString(m_dir->path()), m_prompts,
                                                [this] { ++m_exits; });
    m_store->startEngine();
    core::RecordingStatus quiet;
    data::RebuildIndexes(*m_store, quiet, true);
    QVERIFY(m_store->OpenCUST6());
    QVERIFY(m_store->OpenGROUPS());
    m_store->settings.ByCust = true;
    m_picker = std::make_unique<masters::Picker>(*m_store, nullptr);
}

void PickWindowsTest::cleanup()
{
    m_picker.reset();
    m_store->closeAll();
    m_store.reset();
    m_dir.reset();
    QCOMPARE(m_exits, 0);
}

void PickWindowsTest::onNextModal(const std::function<void(QWidget *)> &act)
{
    QTimer::singleShot(0, this, [act] {
        QWidget *w = QApplication::activeModalWidget();
        act(w);
        // A step that went wrong must not leave the test waiting on the window.
        if (w && w->isVisible())
            QTimer::singleShot(5000, w, [w] {
                if (auto *d = qobject_cast<QDialog *>(w)) d->reject();
            });
    });
}

void PickWindowsTest::addCustomers(int count)
{
    DATA4 *d = m_store->data(TableId::CUST6);
    for (int i = 0; i < count; ++i) {
        QVERIFY(d4appendBlank(d) == 0);
        m_store->customer = {};
        m_store->customer.cuno = int(d4recNo(d));
        m_store->customer.last = QStringLiteral("Name%1").arg(i, 3, 10, QLatin1Char('0'));
        m_store->customer.first = QStringLiteral("First");
        m_store->customer.ngroup = 1;
        m_store->StoreCUST6();
    }
}

void PickWindowsTest::captionsPerTable_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("newCaption");
    QTest::addColumn<QString>("selectCaption");
    QTest::addColumn<QString>("seekCaption");
    QTest::newRow("customers") << int(PickTable::Customers) << "Select Customer" << "New"
                               << "Select" << "Seek:";
    QTest::newRow("products") << int(PickTable::Products) << "PickProd" << "New" << "Select"
                              << "Seek:";
    QTest::newRow("invoices") << int(PickTable::Invoices) << "Select Invoice" << "New"
                              << "Select" << "Seek Invoice No:";
    QTest::newRow("estimates") << int(PickTable::Estimates) << "Pick Quotation" << "New"
                               << "Select" << "Seek Estimate No:";
    QTest::newRow("purchases") << int(PickTable::Purchases) << "PickPur" << "Add New Purchase"
                               << "Edit Selected" << "Seek:";
    QTest::newRow("groups") << int(PickTable::Groups) << "PickGroup" << "New" << "Select"
                            << "Seek:";
    QTest::newRow("labels") << int(PickTable::Labels) << "PickLab" << "New" << "Select" << "";
}

// Each list's window as pick-or-create shows it on an empty table with "New" allowed; Cancel
// leaves -1 and nothing is created.
void PickWindowsTest::captionsPerTable()
{
    QFETCH(int, table);
    QFETCH(QString, title);
    QFETCH(QString, newCaption);
    QFETCH(QString, selectCaption);
    QFETCH(QString, seekCaption);
    for (TableId id : {TableId::Prod5, TableId::INV7, TableId::Est, TableId::Pur5, TableId::LABELS})
        QVERIFY(m_store->open(id));
    m_store->settings.EstTitle = QStringLiteral(" Quotation   ");
    QString seen;
    onNextModal([&](QWidget *w) {
        QVERIFY(w);
        seen = w->windowTitle();
        QCOMPARE(child<QPushButton>(w, "newButton")->text(), newCaption);
        QCOMPARE(child<QPushButton>(w, "selectButton")->text(), selectCaption);
        auto *caption = child<QLabel>(w, "seekCaption");
        QCOMPARE(caption->isVisibleTo(w) ? caption->text() : QString(), seekCaption);
        QTest::mouseClick(child<QPushButton>(w, "cancelButton"), Qt::LeftButton);
    });
    bool created = true;
    QVERIFY(!m_picker->pickOrCreate(PickTable(table), true, &created));
    QCOMPARE(seen, title);
    QVERIFY(!created);
    QCOMPARE(masters::selectionOf(*m_store, PickTable(table)), -1);
}

void PickWindowsTest::emptyTableWithNewShowsTheListAndCloseOpensTheEditor()
{
    int editorRuns = 0;
    int seenByEditor = -2;
    m_picker->setEditor(PickTable::Customers, [&] {
        ++editorRuns;
        seenByEditor = m_store->selection.customer;
        addCustomers(1);  // the editor saves a new customer
        m_store->selection.customer = int(d4recNo(m_store->data(TableId::CUST6)));
    });
    m_store->selection.customer = 7;
    bool selectEnabled = true, rowsEnabled = true;
    onNextModal([&](QWidget *w) {
        QVERIFY(w);
        selectEnabled = child<QPushButton>(w, "selectButton")->isEnabled();
        rowsEnabled = child<QTableWidget>(w, "rows")->isEnabled();
        QVERIFY(child<QPushButton>(w, "newButton")->isEnabled());
        w->close();  // the window's close button
    });
    bool created = false;
    QVERIFY(m_picker->pickOrCreate(PickTable::Customers, true, &created));
    QVERIFY(!selectEnabled);
    QVERIFY(!rowsEnabled);
    QCOMPARE(editorRuns, 1);
    QCOMPARE(seenByEditor, 0);
    QVERIFY(created);
    QCOMPARE(m_store->selection.customer, 1);
}

void PickWindowsTest::emptyTableWithoutNewSaysSo()
{
    m_store->selection.customer = 3;
    bool shown = false;
    onNextModal([&](QWidget *w) {
        shown = w != nullptr;
        if (w) w->close();
    });
    QVERIFY(!m_picker->pickOrCreate(PickTable::Customers, false));
    QCoreApplication::processEvents();
    QVERIFY(!shown);
    QCOMPARE(m_prompts.shown(), QStringList{"information: Customer Database is Empty"});
    QCOMPARE(m_store->selection.customer, -1);
}

void PickWindowsTest::closeButtonLeavesTheValueOrMinusOne_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("expected");
    QTest::newRow("ten records: the caller's value") << 10 << 3;
    QTest::newRow("eleven records: -1") << 11 << -1;
}

void PickWindowsTest::closeButtonLeavesTheValueOrMinusOne()
{
    QFETCH(int, records);
    QFETCH(int, expected);
    addCustomers(records);
    int editorRuns = 0;
    m_picker->setEditor(PickTable::Customers, [&] { ++editorRuns; });
    m_store->selection.customer = 3;
    bool barVisible = false;
    onNextModal([&](QWidget *w) {
        QVERIFY(w);
        barVisible = child<QScrollBar>(w, "scrollBar")->isVisible();
        w->close();
    });
    QCOMPARE(m_picker->pickOrCreate(PickTable::Customers, true), expected > 0);
    QCOMPARE(m_store->selection.customer, expected);
    QCOMPARE(barVisible, records > 10);
    QCOMPARE(editorRuns, 0);
}

// Page keys from the seek box, Down into the list, End, Up on the first row, Home, Down among
// rows moving the current customer, and Enter choosing.
void PickWindowsTest::keysMoveThePageAndEnterChooses()
{
    addCustomers(45);  // Name000 .. Name044 in record order 1 .. 45
    m_store->selection.customer = 20;
    struct Seen
    {
        long firstRecord;
        int row;
    };
    QList<Seen> seen;
    bool seekFocused = false, rowsFocused = false;
    long current = 0;
    onNextModal([&](QWidget *w) {
        QVERIFY(w);
        auto *pick = qobject_cast<TPagedPick *>(w);
        auto *rows = child<QTableWidget>(w, "rows");
        auto *seek = child<QLineEdit>(w, "seek");
        auto note = [&] {
            seen.append({rows->item(0, 3)->text().toLong(), rows->currentRow()});
        };
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        seekFocused = seek->hasFocus();
        note();                                  // opened on record 20: offset 19
        QTest::keyClick(seek, Qt::Key_PageDown);  // 29
        note();
        QTest::keyClick(seek, Qt::Key_PageUp);  // 19
        note();
        QTest::keyClick(seek, Qt::Key_Down);
        rowsFocused = rows->hasFocus();
        QTest::keyClick(rows, Qt::Key_End);  // 35
        note();
        QTest::keyClick(rows, Qt::Key_Up);  // on row 1: 34, row 1 kept
        note();
        QTest::keyClick(rows, Qt::Key_Home);
        note();
        QTest::keyClick(rows, Qt::Key_Down);
        QTest::keyClick(rows, Qt::Key_Down);
        note();
        current = d4recNo(m_store->data(TableId::CUST6));
        for (int i = 0; i < 7; ++i) QTest::keyClick(rows, Qt::Key_Down);
        QTest::keyClick(rows, Qt::Key_Down);  // on row 10: scrolls one, row 10 kept
        note();
        QCOMPARE(pick->list().viewOffset(), 1L);
        QTest::keyClick(rows, Qt::Key_Return);
    });
    QVERIFY(m_picker->pickOrCreate(PickTable::Customers, false));
    QVERIFY(seekFocused);
    QVERIFY(rowsFocused);
    const QList<std::pair<long, int>> expected = {{20, 0}, {30, 0}, {20, 0}, {36, 0},
                                                  {35, 0}, {1, 0},  {1, 2},  {2, 9}};
    QCOMPARE(seen.size(), expected.size());
    for (int i = 0; i < seen.size(); ++i) {
        QCOMPARE(seen[i].firstRecord, expected[i].first);
        QCOMPARE(seen[i].row, expected[i].second);
    }
    QCOMPARE(current, 3L);  // the highlighted customer is the current record
    QCOMPARE(m_store->selection.customer, 11);
    QCOMPARE(d4recNo(m_store->data(TableId::CUST6)), 11L);
}

void PickWindowsTest::scrollBarMovesThePage()
{
    addCustomers(45);
    m_store->selection.customer = 1;
    QList<int> firstRecords, values;
    onNextModal([&](QWidget *w) {
        QVERIFY(w);
        auto *rows = child<QTableWidget>(w, "rows");
        auto *bar = child<QScrollBar>(w, "scrollBar");
        auto note = [&] {
            firstRecords.append(rows->item(0, 3)->text().toInt());
            values.append(bar->value());
        };
        bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        note();
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        note();
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        note();
        bar->setSliderDown(true);
        bar->setSliderPosition(50);
        bar->setSliderDown(false);  // released: 50 % of the largest offset 35
        note();
        static_cast<QDialog *>(w)->reject();
    });
    m_picker->pickOrCreate(PickTable::Customers, false);
    QCOMPARE(firstRecords, (QList<int>{11, 12, 36, 18}));
    QCOMPARE(values, (QList<int>{28, 31, 100, 48}));
}

void PickWindowsTest::editLoopEndsOnCancelInTheList()
{
    addCustomers(3);
    int editorRuns = 0;
    m_picker->setEditor(PickTable::Customers, [&] { ++editorRuns; });
    m_store->selection.customer = 1;
    onNextModal([&](QWidget *w) {
        QVERIFY(w);
        QTest::mouseClick(child<QPushButton>(w, "cancelButton"), Qt::LeftButton);
    });
    m_picker->editLoop(PickTable::Customers);
    QCOMPARE(editorRuns, 0);
    QCOMPARE(m_store->selection.customer, -1);
}

// Select opens the editor on the record; the list comes back; New opens the editor for a new
// record, whose Cancel (-1) ends the loop.
void PickWindowsTest::editLoopEndsWhenANewRecordsEditorIsCancelled()
{
    addCustomers(3);
    QList<int> editorSaw;
    int listsShown = 0;
    m_picker->setEditor(PickTable::Customers, [&] {
        editorSaw.append(m_store->selection.customer);
        if (m_store->selection.customer == 0) m_store->selection.customer = -1;
    });
    std::function<void(QWidget *)> second = [&](QWidget *w) {
        QVERIFY(w);
        ++listsShown;
        QTest::mouseClick(child<QPushButton>(w, "newButton"), Qt::LeftButton);
    };
    onNextModal([&](QWidget *w) {
        QVERIFY(w);
        ++listsShown;
        auto *rows = child<QTableWidget>(w, "rows");
        rows->setCurrentCell(1, 0);
        onNextModal(second);
        QTest::mouseClick(child<QPushButton>(w, "selectButton"), Qt::LeftButton);
    });
    m_store->selection.customer = 1;
    m_picker->editLoop(PickTable::Customers);
    QCOMPARE(listsShown, 2);
    QCOMPARE(editorSaw, (QList<int>{2, 0}));
    QCOMPARE(m_store->selection.customer, -1);
}

void PickWindowsTest::shortListWithNothingHighlightedSaysSo()
{
    DATA4 *g = m_store->data(TableId::GROUPS);
    for (const char *name : {"Retail", "Trade", "Export"}) {
        QVERIFY(d4appendBlank(g) == 0);
        m_store->group = {int(d4recNo(g)), QString::fromLatin1(name)};
        m_store->StoreGROUPS();
    }
    TAG4 *numbers = d4tagSelected(g);
    m_store->selection.group = 2;
    bool stillOpen = false;
    int highlighted = -2;
    onNextModal([&](QWidget *w) {
        QVERIFY(w);
        auto *lines = child<QListWidget>(w, "lines");
        highlighted = lines->currentRow();  // Trade, third by name
        QTest::keyClicks(child<QLineEdit>(w, "seek"), "zz");
        QTest::mouseClick(child<QPushButton>(w, "selectButton"), Qt::LeftButton);
        stillOpen = w->isVisible();
        child<QLineEdit>(w, "seek")->setText("r");
        QTest::keyClick(lines, Qt::Key_Return);
    });
    QVERIFY(m_picker->pickOrCreate(PickTable::Groups, false));
    QCOMPARE(highlighted, 2);
    QVERIFY(stillOpen);
    QCOMPARE(m_prompts.shown(), QStringList{"information: Item Not Selected"});
    QCOMPARE(m_store->selection.group, 1);  // Retail
    QCOMPARE(d4tagSelected(g), numbers);
}

// Invoices have no editor registered here: "New" ends the operation with 0 and false.
void PickWindowsTest::newWithoutAnEditorCreatesNothing()
{
    QVERIFY(m_store->OpenINV7());
    DATA4 *d = m_store->data(TableId::INV7);
    QVERIFY(d4appendBlank(d) == 0);
    m_store->invoice = {};
    m_store->invoice.IvNo = 1;
    m_store->StoreINV7();
    d4flush(d);
    m_store->selection.invoice = 1;
    onNextModal([&](QWidget *w) {
        QVERIFY(w);
        QTest::mouseClick(child<QPushButton>(w, "newButton"), Qt::LeftButton);
    });
    bool created = true;
    QVERIFY(!m_picker->pickOrCreate(PickTable::Invoices, true, &created));
    QVERIFY(!created);
    QCOMPARE(m_store->selection.invoice, 0);
}

QTEST_MAIN(PickWindowsTest)
#include "PickWindowsTest.moc"

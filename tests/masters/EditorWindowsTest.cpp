// The master-record editors as a user meets them: through their commands, with the real pick
// lists and nested editors, over a real data directory.

#include "MasterRecords.h"
#include "MasterWindows.h"
#include "support/ModalScript.h"

#include "core/Clock.h"
#include "core/Cp1252.h"
#include "core/Dates.h"
#include "core/Prompts.h"
#include "core/Status.h"
#include "data/DataStore.h"
#include "data/Maintenance.h"
#include "labels/LabelDefU.h"
#include "masters/CustomerU.h"
#include "masters/GroupDefU.h"
#include "masters/MoneyBox.h"
#include "masters/MultGroupU.h"
#include "masters/PagedPickU.h"
#include "masters/ProdDefU.h"
#include "masters/PurDefU.h"
#include "masters/ShortPickU.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <memory>

using data::TableId;
using testsupport::ModalScript;
namespace stdfs = std::filesystem;

namespace {

template <class T> T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QLatin1String(name));
    if (!c)
        qWarning("no child %s in %s", name, qPrintable(w->objectName()));
    return c;
}
void click(QWidget *w, const char *button) { child<QPushButton>(w, button)->click(); }
void type(QWidget *w, const char *box, const QString &text)
{
    auto *e = child<QLineEdit>(w, box);
    e->setFocus();
    e->selectAll();
    QTest::keyClicks(e, text);
}
// Finds a record in a paged list through its seek box, then chooses it.
void seekAndSelect(QWidget *list, const QString &text)
{
    type(list, "seek", text);
    click(list, "selectButton");
}
// Chooses the line of a short list that starts with `text`.
void chooseLine(QWidget *list, const QString &text)
{
    auto *lines = child<QListWidget>(list, "lines");
    for (int i = 0; i < lines->count(); ++i)
        if (lines->item(i)->text().startsWith(text))
            lines->setCurrentRow(i);
    click(list, "selectButton");
}

} // namespace

class EditorWindowsTest : public QObject
{
    Q_OBJECT

    struct Program
    {
        QTemporaryDir dir;
        core::ScriptedPrompts prompts;
        core::RecordingStatus status;
        int exits = 0;
        QList<int> helpTopics;
        std::unique_ptr<data::DataStore> store;
        std::unique_ptr<MasterWindows> windows;

        Program()
        {
            for (auto &e : stdfs::directory_iterator(QUILLORY_SUPPLIED_DATA))
                stdfs::copy_file(e.path(), stdfs::path(dir.path().toStdString()) / e.path().filename());
            store = std::make_unique<data::DataStore>(dir.path(), prompts, [this] { ++exits; });
            store->locale = core::Locale::pinned(QStringLiteral("M/d/yy"), QLatin1Char('.'));
            store->startEngine();
            data::RebuildIndexes(*store, status, true);
            windows = std::make_unique<MasterWindows>(
                *store, status, [this](int topic) { helpTopics << topic; }, nullptr);
        }
        ~Program() { store->closeAll(); }
        // Opens `id`, lets `fill` add records, closes all.
        template <class Fill> void with(TableId id, Fill fill)
        {
            QVERIFY(store->open(id));
            fill(*store);
            store->closeAll();
        }
        long count(TableId id)
        {
            store->open(id);
            const long n = d4recCountDo(store->data(id));
            store->closeAll();
            return n;
        }
        QString field(TableId id, long recno, const char *name)
        {
            store->open(id);
            d4go(store->data(id), recno);
            const QString text = QString::fromLatin1(f4str(d4field(store->data(id), name))).trimmed();
            store->closeAll();
            return text;
        }
    };

private slots:
    void initTestCase()
    {
        static core::FixedClock clock(QDate(2026, 3, 14));
        core::Clock::setCurrent(&clock);
    }

    // The first customer of an empty table: the list offers only New; the customer cannot be
    // saved without a group, gets one from the group list, and is numbered 1.
    void firstCustomerGetsNumberOneAndNeedsAGroup()
    {
        Program p;
        p.with(TableId::GROUPS, [](data::DataStore &s) { testsupport::addGroup(s, 1, "Retail"); });
        ModalScript script;
        script.then("TPagedPick", [](QWidget *list) {
                  QVERIFY(!child<QPushButton>(list, "selectButton")->isEnabled());
                  click(list, "newButton");
              })
            .then("TCustomer", [&p](QWidget *editor) {
                QCOMPARE(child<QLineEdit>(editor, "cuno")->text(), QStringLiteral("     0"));
                type(editor, "last", "Smith");
                click(editor, "BtnSave");
                QCOMPARE(p.prompts.shown().value(0),
                         QStringLiteral("information: Please Select Customer Group"));
                QVERIFY(editor->isVisible());
                click(editor, "BtnGroup");
            })
            .then("TShortPick", [](QWidget *groups) { chooseLine(groups, "Retail"); })
            .then("TCustomer", [](QWidget *editor) {
                QCOMPARE(child<QLineEdit>(editor, "group")->text(), QStringLiteral("Retail"));
                click(editor, "BtnSave");
            })
            .then("TPagedPick", [](QWidget *list) { click(list, "cancelButton"); });
        p.windows->editCustomers();
        QVERIFY2(script.done(), qPrintable(script.failure()));
        QCOMPARE(p.count(TableId::CUST6), 1L);
        QCOMPARE(p.field(TableId::CUST6, 1, "cuno"), QStringLiteral("1"));
        QCOMPARE(p.field(TableId::CUST6, 1, "last"), QStringLiteral("Smith"));
        QCOMPARE(p.field(TableId::CUST6, 1, "ngroup"), QStringLiteral("1"));
    }

    // Cancel in the editor of a new customer ends the command's loop; nothing is stored.
    void cancelOnANewCustomerEndsTheLoop()
    {
        Program p;
        ModalScript script;
        script.then("TPagedPick", [](QWidget *list) { click(list, "newButton"); })
            .then("TCustomer", [](QWidget *editor) {
                type(editor, "last", "Nobody");
                click(editor, "BtnCancel");
            });
        p.windows->editCustomers();
        QVERIFY2(script.done(), qPrintable(script.failure()));
        QCOMPARE(p.count(TableId::CUST6), 0L);
        QCOMPARE(p.store->selection.customer, -1);
    }

    void captionsFollowTheOrderingMode_data()
    {
        QTest::addColumn<bool>("byName");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("by name") << true << "Address" << "";
        QTest::newRow("by company") << false << "Company" << "Address";
    }
    void captionsFollowTheOrderingMode()
    {
        QFETCH(bool, byName);
        QFETCH(QString, first);
        QFETCH(QString, second);
        Program p;
        p.store->settings.ByCust = byName;
        QVERIFY(p.store->OpenCUST6() && p.store->OpenGROUPS());
        p.store->selection.customer = 0;
        ModalScript script;
        script.then("TCustomer", [&](QWidget *) {
            TCustomer &editor = p.windows->customerEditor();
            QCOMPARE(editor.addressCaption(1)->text(), first);
            QCOMPARE(editor.addressCaption(2)->text(), second);
            click(&editor, "BtnCancel");
        });
        p.windows->customerEditor().run();
        QVERIFY2(script.done(), qPrintable(script.failure()));
    }

    // Enter in a single-line box moves on (from the last one into the comments) and never
    // saves; text that the tables cannot hold is refused by name; a customer whose group is gone
    // shows none and must choose one.
    void customerEditorKeysAndRefusals()
    {
        Program p;
        long recno = 0;
        p.with(TableId::CUST6, [&](data::DataStore &s) {
            recno = testsupport::addCustomer(s, 1, "Orphan", 7);
        });
        QVERIFY(p.store->OpenCUST6() && p.store->OpenGROUPS());
        p.store->selection.customer = int(recno);
        ModalScript script;
        script.then("TCustomer", [&p](QWidget *editor) {
            QCOMPARE(child<QLineEdit>(editor, "group")->text(), QString());
            auto *note = child<QLineEdit>(editor, "note");
            note->setFocus();
            QTest::keyClick(note, Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), child<QPlainTextEdit>(editor, "comments"));
            QVERIFY(editor->isVisible());
            click(editor, "BtnSave");
            QCOMPARE(p.prompts.shown().value(0),
                     QStringLiteral("information: Please Select Customer Group"));
            p.store->customer.ngroup = 1;  // as if chosen; the check below comes first
            child<QLineEdit>(editor, "last")->setText(QStringLiteral("Tick ✓"));
            click(editor, "BtnSave");
            QCOMPARE(p.prompts.shown().value(1),
                     QStringLiteral("warning: The character \"✓\" in \"Last Name\" cannot be "
                                    "stored. Please remove or replace it."));
            click(editor, "BtnCancel");
        });
        QCOMPARE(p.windows->customerEditor().run(), int(masters::RecordEditor::Cancelled));
        QVERIFY2(script.done(), qPrintable(script.failure()));
        p.store->closeAll();
        QCOMPARE(p.field(TableId::CUST6, recno, "last"), QStringLiteral("Orphan"));
        QCOMPARE(p.field(TableId::CUST6, recno, "ngroup"), QStringLiteral("7"));
    }

    // Deleting a group: choosing the same group as target does nothing; choosing another moves
    // every member, deleted ones too, and the command packs GROUPS.
    void deletingAGroupMovesItsCustomers()
    {
        Program p;
        p.with(TableId::GROUPS, [](data::DataStore &s) {
            testsupport::addGroup(s, 1, "Retail");
            testsupport::addGroup(s, 2, "Trade");
        });
        p.with(TableId::CUST6, [](data::DataStore &s) {
            testsupport::addCustomer(s, 1, "A", 2);
            const long gone = testsupport::addCustomer(s, 2, "B", 2);
            testsupport::addCustomer(s, 3, "C", 1);
            testsupport::deleteRecord(s, TableId::CUST6, gone);
        });
        p.prompts.answer(true);
        p.prompts.answer(true);
        ModalScript script;
        script.then("TShortPick", [](QWidget *list) { chooseLine(list, "Trade"); })
            .then("TGroupDef", [](QWidget *editor) {
                QCOMPARE(child<QLineEdit>(editor, "nGroup")->text(), QStringLiteral(" 2"));
                click(editor, "BtnDelete");
            })
            .then("TShortPick", [](QWidget *targets) {
                QVERIFY(!child<QPushButton>(targets, "newButton")->isEnabled());
                chooseLine(targets, "Trade");
            })
            .then("TGroupDef", [](QWidget *editor) { click(editor, "BtnDelete"); })
            .then("TShortPick", [](QWidget *targets) { chooseLine(targets, "Retail"); })
            .then("TShortPick", [](QWidget *list) { click(list, "cancelButton"); });
        p.windows->defineGroups();
        QVERIFY2(script.done(), qPrintable(script.failure()));
        QCOMPARE(p.prompts.shown().filter(QStringLiteral("okcancel:")),
                 QStringList(2, QStringLiteral("okcancel: Move Customers in Trade to a selected group")));
        QCOMPARE(p.count(TableId::GROUPS), 1L);
        QCOMPARE(p.field(TableId::GROUPS, 1, "cGroup"), QStringLiteral("Retail"));
        for (long r = 1; r <= 3; ++r)
            QCOMPARE(p.field(TableId::CUST6, r, "ngroup"), QStringLiteral("1"));
    }

    void groupChooser()
    {
        Program p;
        p.with(TableId::GROUPS, [](data::DataStore &s) { testsupport::addGroup(s, 4, "Only"); });
        QVERIFY(p.store->OpenGROUPS());
        TMultGroup &chooser = p.windows->groupChooser();
        {
            ModalScript script;
            script.then("TMultGroup", [](QWidget *w) { click(w, "BtnRun"); });
            QCOMPARE(chooser.choose(), masters::GroupSelection({4}));
            QVERIFY2(script.done(), qPrintable(script.failure()));
        }
        testsupport::addGroup(*p.store, 1, "Another");
        {
            ModalScript script;
            script.then("TMultGroup", [](QWidget *w) { click(w, "BtnRun"); });
            QCOMPARE(chooser.choose(), masters::GroupSelection());
            QVERIFY2(script.done(), qPrintable(script.failure()));
        }
        {
            ModalScript script;
            script.then("TMultGroup", [](QWidget *w) {
                click(w, "BtnAll");
                click(w, "BtnRun");
            });
            QCOMPARE(chooser.choose(), masters::GroupSelection({1, 4}));
            QVERIFY2(script.done(), qPrintable(script.failure()));
        }
    }

    // IDs are stored upper-cased and unique: a second abc-1 is refused, ABC-10 is not.
    void productIdsThroughTheDefineCommand()
    {
        Program p;
        ModalScript script;
        script.then("TPagedPick", [](QWidget *list) { click(list, "newButton"); })
            .then("TProdDef", [](QWidget *editor) {
                type(editor, "PrID", "abc-1");
                click(editor, "BtnSave");
            })
            .then("TPagedPick", [](QWidget *list) { click(list, "newButton"); })
            .then("TProdDef", [&p](QWidget *editor) {
                type(editor, "PrID", "abc-1");
                click(editor, "BtnSave");
                QCOMPARE(p.prompts.shown().value(0),
                         QStringLiteral("information: Duplicate Product ID's are not allowed"));
                type(editor, "PrID", "ABC-10");
                click(editor, "BtnSave");
            })
            .then("TPagedPick", [](QWidget *list) { click(list, "cancelButton"); });
        p.windows->defineProducts();
        QVERIFY2(script.done(), qPrintable(script.failure()));
        QCOMPARE(p.count(TableId::Prod5), 2L);
        QCOMPARE(p.field(TableId::Prod5, 1, "PrID"), QStringLiteral("ABC-1"));
        QCOMPARE(p.field(TableId::Prod5, 2, "PrID"), QStringLiteral("ABC-10"));
    }

    // Deleting a product marks exactly its purchases; the command then packs Prod5 and Pur5.
    void deletingAProductTakesItsPurchases()
    {
        Program p;
        const double day = core::dayFromDate(QDate(2026, 1, 5));
        p.with(TableId::Prod5, [](data::DataStore &s) {
            testsupport::addProduct(s, "ABC-1");
            testsupport::addProduct(s, "ABC-10");
        });
        p.with(TableId::Pur5, [day](data::DataStore &s) {
            for (int i = 0; i < 3; ++i)
                testsupport::addPurchase(s, "ABC-1", day + i);
            testsupport::addPurchase(s, "ABC-10", day);
        });
        ModalScript script;
        script.then("TPagedPick", [](QWidget *list) { seekAndSelect(list, "ABC-1"); })
            .then("TProdDef", [](QWidget *editor) { click(editor, "BtnDelete"); })
            .then("TPagedPick", [](QWidget *list) { click(list, "cancelButton"); });
        p.windows->defineProducts();
        QVERIFY2(script.done(), qPrintable(script.failure()));
        QCOMPARE(p.count(TableId::Prod5), 1L);
        QCOMPARE(p.field(TableId::Prod5, 1, "PrID"), QStringLiteral("ABC-10"));
        QCOMPARE(p.count(TableId::Pur5), 1L);
        QCOMPARE(p.field(TableId::Pur5, 1, "PURProd"), QStringLiteral("ABC-10"));
        QVERIFY(!p.store->packPending);
    }

    // The money box: the separator normalises and selects the decimals; a minus is red; a
    // lone minus cannot be saved.
    void moneyBoxInTheProductEditor()
    {
        Program p;
        QVERIFY(p.store->OpenProd5());
        p.store->selection.product = 0;
        ModalScript script;
        script.then("TProdDef", [&p](QWidget *editor) {
            auto *price = child<MoneyBox>(editor, "UPrice");
            QCOMPARE(price->mask(), QStringLiteral("!#####.99;1;_"));
            price->setFocus();
            price->selectAll();
            QTest::keyClicks(price, "12.");
            QCOMPARE(price->text(), QStringLiteral("   12.00"));
            QCOMPARE(price->selectedText(), QStringLiteral("00"));
            QTest::keyClicks(price, "5");
            QCOMPARE(price->text(), QStringLiteral("   12.5"));
            price->selectAll();
            QTest::keyClicks(price, "-5");
            QVERIFY(price->isRed());
            child<QLineEdit>(editor, "RCode")->setFocus();
            QCOMPARE(price->text(), QStringLiteral("   -5.00"));
            QVERIFY(price->isRed());
            type(editor, "PrID", "X1");
            price->setFocus();
            price->selectAll();
            QTest::keyClicks(price, "-");
            click(editor, "BtnSave");
            QCOMPARE(p.prompts.shown().last(),
                     QStringLiteral("warning: '-' is not a valid floating point value"));
            QVERIFY(editor->isVisible());
            click(editor, "BtnCancel");
        });
        p.windows->productEditor().run();
        QVERIFY2(script.done(), qPrintable(script.failure()));
        QCOMPARE(d4recCountDo(p.store->data(TableId::Prod5)), 0L);
    }

    // A purchase switches its product's "Inventory Item" flag on only when "Product" was
    // pressed before the save.
    void purchaseSaveSwitchesInventoryOnlyAfterProduct()
    {
        Program p;
        p.with(TableId::Prod5, [](data::DataStore &s) { testsupport::addProduct(s, "P1"); });
        p.with(TableId::Pur5, [](data::DataStore &s) {
            testsupport::addPurchase(s, "P1", core::dayFromDate(QDate(2026, 2, 1)), 4);
        });
        auto inventoryFlag = [&p] {
            DATA4 *prod = p.store->data(TableId::Prod5);
            d4go(prod, 1);
            return f4true(d4field(prod, "lInven")) != 0;
        };
        bool flagAfterPlainSave = true;
        ModalScript script;
        script.then("TPagedPick", [](QWidget *list) { click(list, "selectButton"); })
            .then("TPurDef", [](QWidget *editor) {
                type(editor, "PURQty", "6");
                click(editor, "BtnSave");
            })
            .then("TPagedPick", [&](QWidget *list) {
                flagAfterPlainSave = inventoryFlag();
                click(list, "selectButton");
            })
            .then("TPurDef", [](QWidget *editor) { click(editor, "BtnProduct"); })
            .then("TPagedPick", [](QWidget *products) { click(products, "selectButton"); })
            .then("TPurDef", [](QWidget *editor) {
                QCOMPARE(child<QLineEdit>(editor, "PURProd")->text(), QStringLiteral("P1"));
                click(editor, "BtnSave");
            })
            .then("TPagedPick", [](QWidget *list) { click(list, "cancelButton"); });
        p.windows->editPurchases();
        QVERIFY2(script.done(), qPrintable(script.failure()));
        QVERIFY(!flagAfterPlainSave);
        QCOMPARE(p.field(TableId::Prod5, 1, "lInven"), QStringLiteral("T"));
        QCOMPARE(p.field(TableId::Pur5, 1, "PURQty"), QStringLiteral("6.00"));
    }

    // A new purchase opens dated today with nothing in it, and needs a product.
    void newPurchaseDefaults()
    {
        Program p;
        QVERIFY(p.store->OpenPur5() && p.store->OpenProd5());
        p.store->selection.purchase = 0;
        ModalScript script;
        script.then("TPurDef", [&p](QWidget *) {
            TPurDef &editor = p.windows->purchaseEditor();
            QCOMPARE(editor.dateBox()->date(), QDate(2026, 3, 14));
            QCOMPARE(editor.quantityBox()->text(), QStringLiteral("      0.00"));
            QCOMPARE(editor.costBox()->text(), QStringLiteral("        0.00"));
            QVERIFY(!editor.deleteButton()->isEnabled());
            click(&editor, "BtnSave");
            QCOMPARE(p.prompts.shown().value(0),
                     QStringLiteral("information: Product Selection Required."));
            click(&editor, "BtnCancel");
        });
        p.windows->purchaseEditor().run();
        QVERIFY2(script.done(), qPrintable(script.failure()));
        QCOMPARE(p.store->selection.purchase, -1);
    }

    // Label forms: a new stock starts with one label across and zero measures; Cancel on it
    // ends the loop; a saved one is listed.
    void labelForms()
    {
        Program p;
        ModalScript script;
        script.then("TShortPick", [](QWidget *list) { click(list, "newButton"); })
            .then("TLabelDef", [&p](QWidget *) {
                TLabelDef &editor = p.windows->labelEditor();
                QVERIFY(!editor.deleteButton()->isVisible());
                QCOMPARE(editor.acrossBox()->text(), QStringLiteral("1"));
                QCOMPARE(editor.measureBox(0)->text(), QStringLiteral("   0.000"));
                editor.measureBox(0)->setFocus();
                editor.measureBox(0)->selectAll();
                QTest::keyClicks(editor.measureBox(0), "3.");
                QCOMPARE(editor.measureBox(0)->text(), QStringLiteral("   3.000"));
                click(&editor, "BtnSave");
                QCOMPARE(p.prompts.shown().value(0),
                         QStringLiteral("information: Please fill in label name."));
                click(&editor, "BtnCancel");
            });
        p.windows->labelForms();
        QVERIFY2(script.done(), qPrintable(script.failure()));
        QCOMPARE(p.count(TableId::LABELS), 0L);

        ModalScript again;
        again.then("TShortPick", [](QWidget *list) { click(list, "newButton"); })
            .then("TLabelDef", [](QWidget *editor) {
                type(editor, "Name", "Address 3x10");
                type(editor, "NAcross", "3");
                click(editor, "BtnSave");
            })
            .then("TShortPick", [](QWidget *list) {
                QCOMPARE(child<QListWidget>(list, "lines")->count(), 1);
                click(list, "cancelButton");
            });
        p.windows->labelForms();
        QVERIFY2(again.done(), qPrintable(again.failure()));
        QCOMPARE(p.field(TableId::LABELS, 1, "Name"), QStringLiteral("Address 3x10"));
        QCOMPARE(p.field(TableId::LABELS, 1, "NAcross"), QStringLiteral("3"));
    }

    // The export: every chosen customer in postal-code order with a heading line; choosing no
    // group asks for no file.
    void exportMergeFile()
    {
        Program p;
        p.with(TableId::GROUPS, [](data::DataStore &s) {
            testsupport::addGroup(s, 1, "Retail");
            testsupport::addGroup(s, 2, "Trade");
        });
        p.with(TableId::CUST6, [](data::DataStore &s) {
            testsupport::addCustomer(s, 1, "North", 1, "90000");
            testsupport::addCustomer(s, 2, "South", 2, "10000");
        });
        ModalScript none;
        none.then("TMultGroup", [](QWidget *w) { click(w, "BtnRun"); });
        p.windows->exportMergeFile();
        QVERIFY2(none.done(), qPrintable(none.failure()));
        QVERIFY(p.prompts.shown().isEmpty());

        const QString path = p.dir.filePath(QStringLiteral("merge"));
        p.prompts.answerText(path);
        ModalScript all;
        all.then("TMultGroup", [](QWidget *w) {
            click(w, "BtnAll");
            click(w, "BtnRun");
        });
        p.windows->exportMergeFile();
        QVERIFY2(all.done(), qPrintable(all.failure()));
        QFile file(path + QStringLiteral(".doc"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 4);  // three lines, each ended by CR LF
        QVERIFY(lines[1].startsWith("\t\tSouth\t"));
        QVERIFY(lines[2].startsWith("\t\tNorth\t"));
        QVERIFY(lines[2].endsWith("\t90000\r"));
        QCOMPARE(p.status.log().last(), QStringLiteral("status:"));
    }
};

QTEST_MAIN(EditorWindowsTest)
#include "EditorWindowsTest.moc"

// The main window over a real data directory: start-up and its failures, the splash minimum,
// the command tree, sections, preferences written at once, file maintenance through the menu,
// and shutdown.

#include "AboutU.h"
#include "DriveDirU.h"
#include "HelpU.h"
#include "MainU.h"
#include "MasterWindows.h"
#include "masters/CustomerU.h"
#include "QtPrompts.h"
#include "StatusBarSink.h"
#include "core/Prompts.h"
#include "core/Status.h"
#include "data/DataStore.h"
#include "data/FieldValues.h"
#include "support/ModalScript.h"
#include "data/FileMaintenance.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <functional>
#include <memory>

namespace stdfs = std::filesystem;

class MainWindowTest : public QObject
{
    Q_OBJECT

    struct Program
    {
        QTemporaryDir dir;
        core::ScriptedPrompts prompts;
        int exits = 0;
        std::unique_ptr<data::DataStore> store;
        std::unique_ptr<TMain> window;

        explicit Program(bool withTables = true)
        {
            if (withTables)
                for (auto &e : stdfs::directory_iterator(QUILLORY_SUPPLIED_DATA))
                    stdfs::copy_file(e.path(), stdfs::path(dir.path().toStdString()) /
                                                   e.path().filename());
            open(prompts, dir.path());
        }
        // The program anew over the same directory, spelled `directory`, with its messages
        // shown through `shown`.
        void open(core::Prompts &shown, const QString &directory)
        {
            window.reset();
            store = std::make_unique<data::DataStore>(directory, shown, [this] { ++exits; });
            window = std::make_unique<TMain>(*store, shown, [this] { ++exits; });
        }
        std::string file(const char *name) const { return dir.filePath(name).toStdString(); }
        QStringList files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }
        QByteArray contents(const QString &path) const
        {
            QFile f(QDir(dir.path()).filePath(path));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
        }
        // Appends `n` records numbered from 1, with memo text where the table has a memo.
        void addRecords(data::TableId id, int n)
        {
            const data::TableDef &def = data::tableDef(id);
            QVERIFY(store->open(id));
            DATA4 *d = store->data(id);
            for (int i = 1; i <= n; ++i) {
                QCOMPARE(d4appendBlank(d), 0);
                f4assignInt(store->field(id, 0), i);
                for (size_t f = 0; f < def.fields.size(); ++f)
                    if (def.fields[f].type == 'M')
                        f4memoAssign(store->field(id, int(f)),
                                     QByteArray(300 + i, char('a' + i)).constData());
            }
            store->closeAll();
        }
        long count(data::TableId id)
        {
            if (!store->open(id)) return -1;
            const long n = d4recCountDo(store->data(id));
            store->closeAll();
            return n;
        }
    };

    // The tables erase empties, and those it leaves.
    static constexpr data::TableId kErased[] = {
        data::TableId::CUST6, data::TableId::GROUPS, data::TableId::INV7, data::TableId::ITM5,
        data::TableId::PMT,   data::TableId::Prod5,  data::TableId::Pur5};
    static constexpr data::TableId kKept[] = {data::TableId::Est, data::TableId::EstItm,
                                              data::TableId::LABELS, data::TableId::ImportF};

    static QString caption(const QString &objectName, QObject *root)
    {
        if (auto *a = root->findChild<QAction *>(objectName)) return a->text();
        if (auto *b = root->findChild<QToolButton *>(objectName)) return b->text();
        return QStringLiteral("<missing>");
    }

private slots:
    void startUpWithoutTablesEndsWithTheMessageOnly()
    {
        Program p(false);
        QVERIFY(!p.window->startUp());
        QCOMPARE(p.exits, 1);
        QCOMPARE(p.prompts.shown(),
                 QStringList{QStringLiteral(
                     "information: Database files not found in startup directory\r\n"
                     "Program must be started from the directory containing the data files.")});
        QVERIFY(p.files().isEmpty());
    }

    void startUpRebuildsMissingIndexesSilentlyAndTouchesNothingElse()
    {
        Program p;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(p.window->startUp());
        QVERIFY(timer.elapsed() >= TMain::kSplashMilliseconds);
        QVERIFY(p.prompts.shown().isEmpty());
        QVERIFY(p.files().contains(QStringLiteral("CName.ntx")));
        QVERIFY(p.files().contains(QStringLiteral("LABELS.cgp")));
        QCOMPARE(p.window->status().text(), QString());
        QVERIFY(!p.window->about().isVisible());
        QCOMPARE(p.window->windowTitle(), QStringLiteral("Quillory ") + p.window->versionText());
        QCOMPARE(p.window->currentSection(), 0);
        QVERIFY(p.window->sectionButton(0)->isChecked());

        // A second start with every index present rewrites none of them.
        std::map<std::string, stdfs::file_time_type> before;
        for (auto &e : stdfs::directory_iterator(p.dir.path().toStdString()))
            before[e.path().filename().string()] = stdfs::last_write_time(e.path());
        stdfs::remove(p.file("CZip.ntx"));
        // A second program over the same directory, as at the next start.
        data::DataStore store(p.dir.path(), p.prompts, [&p] { ++p.exits; });
        TMain window(store, p.prompts, [&p] { ++p.exits; });
        QVERIFY(window.startUp());
        for (auto &e : stdfs::directory_iterator(p.dir.path().toStdString())) {
            const std::string name = e.path().filename().string();
            const bool cust = name == "CName.ntx" || name == "CCNO.ntx" || name == "CZip.ntx" ||
                              name == "cComp.ntx" || name == "CUST6.cgp";
            if (!cust)
                QVERIFY2(before.at(name) == stdfs::last_write_time(e.path()), name.c_str());
        }
        QVERIFY(stdfs::exists(p.file("CZip.ntx")));
        QCOMPARE(p.exits, 0);
    }

    void splashStaysUpWhileStarting()
    {
        Program p;
        bool sawSplash = false;
        QTimer probe;
        connect(&probe, &QTimer::timeout, [&] {
            if (p.window->about().isVisible() && p.window->isStartingUp() &&
                !p.window->about().findChild<QPushButton *>(QStringLiteral("BtnOK"))->isVisible())
                sawSplash = true;
        });
        probe.start(100);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(p.window->startUp());
        QVERIFY(timer.elapsed() >= 1728);
        QVERIFY(sawSplash);
    }

    void everyCommandIsThereWithItsCaption_data()
    {
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QString>("caption");
        const QList<QPair<const char *, const char *>> items = {
            {"menuFile", "&File"}, {"actStationery", "Stationery"},
            {"actInvoiceAndTaxSetup", "Invoice and Tax Setup"}, {"actLabelForms", "Label Forms"},
            {"actReportFont", "Report Font"}, {"actPrinterSetup", "Printer Setup"},
            {"actEMailSetup", "EMail Setup"}, {"actSortByName", "by Name"},
            {"actSortByCompany", "by Company Name"}, {"actFifo", "First-in First-out"},
            {"actLifo", "Last-in First-out"}, {"actCreditCardProcessing", "Credit Card Processing"},
            {"actBackup", "Backup"}, {"actRestore", "Restore"}, {"actReIndex", "Re-Index"},
            {"actPackData", "Pack Data"}, {"actUpgradeData", "Upgrade Data"},
            {"actDeleteCustomers", "Delete Customers"}, {"actEraseAllData", "Erase All Data"},
            {"actExit", "E&xit"}, {"actInvoicesEdit", "Edit"}, {"actInvoicesPackingList", "Packing List"},
            {"actEstimatesMailingLabels", "Mailing Labels"}, {"actCustomersDefineGroups", "Define Groups"},
            {"actProductsDefine", "Define "}, {"actPurchasesBuyEdit", "Buy / Edit"},
            {"actReportsBillsEMailDue", "EMail with Balance Due"}, {"actSalesByDept", "Sales by Dept."},
            {"actCostOfGoodsSold", "Cost of Goods Sold"}, {"actProfileGroups", "for Selected Groups"},
            {"actLabelsInvoicesDated", "Invoices Dated ?"}, {"actExportMergeFile", "Export Merge File"},
            {"actComposeBulkEMail", "Compose Bulk EMail"}, {"actAbout", "About QLRI"},
            {"actHelpContents", "Help &Contents"}, {"btnEditInvoices", "Edit\nInvoices"},
            {"btnPackingList", "Packing\nList"}, {"btnImportCustomers", "Import\nCustomers"},
            {"btnProductListing", "Product\nListing"}, {"btnPurchaseReport", "Purchase\nReport"},
            {"btnReportCustomerProfile", "Customer\nProfile"}, {"btnReportBulkMail", "Bulk\nMail"},
            {"btnEditQuotes", "Edit\nQuotes"}, {"btnSectionEstimates", "Quotes &&\nEstimates"},
            {"btnSectionInvoices", "Invoice\nProcessing"},
        };
        for (const auto &[name, text] : items)
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(text);
    }

    void everyCommandIsThereWithItsCaption()
    {
        QFETCH(QString, objectName);
        QFETCH(QString, caption);
        Program p;
        QString shown = MainWindowTest::caption(objectName, p.window.get());
        if (auto *m = p.window->findChild<QMenu *>(objectName)) shown = m->title();
        QCOMPARE(shown, caption);
    }

    void menusHoldEveryItemInOrder()
    {
        Program p;
        QStringList top;
        for (QAction *a : p.window->menuBar()->actions()) top << a->text();
        QCOMPARE(top, (QStringList{"&File", "Invoices", "Estimates", "Customers",
                                   "Products && Services", "Inventory Purchases", "Reports",
                                   "&Help"}));
        auto items = [&](const char *menu) {
            QStringList out;
            for (QAction *a : p.window->findChild<QMenu *>(menu)->actions())
                out << (a->isSeparator() ? QStringLiteral("-") : a->text());
            return out;
        };
        QCOMPARE(items("menuFileMaintenance"),
                 (QStringList{"Backup", "Restore", "-", "Re-Index", "Pack Data", "Upgrade Data",
                              "-", "Delete Customers", "Erase All Data"}));
        QCOMPARE(items("menuReportsSales"),
                 (QStringList{"Sales Summary", "Product Summary", "Product Buyers",
                              "Income Summary", "Receivable Income", "Tax Summary",
                              "Sales by Dept."}));
        QCOMPARE(items("menuHelp"), (QStringList{"About QLRI", "-", "Help &Contents"}));
        // The report panel's drop-downs use their own captions.
        auto *bills = p.window->findChild<QToolButton *>(QStringLiteral("btnReportBills"));
        QStringList drop;
        for (QAction *a : bills->menu()->actions()) drop << a->text();
        QCOMPARE(drop, (QStringList{"Print with Balance Due", "Print Selected Bills",
                                    "EMail with Balance Due", "EMail Selected Bills"}));
    }

    void commandsNotBuiltYetAreDisabledAndSaySo()
    {
        Program p;
        QAction *edit = p.window->commands().action(QStringLiteral("actInvoicesEdit"));
        QVERIFY(!edit->isEnabled());
        QCOMPARE(edit->toolTip(), QStringLiteral("This function is not available yet."));
        auto *button = p.window->findChild<QToolButton *>(QStringLiteral("btnEditInvoices"));
        QVERIFY(!button->isEnabled());
        QVERIFY(p.window->commands().action(QStringLiteral("actReIndex"))->isEnabled());
        QVERIFY(p.window->commands().action(QStringLiteral("actBackup"))->isEnabled());
    }

    // The master-record commands are on: each runs its list over its tables (empty here, so
    // the list offers only New), and Cancel ends the command with every table closed.
    void masterRecordCommandsRunTheirLists_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("list");
        QTest::newRow("customers") << "actCustomersEdit" << "TPickCust";
        QTest::newRow("groups") << "actCustomersDefineGroups" << "TPickGroup";
        QTest::newRow("products") << "actProductsDefine" << "TPickProd";
        QTest::newRow("purchases") << "actPurchasesBuyEdit" << "TPickPur";
        QTest::newRow("label stocks") << "actLabelForms" << "TPickLab";
    }
    void masterRecordCommandsRunTheirLists()
    {
        QFETCH(QString, command);
        QFETCH(QString, list);
        Program p;
        QVERIFY(p.window->startUp());
        QAction *action = p.window->commands().action(command);
        QVERIFY(action->isEnabled());
        testsupport::ModalScript script;
        script.then(qPrintable(list), [](QWidget *w) {
            QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("cancelButton")),
                              Qt::LeftButton);
        });
        action->trigger();
        QVERIFY2(script.done(), qPrintable(script.failure()));
        for (int t = 0; t < data::kTableCount; ++t)
            QVERIFY(!p.store->data(data::TableId(t)));
    }

    // An editor's Help opens its topic in a help window that is modal over the editor, so it
    // can be read and closed; from the menu the help window is not modal.
    void editorHelpIsUsableOverTheEditor()
    {
        Program p;
        QVERIFY(p.window->startUp());
        QVERIFY(p.store->OpenCUST6() && p.store->OpenGROUPS());
        p.store->selection.customer = 0;
        bool modal = false;
        QUrl page;
        testsupport::ModalScript script;
        script.then("TCustomer", [](QWidget *editor) {
                  editor->findChild<QPushButton *>(QStringLiteral("BtnHelp"))->click();
              })
            .then("THelp", [&](QWidget *help) {
                modal = help->isModal();
                page = static_cast<THelp *>(help)->currentPage();
                help->close();
            })
            .then("TCustomer", [](QWidget *editor) {
                editor->findChild<QPushButton *>(QStringLiteral("BtnCancel"))->click();
            });
        p.window->masters().customerEditor().run();
        QVERIFY2(script.done(), qPrintable(script.failure()));
        QVERIFY(modal);
        QCOMPARE(page, THelp::topicUrl(410));
        p.store->closeAll();
        p.window->commands().action(QStringLiteral("actHelpContents"))->trigger();
        QVERIFY(p.window->help().isVisible());
        QVERIFY(!p.window->help().isModal());
        p.window->help().close();
    }

    void sectionButtonsShowOnePanel()
    {
        Program p;
        p.window->show();
        QVERIFY(p.window->startUp());
        for (int i = 5; i >= 0; --i) {
            QTest::mouseClick(p.window->sectionButton(i), Qt::LeftButton);
            for (int j = 0; j < 6; ++j) {
                QCOMPARE(p.window->panel(j)->isVisible(), i == j);
                QCOMPARE(p.window->sectionButton(j)->isChecked(), i == j);
            }
            // Centred horizontally, and vertically between the button bar and the status bar.
            QFrame *panel = p.window->panel(i);
            QWidget *area = p.window->centralWidget();
            QVERIFY(qAbs(panel->x() - (area->width() - panel->width()) / 2) <= 1);
        }
    }

    void preferencesAreWrittenAtOnce()
    {
        Program p;
        QVERIFY(p.window->startUp());
        QVERIFY(p.store->settings.ByCust);
        p.window->commands().action(QStringLiteral("actSortByCompany"))->trigger();
        p.window->commands().action(QStringLiteral("actLifo"))->trigger();
        QVERIFY(p.window->commands().action(QStringLiteral("actSortByCompany"))->isChecked());
        QVERIFY(!p.window->commands().action(QStringLiteral("actSortByName"))->isChecked());
        // Read back from the table by another store, as after a crash and a restart.
        core::ScriptedPrompts other;
        data::DataStore check(p.dir.path(), other, [] {});
        check.startEngine();
        QVERIFY(check.OpenQLR3A());
        check.LoadQLR3A();
        QVERIFY(!check.settings.ByCust);
        QVERIFY(!check.settings.fifo);
        check.closeAll();
    }

    // Runs `command` with the chooser answered by `act` (which must close it).
    static void withChooser(TMain &window, const char *command,
                            const std::function<void(TDriveDir &)> &act)
    {
        QTimer::singleShot(0, &window, [&window, act] {
            auto *chooser = qobject_cast<TDriveDir *>(QApplication::activeModalWidget());
            if (!chooser) chooser = &window.driveDir();
            act(*chooser);
        });
        QTimer::singleShot(10000, &window.driveDir(), &QDialog::reject);
        window.commands().action(QLatin1String(command))->trigger();
    }

    static void click(TDriveDir &chooser, const char *button)
    {
        QTest::mouseClick(chooser.findChild<QPushButton *>(QLatin1String(button)), Qt::LeftButton);
    }

    static void enter(TDriveDir &chooser, const QString &folder)
    {
        auto *list = chooser.findChild<QListWidget *>(QStringLiteral("directories"));
        const auto found = list->findItems(folder, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        const QPoint at = list->visualItemRect(found.first()).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    // The chooser gives its folder without a trailing separator; the data directory the
    // program runs in is compared with it however that is spelled.
    void backupGoesToAnotherDirectoryOnly_data()
    {
        QTest::addColumn<QString>("separator");
        QTest::newRow("data directory without a trailing separator") << QString();
        QTest::newRow("data directory with a trailing separator") << QStringLiteral("/");
    }

    void backupGoesToAnotherDirectoryOnly()
    {
        QFETCH(QString, separator);
        Program p;
        p.open(p.prompts, p.dir.path() + separator);
        QVERIFY(p.window->startUp());
        withChooser(*p.window, "actBackup", [](TDriveDir &c) {
            QCOMPARE(c.windowTitle(), QStringLiteral("Choose Backup Drive & Directory"));
            QCOMPARE(c.confirmCaption(), QStringLiteral("Backup"));
            click(c, "confirm");
        });
        QCOMPARE(p.prompts.shown(), QStringList{QStringLiteral(
                                        "information: Backup must be to a different drive "
                                        "and/or directory")});
        QVERIFY(QDir(p.dir.path()).mkdir(QStringLiteral("saved")));
        withChooser(*p.window, "actBackup", [](TDriveDir &c) {
            enter(c, QStringLiteral("saved"));
            click(c, "confirm");
        });
        const QStringList saved = QDir(p.dir.filePath(QStringLiteral("saved"))).entryList(QDir::Files);
        QCOMPARE(saved.size(), 14);
        QVERIFY(saved.contains(QStringLiteral("Prod5.dbt")));
        QVERIFY(!saved.contains(QStringLiteral("QLR3A.dbf")));
        for (const QString &name : saved)
            QCOMPARE(p.contents(QStringLiteral("saved/") + name), p.contents(name));
        QCOMPARE(p.prompts.shown().size(), 1);
        QCOMPARE(p.window->status().text(), QString());
    }

    void restoreFromABackupLackingEstDbtStopsThereAndRebuildsTheIndexes()
    {
        Program p;
        QVERIFY(p.window->startUp());
        for (data::TableId id :
             {data::TableId::CUST6, data::TableId::INV7, data::TableId::Est, data::TableId::EstItm})
            p.addRecords(id, 2);
        const QString saved = QDir::cleanPath(p.dir.filePath(QStringLiteral("saved")));
        QVERIFY(QDir().mkdir(saved));
        core::RecordingStatus unseen;
        QVERIFY(data::Backup(*p.store, unseen, saved));
        QVERIFY(QFile::remove(saved + QStringLiteral("/Est.dbt")));
        // Work done since the backup: the restore takes back the seven files before Est.dbt.
        p.addRecords(data::TableId::CUST6, 3);
        p.addRecords(data::TableId::EstItm, 3);
        const QByteArray estItmNow = p.contents(QStringLiteral("EstItm.dbf"));

        withChooser(*p.window, "actRestore", [](TDriveDir &c) {
            QCOMPARE(c.windowTitle(), QStringLiteral("Choose Drive & Directory Containing BACKUP"));
            QCOMPARE(c.confirmCaption(), QStringLiteral("Restore"));
            enter(c, QStringLiteral("saved"));
            click(c, "confirm");
        });
        QCOMPARE(p.prompts.shown(),
                 (QStringList{QStringLiteral("information: Unable to find ") + saved +
                                  QStringLiteral("/Est.dbt\r\nFunction Aborted"),
                              QStringLiteral("information: Restore Failed . . Check that your "
                                             "disk is not full.")}));
        const char *const copied[] = {"CUST6.dbf", "CUST6.dbt", "GROUPS.dbf", "INV7.dbf",
                                      "INV7.dbt",  "ITM5.dbf",  "Est.dbf"};
        for (const char *name : copied)
            QCOMPARE(p.contents(QLatin1String(name)),
                     p.contents(QStringLiteral("saved/") + QLatin1String(name)));
        QCOMPARE(p.contents(QStringLiteral("EstItm.dbf")), estItmNow);
        // The indexes were rebuilt from the restored customers, not the five there before.
        QCOMPARE(p.window->status().text(), QStringLiteral("Done"));
        QVERIFY(p.store->OpenCUST6());
        DATA4 *cust = p.store->data(data::TableId::CUST6);
        long inOrder = 0;
        for (int rc = d4top(cust); rc == 0; rc = d4skip(cust, 1))
            ++inOrder;
        p.store->closeAll();
        QCOMPARE(inOrder, 2L);
        QCOMPARE(p.exits, 0);
    }

    // The erase question is the real warning box: OK and Cancel, with Cancel the default so
    // that Enter keeps the data.
    void eraseAsksInAWarningBoxFirst_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("Enter, taking the default Cancel") << false;
        QTest::newRow("OK") << true;
    }

    void eraseAsksInAWarningBoxFirst()
    {
        QFETCH(bool, ok);
        Program p;
        QtPrompts boxes;
        p.open(boxes, p.dir.path());
        boxes.setParent(p.window.get());
        QVERIFY(p.window->startUp());
        for (data::TableId id : kErased)
            p.addRecords(id, 3);
        for (data::TableId id : kKept)
            p.addRecords(id, 3);

        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        bool cancelIsDefault = false;
        QTimer::singleShot(0, p.window.get(), [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box) return;
            text = box->text();
            icon = box->icon();
            buttons = box->standardButtons();
            cancelIsDefault = box->defaultButton() == box->button(QMessageBox::Cancel);
            if (ok)
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            else
                QTest::keyClick(box, Qt::Key_Return);
        });
        // A box left open would hold the test for ever.
        QTimer::singleShot(10000, p.window.get(), [] {
            if (QWidget *w = QApplication::activeModalWidget()) w->close();
        });
        p.window->commands().action(QStringLiteral("actEraseAllData"))->trigger();

        QCOMPARE(text,
                 QStringLiteral("WARNING: You are about to erase all of your existing data."));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QVERIFY(cancelIsDefault);
        for (data::TableId id : kErased)
            QVERIFY2(p.count(id) == (ok ? 0 : 3), data::tableDef(id).name);
        for (data::TableId id : kKept)
            QVERIFY2(p.count(id) == 3, data::tableDef(id).name);
        QCOMPARE(p.window->status().text(), QString());
        QCOMPARE(p.exits, 0);
    }

    void cardFolderDisableSwitchesCardsOff()
    {
        Program p;
        QVERIFY(p.window->startUp());
        p.store->settings.Charge = true;
        p.store->settings.ChargeDir = p.dir.path() + QLatin1Char('/');
        withChooser(*p.window, "actCreditCardProcessing", [](TDriveDir &c) {
            QCOMPARE(c.windowTitle(), QStringLiteral("Choose Credit Card Transaction Folder"));
            QCOMPARE(c.confirmCaption(), QStringLiteral("Select"));
            QCOMPARE(c.cancelCaption(), QStringLiteral("Disable"));
            QVERIFY(c.isNoteVisible());
            click(c, "cancel");
        });
        QVERIFY(!p.store->settings.Charge);
        QVERIFY(p.store->settings.ChargeDir.isEmpty());
        QCOMPARE(p.window->driveDir().cancelCaption(), QStringLiteral("Cancel"));
        QVERIFY(!p.window->driveDir().isNoteVisible());
        // Chosen: the folder with a separator after it, card processing on; written at once.
        QVERIFY(QDir(p.dir.path()).mkdir(QStringLiteral("cards")));
        withChooser(*p.window, "actCreditCardProcessing", [](TDriveDir &c) {
            enter(c, QStringLiteral("cards"));
            click(c, "confirm");
        });
        core::ScriptedPrompts other;
        data::DataStore check(p.dir.path(), other, [] {});
        check.startEngine();
        QVERIFY(check.OpenQLR3A());
        check.LoadQLR3A();
        QVERIFY(check.settings.Charge);
        QCOMPARE(check.settings.ChargeDir, p.dir.filePath(QStringLiteral("cards")) + QLatin1Char('/'));
        check.closeAll();
    }

    void reIndexShowsProgressThenDone()
    {
        Program p;
        QVERIFY(p.window->startUp());
        p.window->commands().action(QStringLiteral("actReIndex"))->trigger();
        QCOMPARE(p.window->status().text(), QStringLiteral("Done"));
    }

    void helpOpensItsContents()
    {
        Program p;
        p.window->commands().action(QStringLiteral("actHelpContents"))->trigger();
        QCOMPARE(p.window->help().currentPage(), THelp::contentsUrl());
        QVERIFY(p.window->help().isVisible());
        QCOMPARE(THelp::topicUrl(10).fileName(), QStringLiteral("topic-10.html"));
        QCOMPARE(THelp::topicUrl(99999), THelp::contentsUrl());
    }

    void shutdownPacksWhenAskedTo()
    {
        Program p;
        QVERIFY(p.window->startUp());
        QVERIFY(p.store->OpenPMT());
        DATA4 *pmt = p.store->data(data::TableId::PMT);
        for (int i = 0; i < 3; ++i) {
            d4appendBlank(pmt);
            f4assignInt(p.store->field(data::TableId::PMT, 0), i + 1);
        }
        d4go(pmt, 2);
        d4delete(pmt);
        p.store->closeAll();
        p.store->packPending = true;
        p.window->close();
        QVERIFY(!p.store->packPending);
        QVERIFY(p.store->OpenPMT());
        QCOMPARE(d4recCountDo(p.store->data(data::TableId::PMT)), 2L);
        p.store->closeAll();
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"

// The main window over a real data directory: start-up and its failures, the splash minimum,
// the command tree, sections, preferences written at once, and shutdown.

#include "AboutU.h"
#include "HelpU.h"
#include "DriveDirU.h"
#include "MainU.h"
#include "StatusBarSink.h"
#include "core/Prompts.h"
#include "data/DataStore.h"
#include "data/FieldValues.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QListWidget>
#include <QMenuBar>
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
            store = std::make_unique<data::DataStore>(dir.path(), prompts, [this] { ++exits; });
            window = std::make_unique<TMain>(*store, prompts, [this] { ++exits; });
        }
        std::string file(const char *name) const { return dir.filePath(name).toStdString(); }
        QStringList files() const { return QDir(dir.path()).entryList(QDir::Files, QDir::Name); }
    };

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

    void backupGoesToAnotherDirectoryOnly()
    {
        Program p;
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
        QCOMPARE(p.window->status().text(), QString());
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

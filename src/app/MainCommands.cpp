// The commands of the main window that belong to the shell itself: preferences, file
// maintenance, about and help.

#include "AboutU.h"
#include "DriveDirU.h"
#include "HelpU.h"
#include "MainU.h"
#include "MasterWindows.h"
#include "StatusBarSink.h"
#include "core/Prompts.h"
#include "data/DataStore.h"
#include "data/FileMaintenance.h"
#include "data/Maintenance.h"

#include <QAction>
#include <QDir>
#include <QFontDialog>
#include <QPageSetupDialog>
#include <QPrinter>

void TMain::connectCommands()
{
    auto on = [this](const char *name, auto handler) {
        connect(m_commands.action(QLatin1String(name)), &QAction::triggered, this, handler);
    };
    on("actReportFont", [this] { ReportFontClick(); });
    on("actPrinterSetup", [this] { PrinterSetupClick(); });
    on("actSortByName", [this] { CustomerSortClick(true); });
    on("actSortByCompany", [this] { CustomerSortClick(false); });
    on("actFifo", [this] { InventoryMethodClick(true); });
    on("actLifo", [this] { InventoryMethodClick(false); });
    on("actCreditCardProcessing", [this] { CreditCardProcessingClick(); });
    on("actBackup", [this] { BackupClick(); });
    on("actRestore", [this] { RestoreClick(); });
    on("actReIndex", [this] { ReIndexClick(); });
    on("actPackData", [this] { PackDataClick(); });
    on("actEraseAllData", [this] { EraseAllDataClick(); });
    on("actExit", [this] { close(); });
    on("actAbout", [this] { AboutClick(); });
    on("actHelpContents", [this] { HelpContentsClick(); });
    on("actCustomersEdit", [this] { m_masters->editCustomers(); });
    on("actCustomersDefineGroups", [this] { m_masters->defineGroups(); });
    on("actProductsDefine", [this] { m_masters->defineProducts(); });
    on("actPurchasesBuyEdit", [this] { m_masters->editPurchases(); });
    on("actLabelForms", [this] { m_masters->labelForms(); });
    on("actExportMergeFile", [this] { m_masters->exportMergeFile(); });
}

void TMain::ReportFontClick()
{
    // Whatever the user pressed, the dialog's font becomes the report font (after Cancel the
    // unchanged one), and it is written to the settings.
    QFontDialog dialog(m_reportFont, this);
    dialog.setObjectName(QStringLiteral("reportFontDialog"));
    dialog.exec();
    m_reportFont = dialog.result() == QDialog::Accepted ? dialog.selectedFont() : m_reportFont;
    setFont(m_reportFont);
    m_store.settings.FontName = m_reportFont.family();
    m_store.settings.FontSize = m_reportFont.pointSize();
    m_store.writeSettings();
}

void TMain::PrinterSetupClick()
{
    QPrinter printer;
    QPageSetupDialog dialog(&printer, this);
    dialog.exec();
}

void TMain::CustomerSortClick(bool byName)
{
    m_store.settings.ByCust = byName;
    checkPreferenceItems();
    m_store.writeSettings();
}

void TMain::InventoryMethodClick(bool fifo)
{
    m_store.settings.fifo = fifo;
    checkPreferenceItems();
    m_store.writeSettings();
}

void TMain::ReIndexClick() { data::RebuildIndexes(m_store, *m_status, false); }

void TMain::PackDataClick() { data::PackAll(m_store, *m_status); }

void TMain::AboutClick()
{
    m_about->setStartup(false);
    m_about->exec();
}

void TMain::HelpContentsClick() { m_help->showContents(); }

namespace {

// Shows the chooser prepared by the caller; its result (empty when cancelled).
QString choose(TDriveDir &chooser, const QString &title, const QString &confirm,
               const QString &start)
{
    chooser.setTitle(title);
    chooser.setConfirmCaption(confirm);
    chooser.setStartDirectory(start);
    chooser.exec();
    return chooser.chosenDirectory();
}

} // namespace

void TMain::BackupClick()
{
    const QString dir = choose(*m_driveDir, QStringLiteral("Choose Backup Drive & Directory"),
                               QStringLiteral("Backup"), m_store.directory());
    repaint();
    data::Backup(m_store, *m_status, dir);
}

void TMain::RestoreClick()
{
    const QString dir =
        choose(*m_driveDir, QStringLiteral("Choose Drive & Directory Containing BACKUP"),
               QStringLiteral("Restore"), m_store.directory());
    if (!dir.isEmpty()) repaint();
    data::Restore(m_store, *m_status, dir);
}

void TMain::EraseAllDataClick() { data::EraseAllData(m_store, *m_status); }

void TMain::CreditCardProcessingClick()
{
    // The folder shared with the card program. "Disable" switches card processing off.
    TDriveDir &chooser = *m_driveDir;
    chooser.setCancelCaption(QStringLiteral("Disable"));
    chooser.setNote(QStringLiteral(
        "The directory chosen must match the directory specified in your X-Charge Server "
        "Setup."));
    chooser.setNoteVisible(true);
    const QString current = m_store.settings.ChargeDir.trimmed();
    const QString dir = choose(chooser, QStringLiteral("Choose Credit Card Transaction Folder"),
                               QStringLiteral("Select"),
                               current.isEmpty() ? m_store.directory() : current);
    chooser.setCancelCaption(QStringLiteral("Cancel"));
    chooser.setNoteVisible(false);
    if (!dir.isEmpty()) {
        // The folder is kept with a trailing separator, as the card requests are built on it.
        QString folder = dir.trimmed();
        if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
        m_store.settings.ChargeDir = folder;
        m_store.settings.Charge = true;
    } else {
        m_store.settings.ChargeDir.clear();
        m_store.settings.Charge = false;
    }
    m_store.writeSettings();
}

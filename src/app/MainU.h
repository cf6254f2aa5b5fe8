#pragma once

#include "CommandTree.h"

#include <QElapsedTimer>
#include <QFont>
#include <QMainWindow>

#include <functional>
#include <memory>

class QAbstractButton;
class QFrame;
class QToolButton;
class StatusBarSink;
class TAboutForm;
class THelp;
class TDriveDir;
class MasterWindows;

namespace core {
class Prompts;
}
namespace data {
class DataStore;
}

// The main window: the menu bar, six section buttons over a background picture, one command
// panel per section (one visible at a time) and the status bar. It runs start-up when first
// shown and shutdown when it closes. The commands behind the menus live in MainCommands.cpp.
class TMain final : public QMainWindow
{
    Q_OBJECT
public:
    // `exitProgram` ends the program at once (after a fatal message); tests pass one that
    // records the call.
    TMain(data::DataStore &store, core::Prompts &prompts, std::function<void()> exitProgram,
          QWidget *parent = nullptr);
    ~TMain() override;

    // The start-up sequence; false when the program was ended on the way (tests only see that).
    bool startUp();
    // The splash stays up at least this long.
    static constexpr int kSplashMilliseconds = 1728;

    StatusBarSink &status() { return *m_status; }
    CommandTree &commands() { return m_commands; }
    TAboutForm &about() { return *m_about; }
    TDriveDir &driveDir() { return *m_driveDir; }
    THelp &help() { return *m_help; }
    MasterWindows &masters() { return *m_masters; }
    const QFont &reportFont() const { return m_reportFont; }
    QString versionText() const { return m_version; }
    int currentSection() const { return m_section; }
    void showSection(int index);
    QFrame *panel(int index) const { return m_panels.value(index); }
    QToolButton *sectionButton(int index) const { return m_sectionButtons.value(index); }
    bool isStartingUp() const { return m_startingUp; }

    // Enables the commands that exist; the others say they are not available yet.
    void updateMenuActionState();

signals:
    // Start-up has finished: the splash is gone and the first section shows.
    void startedUp();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildCentralArea();
    void layoutPanels();
    void connectCommands();
    void setUpReportFont();
    void checkPreferenceItems();

    // Commands (MainCommands.cpp)
    void ReportFontClick();
    void PrinterSetupClick();
    void CustomerSortClick(bool byName);
    void InventoryMethodClick(bool fifo);
    void CreditCardProcessingClick();
    void BackupClick();
    void RestoreClick();
    void ReIndexClick();
    void PackDataClick();
    void EraseAllDataClick();
    void AboutClick();
    void HelpContentsClick();

    data::DataStore &m_store;
    core::Prompts &m_prompts;
    std::function<void()> m_exitProgram;
    CommandTree m_commands;
    StatusBarSink *m_status;
    TAboutForm *m_about;
    TDriveDir *m_driveDir;
    THelp *m_help;
    std::unique_ptr<MasterWindows> m_masters;
    QWidget *m_buttonBar = nullptr;
    QList<QToolButton *> m_sectionButtons;
    QList<QFrame *> m_panels;
    int m_section = -1;
    bool m_startingUp = false;
    bool m_started = false;
    bool m_hasPrinter = false;
    QString m_version;
    QFont m_reportFont;
};

#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace core {
class Prompts;
}

// The drive and directory chooser used by backup, restore, the upgrade and the card folder
// choice. The caller sets the title, the button captions, the note and where to start, runs
// exec() and reads chosenDirectory().
//
// The drive list holds the places a user of this system knows: the home folder, the root and
// each folder under /media, /mnt and /run/media (where removable disks are mounted). The
// directory list shows the folders of the place chosen, with ".." to go up; a double click
// (or Enter) opens one. The files of the folder shown are listed greyed, for orientation only.
//
// A place that cannot be read (a disk taken out, a folder gone) is reported through the
// prompts, "Unable to read from drive " and its path, and the drive list goes back to the
// place shown before.
//
// Browsing never changes the process's current directory, which is where the program keeps
// its data. The directory current when the chooser opens is made current again when it closes
// all the same, so nothing shown while it is open can leave it changed.
//
// Created once and reused: every showing starts afresh from the start directory and clears
// the result.
class TDriveDir final : public QDialog
{
    Q_OBJECT

public:
    // `prompts` shows the messages and must outlive the dialog.
    explicit TDriveDir(core::Prompts &prompts, QWidget *parent = nullptr);

    void setTitle(const QString &title) { setWindowTitle(title); }
    QString title() const { return windowTitle(); }
    // Captions of the two buttons, "OK" and "Cancel" until changed.
    void setConfirmCaption(const QString &caption);
    QString confirmCaption() const;
    void setCancelCaption(const QString &caption);
    QString cancelCaption() const;
    // An optional line above the lists, hidden until made visible.
    void setNote(const QString &text);
    QString note() const;
    void setNoteVisible(bool visible);
    bool isNoteVisible() const;
    // Where the directory list starts; the current directory when empty or unreadable.
    void setStartDirectory(const QString &directory) { m_start = directory; }
    QString startDirectory() const { return m_start; }
    // The places of the drive list, as paths; defaultPlaces() until changed.
    void setPlaces(const QStringList &places) { m_places = places; }
    QStringList places() const { return m_places; }
    static QStringList defaultPlaces();

    // The folder the directory list shows now.
    QString currentDirectory() const { return m_current; }
    // After exec(): the folder chosen, without a trailing separator ("/" for the root itself),
    // or empty when the user cancelled.
    QString chosenDirectory() const { return m_chosen; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Shows `directory` in the lists; false (and nothing changed) when it cannot be read.
    bool showDirectory(const QString &directory);
    void fillDrives();
    void driveChosen(int index);
    void entryActivated(QListWidgetItem *item);

    core::Prompts &m_prompts;
    QLabel *m_note;
    QComboBox *m_drives;
    QLabel *m_path;
    QListWidget *m_directories;
    QListWidget *m_files;
    QPushButton *m_confirm;
    QPushButton *m_cancel;

    QStringList m_places;
    QString m_start;
    QString m_current;
    QString m_chosen;
    QString m_savedCurrent;
    int m_drive = -1; // the drive list entry shown before the latest choice
};

// The drive and directory chooser driven through its widgets while exec() runs: where it
// starts, browsing, the result of each button, an unreadable place, and the current directory
// left as it was.

#include "app/DriveDirU.h"
#include "core/Prompts.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

class DriveDirTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void browsesAndReturnsTheFolderShown_data();
    void browsesAndReturnsTheFolderShown();
    void cancelReturnsNothing();
    void unreadablePlaceKeepsThePreviousOne();
    void offersHomeAndRoot();

private:
    // Runs the chooser; `act` works its widgets while it is open and must end it.
    int run(TDriveDir &chooser, const std::function<void()> &act);
    void open(TDriveDir &chooser, const QString &entry);
    QStringList entries(TDriveDir &chooser, const char *list);

    QTemporaryDir m_root;
    QTemporaryDir m_elsewhere;
    core::ScriptedPrompts m_prompts;
};

void DriveDirTest::init()
{
    QVERIFY(m_root.isValid());
    QVERIFY(QDir(m_root.path()).mkpath("beta/inner"));
    QVERIFY(QDir(m_root.path()).mkpath("Alpha"));
    QFile file(m_root.filePath("note.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(QDir::setCurrent(m_elsewhere.path()));
    m_prompts.clear();
}

int DriveDirTest::run(TDriveDir &chooser, const std::function<void()> &act)
{
    QTimer::singleShot(0, &chooser, act);
    // A step that went wrong must not leave the test waiting on the dialog.
    QTimer::singleShot(10000, &chooser, &QDialog::reject);
    return chooser.exec();
}

void DriveDirTest::open(TDriveDir &chooser, const QString &entry)
{
    auto *list = chooser.findChild<QListWidget *>("directories");
    const QList<QListWidgetItem *> found = list->findItems(entry, Qt::MatchExactly);
    if (found.isEmpty()) return;
    list->scrollToItem(found.first());
    // A double click as a mouse gives it: the first press selects, the second opens.
    const QPoint at = list->visualItemRect(found.first()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

QStringList DriveDirTest::entries(TDriveDir &chooser, const char *list)
{
    QStringList out;
    auto *w = chooser.findChild<QListWidget *>(list);
    for (int i = 0; i < w->count(); ++i)
        out << w->item(i)->text();
    return out;
}

void DriveDirTest::browsesAndReturnsTheFolderShown_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QStringList>("opened");
    QTest::addColumn<QString>("chosen"); // relative to the temporary root

    QTest::newRow("start") << "" << QStringList{} << "";
    QTest::newRow("start with separator") << "/" << QStringList{} << "";
    QTest::newRow("one down") << "" << QStringList{"beta"} << "/beta";
    QTest::newRow("two down") << "" << QStringList{"beta", "inner"} << "/beta/inner";
    QTest::newRow("down and up") << "" << QStringList{"beta", ".."} << "";
    QTest::newRow("up from the start") << "/beta" << QStringList{".."} << "";
    QTest::newRow("no such entry") << "" << QStringList{"gamma"} << "";
}

void DriveDirTest::browsesAndReturnsTheFolderShown()
{
    QFETCH(QString, start);
    QFETCH(QStringList, opened);
    QFETCH(QString, chosen);

    TDriveDir chooser(m_prompts);
    chooser.setPlaces({m_root.path()});
    chooser.setStartDirectory(m_root.path() + start);
    QString shownAtStart;
    QStringList folders, files;
    bool filesGreyed = false;
    const int result = run(chooser, [&] {
        shownAtStart = chooser.currentDirectory();
        folders = entries(chooser, "directories");
        files = entries(chooser, "files");
        filesGreyed = !chooser.findChild<QListWidget *>("files")->isEnabled();
        for (const QString &entry : opened)
            open(chooser, entry);
        // Something shown inside the chooser moved the current directory.
        QDir::setCurrent(QDir::rootPath());
        chooser.findChild<QPushButton *>("confirm")->click();
    });

    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(shownAtStart, QDir::cleanPath(m_root.path() + start));
    if (start.isEmpty()) {
        QCOMPARE(folders, (QStringList{"..", "Alpha", "beta"}));
        QCOMPARE(files, QStringList{"note.txt"});
        QVERIFY(filesGreyed);
    }
    QCOMPARE(chooser.chosenDirectory(), m_root.path() + chosen);
    QCOMPARE(QDir::currentPath(), m_elsewhere.path());
    QVERIFY(m_prompts.shown().isEmpty());
}

void DriveDirTest::cancelReturnsNothing()
{
    TDriveDir chooser(m_prompts);
    chooser.setPlaces({m_root.path()});
    chooser.setStartDirectory(m_root.path());
    chooser.setConfirmCaption("Backup");
    chooser.setCancelCaption("Skip");
    chooser.setNote("Choose the folder of the card program");
    chooser.setNoteVisible(true);
    QCOMPARE(run(chooser, [&] { chooser.findChild<QPushButton *>("confirm")->click(); }),
             int(QDialog::Accepted));
    QCOMPARE(chooser.chosenDirectory(), m_root.path());

    // Shown again: the earlier result is gone, whatever was browsed is not returned.
    bool noteShown = false;
    QString captions;
    const int result = run(chooser, [&] {
        noteShown = chooser.findChild<QWidget *>("note")->isVisible();
        captions = chooser.findChild<QPushButton *>("confirm")->text() + "/" +
                   chooser.findChild<QPushButton *>("cancel")->text();
        open(chooser, "beta");
        QDir::setCurrent(QDir::rootPath());
        chooser.findChild<QPushButton *>("cancel")->click();
    });
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(chooser.chosenDirectory(), QString());
    QVERIFY(noteShown);
    QCOMPARE(captions, "Backup/Skip");
    QCOMPARE(QDir::currentPath(), m_elsewhere.path());
}

void DriveDirTest::unreadablePlaceKeepsThePreviousOne()
{
    // A disk taken out after the drive list was made: its mount point is gone.
    QTemporaryDir other;
    const QString gone = other.path() + "/disk";
    TDriveDir chooser(m_prompts);
    chooser.setPlaces({m_root.path(), gone, other.path()});
    chooser.setStartDirectory(m_root.path() + "/beta");
    int driveAfterFailure = -1;
    QString shownAfterFailure;
    QStringList foldersAfterFailure;
    QString shownAfterOther;
    const int result = run(chooser, [&] {
        auto *drives = chooser.findChild<QComboBox *>("drives");
        drives->setCurrentIndex(1);
        driveAfterFailure = drives->currentIndex();
        shownAfterFailure = chooser.currentDirectory();
        foldersAfterFailure = entries(chooser, "directories");
        drives->setCurrentIndex(2);
        shownAfterOther = chooser.currentDirectory();
        chooser.findChild<QPushButton *>("confirm")->click();
    });

    QCOMPARE(m_prompts.shown(), QStringList{"information: Unable to read from drive " + gone});
    QCOMPARE(driveAfterFailure, 0);
    QCOMPARE(shownAfterFailure, m_root.path() + "/beta");
    QCOMPARE(foldersAfterFailure, (QStringList{"..", "inner"}));
    QCOMPARE(shownAfterOther, other.path());
    QCOMPARE(result, int(QDialog::Accepted));
    QCOMPARE(chooser.chosenDirectory(), other.path());
}

void DriveDirTest::offersHomeAndRoot()
{
    const QStringList places = TDriveDir::defaultPlaces();
    QVERIFY(places.contains(QDir::cleanPath(QDir::homePath())));
    QVERIFY(places.contains("/"));
    for (const QString &place : places)
        QVERIFY2(QDir(place).isAbsolute(), qPrintable(place));
}

QTEST_MAIN(DriveDirTest)
#include "DriveDirTest.moc"

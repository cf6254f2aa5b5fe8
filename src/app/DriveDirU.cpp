#include "DriveDirU.h"

#include "core/Prompts.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <dirent.h>

namespace {

const QString kUp = QStringLiteral("..");

// Whether the folder's entries can be listed: QDir gives an empty list for a folder it could
// not open, which would look like an empty folder.
bool canList(const QString &directory)
{
    DIR *d = ::opendir(QFile::encodeName(directory).constData());
    if (!d) return false;
    ::closedir(d);
    return true;
}

QString clean(const QString &directory)
{
    return QDir::cleanPath(QDir(directory).absolutePath());
}

bool isUnder(const QString &path, const QString &place)
{
    if (path == place) return true;
    return path.startsWith(place.endsWith(QLatin1Char('/')) ? place : place + QLatin1Char('/'));
}

} // namespace

TDriveDir::TDriveDir(core::Prompts &prompts, QWidget *parent)
    : QDialog(parent), m_prompts(prompts), m_places(defaultPlaces())
{
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("note"));
    m_note->setWordWrap(true);
    m_note->setVisible(false);

    m_drives = new QComboBox(this);
    m_drives->setObjectName(QStringLiteral("drives"));
    auto *driveLabel = new QLabel(tr("&Drive:"), this);
    driveLabel->setBuddy(m_drives);

    m_path = new QLabel(this);
    m_path->setObjectName(QStringLiteral("path"));
    m_path->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_directories = new QListWidget(this);
    m_directories->setObjectName(QStringLiteral("directories"));
    m_files = new QListWidget(this);
    m_files->setObjectName(QStringLiteral("files"));
    m_files->setEnabled(false);

    m_confirm = new QPushButton(tr("OK"), this);
    m_confirm->setObjectName(QStringLiteral("confirm"));
    m_confirm->setDefault(true);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));

    auto *drives = new QHBoxLayout;
    drives->addWidget(driveLabel);
    drives->addWidget(m_drives, 1);
    auto *lists = new QHBoxLayout;
    lists->addWidget(m_directories);
    lists->addWidget(m_files);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_confirm);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_note);
    layout->addLayout(drives);
    layout->addWidget(m_path);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    resize(520, 360);

    connect(m_drives, &QComboBox::currentIndexChanged, this, &TDriveDir::driveChosen);
    connect(m_directories, &QListWidget::itemActivated, this, &TDriveDir::entryActivated);
    connect(m_confirm, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TDriveDir::setConfirmCaption(const QString &caption)
{
    m_confirm->setText(caption);
}
QString TDriveDir::confirmCaption() const
{
    return m_confirm->text();
}
void TDriveDir::setCancelCaption(const QString &caption)
{
    m_cancel->setText(caption);
}
QString TDriveDir::cancelCaption() const
{
    return m_cancel->text();
}
void TDriveDir::setNote(const QString &text)
{
    m_note->setText(text);
}
QString TDriveDir::note() const
{
    return m_note->text();
}
void TDriveDir::setNoteVisible(bool visible)
{
    m_note->setVisible(visible);
}
bool TDriveDir::isNoteVisible() const
{
    return !m_note->isHidden();
}

QStringList TDriveDir::defaultPlaces()
{
    QStringList places{clean(QDir::homePath()), QStringLiteral("/")};
    for (const char *root : {"/media", "/mnt", "/run/media"}) {
        const QDir dir{QString::fromLatin1(root)};
        for (const QString &name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            places.append(dir.filePath(name));
    }
    places.removeDuplicates();
    return places;
}

void TDriveDir::showEvent(QShowEvent *event)
{
    m_savedCurrent = QDir::currentPath();
    m_chosen.clear();
    m_current.clear();
    const QString start = m_start.trimmed();
    if (start.isEmpty() || !showDirectory(start)) {
        if (!showDirectory(m_savedCurrent)) showDirectory(QDir::homePath());
    }
    fillDrives();
    QDialog::showEvent(event);
}

void TDriveDir::fillDrives()
{
    const QSignalBlocker block(m_drives);
    m_drives->clear();
    const QString home = clean(QDir::homePath());
    int shown = -1;
    qsizetype longest = -1;
    for (const QString &place : m_places) {
        const QString path = clean(place);
        const QString text = path == home ? tr("Home (%1)").arg(path) : path;
        m_drives->addItem(text, path);
        // The drive of the folder shown is the place that holds it most closely.
        if (isUnder(m_current, path) && path.size() > longest) {
            longest = path.size();
            shown = m_drives->count() - 1;
        }
    }
    m_drives->setCurrentIndex(shown);
    m_drive = shown;
}

void TDriveDir::driveChosen(int index)
{
    if (index < 0 || index == m_drive) return;
    const QString place = m_drives->itemData(index).toString();
    if (showDirectory(place)) {
        m_drive = index;
        return;
    }
    m_prompts.information(QStringLiteral("Unable to read from drive ") + place);
    const QSignalBlocker block(m_drives);
    m_drives->setCurrentIndex(m_drive);
}

void TDriveDir::entryActivated(QListWidgetItem *item)
{
    if (!item) return;
    const QString target = clean(m_current + QLatin1Char('/') + item->text());
    if (!showDirectory(target)) QApplication::beep();
}

bool TDriveDir::showDirectory(const QString &directory)
{
    const QString path = clean(directory);
    if (!canList(path)) return false;
    const QDir dir(path);
    m_current = path;
    m_path->setText(path);
    m_directories->clear();
    if (path != QLatin1String("/")) m_directories->addItem(kUp);
    m_directories->addItems(
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase));
    if (m_directories->count() > 0) m_directories->setCurrentRow(0);
    m_files->clear();
    m_files->addItems(dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
    return true;
}

void TDriveDir::done(int result)
{
    m_chosen = result == QDialog::Accepted ? m_current : QString();
    if (!m_savedCurrent.isEmpty()) QDir::setCurrent(m_savedCurrent);
    QDialog::done(result);
}

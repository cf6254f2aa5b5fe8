#include "QtPrompts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {

QString titleOr(const QString &title)
{
    return title.isEmpty() ? QApplication::applicationDisplayName() : title;
}

// Message texts use CR LF line breaks, as the program writes them; a box shows LF.
QString shown(const QString &text)
{
    QString t = text;
    return t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// Keeps the working directory across a dialog that may change it.
class KeepCurrentDirectory
{
public:
    KeepCurrentDirectory() : m_dir(QDir::currentPath()) {}
    ~KeepCurrentDirectory() { QDir::setCurrent(m_dir); }

private:
    QString m_dir;
};

} // namespace

void QtPrompts::information(const QString &text, const QString &title)
{
    QMessageBox::information(m_parent, titleOr(title), shown(text));
}

void QtPrompts::warning(const QString &text, const QString &title)
{
    QMessageBox::warning(m_parent, titleOr(title), shown(text));
}

bool QtPrompts::confirmOkCancel(const QString &text, const QString &title)
{
    return QMessageBox::question(m_parent, titleOr(title), shown(text),
                                 QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Ok) == QMessageBox::Ok;
}

bool QtPrompts::warningOkCancel(const QString &text, const QString &title)
{
    return QMessageBox::warning(m_parent, titleOr(title), shown(text),
                                QMessageBox::Ok | QMessageBox::Cancel,
                                QMessageBox::Cancel) == QMessageBox::Ok;
}

bool QtPrompts::confirmYesNo(const QString &text, const QString &title)
{
    return QMessageBox::question(m_parent, titleOr(title), shown(text),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

bool QtPrompts::askText(const QString &text, QString *value, const QString &title)
{
    bool ok = false;
    const QString answer = QInputDialog::getText(m_parent, titleOr(title), shown(text),
                                                 QLineEdit::Normal, *value, &ok);
    if (ok) *value = answer;
    return ok;
}

QString QtPrompts::openFile(const QString &title, const QString &directory, const QString &filter)
{
    KeepCurrentDirectory keep;
    return QFileDialog::getOpenFileName(m_parent, title, directory, filter);
}

QString QtPrompts::saveFile(const QString &title, const QString &directory, const QString &filter)
{
    KeepCurrentDirectory keep;
    return QFileDialog::getSaveFileName(m_parent, title, directory, filter);
}

QString QtPrompts::chooseDirectory(const QString &title, const QString &directory)
{
    KeepCurrentDirectory keep;
    return QFileDialog::getExistingDirectory(m_parent, title, directory);
}

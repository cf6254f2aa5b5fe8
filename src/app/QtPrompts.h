#pragma once

#include "core/Prompts.h"

class QWidget;

// The prompts as real dialogs: message boxes, file and folder dialogs, a text prompt. Each is
// modal over `parent` (the main window). File dialogs may change the current directory; the
// working directory is restored after each, as the program keeps its data there.
class QtPrompts final : public core::Prompts
{
public:
    explicit QtPrompts(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    void information(const QString &text, const QString &title = {}) override;
    void warning(const QString &text, const QString &title = {}) override;
    bool confirmOkCancel(const QString &text, const QString &title = {}) override;
    bool warningOkCancel(const QString &text, const QString &title = {}) override;
    bool confirmYesNo(const QString &text, const QString &title = {}) override;
    bool askText(const QString &text, QString *value, const QString &title = {}) override;
    QString openFile(const QString &title, const QString &directory,
                     const QString &filter) override;
    QString saveFile(const QString &title, const QString &directory,
                     const QString &filter) override;
    QString chooseDirectory(const QString &title, const QString &directory) override;

private:
    QWidget *m_parent;
};

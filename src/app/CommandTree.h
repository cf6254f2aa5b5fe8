#pragma once

#include <QHash>
#include <QList>
#include <QString>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

// The menu bar and the six command panels: every command with its caption and a stable object
// name ("act" + the path of captions), built once. Panel buttons trigger the same actions as
// the menu items, so one place decides what is enabled.
class CommandTree
{
public:
    struct Panel
    {
        QString objectName;  // "panelInvoiceProcessing"
        QString title;
        struct Button
        {
            QString objectName;  // "btnEditInvoices"
            QString caption;     // with "\r\n" line breaks
            QString action;      // the action it triggers, or empty for a drop-down
            QList<QPair<QString, QString>> dropDown;  // caption, action
        };
        QList<Button> buttons;
    };

    // Builds the menus into `bar`; actions are children of `owner`.
    void buildMenus(QMenuBar *bar, QWidget *owner);
    QAction *action(const QString &objectName) const { return m_actions.value(objectName); }
    const QHash<QString, QAction *> &actions() const { return m_actions; }
    static QList<Panel> panels();

private:
    QAction *add(QMenu *menu, const QString &objectName, const QString &caption);

    QHash<QString, QAction *> m_actions;
    QWidget *m_owner = nullptr;
};

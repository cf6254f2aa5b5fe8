#include "EnterMovesFocus.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

void EnterMovesFocus::install(QObject *owner, std::initializer_list<QWidget *> boxes)
{
    auto *filter = new EnterMovesFocus(owner);
    for (QWidget *box : boxes)
        box->installEventFilter(filter);
}

bool EnterMovesFocus::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    // A Tab sent to the box moves the focus along the window's tab order.
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(watched, &tab);
    return true;
}

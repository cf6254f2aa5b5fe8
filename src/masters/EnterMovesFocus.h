#pragma once

#include <QObject>

class QWidget;

// In every single-line box Enter moves the focus to the next control, as Tab does, and is not
// passed on (so it never presses a dialog's default button). Multi-line boxes are not given
// this behaviour and keep Enter as a line break.
class EnterMovesFocus final : public QObject
{
    Q_OBJECT
public:
    // Gives `boxes` the behaviour; the filter is owned by `owner`.
    static void install(QObject *owner, std::initializer_list<QWidget *> boxes);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};

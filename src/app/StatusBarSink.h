#pragma once

#include "core/Status.h"

#include <QStatusBar>

class QLabel;
class ProgressArea;

// The main window's status bar: a 110-pixel progress area on the left and the status text on
// the right. It is the program's StatusSink: both calls repaint at once, because long
// operations run on the one thread and would otherwise show nothing until they end.
class StatusBarSink final : public QStatusBar, public core::StatusSink
{
    Q_OBJECT
public:
    explicit StatusBarSink(QWidget *parent = nullptr);

    void showStatus(const QString &text) override;
    void showProgress(int percent) override;

    QString text() const;
    int percent() const;

private:
    ProgressArea *m_progress;
    QLabel *m_text;
};

#include "StatusBarSink.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>

// The bar runs from 5 pixels from the left and 3 from the top down to 1 above the bottom,
// 1 pixel per percent, in pure blue; 0 erases the whole 100-pixel stretch. The value is kept so
// that a repaint by the window system draws it again.
class ProgressArea final : public QWidget
{
public:
    explicit ProgressArea(QWidget *parent) : QWidget(parent) { setFixedWidth(110); }
    void setPercent(int p)
    {
        m_percent = p;
        repaint();
    }
    int percent() const { return m_percent; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const QRect stretch(5, 3, 100, height() - 4);
        painter.fillRect(stretch, palette().color(QPalette::Button));
        if (m_percent > 0) painter.fillRect(QRect(5, 3, m_percent, height() - 4), QColor(0, 0, 255));
    }

private:
    int m_percent = 0;
};

StatusBarSink::StatusBarSink(QWidget *parent)
    : QStatusBar(parent), m_progress(new ProgressArea(this)), m_text(new QLabel(this))
{
    setObjectName(QStringLiteral("statusBar"));
    setSizeGripEnabled(false);
    m_progress->setObjectName(QStringLiteral("statusProgress"));
    m_text->setObjectName(QStringLiteral("statusText"));
    addWidget(m_progress);
    addWidget(m_text, 1);
}

void StatusBarSink::showStatus(const QString &text)
{
    m_text->setText(text);
    m_progress->setPercent(0);
    m_text->repaint();
    if (window()) window()->repaint();
}

void StatusBarSink::showProgress(int percent)
{
    m_progress->setPercent(percent);
}

QString StatusBarSink::text() const { return m_text->text(); }
int StatusBarSink::percent() const { return m_progress->percent(); }

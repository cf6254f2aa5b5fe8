#include "ShortPickU.h"

#include "PickTable.h"
#include "data/DataStore.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using masters::ShortKind;

TShortPick::TShortPick(data::DataStore &store, ShortKind kind, QWidget *parent)
    : PickWindow(store,
                 kind == ShortKind::Groups ? masters::PickTable::Groups
                                           : masters::PickTable::Labels,
                 QStringLiteral("New"), QStringLiteral("Select"), parent),
      m_list(store, kind)
{
    const bool groups = kind == ShortKind::Groups;
    setObjectName(groups ? "TPickGroup" : "TPickLab");
    setWindowTitle(groups ? QStringLiteral("PickGroup") : QStringLiteral("PickLab"));

    m_lines = new QListWidget(this);
    m_lines->setObjectName("lines");
    m_lines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_lines->setMinimumWidth(QFontMetrics(m_lines->font()).horizontalAdvance(QLatin1Char('0')) *
                             52);
    m_lines->installEventFilter(this);
    connect(m_lines, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_drawing) m_list.setHighlightLine(row);
    });
    connect(m_lines, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        m_list.setHighlightLine(m_lines->row(item));
        choose();
    });

    m_seekCaption = new QLabel(QStringLiteral("Seek:"), this);
    m_seekCaption->setObjectName("seekCaption");
    m_seek = new QLineEdit(this);
    m_seek->setObjectName("seek");
    m_seek->setMaxLength(masters::ShortList::kSeekMaxLength);
    m_seekCaption->setBuddy(m_seek);
    m_seekCaption->setVisible(groups);
    m_seek->setVisible(groups);
    connect(m_seek, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (m_drawing) return;
        m_list.seek(text);
        drawHighlight();
    });


    auto *seekRow = new QHBoxLayout;
    seekRow->addWidget(m_seekCaption);
    seekRow->addWidget(m_seek, 1);
    QHBoxLayout *buttons = buttonRow();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_lines, 1);
    layout->addLayout(seekRow);
    layout->addLayout(buttons);
}

int TShortPick::pick()
{
    m_drawing = true;
    m_seek->clear();
    m_list.show();
    m_lines->clear();
    m_lines->addItems(m_list.lines());
    m_drawing = false;
    drawHighlight();
    (m_list.hasSeek() ? static_cast<QWidget *>(m_seek) : m_lines)->setFocus();
    return exec();
}

void TShortPick::done(int result)
{
    m_list.close();
    QDialog::done(result);
}

void TShortPick::drawHighlight()
{
    m_drawing = true;
    const int line = m_list.highlightLine();
    m_lines->setCurrentRow(line);
    if (line < 0) m_lines->clearSelection();
    m_drawing = false;
}

bool TShortPick::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_lines && event->type() == QEvent::KeyPress &&
        m_list.kind() == ShortKind::Groups) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            choose();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TShortPick::choose()
{
    if (m_list.choose()) accept();
}

#include "PagedPickU.h"

#include "PickTable.h"
#include "data/DataStore.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

using masters::PagedKind;
using masters::PagedList;


TPagedPick::TPagedPick(data::DataStore &store, PagedKind kind, QWidget *parent)
    : PickWindow(store, pickTableOf(kind),
                 kind == PagedKind::Purchases ? QStringLiteral("Add New Purchase")
                                              : QStringLiteral("New"),
                 kind == PagedKind::Purchases ? QStringLiteral("Edit Selected")
                                              : QStringLiteral("Select"),
                 parent),
      m_list(store, kind)
{
    switch (kind) {
    case PagedKind::Customers: setObjectName("TPickCust"); break;
    case PagedKind::Products: setObjectName("TPickProd"); break;
    case PagedKind::Invoices: setObjectName("TPickInv"); break;
    case PagedKind::Estimates: setObjectName("TPickEst"); break;
    case PagedKind::Purchases: setObjectName("TPickPur"); break;
    }
    setUpLayout();
}

void TPagedPick::setUpLayout()
{
    m_rows = new QTableWidget(PagedList::kRows, 0, this);
    m_rows->setObjectName("rows");
    m_rows->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_rows->verticalHeader()->hide();
    m_rows->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_rows->setSelectionMode(QAbstractItemView::SingleSelection);
    m_rows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_rows->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_rows->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_rows->setTabKeyNavigation(false);
    m_rows->installEventFilter(this);
    connect(m_rows, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (m_drawing) return;
        m_list.setHighlightRow(row);
        drawStatus();
    });
    connect(m_rows, &QTableWidget::cellDoubleClicked, this, [this](int row) {
        m_list.setHighlightRow(row);
        choose();
    });

    m_bar = new QScrollBar(Qt::Vertical, this);
    m_bar->setObjectName("scrollBar");
    m_bar->setRange(0, 100);
    m_bar->setPageStep(10);
    connect(m_bar, &QScrollBar::actionTriggered, this, &TPagedPick::scrollAction);
    connect(m_bar, &QScrollBar::sliderReleased, this, [this] {
        m_list.thumb(m_bar->sliderPosition());
        redraw();
    });

    m_seekCaption = new QLabel(this);
    m_seekCaption->setObjectName("seekCaption");
    m_seek = new QLineEdit(this);
    m_seek->setObjectName("seek");
    m_seekCaption->setBuddy(m_seek);
    m_seek->installEventFilter(this);
    if (m_list.seekDigitsOnly()) {
        m_seek->setMaxLength(m_list.seekMaxLength());
        m_seek->setValidator(
            new QRegularExpressionValidator(QRegularExpression("[0-9]{0,6}"), m_seek));
    }
    connect(m_seek, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (m_drawing) return;
        m_list.seek(text);
        redraw();
    });
    m_statusCaption = new QLabel(this);
    m_statusCaption->setObjectName("statusCaption");
    m_status = new QLabel(this);
    m_status->setObjectName("status");
    m_status->setFrameShape(QFrame::Panel);
    m_status->setFrameShadow(QFrame::Sunken);
    m_status->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 20);


    auto *grid = new QHBoxLayout;
    grid->setSpacing(0);
    grid->addWidget(m_rows, 1);
    grid->addWidget(m_bar);
    auto *seekRow = new QHBoxLayout;
    seekRow->addWidget(m_seekCaption);
    seekRow->addWidget(m_seek, 1);
    seekRow->addSpacing(12);
    seekRow->addWidget(m_statusCaption);
    seekRow->addWidget(m_status, 1);
    QHBoxLayout *buttons = buttonRow();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(seekRow);
    layout->addLayout(buttons);
}

int TPagedPick::pick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    switch (m_list.kind()) {
    case PagedKind::Customers: setWindowTitle(QStringLiteral("Select Customer")); break;
    case PagedKind::Products: setWindowTitle(QStringLiteral("PickProd")); break;
    case PagedKind::Invoices: setWindowTitle(QStringLiteral("Select Invoice")); break;
    case PagedKind::Estimates:
        setWindowTitle(QStringLiteral("Pick ") + m_store.settings.EstTitle.trimmed());
        break;
    case PagedKind::Purchases: setWindowTitle(QStringLiteral("PickPur")); break;
    }
    m_drawing = true;
    m_seek->clear();
    m_drawing = false;
    m_list.show();

    // Headers and widths: the customer columns follow the ordering preference.
    const QStringList headers = m_list.headers();
    const std::vector<int> widths = m_list.widths();
    m_rows->setColumnCount(int(headers.size()));
    m_rows->setHorizontalHeaderLabels(headers);
    const int charWidth = QFontMetrics(m_rows->font()).horizontalAdvance(QLatin1Char('0'));
    int total = 0;
    for (int c = 0; c < int(widths.size()); ++c) {
        m_rows->setColumnWidth(c, charWidth * widths[size_t(c)] + 8);
        total += m_rows->columnWidth(c);
    }
    m_rows->setMinimumWidth(total + 2 * m_rows->frameWidth());
    const int rowHeight = m_rows->verticalHeader()->defaultSectionSize();
    m_rows->setMinimumHeight(m_rows->horizontalHeader()->sizeHint().height() +
                             rowHeight * PagedList::kRows + 2 * m_rows->frameWidth());
    m_seekCaption->setText(m_list.seekCaption());
    const bool hasStatus = !m_list.statusCaption().isEmpty();
    m_statusCaption->setText(m_list.statusCaption());
    m_statusCaption->setVisible(hasStatus);
    m_status->setVisible(hasStatus);

    const bool empty = m_list.isEmpty();
    m_select->setEnabled(!empty);
    m_rows->setEnabled(!empty);
    redraw();
    QApplication::restoreOverrideCursor();
    return exec();
}

void TPagedPick::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_list.isEmpty()) m_seek->setFocus();
}

void TPagedPick::redraw()
{
    m_drawing = true;
    const int columns = m_rows->columnCount();
    for (int r = 0; r < PagedList::kRows; ++r) {
        const masters::PickRow &row = m_list.rows()[size_t(r)];
        for (int c = 0; c < columns; ++c) {
            QTableWidgetItem *item = m_rows->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                m_rows->setItem(r, c, item);
            }
            item->setText(c < row.cells.size() ? row.cells[c] : QString());
        }
    }
    const int highlight = m_list.highlightRow();
    if (highlight >= 0 && !m_list.isEmpty()) {
        m_rows->setCurrentCell(highlight, qMax(0, m_rows->currentColumn()));
    } else {
        m_rows->setCurrentCell(-1, -1);
        m_rows->clearSelection();
    }
    m_bar->setVisible(m_list.scrollBarVisible());
    m_bar->setValue(m_list.scrollBarValue());
    m_drawing = false;
    drawStatus();
}

void TPagedPick::drawStatus() { m_status->setText(m_list.statusText()); }

void TPagedPick::scrollAction(int action)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: m_list.lineDown(); break;
    case QAbstractSlider::SliderSingleStepSub: m_list.lineUp(); break;
    case QAbstractSlider::SliderPageStepAdd: m_list.pageDown(); break;
    case QAbstractSlider::SliderPageStepSub: m_list.pageUp(); break;
    case QAbstractSlider::SliderToMinimum: m_list.home(); break;
    case QAbstractSlider::SliderToMaximum: m_list.end(); break;
    default: return;  // the thumb moves the page when it is released
    }
    redraw();
    // The bar shows where the list is, not where the action would have put the thumb.
    m_bar->setSliderPosition(m_list.scrollBarValue());
}

bool TPagedPick::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || m_list.isEmpty())
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool inRows = watched == m_rows;
    const int row = m_rows->currentRow();
    switch (key->key()) {
    case Qt::Key_PageDown: m_list.pageDown(); break;
    case Qt::Key_PageUp: m_list.pageUp(); break;
    case Qt::Key_Home:
        if (!inRows) return false;
        m_list.home();
        break;
    case Qt::Key_End:
        if (!inRows) return false;
        m_list.end();
        break;
    case Qt::Key_Up:
        if (!inRows || row != 0) return false;
        m_list.lineUp(0);
        break;
    case Qt::Key_Down:
        if (!inRows) {
            m_rows->setFocus();
            return true;
        }
        if (row != PagedList::kRows - 1) return false;
        m_list.lineDown(PagedList::kRows - 1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!inRows) return false;
        choose();
        return true;
    default: return false;
    }
    redraw();
    return true;
}

void TPagedPick::choose()
{
    const long recNo = m_list.chosenRecord();
    if (recNo <= 0) return;
    selection() = int(recNo);
    accept();
}

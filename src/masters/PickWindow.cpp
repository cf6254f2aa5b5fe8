#include "PickWindow.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>

namespace masters {

PickWindow::PickWindow(data::DataStore &store, PickTable table, const QString &newCaption,
                       const QString &selectCaption, QWidget *parent)
    : QDialog(parent), m_store(store), m_table(table)
{
    setModal(true);
    auto button = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        b->setDefault(false);
        return b;
    };
    m_new = button("newButton", newCaption);
    m_select = button("selectButton", selectCaption);
    m_cancel = button("cancelButton", QStringLiteral("Cancel"));
    connect(m_new, &QPushButton::clicked, this, &PickWindow::BtnNewClick);
    connect(m_select, &QPushButton::clicked, this, [this] { choose(); });
    connect(m_cancel, &QPushButton::clicked, this, &PickWindow::BtnCancelClick);
}

QHBoxLayout *PickWindow::buttonRow()
{
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(m_new);
    row->addWidget(m_select);
    row->addWidget(m_cancel);
    return row;
}

void PickWindow::setNewAllowed(bool allowed) { m_new->setEnabled(allowed); }

int &PickWindow::selection() { return selectionOf(m_store, m_table); }

void PickWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        BtnCancelClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void PickWindow::BtnNewClick()
{
    selection() = 0;
    accept();
}

void PickWindow::BtnCancelClick()
{
    selection() = -1;
    reject();
}

} // namespace masters

#include "MultGroupU.h"

#include "data/DataStore.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TMultGroup::TMultGroup(data::DataStore &store, QWidget *parent) : QDialog(parent), m_store(store)
{
    setObjectName(QStringLiteral("TMultGroup"));
    setWindowTitle(QStringLiteral("Select One or More Groups"));
    setModal(true);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ListBox1"));
    m_list->setSelectionMode(QAbstractItemView::MultiSelection);
    m_list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto button = [this](const char *name, const QString &caption) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    QPushButton *all = button("BtnAll", QStringLiteral("All"));
    QPushButton *run = button("BtnRun", QStringLiteral("Run"));
    QPushButton *cancel = button("BtnCancel", QStringLiteral("Cancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(all);
    buttons->addStretch();
    buttons->addWidget(run);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(buttons);
    connect(all, &QPushButton::clicked, m_list, &QListWidget::selectAll);
    connect(run, &QPushButton::clicked, this, [this] {
        // Selected lines in list order.
        for (int i = 0; i < m_list->count(); ++i) {
            if (m_list->item(i)->isSelected())
                m_selection << masters::GroupNumberOfLine(m_list->item(i)->text());
        }
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

masters::GroupSelection TMultGroup::choose()
{
    m_selection.clear();
    m_list->clear();
    m_list->addItems(masters::GroupChooserLines(m_store));
    if (m_list->count() == 1)
        m_list->item(0)->setSelected(true);
    exec();
    return m_selection;
}

#include "GroupDefU.h"

#include "EnterMovesFocus.h"
#include "Groups.h"
#include "Numbering.h"
#include "Picker.h"
#include "RecordOps.h"
#include "core/Prompts.h"
#include "data/DataStore.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

using data::TableId;

namespace {
// Group numbers are keyed in two characters.
constexpr int kLastGroupNumber = 99;
}

TGroupDef::TGroupDef(masters::EditorContext &context, QWidget *parent)
    : RecordEditor(context, QStringLiteral("Customer Group Definition"), 420, parent)
{
    setObjectName(QStringLiteral("TGroupDef"));
    auto *form = new QFormLayout;
    body()->addLayout(form);
    m_number = new QLineEdit(this);
    m_number->setObjectName(QStringLiteral("nGroup"));
    m_number->setReadOnly(true);
    m_number->setFocusPolicy(Qt::NoFocus);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("cGroup"));
    m_name->setMaxLength(20);
    form->addRow(QStringLiteral("Group Number:"), m_number);
    form->addRow(QStringLiteral("Customer Group:"), m_name);
    EnterMovesFocus::install(this, {m_name});
}

void TGroupDef::open()
{
    int &selection = m_store.selection.group;
    data::GroupBuffer &g = m_store.group;
    if (openOn(TableId::GROUPS, selection))
        m_store.LoadGROUPS();
    else
        g = data::GroupBuffer{};
    m_number->setText(QString::number(g.nGroup).rightJustified(2, QLatin1Char(' ')));
    m_name->setText(g.cGroup.trimmed());
    m_name->setFocus();
}

bool TGroupDef::BtnSaveClick()
{
    if (m_name->text().trimmed().isEmpty()) {
        m_store.prompts().information(QStringLiteral("Can't Save Blank Name"));
        return false;
    }
    if (!textsStorable({{QStringLiteral("Customer Group"), m_name->text()}}))
        return false;
    data::GroupBuffer &g = m_store.group;
    g.cGroup = m_name->text();
    const bool isNew = g.nGroup == 0;
    if (isNew) {
        const int number = masters::NextGroupNumber(m_store);
        if (number > kLastGroupNumber) {
            m_store.prompts().information(QStringLiteral(
                "All group numbers from 1 to 99 are in use. Please delete a group first."));
            return false;
        }
        g.nGroup = number;
    }
    if (!masters::GoOrAppend(m_store, TableId::GROUPS, m_store.selection.group,
                             QStringLiteral("Unable to add record at this time. Please try later."))) {
        if (isNew)
            g.nGroup = 0;  // the number is taken back, so a later Save appends again
        return false;
    }
    m_store.StoreGROUPS();
    masters::RecallIfDeleted(m_store, TableId::GROUPS);
    return true;
}

void TGroupDef::BtnDeleteClick()
{
    const int self = m_store.selection.group;
    const int number = m_store.group.nGroup;
    if (!m_store.prompts().confirmOkCancel(QStringLiteral("Move Customers in ")
                                           + m_store.group.cGroup.trimmed()
                                           + QStringLiteral(" to a selected group")))
        return;
    // The target list shares the group selection value: when no other group is chosen it is
    // set back, so that a later Save still writes this group's record.
    int &selection = m_store.selection.group;
    const bool chosen = m_context.picker.pickOrCreate(masters::PickTable::Groups, false);
    const int target = selection;
    if (!chosen || target == self || !masters::GoRecord(m_store, TableId::GROUPS, target)) {
        selection = self;
        if (masters::GoRecord(m_store, TableId::GROUPS, self))
            m_store.LoadGROUPS();
        return;
    }
    m_store.LoadGROUPS();
    masters::MoveGroupMembers(m_store, number, m_store.group.nGroup);
    masters::MarkDeleted(m_store, TableId::GROUPS, self);
    selection = 0;
    closeWith(Deleted);
}

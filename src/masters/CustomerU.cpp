#include "CustomerU.h"

#include "EnterMovesFocus.h"
#include "Numbering.h"
#include "Picker.h"
#include "RecordOps.h"
#include "core/Prompts.h"
#include "data/DataStore.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using data::TableId;

TCustomer::TCustomer(masters::EditorContext &context, QWidget *parent)
    : RecordEditor(context, QStringLiteral("Customer"), 410, parent)
{
    setObjectName(QStringLiteral("TCustomer"));
    auto *grid = new QGridLayout;
    body()->addLayout(grid);
    auto edit = [this](const char *name, int limit) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setMaxLength(limit);
        return e;
    };
    auto caption = [this](const QString &text) { return new QLabel(text, this); };
    m_cuno = edit("cuno", 6);
    m_cuno->setReadOnly(true);
    m_cuno->setFocusPolicy(Qt::NoFocus);
    m_title = edit("title", 3);
    m_first = edit("first", 13);
    m_last = edit("last", 34);
    m_addr1 = edit("addr1", 34);
    m_addr2 = edit("addr2", 34);
    m_addr3 = edit("addr3", 34);
    m_addr4 = edit("addr4", 19);
    m_zip = edit("zip", 10);
    m_phone = edit("phone", 20);
    m_fax = edit("fax", 20);
    m_email = edit("email", 60);
    m_note = edit("note", 34);
    m_comments = new QPlainTextEdit(this);
    m_comments->setObjectName(QStringLiteral("comments"));
    m_comments->setTabChangesFocus(true);
    m_groupButton = new QPushButton(QStringLiteral("Group"), this);
    m_groupButton->setObjectName(QStringLiteral("BtnGroup"));
    m_groupButton->setAutoDefault(false);
    m_group = edit("group", 20);
    m_group->setReadOnly(true);
    m_group->setFocusPolicy(Qt::NoFocus);
    m_addr1Caption = caption(QString());
    m_addr2Caption = caption(QString());

    m_title->setFixedWidth(m_title->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 4);
    auto *name = new QHBoxLayout;
    name->addWidget(m_title);
    name->addWidget(m_first, 2);
    name->addWidget(m_last, 3);
    auto *lastLine = new QHBoxLayout;
    lastLine->addWidget(m_addr4, 2);
    lastLine->addWidget(caption(QStringLiteral("Postal Code")));
    lastLine->addWidget(m_zip, 1);
    int row = 0;
    grid->addWidget(caption(QStringLiteral("Customer No.")), row, 0);
    grid->addWidget(m_cuno, row++, 1, Qt::AlignLeft);
    grid->addWidget(caption(QStringLiteral("Name")), row, 0);
    grid->addLayout(name, row++, 1);
    grid->addWidget(m_addr1Caption, row, 0);
    grid->addWidget(m_addr1, row++, 1);
    grid->addWidget(m_addr2Caption, row, 0);
    grid->addWidget(m_addr2, row++, 1);
    grid->addWidget(m_addr3, row++, 1);
    grid->addLayout(lastLine, row++, 1);
    grid->addWidget(caption(QStringLiteral("Phone")), row, 0);
    grid->addWidget(m_phone, row++, 1);
    grid->addWidget(caption(QStringLiteral("Fax")), row, 0);
    grid->addWidget(m_fax, row++, 1);
    grid->addWidget(caption(QStringLiteral("Email")), row, 0);
    grid->addWidget(m_email, row++, 1);
    grid->addWidget(caption(QStringLiteral("Note")), row, 0);
    grid->addWidget(m_note, row++, 1);
    grid->addWidget(m_comments, row++, 0, 1, 2);
    auto *groupRow = new QHBoxLayout;
    groupRow->addWidget(m_groupButton);
    groupRow->addWidget(m_group, 1);
    grid->addLayout(groupRow, row++, 0, 1, 2);

    // Screen order is tab order: the single-line boxes, the memo, then the group button.
    QWidget *order[] = {m_title, m_first, m_last,  m_addr1, m_addr2,    m_addr3,       m_addr4,
                        m_zip,   m_phone, m_fax,   m_email, m_note,     m_comments,    m_groupButton,
                        saveButton()};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    EnterMovesFocus::install(this, {m_title, m_first, m_last, m_addr1, m_addr2, m_addr3, m_addr4,
                                    m_zip, m_phone, m_fax, m_email, m_note});
    connect(m_groupButton, &QPushButton::clicked, this, [this] { BtnGroupClick(); });
}

QLineEdit *TCustomer::box(const char *field) const
{
    return findChild<QLineEdit *>(QLatin1String(field));
}

void TCustomer::open()
{
    const bool byName = m_store.settings.ByCust;
    m_addr1Caption->setText(byName ? QStringLiteral("Address") : QStringLiteral("Company"));
    m_addr2Caption->setText(byName ? QString() : QStringLiteral("Address"));

    int &selection = m_store.selection.customer;
    data::CustomerBuffer &c = m_store.customer;
    if (openOn(TableId::CUST6, selection))
        m_store.LoadCUST6();
    else
        c = data::CustomerBuffer{};
    m_cuno->setText(QString::number(c.cuno).rightJustified(6, QLatin1Char(' ')));
    const std::pair<QLineEdit *, const QString *> texts[] = {
        {m_title, &c.title}, {m_first, &c.first}, {m_last, &c.last},   {m_addr1, &c.addr1},
        {m_addr2, &c.addr2}, {m_addr3, &c.addr3}, {m_addr4, &c.addr4}, {m_zip, &c.zip},
        {m_phone, &c.phone}, {m_fax, &c.fax},     {m_email, &c.email}, {m_note, &c.note}};
    for (const auto &[box, text] : texts)
        box->setText(text->trimmed());
    QString memo = c.comments;
    while (memo.endsWith(QLatin1Char(' ')))
        memo.chop(1);
    m_comments->setPlainText(memo);
    showGroup();
    m_title->setFocus();
}

void TCustomer::showGroup()
{
    // A group that no longer exists shows as none; the user must choose one before saving.
    m_group->clear();
    if (m_store.customer.ngroup == 0)
        return;
    m_store.LoadCustomerGroup();
    if (m_store.group.nGroup == 0)
        m_store.customer.ngroup = 0;
    else
        m_group->setText(m_store.group.cGroup.trimmed());
}

void TCustomer::BtnGroupClick()
{
    // The list opens on the customer's group.
    int &selection = m_store.selection.group;
    selection = 0;
    if (m_store.customer.ngroup != 0) {
        m_store.LoadCustomerGroup();
        if (m_store.group.nGroup != 0)
            selection = int(masters::CurrentRecord(m_store, TableId::GROUPS));
    }
    if (!m_context.picker.pickOrCreate(masters::PickTable::Groups, true))
        return;
    if (!masters::GoRecord(m_store, TableId::GROUPS, selection))
        return;
    m_store.LoadGROUPS();
    m_store.customer.ngroup = m_store.group.nGroup;
    m_group->setText(m_store.group.cGroup.trimmed());
}

bool TCustomer::BtnSaveClick()
{
    data::CustomerBuffer &c = m_store.customer;
    if (c.ngroup == 0) {
        m_store.prompts().information(QStringLiteral("Please Select Customer Group"));
        return false;
    }
    if (!textsStorable({{QStringLiteral("Title"), m_title->text()},
                        {QStringLiteral("First Name"), m_first->text()},
                        {QStringLiteral("Last Name"), m_last->text()},
                        {m_addr1Caption->text(), m_addr1->text()},
                        {QStringLiteral("Address"), m_addr2->text()},
                        {QStringLiteral("Address"), m_addr3->text()},
                        {QStringLiteral("Address"), m_addr4->text()},
                        {QStringLiteral("Postal Code"), m_zip->text()},
                        {QStringLiteral("Phone"), m_phone->text()},
                        {QStringLiteral("Fax"), m_fax->text()},
                        {QStringLiteral("Email"), m_email->text()},
                        {QStringLiteral("Note"), m_note->text()},
                        {QStringLiteral("Comments"), m_comments->toPlainText()}}))
        return false;
    int &selection = m_store.selection.customer;
    const bool isNew = selection <= 0;
    if (isNew)
        c.cuno = masters::NextCustomerNumber(m_store);
    if (!masters::GoOrAppend(m_store, TableId::CUST6, selection,
                             QStringLiteral("Unable to Append record . . Please try again."))) {
        if (isNew)
            c.cuno = 0;  // the number is taken back
        return false;
    }
    c.title = m_title->text();
    c.first = m_first->text();
    c.last = m_last->text();
    c.addr1 = m_addr1->text();
    c.addr2 = m_addr2->text();
    c.addr3 = m_addr3->text();
    c.addr4 = m_addr4->text();
    c.zip = m_zip->text();
    c.phone = m_phone->text();
    c.fax = m_fax->text();
    c.email = m_email->text();
    c.note = m_note->text();
    c.comments = m_comments->toPlainText();
    m_store.StoreCUST6();
    selection = int(masters::CurrentRecord(m_store, TableId::CUST6));
    masters::RecallIfDeleted(m_store, TableId::CUST6);
    return true;
}

void TCustomer::BtnDeleteClick()
{
    masters::MarkDeleted(m_store, TableId::CUST6, m_store.selection.customer);
    closeWith(Deleted);
}

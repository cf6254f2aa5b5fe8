#include "ProdDefU.h"

#include "EnterMovesFocus.h"
#include "MoneyBox.h"
#include "Products.h"
#include "RecordOps.h"
#include "core/Prompts.h"
#include "data/DataStore.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using data::TableId;

TProdDef::TProdDef(masters::EditorContext &context, QWidget *parent)
    : RecordEditor(context, QStringLiteral("Product Definition"), 430, parent)
{
    setObjectName(QStringLiteral("TProdDef"));
    auto edit = [this](const char *name, int limit) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setMaxLength(limit);
        return e;
    };
    auto money = [this](const char *name, const masters::MoneyFormat &format) {
        auto *m = new MoneyBox(format, m_store.locale, m_store.prompts(), this);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    auto check = [this](const char *name, const QString &caption) {
        auto *c = new QCheckBox(caption, this);
        c->setObjectName(QLatin1String(name));
        return c;
    };
    m_id = edit("PrID", 10);
    m_description = edit("PDesc", 27);
    m_line2 = edit("IComm", 27);
    m_price = money("UPrice", masters::kPrice);
    m_tax1 = check("LTax1", QStringLiteral("Shipping"));
    m_tax2 = check("LTax2", QStringLiteral("Sales Tax"));
    m_licence = edit("RCode", 10);
    m_inventory = check("lInven", QStringLiteral("Inventory Item"));
    m_reorder = money("REORDER", masters::kReorderLevel);
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("PMemo"));
    m_text->setTabChangesFocus(true);

    auto *form = new QFormLayout;
    body()->addLayout(form);
    form->addRow(QStringLiteral("Product ID"), m_id);
    form->addRow(QStringLiteral("Description"), m_description);
    form->addRow(QString(), m_line2);
    form->addRow(QStringLiteral("Unit Price"), m_price);
    auto *checks = new QHBoxLayout;
    checks->addWidget(m_tax1);
    checks->addWidget(m_tax2);
    checks->addStretch();
    form->addRow(QString(), checks);
    form->addRow(QStringLiteral("License Code:"), m_licence);
    form->addRow(QString(), m_inventory);
    form->addRow(QStringLiteral("Reorder Level:"), m_reorder);
    body()->addWidget(new QLabel(QStringLiteral("Product Text (Printed at the Bottom of Invoices)"), this));
    body()->addWidget(m_text);
    EnterMovesFocus::install(this, {m_id, m_description, m_line2, m_price, m_licence, m_reorder});
}

void TProdDef::open()
{
    m_price->buildMask();
    m_reorder->buildMask();
    int &selection = m_store.selection.product;
    data::ProductBuffer &p = m_store.product;
    if (openOn(TableId::Prod5, selection))
        m_store.LoadProd5();
    else
        p = data::ProductBuffer{};
    m_tax1->setText(m_store.settings.ShipLine.trimmed());
    m_tax2->setText(m_store.settings.TaxLine.trimmed());
    m_id->setText(p.PrID.trimmed());
    m_description->setText(p.PDesc.trimmed());
    m_line2->setText(p.IComm.trimmed());
    m_licence->setText(p.RCode.trimmed());
    m_price->setValue(p.UPrice);
    m_reorder->setValue(p.REORDER);
    m_tax1->setChecked(p.LTax1);
    m_tax2->setChecked(p.LTax2);
    m_inventory->setChecked(p.lInven);
    m_text->setPlainText(p.PMemo.trimmed());
    m_id->setFocus();
}

bool TProdDef::BtnSaveClick()
{
    core::Prompts &prompts = m_store.prompts();
    if (m_id->text().trimmed().isEmpty()) {
        prompts.information(QStringLiteral("Blank Product ID not allowed"));
        return false;
    }
    if (!textsStorable({{QStringLiteral("Product ID"), m_id->text()},
                        {QStringLiteral("Description"), m_description->text()},
                        {QStringLiteral("Description"), m_line2->text()},
                        {QStringLiteral("License Code"), m_licence->text()},
                        {QStringLiteral("Product Text"), m_text->toPlainText()}}))
        return false;
    data::ProductBuffer &p = m_store.product;
    const QString id = masters::ProductIdOf(m_id->text());
    if (id != p.PrID.trimmed() && masters::ProductIdTaken(m_store, id)) {
        prompts.information(QStringLiteral("Duplicate Product ID's are not allowed"));
        return false;
    }
    const std::optional<double> price = m_price->value();
    if (!price)
        return false;
    const std::optional<double> reorder = m_reorder->value();
    if (!reorder)
        return false;
    if (!masters::GoOrAppend(m_store, TableId::Prod5, m_store.selection.product,
                             QStringLiteral("Unable to Append record . . Please try again.")))
        return false;
    p.PrID = id;
    p.RCode = m_licence->text().trimmed();
    p.PDesc = m_description->text().trimmed();
    p.IComm = m_line2->text().trimmed();
    p.PMemo = m_text->toPlainText().trimmed();
    p.UPrice = *price;
    p.REORDER = *reorder;
    p.LTax1 = m_tax1->isChecked();
    p.LTax2 = m_tax2->isChecked();
    p.lInven = m_inventory->isChecked();
    // ONHAND stays as loaded (0 for a new product). A record marked deleted stays marked.
    m_store.StoreProd5();
    return true;
}

void TProdDef::BtnDeleteClick()
{
    const int selection = m_store.selection.product;
    if (!masters::GoRecord(m_store, TableId::Prod5, selection))
        return;
    m_store.LoadProd5();
    masters::DeleteProductPurchases(m_store, m_store.product.PrID.trimmed());
    masters::MarkDeleted(m_store, TableId::Prod5, selection);
    closeWith(Deleted);
}

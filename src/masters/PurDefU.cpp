#include "PurDefU.h"

#include "EnterMovesFocus.h"
#include "MoneyBox.h"
#include "Picker.h"
#include "Products.h"
#include "RecordOps.h"
#include "core/Clock.h"
#include "core/Dates.h"
#include "core/Prompts.h"
#include "data/DataStore.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

using data::TableId;

TPurDef::TPurDef(masters::EditorContext &context, QWidget *parent)
    : RecordEditor(context, QStringLiteral("Inventory Purchase Definition"), 450, parent)
{
    setObjectName(QStringLiteral("TPurDef"));
    m_productButton = new QPushButton(QStringLiteral("Product"), this);
    m_productButton->setObjectName(QStringLiteral("BtnProduct"));
    m_productButton->setAutoDefault(false);
    m_product = new QLineEdit(this);
    m_product->setObjectName(QStringLiteral("PURProd"));
    m_product->setReadOnly(true);
    m_product->setFocusPolicy(Qt::NoFocus);
    m_date = new QDateEdit(this);
    m_date->setObjectName(QStringLiteral("PURDate"));
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(m_store.locale.shortDateFormat());
    m_quantity = new MoneyBox(masters::kQuantity, m_store.locale, m_store.prompts(), this);
    m_quantity->setObjectName(QStringLiteral("PURQty"));
    m_cost = new MoneyBox(masters::kTotalCost, m_store.locale, m_store.prompts(), this);
    m_cost->setObjectName(QStringLiteral("PURCost"));

    auto *productRow = new QHBoxLayout;
    productRow->addWidget(m_productButton);
    productRow->addWidget(m_product, 1);
    auto *form = new QFormLayout;
    body()->addLayout(productRow);
    body()->addLayout(form);
    form->addRow(QStringLiteral("Date Acquired"), m_date);
    form->addRow(QStringLiteral("Quantity"), m_quantity);
    form->addRow(QStringLiteral("Total Cost"), m_cost);
    setTabOrder(m_productButton, m_date);
    setTabOrder(m_date, m_quantity);
    setTabOrder(m_quantity, m_cost);
    EnterMovesFocus::install(this, {m_date, m_quantity, m_cost});
    connect(m_productButton, &QPushButton::clicked, this, [this] { BtnProductClick(); });
}

void TPurDef::open()
{
    m_quantity->buildMask();
    m_cost->buildMask();
    m_chosenProduct = 0;
    int &selection = m_store.selection.purchase;
    data::PurchaseBuffer &p = m_store.purchase;
    if (openOn(TableId::Pur5, selection)) {
        m_store.LoadPur5();
    } else {
        p = data::PurchaseBuffer{};
        p.PURDate = core::dayFromDate(core::Clock::current().today());
    }
    m_product->setText(p.PURProd.trimmed());
    const QDate date = core::dateFromDay(p.PURDate);
    m_date->setDate(date.isValid() ? date : core::Clock::current().today());
    m_quantity->setValue(p.PURQty);
    m_cost->setValue(p.PURCost);
    m_productButton->setFocus();
}

void TPurDef::BtnProductClick()
{
    // The list opens on the first product.
    DATA4 *products = m_store.data(TableId::Prod5);
    int &selection = m_store.selection.product;
    selection = d4top(products) == 0 ? int(d4recNo(products)) : 0;
    if (!m_context.picker.pickOrCreate(masters::PickTable::Products, true))
        return;
    if (!masters::GoRecord(m_store, TableId::Prod5, selection))
        return;
    m_store.LoadProd5();
    m_chosenProduct = selection;
    m_product->setText(m_store.product.PrID.trimmed());
}

bool TPurDef::BtnSaveClick()
{
    if (m_product->text().trimmed().isEmpty()) {
        m_store.prompts().information(QStringLiteral("Product Selection Required."));
        return false;
    }
    const std::optional<double> quantity = m_quantity->value();
    if (!quantity)
        return false;
    const std::optional<double> cost = m_cost->value();
    if (!cost)
        return false;
    if (!masters::GoOrAppend(m_store, TableId::Pur5, m_store.selection.purchase,
                             QStringLiteral("Unable to Append record . . Please try again.")))
        return false;
    data::PurchaseBuffer &p = m_store.purchase;
    p.PURProd = masters::ProductIdOf(m_product->text());
    p.PURDate = core::dayFromDate(m_date->date());
    p.PURQty = *quantity;
    p.PURCost = *cost;
    m_store.StorePur5();
    if (m_chosenProduct > 0 && masters::GoRecord(m_store, TableId::Prod5, m_chosenProduct)) {
        m_store.LoadProd5();
        m_store.product.lInven = true;
        m_store.StoreProd5();
    }
    return true;
}

void TPurDef::BtnDeleteClick()
{
    masters::MarkDeleted(m_store, TableId::Pur5, m_store.selection.purchase);
    closeWith(Deleted);
}

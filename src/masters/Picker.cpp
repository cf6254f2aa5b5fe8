#include "Picker.h"

#include "PagedPickU.h"
#include "ShortPickU.h"
#include "core/Prompts.h"
#include "data/DataStore.h"

namespace masters {

namespace {

QString emptyMessage(PickTable table)
{
    switch (table) {
    case PickTable::Customers: return QStringLiteral("Customer Database is Empty");
    case PickTable::Groups: return QStringLiteral("Group Database is Empty");
    case PickTable::Products: return QStringLiteral("Product Database is Empty");
    case PickTable::Invoices: return QStringLiteral("Invoice Database is Empty");
    case PickTable::Estimates: return QStringLiteral("Estimate Database is Empty");
    case PickTable::Purchases: return QStringLiteral("Purchase Database is Empty");
    case PickTable::Labels: return QStringLiteral("Label Database is Empty");
    }
    return {};
}

PagedKind pagedKindOf(PickTable table)
{
    switch (table) {
    case PickTable::Products: return PagedKind::Products;
    case PickTable::Invoices: return PagedKind::Invoices;
    case PickTable::Estimates: return PagedKind::Estimates;
    case PickTable::Purchases: return PagedKind::Purchases;
    default: return PagedKind::Customers;
    }
}

} // namespace

Picker::Picker(data::DataStore &store, QWidget *parent) : m_store(store), m_parent(parent) {}

Picker::~Picker()
{
    for (auto &w : m_paged) delete w.data();
    for (auto &w : m_short) delete w.data();
}

bool Picker::isShort(PickTable table)
{
    return table == PickTable::Groups || table == PickTable::Labels;
}

void Picker::setEditor(PickTable table, std::function<void()> editor)
{
    m_editors[size_t(table)] = std::move(editor);
}

TPagedPick &Picker::pagedList(PickTable table)
{
    Q_ASSERT(!isShort(table));
    QPointer<TPagedPick> &w = m_paged[size_t(table)];
    if (!w) w = new TPagedPick(m_store, pagedKindOf(table), m_parent);
    return *w;
}

TShortPick &Picker::shortList(PickTable table)
{
    Q_ASSERT(isShort(table));
    QPointer<TShortPick> &w = m_short[size_t(table)];
    if (!w)
        w = new TShortPick(m_store,
                           table == PickTable::Groups ? ShortKind::Groups : ShortKind::Labels,
                           m_parent);
    return *w;
}

bool Picker::pickOrCreate(PickTable table, bool allowNew, bool *created)
{
    if (created) *created = false;
    int &selection = selectionOf(m_store, table);
    DATA4 *d = m_store.data(tableOf(table));
    if (!d || d4recCountDo(d) == 0) {
        if (!allowNew) {
            m_store.prompts().information(emptyMessage(table));
            selection = -1;
            return false;
        }
        selection = 0;
    }
    if (isShort(table)) {
        TShortPick &w = shortList(table);
        w.setNewAllowed(allowNew);
        w.pick();
    } else {
        TPagedPick &w = pagedList(table);
        w.setNewAllowed(allowNew);
        w.pick();
    }
    // A table without an editor yet creates nothing: 0 stays and the operation gives false.
    if (selection == 0 && m_editors[size_t(table)]) {
        m_editors[size_t(table)]();
        if (created) *created = selection > 0;
    }
    return selection > 0;
}

void Picker::editLoop(PickTable table)
{
    bool created = false;
    while (pickOrCreate(table, true, &created)) {
        if (!created && m_editors[size_t(table)]) m_editors[size_t(table)]();
    }
}

} // namespace masters

#include "MasterWindows.h"

#include "core/Prompts.h"
#include "data/DataStore.h"
#include "data/Maintenance.h"
#include "labels/LabelDefU.h"
#include "masters/CustomerU.h"
#include "masters/GroupDefU.h"
#include "masters/MergeExport.h"
#include "masters/MultGroupU.h"
#include "masters/ProdDefU.h"
#include "masters/PurDefU.h"

#include <QDir>
#include <QFileInfo>

using data::TableId;
using masters::PickTable;

MasterWindows::MasterWindows(data::DataStore &store, core::StatusSink &status,
                             std::function<void(int topic)> showHelp, QWidget *parent)
    : m_store(store), m_status(status), m_picker(store, parent),
      m_context{store, m_picker, std::move(showHelp)},
      m_customer(new TCustomer(m_context, parent)), m_group(new TGroupDef(m_context, parent)),
      m_product(new TProdDef(m_context, parent)), m_purchase(new TPurDef(m_context, parent)),
      m_label(new TLabelDef(m_context, parent)), m_groups(new TMultGroup(store, parent))
{
    m_picker.setEditor(PickTable::Customers, [this] { m_customer->run(); });
    m_picker.setEditor(PickTable::Groups, [this] { m_group->run(); });
    m_picker.setEditor(PickTable::Products, [this] { m_product->run(); });
    m_picker.setEditor(PickTable::Purchases, [this] { m_purchase->run(); });
    m_picker.setEditor(PickTable::Labels, [this] { m_label->run(); });
}

MasterWindows::~MasterWindows() = default;

void MasterWindows::loopFromTop(PickTable table, TableId id)
{
    DATA4 *d = m_store.data(id);
    masters::selectionOf(m_store, table) = d4top(d) == 0 ? int(d4recNo(d)) : 0;
    m_picker.editLoop(table);
}

void MasterWindows::closeAndPack(std::initializer_list<TableId> tables)
{
    m_store.closeAll();
    if (m_store.packPending) {
        for (TableId id : tables)
            data::PackTable(m_store, id, false);
    }
    m_store.packPending = false;
}

void MasterWindows::editCustomers()
{
    m_store.packPending = false;
    if (!m_store.OpenCUST6() || !m_store.OpenGROUPS())
        return;
    DATA4 *customers = m_store.data(TableId::CUST6);
    d4tagSelectP(customers, d4tag(customers, m_store.settings.ByCust ? "cname" : "cComp"));
    loopFromTop(PickTable::Customers, TableId::CUST6);
    closeAndPack({TableId::CUST6});
}

void MasterWindows::defineGroups()
{
    if (!m_store.OpenGROUPS() || !m_store.OpenCUST6())
        return;
    DATA4 *groups = m_store.data(TableId::GROUPS);
    d4tagSelectP(groups, d4tag(groups, "cGroup"));
    loopFromTop(PickTable::Groups, TableId::GROUPS);
    closeAndPack({TableId::GROUPS});
}

void MasterWindows::defineProducts()
{
    if (!m_store.OpenProd5())
        return;
    loopFromTop(PickTable::Products, TableId::Prod5);
    closeAndPack({TableId::Prod5, TableId::Pur5});
}

void MasterWindows::editPurchases()
{
    if (!m_store.OpenPur5() || !m_store.OpenProd5())
        return;
    loopFromTop(PickTable::Purchases, TableId::Pur5);
    closeAndPack({TableId::Pur5});
}

void MasterWindows::labelForms()
{
    if (!m_store.OpenLABELS())
        return;
    loopFromTop(PickTable::Labels, TableId::LABELS);
    m_store.close(TableId::LABELS);
}

void MasterWindows::exportMergeFile()
{
    if (!m_store.OpenCUST6() || !m_store.OpenGROUPS())
        return;
    DATA4 *customers = m_store.data(TableId::CUST6);
    d4tagSelectP(customers, d4tag(customers, "CZip"));
    const masters::GroupSelection groups = m_groups->choose();
    if (groups.isEmpty()) {
        m_store.closeAll();
        return;
    }
    // The dialog may change the working directory, which holds the data.
    const QString current = QDir::currentPath();
    QString name = m_store.prompts().saveFile(QStringLiteral("Export Merge File"), QString(),
                                              QStringLiteral("Delimited files (*.doc)"));
    QDir::setCurrent(current);
    if (name.isEmpty()) {
        m_store.closeAll();
        return;
    }
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".doc");
    if (!masters::ExportMergeFile(m_store, groups, name, m_status)) {
        m_store.closeAll();
        m_store.prompts().information(QStringLiteral("Unable to save to: ") + name);
        return;
    }
    m_store.closeAll();
}

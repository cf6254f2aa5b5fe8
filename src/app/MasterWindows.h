#pragma once

#include "masters/Picker.h"
#include "masters/RecordEditor.h"

#include <memory>

class QWidget;
class TCustomer;
class TGroupDef;
class TLabelDef;
class TMultGroup;
class TProdDef;
class TPurDef;

namespace core {
class StatusSink;
}
namespace data {
class DataStore;
}

// The windows of the master records, made once at start-up: the pick lists (through the
// picker), the editors registered with it, and the multi-group chooser; and the commands that
// run them. Each command opens its tables, runs its loop, closes all and packs what an editor
// marked deleted.
class MasterWindows
{
public:
    MasterWindows(data::DataStore &store, core::StatusSink &status,
                  std::function<void(int topic)> showHelp, QWidget *parent);
    ~MasterWindows();

    masters::Picker &picker() { return m_picker; }
    TCustomer &customerEditor() { return *m_customer; }
    TGroupDef &groupEditor() { return *m_group; }
    TProdDef &productEditor() { return *m_product; }
    TPurDef &purchaseEditor() { return *m_purchase; }
    TLabelDef &labelEditor() { return *m_label; }
    TMultGroup &groupChooser() { return *m_groups; }

    // Customers "Edit", "Define Groups"; Products "Define "; Purchases "Buy / Edit";
    // Preferences "Label Forms"; Bulk Mail "Export Merge File".
    void editCustomers();
    void defineGroups();
    void defineProducts();
    void editPurchases();
    void labelForms();
    void exportMergeFile();

private:
    // Sets the selection value to the first record of the table's current order (0 when the
    // table is empty) and runs the loop.
    void loopFromTop(masters::PickTable table, data::TableId id);
    // Closes all, then packs `tables` when an editor marked a record deleted.
    void closeAndPack(std::initializer_list<data::TableId> tables);

    data::DataStore &m_store;
    core::StatusSink &m_status;
    masters::Picker m_picker;
    masters::EditorContext m_context;
    TCustomer *m_customer;
    TGroupDef *m_group;
    TProdDef *m_product;
    TPurDef *m_purchase;
    TLabelDef *m_label;
    TMultGroup *m_groups;
};

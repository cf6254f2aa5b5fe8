#pragma once

#include "data/Buffers.h"
#include "data/Catalogue.h"
#include "core/Locale.h"
#include "xbase/EngineApi.h"

#include <QString>

#include <array>
#include <functional>
#include <vector>

namespace core {
class Prompts;
}

namespace data {

// The tables of one data directory: the engine handle, the open tables with their field
// handles, and the record buffers. One per program run, owned by the application context;
// tests make one over a temporary directory.
//
// Tables are open only while a command works with them: the command opens what it needs with
// the Open operations, positions with the engine, loads and stores, and ends with closeAll().
// Handles of a closed table must not be used.
class DataStore
{
public:
    // `exitProgram` ends the program at once; it is what the engine's exit calls. Tests give
    // one that records the call (and the Open operations then return false).
    DataStore(const QString &directory, core::Prompts &prompts,
              std::function<void()> exitProgram);
    ~DataStore();
    DataStore(const DataStore &) = delete;
    DataStore &operator=(const DataStore &) = delete;

    // Starts the engine with the program's options; an engine that fails to start ends the
    // program.
    void startEngine();
    CODE4 *engine() const { return m_engine; }
    const QString &directory() const { return m_directory; }
    core::Prompts &prompts() { return m_prompts; }
    // The table's path without extension, as the engine opens it.
    std::string tablePath(TableId id) const;
    DATA4 *data(TableId id) const { return m_tables[size_t(id)].data; }
    // The handle of field `index` of the catalogue's field list.
    FIELD4 *field(TableId id, int index) const { return m_tables[size_t(id)].fields[size_t(index)]; }
    void closeAll();
    // Closes one table (nothing happens when it is not open).
    void close(TableId id);
    // Engine errors met while reading and writing are shown to the user as they happen.
    void setReportEngineErrors(bool on) { m_reportErrors = on; }
    // The message shown when a table or tag cannot be opened, then the program ends.
    void failOpen(const QString &name);

    // Open: the table with its main tag selected, on its first record; true (a failure ends
    // the program, and returns false only when the exit hook returns, as in tests).
    bool OpenQLR3A();
    bool OpenCUST6();
    bool OpenGROUPS();
    bool OpenImportF();
    bool OpenINV7();
    bool OpenITM5();
    bool OpenPMT();
    bool OpenProd5();
    bool OpenPur5();
    bool OpenLABELS();
    bool OpenEst();
    bool OpenEstItm();
    bool open(TableId id);

    // Load: the current record into the buffer. Store: the buffer into the current record.
    void LoadQLR3A();
    void StoreQLR3A();
    void LoadCUST6();
    void StoreCUST6();
    void LoadGROUPS();
    void StoreGROUPS();
    void LoadImportF();
    void StoreImportF();
    void LoadINV7();
    void StoreINV7();
    void LoadITM5();
    void StoreITM5();
    void LoadPMT();
    void StorePMT();
    void LoadProd5();
    void StoreProd5();
    void LoadPur5();
    void StorePur5();
    void LoadLABELS();
    void StoreLABELS();
    void LoadEst();
    void StoreEst();
    void LoadEstItm();
    void StoreEstItm();

    // The group of the customer in the customer buffer into the group buffer (number 0 and an
    // empty name when there is none). GROUPS must be open; its tag nGroup stays selected.
    void LoadCustomerGroup();
    // Goes to the group with number `nGroup` as a customer's `ngroup` holds it; false when there
    // is none (the position is then undefined). GROUPS must be open; its tag nGroup stays
    // selected.
    bool SeekGroup(int nGroup);
    // True when all twelve table files exist in the data directory.
    bool CheckTableFiles() const;
    // Opens the settings table, stores the settings buffer and closes it again.
    void writeSettings();

    Settings settings;
    CustomerBuffer customer;
    GroupBuffer group;
    ImportFormatBuffer importFormat;
    InvoiceBuffer invoice;
    ItemBuffer item;
    ItemOwners itemOwners;
    PaymentBuffer payment;
    ProductBuffer product;
    PurchaseBuffer purchase;
    LabelBuffer label;
    EstimateBuffer estimate;
    SelectionValues selection;
    // How numbers and dates are typed and shown; the host's, pinned by tests.
    core::Locale locale = core::Locale::system();
    // Set by editors that mark records deleted; cleared by pack all.
    bool packPending = false;

private:
    struct OpenTable
    {
        DATA4 *data = nullptr;
        std::vector<FIELD4 *> fields;
    };

    QString m_directory;
    core::Prompts &m_prompts;
    std::function<void()> m_exitProgram;
    CODE4 *m_engine = nullptr;
    bool m_reportErrors = true;
    std::array<OpenTable, kTableCount> m_tables;
};

} // namespace data

#pragma once

#include "PickTable.h"

#include <QPointer>

#include <array>
#include <functional>

class QWidget;
class TPagedPick;
class TShortPick;

namespace data {
class DataStore;
}

namespace masters {
// The pick-or-create operation and the "Edit" commands' loop, the same for all seven tables.
// Owns the pick-list windows (made once, reused). Editors are registered per table; an editor
// reads the table's selection value on entry (0: a new record) and leaves it set as its window
// closes (the saved record's number, or -1 after Cancel on a new record).
class Picker
{
public:
    Picker(data::DataStore &store, QWidget *parent);
    ~Picker();
    Picker(const Picker &) = delete;
    Picker &operator=(const Picker &) = delete;

    void setEditor(PickTable table, std::function<void()> editor);
    // Shows the table's list (the table must be open, the selection value set to the caller's
    // current record or 0). With "New" pressed the editor runs for a new record. True when the
    // selection value is positive at the end; *created tells whether the editor made it now.
    bool pickOrCreate(PickTable table, bool allowNew, bool *created = nullptr);
    // The "Edit" commands: the caller has set the starting selection value; loops on
    // pickOrCreate with "New" allowed, opening the editor on each chosen record that was not
    // just created, until the list or a new record's editor is cancelled.
    void editLoop(PickTable table);
    // The list windows, for tests and screenshots.
    TPagedPick &pagedList(PickTable table);  // customers, products, invoices, estimates, purchases
    TShortPick &shortList(PickTable table);  // groups, label stocks

private:
    static bool isShort(PickTable table);

    data::DataStore &m_store;
    QWidget *m_parent;
    // Parented to m_parent for stacking; deleted here unless the parent went first.
    std::array<QPointer<TPagedPick>, 7> m_paged;
    std::array<QPointer<TShortPick>, 7> m_short;
    std::array<std::function<void()>, 7> m_editors;
};
} // namespace masters

#pragma once

#include "PickTable.h"
#include "core/Locale.h"
#include "data/Catalogue.h"
#include "xbase/EngineApi.h"

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

namespace data {
class DataStore;
}

// The paged pick list: ten records at a time from a table of any size, in the order of one of
// its tags, with a seek box and a status box. One class serves the five tables that are
// listed this way; what differs between them (order, columns, seek rule, status box, deleted
// marker, highlight rule) is chosen by the kind.
//
// Dates and money are shown with the store's locale. The list reads the live table whenever it fills a page. The table (and for the status box
// and the estimates' customer column, GROUPS or CUST6) must be open from show() until the list
// closes; a table that is not open reads as empty, a lookup table that is not open as "not
// found".
namespace masters {

enum class PagedKind { Customers, Products, Invoices, Estimates, Purchases };
PickTable pickTableOf(PagedKind kind);

// One row of the page as the window draws it.
struct PickRow
{
    QStringList cells;  // one per column, empty for a blank row
    long recNo = 0;     // 0 for a blank row
    bool deleted = false;
    int link = 0;  // customers: the group number; invoices: the customer number
};

class PagedList
{
public:
    static constexpr int kRows = 10;
    // Up to this many records the position of a record is counted exactly, as the list always
    // did; above it, only records within kExactZone of either end are counted and the others
    // take the engine's estimate (see positionOf()).
    static constexpr long kLiteralLimit = 20000;
    static constexpr long kExactZone = 1000;

    PagedList(data::DataStore &store, PagedKind kind);

    PagedKind kind() const { return m_kind; }
    data::TableId table() const;
    // Tests force the estimated path on small tables with small limits.
    void setThresholds(long literalLimit, long exactZone);

    // The layout, valid after show() (customers change with the ordering preference).
    QStringList headers() const;
    std::vector<int> widths() const;  // characters per column
    QString seekCaption() const;
    int seekMaxLength() const;            // 0: no limit
    bool seekDigitsOnly() const;          // invoices and estimates
    QString statusCaption() const;        // empty: the list has no status box
    bool keepsRowWithoutHighlight() const;  // products and purchases

    // Prepares the list for showing: selects the order tag (customers by the settings' ByCust),
    // clears the seek text, reads the table's selection value as the record to highlight and
    // opens the page that shows it. With more than kRows records the selection value is then
    // set to -1; otherwise it is left as the caller set it.
    void show();

    long recordCount() const { return m_count; }
    bool isEmpty() const { return m_count == 0; }
    bool scrollBarVisible() const { return m_count > kRows; }
    int scrollBarValue() const;  // 0..100
    long viewOffset() const { return m_offset; }
    long largestOffset() const { return m_largest; }
    // False while the view offset is the engine's estimate (large tables, away from both
    // ends): the rows are right, the offset (and so the scroll bar) may be off by a little.
    bool offsetExact() const { return m_exact; }
    const std::array<PickRow, kRows> &rows() const { return m_rows; }
    int highlightRow() const { return m_highlightRow; }  // 0..9, or -1
    QString statusText() const { return m_status; }

    // Moves; each refills the page. `keepRow` (line moves) highlights that row afterwards
    // instead of applying the usual rule.
    void pageDown() { moveTo(m_offset + kRows); }
    void pageUp() { moveTo(m_offset - kRows); }
    void home() { moveTo(0); }
    void end() { moveTo(m_largest); }
    void lineDown(int keepRow = -1) { moveTo(m_offset + 1, keepRow); }
    void lineUp(int keepRow = -1) { moveTo(m_offset - 1, keepRow); }
    void thumb(int position);  // 0..100
    void moveTo(long offset, int keepRow = -1);

    // Moves the highlight and updates the status box; customers also make the row's record
    // the current CUST6 record (its buffer is not reloaded).
    void setHighlightRow(int row);

    // The seek box's text changed.
    void seek(const QString &text);

    // The record number of the highlighted row; 0 on a blank row or without a highlight.
    long chosenRecord() const;

    // The view offset that shows `recNo` (0: none, the top record is highlighted instead),
    // at most the largest offset, and whether it was counted exactly. Leaves the table
    // positioned for the next fill.
    long positionOf(long recNo, bool *exact);

private:
    DATA4 *data() const;
    void fill(long target, int keepRow);
    void placeFirstRow(long target);
    void resolveNearEnds();
    void readRows();
    void readRow(PickRow &row);
    void updateStatus();
    QString customerCell(int cuno, bool fullName);
    FIELD4 *field(const char *name) const;

    data::DataStore &m_store;
    PagedKind m_kind;
    bool m_byName = true;
    long m_literalLimit = kLiteralLimit;
    long m_exactZone = kExactZone;

    long m_count = 0;
    long m_offset = 0;
    long m_largest = 0;
    bool m_exact = true;
    long m_highlight = 0;  // record to highlight; 0: none
    QString m_lastSought;

    // Where the page stands, for moves relative to it while the offset is an estimate: the
    // first row's record, and the record the table was left on with its index in the order
    // (in the same reckoning as the offset).
    long m_anchor = 0;
    long m_cursorRec = 0;
    long m_cursorIndex = 0;

    std::array<PickRow, kRows> m_rows;
    int m_highlightRow = 0;
    QString m_status;
};

} // namespace masters

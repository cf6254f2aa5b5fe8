#include "PagedList.h"

#include "PickTable.h"
#include "core/Cp1252.h"
#include "core/Keys.h"
#include "core/Numbers.h"
#include "data/DataStore.h"
#include "data/FieldValues.h"

#include <algorithm>
#include <climits>

namespace masters {

using data::TableId;

PickTable pickTableOf(PagedKind kind)
{
    switch (kind) {
    case PagedKind::Customers: return PickTable::Customers;
    case PagedKind::Products: return PickTable::Products;
    case PagedKind::Invoices: return PickTable::Invoices;
    case PagedKind::Estimates: return PickTable::Estimates;
    case PagedKind::Purchases: return PickTable::Purchases;
    }
    return PickTable::Customers;
}

namespace {

FIELD4 *fieldOf(const data::DataStore &store, TableId id, const char *name)
{
    return store.field(id, data::tableDef(id).fieldIndex(name));
}

// The index keys upper-case ASCII letters only (UPPER of the key expressions), so the seek
// text does the same.
QString upperAscii(const QString &text)
{
    QString out = text;
    for (QChar &c : out)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 'a' + 'A');
    return out;
}

const QString kDeletedSpaced = QStringLiteral("< DELETED >");
const QString kDeletedTight = QStringLiteral("<DELETED>");

} // namespace

PagedList::PagedList(data::DataStore &store, PagedKind kind) : m_store(store), m_kind(kind) {}

TableId PagedList::table() const { return tableOf(pickTableOf(m_kind)); }

DATA4 *PagedList::data() const { return m_store.data(table()); }

FIELD4 *PagedList::field(const char *name) const { return fieldOf(m_store, table(), name); }

void PagedList::setThresholds(long literalLimit, long exactZone)
{
    m_literalLimit = literalLimit;
    m_exactZone = std::max<long>(exactZone, kRows);
}

QStringList PagedList::headers() const
{
    switch (m_kind) {
    case PagedKind::Customers:
        if (m_byName) return {"Last", "First", "Note", "RecNo"};
        return {"Company", "Last", "First", "RecNo"};
    case PagedKind::Products: return {"Product ID", "Description", "Price", "RecNo"};
    case PagedKind::Invoices: return {"Invoice", "Date", "Credit Card / Note", "RecNo"};
    case PagedKind::Estimates: return {"Estimate", "Date", "Customer", "RecNo"};
    case PagedKind::Purchases: return {"Product ID", "Date", "Quantity", "Total Cost", "RecNo"};
    }
    return {};
}

std::vector<int> PagedList::widths() const
{
    switch (m_kind) {
    case PagedKind::Customers: return {34, 13, 34, 10};
    case PagedKind::Products: return {10, 27, 8, 10};
    case PagedKind::Invoices:
    case PagedKind::Estimates: return {7, 10, 30, 10};
    case PagedKind::Purchases: return {10, 8, 10, 12, 10};
    }
    return {};
}

QString PagedList::seekCaption() const
{
    switch (m_kind) {
    case PagedKind::Invoices: return QStringLiteral("Seek Invoice No:");
    case PagedKind::Estimates: return QStringLiteral("Seek Estimate No:");
    default: return QStringLiteral("Seek:");
    }
}

bool PagedList::seekDigitsOnly() const
{
    return m_kind == PagedKind::Invoices || m_kind == PagedKind::Estimates;
}

int PagedList::seekMaxLength() const { return seekDigitsOnly() ? 6 : 0; }

QString PagedList::statusCaption() const
{
    switch (m_kind) {
    case PagedKind::Customers: return QStringLiteral("Group:");
    case PagedKind::Invoices: return QStringLiteral("Customer:");
    default: return {};
    }
}

bool PagedList::keepsRowWithoutHighlight() const
{
    return m_kind == PagedKind::Products || m_kind == PagedKind::Purchases;
}

int PagedList::scrollBarValue() const
{
    return m_largest > 0 ? int(m_offset * 100 / m_largest) : 0;
}

// ---------------------------------------------------------------------------------------------
// Showing

void PagedList::show()
{
    DATA4 *d = data();
    if (m_kind == PagedKind::Customers) m_byName = m_store.settings.ByCust;
    if (d) {
        const char *tag = "cname";
        switch (m_kind) {
        case PagedKind::Customers: tag = m_byName ? "cname" : "cComp"; break;
        case PagedKind::Products: tag = "Prod"; break;
        case PagedKind::Invoices: tag = "Inv"; break;
        case PagedKind::Estimates: tag = "Est"; break;
        case PagedKind::Purchases: tag = "Pur"; break;
        }
        d4tagSelectP(d, d4tag(d, tag));
    }
    m_lastSought.clear();
    m_rows = {};
    m_status.clear();
    m_anchor = m_cursorRec = m_cursorIndex = 0;
    m_exact = true;
    m_count = d ? d4recCountDo(d) : 0;
    int &selection = selectionOf(m_store, pickTableOf(m_kind));
    if (m_count > kRows) {
        m_largest = m_count - kRows;
        m_highlight = selection;
        bool exact = true;
        positionOf(selection, &exact);
        selection = -1;
    } else {
        m_largest = 0;
        m_offset = 0;
        m_highlight = 0;
    }
    if (m_count == 0) return;
    fill(m_offset, -1);
}

long PagedList::positionOf(long recNo, bool *exact)
{
    DATA4 *d = data();
    *exact = true;
    m_exact = true;
    m_anchor = m_cursorRec = 0;
    m_offset = 0;
    if (!d || m_count == 0) return 0;
    if (recNo < 1 || recNo > m_count) {
        d4top(d);
        m_highlight = d4recNo(d);
        return 0;
    }
    long index = 0;
    d4go(d, recNo);
    if (m_count <= m_literalLimit) {
        // The estimate, lowered in steps of 15 until a backward skip by it stays inside the
        // table, then the rest counted one record at a time.
        long estimate = long(double(m_count) * d4position2(d));
        while (d4skip(d, -estimate) != 0) {
            d4go(d, recNo);
            estimate = estimate <= 15 ? 0 : estimate - 15;
        }
        long counted = 0;
        while (d4skip(d, -1) == 0) ++counted;
        index = estimate + counted;
    } else {
        // Large tables: a record near either end is counted exactly from that end; elsewhere
        // the estimate stands, and pages move relative to the rows shown (see placeFirstRow()).
        // One skip by the zone tells which case it is without reading a record.
        const double fraction = d4position2(d);
        const long zone = m_exactZone;
        const bool nearTop = d4skip(d, -zone) != 0;
        bool nearEnd = false;
        if (!nearTop) {
            d4skip(d, zone);  // back on the record
            nearEnd = d4skip(d, zone) != 0;
        }
        if (nearTop) {
            long n = 0;
            for (int rc = d4top(d); rc == 0 && d4recNo(d) != recNo; rc = d4skip(d, 1)) ++n;
            index = n;
        } else if (nearEnd) {
            long n = 0;
            for (int rc = d4bottom(d); rc == 0 && d4recNo(d) != recNo; rc = d4skip(d, -1)) ++n;
            index = m_count - 1 - n;
        } else {
            d4skip(d, -zone);  // back on the record
            index = std::clamp(long(double(m_count) * fraction), zone, m_count - 1 - zone);
            *exact = false;
            m_exact = false;
            m_anchor = recNo;
        }
    }
    m_offset = std::min(index, m_largest);
    return m_offset;
}

// ---------------------------------------------------------------------------------------------
// Filling a page

void PagedList::thumb(int position)
{
    moveTo(long(position) * m_largest / 100);
}

void PagedList::moveTo(long offset, int keepRow)
{
    if (m_count == 0) return;
    fill(offset, keepRow);
}

void PagedList::placeFirstRow(long target)
{
    DATA4 *d = data();
    target = std::clamp(target, 0L, m_largest);
    const long zone = m_exactZone;
    auto relativeSkip = [&]() {
        if (m_cursorRec && d4recNo(d) == m_cursorRec) return d4skip(d, target - m_cursorIndex);
        if (m_anchor) {
            d4go(d, m_anchor);
            return d4skip(d, target - m_offset);
        }
        d4top(d);
        return d4skip(d, target);
    };
    if (m_count <= m_literalLimit) {
        d4top(d);
        d4skip(d, target);
        m_offset = target;
        m_exact = true;
        return;
    }
    // A jump into either end's zone (Home, End, the thumb) is counted from that end at once;
    // only moves by a page or less go relative to the rows shown, so that paging toward an end
    // passes over no record.
    // Other jumps skip from whichever is nearest: the top, the bottom (both exact) or the
    // record the table is on.
    const bool jump = std::labs(target - m_offset) > kRows;
    if (!m_exact && jump && (target < zone || target > m_largest - zone)) m_exact = true;
    const long fromTop = target, fromBottom = m_count - 1 - target;
    const bool onCursor = m_cursorRec && d4recNo(d) == m_cursorRec;
    const long fromHere = onCursor ? std::labs(target - m_cursorIndex) : LONG_MAX;
    if (jump && std::min(fromTop, fromBottom) < fromHere) {
        if (fromTop <= fromBottom) {
            d4top(d);
            d4skip(d, target);
        } else {
            d4bottom(d);
            d4skip(d, target - (m_count - 1));
        }
        m_offset = target;
        m_exact = true;
        return;
    }
    if (m_exact) {
        if (target < zone) {
            d4top(d);
            d4skip(d, target);
        } else if (target > m_largest - zone) {
            d4bottom(d);
            d4skip(d, target - (m_count - 1));
        } else {
            relativeSkip();
        }
        m_offset = target;
        return;
    }
    const int rc = relativeSkip();
    if (rc == xbase::r4bof) {
        // The skip ran into the beginning: the first record is the one shown first.
        m_offset = 0;
        m_exact = true;
    } else if (rc == xbase::r4eof) {
        d4bottom(d);
        d4skip(d, -(kRows - 1));
        m_offset = m_largest;
        m_exact = true;
    } else {
        m_offset = target;
        if (target < zone || target > m_largest - zone) resolveNearEnds();
    }
}

// The first row's record has come within the zone of an end while the offset was an
// estimate: count it from that end so the offset is exact again before the end is reached.
void PagedList::resolveNearEnds()
{
    DATA4 *d = data();
    const long first = d4recNo(d);
    const long cap = 2 * m_exactZone + kRows;
    if (m_offset < m_exactZone) {
        if (d4skip(d, -cap) == 0) {
            d4skip(d, cap);
            return;
        }
        long n = 0;
        for (int rc = 0; rc == 0 && d4recNo(d) != first; rc = d4skip(d, 1)) ++n;
        m_offset = n;
        m_exact = true;
        return;
    }
    if (d4skip(d, cap) == 0) {
        d4skip(d, -cap);
        return;
    }
    long n = 0;
    for (int rc = d4bottom(d); rc == 0 && d4recNo(d) != first; rc = d4skip(d, -1)) ++n;
    const long index = m_count - 1 - n;
    m_exact = true;
    if (index > m_largest) {
        d4bottom(d);
        d4skip(d, -(kRows - 1));
        m_offset = m_largest;
    } else {
        m_offset = index;
    }
}

void PagedList::readRows()
{
    DATA4 *d = data();
    int n = 0;
    long r = d4recNo(d);
    while (n < kRows && r >= 1 && r <= m_count) {
        readRow(m_rows[size_t(n++)]);
        if (d4skip(d, 1) != 0) break;
        r = d4recNo(d);
    }
    for (int i = n; i < kRows; ++i) m_rows[size_t(i)] = PickRow{};
    m_anchor = n ? m_rows[0].recNo : 0;
    m_cursorRec = d4recNo(d);
    m_cursorIndex = m_offset + n;
}

void PagedList::fill(long target, int keepRow)
{
    DATA4 *d = data();
    if (!d) return;
    placeFirstRow(target);
    readRows();
    const bool short_ = m_count > kRows && !m_rows[kRows - 1].recNo;
    if (short_ || (!m_exact && m_cursorRec > m_count)) {
        // An estimated offset met the end of the table: the page is the last one.
        m_exact = true;
        m_offset = m_largest;
        if (short_) {
            d4bottom(d);
            d4skip(d, -(kRows - 1));
            readRows();
        } else {
            m_cursorIndex = m_count;
        }
    }
    int row = -1;
    for (int i = 0; i < kRows && m_highlight > 0; ++i)
        if (m_rows[size_t(i)].recNo == m_highlight) row = i;
    m_highlight = 0;
    if (keepRow >= 0) row = keepRow;
    else if (row < 0) row = keepsRowWithoutHighlight() ? m_highlightRow : 0;
    setHighlightRow(row);
}

void PagedList::readRow(PickRow &row)
{
    DATA4 *d = data();
    row.recNo = d4recNo(d);
    row.deleted = d4deleted(d) != 0;
    row.link = 0;
    const QString recNo = QString::number(row.recNo);
    auto text = [this](const char *name) { return data::getText(field(name)); };
    auto number = [this](const char *name) { return data::getDouble(field(name)); };
    auto date = [&](const char *name) {
        return m_store.locale.formatDate(data::getDate(field(name)));
    };
    auto money = [&](const char *name, int width) {
        return core::FixedText(number(name), width, 2, m_store.locale);
    };
    switch (m_kind) {
    case PagedKind::Customers:
        row.link = data::getInt(field("ngroup"));
        if (m_byName)
            row.cells = {text("last"), text("first"),
                         row.deleted ? kDeletedSpaced : text("note"), recNo};
        else
            row.cells = {text("addr1"), text("last"),
                         row.deleted ? kDeletedSpaced : text("first"), recNo};
        break;
    case PagedKind::Products:
        row.cells = {text("PrID"), text("PDesc"), row.deleted ? kDeletedTight : money("UPrice", 8),
                     recNo};
        break;
    case PagedKind::Invoices:
        row.link = data::getInt(field("CuNo"));
        row.cells = {core::numberKey(data::getInt(field("IvNo")), 6), date("IDate"),
                     row.deleted ? kDeletedSpaced : text("IMemo"), recNo};
        break;
    case PagedKind::Estimates:
        row.cells = {core::numberKey(data::getInt(field("EstNo")), 6), date("EstDate"),
                     row.deleted ? kDeletedSpaced
                                 : customerCell(data::getInt(field("CuNo")), false),
                     recNo};
        break;
    case PagedKind::Purchases:
        row.cells = {text("PURProd"), date("PURDate"), money("PURQty", 10),
                     row.deleted ? kDeletedTight : money("PURCost", 12), recNo};
        break;
    }
}

// The customer with number `cuno`, found in CUST6 by tag CCNO: the last name as loaded, or
// the first and last names trimmed with a blank between. Empty when CUST6 is not open or has
// no such customer. CUST6 keeps the tag it had selected.
QString PagedList::customerCell(int cuno, bool fullName)
{
    DATA4 *c = m_store.data(TableId::CUST6);
    if (!c) return {};
    TAG4 *previous = d4tagSelected(c);
    d4tagSelectP(c, d4tag(c, "CCNO"));
    const QByteArray key = core::numberKey(cuno, 6).toLatin1();
    QString out;
    if (key.size() == 6 && d4seek(c, key.constData()) == 0) {
        const QString last = data::getText(fieldOf(m_store, TableId::CUST6, "last"));
        if (fullName)
            out = data::getText(fieldOf(m_store, TableId::CUST6, "first")).trimmed() +
                  QLatin1Char(' ') + last.trimmed();
        else
            out = last;
    }
    d4tagSelectP(c, previous);
    return out;
}

// ---------------------------------------------------------------------------------------------
// Highlight, status box, seek, choosing

void PagedList::setHighlightRow(int row)
{
    m_highlightRow = std::clamp(row, -1, kRows - 1);
    const PickRow *r = m_highlightRow >= 0 ? &m_rows[size_t(m_highlightRow)] : nullptr;
    if (m_kind == PagedKind::Customers && r && r->recNo) {
        // The chosen customer is the table's current record when the list closes; callers
        // that walk on from it rely on that.
        d4go(data(), r->recNo);
        m_cursorRec = r->recNo;
        m_cursorIndex = m_offset + m_highlightRow;
    }
    updateStatus();
}

void PagedList::updateStatus()
{
    m_status.clear();
    const PickRow *r = m_highlightRow >= 0 ? &m_rows[size_t(m_highlightRow)] : nullptr;
    if (!r || !r->recNo) return;
    if (m_kind == PagedKind::Customers) {
        if (m_store.data(TableId::GROUPS) && m_store.SeekGroup(r->link))
            m_status = data::getText(fieldOf(m_store, TableId::GROUPS, "cGroup")).trimmed();
    } else if (m_kind == PagedKind::Invoices) {
        m_status = customerCell(r->link, true);
    }
}

void PagedList::seek(const QString &text)
{
    DATA4 *d = data();
    if (!d || m_count == 0) return;
    QByteArray key;
    if (seekDigitsOnly()) {
        const QString t = text.trimmed();
        if (t.isEmpty()) return;
        key = t.rightJustified(6, QLatin1Char(' ')).toLatin1();
    } else {
        const QString t = upperAscii(text.trimmed());
        if (t == m_lastSought) return;
        m_lastSought = t;
        key = core::toCp1252(core::SeekKey(t));
    }
    const int rc = d4seekN(d, key.constData(), int(key.size()));
    if (rc != xbase::r4found && rc != xbase::r4after) return;
    const long recNo = d4recNo(d);
    bool exact = true;
    positionOf(recNo, &exact);
    m_highlight = recNo;
    fill(m_offset, -1);
}

long PagedList::chosenRecord() const
{
    if (m_highlightRow < 0 || m_count == 0) return 0;
    return m_rows[size_t(m_highlightRow)].recNo;
}

} // namespace masters

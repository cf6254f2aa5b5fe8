#include "ShortList.h"

#include "PickTable.h"
#include "core/Cp1252.h"
#include "core/Prompts.h"
#include "data/DataStore.h"
#include "data/FieldValues.h"

#include <algorithm>
#include <cstring>

namespace masters {

using data::TableId;

namespace {

QByteArray upperAscii(QByteArray bytes)
{
    for (char &c : bytes)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return bytes;
}

// Character-code order of Windows-1252 bytes, as unsigned values.
bool lessThan(const QByteArray &a, const QByteArray &b)
{
    const int n = int(std::min(a.size(), b.size()));
    const int c = std::memcmp(a.constData(), b.constData(), size_t(n));
    return c < 0 || (c == 0 && a.size() < b.size());
}

} // namespace

ShortList::ShortList(data::DataStore &store, ShortKind kind) : m_store(store), m_kind(kind) {}

PickTable ShortList::pickTable() const
{
    return m_kind == ShortKind::Groups ? PickTable::Groups : PickTable::Labels;
}

DATA4 *ShortList::data() const { return m_store.data(tableOf(pickTable())); }

int &ShortList::selection() const { return selectionOf(m_store, pickTable()); }

void ShortList::show()
{
    m_lines.clear();
    m_upperNames.clear();
    m_highlight = -1;
    DATA4 *d = data();
    if (!d) return;
    const TableId id = tableOf(pickTable());
    FIELD4 *name = m_store.field(id, data::tableDef(id).fieldIndex(
                                         m_kind == ShortKind::Groups ? "cGroup" : "Name"));
    if (m_kind == ShortKind::Groups) {
        m_previousTag = d4tagSelected(d);
        m_tagSwitched = true;
        d4tagSelectP(d, d4tag(d, "cGroup"));
    }
    const int wanted = selection();
    for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1)) {
        const QString text = data::getText(name);
        if (d4recNo(d) == wanted) m_highlight = int(m_lines.size());
        m_lines.append(d4deleted(d) ? text + QStringLiteral("<DELETED>") : text);
        if (m_kind == ShortKind::Groups) m_upperNames.push_back(upperAscii(core::toCp1252(text)));
    }
    if (m_highlight < 0 && !m_lines.isEmpty()) m_highlight = 0;
    if (m_kind == ShortKind::Labels) selection() = -1;
}

void ShortList::close()
{
    if (m_tagSwitched && data()) d4tagSelectP(data(), m_previousTag);
    m_tagSwitched = false;
    m_previousTag = nullptr;
    m_upperNames.clear();
}

void ShortList::setHighlightLine(int line)
{
    m_highlight = line >= 0 && line < m_lines.size() ? line : -1;
}

void ShortList::seek(const QString &text)
{
    if (!hasSeek() || m_lines.size() < 2) return;
    const QByteArray wanted = upperAscii(core::toCp1252(text.trimmed()));
    m_highlight = -1;
    for (size_t i = 0; i < m_upperNames.size(); ++i) {
        if (!lessThan(m_upperNames[i].left(wanted.size()), wanted)) {
            m_highlight = int(i);
            return;
        }
    }
}

bool ShortList::choose()
{
    DATA4 *d = data();
    if (m_highlight < 0 || !d) {
        m_store.prompts().information(QStringLiteral("Item Not Selected"));
        return false;
    }
    d4top(d);
    d4skip(d, m_highlight);
    selection() = int(d4recNo(d));
    return true;
}

} // namespace masters

// The current record of a table: loading it lazily, changing its fields, and writing it back
// with its memos and index entries.

#include "Engine.h"
#include "NumericText.h"
#include "Table.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

namespace xbase {

bool Table::readCurrentRecord()
{
    if (m_recno >= 1 && m_recno <= recCount()) {
        std::string err;
        ++m_recordReads;
        if (!m_dbf.read(uint32_t(m_recno), m_record.data(), &err)) {
            error(e4read, err);
            return false;
        }
    } else {
        std::fill(m_record.begin(), m_record.end(), ' ');
    }
    m_original = m_record;
    m_loaded = true;
    return true;
}

int Table::writeRecord()
{
    std::string err;
    const auto &fields = m_dbf.fields();
    // Memos first, so the record never points at a memo that is not written.
    for (size_t i = 0; i < fields.size(); ++i) {
        if (!m_memoPending[i]) continue;
        unsigned char *at = m_record.data() + fields[i].offset;
        const uint32_t old = uint32_t(parseNumeric(reinterpret_cast<char *>(at), 10));
        uint32_t block = 0;
        if (!m_memo || !m_memo->write(old, *m_memoPending[i], &block, &err))
            return error(e4memo, m_memo ? err : "table " + m_name + " has no memo file");
        if (block == 0) std::memset(at, ' ', 10);
        else formatNumeric(double(block), 10, 0, reinterpret_cast<char *>(at));
        m_memoCache[i] = std::move(m_memoPending[i]);
        m_memoCached = true;
        m_memoPending[i].reset();
    }
    if (!m_dbf.write(uint32_t(m_recno), m_record.data(), &err)) return error(e4write, err);
    std::string oldKey, newKey;
    for (auto &t : m_tags) {
        newKey = t->m_expr.evaluate(m_record.data());
        if (!m_appendPending) {
            oldKey = t->m_expr.evaluate(m_original.data());
            if (oldKey == newKey) continue;
            if (!t->m_file->remove(oldKey.data(), uint32_t(m_recno), &err))
                return error(e4index, err);
        }
        if (!t->m_file->insert(newKey.data(), uint32_t(m_recno), &err))
            return error(e4index, err);
    }
    m_original = m_record;
    m_changed = false;
    m_appendPending = false;
    return 0;
}

int Table::flush() { return writeOut(m_engine.syncOnFlush && !m_readOnly); }

int Table::writeOut(bool sync)
{
    int rc = flushRecord();
    if (rc < 0) return rc;
    std::string err;
    // Records and the count first, then the indexes: a crash in between leaves every
    // flushed record in the table, where an index rebuild finds it.
    if (!m_dbf.flush(&err)) return error(e4write, err);
    if (sync) {
        if (m_memo && !m_memo->sync()) return error(e4write, "cannot sync " + m_memo->path());
        if (!m_dbf.sync()) return error(e4write, "cannot sync " + m_dbf.path());
    }
    for (auto &t : m_tags) {
        if (!t->m_file->flush(&err)) return error(e4write, err);
        if (sync && !t->m_file->sync())
            return error(e4write, "cannot sync " + t->m_file->path());
    }
    return 0;
}

int Table::appendBlank()
{
    int rc = flushRecord();
    if (rc < 0) return rc;
    if (!writable()) return m_engine.errorCode();
    std::fill(m_record.begin(), m_record.end(), ' ');
    std::string err;
    if (!m_dbf.append(m_record.data(), &err)) {
        m_loaded = false;  // the record in memory is no longer the current one
        return error(e4write, err);
    }
    m_recno = recCount();
    m_original = m_record;
    m_loaded = true;
    for (auto &m : m_memoCache) m.reset();
    // The new record's keys go into the tags at the next flush or move, which every read of
    // an order does first, so the record is indexed before anybody can look for it.
    m_appendPending = true;
    return 0;
}

void Table::setDeleted(bool deleted)
{
    if (m_recno < 1 || eof()) {
        error(e4record, "table " + m_name + " is not on a record");
        return;
    }
    if (!loadRecord() || !writable()) return;
    m_record[0] = deleted ? DbfFile::kDeleted : DbfFile::kLive;
    m_changed = true;
}

bool Table::deleted()
{
    if (!loadRecord()) return false;
    return m_record[0] == DbfFile::kDeleted;
}

// ---------------------------------------------------------------------------------------------
// Fields

Field *Table::field(const std::string &name)
{
    const int i = m_dbf.fieldIndex(name);
    if (i < 0) {
        error(e4fieldName, "table " + m_name + " has no field " + name);
        return nullptr;
    }
    for (auto &f : m_fields)
        if (f->m_index == i) return f.get();
    auto f = std::make_unique<Field>();
    f->m_table = this;
    f->m_index = i;
    m_fields.push_back(std::move(f));
    return m_fields.back().get();
}

const char *Table::fieldText(Field &f)
{
    const FieldInfo &info = f.info();
    if (!loadRecord()) {
        f.m_scratch.assign(size_t(info.length), ' ');
        return f.m_scratch.c_str();
    }
    f.m_scratch.assign(reinterpret_cast<const char *>(m_record.data() + info.offset),
                       size_t(info.length));
    return f.m_scratch.c_str();
}

double Table::fieldNumber(Field &f)
{
    const FieldInfo &info = f.info();
    if (!loadRecord()) return 0;
    return parseNumeric(reinterpret_cast<const char *>(m_record.data() + info.offset),
                        info.length);
}

bool Table::fieldTrue(Field &f)
{
    if (!loadRecord()) return false;
    const char c = char(m_record[size_t(f.info().offset)]);
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

const char *Table::memoText(Field &f)
{
    const FieldInfo &info = f.info();
    const size_t i = size_t(f.m_index);
    f.m_scratch.clear();
    if (info.type != 'M') {
        error(e4param, "field " + info.name + " is not a memo field");
        return f.m_scratch.c_str();
    }
    if (m_memoPending[i]) {
        f.m_scratch = *m_memoPending[i];
        return f.m_scratch.c_str();
    }
    if (!loadRecord()) return f.m_scratch.c_str();
    if (!m_memoCache[i]) {
        const char *at = reinterpret_cast<const char *>(m_original.data() + info.offset);
        const double block = parseNumeric(at, 10);
        std::string text, err;
        if (block < 0 || block > 4294967295.0) {
            error(e4memo, "record " + std::to_string(m_recno) + " of " + m_name +
                              " has a bad memo block number");
        } else if (!m_memo) {
            error(e4memo, "table " + m_name + " has no memo file");
        } else if (!m_memo->read(uint32_t(block), &text, &err)) {
            error(e4memo, err);
            text.clear();
        }
        m_memoCache[i] = std::move(text);
        m_memoCached = true;
    }
    f.m_scratch = *m_memoCache[i];
    return f.m_scratch.c_str();
}

int Table::assignText(Field &f, const char *text, size_t length)
{
    const FieldInfo &info = f.info();
    if (info.type == 'M') return assignMemo(f, text, length);
    if (m_recno < 1 || eof())
        return error(e4record, "table " + m_name + " is not on a record");
    if (!loadRecord() || !writable()) return m_engine.errorCode();
    unsigned char *at = m_record.data() + info.offset;
    if (info.type == 'N') {
        // Text for a number is read and written back in the field's own format.
        m_changed = true;
        if (!formatNumeric(parseNumeric(text, int(length)), info.length, info.decimals,
                           reinterpret_cast<char *>(at)))
            return error(e4value, "\"" + std::string(text, length) + "\" does not fit field " +
                                      info.name);
        return 0;
    }
    const size_t n = std::min(length, size_t(info.length));
    std::memcpy(at, text, n);
    std::memset(at + n, ' ', size_t(info.length) - n);
    m_changed = true;
    return 0;
}

int Table::assignNumber(Field &f, double value)
{
    const FieldInfo &info = f.info();
    if (info.type != 'N') {
        // Numbers given to other fields go in as their text.
        std::string text = fixedHalfAway(value, value == double((long long)value) ? 0 : 6);
        return assignText(f, text.data(), text.size());
    }
    if (m_recno < 1 || eof())
        return error(e4record, "table " + m_name + " is not on a record");
    if (!loadRecord() || !writable()) return m_engine.errorCode();
    m_changed = true;
    if (!formatNumeric(value, info.length, info.decimals,
                       reinterpret_cast<char *>(m_record.data() + info.offset)))
        return error(e4value, "value " + fixedHalfAway(value, info.decimals) +
                                  " does not fit field " + info.name + " (" +
                                  std::to_string(info.length) + "," +
                                  std::to_string(info.decimals) + ")");
    return 0;
}

int Table::assignMemo(Field &f, const char *text, size_t length)
{
    const FieldInfo &info = f.info();
    if (info.type != 'M') return assignText(f, text, length);
    if (m_recno < 1 || eof())
        return error(e4record, "table " + m_name + " is not on a record");
    if (!loadRecord() || !writable()) return m_engine.errorCode();
    if (std::memchr(text, 0x1A, length))
        return error(e4memo, "a memo cannot hold the character 0x1A; field " + info.name +
                                 " is unchanged");
    m_memoPending[size_t(f.m_index)] = std::string(text, length);
    m_changed = true;
    return 0;
}

} // namespace xbase

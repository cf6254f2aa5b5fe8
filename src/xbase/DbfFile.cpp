#include "DbfFile.h"

#include "Bytes.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <strings.h>

namespace xbase {

namespace {
constexpr size_t kAppendBufferBytes = 1u << 20;
constexpr size_t kWindowBytes = 64u << 10;
constexpr unsigned char kEndOfFile = 0x1A;
constexpr unsigned char kEndOfFields = 0x0D;

std::string upper(std::string s)
{
    for (char &c : s) c = char(std::toupper((unsigned char)c));
    return s;
}
} // namespace

DbfFile::~DbfFile()
{
    std::string ignored;
    if (isOpen()) close(&ignored);
}

bool DbfFile::checkFields(std::vector<FieldInfo> &fields, std::string *error)
{
    if (fields.empty()) {
        *error = "a table needs at least one field";
        return false;
    }
    int offset = 1;
    for (size_t i = 0; i < fields.size(); ++i) {
        FieldInfo &f = fields[i];
        f.name = upper(f.name);
        f.type = char(std::toupper((unsigned char)f.type));
        if (f.type == 'F') f.type = 'N';
        const std::string where = "field " + std::to_string(i + 1) + " (" + f.name + ")";
        if (f.name.empty() || f.name.size() > 10 || !std::isalpha((unsigned char)f.name[0]) ||
            !std::all_of(f.name.begin(), f.name.end(),
                         [](char c) { return std::isalnum((unsigned char)c) || c == '_'; })) {
            *error = where + ": a name is 1 to 10 letters, digits or _, starting with a letter";
            return false;
        }
        for (size_t j = 0; j < i; ++j)
            if (fields[j].name == f.name) {
                *error = where + ": the name is used twice";
                return false;
            }
        switch (f.type) {
        case 'C':
            if (f.length < 1 || f.length > 255) {
                *error = where + ": a character field is 1 to 255 long";
                return false;
            }
            f.decimals = 0;
            break;
        case 'N':
            if (f.length < 1 || f.length > 20 || f.decimals < 0 ||
                (f.decimals > 0 && f.decimals > f.length - 2)) {
                *error = where + ": a numeric field is 1 to 20 long with room for its decimals";
                return false;
            }
            break;
        case 'D': f.length = 8; f.decimals = 0; break;
        case 'L': f.length = 1; f.decimals = 0; break;
        case 'M': f.length = 10; f.decimals = 0; break;
        default:
            *error = where + ": unknown field type '" + std::string(1, f.type) + "'";
            return false;
        }
        f.offset = offset;
        offset += f.length;
    }
    if (offset > 65535) {
        *error = "the record is longer than 65535 bytes";
        return false;
    }
    return true;
}

std::vector<unsigned char> DbfFile::headerBytes(uint32_t count) const
{
    std::vector<unsigned char> h(size_t(32 + 32 * m_fields.size() + 1), 0);
    h[0] = m_version;
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    h[1] = uint8_t(tm.tm_year);  // years since 1900, as dBASE writes it
    h[2] = uint8_t(tm.tm_mon + 1);
    h[3] = uint8_t(tm.tm_mday);
    putU32(&h[4], count);
    putU16(&h[8], uint16_t(h.size()));
    putU16(&h[10], uint16_t(m_recordLength));
    h[29] = kCodePage1252;
    for (size_t i = 0; i < m_fields.size(); ++i) {
        unsigned char *d = &h[32 + 32 * i];
        std::memcpy(d, m_fields[i].name.data(), std::min<size_t>(10, m_fields[i].name.size()));
        d[11] = uint8_t(m_fields[i].type);
        d[16] = uint8_t(m_fields[i].length);
        d[17] = uint8_t(m_fields[i].decimals);
    }
    h.back() = kEndOfFields;
    return h;
}

bool DbfFile::create(const std::string &path, const std::vector<FieldInfo> &fieldsIn,
                     std::string *error)
{
    std::vector<FieldInfo> fields = fieldsIn;
    if (!checkFields(fields, error)) return false;
    DbfFile proto;
    proto.m_fields = fields;
    proto.m_recordLength = 1;
    for (const auto &f : fields) proto.m_recordLength += f.length;
    proto.m_version = proto.hasMemoFields() ? kVersionMemo : kVersionPlain;
    std::vector<unsigned char> bytes = proto.headerBytes(0);
    bytes.push_back(kEndOfFile);
    File f;
    if (!f.open(path, File::Mode::Create) || !f.writeAt(0, bytes.data(), bytes.size()) ||
        !f.sync()) {
        *error = "cannot create table " + path + ": " + fs::lastErrorText();
        return false;
    }
    return true;
}

bool DbfFile::open(const std::string &path, bool readOnly, std::string *error)
{
    m_readOnly = readOnly;
    if (!m_file.open(path, readOnly ? File::Mode::ReadOnly : File::Mode::ReadWrite)) {
        *error = "cannot open table " + path + ": " + fs::lastErrorText();
        return false;
    }
    auto fail = [&](const std::string &why) {
        *error = "table " + path + ": " + why;
        m_file.close();
        return false;
    };
    const long long fileSize = m_file.size();
    unsigned char h[32];
    if (fileSize < 32 || !m_file.readAt(0, h, 32)) return fail("too short for a header");
    m_version = h[0];
    if (m_version == 0x30 || m_version == 0x31 || m_version == 0xF5)
        return fail("this kind of table (version byte " + std::to_string(m_version) +
                    ") is not supported");
    if (m_version != kVersionPlain && m_version != kVersionMemo)
        return fail("not a dBASE III table (version byte " + std::to_string(m_version) + ")");
    m_count = getU32(h + 4);
    m_headerLength = getU16(h + 8);
    m_recordLength = getU16(h + 10);
    if (m_headerLength < 33 || m_headerLength > fileSize)
        return fail("header length " + std::to_string(m_headerLength) + " is impossible");
    if (m_recordLength < 2) return fail("record length " + std::to_string(m_recordLength) +
                                        " is impossible");
    std::vector<unsigned char> desc(size_t(m_headerLength - 32));
    if (!m_file.readAt(32, desc.data(), desc.size())) return fail("cannot read the fields");
    m_fields.clear();
    size_t pos = 0;
    int offset = 1;
    while (pos < desc.size() && desc[pos] != kEndOfFields) {
        if (pos + 32 > desc.size()) return fail("the field descriptors run past the header");
        const unsigned char *d = &desc[pos];
        FieldInfo f;
        size_t nameLen = 0;
        while (nameLen < 11 && d[nameLen] != 0) ++nameLen;
        f.name = upper(std::string(reinterpret_cast<const char *>(d), nameLen));
        f.type = char(d[11]);
        if (f.type == 'F') f.type = 'N';
        f.length = d[16];
        f.decimals = d[17];
        const std::string where = "field " + std::to_string(m_fields.size() + 1) + " (" +
                                  f.name + ")";
        if (f.name.empty()) return fail(where + " has no name");
        if (f.type == 'C' && f.decimals != 0)
            f.length += f.decimals * 256;  // some engines keep long character lengths so
        switch (f.type) {
        case 'C': if (f.length < 1) return fail(where + " has length 0"); break;
        case 'N':
            if (f.length < 1 || f.length > 32 || f.decimals >= f.length)
                return fail(where + " has an impossible length or decimals");
            break;
        case 'D': if (f.length != 8) return fail(where + ": a date field is 8 long"); break;
        case 'L': if (f.length != 1) return fail(where + ": a logical field is 1 long"); break;
        case 'M': if (f.length != 10) return fail(where + ": a memo field is 10 long"); break;
        default: return fail(where + " has unknown type " + std::to_string(int(d[11])));
        }
        if (f.type == 'C') f.decimals = 0;
        f.offset = offset;
        offset += f.length;
        m_fields.push_back(f);
        pos += 32;
    }
    if (m_fields.empty()) return fail("no fields");
    if (offset != m_recordLength)
        return fail("record length " + std::to_string(m_recordLength) +
                    " does not match the fields (" + std::to_string(offset) + ")");
    const uint64_t needed = uint64_t(m_headerLength) + uint64_t(m_count) * m_recordLength;
    if (needed > uint64_t(fileSize))
        return fail("the file holds fewer records than its header says (" +
                    std::to_string(m_count) + ")");
    m_countOnDisk = m_count;
    m_appendFirst = m_count + 1;
    m_winCount = 0;
    m_winDirtyFirst = m_winDirtyLast = 0;
    m_lastRead = 0;
    m_dirty = false;
    return true;
}

bool DbfFile::close(std::string *error)
{
    bool ok = true;
    if (m_file.isOpen() && !m_readOnly) {
        if (m_dirty || m_appendBuf.size()) ok = flush(error);
    }
    m_file.close();
    m_appendBuf.clear();
    m_window.clear();
    m_winCount = 0;
    m_winDirtyFirst = m_winDirtyLast = 0;
    return ok;
}

int DbfFile::fieldIndex(const std::string &name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i)
        if (strcasecmp(m_fields[i].name.c_str(), name.c_str()) == 0) return int(i);
    return -1;
}

bool DbfFile::hasMemoFields() const
{
    return std::any_of(m_fields.begin(), m_fields.end(),
                       [](const FieldInfo &f) { return f.type == 'M'; });
}

bool DbfFile::flushWindow(std::string *error)
{
    if (m_winDirtyFirst == 0) return true;
    const size_t rl = size_t(m_recordLength);
    const uint32_t first = m_winDirtyFirst, last = m_winDirtyLast;
    if (!m_file.writeAt(uint64_t(m_headerLength) + uint64_t(first - 1) * rl,
                        &m_window[(first - m_winFirst) * rl], (last - first + 1) * rl)) {
        *error = "cannot write records " + std::to_string(first) + " to " +
                 std::to_string(last) + " of " + m_file.path() + ": " + fs::lastErrorText();
        return false;
    }
    m_winDirtyFirst = m_winDirtyLast = 0;
    return true;
}

bool DbfFile::readWindow(uint32_t recno, std::string *error)
{
    if (!flushWindow(error)) return false;
    const size_t rl = size_t(m_recordLength);
    // Readers that go forward or backward, one record at a time or skipping a few, get a
    // large window; random access reads one record.
    const uint32_t perWindow = uint32_t(std::max<size_t>(1, kWindowBytes / rl));
    const uint32_t nearby = std::max<uint32_t>(1, perWindow / 8);
    const bool forward = m_lastRead && recno > m_lastRead && recno - m_lastRead <= nearby;
    const bool backward = m_lastRead && recno < m_lastRead && m_lastRead - recno <= nearby;
    const uint32_t want = forward || backward ? perWindow : 1;
    uint32_t first = recno;
    if (backward) first = recno >= want ? recno - want + 1 : 1;
    uint32_t lastOnDisk = std::min(m_count, m_appendFirst - 1);
    uint32_t n = std::min(want, lastOnDisk - first + 1);
    m_window.resize(n * rl);
    if (!m_file.readAt(uint64_t(m_headerLength) + uint64_t(first - 1) * rl, m_window.data(),
                       n * rl)) {
        m_winCount = 0;
        *error = "cannot read record " + std::to_string(recno) + " of " + m_file.path() + ": " +
                 fs::lastErrorText();
        return false;
    }
    m_winFirst = first;
    m_winCount = n;
    return true;
}

bool DbfFile::read(uint32_t recno, unsigned char *record, std::string *error)
{
    const size_t rl = size_t(m_recordLength);
    if (recno < 1 || recno > m_count) {
        *error = "record " + std::to_string(recno) + " does not exist in " + m_file.path();
        return false;
    }
    if (recno >= m_appendFirst) {
        std::memcpy(record, &m_appendBuf[(recno - m_appendFirst) * rl], rl);
    } else {
        if (!(m_winCount && recno >= m_winFirst && recno < m_winFirst + m_winCount) &&
            !readWindow(recno, error))
            return false;
        std::memcpy(record, &m_window[(recno - m_winFirst) * rl], rl);
    }
    m_lastRead = recno;
    return true;
}

bool DbfFile::write(uint32_t recno, const unsigned char *record, std::string *error)
{
    const size_t rl = size_t(m_recordLength);
    if (recno < 1 || recno > m_count) {
        *error = "record " + std::to_string(recno) + " does not exist in " + m_file.path();
        return false;
    }
    if (recno >= m_appendFirst) {
        std::memcpy(&m_appendBuf[(recno - m_appendFirst) * rl], record, rl);
        return true;
    }
    m_dirty = true;
    if (m_winCount && recno >= m_winFirst && recno < m_winFirst + m_winCount) {
        // Rewriting what was just read is the common case (a change to the current record):
        // keep it in the window and write the changed stretch once.
        std::memcpy(&m_window[(recno - m_winFirst) * rl], record, rl);
        if (m_winDirtyFirst == 0 || recno < m_winDirtyFirst) m_winDirtyFirst = recno;
        if (recno > m_winDirtyLast) m_winDirtyLast = recno;
        return true;
    }
    if (!m_file.writeAt(uint64_t(m_headerLength) + uint64_t(recno - 1) * rl, record, rl)) {
        *error = "cannot write record " + std::to_string(recno) + " of " + m_file.path() +
                 ": " + fs::lastErrorText();
        return false;
    }
    return true;
}

bool DbfFile::append(const unsigned char *record, std::string *error)
{
    const size_t rl = size_t(m_recordLength);
    if (m_count == 0xFFFFFFFEu) {
        *error = "table " + m_file.path() + " is full";
        return false;
    }
    if (m_appendBuf.size() + rl > kAppendBufferBytes && !flushAppends(error)) return false;
    m_appendBuf.insert(m_appendBuf.end(), record, record + rl);
    ++m_count;
    m_dirty = true;
    return true;
}

bool DbfFile::flushAppends(std::string *error)
{
    if (m_appendBuf.empty()) return true;
    const uint64_t at = uint64_t(m_headerLength) + uint64_t(m_appendFirst - 1) * m_recordLength;
    // The records and the end-of-file mark go out in one write.
    m_appendBuf.push_back(kEndOfFile);
    bool ok = m_file.writeAt(at, m_appendBuf.data(), m_appendBuf.size());
    m_appendBuf.pop_back();
    if (!ok) {
        *error = "cannot write to table " + m_file.path() + ": " + fs::lastErrorText();
        return false;
    }
    // A full buffer means a bulk append: let the disk take it while more records come.
    if (m_appendBuf.size() + size_t(m_recordLength) > kAppendBufferBytes)
        m_file.startWriteback(at, m_appendBuf.size());
    m_appendBuf.clear();
    m_appendFirst = m_count + 1;
    return true;
}

bool DbfFile::settle(std::string *error) { return flushWindow(error) && flushAppends(error); }

bool DbfFile::readRecords(uint32_t first, uint32_t n, unsigned char *buf, std::string *error) const
{
    const size_t rl = size_t(m_recordLength);
    if (m_file.readAt(uint64_t(m_headerLength) + uint64_t(first - 1) * rl, buf, n * rl))
        return true;
    *error = "cannot read table " + m_file.path() + ": " + fs::lastErrorText();
    return false;
}

bool DbfFile::writeHeaderCount(std::string *error)
{
    unsigned char h[8];
    if (!m_file.readAt(0, h, 4)) {
        *error = "cannot read table " + m_file.path() + ": " + fs::lastErrorText();
        return false;
    }
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    h[1] = uint8_t(tm.tm_year);
    h[2] = uint8_t(tm.tm_mon + 1);
    h[3] = uint8_t(tm.tm_mday);
    putU32(h + 4, m_count);
    if (!m_file.writeAt(0, h, 8)) {
        *error = "cannot write to table " + m_file.path() + ": " + fs::lastErrorText();
        return false;
    }
    m_countOnDisk = m_count;
    return true;
}

bool DbfFile::flush(std::string *error)
{
    if (m_readOnly) return true;
    if (!flushWindow(error) || !flushAppends(error)) return false;
    if (m_countOnDisk != m_count || m_dirty) {
        if (!writeHeaderCount(error)) return false;
    }
    m_dirty = false;
    return true;
}

bool DbfFile::sync() { return m_file.sync(); }

bool DbfFile::zap(std::string *error)
{
    m_appendBuf.clear();
    m_winCount = 0;
    m_winDirtyFirst = m_winDirtyLast = 0;
    m_count = 0;
    m_appendFirst = 1;
    unsigned char eof = kEndOfFile;
    // The count goes to zero first, so a crash in between leaves an empty, valid table.
    if (!writeHeaderCount(error)) return false;
    if (!m_file.truncate(uint64_t(m_headerLength)) ||
        !m_file.writeAt(uint64_t(m_headerLength), &eof, 1)) {
        *error = "cannot shorten table " + m_file.path() + ": " + fs::lastErrorText();
        return false;
    }
    return true;
}

} // namespace xbase

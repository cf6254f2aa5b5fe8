#pragma once

// dBASE III table file (.dbf): a 32-byte header, 32-byte field descriptors ended by 0x0D,
// then fixed-length records (a deletion flag byte and the fields), then 0x1A.
// Layout, and which variants written by other engines are read: docs/formats.md, "Table".
//
// Header:
//   OFFSET SIZE DESCRIPTION
//        0    1 version: 0x03 plain, 0x83 with a memo file
//        1    3 date of last update, YY MM DD (YY = year - 1900)
//        4    4 record count
//        8    2 header length: 32 + 32 * fields + 1
//       10    2 record length: 1 + sum of field lengths
//       29    1 code page: 0x03 = Windows-1252
// Field descriptor:
//        0   11 name, upper case, NUL padded
//       11    1 type C, N, D, L, M (F read as N)
//       16    1 length
//       17    1 decimals

#include "File.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace xbase {

struct FieldInfo
{
    std::string name;  // upper case as stored
    char type = 'C';   // C N D L M
    int length = 0;
    int decimals = 0;
    int offset = 0;  // within the record, after the deletion flag
};

class DbfFile
{
public:
    static constexpr unsigned char kVersionPlain = 0x03;
    static constexpr unsigned char kVersionMemo = 0x83;
    static constexpr unsigned char kCodePage1252 = 0x03;
    static constexpr char kLive = ' ';
    static constexpr char kDeleted = '*';

    ~DbfFile();

    // Opens and checks the header and the field descriptors.
    bool open(const std::string &path, bool readOnly, std::string *error);
    // Writes an empty table with these fields (names are upper-cased).
    static bool create(const std::string &path, const std::vector<FieldInfo> &fields,
                       std::string *error);
    // Checks a field list for create: names, types, lengths. Fills in offsets.
    static bool checkFields(std::vector<FieldInfo> &fields, std::string *error);
    bool close(std::string *error);
    bool isOpen() const { return m_file.isOpen(); }
    File &file() { return m_file; }
    const std::string &path() const { return m_file.path(); }

    const std::vector<FieldInfo> &fields() const { return m_fields; }
    int fieldIndex(const std::string &name) const;  // case-insensitive; -1 when absent
    bool hasMemoFields() const;
    uint32_t recordCount() const { return m_count; }
    int recordLength() const { return m_recordLength; }
    int headerLength() const { return m_headerLength; }

    // Record numbers count from 1. Reads and writes see appended records that are still
    // in the write-behind buffer. A record rewritten while it lies in the read window is
    // changed there and reaches the file when the window moves on, or at the latest on
    // flush(), together with its neighbours that changed too.
    bool read(uint32_t recno, unsigned char *record, std::string *error);
    bool write(uint32_t recno, const unsigned char *record, std::string *error);
    // Adds a record after the last one; it reaches the file at the latest on flush().
    bool append(const unsigned char *record, std::string *error);
    // Writes buffered records, then the record count (in that order, so a crash never
    // leaves a count that claims records not yet written), then the end-of-file mark.
    bool flush(std::string *error);
    bool sync();
    // Forgets every record: the file is cut to its header.
    bool zap(std::string *error);

    // Reads records [first, first + count) in physical order through a large buffer and hands
    // each to `fn(recno, record)`; stops early when fn returns false.
    template <class Fn> bool scan(uint32_t first, uint32_t count, Fn fn, std::string *error)
    {
        return settle(error) && scanSettled(first, count, fn, error);
    }
    // The same straight from the file, after settle(); changes nothing, so several threads
    // may each scan a stretch of their own at once.
    template <class Fn>
    bool scanSettled(uint32_t first, uint32_t count, Fn fn, std::string *error) const;

    // Writes the records still held in memory (changed or appended) to the file, so that the
    // file itself holds every record; readRecords needs that.
    bool settle(std::string *error);
    // Reads n records from `first` on straight from the file into buf (n × recordLength
    // bytes). Changes nothing, so several threads may read at once after settle().
    bool readRecords(uint32_t first, uint32_t n, unsigned char *buf, std::string *error) const;

    // Header bytes for a table of these fields and this count (used by pack to write the
    // new file).
    std::vector<unsigned char> headerBytes(uint32_t count) const;

private:
    bool writeHeaderCount(std::string *error);
    bool flushAppends(std::string *error);
    bool flushWindow(std::string *error);
    bool readWindow(uint32_t recno, std::string *error);

    File m_file;
    bool m_readOnly = false;
    unsigned char m_version = kVersionPlain;
    std::vector<FieldInfo> m_fields;
    uint32_t m_count = 0;         // records, including those still buffered
    uint32_t m_countOnDisk = 0;   // the count the file's header says
    int m_headerLength = 0;
    int m_recordLength = 0;
    bool m_dirty = false;         // something was written since open

    // Appended records not yet written: records m_appendFirst .. m_count.
    std::vector<unsigned char> m_appendBuf;
    uint32_t m_appendFirst = 0;

    // Read window: records m_winFirst .. m_winFirst + m_winCount - 1, of which
    // m_winDirtyFirst .. m_winDirtyLast (0 = none) were changed and not yet written.
    std::vector<unsigned char> m_window;
    uint32_t m_winFirst = 0;
    uint32_t m_winCount = 0;
    uint32_t m_winDirtyFirst = 0;
    uint32_t m_winDirtyLast = 0;
    uint32_t m_lastRead = 0;
};

template <class Fn>
bool DbfFile::scanSettled(uint32_t first, uint32_t count, Fn fn, std::string *error) const
{
    const size_t rl = size_t(m_recordLength);
    // Chunks of 1 MB, or of the whole stretch when it is smaller.
    const uint32_t perChunk =
        uint32_t(std::clamp<size_t>((1u << 20) / rl, 1, std::max<uint32_t>(count, 1)));
    std::vector<unsigned char> buf(perChunk * rl);
    uint32_t end = first + count;
    for (uint32_t r = first; r < end;) {
        uint32_t n = std::min(perChunk, end - r);
        if (!readRecords(r, n, buf.data(), error)) return false;
        for (uint32_t i = 0; i < n; ++i)
            if (!fn(r + i, buf.data() + i * rl)) return true;
        r += n;
    }
    return true;
}

} // namespace xbase

#include "Verify.h"

#include "Engine.h"
#include "Table.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace xbase {

namespace {

using Kind = VerifyFault::Kind;

// Keys are fixed-length and blank-padded; the padding says nothing in a message, and two keys
// of the same length that differ only in trailing blanks cannot both be shown the same.
std::string shownKey(const char *key, size_t length)
{
    while (length > 0 && key[length - 1] == ' ')
        --length;
    std::string out = "\"";
    static const char hex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(key[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += char(c);
        } else {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out + "\"";
}

class TagVerifier
{
public:
    TagVerifier(Table &table, Tag &tag, const VerifyOptions &options, VerifyResult &result)
        : m_table(table), m_tag(tag), m_options(options), m_result(result),
          m_start(result.faults.size())
    {
    }

    void run();

private:
    void fault(Kind kind, uint32_t recno, const std::string &what);
    // The tree check stops at its first problem; when that problem is the first out-of-order
    // entry the walk found too, the walk's line already says it.
    void reportTree(bool treeOk, uint64_t treeEntries, const std::string &treeError);
    uint64_t entryLimit() const;

    Table &m_table;
    Tag &m_tag;
    const VerifyOptions &m_options;
    VerifyResult &m_result;
    const size_t m_start; // this tag's first line in m_result.faults
    size_t m_found = 0;   // this tag's faults, listed or not
    uint64_t m_firstOrderIndex = UINT64_MAX;
};

void TagVerifier::fault(Kind kind, uint32_t recno, const std::string &what)
{
    ++m_result.faultCount;
    if (++m_found > m_options.maxFaultsPerTag) return;
    std::string text = "tag " + m_tag.name() + ": ";
    if (recno) text += "record " + std::to_string(recno) + ": ";
    m_result.faults.push_back({kind, m_tag.name(), recno, text + what});
}

void TagVerifier::reportTree(bool treeOk, uint64_t treeEntries, const std::string &treeError)
{
    if (treeOk || m_firstOrderIndex == treeEntries) return;
    // Listed first: the other faults of a malformed tree may follow from it.
    const size_t listedBefore = m_result.faults.size();
    fault(Kind::Structure, 0, treeError);
    if (m_result.faults.size() == listedBefore) {
        if (m_options.maxFaultsPerTag == 0) return;
        // Over the limit: the structural fault still goes first, in place of the last line.
        m_result.faults.pop_back();
        m_result.faults.push_back(
            {Kind::Structure, m_tag.name(), 0, "tag " + m_tag.name() + ": " + treeError});
    }
    std::rotate(m_result.faults.begin() + long(m_start), m_result.faults.end() - 1,
                m_result.faults.end());
}

uint64_t TagVerifier::entryLimit() const
{
    // No walk of a sound file can yield more entries than all its pages hold; a walk that
    // does is going round in circles.
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(m_tag.file().path(), ec);
    if (ec) return UINT64_MAX;
    return uint64_t(size / NtxFile::kPageSize + 1) * uint64_t(m_tag.file().maxKeys());
}

void TagVerifier::run()
{
    NtxFile &ntx = m_tag.file();
    DbfFile &dbf = m_table.dbf();
    const KeyExpression &expr = m_tag.expression();
    const uint32_t n = dbf.recordCount();
    const size_t kl = size_t(expr.keyLength());
    if (size_t(ntx.keyLength()) != kl) {
        fault(Kind::Unreadable, 0,
              "key length " + std::to_string(ntx.keyLength()) + " does not match its expression (" +
                  std::to_string(kl) + ")");
        return;
    }

    uint64_t treeEntries = 0;
    std::string treeError;
    const bool treeOk = ntx.checkTree(&treeEntries, &treeError);

    // Record numbers are taken in chunks whose keys fit the budget. Each chunk costs one
    // sequential scan of its records and one walk of the tree; the first walk also checks the
    // order and which records are present.
    const uint64_t limit = entryLimit();
    const uint64_t chunk = std::max<uint64_t>(1, m_options.keyBudgetBytes / kl);
    std::vector<bool> seen(size_t(n) + 1, false);
    std::vector<char> keys;
    std::string previous(kl, '\0');
    uint32_t previousRecno = 0;
    bool havePrevious = false;
    bool walked = true;
    for (uint64_t lo = 1, pass = 0; pass == 0 || lo <= n; ++pass, lo += chunk) {
        const uint64_t count = lo <= n ? std::min<uint64_t>(chunk, n - lo + 1) : 0;
        const uint64_t end = lo + count;
        keys.resize(size_t(count * kl));
        std::string error;
        const bool scanned =
            count == 0 || dbf.scan(
                              uint32_t(lo), uint32_t(count),
                              [&](uint32_t recno, const unsigned char *record) {
                                  expr.evaluate(record, keys.data() + (recno - lo) * kl);
                                  return true;
                              },
                              &error);
        if (!scanned) {
            fault(Kind::Unreadable, 0, error);
            walked = false;
            break;
        }
        const bool firstPass = pass == 0;
        uint64_t index = 0;
        bool looped = false;
        const bool ok = ntx.forEach(
            [&](const char *key, uint32_t recno) {
                if (index >= limit) {
                    looped = true;
                    return false;
                }
                if (firstPass) {
                    if (havePrevious) {
                        const int c = std::memcmp(key, previous.data(), kl);
                        if (c < 0 || (c == 0 && recno <= previousRecno)) {
                            if (m_firstOrderIndex == UINT64_MAX) m_firstOrderIndex = index;
                            fault(Kind::Order, recno,
                                  "entry with key " + shownKey(key, kl) +
                                      " is out of order after record " +
                                      std::to_string(previousRecno) + " with key " +
                                      shownKey(previous.data(), kl));
                        }
                    }
                    previous.assign(key, kl);
                    previousRecno = recno;
                    havePrevious = true;
                    if (recno == 0 || recno > n) {
                        fault(Kind::BadRecord, 0,
                              "entry with key " + shownKey(key, kl) + " names record " +
                                  std::to_string(recno) + ", but the table has " +
                                  std::to_string(n) + " records");
                    } else if (seen[recno]) {
                        fault(Kind::Duplicate, recno,
                              "another entry, with key " + shownKey(key, kl));
                    } else {
                        seen[recno] = true;
                    }
                }
                if (recno >= lo && recno < end) {
                    const char *expected = keys.data() + (recno - lo) * kl;
                    if (std::memcmp(key, expected, kl) != 0)
                        fault(Kind::KeyMismatch, recno,
                              "entry key " + shownKey(key, kl) + " but the record's key is " +
                                  shownKey(expected, kl));
                }
                ++index;
                return true;
            },
            &error);
        if (firstPass) m_result.entries += index;
        if (looped) {
            fault(Kind::Structure, 0,
                  "the walk did not end after " + std::to_string(index) +
                      " entries, more than the file can hold: its pages form a loop");
            walked = false;
            break;
        }
        if (!ok) {
            fault(Kind::Unreadable, 0,
                  "the walk stopped after " + std::to_string(index) + " entries (" + error +
                      "); records were not checked for missing entries");
            walked = false;
            break;
        }
    }
    reportTree(treeOk, treeEntries, treeError);
    if (!walked) return;
    for (uint32_t recno = 1; recno <= n && recno != 0; ++recno)
        if (!seen[recno]) fault(Kind::Missing, recno, "no entry");
}

} // namespace

VerifyResult verifyTable(Table &table, const VerifyOptions &options)
{
    VerifyResult result;
    if (table.flush() < 0) {
        result.faults.push_back(
            {Kind::Unreadable,
             {},
             0,
             "the table could not be flushed before the check: " + table.engine().errorText()});
        result.faultCount = 1;
        return result;
    }
    result.records = table.dbf().recordCount();
    for (const auto &tag : table.tags()) {
        ++result.tags;
        TagVerifier(table, *tag, options, result).run();
    }
    return result;
}

} // namespace xbase

#include "IndexBuilder.h"

#include "NtxFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace xbase {

namespace {

struct SortItem
{
    uint64_t prefix;  // the first eight key bytes, big-endian, so integers compare like keys
    uint32_t recno;
};

class SortedTable : public NtxFile::SortedKeys
{
public:
    SortedTable(const std::vector<char> &keys, const std::vector<SortItem> &order, int keyLength)
        : m_keys(keys), m_order(order), m_keyLength(keyLength)
    {
    }
    uint64_t count() const override { return m_order.size(); }
    const char *key(uint64_t i) const override
    {
        return m_keys.data() + size_t(m_order[i].recno - 1) * size_t(m_keyLength);
    }
    uint32_t recno(uint64_t i) const override { return m_order[i].recno; }

private:
    const std::vector<char> &m_keys;
    const std::vector<SortItem> &m_order;
    int m_keyLength;
};

} // namespace

bool buildIndex(DbfFile &dbf, const KeyExpression &expr, const std::string &path,
                const std::string &tagName, std::string *error)
{
    const uint32_t n = dbf.recordCount();
    const size_t kl = size_t(expr.keyLength());
    std::vector<char> keys;
    std::vector<SortItem> order;
    try {
        keys.resize(size_t(n) * kl);
        order.resize(n);
    } catch (const std::bad_alloc &) {
        *error = "not enough memory to index " + std::to_string(n) + " records";
        return false;
    }
    bool ok = dbf.scan(
        1, n,
        [&](uint32_t recno, const unsigned char *record) {
            char *k = keys.data() + size_t(recno - 1) * kl;
            expr.evaluate(record, k);
            unsigned char head[8] = {};
            std::memcpy(head, k, std::min<size_t>(8, kl));
            uint64_t prefix = 0;
            for (unsigned char b : head) prefix = (prefix << 8) | b;
            order[recno - 1] = SortItem{prefix, recno};
            return true;
        },
        error);
    if (!ok) return false;
    if (kl > 8) {
        const char *base = keys.data();
        std::sort(order.begin(), order.end(), [base, kl](const SortItem &a, const SortItem &b) {
            if (a.prefix != b.prefix) return a.prefix < b.prefix;
            int c = std::memcmp(base + size_t(a.recno - 1) * kl + 8,
                                base + size_t(b.recno - 1) * kl + 8, kl - 8);
            if (c) return c < 0;
            return a.recno < b.recno;
        });
    } else {
        std::sort(order.begin(), order.end(), [](const SortItem &a, const SortItem &b) {
            return a.prefix != b.prefix ? a.prefix < b.prefix : a.recno < b.recno;
        });
    }
    SortedTable sorted(keys, order, int(kl));
    return NtxFile::build(path, tagName, expr.text(), int(kl), sorted, error);
}

} // namespace xbase

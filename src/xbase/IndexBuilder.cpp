#include "IndexBuilder.h"

#include "NtxFile.h"

#include <array>
#include <cstring>
#include <utility>
#include <vector>

#include <sys/mman.h>

namespace xbase {

namespace {

// The keys of one tag are held as one array of fixed-size entries: the key bytes, then the
// record number big-endian, so that comparing whole entries bytewise orders them by
// (key, record number), the order of the index. The array is sorted in place, and the file
// is then written from it front to back. Holding the key beside its record number costs
// kl + 4 bytes an entry and nothing else, and nothing is looked up at random afterwards.
class EntrySorter
{
public:
    EntrySorter(unsigned char *base, size_t stride)
        : m_base(base), m_stride(stride), m_tmp(stride), m_hold(stride), m_counts(stride + 1)
    {
    }

    void sort(size_t n) { sortRange(m_base, n, 0); }

private:
    // Below this many entries a range is finished by insertion sort.
    static constexpr size_t kSmall = 24;

    using Counts = std::array<uint32_t, 256>;

    unsigned char *at(unsigned char *a, size_t i) const { return a + i * m_stride; }
    const unsigned char *at(const unsigned char *a, size_t i) const { return a + i * m_stride; }

    // Sorts n entries at a that agree on their first `depth` bytes: a most-significant-byte
    // radix sort that moves entries within their range (no second array). Recursion goes at
    // most one level per byte of an entry.
    void sortRange(unsigned char *a, size_t n, size_t depth)
    {
        const size_t s = m_stride;
        while (n > 1 && depth < s) {
            if (n < kSmall) {
                insertionSort(a, n, depth);
                return;
            }
            // Each depth has its own counts, since the buckets are sorted (one level deeper)
            // while this level still walks them.
            Counts &count = m_counts[depth];
            count.fill(0);
            for (size_t i = 0; i < n; ++i) ++count[at(a, i)[depth]];
            if (count[a[depth]] == n) {
                // One value at this byte: step past every byte the range has in common.
                depth = depth + 1 + commonLength(a, n, depth + 1);
                continue;
            }
            size_t sum = 0;
            for (int b = 0; b < 256; ++b) {
                m_next[b] = sum;
                sum += count[b];
                m_end[b] = sum;
            }
            // Each misplaced entry is carried to the next free place of its bucket; the one
            // it displaces is carried on, until one of the bucket being filled turns up.
            for (int b = 0; b < 256; ++b) {
                while (m_next[b] < m_end[b]) {
                    unsigned char *slot = at(a, m_next[b]);
                    unsigned v = slot[depth];
                    if (int(v) != b) {
                        unsigned char *carried = m_tmp.data();
                        unsigned char *spare = m_hold.data();
                        copyEntry(carried, slot);
                        do {
                            unsigned char *dest = at(a, m_next[v]++);
                            v = dest[depth];
                            copyEntry(spare, dest);
                            copyEntry(dest, carried);
                            std::swap(carried, spare);
                        } while (int(v) != b);
                        copyEntry(slot, carried);
                    }
                    ++m_next[b];
                }
            }
            size_t start = 0;
            for (int b = 0; b < 256; ++b) {
                const size_t c = count[b];
                if (c > 1) sortRange(at(a, start), c, depth + 1);
                start += c;
            }
            return;
        }
    }

    // Entries are short and their length is known only at run time: copy them in words
    // (the last word may overlap the one before) instead of calling memcpy for each.
    void copyEntry(unsigned char *to, const unsigned char *from) const
    {
        const size_t s = m_stride;
        if (s < 8) {
            std::memcpy(to, from, s);
            return;
        }
        size_t i = 0;
        for (; i + 8 <= s; i += 8) std::memcpy(to + i, from + i, 8);
        if (i < s) std::memcpy(to + s - 8, from + s - 8, 8);
    }

    // How many bytes from `from` on all n entries share with the first.
    size_t commonLength(const unsigned char *a, size_t n, size_t from) const
    {
        size_t len = m_stride - from;
        const unsigned char *first = a + from;
        for (size_t i = 1; i < n && len > 0; ++i) {
            const unsigned char *e = at(a, i) + from;
            size_t k = 0;
            while (k < len && e[k] == first[k]) ++k;
            len = k;
        }
        return len;
    }

    // True when entry x sorts after entry y; both agree on their first `depth` bytes. Compares
    // eight bytes at a time as big-endian words (the last word may overlap the one before).
    bool after(const unsigned char *x, const unsigned char *y, size_t depth) const
    {
        const size_t s = m_stride;
        if (s - depth < 8) {
            for (size_t i = depth; i < s; ++i)
                if (x[i] != y[i]) return x[i] > y[i];
            return false;
        }
        for (size_t i = depth;; i += 8) {
            if (i + 8 > s) i = s - 8;
            uint64_t u, v;
            std::memcpy(&u, x + i, 8);
            std::memcpy(&v, y + i, 8);
            if (u != v) return __builtin_bswap64(u) > __builtin_bswap64(v);
            if (i + 8 == s) return false;
        }
    }

    void insertionSort(unsigned char *a, size_t n, size_t depth)
    {
        unsigned char *tmp = m_tmp.data();
        for (size_t i = 1; i < n; ++i) {
            if (!after(at(a, i - 1), at(a, i), depth)) continue;
            copyEntry(tmp, at(a, i));
            size_t j = i;
            do {
                copyEntry(at(a, j), at(a, j - 1));
                --j;
            } while (j > 0 && after(at(a, j - 1), tmp, depth));
            copyEntry(at(a, j), tmp);
        }
    }

    unsigned char *m_base;
    size_t m_stride;
    std::vector<unsigned char> m_tmp, m_hold;
    std::vector<Counts> m_counts;  // one per depth
    size_t m_next[256];            // where the next entry of each byte value goes
    size_t m_end[256];
};

// The entry array: one anonymous mapping of its own, given back to the system as soon as the
// tag is written. From the heap, a block this large can stay with the process after it is
// freed (the allocator raises its threshold for mapping blocks of their own once such blocks
// are freed), which at a million records left the peak of a pack 9 MB higher.
class EntryBuffer
{
public:
    EntryBuffer() = default;
    ~EntryBuffer()
    {
        if (m_data) ::munmap(m_data, m_bytes);
    }
    EntryBuffer(const EntryBuffer &) = delete;
    EntryBuffer &operator=(const EntryBuffer &) = delete;

    bool allocate(size_t bytes)
    {
        if (bytes == 0) return true;
        void *p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                         -1, 0);
        if (p == MAP_FAILED) return false;
        m_data = static_cast<unsigned char *>(p);
        m_bytes = bytes;
        return true;
    }
    unsigned char *data() const { return m_data; }

private:
    unsigned char *m_data = nullptr;
    size_t m_bytes = 0;
};

class SortedEntries : public NtxFile::SortedKeys
{
public:
    SortedEntries(const unsigned char *entries, size_t count, size_t keyLength)
        : m_entries(entries), m_count(count), m_keyLength(keyLength), m_stride(keyLength + 4)
    {
    }
    uint64_t count() const override { return m_count; }
    const char *key(uint64_t i) const override
    {
        return reinterpret_cast<const char *>(m_entries + size_t(i) * m_stride);
    }
    uint32_t recno(uint64_t i) const override
    {
        const unsigned char *r = m_entries + size_t(i) * m_stride + m_keyLength;
        return (uint32_t(r[0]) << 24) | (uint32_t(r[1]) << 16) | (uint32_t(r[2]) << 8) |
               uint32_t(r[3]);
    }

private:
    const unsigned char *m_entries;
    size_t m_count;
    size_t m_keyLength;
    size_t m_stride;
};

} // namespace

bool buildIndex(DbfFile &dbf, const KeyExpression &expr, const std::string &path,
                const std::string &tagName, std::string *error)
{
    const uint32_t n = dbf.recordCount();
    const size_t kl = size_t(expr.keyLength());
    const size_t stride = kl + 4;
    EntryBuffer entries;
    if (!entries.allocate(size_t(n) * stride)) {
        *error = "not enough memory to index " + std::to_string(n) + " records";
        return false;
    }
    bool ok = dbf.scan(
        1, n,
        [&](uint32_t recno, const unsigned char *record) {
            unsigned char *e = entries.data() + size_t(recno - 1) * stride;
            expr.evaluate(record, reinterpret_cast<char *>(e));
            e[kl] = uint8_t(recno >> 24);
            e[kl + 1] = uint8_t(recno >> 16);
            e[kl + 2] = uint8_t(recno >> 8);
            e[kl + 3] = uint8_t(recno);
            return true;
        },
        error);
    if (!ok) return false;
    EntrySorter(entries.data(), stride).sort(n);
    SortedEntries sorted(entries.data(), n, kl);
    return NtxFile::build(path, tagName, expr.text(), int(kl), sorted, error);
}

} // namespace xbase

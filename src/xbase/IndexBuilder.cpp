#include "IndexBuilder.h"

#include "Bytes.h"
#include "NtxFile.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include <sys/mman.h>

namespace xbase {

namespace {

// Below this many records an index is built on one thread: a second would not pay for itself.
constexpr uint32_t kTwoThreadsFrom = 1u << 16;

// Runs job(1) on a second thread and job(0) on this one at the same time. When `two` is not
// set, or no thread can be started, runs both here, one after the other. Jobs must not throw.
template <class Job> void runOnTwoThreads(bool two, Job job)
{
    std::thread other;
    if (two) {
        try {
            other = std::thread(job, 1);
        } catch (const std::system_error &) {
            // No thread to be had: the second part runs here.
        }
    }
    job(0);
    if (other.joinable()) other.join();
    else job(1);
}

bool machineHasTwoProcessors() { return std::thread::hardware_concurrency() >= 2; }

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

    // Sorts the n entries, with the work shared by two threads when `two` is set: this thread
    // splits the entries into buckets by their first differing byte, then both threads take
    // buckets, largest first, until none is left.
    void sortOnTwoThreads(size_t n, bool two)
    {
        size_t depth = 0;
        Counts count;
        while (true) {
            if (!two || n < kSmall || depth >= m_stride) return sortRange(m_base, n, depth);
            if (distribute(m_base, n, depth, count)) break;
            depth = depth + 1 + commonLength(m_base, n, depth + 1);
        }
        struct Bucket
        {
            size_t start, count;
        };
        std::vector<Bucket> buckets;
        size_t start = 0;
        for (int b = 0; b < 256; ++b) {
            if (count[b] > 1) buckets.push_back({start, count[b]});
            start += count[b];
        }
        std::sort(buckets.begin(), buckets.end(),
                  [](const Bucket &x, const Bucket &y) { return x.count > y.count; });
        std::atomic<size_t> next{0};
        EntrySorter other(m_base, m_stride);
        EntrySorter *sorters[2] = {this, &other};
        runOnTwoThreads(true, [&](int part) {
            EntrySorter &sorter = *sorters[part];
            for (size_t i; (i = next.fetch_add(1)) < buckets.size();)
                sorter.sortRange(at(m_base, buckets[i].start), buckets[i].count, depth + 1);
        });
    }

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
        while (n > 1 && depth < m_stride) {
            if (n < kSmall) {
                insertionSort(a, n, depth);
                return;
            }
            // Each depth has its own counts, since the buckets are sorted (one level deeper)
            // while this level still walks them.
            Counts &count = m_counts[depth];
            if (!distribute(a, n, depth, count)) {
                // One value at this byte: step past every byte the range has in common.
                depth = depth + 1 + commonLength(a, n, depth + 1);
                continue;
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

    // Moves the n entries at a into 256 buckets by their byte at `depth`, in byte order, and
    // leaves the bucket sizes in count. False, with nothing moved, when all share that byte.
    bool distribute(unsigned char *a, size_t n, size_t depth, Counts &count)
    {
        count.fill(0);
        for (size_t i = 0; i < n; ++i) ++count[at(a, i)[depth]];
        if (count[a[depth]] == n) return false;
        size_t sum = 0;
        for (int b = 0; b < 256; ++b) {
            m_next[b] = sum;
            sum += count[b];
            m_end[b] = sum;
        }
        // Each misplaced entry is carried to the next free place of its bucket; the one it
        // displaces is carried on, until one of the bucket being filled turns up.
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
        return true;
    }

    void copyEntry(unsigned char *to, const unsigned char *from) const
    {
        copyShort(to, from, m_stride);
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
        // The sort reaches all over the array: 2 MB pages spare it most address-translation
        // misses, and filling the array takes a few page faults instead of thousands.
        ::madvise(p, bytes, MADV_HUGEPAGE);  // a hint; 4 KB pages work too
        m_data = static_cast<unsigned char *>(p);
        m_bytes = bytes;
        return true;
    }
    unsigned char *data() const { return m_data; }

private:
    unsigned char *m_data = nullptr;
    size_t m_bytes = 0;
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
    const bool two = n >= kTwoThreadsFrom && machineHasTwoProcessors();
    // Each half of the table is read and its keys computed on a thread of its own.
    if (!dbf.settle(error)) return false;
    std::string errors[2];
    bool ok[2] = {true, true};
    runOnTwoThreads(two, [&](int part) {
        const uint32_t from = part == 0 ? 1 : n / 2 + 1;
        const uint32_t count = part == 0 ? n / 2 : n - n / 2;
        ok[part] = dbf.scanSettled(
            from, count,
            [&](uint32_t r, const unsigned char *record) {
                unsigned char *e = entries.data() + size_t(r - 1) * stride;
                expr.evaluate(record, reinterpret_cast<char *>(e));
                e[kl] = uint8_t(r >> 24);
                e[kl + 1] = uint8_t(r >> 16);
                e[kl + 2] = uint8_t(r >> 8);
                e[kl + 3] = uint8_t(r);
                return true;
            },
            &errors[part]);
    });
    for (int part = 0; part < 2; ++part) {
        if (!ok[part]) {
            *error = errors[part];
            return false;
        }
    }
    EntrySorter(entries.data(), stride).sortOnTwoThreads(n, two);
    return NtxFile::build(path, tagName, expr.text(), int(kl), {entries.data(), n}, error);
}

} // namespace xbase

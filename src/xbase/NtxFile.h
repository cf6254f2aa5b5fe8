#pragma once

// Clipper index file (.ntx): one tag, a B-tree of 1024-byte pages. Page 0 is the header;
// page addresses are byte offsets. Every key appears exactly once in the tree (branch pages
// hold real entries) and entries with equal keys are ordered by record number.
// Layout, worked examples and the variants read from other engines: docs/formats.md, "Index".
//
// Header page:
//   OFFSET SIZE DESCRIPTION
//        0    2 signature 0x0006 (0x0007 with a FOR condition; 0x0106/0x0107 read too)
//        2    2 version counter, incremented on every update
//        4    4 root page address
//        8    4 first free page address, 0 = none
//       12    2 item size = key length + 8
//       14    2 key length (1 to 256)
//       16    2 key decimals
//       18    2 max keys per page (even)
//       20    2 half page = max / 2
//       22  256 key expression, NUL padded
//      278    1 unique flag
//      280    1 descending flag
//      282  256 FOR expression, NUL padded
//      538   12 tag name
// Tree page: u16 key count n, then max + 1 u16 offsets of the item slots; an item slot is
// u32 child page (0 in a leaf), u32 record number, key bytes. Item n carries only the
// rightmost child.

#include "File.h"
#include "PageCache.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace xbase {

// Pages are kept in a PageCache: the one given, shared with other files, or one of the file's
// own. A miss reads the page and, in the same read, the pages after it that are not cached
// yet (a walk goes through the leaves of a built index in file order). The cursor keeps a copy
// of its entry, so key() and recno() stay valid when other files' work evicts its page.
class NtxFile final : public PageCache::Owner
{
public:
    static constexpr int kPageSize = PageCache::kPageSize;
    // Most pages read in one go on a miss; a quarter of the cache budget at most.
    static constexpr size_t kReadAhead = 16;
    static constexpr int kMaxKeyLength = 256;
    static constexpr int kMaxDepth = 24;

    // How many keys of this length a page holds.
    static int maxKeysFor(int keyLength);

    // Entries to bulk-load, sorted by (key, record number): `count` entries one after another,
    // each the key's bytes followed by the record number, big-endian, in 4 bytes.
    struct SortedEntries
    {
        const unsigned char *data = nullptr;
        uint64_t count = 0;
    };

    // Writes a complete index file at `path` (callers write a temporary name and rename it):
    // leaves from the first page upward, then each branch level, the root last; the header
    // goes last of all. The file is not synced: callers make it durable (BackgroundSync)
    // before they rename it into place.
    static bool build(const std::string &path, const std::string &tagName,
                      const std::string &expression, int keyLength,
                      const SortedEntries &entries,
                      std::string *error);

    // `cache` must outlive the file; nullptr gives the file a cache of its own.
    explicit NtxFile(PageCache *cache = nullptr);
    ~NtxFile();
    NtxFile(const NtxFile &) = delete;
    NtxFile &operator=(const NtxFile &) = delete;
    bool open(const std::string &path, bool readOnly, std::string *error);
    // Writes dirty pages and the header.
    bool flush(std::string *error);
    // Flushes, then gives every cached page back to the cache. The cursor stays where it is.
    bool dropPages(std::string *error);
    bool close(std::string *error);
    bool sync() { return m_file.sync(); }
    const std::string &path() const { return m_file.path(); }
    int keyLength() const { return m_keyLength; }
    int maxKeys() const { return m_maxKeys; }
    const std::string &expression() const { return m_expression; }
    const std::string &tagName() const { return m_tagName; }
    uint16_t versionCounter() const { return m_version; }
    uint32_t rootPage() const { return m_root; }

    // Pages are changed in place, one write each, so a program that stops among those writes
    // leaves a torn tree. Before the first page of a change is written the header gets a mark
    // (4 bytes in its unused zero area), and the flush that writes the last page clears it; a
    // file found with the mark (interrupted()) was being changed when its program stopped and
    // must be rebuilt from its table. With *sync set (the engine's syncOnFlush), the mark is
    // on the disk before the first page, and the pages are before the mark is cleared.
    bool interrupted() const { return m_interrupted; }
    void followSyncSetting(const bool *sync) { m_syncMarks = sync; }

    // Changes. The entry (key, recno) is added, or removed; removing an entry that is not
    // there is an error (the index does not match its table).
    bool insert(const char *key, uint32_t recno, std::string *error);
    bool remove(const char *key, uint32_t recno, std::string *error);

    // The cursor: positioned on one entry, or off the ends.
    enum class Seek { Found, After, End, Error };
    // First entry whose first `length` key bytes are >= key (length <= key length).
    Seek seek(const char *key, int length, std::string *error);
    // Positions on exactly (key, recno); false when that entry is not in the index.
    bool seekEntry(const char *key, uint32_t recno, bool *found, std::string *error);
    // false on error; *moved is false when there is no entry there (empty, or an end hit).
    bool first(bool *moved, std::string *error);
    bool last(bool *moved, std::string *error);
    bool next(bool *moved, std::string *error);
    bool prev(bool *moved, std::string *error);
    // Moves by up to |count| entries; *done receives how many moves were made.
    bool skip(long count, long *done, std::string *error);
    bool positioned() const { return !m_path.empty(); }
    // The entry under the cursor (only while positioned); key() has keyLength() bytes.
    uint32_t recno() const { return m_currentRecno; }
    const char *key() const { return m_currentKey.data(); }
    // The cursor's place in the whole order as a fraction 0..1, estimated from the page
    // counts along its path (no counting of entries).
    bool position(double *fraction, std::string *error);

    // Walks every entry in order; stops at an error. For verification.
    template <class Fn> bool forEach(Fn fn, std::string *error);
    // Structural check: key order, equal leaf depth, page bounds. Counts entries.
    bool checkTree(uint64_t *entries, std::string *error);

private:
    using Page = PageCache::Frame;
    struct Item
    {
        uint32_t child = 0;
        uint32_t recno = 0;
        std::string key;
    };
    struct Node  // a page decoded for changes
    {
        std::vector<Item> items;
        uint32_t rightmost = 0;
        bool leaf() const { return items.empty() ? rightmost == 0 : items[0].child == 0; }
        uint32_t child(size_t k) const { return k < items.size() ? items[k].child : rightmost; }
        void setChild(size_t k, uint32_t c)
        {
            if (k < items.size()) items[k].child = c;
            else rightmost = c;
        }
    };
    struct Step
    {
        uint32_t page;
        int index;  // the entry in the cursor's own page; the child taken in ancestors
    };

    // The page at `address`, valid until the next call that may read a page: hold no page
    // pointer across page(), decode(), encode(), allocate() or release().
    Page *page(uint32_t address, std::string *error);
    Page *load(uint32_t address, std::string *error);
    bool evict(Page *frame, std::string *error) override;
    void releaseAll();
    void markDirty(Page *p);
    bool checkPage(uint32_t address, const unsigned char *bytes, std::string *error) const;
    bool writePage(Page *p, std::string *error);
    bool writeMark(bool on, std::string *error);
    bool syncMarks() const { return m_syncMarks && *m_syncMarks; }
    // Copies the entry under the cursor; clears the cursor on an error.
    bool settle(std::string *error);
    void settleOn(const Page *p, int index);
    int count(const Page *p) const;
    const unsigned char *item(const Page *p, int i) const;
    bool decode(uint32_t address, Node *node, std::string *error);
    bool encode(uint32_t address, const Node &node, std::string *error);
    bool allocate(uint32_t *address, std::string *error);
    bool release(uint32_t address, std::string *error);
    int compareEntry(const unsigned char *itm, const char *key, uint32_t recno) const;
    bool stepNext(bool *moved, std::string *error);
    bool stepPrev(bool *moved, std::string *error);
    bool countWalk(int direction, long entries, std::string *error)
    {
        if (direction != m_walkDirection) {
            m_walkDirection = direction;
            m_walked = 0;
        }
        m_walked += uint64_t(entries);
        return m_walked <= 2 * (m_fileEnd / kPageSize + 1) * uint64_t(m_maxKeys + 1) ||
               walkTooLong(error);
    }
    bool walkTooLong(std::string *error);
    bool descendLeftmost(uint32_t page, std::string *error);
    bool descendRightmost(uint32_t page, std::string *error);
    bool findPath(const char *key, uint32_t recno, std::vector<Step> *path, bool *found,
                  std::string *error);
    bool fixUnderflow(std::vector<Step> path, std::string *error);
    bool height(int *levels, std::string *error);
    bool fail(std::string *error, const std::string &why) const;

    File m_file;
    bool m_readOnly = false;
    int m_keyLength = 0;
    int m_keyDecimals = 0;
    int m_itemSize = 0;
    int m_maxKeys = 0;
    uint16_t m_signature = 6;
    uint16_t m_version = 0;
    uint32_t m_root = 0;
    uint32_t m_freeList = 0;
    uint64_t m_fileEnd = 0;  // next page address when the free list is empty
    bool m_headerDirty = false;
    bool m_markOnDisk = false;   // the header says pages are being changed
    bool m_interrupted = false;  // it said so when the file was opened
    const bool *m_syncMarks = nullptr;
    std::string m_expression;
    std::string m_tagName;
    std::unique_ptr<PageCache> m_ownCache;
    PageCache *m_cache = nullptr;
    std::vector<Page *> m_slots;  // by page number (address / kPageSize); nullptr = not cached
    std::vector<uint32_t> m_dirty;  // pages made dirty since the last flush (some written since)
    std::vector<Step> m_path;  // root first; empty = not positioned
    std::array<char, kMaxKeyLength> m_currentKey{};
    uint32_t m_currentRecno = 0;
    // Entries passed since the cursor was placed or last turned round, and the direction.
    uint64_t m_walked = 0;
    int m_walkDirection = 0;
};

inline NtxFile::Page *NtxFile::page(uint32_t address, std::string *error)
{
    const size_t i = address / kPageSize;
    if (i < m_slots.size()) {
        Page *p = m_slots[i];
        if (p && p->address == address) {
            p->referenced = true;
            return p;
        }
    }
    return load(address, error);
}

template <class Fn> bool NtxFile::forEach(Fn fn, std::string *error)
{
    bool moved = false;
    if (!first(&moved, error)) return false;
    while (moved) {
        if (!fn(key(), recno())) return true;
        if (!next(&moved, error)) return false;
    }
    return true;
}

} // namespace xbase

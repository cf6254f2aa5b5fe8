#include "NtxFile.h"

#include "Bytes.h"

#include <algorithm>
#include <cstring>

namespace xbase {

namespace {

constexpr uint16_t kSignature = 0x0006;
constexpr int kOffVersion = 2, kOffRoot = 4, kOffFree = 8, kOffItemSize = 12, kOffKeyLength = 14,
              kOffKeyDecimals = 16, kOffMaxKeys = 18, kOffHalf = 20, kOffExpression = 22,
              kOffUnique = 278, kOffDescending = 280, kOffFor = 282, kOffTagName = 538;
// The mark of a change in progress: the last 4 bytes of the header page, "BUSY". Other engines
// leave that area zero.
constexpr int kOffMark = 1020;
constexpr uint32_t kChangeMark = 0x59535542;

// Offset of the first item slot when the page is laid out in order.
int slotBase(int maxKeys) { return 2 + 2 * (maxKeys + 1); }

// Lays out a page from items in order: offsets 0..max point at consecutive slots.
void layoutPage(unsigned char *page, int maxKeys, int itemSize, int n)
{
    std::memset(page, 0, NtxFile::kPageSize);
    putU16(page, uint16_t(n));
    for (int i = 0; i <= maxKeys; ++i)
        putU16(page + 2 + 2 * i, uint16_t(slotBase(maxKeys) + i * itemSize));
}

unsigned char *slot(unsigned char *page, int i) { return page + getU16(page + 2 + 2 * i); }

} // namespace

int NtxFile::maxKeysFor(int keyLength)
{
    int half = ((1020 / (keyLength + 8 + 2)) - 1) / 2;
    return 2 * half;
}

bool NtxFile::fail(std::string *error, const std::string &why) const
{
    *error = "index " + m_file.path() + ": " + why;
    return false;
}

// ---------------------------------------------------------------------------------------------
// Bulk build

namespace {

class PageWriter
{
public:
    explicit PageWriter(File &f) : m_file(f) {}
    unsigned char *next(uint32_t *address)
    {
        *address = uint32_t(m_nextAddress);
        m_nextAddress += NtxFile::kPageSize;
        m_buf.resize(m_buf.size() + NtxFile::kPageSize);
        return &m_buf[m_buf.size() - NtxFile::kPageSize];
    }
    bool commit()
    {
        if (m_buf.size() < (256u << 10)) return true;
        return drain();
    }
    bool drain()
    {
        if (m_buf.empty()) return true;
        bool ok = m_file.writeAt(m_bufAddress, m_buf.data(), m_buf.size());
        m_bufAddress += m_buf.size();
        m_buf.clear();
        return ok;
    }

private:
    File &m_file;
    std::vector<unsigned char> m_buf;
    uint64_t m_bufAddress = NtxFile::kPageSize;
    uint64_t m_nextAddress = NtxFile::kPageSize;
};

} // namespace

bool NtxFile::build(const std::string &path, const std::string &tagName,
                    const std::string &expression, int keyLength, const SortedEntries &entries,
                    std::string *error)
{
    if (keyLength < 1 || keyLength > kMaxKeyLength) {
        *error = "index " + path + ": key length " + std::to_string(keyLength) +
                 " is not 1 to 256";
        return false;
    }
    if (expression.size() > 255) {
        *error = "index " + path + ": the key expression is longer than 255 characters";
        return false;
    }
    const int m = maxKeysFor(keyLength);
    const int itemSize = keyLength + 8;
    const std::string &tmp = path;
    File f;
    if (!f.open(tmp, File::Mode::Create)) {
        *error = "cannot create index " + tmp + ": " + fs::lastErrorText();
        return false;
    }
    auto ioFail = [&]() {
        *error = "cannot write index " + tmp + ": " + fs::lastErrorText();
        f.close();
        fs::remove(tmp);
        return false;
    };
    PageWriter writer(f);
    // Pages are laid out in order, so item i sits at a fixed place.
    const int firstSlot = slotBase(m);
    const size_t kl = size_t(keyLength);
    auto putItem = [&](unsigned char *page, int i, uint32_t child, uint64_t entry) {
        unsigned char *s = page + firstSlot + i * itemSize;
        const unsigned char *e = entries.data + entry * (kl + 4);
        putU32(s, child);
        putU32(s + 4, (uint32_t(e[kl]) << 24) | (uint32_t(e[kl + 1]) << 16) |
                          (uint32_t(e[kl + 2]) << 8) | uint32_t(e[kl + 3]));
        copyShort(s + 8, e, kl);
    };

    const uint64_t n = entries.count;
    uint32_t root = 0;
    if (n == 0) {
        unsigned char *p = writer.next(&root);
        layoutPage(p, m, itemSize, 0);
    } else {
        // Leaves: as many as needed, the keys spread evenly, one separator between each two.
        const uint64_t leaves = n <= uint64_t(m) ? 1 : (n + 1 + m) / (m + 1);
        const uint64_t inLeaves = n - (leaves - 1);
        std::vector<uint32_t> children;
        std::vector<uint64_t> seps;
        children.reserve(leaves);
        seps.reserve(leaves);
        uint64_t pos = 0;
        for (uint64_t leaf = 0; leaf < leaves; ++leaf) {
            int size = int(inLeaves / leaves + (leaf < inLeaves % leaves ? 1 : 0));
            uint32_t address;
            unsigned char *p = writer.next(&address);
            layoutPage(p, m, itemSize, size);
            for (int i = 0; i < size; ++i) putItem(p, i, 0, pos++);
            children.push_back(address);
            if (leaf + 1 < leaves) seps.push_back(pos++);
            if (!writer.commit()) return ioFail();
        }
        // Branch levels, bottom-up, until one page (the root) remains.
        while (children.size() > 1) {
            const uint64_t c = children.size();
            const uint64_t pages = (c + m) / (m + 1);
            std::vector<uint32_t> upChildren;
            std::vector<uint64_t> upSeps;
            uint64_t ci = 0, si = 0;
            for (uint64_t b = 0; b < pages; ++b) {
                int k = int(c / pages + (b < c % pages ? 1 : 0));  // children of this page
                uint32_t address;
                unsigned char *p = writer.next(&address);
                layoutPage(p, m, itemSize, k - 1);
                for (int i = 0; i < k - 1; ++i) putItem(p, i, children[ci + i], seps[si + i]);
                putU32(p + firstSlot + (k - 1) * itemSize, children[ci + k - 1]);
                ci += k;
                si += k - 1;
                upChildren.push_back(address);
                if (b + 1 < pages) upSeps.push_back(seps[si++]);
                if (!writer.commit()) return ioFail();
            }
            children.swap(upChildren);
            seps.swap(upSeps);
        }
        root = children[0];
    }
    if (!writer.drain()) return ioFail();

    unsigned char h[kPageSize] = {};
    putU16(h, kSignature);
    putU16(h + kOffVersion, 1);
    putU32(h + kOffRoot, root);
    putU32(h + kOffFree, 0);
    putU16(h + kOffItemSize, uint16_t(itemSize));
    putU16(h + kOffKeyLength, uint16_t(keyLength));
    putU16(h + kOffKeyDecimals, 0);
    putU16(h + kOffMaxKeys, uint16_t(m));
    putU16(h + kOffHalf, uint16_t(m / 2));
    std::memcpy(h + kOffExpression, expression.data(), expression.size());
    std::string name = tagName.substr(0, 10);
    for (char &ch : name) ch = char(std::toupper((unsigned char)ch));
    std::memcpy(h + kOffTagName, name.data(), name.size());
    if (!f.writeAt(0, h, sizeof h)) return ioFail();
    f.close();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Opening and pages

NtxFile::NtxFile(PageCache *cache)
{
    if (!cache) {
        m_ownCache = std::make_unique<PageCache>();
        cache = m_ownCache.get();
    }
    m_cache = cache;
}

NtxFile::~NtxFile()
{
    std::string ignored;
    if (m_file.isOpen()) close(&ignored);
    releaseAll();
}

bool NtxFile::open(const std::string &path, bool readOnly, std::string *error)
{
    m_readOnly = readOnly;
    releaseAll();
    m_path.clear();
    if (!m_file.open(path, readOnly ? File::Mode::ReadOnly : File::Mode::ReadWrite)) {
        *error = "cannot open index " + path + ": " + fs::lastErrorText();
        return false;
    }
    auto bad = [&](const std::string &why) {
        fail(error, why);
        m_file.close();
        return false;
    };
    const long long size = m_file.size();
    unsigned char h[kPageSize];
    if (size < 2 * kPageSize || !m_file.readAt(0, h, kPageSize))
        return bad("too short for a header and a root page");
    m_signature = getU16(h);
    if (m_signature == 0x0007 || m_signature == 0x0107)
        return bad("tags with a FOR condition are not supported");
    if (m_signature != 0x0006 && m_signature != 0x0106)
        return bad("unknown signature " + std::to_string(m_signature));
    m_version = getU16(h + kOffVersion);
    m_root = getU32(h + kOffRoot);
    m_freeList = getU32(h + kOffFree);
    m_itemSize = getU16(h + kOffItemSize);
    m_keyLength = getU16(h + kOffKeyLength);
    m_keyDecimals = getU16(h + kOffKeyDecimals);
    m_maxKeys = getU16(h + kOffMaxKeys);
    const int half = getU16(h + kOffHalf);
    if (m_keyLength < 1 || m_keyLength > kMaxKeyLength)
        return bad("key length " + std::to_string(m_keyLength) + " is not 1 to 256");
    if (m_itemSize != m_keyLength + 8)
        return bad("item size " + std::to_string(m_itemSize) + " does not match key length " +
                   std::to_string(m_keyLength));
    if (m_maxKeys < 2 || m_maxKeys != 2 * half || 2 + (m_maxKeys + 1) * (2 + m_itemSize) > kPageSize)
        return bad("max keys " + std::to_string(m_maxKeys) + " / half " + std::to_string(half) +
                   " do not fit a page");
    if (h[kOffDescending] != 0) return bad("descending tags are not supported");
    (void)kOffUnique;
    if (h[kOffFor] != 0) return bad("tags with a FOR condition are not supported");
    const char *expr = reinterpret_cast<const char *>(h + kOffExpression);
    m_expression.assign(expr, strnlen(expr, 256));
    if (m_expression.empty() || m_expression.size() > 255)
        return bad("no key expression");
    const char *tag = reinterpret_cast<const char *>(h + kOffTagName);
    m_tagName.assign(tag, strnlen(tag, 12));
    m_fileEnd = uint64_t(size) / kPageSize * kPageSize;
    m_headerDirty = false;
    m_interrupted = getU32(h + kOffMark) == kChangeMark;
    m_markOnDisk = m_interrupted;
    m_slots.assign(size_t(m_fileEnd / kPageSize), nullptr);
    // The tree of a file caught in the middle of a change is not looked at: it is rebuilt.
    if (m_interrupted) return true;
    if (m_root == 0 || m_root % kPageSize || m_root >= m_fileEnd)
        return bad("root page " + std::to_string(m_root) + " is outside the file");
    if (m_freeList % kPageSize || m_freeList >= m_fileEnd)
        return bad("free page " + std::to_string(m_freeList) + " is outside the file");
    std::string pageError;
    if (!page(m_root, &pageError)) {
        *error = pageError;
        m_file.close();
        return false;
    }
    return true;
}

bool NtxFile::checkPage(uint32_t address, const unsigned char *bytes, std::string *error) const
{
    const int n = getU16(bytes);
    if (n > m_maxKeys)
        return fail(error, "page " + std::to_string(address) + " holds " + std::to_string(n) +
                               " keys, more than " + std::to_string(m_maxKeys));
    bool leaf = false;
    for (int i = 0; i <= n; ++i) {
        const int off = getU16(bytes + 2 + 2 * i);
        if (off < 2 + 2 * (n + 1) || off + m_itemSize > kPageSize)
            return fail(error, "page " + std::to_string(address) + " has item offset " +
                                   std::to_string(off) + " outside the page");
        const uint32_t child = getU32(bytes + off);
        if (i == 0) leaf = child == 0;
        if (leaf != (child == 0))
            return fail(error, "page " + std::to_string(address) +
                                   " mixes leaf and branch items");
        if (child && (child % kPageSize || child >= m_fileEnd || child == address))
            return fail(error, "page " + std::to_string(address) + " points at page " +
                                   std::to_string(child) + " outside the file");
        // Record numbers count from 1. A table sent to record 0 is "not positioned", and its
        // next skip starts again from the top: a walk over such an entry never ends.
        if (i < n && getU32(bytes + off + 4) == 0)
            return fail(error, "page " + std::to_string(address) + " has an entry for record 0");
    }
    return true;
}

NtxFile::Page *NtxFile::load(uint32_t address, std::string *error)
{
    if (address == 0 || address % kPageSize || address >= m_fileEnd) {
        fail(error, "page " + std::to_string(address) + " is outside the file");
        return nullptr;
    }
    Page *run[kReadAhead];
    run[0] = m_cache->acquire(this, error);
    if (!run[0]) return nullptr;
    run[0]->pins = 1;
    // The pages after it that are not cached come in the same read, as long as frames can be
    // had; they are pinned until read, so that getting one does not take back another.
    const size_t first = address / kPageSize;
    const size_t most = std::clamp<size_t>(m_cache->budget() / 4, 1, kReadAhead);
    size_t k = 1;
    std::string ignored;
    while (k < most && first + k < m_slots.size() && !m_slots[first + k]) {
        Page *p = m_cache->acquire(this, &ignored, true);
        if (!p) break;
        p->pins = 1;
        run[k++] = p;
    }
    unsigned char *buffers[kReadAhead];
    for (size_t i = 0; i < k; ++i) buffers[i] = run[i]->bytes;
    const long long got = m_file.readScattered(address, buffers, k, kPageSize);
    if (got < 0) {
        fail(error, "cannot read page " + std::to_string(address) + ": " + fs::lastErrorText());
        for (size_t i = 0; i < k; ++i) m_cache->release(run[i]);
        return nullptr;
    }
    for (size_t i = 0; i < k; ++i) {
        Page *p = run[i];
        // A page past the end of the file reads as zeros (only the last page may be short).
        const long long have =
            std::clamp<long long>(got - (long long)(i * kPageSize), 0, kPageSize);
        std::memset(p->bytes + have, 0, size_t(kPageSize - have));
        p->pins = 0;
        p->address = uint32_t(address + i * kPageSize);
        if (i == 0) {
            if (!checkPage(p->address, p->bytes, error)) {
                for (size_t j = 0; j < k; ++j) m_cache->release(run[j]);
                return nullptr;
            }
            p->referenced = true;
        } else if (!checkPage(p->address, p->bytes, &ignored)) {
            // Not needed now; a bad page is reported when it is asked for.
            m_cache->release(p);
            continue;
        }
        m_slots[first + i] = p;
    }
    return run[0];
}

bool NtxFile::evict(Page *frame, std::string *error)
{
    if (frame->dirty && !writePage(frame, error)) return false;
    m_slots[frame->address / kPageSize] = nullptr;
    return true;
}

void NtxFile::releaseAll()
{
    for (Page *&p : m_slots) {
        if (!p) continue;
        m_cache->release(p);
        p = nullptr;
    }
    m_dirty.clear();
}

void NtxFile::markDirty(Page *p)
{
    if (p->dirty) return;
    p->dirty = true;
    m_dirty.push_back(p->address);
    // Pages written by eviction stay listed until the next flush; keep the list short when
    // there is no flush for a long time.
    if (m_dirty.size() > 2 * m_cache->budget() + 64) {
        std::erase_if(m_dirty, [this](uint32_t a) {
            const Page *q = m_slots[a / kPageSize];
            return !q || !q->dirty;
        });
        std::sort(m_dirty.begin(), m_dirty.end());
        m_dirty.erase(std::unique(m_dirty.begin(), m_dirty.end()), m_dirty.end());
    }
}

bool NtxFile::writeMark(bool on, std::string *error)
{
    unsigned char mark[4] = {};
    if (on) putU32(mark, kChangeMark);
    if (!on && syncMarks() && !m_file.sync())  // the pages first
        return fail(error, "cannot sync: " + fs::lastErrorText());
    if (!m_file.writeAt(kOffMark, mark, sizeof mark))
        return fail(error, "cannot write the header: " + fs::lastErrorText());
    if (on && syncMarks() && !m_file.sync())  // the mark before any page
        return fail(error, "cannot sync: " + fs::lastErrorText());
    m_markOnDisk = on;
    return true;
}

bool NtxFile::writePage(Page *p, std::string *error)
{
    if (!m_markOnDisk && !writeMark(true, error)) return false;
    if (!m_file.writeAt(p->address, p->bytes, kPageSize))
        return fail(error, "cannot write page " + std::to_string(p->address) + ": " +
                               fs::lastErrorText());
    p->dirty = false;
    return true;
}

bool NtxFile::flush(std::string *error)
{
    if (m_readOnly) return true;
    // A file that was interrupted keeps its mark: only a rebuild makes its tree whole.
    if (m_dirty.empty() && !m_headerDirty && !(m_markOnDisk && !m_interrupted)) return true;
    std::sort(m_dirty.begin(), m_dirty.end());
    m_dirty.erase(std::unique(m_dirty.begin(), m_dirty.end()), m_dirty.end());
    for (uint32_t address : m_dirty) {
        Page *p = m_slots[address / kPageSize];
        if (p && p->dirty && !writePage(p, error)) return false;
    }
    m_dirty.clear();
    unsigned char h[12];
    if (!m_file.readAt(0, h, sizeof h))
        return fail(error, "cannot read the header: " + fs::lastErrorText());
    ++m_version;
    putU16(h + kOffVersion, m_version);
    putU32(h + kOffRoot, m_root);
    putU32(h + kOffFree, m_freeList);
    if (!m_file.writeAt(0, h, sizeof h))
        return fail(error, "cannot write the header: " + fs::lastErrorText());
    m_headerDirty = false;
    // Every page of the change is written: the tree is whole again.
    return !m_markOnDisk || m_interrupted || writeMark(false, error);
}

bool NtxFile::dropPages(std::string *error)
{
    if (!flush(error)) return false;
    releaseAll();
    return true;
}

bool NtxFile::close(std::string *error)
{
    bool ok = flush(error);
    m_file.close();
    releaseAll();
    m_path.clear();
    return ok;
}

int NtxFile::count(const Page *p) const { return getU16(p->bytes); }

const unsigned char *NtxFile::item(const Page *p, int i) const
{
    return p->bytes + getU16(p->bytes + 2 + 2 * i);
}

bool NtxFile::decode(uint32_t address, Node *node, std::string *error)
{
    Page *p = page(address, error);
    if (!p) return false;
    const int n = count(p);
    node->items.resize(size_t(n));
    for (int i = 0; i < n; ++i) {
        const unsigned char *it = item(p, i);
        node->items[size_t(i)].child = getU32(it);
        node->items[size_t(i)].recno = getU32(it + 4);
        node->items[size_t(i)].key.assign(reinterpret_cast<const char *>(it + 8),
                                          size_t(m_keyLength));
    }
    node->rightmost = getU32(item(p, n));
    return true;
}

bool NtxFile::encode(uint32_t address, const Node &node, std::string *error)
{
    Page *p = page(address, error);
    if (!p) return false;
    const int n = int(node.items.size());
    layoutPage(p->bytes, m_maxKeys, m_itemSize, n);
    for (int i = 0; i < n; ++i) {
        unsigned char *s = slot(p->bytes, i);
        putU32(s, node.items[size_t(i)].child);
        putU32(s + 4, node.items[size_t(i)].recno);
        std::memcpy(s + 8, node.items[size_t(i)].key.data(), size_t(m_keyLength));
    }
    putU32(slot(p->bytes, n), node.rightmost);
    markDirty(p);
    m_headerDirty = true;  // every change bumps the version counter
    return true;
}

bool NtxFile::allocate(uint32_t *address, std::string *error)
{
    if (m_freeList) {
        Page *p = page(m_freeList, error);
        if (!p) return false;
        if (count(p) != 0)
            return fail(error, "free page " + std::to_string(m_freeList) + " is in use");
        uint32_t next = getU32(item(p, 0));
        *address = m_freeList;
        m_freeList = next;
        m_headerDirty = true;
        return true;
    }
    if (m_fileEnd + kPageSize > 0xFFFFFFFFull) return fail(error, "the index is full");
    Page *p = m_cache->acquire(this, error);
    if (!p) return false;
    *address = uint32_t(m_fileEnd);
    m_fileEnd += kPageSize;
    p->address = *address;
    p->referenced = true;
    layoutPage(p->bytes, m_maxKeys, m_itemSize, 0);
    m_slots.push_back(p);
    markDirty(p);
    return true;
}

bool NtxFile::release(uint32_t address, std::string *error)
{
    Page *p = page(address, error);
    if (!p) return false;
    layoutPage(p->bytes, m_maxKeys, m_itemSize, 0);
    putU32(slot(p->bytes, 0), m_freeList);
    markDirty(p);
    m_freeList = address;
    m_headerDirty = true;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Cursor

int NtxFile::compareEntry(const unsigned char *itm, const char *key, uint32_t recno) const
{
    int c = std::memcmp(itm + 8, key, size_t(m_keyLength));
    if (c) return c;
    uint32_t r = getU32(itm + 4);
    return r < recno ? -1 : r > recno ? 1 : 0;
}

void NtxFile::settleOn(const Page *p, int index)
{
    const unsigned char *it = item(p, index);
    m_currentRecno = getU32(it + 4);
    std::memcpy(m_currentKey.data(), it + 8, size_t(m_keyLength));
}

bool NtxFile::settle(std::string *error)
{
    if (m_path.empty()) return true;
    Page *p = page(m_path.back().page, error);
    if (!p) {
        m_path.clear();
        return false;
    }
    settleOn(p, m_path.back().index);
    return true;
}

bool NtxFile::descendLeftmost(uint32_t address, std::string *error)
{
    for (;;) {
        if (m_path.size() >= size_t(kMaxDepth)) return fail(error, "the tree is too deep");
        Page *p = page(address, error);
        if (!p) return false;
        const int n = count(p);
        const uint32_t child = getU32(item(p, 0));
        m_path.push_back({address, 0});
        if (child == 0) {
            if (n == 0) {
                if (m_path.size() > 1) return fail(error, "page " + std::to_string(address) +
                                                              " is an empty leaf");
                m_path.clear();
            }
            return true;
        }
        address = child;
    }
}

bool NtxFile::descendRightmost(uint32_t address, std::string *error)
{
    for (;;) {
        if (m_path.size() >= size_t(kMaxDepth)) return fail(error, "the tree is too deep");
        Page *p = page(address, error);
        if (!p) return false;
        const int n = count(p);
        const uint32_t child = getU32(item(p, n));
        if (child == 0) {
            if (n == 0) {
                if (!m_path.empty()) return fail(error, "page " + std::to_string(address) +
                                                            " is an empty leaf");
                return true;
            }
            m_path.push_back({address, n - 1});
            return true;
        }
        m_path.push_back({address, n});
        address = child;
    }
}

bool NtxFile::first(bool *moved, std::string *error)
{
    m_path.clear();
    m_walked = 0;
    if (!descendLeftmost(m_root, error) || !settle(error)) {
        m_path.clear();
        return false;
    }
    *moved = !m_path.empty();
    return true;
}

bool NtxFile::last(bool *moved, std::string *error)
{
    m_path.clear();
    m_walked = 0;
    if (!descendRightmost(m_root, error) || !settle(error)) {
        m_path.clear();
        return false;
    }
    *moved = !m_path.empty();
    return true;
}

// A walk in one direction passes each entry once, so it cannot pass more entries than the
// file's pages hold. A damaged tree whose branch items lead to the same page more than once
// is walked through that page again and again: with a few levels of that, the walk would
// not end in a lifetime. Such a walk is stopped with an error instead. The bound is twice
// what the pages can hold, so that a verifier counting the walk itself sees the loop first.
// countWalk (in the header) keeps the count; this reports the loop.
bool NtxFile::walkTooLong(std::string *error)
{
    m_path.clear();
    return fail(error, "a walk passed more entries than the file holds: its pages lead to "
                       "the same page more than once");
}

bool NtxFile::next(bool *moved, std::string *error)
{
    if (!stepNext(moved, error)) return false;
    return !*moved || (countWalk(1, 1, error) && settle(error));
}

bool NtxFile::prev(bool *moved, std::string *error)
{
    if (!stepPrev(moved, error)) return false;
    return !*moved || (countWalk(-1, 1, error) && settle(error));
}

bool NtxFile::stepNext(bool *moved, std::string *error)
{
    *moved = false;
    if (m_path.empty()) return true;
    Step &top = m_path.back();
    Page *p = page(top.page, error);
    if (!p) return false;
    const int n = count(p);
    const uint32_t right = getU32(item(p, top.index + 1 <= n ? top.index + 1 : n));
    if (right != 0) {
        top.index += 1;  // now the child taken
        if (!descendLeftmost(right, error)) return false;
        *moved = !m_path.empty();
        return true;
    }
    if (top.index + 1 < n) {
        top.index += 1;
        *moved = true;
        return true;
    }
    m_path.pop_back();
    while (!m_path.empty()) {
        Step &up = m_path.back();
        Page *q = page(up.page, error);
        if (!q) return false;
        if (up.index < count(q)) {
            *moved = true;  // the key after the subtree we came from
            return true;
        }
        m_path.pop_back();
    }
    return true;
}

bool NtxFile::stepPrev(bool *moved, std::string *error)
{
    *moved = false;
    if (m_path.empty()) return true;
    Step &top = m_path.back();
    Page *p = page(top.page, error);
    if (!p) return false;
    const uint32_t left = getU32(item(p, top.index));
    if (left != 0) {
        // top.index already names the child to the left of the entry.
        if (!descendRightmost(left, error)) return false;
        *moved = !m_path.empty();
        return true;
    }
    if (top.index > 0) {
        top.index -= 1;
        *moved = true;
        return true;
    }
    m_path.pop_back();
    while (!m_path.empty()) {
        Step &up = m_path.back();
        if (up.index > 0) {
            up.index -= 1;
            *moved = true;
            return true;
        }
        m_path.pop_back();
    }
    return true;
}

bool NtxFile::skip(long count, long *done, std::string *error)
{
    *done = 0;
    if (m_path.empty()) return true;
    if (count == 1 || count == -1) {
        // The common step: to a neighbour in the same leaf.
        Step &top = m_path.back();
        const Page *p = page(top.page, error);
        if (!p) return false;
        const int to = top.index + int(count);
        if (getU32(item(p, 0)) == 0 && to >= 0 && to < this->count(p)) {
            if (!countWalk(int(count), 1, error)) return false;
            top.index = to;
            settleOn(p, to);
            *done = 1;
            return true;
        }
    }
    bool moved = true;
    while (count != 0 && !m_path.empty()) {
        Step &top = m_path.back();
        Page *p = page(top.page, error);
        if (!p) return false;
        const bool leaf = getU32(item(p, 0)) == 0;
        if (leaf) {
            // Move inside the leaf in one step.
            long room = count > 0 ? this->count(p) - 1 - top.index : top.index;
            long step = std::min<long>(room, count > 0 ? count : -count);
            if (step > 0) {
                if (!countWalk(count > 0 ? 1 : -1, step, error)) return false;
                top.index += int(count > 0 ? step : -step);
                count += count > 0 ? -step : step;
                *done += step;
                continue;
            }
        }
        if (!(count > 0 ? stepNext(&moved, error) : stepPrev(&moved, error))) return false;
        if (!moved) break;
        if (!countWalk(count > 0 ? 1 : -1, 1, error)) return false;
        count += count > 0 ? -1 : 1;
        *done += 1;
    }
    return settle(error);
}

NtxFile::Seek NtxFile::seek(const char *key, int length, std::string *error)
{
    length = std::min(length, m_keyLength);
    m_path.clear();
    m_walked = 0;
    uint32_t address = m_root;
    for (;;) {
        if (m_path.size() >= size_t(kMaxDepth)) {
            fail(error, "the tree is too deep");
            m_path.clear();
            return Seek::Error;
        }
        Page *p = page(address, error);
        if (!p) {
            m_path.clear();
            return Seek::Error;
        }
        p->prefetch();
        const int n = count(p);
        int lo = 0, hi = n;  // first item whose key prefix is >= key
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (std::memcmp(item(p, mid) + 8, key, size_t(length)) < 0) lo = mid + 1;
            else hi = mid;
        }
        m_path.push_back({address, lo});
        const uint32_t child = getU32(item(p, lo));
        if (child != 0) {
            address = child;
            continue;
        }
        if (lo == n) {
            // Nothing here: the answer is the first ancestor key after this subtree.
            m_path.pop_back();
            for (;;) {
                if (m_path.empty()) return Seek::End;
                p = page(m_path.back().page, error);
                if (!p) {
                    m_path.clear();
                    return Seek::Error;
                }
                if (m_path.back().index < this->count(p)) break;
                m_path.pop_back();
            }
        }
        settleOn(p, m_path.back().index);
        return std::memcmp(this->key(), key, size_t(length)) == 0 ? Seek::Found : Seek::After;
    }
}

bool NtxFile::findPath(const char *key, uint32_t recno, std::vector<Step> *path, bool *found,
                       std::string *error)
{
    path->clear();
    *found = false;
    uint32_t address = m_root;
    for (;;) {
        if (path->size() >= size_t(kMaxDepth)) return fail(error, "the tree is too deep");
        Page *p = page(address, error);
        if (!p) return false;
        p->prefetch();
        const int n = count(p);
        int lo = 0, hi = n;
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (compareEntry(item(p, mid), key, recno) < 0) lo = mid + 1;
            else hi = mid;
        }
        path->push_back({address, lo});
        if (lo < n && compareEntry(item(p, lo), key, recno) == 0) {
            *found = true;
            return true;
        }
        const uint32_t child = getU32(item(p, lo));
        if (child == 0) return true;
        address = child;
    }
}

bool NtxFile::seekEntry(const char *key, uint32_t recno, bool *found, std::string *error)
{
    m_walked = 0;
    if (!findPath(key, recno, &m_path, found, error) || !settle(error)) {
        m_path.clear();
        return false;
    }
    if (!*found) m_path.clear();
    return true;
}

bool NtxFile::height(int *levels, std::string *error)
{
    *levels = 0;
    uint32_t address = m_root;
    while (address) {
        if (++*levels > kMaxDepth) return fail(error, "the tree is too deep");
        Page *p = page(address, error);
        if (!p) return false;
        address = getU32(item(p, 0));
    }
    return true;
}

bool NtxFile::position(double *fraction, std::string *error)
{
    // Entries before the cursor, and in all, counted exactly in the pages along the path and
    // their children, and estimated below them from the average fill of the children read at
    // each level. No more than the path pages and their children are read.
    *fraction = 0;
    if (m_path.empty()) return true;
    int levels = 0;
    if (!height(&levels, error)) return false;
    if (levels < int(m_path.size())) return fail(error, "leaves lie at different depths");
    const size_t depth = size_t(levels);
    // Counts of the children of each path page, by level of the children.
    std::vector<std::vector<int>> childCounts(depth + 1);
    std::vector<double> fill(depth + 1, 0);
    std::vector<int> fillSamples(depth + 1, 0);
    for (size_t k = 0; k < m_path.size(); ++k) {
        Page *p = page(m_path[k].page, error);
        if (!p) return false;
        const int n = count(p);
        if (getU32(item(p, 0)) == 0) break;  // a leaf has no children
        std::vector<uint32_t> children;
        for (int j = 0; j <= n; ++j) children.push_back(getU32(item(p, j)));
        for (uint32_t child : children) {
            Page *cp = page(child, error);
            if (!cp) return false;
            childCounts[k + 1].push_back(count(cp));
            fill[k + 1] += count(cp);
            fillSamples[k + 1] += 1;
        }
    }
    // below[L]: estimated entries in a subtree hanging under a page of level L.
    std::vector<double> below(depth + 1, 0);
    double typical = m_maxKeys * 0.75;
    for (size_t L = 1; L < depth; ++L)
        if (fillSamples[L]) typical = fill[L] / fillSamples[L];
    for (size_t L = depth - 1; L-- > 0;) {
        const double f = fillSamples[L + 1] ? fill[L + 1] / fillSamples[L + 1] : typical;
        below[L] = f + (f + 1) * below[L + 1];
    }
    auto subtree = [&](size_t level, int n) { return n + (n + 1) * below[level]; };
    double before = 0;
    for (size_t k = 0; k < m_path.size(); ++k) {
        const bool last = k + 1 == m_path.size();
        const int idx = m_path[k].index;
        before += idx;  // keys of this page before the child taken or the entry
        const int upto = last ? idx + 1 : idx;  // on a branch entry, its left subtree too
        for (int j = 0; j < upto && size_t(j) < childCounts[k + 1].size(); ++j)
            before += subtree(k + 1, childCounts[k + 1][size_t(j)]);
    }
    Page *root = page(m_root, error);
    if (!root) return false;
    double total = count(root);
    for (int n : childCounts[1]) total += subtree(1, n);
    *fraction = total > 1 ? std::clamp(before / total, 0.0, 1.0) : 0;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Changes

bool NtxFile::insert(const char *key, uint32_t recno, std::string *error)
{
    if (m_readOnly) return fail(error, "opened read-only");
    std::vector<Step> path;
    bool found = false;
    m_path.clear();
    if (!findPath(key, recno, &path, &found, error)) return false;
    if (found)
        return fail(error, "record " + std::to_string(recno) + " is already in the index");
    Node node;
    size_t level = path.size() - 1;
    uint32_t address = path[level].page;
    if (!decode(address, &node, error)) return false;
    if (!node.leaf()) return fail(error, "an insert did not end in a leaf");
    node.items.insert(node.items.begin() + path[level].index,
                      Item{0, recno, std::string(key, size_t(m_keyLength))});
    for (;;) {
        if (int(node.items.size()) <= m_maxKeys) return encode(address, node, error);
        // Split: the lower half stays, the median moves up, the upper half goes to a new page.
        const size_t h = size_t(m_maxKeys / 2);
        Item median = node.items[h];
        Node right;
        right.items.assign(node.items.begin() + long(h) + 1, node.items.end());
        right.rightmost = node.rightmost;
        node.items.resize(h);
        node.rightmost = median.child;
        uint32_t rightAddress;
        if (!allocate(&rightAddress, error)) return false;
        if (!encode(address, node, error) || !encode(rightAddress, right, error)) return false;
        median.child = address;
        if (level == 0) {
            Node root;
            root.items.push_back(median);
            root.rightmost = rightAddress;
            uint32_t rootAddress;
            if (!allocate(&rootAddress, error) || !encode(rootAddress, root, error)) return false;
            m_root = rootAddress;
            m_headerDirty = true;
            return true;
        }
        --level;
        address = path[level].page;
        if (!decode(address, &node, error)) return false;
        const size_t j = size_t(path[level].index);
        if (j > node.items.size()) return fail(error, "a page changed under an insert");
        node.items.insert(node.items.begin() + long(j), median);
        node.setChild(j + 1, rightAddress);
    }
}

bool NtxFile::remove(const char *key, uint32_t recno, std::string *error)
{
    if (m_readOnly) return fail(error, "opened read-only");
    std::vector<Step> path;
    bool found = false;
    m_path.clear();
    if (!findPath(key, recno, &path, &found, error)) return false;
    if (!found)
        return fail(error, "record " + std::to_string(recno) + " with key \"" +
                               std::string(key, size_t(m_keyLength)) + "\" is not in the index");
    Node node;
    const uint32_t address = path.back().page;
    const size_t i = size_t(path.back().index);
    if (!decode(address, &node, error)) return false;
    if (node.leaf()) {
        node.items.erase(node.items.begin() + long(i));
        if (!encode(address, node, error)) return false;
    } else {
        // Replace the entry by its predecessor, the last entry of the subtree on its left.
        uint32_t down = node.items[i].child;
        for (;;) {
            if (path.size() >= size_t(kMaxDepth)) return fail(error, "the tree is too deep");
            Node sub;
            if (!decode(down, &sub, error)) return false;
            if (sub.leaf()) {
                if (sub.items.empty()) return fail(error, "an empty leaf below a branch");
                path.push_back({down, int(sub.items.size()) - 1});
                Item pred = sub.items.back();
                sub.items.pop_back();
                if (!encode(down, sub, error)) return false;
                node.items[i].recno = pred.recno;
                node.items[i].key = pred.key;
                if (!encode(address, node, error)) return false;
                break;
            }
            path.push_back({down, int(sub.items.size())});
            down = sub.rightmost;
        }
    }
    return fixUnderflow(std::move(path), error);
}

bool NtxFile::fixUnderflow(std::vector<Step> path, std::string *error)
{
    // Pages may hold as few as one key; only an empty page is repaired, by borrowing from a
    // sibling or merging with it. All leaves stay at the same depth.
    while (!path.empty()) {
        const size_t level = path.size() - 1;
        const uint32_t address = path[level].page;
        Node p;
        if (!decode(address, &p, error)) return false;
        if (!p.items.empty()) return true;
        if (level == 0) {
            if (p.rightmost != 0) {  // a root without keys hands over to its only child
                m_root = p.rightmost;
                m_headerDirty = true;
                return release(address, error);
            }
            return true;
        }
        const uint32_t parentAddress = path[level - 1].page;
        Node q;
        if (!decode(parentAddress, &q, error)) return false;
        const size_t j = size_t(path[level - 1].index);
        if (q.items.empty() || j > q.items.size())
            return fail(error, "page " + std::to_string(parentAddress) + " changed under a delete");
        if (j > 0) {
            const uint32_t sAddress = q.child(j - 1);
            Node s;
            if (!decode(sAddress, &s, error)) return false;
            Item &sep = q.items[j - 1];
            if (s.items.size() >= 2) {
                p.items.push_back(Item{s.rightmost, sep.recno, sep.key});
                Item lastItem = s.items.back();
                s.items.pop_back();
                s.rightmost = lastItem.child;
                sep.recno = lastItem.recno;
                sep.key = lastItem.key;
                return encode(address, p, error) && encode(sAddress, s, error) &&
                       encode(parentAddress, q, error);
            }
            s.items.push_back(Item{s.rightmost, sep.recno, sep.key});
            s.rightmost = p.rightmost;
            q.setChild(j, sAddress);
            q.items.erase(q.items.begin() + long(j) - 1);
            if (!encode(sAddress, s, error) || !encode(parentAddress, q, error) ||
                !release(address, error))
                return false;
        } else {
            const uint32_t sAddress = q.child(1);
            Node s;
            if (!decode(sAddress, &s, error)) return false;
            Item &sep = q.items[0];
            if (s.items.size() >= 2) {
                p.items.push_back(Item{p.rightmost, sep.recno, sep.key});
                p.rightmost = s.items[0].child;
                sep.recno = s.items[0].recno;
                sep.key = s.items[0].key;
                s.items.erase(s.items.begin());
                return encode(address, p, error) && encode(sAddress, s, error) &&
                       encode(parentAddress, q, error);
            }
            p.items.push_back(Item{p.rightmost, sep.recno, sep.key});
            p.items.insert(p.items.end(), s.items.begin(), s.items.end());
            p.rightmost = s.rightmost;
            q.items.erase(q.items.begin());
            q.setChild(0, address);
            if (!encode(address, p, error) || !encode(parentAddress, q, error) ||
                !release(sAddress, error))
                return false;
        }
        path.pop_back();
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Verification

bool NtxFile::checkTree(uint64_t *entries, std::string *error)
{
    *entries = 0;
    int leafDepth = -1;
    std::string previous;
    uint32_t previousRecno = 0;
    bool havePrevious = false;
    // Depth-first walk with an explicit stack: (page, next child or key to visit, depth).
    struct Frame
    {
        uint32_t page;
        int next;
        int depth;
    };
    std::vector<Frame> stack{{m_root, 0, 1}};
    uint64_t pagesSeen = 0;
    const uint64_t pageLimit = m_fileEnd / kPageSize;
    auto visitKey = [&](const unsigned char *it) {
        std::string k(reinterpret_cast<const char *>(it + 8), size_t(m_keyLength));
        uint32_t r = getU32(it + 4);
        if (havePrevious && (k < previous || (k == previous && r <= previousRecno)))
            return fail(error, "entry for record " + std::to_string(r) +
                                   " is out of order");
        previous = std::move(k);
        previousRecno = r;
        havePrevious = true;
        ++*entries;
        return true;
    };
    while (!stack.empty()) {
        Frame &f = stack.back();
        if (f.depth > kMaxDepth) return fail(error, "the tree is too deep");
        Page *p = page(f.page, error);
        if (!p) return false;
        const int n = count(p);
        const bool leaf = getU32(item(p, 0)) == 0;
        if (f.next == 0 && ++pagesSeen > pageLimit)
            return fail(error, "pages are reachable more than once");
        if (leaf) {
            if (n == 0 && stack.size() > 1)
                return fail(error, "page " + std::to_string(f.page) + " is an empty leaf");
            if (leafDepth < 0) leafDepth = f.depth;
            if (leafDepth != f.depth) return fail(error, "leaves lie at different depths");
            for (int i = 0; i < n; ++i)
                if (!visitKey(item(p, i))) return false;
            stack.pop_back();
            continue;
        }
        // Branch: child k, then key k, for k = 0..n; the last child has no key after it.
        const int k = f.next / 2;
        if (f.next % 2 == 0) {
            if (k > n) {
                stack.pop_back();
                continue;
            }
            if (n == 0) return fail(error, "branch page " + std::to_string(f.page) + " is empty");
            f.next += 1;
            const uint32_t child = getU32(item(p, k));
            const int depth = f.depth + 1;
            stack.push_back({child, 0, depth});
        } else {
            f.next += 1;
            if (k < n && !visitKey(item(p, k))) return false;
        }
    }
    return true;
}

} // namespace xbase

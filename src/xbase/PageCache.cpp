#include "PageCache.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <malloc.h>
#include <new>
#include <sys/mman.h>

namespace xbase {

PageCache::PageCache(size_t budget) : m_budget(std::max<size_t>(budget, 1)) {}

PageCache::~PageCache()
{
    for (Chunk &c : m_chunks)
        munmap(c.memory, kChunkBytes);
}

void PageCache::setBudget(size_t pages)
{
    m_budget = std::max<size_t>(pages, 1);
}

PageCache::Chunk &PageCache::chunkOf(const Frame *frame)
{
    const auto *at = reinterpret_cast<const unsigned char *>(frame);
    for (Chunk &c : m_chunks)
        if (at >= c.memory && at < c.memory + kChunkBytes) return c;
    std::abort(); // every frame comes from a chunk
}

PageCache::Frame *PageCache::newFrame(std::string *error)
{
    Frame *f = nullptr;
    if (!m_spare.empty()) {
        f = m_spare.back();
        m_spare.pop_back();
    } else {
        if (m_chunks.empty() || m_chunks.back().made == kFramesPerChunk) {
            void *memory = mmap(nullptr, kChunkBytes, PROT_READ | PROT_WRITE,
                                MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (memory == MAP_FAILED) {
                if (error)
                    *error = std::string("no memory for index pages: ") + std::strerror(errno);
                return nullptr;
            }
            madvise(memory, kChunkBytes, MADV_HUGEPAGE); // a hint; 4 KB pages work too
            m_chunks.push_back({static_cast<unsigned char *>(memory), 0, 0});
        }
        Chunk &c = m_chunks.back();
        f = new (c.memory + c.made * sizeof(Frame)) Frame();
        ++c.made;
    }
    ++chunkOf(f).inUse;
    m_frames.push_back(f);
    return f;
}

void PageCache::retire(Frame *frame)
{
    --chunkOf(frame).inUse;
    m_spare.push_back(frame);
}

PageCache::Frame *PageCache::sweep()
{
    // Two turns at most: the first may only clear referenced bits.
    const size_t n = m_frames.size();
    for (size_t steps = 0; steps < 2 * n; ++steps) {
        if (m_hand >= n) m_hand = 0;
        Frame *f = m_frames[m_hand++];
        if (!f->owner || f->pins) continue;
        if (f->referenced) {
            f->referenced = false;
            continue;
        }
        return f;
    }
    return nullptr;
}

PageCache::Frame *PageCache::acquire(Owner *owner, std::string *error, bool optional)
{
    if (m_frames.size() > m_budget && !m_free.empty()) dropFree(); // the budget was lowered
    Frame *f = nullptr;
    if (!m_free.empty()) {
        f = m_free.back();
        m_free.pop_back();
    } else if (m_frames.size() < m_budget) {
        f = newFrame(optional ? nullptr : error);
        if (!f) return nullptr;
    } else {
        std::string ignored;
        for (;;) {
            Frame *victim = sweep();
            if (!victim) {
                if (!optional) *error = "every page of the index cache is pinned";
                return nullptr;
            }
            if (!victim->owner->evict(victim, optional ? &ignored : error)) return nullptr;
            victim->owner = nullptr;
            if (m_frames.size() > m_budget) {
                auto it = std::find(m_frames.begin(), m_frames.end(), victim);
                const size_t at = size_t(it - m_frames.begin());
                m_frames.erase(it);
                if (m_hand > at) --m_hand;
                retire(victim);
                continue;
            }
            f = victim;
            break;
        }
    }
    f->owner = owner;
    f->address = 0;
    f->dirty = false;
    f->referenced = false;
    f->pins = 0;
    return f;
}

void PageCache::release(Frame *frame)
{
    frame->owner = nullptr;
    frame->dirty = false;
    frame->referenced = false;
    frame->pins = 0;
    m_free.push_back(frame);
}

void PageCache::dropFree()
{
    for (Frame *f : m_free)
        retire(f);
    std::erase_if(m_frames, [](const Frame *f) { return f->owner == nullptr; });
    m_free.clear();
    m_hand = 0;
}

void PageCache::trim()
{
    dropFree();
    for (auto c = m_chunks.begin(); c != m_chunks.end();) {
        if (c->inUse != 0) {
            ++c;
            continue;
        }
        const unsigned char *begin = c->memory, *end = c->memory + kChunkBytes;
        std::erase_if(m_spare, [&](const Frame *f) {
            const auto *at = reinterpret_cast<const unsigned char *>(f);
            return at >= begin && at < end;
        });
        munmap(c->memory, kChunkBytes);
        c = m_chunks.erase(c);
    }
    // What else the work before left free on the heap goes back too.
    malloc_trim(0);
}

} // namespace xbase

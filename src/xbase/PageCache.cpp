#include "PageCache.h"

#include <algorithm>
#include <malloc.h>

namespace xbase {

PageCache::PageCache(size_t budget) : m_budget(std::max<size_t>(budget, 1)) {}

PageCache::~PageCache() = default;

void PageCache::setBudget(size_t pages)
{
    m_budget = std::max<size_t>(pages, 1);
}

PageCache::Frame *PageCache::sweep()
{
    // Two turns at most: the first may only clear referenced bits.
    const size_t n = m_frames.size();
    for (size_t steps = 0; steps < 2 * n; ++steps) {
        if (m_hand >= n) m_hand = 0;
        Frame *f = m_frames[m_hand++].get();
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
        m_frames.push_back(std::make_unique<Frame>());
        f = m_frames.back().get();
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
                auto it = std::find_if(m_frames.begin(), m_frames.end(),
                                       [victim](const auto &p) { return p.get() == victim; });
                const size_t at = size_t(it - m_frames.begin());
                m_frames.erase(it);
                if (m_hand > at) --m_hand;
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
    std::erase_if(m_frames, [](const std::unique_ptr<Frame> &f) { return f->owner == nullptr; });
    m_free.clear();
    m_hand = 0;
}

void PageCache::trim()
{
    dropFree();
    // Freed frames lie scattered through the heap; without this the process keeps them.
    malloc_trim(0);
}

} // namespace xbase

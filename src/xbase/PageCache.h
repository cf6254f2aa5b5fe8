#pragma once

// A budget of index pages shared by the index files that draw on it: an engine gives all the
// tags of all its tables one cache, so four open tags do not hold four full caches, and the
// tag in use may fill the whole budget.
//
// Frames are made on demand up to the budget. Past it, a clock sweep picks the frame to reuse:
// every frame has a "referenced" bit that each lookup sets and the sweeping hand clears, so
// a frame is taken only when nobody looked at it for a whole turn of the hand. The frame's
// owner is asked to give it up first and writes it out if it changed.
//
// Frames live in 2 MB chunks mapped from the system and offered to it as huge pages: a seek
// touches pages all over the cache, and with 4 KB memory pages nearly every one of those
// touches would also miss the processor's address translation cache. trim() unmaps the
// chunks whose frames are all free.
//
// A frame handed out by acquire() stays its owner's until the owner releases it or gives it
// up in evict(); any later acquire() may take it away, so callers hold no frame across one,
// except the frames they pinned.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace xbase {

class PageCache
{
public:
    static constexpr int kPageSize = 1024;
    // 16 MB of pages (about 18 MB with the frames' bookkeeping): the customer number tag of a
    // million-record table fits whole, and the program stays well inside its memory goal.
    static constexpr size_t kDefaultBudget = 16384;

    class Owner;
    // Aligned to cache lines, the bookkeeping first: a lookup and the start of the page (key
    // count and offsets) share a line.
    struct alignas(64) Frame
    {
        Owner *owner = nullptr; // nullptr = free
        uint32_t address = 0;   // the page's byte offset in its owner's file
        bool dirty = false;
        bool referenced = false;
        int pins = 0; // a pinned frame is never taken by the sweep
        unsigned char bytes[kPageSize];

        // Asks for the whole page at once: a binary search then finds its lines in the
        // processor cache instead of waiting for them one probe after another.
        void prefetch() const
        {
            for (int at = 0; at < kPageSize; at += 64)
                __builtin_prefetch(bytes + at);
        }
    };

    // An index file that keeps pages here.
    class Owner
    {
    public:
        // Gives up the frame: writes it if it is dirty and forgets it. On false (a write
        // failed, described in *error) the frame stays the owner's.
        virtual bool evict(Frame *frame, std::string *error) = 0;

    protected:
        ~Owner() = default;
    };

    explicit PageCache(size_t budget = kDefaultBudget);
    ~PageCache();
    PageCache(const PageCache &) = delete;
    PageCache &operator=(const PageCache &) = delete;

    size_t budget() const { return m_budget; }
    // At least one page. A smaller budget than the frames now held takes effect as frames
    // are next asked for.
    void setBudget(size_t pages);
    // Frames in use by owners or free for them; at most the budget once a frame is asked for.
    size_t framesHeld() const { return m_frames.size(); }

    // A frame for `owner`, with address 0, clean, not referenced and not pinned (its bytes are
    // whatever they were). nullptr with *error when the frame to reuse could not be written;
    // with `optional`, nullptr (and no error) also when no frame can be had without one.
    Frame *acquire(Owner *owner, std::string *error, bool optional = false);
    // Gives a frame back, whatever it holds.
    void release(Frame *frame);
    // Hands the memory of chunks whose frames nobody holds back to the system.
    void trim();

private:
    struct Chunk
    {
        unsigned char *memory = nullptr;
        size_t made = 0;   // frames constructed so far, from the start
        size_t inUse = 0;  // of those, how many are in m_frames
    };
    static constexpr size_t kChunkBytes = size_t(2) << 20;
    static constexpr size_t kFramesPerChunk = kChunkBytes / sizeof(Frame);

    Frame *sweep();
    Frame *newFrame(std::string *error);
    Chunk &chunkOf(const Frame *frame);
    void retire(Frame *frame);
    void dropFree();

    size_t m_budget;
    std::vector<Chunk> m_chunks;
    std::vector<Frame *> m_frames;  // the frames in use: held by owners, or free for them
    std::vector<Frame *> m_free;    // the free ones among them
    std::vector<Frame *> m_spare;   // frames made but not in use (the budget was lowered)
    size_t m_hand = 0;
};

} // namespace xbase

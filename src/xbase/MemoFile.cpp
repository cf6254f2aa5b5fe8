#include "MemoFile.h"

#include "Bytes.h"

#include <cstring>
#include <vector>

namespace xbase {

namespace {
constexpr char kTerminator = 0x1A;
// A memo larger than this is taken as a sign of a broken file rather than read into memory.
constexpr size_t kMaxMemo = 16u << 20;
} // namespace

bool MemoFile::open(const std::string &path, bool readOnly, std::string *error)
{
    if (!m_file.open(path, readOnly ? File::Mode::ReadOnly : File::Mode::ReadWrite)) {
        *error = "cannot open memo file " + path + ": " + fs::lastErrorText();
        return false;
    }
    unsigned char header[4];
    if (!m_file.readAt(0, header, 4)) {
        *error = "memo file " + path + " is too short for its header";
        m_file.close();
        return false;
    }
    m_nextFree = getU32(header);
    if (m_nextFree == 0) {
        *error = "memo file " + path + " has next free block 0";
        m_file.close();
        return false;
    }
    return true;
}

bool MemoFile::create(const std::string &path, std::string *error)
{
    File f;
    if (!f.open(path, File::Mode::Create)) {
        *error = "cannot create memo file " + path + ": " + fs::lastErrorText();
        return false;
    }
    unsigned char header[kBlockSize] = {};
    putU32(header, 1);
    if (!f.writeAt(0, header, sizeof header) || !f.sync()) {
        *error = "cannot write memo file " + path + ": " + fs::lastErrorText();
        return false;
    }
    return true;
}

bool MemoFile::read(uint32_t block, std::string *text, std::string *error) const
{
    text->clear();
    if (block == 0) return true;
    if (block >= m_nextFree) {
        *error = "memo block " + std::to_string(block) + " lies beyond the end of " +
                 m_file.path();
        return false;
    }
    uint64_t offset = uint64_t(block) * kBlockSize;
    char buf[4096];
    for (;;) {
        long long n = m_file.readSome(offset, buf, sizeof buf);
        if (n < 0) {
            *error = "cannot read memo file " + m_file.path() + ": " + fs::lastErrorText();
            return false;
        }
        if (n == 0) {
            if (offset == uint64_t(block) * kBlockSize) {
                *error = "memo block " + std::to_string(block) + " lies beyond the end of " +
                         m_file.path();
                return false;
            }
            return true;  // a memo cut short by the end of the file: keep what is there
        }
        auto *end = static_cast<char *>(std::memchr(buf, kTerminator, size_t(n)));
        if (end) {
            text->append(buf, size_t(end - buf));
            return true;
        }
        text->append(buf, size_t(n));
        offset += uint64_t(n);
        if (text->size() > kMaxMemo) {
            *error = "memo at block " + std::to_string(block) + " of " + m_file.path() +
                     " has no end";
            return false;
        }
    }
}

bool MemoFile::writeAt(uint32_t block, const std::string &text, std::string *error)
{
    std::vector<char> buf(text.size() + 2);
    std::memcpy(buf.data(), text.data(), text.size());
    buf[text.size()] = kTerminator;
    buf[text.size() + 1] = kTerminator;
    if (!m_file.writeAt(uint64_t(block) * kBlockSize, buf.data(), buf.size())) {
        *error = "cannot write memo file " + m_file.path() + ": " + fs::lastErrorText();
        return false;
    }
    return true;
}

bool MemoFile::append(const std::string &text, uint32_t *block, std::string *error)
{
    uint32_t at = m_nextFree;
    // Block numbers are 32 bits. Past the last one the next-free number would wrap around to
    // the start of the file (a damaged header can claim a block near the top), and the memo
    // just written would then lie beyond next-free: unreadable, and overwritten by the next.
    if (uint64_t(at) + blocksFor(text.size()) > 0xFFFFFFFFull) {
        *error = "memo file " + m_file.path() + " is full (next free block " +
                 std::to_string(at) + ")";
        return false;
    }
    if (!writeAt(at, text, error)) return false;
    // The memo is on disk before the header claims its blocks.
    unsigned char header[4];
    putU32(header, at + blocksFor(text.size()));
    if (!m_file.writeAt(0, header, 4)) {
        *error = "cannot write memo file " + m_file.path() + ": " + fs::lastErrorText();
        return false;
    }
    m_nextFree = at + blocksFor(text.size());
    *block = at;
    return true;
}

bool MemoFile::write(uint32_t oldBlock, const std::string &text, uint32_t *block,
                     std::string *error)
{
    if (text.find(kTerminator) != std::string::npos) {
        *error = "a memo cannot hold the character 0x1A";
        return false;
    }
    if (text.empty()) {
        *block = 0;
        return true;
    }
    // Always append: the old blocks' true extent is unknown when another engine wrote them
    // (some reserve one block too few), so overwriting them could clobber the next memo.
    // d4memoCompress reclaims the space.
    (void)oldBlock;
    return append(text, block, error);
}

} // namespace xbase

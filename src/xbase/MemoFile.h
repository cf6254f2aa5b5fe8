#pragma once

// dBASE III memo file (.dbt): 512-byte blocks, block 0 a header holding the next free block
// number; each memo starts at a block boundary and ends with 0x1A 0x1A. Layout and the reasons
// for the writing rules: docs/formats.md, "Memo file".

#include "File.h"

#include <cstdint>
#include <string>

namespace xbase {

class MemoFile
{
public:
    static constexpr int kBlockSize = 512;

    // Opens an existing memo file; false with `error` set when it is missing or malformed.
    bool open(const std::string &path, bool readOnly, std::string *error);
    // Writes an empty memo file (header only).
    static bool create(const std::string &path, std::string *error);
    void close() { m_file.close(); }
    bool isOpen() const { return m_file.isOpen(); }
    const std::string &path() const { return m_file.path(); }
    File &file() { return m_file; }

    // The text of the memo starting at `block`: up to the first 0x1A. Block 0 is no memo.
    bool read(uint32_t block, std::string *text, std::string *error) const;
    // Stores `text` and returns its block in *block (0 for an empty text). The text is always
    // appended; the old memo's blocks become garbage until the memo file is compacted.
    bool write(uint32_t oldBlock, const std::string &text, uint32_t *block, std::string *error);
    uint32_t nextFree() const { return m_nextFree; }
    bool sync() { return m_file.sync(); }

private:
    bool append(const std::string &text, uint32_t *block, std::string *error);
    bool writeAt(uint32_t block, const std::string &text, std::string *error);
    static uint32_t blocksFor(size_t length) { return uint32_t((length + 2 + 511) / 512); }

    File m_file;
    uint32_t m_nextFree = 1;
};

} // namespace xbase

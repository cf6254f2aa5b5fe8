#pragma once

// The one place that decodes and encodes the little-endian integers of the file formats,
// and the copy of short byte runs of run-time length.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace xbase {

inline uint16_t getU16(const unsigned char *p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t getU32(const unsigned char *p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
           (uint32_t(p[3]) << 24);
}
inline void putU16(unsigned char *p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void putU32(unsigned char *p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// Copies n bytes (n > 0) where n is short and known only at run time, as keys and fields
// are: in 8-byte words, the last one overlapping the one before. A memcpy of a run-time
// length becomes a string instruction whose start-up costs more than such a copy.
inline void copyShort(unsigned char *to, const unsigned char *from, size_t n)
{
    if (n >= 8) {
        size_t i = 0;
        for (; i + 8 <= n; i += 8) std::memcpy(to + i, from + i, 8);
        if (i < n) std::memcpy(to + n - 8, from + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + n - 4, from + n - 4, 4);
    } else {
        for (size_t i = 0; i < n; ++i) to[i] = from[i];
    }
}

} // namespace xbase

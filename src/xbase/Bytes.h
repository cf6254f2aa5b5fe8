#pragma once

// The one place that decodes and encodes the little-endian integers of the file formats.

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

} // namespace xbase

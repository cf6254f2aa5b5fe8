#include "NumericText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace xbase {

namespace {

// True when v * 10^decimals lies exactly halfway between two integers. Only such values
// round differently under "half away from zero" than under the correctly rounded
// conversion of std::to_chars, which breaks exact ties to even.
bool isExactTie(double v, int decimals)
{
    if (v == 0 || decimals > 15) return false;
    int exp = 0;
    double frac = std::frexp(std::fabs(v), &exp);
    auto mant = uint64_t(std::ldexp(frac, 53));  // v = mant * 2^(exp - 53), exactly
    int shift = 53 - exp;
    if (shift <= 0) return false;  // v is an integer
    unsigned __int128 p = mant;
    for (int i = 0; i < decimals; ++i) p *= 10;
    p *= 2;  // v * 2 * 10^d must be an odd integer
    if (shift >= 128) return false;
    unsigned __int128 mask = (((unsigned __int128)1) << shift) - 1;
    if ((p & mask) != 0) return false;
    return ((p >> shift) & 1) == 1;
}

// Writes v rounded half away from zero to `decimals` digits into out, exactly, with integer
// arithmetic: v is mant / 2^shift, so v * 10^d is (mant * 10^d) / 2^shift, whose quotient and
// remainder give the digits and the rounding. Handles the values money and counts take
// (|v| < 10^15, at most 9 decimals, a result below 10^18); returns 0 for any other, which
// then take the general conversion.
size_t fixedExact(double v, int decimals, char *out)
{
    static constexpr uint64_t kPow10[] = {1,         10,         100,        1000,
                                          10000,     100000,     1000000,    10000000,
                                          100000000, 1000000000};
    const double a = std::fabs(v);
    if (decimals < 0 || decimals > 9 || !(a < 1e15)) return 0;
    uint64_t q = 0;
    if (a != 0) {
        int exp = 0;
        const double frac = std::frexp(a, &exp);
        const auto mant = uint64_t(std::ldexp(frac, 53));  // a = mant / 2^shift exactly
        const int shift = 53 - exp;                        // at least 3, as a < 2^50
        const unsigned __int128 p = (unsigned __int128)mant * kPow10[decimals];
        if (shift < 128) {
            const unsigned __int128 quotient = p >> shift;
            const unsigned __int128 rest = p - (quotient << shift);
            const unsigned __int128 half = (unsigned __int128)1 << (shift - 1);
            const unsigned __int128 rounded = quotient + (rest >= half ? 1 : 0);
            if (rounded >= (unsigned __int128)1000000000000000000ull) return 0;
            q = uint64_t(rounded);
        }
    }
    char *o = out;
    // A value that rounds to zero is written without its sign.
    if (v < 0 && q != 0) *o++ = '-';
    const uint64_t scale = kPow10[decimals];
    o = std::to_chars(o, out + 32, q / scale).ptr;
    if (decimals > 0) {
        *o++ = '.';
        uint64_t f = q % scale;
        for (int i = decimals - 1; i >= 0; --i, f /= 10) o[i] = char('0' + f % 10);
        o += decimals;
    }
    return size_t(o - out);
}

} // namespace

std::string fixedByConversion(double v, int decimals)
{
    char buf[512];
    if (isExactTie(v, decimals)) {
        // Exactly halfway: v has one digit more, a 5. Drop it and add one in the last kept
        // place, away from zero. (Moving v by one unit of its last bit instead would be wrong
        // where that unit is larger than the last kept place.)
        auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals + 1);
        std::string s(buf, res.ptr - (decimals == 0 ? 2 : 1));
        bool carry = true;
        for (size_t i = s.size(); carry && i-- > 0;) {
            char &c = s[i];
            if (c == '.') continue;
            if (c == '-') break;
            if (c == '9') {
                c = '0';
            } else {
                ++c;
                carry = false;
            }
        }
        if (carry) s.insert(s[0] == '-' ? 1 : 0, 1, '1');
        return s;
    }
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    std::string s(buf, res.ptr);
    // A negative value that rounds to zero is written without its sign.
    if (!s.empty() && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos)
        s.erase(0, 1);
    return s;
}

std::string fixedHalfAway(double v, int decimals)
{
    char buf[32];
    const size_t n = fixedExact(v, decimals, buf);
    return n ? std::string(buf, n) : fixedByConversion(v, decimals);
}

bool formatNumeric(double v, int width, int decimals, char *out)
{
    if (std::isfinite(v)) {
        char buf[64];
        size_t n = 0;
        if (decimals == 0 && std::fabs(v) < 1e15 && v == std::trunc(v)) {
            auto res = std::to_chars(buf, buf + sizeof buf, (long long)v);
            n = size_t(res.ptr - buf);
        } else if ((n = fixedExact(v, decimals, buf)) != 0) {
            // written
        } else if (std::fabs(v) < 1e30) {
            std::string s = fixedByConversion(v, decimals);
            n = s.size();
            if (n < sizeof buf) std::memcpy(buf, s.data(), n);
        } else {
            n = sizeof buf;
        }
        if (n <= size_t(width)) {
            std::memset(out, ' ', size_t(width) - n);
            std::memcpy(out + (width - int(n)), buf, n);
            return true;
        }
    }
    std::memset(out, '*', size_t(width));
    return false;
}

double parseNumeric(const char *text, int length)
{
    int b = 0, e = length;
    while (b < e && (text[b] == ' ' || text[b] == '\0')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\0')) --e;
    if (b == e) return 0;
    if (text[b] == '+') ++b;
    // Fast path for plain integers, the common case of every number key.
    bool neg = false;
    int i = b;
    if (i < e && text[i] == '-') {
        neg = true;
        ++i;
    }
    if (i < e && e - i <= 15) {
        long long n = 0;
        int j = i;
        while (j < e && text[j] >= '0' && text[j] <= '9') n = n * 10 + (text[j++] - '0');
        if (j == e) return neg ? -double(n) : double(n);
    }
    double v = 0;
    auto res = std::from_chars(text + b, text + e, v, std::chars_format::fixed);
    if (res.ec != std::errc() || res.ptr != text + e) return 0;
    return v;
}

} // namespace xbase

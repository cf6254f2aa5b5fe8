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

} // namespace

std::string fixedHalfAway(double v, int decimals)
{
    if (isExactTie(v, decimals)) v = std::nextafter(v, v > 0 ? HUGE_VAL : -HUGE_VAL);
    char buf[512];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    std::string s(buf, res.ptr);
    // A negative value that rounds to zero is written without its sign.
    if (!s.empty() && s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos)
        s.erase(0, 1);
    return s;
}

bool formatNumeric(double v, int width, int decimals, char *out)
{
    if (std::isfinite(v)) {
        char buf[64];
        size_t n = 0;
        if (decimals == 0 && std::fabs(v) < 1e15 && v == std::trunc(v)) {
            auto res = std::to_chars(buf, buf + sizeof buf, (long long)v);
            n = size_t(res.ptr - buf);
        } else if (std::fabs(v) < 1e30) {
            std::string s = fixedHalfAway(v, decimals);
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

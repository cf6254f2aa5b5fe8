// Numeric field text: the exact integer path of fixedHalfAway must give what the general
// conversion gives, digit for digit, on every kind of value a field meets.

#include "xbase/NumericText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

namespace {

void expectSame(double v, int decimals)
{
    const std::string general = xbase::fixedByConversion(v, decimals);
    ASSERT_EQ(xbase::fixedHalfAway(v, decimals), general) << v << " to " << decimals;
    // formatNumeric right-aligns the same text in a field wide enough for it.
    char field[40];
    ASSERT_TRUE(xbase::formatNumeric(v, 32, decimals, field)) << v;
    const std::string aligned = std::string(32 - general.size(), ' ') + general;
    ASSERT_EQ(std::string(field, 32), aligned) << v << " to " << decimals;
}

TEST(NumericTextTest, RoundsHalfAwayFromZeroOnTheExactValue)
{
    struct Case
    {
        double value;
        int decimals;
        const char *text;
    } cases[] = {
        {0.125, 2, "0.13"},          {-0.125, 2, "-0.13"},       {2.675, 2, "2.67"},
        {9.5, 0, "10"},              {-99.5, 0, "-100"},         {0.0625, 3, "0.063"},
        {-0.004, 2, "0.00"},         {-0.0, 2, "0.00"},          {1234.565, 2, "1234.57"},
        // The last bit of these is worth more than the kept place: the tie is still exact.
        {999999999999999.875, 2, "999999999999999.88"},
        {-499933506714875.6875, 3, "-499933506714875.688"},
        {1000000000000000.5, 0, "1000000000000001"},  // beyond the exact integer path
        {0.00048828125, 10, "0.0004882813"},          // likewise, by its decimals
        {99999999999999999.0, 1, "100000000000000000.0"},
    };
    for (const Case &k : cases)
        EXPECT_EQ(xbase::fixedHalfAway(k.value, k.decimals), k.text) << k.value;
}

TEST(NumericTextTest, ExactPathMatchesTheGeneralConversion)
{
    // Ties in binary (x.5, x.125, x.0625), cents, values that only look like ties (2.675),
    // signs, zero and minus zero, the edges of the exact path, and tiny values.
    const double fixed[] = {0.5,     1.5,      2.5,       -0.5,   0.125,  -0.125,   0.375,
                            2.675,   1.005,    1234.565,  0.0625, -0.0625, 0.0,     -0.0,
                            -0.001,  -0.004,   -0.005,    9999999.99,      -999999.99,
                            1e15 - 1, -(1e15 - 1), 999999999999999.9, 1e15, 1e-300, -1e-300,
                            4.35,    0.045,    1e-9,      5e-10,  123456789.123456789};
    for (double v : fixed)
        for (int d = 0; d <= 12; ++d) expectSame(v, d);

    std::mt19937_64 rng(20261210);
    std::uniform_int_distribution<long long> cents(-10000000000LL, 10000000000LL);
    std::uniform_int_distribution<int> decimals(0, 10);
    for (int i = 0; i < 200000; ++i) {
        // Amounts as the program computes them: whole cents, mills and their sums.
        const double amount = double(cents(rng)) / (i % 2 ? 100.0 : 1000.0);
        expectSame(amount, decimals(rng));
        // Any double at all in the range of a field, from its bits.
        uint64_t bits = rng();
        double any;
        std::memcpy(&any, &bits, sizeof any);
        if (std::isfinite(any) && std::fabs(any) < 1e20) expectSame(any, decimals(rng));
        // Exact binary ties at the last kept digit, which must round away from zero.
        const double tie = (double(cents(rng) / 1000) + 0.5) / 100.0;
        expectSame(tie, 2);
    }
}

} // namespace

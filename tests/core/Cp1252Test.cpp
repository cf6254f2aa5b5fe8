#include "core/Cp1252.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp1252, EveryByteSurvivesARoundTrip)
{
    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i) all[i] = char(i);
    bool ok = false;
    EXPECT_EQ(core::toCp1252(core::fromCp1252(all), &ok), all);
    EXPECT_TRUE(ok);
}

TEST(Cp1252, MapsTheWindowsRangeAndRefusesTheRest)
{
    EXPECT_EQ(core::fromCp1252(QByteArray("\x80\x93\xE9", 3)), QString::fromUtf8("€“é"));
    bool ok = true;
    EXPECT_TRUE(core::toCp1252(QString::fromUtf8("Łódź"), &ok).isEmpty());
    EXPECT_FALSE(ok);
    EXPECT_EQ(core::toCp1252(QString::fromUtf8("a€b✓")), QByteArray("a\x80" "b?"));
    EXPECT_EQ(core::firstCharacterNotInCp1252(QString::fromUtf8("Café ✓ Ł")), QChar(0x2713));
    EXPECT_TRUE(core::firstCharacterNotInCp1252(QString::fromUtf8("Café €")).isNull());
}

} // namespace

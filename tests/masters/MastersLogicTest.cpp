// The master-record rules without windows: numbering, address blocks, groups, product IDs and
// their purchases, money texts and the mail-merge export, on real tables.

#include "MasterRecords.h"
#include "core/QtPrinters.h"
#include "data/DataFixture.h"

#include "core/Cp1252.h"
#include "core/Dates.h"
#include "core/Locale.h"
#include "masters/AddressBlock.h"
#include "masters/Groups.h"
#include "masters/MergeExport.h"
#include "masters/MoneyText.h"
#include "masters/Numbering.h"
#include "masters/Products.h"

#include <QDate>
#include <QFile>

#include <filesystem>

namespace {

using data::TableId;
using namespace testsupport;

class MastersLogicTest : public DataFixture
{
};

TEST_F(MastersLogicTest, CustomerNumbersFillTheFirstGap)
{
    struct Case
    {
        const char *name;
        std::vector<int> numbers;
        int expected;
    };
    const Case cases[] = {
        {"empty table", {}, 1},
        {"gap after 3", {1, 2, 3, 5}, 4},
        {"no 1", {2, 3}, 1},
        {"unbroken run", {3, 1, 2}, 4},
        {"equal numbers passed over", {1, 1, 2, 2}, 3},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(store->OpenCUST6());
        d4zap(store->data(TableId::CUST6), 1, 1000000);
        for (int n : c.numbers)
            addCustomer(*store, n, QStringLiteral("X%1").arg(n));
        EXPECT_EQ(masters::NextCustomerNumber(*store), c.expected) << c.name;
        store->closeAll();
    }
}

TEST_F(MastersLogicTest, DeletedNumbersStayTakenUntilThePack)
{
    ASSERT_TRUE(store->OpenCUST6());
    // In name order the tag selected when the walk starts is cname; it is selected again after.
    addCustomer(*store, 1, QStringLiteral("B"));
    const long second = addCustomer(*store, 2, QStringLiteral("A"));
    addCustomer(*store, 3, QStringLiteral("C"));
    deleteRecord(*store, TableId::CUST6, second);
    DATA4 *c = store->data(TableId::CUST6);
    TAG4 *before = d4tagSelected(c);
    EXPECT_EQ(masters::NextCustomerNumber(*store), 4);
    EXPECT_EQ(d4tagSelected(c), before);
    ASSERT_EQ(d4pack(c), 0);
    EXPECT_EQ(masters::NextCustomerNumber(*store), 2);
}

TEST_F(MastersLogicTest, GroupNumbersFillTheFirstGap)
{
    ASSERT_TRUE(store->OpenGROUPS());
    addGroup(*store, 1, QStringLiteral("Retail"));
    const long two = addGroup(*store, 2, QStringLiteral("Trade"));
    addGroup(*store, 4, QStringLiteral("Export"));
    EXPECT_EQ(masters::NextGroupNumber(*store), 3);
    addGroup(*store, 3, QStringLiteral("Staff"));
    deleteRecord(*store, TableId::GROUPS, two);
    EXPECT_EQ(masters::NextGroupNumber(*store), 5);
}

TEST_F(MastersLogicTest, AddressBlocks)
{
    struct Case
    {
        const char *name;
        data::CustomerBuffer customer;
        bool byName;
        masters::AddressLines expected;
    };
    auto customer = [](QString title, QString first, QString last, QString a1, QString a2,
                       QString a3, QString a4, QString zip) {
        data::CustomerBuffer c;
        c.title = title, c.first = first, c.last = last, c.addr1 = a1, c.addr2 = a2;
        c.addr3 = a3, c.addr4 = a4, c.zip = zip;
        return c;
    };
    const QString indent(20, QLatin1Char(' '));
    const QString line23 = QStringLiteral("Springfield Industrial1");
    const Case cases[] = {
        {"by name, short addr1 takes the code",
         customer("Mr ", "John ", "Smith", "1 Elm St", "", "", "", "12345 "), true,
         {"Mr  John Smith", "1 Elm St  12345", "", "", ""}},
        {"company mode swaps the first two lines",
         customer("Ms ", "Ann", "Lee", "Acme Ltd", "2 Oak Rd", "", "Springfield", "99999"), false,
         {"Acme Ltd", "Ms  Ann Lee", "2 Oak Rd", "", "Springfield  99999"}},
        {"a 23-character last line moves the code to a line of its own",
         customer("", "Ann", "Lee", "1 Elm St", line23, "", "", "99999"), true,
         {"Ann Lee", "1 Elm St", line23, indent + "99999", ""}},
        {"an empty title leaves its blanks inside the name",
         customer("   ", "", "Lee", "", "", "", "", "1"), true,
         {"Lee  1", "", "", "", ""}},
        {"nothing at all",
         customer("", "", "", "", "", "", "", "777"), true, {"  777", "", "", "", ""}},
        {"a long line 4 keeps the code",
         customer("", "A", "B", "x", "y", "z", line23, "5"), true,
         {"A B", "x", "y", "z", line23 + "  5"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(masters::BuildAddressBlock(c.customer, c.byName), c.expected) << c.name;
}

TEST_F(MastersLogicTest, GroupsMoveEveryMemberAndListTheLiveOnes)
{
    ASSERT_TRUE(store->OpenCUST6());
    ASSERT_TRUE(store->OpenGROUPS());
    addGroup(*store, 1, QStringLiteral("Retail"));
    const long gone = addGroup(*store, 2, QStringLiteral("Trade"));
    addGroup(*store, 3, QStringLiteral("Export"));
    deleteRecord(*store, TableId::GROUPS, gone);
    addCustomer(*store, 1, QStringLiteral("A"), 2);
    const long deletedMember = addCustomer(*store, 2, QStringLiteral("B"), 2);
    addCustomer(*store, 3, QStringLiteral("C"), 1);
    deleteRecord(*store, TableId::CUST6, deletedMember);

    masters::MoveGroupMembers(*store, 2, 3);
    std::vector<long> groups;
    DATA4 *c = store->data(TableId::CUST6);
    for (long r = 1; r <= 3; ++r) {
        d4go(c, r);
        groups.push_back(f4long(d4field(c, "ngroup")));
    }
    EXPECT_EQ(groups, (std::vector<long>{3, 3, 1}));

    EXPECT_EQ(masters::GroupChooserLines(*store),
              (QStringList{" 1 - Retail              ", " 3 - Export              "}));
    EXPECT_EQ(masters::GroupNumberOfLine(QStringLiteral(" 3 - Export")), 3);
    EXPECT_EQ(masters::GroupMembership({4, 3}, 3), 1);
    EXPECT_EQ(masters::GroupMembership({4, 3}, 1), -1);
    EXPECT_EQ(masters::GroupMembership({}, 1), -1);
}

TEST_F(MastersLogicTest, ProductIdsAreUniqueButNotByPrefix)
{
    ASSERT_TRUE(store->OpenProd5());
    EXPECT_EQ(masters::ProductIdOf(QStringLiteral("  abc-1 ")), QStringLiteral("ABC-1"));
    addProduct(*store, QStringLiteral("ABC-10"));
    EXPECT_FALSE(masters::ProductIdTaken(*store, QStringLiteral("ABC-1")));
    addProduct(*store, QStringLiteral("ABC-1"));
    EXPECT_TRUE(masters::ProductIdTaken(*store, QStringLiteral("ABC-1")));
    EXPECT_TRUE(masters::ProductIdTaken(*store, QStringLiteral("ABC-10")));
    EXPECT_FALSE(masters::ProductIdTaken(*store, QStringLiteral("ABC")));
}

TEST_F(MastersLogicTest, DeletingAProductsPurchasesMarksExactlyThose)
{
    const double d = core::dayFromDate(QDate(2024, 5, 1));
    ASSERT_TRUE(store->OpenPur5());
    addPurchase(*store, QStringLiteral("ABC-1"), d + 2);
    addPurchase(*store, QStringLiteral("ABC-10"), d);
    addPurchase(*store, QStringLiteral("ABC-1"), d);
    addPurchase(*store, QStringLiteral("AB"), d);
    addPurchase(*store, QStringLiteral("ABC-1"), d + 1);
    store->closeAll();

    // Opened and closed by the operation when nobody has Pur5 open.
    EXPECT_EQ(masters::DeleteProductPurchases(*store, QStringLiteral("ABC-1")), 3);
    EXPECT_EQ(store->data(TableId::Pur5), nullptr);
    ASSERT_TRUE(store->OpenPur5());
    DATA4 *p = store->data(TableId::Pur5);
    std::vector<int> deleted;
    for (long r = 1; r <= 5; ++r) {
        d4go(p, r);
        deleted.push_back(d4deleted(p));
    }
    EXPECT_EQ(deleted, (std::vector<int>{1, 0, 1, 0, 1}));
    // With Pur5 open already, it stays open.
    EXPECT_EQ(masters::DeleteProductPurchases(*store, QStringLiteral("AB")), 1);
    EXPECT_NE(store->data(TableId::Pur5), nullptr);
}

TEST_F(MastersLogicTest, MoneyTexts)
{
    const core::Locale point = core::Locale::pinned(QStringLiteral("M/d/yy"), QLatin1Char('.'));
    const core::Locale comma = core::Locale::pinned(QStringLiteral("dd.MM.yy"), QLatin1Char(','));
    EXPECT_EQ(masters::MoneyMask(masters::kPrice, QLatin1Char('.')), QStringLiteral("!#####.99;1;_"));
    EXPECT_EQ(masters::MoneyMask(masters::kMeasure, QLatin1Char(',')), QStringLiteral("!####,999;1;_"));
    struct Case
    {
        const char *text;
        masters::MoneyFormat format;
        const core::Locale *locale;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {"12", masters::kPrice, &point, QStringLiteral("   12.00")},
        {"  -5", masters::kPrice, &point, QStringLiteral("   -5.00")},
        {"1 2.5", masters::kReorderLevel, &point, QStringLiteral("    12.50")},
        {"     -0", masters::kPrice, &point, QStringLiteral("  -0.00")},
        {"-0", masters::kPrice, &point, QStringLiteral("-0.00")},
        {"3", masters::kMeasure, &point, QStringLiteral("   3.000")},
        {"12,5", masters::kQuantity, &comma, QStringLiteral("     12,50")},
        {"12.5", masters::kQuantity, &comma, std::nullopt},
        {"-", masters::kPrice, &point, std::nullopt},
        {"   ", masters::kPrice, &point, std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(masters::NormaliseMoney(QString::fromLatin1(c.text), c.format, *c.locale),
                  c.expected)
            << c.text;
    EXPECT_EQ(masters::MoneyValue(QStringLiteral("  1 2.25"), point), 12.25);
    EXPECT_EQ(masters::NotANumberMessage(QStringLiteral("  - ")),
              QStringLiteral("'-' is not a valid floating point value"));
}

TEST_F(MastersLogicTest, MergeExportWritesTheChosenGroupsInPostalCodeOrder)
{
    ASSERT_TRUE(store->OpenCUST6());
    addCustomer(*store, 1, QStringLiteral("Zed"), 1, QStringLiteral("30000"));
    addCustomer(*store, 2, QStringLiteral("Other"), 2, QStringLiteral("10000"));
    store->customer = {};
    d4appendBlank(store->data(TableId::CUST6));
    store->customer = {3, "Mr", "José", "Núñez", "Acme", "1 Elm", "Flat 2", "", "20000",
                       "memo", 1, "", "", "", ""};
    store->StoreCUST6();
    const QString path = QString::fromStdString(file("merge.doc"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older, longer file that must be replaced entirely\r\n");
    }
    core::RecordingStatus status;
    ASSERT_TRUE(masters::ExportMergeFile(*store, {1}, path, status));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(core::fromCp1252(bytes),
              QStringLiteral("Title\tFirstName\tLastName\tCompany\tAddr1\tAddr2\tAddr3\tPostalCode\r\n"
                             "Mr\tJosé\tNúñez\tAcme\t1 Elm\tFlat 2\t\t20000\r\n"
                             "\t\tZed\t\t\t\t\t30000\r\n"));
    EXPECT_TRUE(bytes.contains("Jos\xE9"));  // Windows-1252, one byte per character
    EXPECT_EQ(status.log(), (QStringList{"status:Exporting Mail Merge File", "progress:33",
                                         "progress:66", "progress:100", "status:"}));

    // A file that cannot be written leaves nothing behind.
    const QString blocked = QString::fromStdString(file("no-such-dir/merge.doc"));
    EXPECT_FALSE(masters::ExportMergeFile(*store, {1}, blocked, status));
    EXPECT_FALSE(std::filesystem::exists(file("no-such-dir")));
}

} // namespace

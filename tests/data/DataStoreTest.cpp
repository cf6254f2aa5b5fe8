// The record buffers against the supplied tables: what each table stores and loads, the text
// cuts and memo rules, dates, the settings record, and the failures that end the program.

#include "DataFixture.h"

#include "core/Clock.h"
#include "core/Dates.h"
#include "data/FieldValues.h"

#include <QDate>

#include <filesystem>
#include <fstream>

namespace {

using data::TableId;

double day(int y, int m, int d) { return core::dayFromDate(QDate(y, m, d)); }

// The raw field texts of the current record, to compare a record before and after a store.
std::vector<std::string> rawFields(data::DataStore &s, TableId id)
{
    std::vector<std::string> out;
    const auto &def = data::tableDef(id);
    for (size_t i = 0; i < def.fields.size(); ++i) {
        FIELD4 *f = s.field(id, int(i));
        out.push_back(def.fields[i].type == 'M' ? f4memoStr(f) : f4str(f));
    }
    return out;
}

class DataStoreTest : public DataFixture
{
protected:
    // Appends a record to the open table `id`, fills it through `fill` and `store`, closes;
    // then reopens, loads, and checks that a second store leaves every field as it was.
    template <class Fill, class Check>
    void roundTrip(TableId id, Fill fill, Check check)
    {
        ASSERT_TRUE(store->open(id));
        ASSERT_EQ(d4appendBlank(store->data(id)), 0);
        fill();
        store->closeAll();
        ASSERT_TRUE(store->open(id));
        ASSERT_EQ(d4top(store->data(id)), 0);
        const auto before = rawFields(*store, id);
        reload(id);
        check();
        restore(id);
        d4flush(store->data(id));
        EXPECT_EQ(rawFields(*store, id), before) << data::tableDef(id).name;
        store->closeAll();
    }

    void reload(TableId id)
    {
        switch (id) {
        case TableId::CUST6: store->LoadCUST6(); break;
        case TableId::GROUPS: store->LoadGROUPS(); break;
        case TableId::ImportF: store->LoadImportF(); break;
        case TableId::INV7: store->LoadINV7(); break;
        case TableId::ITM5: store->LoadITM5(); break;
        case TableId::PMT: store->LoadPMT(); break;
        case TableId::Prod5: store->LoadProd5(); break;
        case TableId::Pur5: store->LoadPur5(); break;
        case TableId::LABELS: store->LoadLABELS(); break;
        case TableId::Est: store->LoadEst(); break;
        case TableId::EstItm: store->LoadEstItm(); break;
        case TableId::QLR3A: store->LoadQLR3A(); break;
        }
    }
    void restore(TableId id)
    {
        switch (id) {
        case TableId::CUST6: store->StoreCUST6(); break;
        case TableId::GROUPS: store->StoreGROUPS(); break;
        case TableId::ImportF: store->StoreImportF(); break;
        case TableId::INV7: store->StoreINV7(); break;
        case TableId::ITM5: store->StoreITM5(); break;
        case TableId::PMT: store->StorePMT(); break;
        case TableId::Prod5: store->StoreProd5(); break;
        case TableId::Pur5: store->StorePur5(); break;
        case TableId::LABELS: store->StoreLABELS(); break;
        case TableId::Est: store->StoreEst(); break;
        case TableId::EstItm: store->StoreEstItm(); break;
        case TableId::QLR3A: store->StoreQLR3A(); break;
        }
    }
};

TEST_F(DataStoreTest, CustomerStoresCutsAndLoadsBack)
{
    roundTrip(
        TableId::CUST6,
        [&] {
            auto &c = store->customer;
            c = {};
            c.cuno = 42;
            c.title = "Ms.";
            c.first = "Zoë";
            c.last = "Łukasz-free O'Brien";
            c.addr1 = QString(70, 'a');  // cut to 59, then to the field's 34
            c.addr4 = "Springfield";
            c.zip = "12345";
            c.comments = "first line\r\nsecond line   \r\n  ";
            c.ngroup = 7;
            c.email = "zoe@example.com";
            store->StoreCUST6();
            EXPECT_EQ(c.comments, "first line\r\nsecond line");  // the buffer loses them too
        },
        [&] {
            const auto &c = store->customer;
            EXPECT_EQ(c.cuno, 42);
            EXPECT_EQ(c.title, "Ms.");
            EXPECT_EQ(c.first, QString::fromUtf8("Zoë") + QString(10, ' '));
            EXPECT_EQ(c.addr1, QString(34, 'a'));
            EXPECT_EQ(c.comments, "first line\r\nsecond line");
            EXPECT_EQ(c.ngroup, 7);
            EXPECT_EQ(c.email.trimmed(), "zoe@example.com");
        });
}

TEST_F(DataStoreTest, MemoOfBlanksIsStoredEmpty)
{
    ASSERT_TRUE(store->OpenCUST6());
    d4appendBlank(store->data(TableId::CUST6));
    store->customer = {};
    store->customer.comments = "     ";
    store->StoreCUST6();
    EXPECT_TRUE(store->customer.comments.isEmpty());
    EXPECT_STREQ(f4memoStr(store->field(TableId::CUST6, 9)), "");
}

TEST_F(DataStoreTest, InvoiceDatesAndRemarks)
{
    core::FixedClock clock(QDate(2024, 6, 1));
    const core::Clock *previous = core::Clock::setCurrent(&clock);
    roundTrip(
        TableId::INV7,
        [&] {
            auto &i = store->invoice;
            i = {};
            i.IvNo = 123456;
            i.CuNo = 42;
            i.IDate = day(1920, 3, 15);  // typed as 3/15/20: lands in the window, 2020
            i.Discount = 12.5;
            i.Ship = 10.005;
            i.Due = -1234567.89;
            i.REM = "thanks  \r\n";
            i.ShipTo = 42;
            store->StoreINV7();
            EXPECT_STREQ(f4str(store->field(TableId::INV7, 3)), "20200315");
        },
        [&] {
            const auto &i = store->invoice;
            EXPECT_EQ(i.IvNo, 123456);
            EXPECT_EQ(i.IDate, day(2020, 3, 15));
            EXPECT_DOUBLE_EQ(i.Ship, 10.01);
            EXPECT_DOUBLE_EQ(i.Due, -1234567.89);
            EXPECT_EQ(i.REM, "thanks");
        });
    // A blank date loads as 0, and 0 stores a blank date.
    roundTrip(
        TableId::PMT,
        [&] {
            store->payment = {5, 0, 19.99};
            store->StorePMT();
            EXPECT_STREQ(f4str(store->field(TableId::PMT, 1)), "        ");
        },
        [&] { EXPECT_EQ(store->payment.PDate, 0); });
    core::Clock::setCurrent(previous);
}

TEST_F(DataStoreTest, EstimateRemarksAreStoredAsTyped)
{
    roundTrip(
        TableId::Est,
        [&] {
            store->estimate = {};
            store->estimate.EstNo = 1;
            store->estimate.REM = "keep these  ";
            store->StoreEst();
        },
        [&] { EXPECT_EQ(store->estimate.REM, "keep these  "); });
}

TEST_F(DataStoreTest, InvoiceItemsResetBuildFieldsEstimateItemsHaveNone)
{
    ASSERT_TRUE(store->OpenITM5());
    DATA4 *itm = store->data(TableId::ITM5);
    d4appendBlank(itm);
    f4assign(d4field(itm, "lBuild"), "T");
    f4assignDouble(d4field(itm, "BackOrder"), 3);
    store->itemOwners.IvNo = 9;
    store->item = {"W-1", "Widget", "blue", 2, 1.25, true, false};
    store->StoreITM5();
    EXPECT_EQ(f4true(d4field(itm, "lBuild")), 0);
    EXPECT_EQ(f4double2(d4field(itm, "BackOrder")), 0);
    store->closeAll();
    roundTrip(
        TableId::EstItm,
        [&] {
            store->itemOwners.EstNo = 3;
            store->item = {"W-1", "Widget", "", 1.5, 2.5, false, true};
            store->StoreEstItm();
        },
        [&] {
            EXPECT_EQ(store->itemOwners.EstNo, 3);
            EXPECT_EQ(store->item.PrID.trimmed(), "W-1");
            EXPECT_TRUE(store->item.LTax2);
        });
    EXPECT_EQ(data::tableDef(TableId::EstItm).fieldIndex("lBuild"), -1);
}

TEST_F(DataStoreTest, EveryOtherTableRoundTrips)
{
    roundTrip(
        TableId::GROUPS, [&] { store->group = {12, "Wholesale"}; store->StoreGROUPS(); },
        [&] { EXPECT_EQ(store->group.cGroup.trimmed(), "Wholesale"); });
    roundTrip(
        TableId::ImportF,
        [&] {
            store->importFormat.FmtName = "Mailing list";
            for (int i = 0; i < 17; ++i) store->importFormat.values[size_t(i)] = i + 1;
            store->importFormat.values[15] = 44;
            store->StoreImportF();
        },
        [&] {
            EXPECT_EQ(store->importFormat.values[0], 1);
            EXPECT_EQ(store->importFormat.values[15], 44);
        });
    roundTrip(
        TableId::Prod5,
        [&] {
            store->product = {"ABC-1", "L1", "Desk", 199.99, true, false, true, "oak",
                              "printed text \r\n ", 5, 12.5};
            store->StoreProd5();
        },
        [&] {
            EXPECT_EQ(store->product.PMemo, "printed text");
            EXPECT_DOUBLE_EQ(store->product.ONHAND, 12.5);
            EXPECT_TRUE(store->product.lInven);
        });
    roundTrip(
        TableId::Pur5,
        [&] {
            store->purchase = {"ABC-1", day(2026, 1, 31), 1000000 - 0.01, 123456789.12, 7};
            store->StorePur5();
        },
        [&] {
            EXPECT_DOUBLE_EQ(store->purchase.PURQty, 999999.99);
            EXPECT_DOUBLE_EQ(store->purchase.PURCost, 123456789.12);
        });
    roundTrip(
        TableId::LABELS,
        [&] {
            store->label = {"Avery-ish", {0.5, 0.188, 0.5, 0.188, 2.625, 1, 0.125, 0}, 3, true};
            store->StoreLABELS();
        },
        [&] {
            EXPECT_DOUBLE_EQ(store->label.measures[1], 0.188);
            EXPECT_EQ(store->label.NAcross, 3);
            EXPECT_TRUE(store->label.Continuous);
        });
}

TEST_F(DataStoreTest, CustomerWithoutItsGroupGetsGroupZero)
{
    ASSERT_TRUE(store->OpenGROUPS());
    d4appendBlank(store->data(TableId::GROUPS));
    store->group = {3, "Retail"};
    store->StoreGROUPS();
    for (int number : {3, 4, 0, 103}) {
        store->customer.ngroup = number;
        store->LoadCustomerGroup();
        EXPECT_EQ(store->group.nGroup, number == 3 ? 3 : 0) << number;
        EXPECT_EQ(store->group.cGroup.trimmed(), number == 3 ? "Retail" : "") << number;
    }
}

TEST_F(DataStoreTest, SettingsKeepTheirCutsAndTrims)
{
    ASSERT_TRUE(store->OpenQLR3A());
    store->LoadQLR3A();
    store->closeAll();
    EXPECT_EQ(store->settings.InvTitle.trimmed(), "Invoice");
    EXPECT_EQ(store->settings.ShipTax, 1);
    store->settings.MailHost = "smtp.a-thirty-character-host.x";
    store->settings.ChargeDir = QString(300, 'd');
    store->settings.MailID = QString(130, 'u');
    store->settings.ByCust = false;
    store->writeSettings();

    ASSERT_TRUE(store->OpenQLR3A());
    store->settings = {};
    store->LoadQLR3A();
    EXPECT_EQ(store->settings.MailHost, "smtp.a-thirty-character-host.x");
    EXPECT_EQ(store->settings.ChargeDir, QString(220, 'd'));
    EXPECT_EQ(store->settings.MailID, QString(128, 'u'));
    EXPECT_FALSE(store->settings.ByCust);
    // A folder stored with trailing blanks comes back without them.
    data::putText(store->field(TableId::QLR3A, 33), "/srv/cards/   ", 220);
    store->closeAll();
    ASSERT_TRUE(store->OpenQLR3A());
    store->LoadQLR3A();
    EXPECT_EQ(store->settings.ChargeDir, "/srv/cards/");
    EXPECT_EQ(store->settings.InvTitle.size(), 40);  // loaded as stored, blanks kept
}

TEST_F(DataStoreTest, CheckTableFilesNeedsAllTwelve)
{
    EXPECT_TRUE(store->CheckTableFiles());
    std::filesystem::remove(file("CUST6.dbt"));
    EXPECT_TRUE(store->CheckTableFiles());  // memo files are not checked
    std::filesystem::remove(file("EstItm.dbf"));
    EXPECT_FALSE(store->CheckTableFiles());
}

struct OpenFailure
{
    const char *name;
    void (*damage)(const std::string &dir);
    const char *shownName;
};

class OpenFailureTest : public DataFixture, public ::testing::WithParamInterface<OpenFailure>
{
};

TEST_P(OpenFailureTest, EndsTheProgramWithTheMessage)
{
    GetParam().damage(dir.path());
    EXPECT_FALSE(store->OpenCUST6());
    EXPECT_EQ(exits, 1);
    ASSERT_EQ(prompts.shown().size(), 1);
    EXPECT_EQ(prompts.shown()[0], QStringLiteral("information: Unable to open file ") +
                                      GetParam().shownName +
                                      QStringLiteral("\r\nProgram will now terminate."));
    exits = 0;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenFailureTest,
    ::testing::Values(
        OpenFailure{"MissingMemo",
                    [](const std::string &d) { std::filesystem::remove(d + "/CUST6.dbt"); },
                    "CUST6.DBF"},
        OpenFailure{"MissingTable",
                    [](const std::string &d) { std::filesystem::remove(d + "/CUST6.dbf"); },
                    "CUST6.DBF"},
        OpenFailure{"GroupNamesABrokenTag",
                    [](const std::string &d) {
                        std::ofstream(d + "/CUST6.cgp") << "CCNO\r\n";
                        std::ofstream(d + "/CCNO.ntx") << "";
                    },
                    "CUST6.DBF"},
        OpenFailure{"GroupWithoutTheMainTag",
                    [](const std::string &d) {
                        CODE4 *c = code4initP();
                        code4autoOpen(c, 0);
                        code4safety(c, 0);
                        DATA4 *t = d4open(c, (d + "/CUST6").c_str());
                        TAG4INFO tags[] = {{"CCNO", "Str(CuNo, 6)", nullptr, 0, 0},
                                           {nullptr, nullptr, nullptr, 0, 0}};
                        EXPECT_EQ(i4create(t, nullptr, tags), 0);
                        code4initUndoP(c);
                    },
                    "AccTag.Ntx"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

// The pick lists' logic on real tables: the page shown for a record at any position (counted
// exactly, and by the estimate that large tables use), moves that pass over no record, the
// seek rules, deleted records, the cells and status boxes, and the group list's seek and tag.

#include "data/DataFixture.h"

#include "GenData.h"
#include "core/Dates.h"
#include "data/FieldValues.h"
#include "masters/PagedList.h"
#include "masters/PickTable.h"
#include "masters/ShortList.h"

#include <QDate>

#include <algorithm>

namespace {

using data::TableId;
using masters::PagedKind;
using masters::PagedList;
using masters::PickTable;

class PickListTest : public DataFixture
{
protected:
    void addCustomer(const QString &last, const QString &first, const QString &note, int group,
                     int cuno = 0)
    {
        DATA4 *d = store->data(TableId::CUST6);
        ASSERT_EQ(d4appendBlank(d), 0);
        store->customer = {};
        store->customer.cuno = cuno ? cuno : int(d4recNo(d));
        store->customer.last = last;
        store->customer.first = first;
        store->customer.addr1 = last + QStringLiteral(" Ltd");
        store->customer.note = note;
        store->customer.ngroup = group;
        store->StoreCUST6();
    }
    void addGroup(int number, const QString &name)
    {
        ASSERT_EQ(d4appendBlank(store->data(TableId::GROUPS)), 0);
        store->group = {number, name};
        store->StoreGROUPS();
    }
    void addInvoice(int number, int cuno, QDate date, const QString &memo)
    {
        DATA4 *d = store->data(TableId::INV7);
        ASSERT_EQ(d4appendBlank(d), 0);
        store->invoice = {};
        store->invoice.IvNo = number;
        store->invoice.CuNo = cuno;
        store->invoice.IDate = core::dayFromDate(date);
        store->invoice.IMemo = memo;
        store->StoreINV7();
        d4flush(d);
    }
    void markDeleted(TableId id, long recNo)
    {
        DATA4 *d = store->data(id);
        ASSERT_EQ(d4go(d, recNo), 0);
        d4delete(d);
        d4flush(d);
    }
    // The record numbers of the table in the order of `tag`, walked one by one.
    std::vector<long> order(TableId id, const char *tag)
    {
        DATA4 *d = store->data(id);
        TAG4 *previous = d4tagSelected(d);
        d4tagSelectP(d, d4tag(d, tag));
        std::vector<long> out;
        for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1)) out.push_back(d4recNo(d));
        d4tagSelectP(d, previous);
        return out;
    }
    static std::vector<long> recNos(const PagedList &list)
    {
        std::vector<long> out;
        for (const masters::PickRow &r : list.rows()) out.push_back(r.recNo);
        return out;
    }
    // The index in `all` of the page's first row, after checking that the filled rows are
    // consecutive records of the order and that blank rows only follow the last record.
    static long pageStart(const PagedList &list, const std::vector<long> &all)
    {
        const std::vector<long> rows = recNos(list);
        const auto at = std::find(all.begin(), all.end(), rows[0]);
        EXPECT_NE(at, all.end());
        const long start = long(at - all.begin());
        for (size_t i = 0; i < rows.size(); ++i) {
            const long expected = start + long(i) < long(all.size()) ? all[size_t(start) + i] : 0;
            EXPECT_EQ(rows[i], expected) << "row " << i << " of the page starting at " << start;
        }
        return start;
    }
    void generate(int customers)
    {
        store->closeAll();
        gendata::Options o;
        o.invoices = 30;
        o.customers = customers;
        std::string error;
        ASSERT_TRUE(gendata::generate(QString::fromStdString(dir.path()), o, nullptr, nullptr,
                                      &error))
            << error;
    }
    unsigned long long reads(TableId id) { return store->data(id)->recordReads(); }
};

TEST_F(PickListTest, TenRecordsNeverScrollElevenScrollByOne)
{
    ASSERT_TRUE(store->OpenCUST6());
    ASSERT_TRUE(store->OpenGROUPS());
    for (int i = 0; i < 10; ++i) addCustomer(QString(QChar('A' + i)), "F", "", 1);
    PagedList list(*store, PagedKind::Customers);

    store->selection.customer = 4;
    list.show();
    EXPECT_EQ(list.largestOffset(), 0);
    EXPECT_FALSE(list.scrollBarVisible());
    // With ten records the caller's value stands and the first row is highlighted.
    EXPECT_EQ(store->selection.customer, 4);
    EXPECT_EQ(list.highlightRow(), 0);
    list.pageDown();
    list.end();
    list.lineDown(9);
    EXPECT_EQ(list.viewOffset(), 0);
    EXPECT_EQ(recNos(list), (std::vector<long>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));

    addCustomer("K", "F", "", 1);
    list.show();
    EXPECT_EQ(list.largestOffset(), 1);
    EXPECT_TRUE(list.scrollBarVisible());
    EXPECT_EQ(store->selection.customer, -1);
    // Record 4 is the fourth: the offset that shows it first is capped at the largest.
    EXPECT_EQ(list.viewOffset(), 1);
    EXPECT_EQ(list.rows()[2].recNo, 4);
    EXPECT_EQ(list.highlightRow(), 2);
    list.lineDown(9);
    EXPECT_EQ(list.viewOffset(), 1);
    EXPECT_EQ(list.scrollBarValue(), 100);
    EXPECT_EQ(list.rows()[9].recNo, 11);
    EXPECT_EQ(list.highlightRow(), 9);
    list.pageDown();
    EXPECT_EQ(list.viewOffset(), 1);
    list.thumb(0);
    EXPECT_EQ(list.viewOffset(), 0);
    EXPECT_EQ(list.rows()[0].recNo, 1);
}

// Opening on a record anywhere in a table of 700 customers in gendata's order of names: the
// page shows consecutive records of the order with the record highlighted, counted exactly by
// the literal method, and by the estimate (forced with small limits) away from the ends.
TEST_F(PickListTest, OpensOnTheRecordAtAnyPositionExactlyOrByEstimate)
{
    generate(700);
    ASSERT_TRUE(store->OpenCUST6());
    ASSERT_TRUE(store->OpenGROUPS());
    store->settings.ByCust = true;
    const std::vector<long> all = order(TableId::CUST6, "cname");
    ASSERT_EQ(all.size(), 700u);
    struct Case
    {
        const char *name;
        long literalLimit, zone;
    };
    for (const Case c : {Case{"literal", PagedList::kLiteralLimit, PagedList::kExactZone},
                         Case{"estimated", 100, 40}}) {
        SCOPED_TRACE(c.name);
        PagedList list(*store, PagedKind::Customers);
        list.setThresholds(c.literalLimit, c.zone);
        int estimated = 0;
        long worst = 0;
        for (size_t i = 0; i < all.size(); i += 13) {
            SCOPED_TRACE(i);
            store->selection.customer = int(all[i]);
            list.show();
            const long start = pageStart(list, all);
            ASSERT_GE(list.highlightRow(), 0);
            EXPECT_EQ(list.rows()[size_t(list.highlightRow())].recNo, all[i]);
            if (list.offsetExact()) {
                EXPECT_EQ(list.viewOffset(), std::min<long>(long(i), 690));
                EXPECT_EQ(start, list.viewOffset());
            } else {
                ++estimated;
                EXPECT_EQ(start, long(i));
                EXPECT_GE(list.viewOffset(), c.zone);
                EXPECT_LE(list.viewOffset(), 699 - c.zone);
                worst = std::max(worst, std::labs(list.viewOffset() - start));
            }
        }
        if (c.literalLimit == PagedList::kLiteralLimit) EXPECT_EQ(estimated, 0);
        else EXPECT_GT(estimated, 30);
        RecordProperty(std::string("worst_estimate_error_") + c.name, int(worst));
    }
}

// From a record in the middle, paging down to the end and up to the top shows every record
// once in order, and ends on exact offsets (0 and the largest), whichever way the offset was
// found. A page fill reads the page's records and at most one more.
TEST_F(PickListTest, PagingFromTheMiddlePassesOverNoRecord)
{
    generate(700);
    ASSERT_TRUE(store->OpenCUST6());
    ASSERT_TRUE(store->OpenGROUPS());
    store->settings.ByCust = true;
    const std::vector<long> all = order(TableId::CUST6, "cname");
    for (long limit : {PagedList::kLiteralLimit, 100L}) {
        SCOPED_TRACE(limit);
        PagedList list(*store, PagedKind::Customers);
        list.setThresholds(limit, 40);
        store->selection.customer = int(all[351]);
        list.show();
        EXPECT_EQ(list.offsetExact(), limit != 100);
        const long middle = pageStart(list, all);
        long previous = middle;
        while (previous < 690) {
            const auto before = reads(TableId::CUST6);
            list.pageDown();
            EXPECT_LE(reads(TableId::CUST6) - before, 11u);
            const long start = pageStart(list, all);
            ASSERT_GT(start, previous);
            ASSERT_LE(start, previous + 10);
            EXPECT_TRUE(start == previous + 10 || start == 690) << start;
            previous = start;
        }
        EXPECT_TRUE(list.offsetExact());
        EXPECT_EQ(list.viewOffset(), 690);
        EXPECT_EQ(list.scrollBarValue(), 100);

        store->selection.customer = int(all[351]);
        list.show();
        previous = pageStart(list, all);
        while (previous > 0) {
            list.pageUp();
            const long start = pageStart(list, all);
            ASSERT_LT(start, previous);
            EXPECT_TRUE(start == previous - 10 || start == 0) << start;
            previous = start;
        }
        EXPECT_TRUE(list.offsetExact());
        EXPECT_EQ(list.viewOffset(), 0);

        // Line moves keep the row the key went to.
        store->selection.customer = int(all[351]);
        list.show();
        const long start = pageStart(list, all);
        list.lineDown(9);
        EXPECT_EQ(pageStart(list, all), start + 1);
        EXPECT_EQ(list.highlightRow(), 9);
        list.lineUp(0);
        list.lineUp(0);
        EXPECT_EQ(pageStart(list, all), start - 1);
        EXPECT_EQ(list.highlightRow(), 0);
        list.end();
        EXPECT_EQ(pageStart(list, all), 690);
        list.home();
        EXPECT_EQ(pageStart(list, all), 0);
        // The thumb, from the middle: 20 % of 690 is nearer the top than the rows shown, so
        // the page is counted from the top.
        store->selection.customer = int(all[351]);
        list.show();
        list.thumb(20);
        EXPECT_EQ(pageStart(list, all), 138);
        EXPECT_TRUE(list.offsetExact());
        EXPECT_EQ(list.scrollBarValue(), 20);
    }
}

TEST_F(PickListTest, SeekFindsTheFirstNameFromThePartialKeyUpperCased)
{
    ASSERT_TRUE(store->OpenCUST6());
    ASSERT_TRUE(store->OpenGROUPS());
    store->settings.ByCust = true;
    const QStringList names = {"Young", "Adams", "Smith", "baker", "Small",  "Taylor",
                               "Jones", "Moore", "Allen", "Clark", "Wright", "Scott",
                               "Hill",  "Green", "Evans", "Smyth", "Lewis",  "King"};
    for (const QString &n : names) addCustomer(n, "Ann", "", 1);
    PagedList list(*store, PagedKind::Customers);
    list.show();
    const std::vector<long> all = order(TableId::CUST6, "cname");

    list.seek(QStringLiteral(" sm "));
    ASSERT_GE(list.highlightRow(), 0);
    const masters::PickRow &found = list.rows()[size_t(list.highlightRow())];
    EXPECT_EQ(found.cells[0].trimmed(), "Small");
    EXPECT_EQ(pageStart(list, all), list.viewOffset());
    EXPECT_EQ(store->data(TableId::CUST6)->recNo(), found.recNo);

    list.seek(QStringLiteral("sn"));  // no name starts SN: the next one in order
    EXPECT_EQ(list.rows()[size_t(list.highlightRow())].cells[0].trimmed(), "Taylor");
    list.home();
    // The same text again changes nothing; beyond the last name nothing changes either.
    list.seek(QStringLiteral("SN"));
    EXPECT_EQ(list.viewOffset(), 0);
    list.seek(QStringLiteral("ZZ"));
    EXPECT_EQ(list.viewOffset(), 0);
    EXPECT_EQ(list.rows()[0].cells[0].trimmed(), "Adams");
}

TEST_F(PickListTest, InvoiceSeekPadsTheNumberAndStatusNamesTheCustomer)
{
    ASSERT_TRUE(store->OpenCUST6());
    ASSERT_TRUE(store->OpenINV7());
    addCustomer("  Baker ", " Ann ", "", 1, 7);
    const std::vector<int> numbers = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15, 16, 17, 18, 19, 20, 21};
    for (int n : numbers) addInvoice(n, n == 15 ? 7 : 99, QDate(2024, 3, n), "Memo");
    PagedList list(*store, PagedKind::Invoices);
    store->locale = core::Locale::pinned(QStringLiteral("dd.MM.yyyy"), QLatin1Char(','));
    store->selection.invoice = 2;
    list.show();
    EXPECT_EQ(list.rows()[0].recNo, 2);
    EXPECT_EQ(list.rows()[0].cells,
              (QStringList{"     2", "02.03.2024", "Memo" + QString(26, ' '), "2"}));
    EXPECT_EQ(list.statusText(), "");  // customer 99 does not exist

    list.seek(QStringLiteral("12"));
    ASSERT_GE(list.highlightRow(), 0);
    EXPECT_EQ(list.rows()[size_t(list.highlightRow())].cells[0], "    15");
    EXPECT_EQ(list.statusText(), "Ann Baker");
    const long offset = list.viewOffset();
    list.seek(QStringLiteral("99999"));
    EXPECT_EQ(list.viewOffset(), offset);
    EXPECT_EQ(list.rows()[size_t(list.highlightRow())].cells[0], "    15");
}

TEST_F(PickListTest, DeletedRecordsAreListedWithTheirMarkerAndCanBeChosen)
{
    ASSERT_TRUE(store->OpenCUST6());
    ASSERT_TRUE(store->OpenGROUPS());
    ASSERT_TRUE(store->OpenProd5());
    addCustomer("Adams", "Ann", "good payer", 1);
    addCustomer("Baker", "Bob", "slow", 1);
    markDeleted(TableId::CUST6, 2);
    for (const char *id : {"A1", "B2"}) {
        ASSERT_EQ(d4appendBlank(store->data(TableId::Prod5)), 0);
        store->product = {};
        store->product.PrID = id;
        store->product.UPrice = 12.5;
        store->StoreProd5();
    }
    markDeleted(TableId::Prod5, 1);

    struct Case
    {
        PagedKind kind;
        bool byName;
        long recNo;
        int column;
        QString marker;
    };
    for (const Case &c : {Case{PagedKind::Customers, true, 2, 2, "< DELETED >"},
                          Case{PagedKind::Customers, false, 2, 2, "< DELETED >"},
                          Case{PagedKind::Products, true, 1, 2, "<DELETED>"}}) {
        store->settings.ByCust = c.byName;
        PagedList list(*store, c.kind);
        list.show();
        int row = -1;
        for (int i = 0; i < PagedList::kRows; ++i)
            if (list.rows()[size_t(i)].recNo == c.recNo) row = i;
        ASSERT_GE(row, 0);
        EXPECT_TRUE(list.rows()[size_t(row)].deleted);
        EXPECT_EQ(list.rows()[size_t(row)].cells[size_t(c.column)], c.marker);
        EXPECT_NE(list.rows()[size_t(1 - row)].cells[size_t(c.column)], c.marker);
        list.setHighlightRow(row);
        EXPECT_EQ(list.chosenRecord(), c.recNo);
    }
    PagedList products(*store, PagedKind::Products);
    products.show();
    EXPECT_EQ(products.rows()[1].cells, (QStringList{"B2" + QString(8, ' '), QString(27, ' '),
                                                     "   12.50", "2"}));
    // Products keep the highlight on its row when a page has no record to highlight;
    // customers go back to the first row.
    products.setHighlightRow(1);
    products.pageDown();
    EXPECT_EQ(products.chosenRecord(), 2);
    PagedList customers(*store, PagedKind::Customers);
    customers.show();
    customers.setHighlightRow(1);
    customers.pageDown();
    EXPECT_EQ(customers.highlightRow(), 0);
    products.setHighlightRow(5);
    EXPECT_EQ(products.chosenRecord(), 0);  // a blank row chooses nothing
}

// The customer list's status box names the highlighted customer's group, and moving the
// highlight makes that customer the table's current record; the estimates' customer column
// comes from CUST6 and leaves its order alone.
TEST_F(PickListTest, StatusBoxAndCustomerColumn)
{
    ASSERT_TRUE(store->OpenCUST6());
    ASSERT_TRUE(store->OpenGROUPS());
    ASSERT_TRUE(store->OpenEst());
    addGroup(3, "Retail");
    addGroup(12, "Trade");
    addCustomer("Adams", "Ann", "", 12, 5);
    addCustomer("Baker", "Bob", "", 3, 6);
    addCustomer("Clark", "Cy", "", 40, 7);
    store->settings.ByCust = true;
    PagedList customers(*store, PagedKind::Customers);
    customers.show();
    EXPECT_EQ(customers.statusCaption(), "Group:");
    const QStringList expected = {"Trade", "Retail", ""};
    for (int row = 0; row < 3; ++row) {
        customers.setHighlightRow(row);
        EXPECT_EQ(customers.statusText(), expected[row]) << row;
        EXPECT_EQ(d4recNo(store->data(TableId::CUST6)), row + 1);
    }

    DATA4 *est = store->data(TableId::Est);
    for (int cuno : {6, 8}) {
        ASSERT_EQ(d4appendBlank(est), 0);
        store->estimate = {};
        store->estimate.EstNo = cuno * 10;
        store->estimate.CuNo = cuno;
        store->StoreEst();
    }
    d4flush(est);
    TAG4 *customerOrder = d4tagSelected(store->data(TableId::CUST6));
    PagedList estimates(*store, PagedKind::Estimates);
    estimates.show();
    EXPECT_EQ(estimates.statusCaption(), "");
    EXPECT_EQ(estimates.rows()[0].cells[2], "Baker" + QString(29, ' '));
    EXPECT_EQ(estimates.rows()[1].cells[2], "");
    EXPECT_EQ(estimates.rows()[0].cells[1], "");  // no date
    EXPECT_EQ(d4tagSelected(store->data(TableId::CUST6)), customerOrder);
}

TEST_F(PickListTest, GroupListSeeksByThePrefixAndRestoresTheTag)
{
    ASSERT_TRUE(store->OpenGROUPS());
    const QStringList names = {"Trade", "retail", "Export", "Re-sellers"};
    for (int i = 0; i < names.size(); ++i) addGroup(i + 1, names[i]);
    markDeleted(TableId::GROUPS, 3);
    DATA4 *g = store->data(TableId::GROUPS);
    TAG4 *numbers = d4tagSelected(g);
    ASSERT_NE(numbers, nullptr);

    masters::ShortList list(*store, masters::ShortKind::Groups);
    store->selection.group = 1;
    list.show();
    EXPECT_EQ(list.lines(), (QStringList{"Export" + QString(14, ' ') + "<DELETED>",
                                         "Re-sellers" + QString(10, ' '),
                                         "retail" + QString(14, ' '), "Trade" + QString(15, ' ')}));
    EXPECT_EQ(list.highlightLine(), 3);
    EXPECT_EQ(store->selection.group, 1);
    EXPECT_NE(d4tagSelected(g), numbers);

    struct Case
    {
        const char *text;
        int line;
    };
    for (const Case c : {Case{"re", 1}, Case{" RET ", 2}, Case{"R", 1}, Case{"s", 3},
                         Case{"", 0}, Case{"zz", -1}, Case{"Trade and more", -1}}) {
        list.seek(QString::fromLatin1(c.text));
        EXPECT_EQ(list.highlightLine(), c.line) << c.text;
    }
    EXPECT_FALSE(list.choose());
    EXPECT_EQ(prompts.shown(), QStringList{"information: Item Not Selected"});
    list.seek(QStringLiteral("RET"));
    ASSERT_TRUE(list.choose());
    EXPECT_EQ(store->selection.group, 2);
    list.close();
    EXPECT_EQ(d4tagSelected(g), numbers);
    prompts.clear();
}

TEST_F(PickListTest, LabelListClearsTheSelectionAndSingleGroupIgnoresTheSeek)
{
    ASSERT_TRUE(store->OpenGROUPS());
    ASSERT_TRUE(store->OpenLABELS());
    addGroup(1, "Only");
    masters::ShortList groups(*store, masters::ShortKind::Groups);
    store->selection.group = 5;
    groups.show();
    EXPECT_EQ(groups.highlightLine(), 0);
    groups.seek(QStringLiteral("zz"));
    EXPECT_EQ(groups.highlightLine(), 0);
    groups.close();

    DATA4 *l = store->data(TableId::LABELS);
    for (const char *name : {"Small", "Avery"}) {
        ASSERT_EQ(d4appendBlank(l), 0);
        store->label = {};
        store->label.Name = name;
        store->StoreLABELS();
    }
    masters::ShortList labels(*store, masters::ShortKind::Labels);
    store->selection.label = 1;
    labels.show();
    EXPECT_EQ(labels.lines().size(), 2);
    EXPECT_EQ(labels.highlightLine(), 1);  // "Small", record 1, comes second by name
    EXPECT_EQ(store->selection.label, -1);
    ASSERT_TRUE(labels.choose());
    EXPECT_EQ(store->selection.label, 1);
}

} // namespace

#include "DataStore.h"

#include "FieldValues.h"
#include "core/Prompts.h"
#include "xbase/File.h"

namespace data {

DataStore::DataStore(const QString &directory, core::Prompts &prompts,
                     std::function<void()> exitProgram)
    : m_directory(directory), m_prompts(prompts), m_exitProgram(std::move(exitProgram))
{
}

DataStore::~DataStore()
{
    if (m_engine) code4initUndoP(m_engine);
}

void DataStore::startEngine()
{
    if (m_engine) return;
    m_engine = code4initP();
    m_engine->exitHook = m_exitProgram;
    m_engine->errorHook = [this](int code, const std::string &text) {
        if (m_reportErrors)
            m_prompts.information(QStringLiteral("Data file error %1:\r\n%2")
                                      .arg(code)
                                      .arg(QString::fromStdString(text)));
    };
    error4exitTest(m_engine);
    code4optimize(m_engine, 1);
    code4optimizeWrite(m_engine, -1);
}

std::string DataStore::tablePath(TableId id) const
{
    return (m_directory + QLatin1Char('/') + QLatin1String(tableDef(id).name)).toStdString();
}

void DataStore::closeAll()
{
    if (m_engine) code4close(m_engine);
    for (OpenTable &t : m_tables) {
        t.data = nullptr;
        t.fields.clear();
    }
}

void DataStore::failOpen(const QString &name)
{
    m_prompts.information(QStringLiteral("Unable to open file ") + name +
                          QStringLiteral("\r\nProgram will now terminate."));
    code4exit(m_engine);
}

bool DataStore::open(TableId id)
{
    const TableDef &def = tableDef(id);
    OpenTable &t = m_tables[size_t(id)];
    const bool plain = def.tags.empty();
    const QString fileName = QLatin1String(def.name) + QStringLiteral(".DBF");
    // Failures here have a message of their own.
    const bool report = m_reportErrors;
    m_reportErrors = false;
    auto fail = [&](const QString &name) {
        m_reportErrors = report;
        code4errorCode(m_engine, 0);
        failOpen(name);
        return false;
    };
    const int autoOpen = plain ? code4autoOpen(m_engine, 0) : 1;
    DATA4 *d = d4open(m_engine, tablePath(id).c_str());
    if (plain) code4autoOpen(m_engine, autoOpen);
    if (!d || code4errorCode(m_engine, 0) < 0) return fail(fileName);
    t.data = d;
    if (!plain) {
        TAG4 *tag = d4tag(d, def.mainTag);
        if (!tag || code4errorCode(m_engine, 0) < 0) return fail(QLatin1String(def.tagFailName));
        d4tagSelectP(d, tag);
    }
    t.fields.clear();
    for (const FieldDef &f : def.fields) {
        FIELD4 *h = d4field(d, f.name);
        if (!h) return fail(fileName);
        t.fields.push_back(h);
    }
    d4top(d);
    m_reportErrors = report;
    return true;
}

bool DataStore::OpenQLR3A() { return open(TableId::QLR3A); }
bool DataStore::OpenCUST6() { return open(TableId::CUST6); }
bool DataStore::OpenGROUPS() { return open(TableId::GROUPS); }
bool DataStore::OpenImportF() { return open(TableId::ImportF); }
bool DataStore::OpenINV7() { return open(TableId::INV7); }
bool DataStore::OpenITM5() { return open(TableId::ITM5); }
bool DataStore::OpenPMT() { return open(TableId::PMT); }
bool DataStore::OpenProd5() { return open(TableId::Prod5); }
bool DataStore::OpenPur5() { return open(TableId::Pur5); }
bool DataStore::OpenLABELS() { return open(TableId::LABELS); }
bool DataStore::OpenEst() { return open(TableId::Est); }
bool DataStore::OpenEstItm() { return open(TableId::EstItm); }

// Fields are loaded and stored in the catalogue's order; `next` walks the handles.
namespace {
class Fields
{
public:
    explicit Fields(const DataStore &store, TableId id) : m_store(store), m_id(id) {}
    FIELD4 *next() { return m_store.field(m_id, m_i++); }

private:
    const DataStore &m_store;
    TableId m_id;
    int m_i = 0;
};
} // namespace

void DataStore::LoadQLR3A()
{
    Fields f(*this, TableId::QLR3A);
    Settings &s = settings;
    s.FontName = getText(f.next());
    s.FontSize = getInt(f.next());
    s.LabID = getText(f.next());
    s.Company = getText(f.next());
    s.Addr1 = getText(f.next());
    s.Addr2 = getText(f.next());
    s.Addr3 = getText(f.next());
    s.Addr4 = getText(f.next());
    s.CloLine = getText(f.next());
    s.SigLine = getText(f.next());
    s.LogoFile = getText(f.next());
    s.LogoHeight = getDouble(f.next());
    s.LogoWidth = getDouble(f.next());
    s.ShipLine = getText(f.next());
    s.TaxLine = getText(f.next());
    s.ShipTax = getInt(f.next());
    s.TaxRound = getInt(f.next());
    s.LHJustify = getInt(f.next());
    s.TaxRate1 = getDouble(f.next());
    s.TaxRate2 = getDouble(f.next());
    s.TopMargin = getDouble(f.next());
    s.ByCust = getBool(f.next());
    s.fifo = getBool(f.next());
    s.MailHost = getTrimmedText(f.next());
    s.MailID = getTrimmedText(f.next());
    s.MailAddr = getTrimmedText(f.next());
    s.MailName = getTrimmedText(f.next());
    s.MailReply = getTrimmedText(f.next());
    s.MailPass = getTrimmedText(f.next());
    s.MailAuth = getBool(f.next());
    s.InvTitle = getText(f.next());
    s.EstTitle = getText(f.next());
    s.Charge = getBool(f.next());
    s.ChargeDir = getTrimmedText(f.next());
}

void DataStore::StoreQLR3A()
{
    Fields f(*this, TableId::QLR3A);
    const Settings &s = settings;
    putText(f.next(), s.FontName);
    putInt(f.next(), s.FontSize);
    putText(f.next(), s.LabID);
    putText(f.next(), s.Company);
    putText(f.next(), s.Addr1);
    putText(f.next(), s.Addr2);
    putText(f.next(), s.Addr3);
    putText(f.next(), s.Addr4);
    putText(f.next(), s.CloLine);
    putText(f.next(), s.SigLine);
    putText(f.next(), s.LogoFile);
    putDouble(f.next(), s.LogoHeight);
    putDouble(f.next(), s.LogoWidth);
    putText(f.next(), s.ShipLine);
    putText(f.next(), s.TaxLine);
    putInt(f.next(), s.ShipTax);
    putInt(f.next(), s.TaxRound);
    putInt(f.next(), s.LHJustify);
    putDouble(f.next(), s.TaxRate1);
    putDouble(f.next(), s.TaxRate2);
    putDouble(f.next(), s.TopMargin);
    putBool(f.next(), s.ByCust);
    putBool(f.next(), s.fifo);
    putText(f.next(), s.MailHost, 69);
    putText(f.next(), s.MailID, 128);
    putText(f.next(), s.MailAddr, 69);
    putText(f.next(), s.MailName, 69);
    putText(f.next(), s.MailReply, 69);
    putText(f.next(), s.MailPass, 69);
    putBool(f.next(), s.MailAuth);
    putText(f.next(), s.InvTitle);
    putText(f.next(), s.EstTitle);
    putBool(f.next(), s.Charge);
    putText(f.next(), s.ChargeDir, 220);
}

void DataStore::LoadCUST6()
{
    Fields f(*this, TableId::CUST6);
    CustomerBuffer &c = customer;
    c.cuno = getInt(f.next());
    c.title = getText(f.next());
    c.first = getText(f.next());
    c.last = getText(f.next());
    c.addr1 = getText(f.next());
    c.addr2 = getText(f.next());
    c.addr3 = getText(f.next());
    c.addr4 = getText(f.next());
    c.zip = getText(f.next());
    c.comments = getMemo(f.next());
    c.ngroup = getInt(f.next());
    c.note = getText(f.next());
    c.phone = getText(f.next());
    c.fax = getText(f.next());
    c.email = getText(f.next());
}

void DataStore::StoreCUST6()
{
    Fields f(*this, TableId::CUST6);
    CustomerBuffer &c = customer;
    putInt(f.next(), c.cuno);
    putText(f.next(), c.title);
    putText(f.next(), c.first);
    putText(f.next(), c.last);
    putText(f.next(), c.addr1);
    putText(f.next(), c.addr2);
    putText(f.next(), c.addr3);
    putText(f.next(), c.addr4);
    putText(f.next(), c.zip);
    c.comments = withoutTrailingBlanks(c.comments);
    putMemo(f.next(), c.comments);
    putInt(f.next(), c.ngroup);
    putText(f.next(), c.note);
    putText(f.next(), c.phone);
    putText(f.next(), c.fax);
    putText(f.next(), c.email);
    d4flush(data(TableId::CUST6));
}

void DataStore::LoadGROUPS()
{
    Fields f(*this, TableId::GROUPS);
    group.nGroup = getInt(f.next());
    group.cGroup = getText(f.next());
}

void DataStore::StoreGROUPS()
{
    Fields f(*this, TableId::GROUPS);
    putInt(f.next(), group.nGroup);
    putText(f.next(), group.cGroup);
    d4flush(data(TableId::GROUPS));
}

void DataStore::LoadImportF()
{
    Fields f(*this, TableId::ImportF);
    importFormat.FmtName = getText(f.next());
    for (int &v : importFormat.values) v = getInt(f.next());
}

void DataStore::StoreImportF()
{
    Fields f(*this, TableId::ImportF);
    putText(f.next(), importFormat.FmtName);
    for (int v : importFormat.values) putInt(f.next(), v);
}

void DataStore::LoadINV7()
{
    Fields f(*this, TableId::INV7);
    InvoiceBuffer &i = invoice;
    i.IvNo = getInt(f.next());
    i.CuNo = getInt(f.next());
    i.Dept = getText(f.next());
    i.IDate = getDate(f.next());
    i.IMemo = getText(f.next());
    i.Discount = getDouble(f.next());
    i.Ship = getDouble(f.next());
    i.Tax = getDouble(f.next());
    i.Due = getDouble(f.next());
    i.REM = getMemo(f.next());
    i.ShipTo = getInt(f.next());
}

void DataStore::StoreINV7()
{
    Fields f(*this, TableId::INV7);
    InvoiceBuffer &i = invoice;
    putInt(f.next(), i.IvNo);
    putInt(f.next(), i.CuNo);
    putText(f.next(), i.Dept);
    putDate(f.next(), i.IDate);
    putText(f.next(), i.IMemo);
    putDouble(f.next(), i.Discount);
    putDouble(f.next(), i.Ship);
    putDouble(f.next(), i.Tax);
    putDouble(f.next(), i.Due);
    i.REM = withoutTrailingBlanks(i.REM);
    putMemo(f.next(), i.REM);
    putInt(f.next(), i.ShipTo);
}

void DataStore::LoadITM5()
{
    Fields f(*this, TableId::ITM5);
    itemOwners.IvNo = getInt(f.next());
    item.PrID = getText(f.next());
    item.Qty = getDouble(f.next());
    item.UPR = getDouble(f.next());
    item.LTax1 = getBool(f.next());
    item.LTax2 = getBool(f.next());
    item.PDesc = getText(f.next());
    item.IComm = getText(f.next());
}

void DataStore::StoreITM5()
{
    Fields f(*this, TableId::ITM5);
    putInt(f.next(), itemOwners.IvNo);
    putText(f.next(), item.PrID);
    putDouble(f.next(), item.Qty);
    putDouble(f.next(), item.UPR);
    putBool(f.next(), item.LTax1);
    putBool(f.next(), item.LTax2);
    putText(f.next(), item.PDesc);
    putText(f.next(), item.IComm);
    putBool(f.next(), false);  // lBuild
    putDouble(f.next(), 0);    // BackOrder
    d4flush(data(TableId::ITM5));
}

void DataStore::LoadPMT()
{
    Fields f(*this, TableId::PMT);
    payment.IvNo = getInt(f.next());
    payment.PDate = getDate(f.next());
    payment.PAmt = getDouble(f.next());
}

void DataStore::StorePMT()
{
    Fields f(*this, TableId::PMT);
    putInt(f.next(), payment.IvNo);
    putDate(f.next(), payment.PDate);
    putDouble(f.next(), payment.PAmt);
    d4flush(data(TableId::PMT));
}

void DataStore::LoadProd5()
{
    Fields f(*this, TableId::Prod5);
    ProductBuffer &p = product;
    p.PrID = getText(f.next());
    p.RCode = getText(f.next());
    p.PDesc = getText(f.next());
    p.UPrice = getDouble(f.next());
    p.LTax1 = getBool(f.next());
    p.LTax2 = getBool(f.next());
    p.lInven = getBool(f.next());
    p.IComm = getText(f.next());
    p.PMemo = getMemo(f.next());
    p.REORDER = getDouble(f.next());
    p.ONHAND = getDouble(f.next());
}

void DataStore::StoreProd5()
{
    Fields f(*this, TableId::Prod5);
    ProductBuffer &p = product;
    putText(f.next(), p.PrID);
    putText(f.next(), p.RCode);
    putText(f.next(), p.PDesc);
    putDouble(f.next(), p.UPrice);
    putBool(f.next(), p.LTax1);
    putBool(f.next(), p.LTax2);
    putBool(f.next(), p.lInven);
    putText(f.next(), p.IComm);
    p.PMemo = withoutTrailingBlanks(p.PMemo);
    putMemo(f.next(), p.PMemo);
    putDouble(f.next(), p.REORDER);
    putDouble(f.next(), p.ONHAND);
    putBool(f.next(), false);  // lBuild
    d4flush(data(TableId::Prod5));
}

void DataStore::LoadPur5()
{
    Fields f(*this, TableId::Pur5);
    purchase.PURProd = getText(f.next());
    purchase.PURDate = getDate(f.next());
    purchase.PURQty = getDouble(f.next());
    purchase.PURCost = getDouble(f.next());
    purchase.PURNo = getInt(f.next());
}

void DataStore::StorePur5()
{
    Fields f(*this, TableId::Pur5);
    putText(f.next(), purchase.PURProd);
    putDate(f.next(), purchase.PURDate);
    putDouble(f.next(), purchase.PURQty);
    putDouble(f.next(), purchase.PURCost);
    putInt(f.next(), purchase.PURNo);
    d4flush(data(TableId::Pur5));
}

void DataStore::LoadLABELS()
{
    Fields f(*this, TableId::LABELS);
    label.Name = getText(f.next());
    for (double &m : label.measures) m = getDouble(f.next());
    label.NAcross = getInt(f.next());
    label.Continuous = getBool(f.next());
}

void DataStore::StoreLABELS()
{
    Fields f(*this, TableId::LABELS);
    putText(f.next(), label.Name);
    for (double m : label.measures) putDouble(f.next(), m);
    putInt(f.next(), label.NAcross);
    putBool(f.next(), label.Continuous);
    d4flush(data(TableId::LABELS));
}

void DataStore::LoadEst()
{
    Fields f(*this, TableId::Est);
    EstimateBuffer &e = estimate;
    e.EstNo = getInt(f.next());
    e.CuNo = getInt(f.next());
    e.Dept = getText(f.next());
    e.EstDate = getDate(f.next());
    e.Discount = getDouble(f.next());
    e.Ship = getDouble(f.next());
    e.Tax = getDouble(f.next());
    e.REM = getMemo(f.next());
}

void DataStore::StoreEst()
{
    Fields f(*this, TableId::Est);
    EstimateBuffer &e = estimate;
    putInt(f.next(), e.EstNo);
    putInt(f.next(), e.CuNo);
    putText(f.next(), e.Dept);
    putDate(f.next(), e.EstDate);
    putDouble(f.next(), e.Discount);
    putDouble(f.next(), e.Ship);
    putDouble(f.next(), e.Tax);
    putMemo(f.next(), e.REM);  // estimate remarks are stored as typed
}

void DataStore::LoadEstItm()
{
    Fields f(*this, TableId::EstItm);
    itemOwners.EstNo = getInt(f.next());
    item.PrID = getText(f.next());
    item.PDesc = getText(f.next());
    item.IComm = getText(f.next());
    item.Qty = getDouble(f.next());
    item.UPR = getDouble(f.next());
    item.LTax1 = getBool(f.next());
    item.LTax2 = getBool(f.next());
}

void DataStore::StoreEstItm()
{
    Fields f(*this, TableId::EstItm);
    putInt(f.next(), itemOwners.EstNo);
    putText(f.next(), item.PrID);
    putText(f.next(), item.PDesc);
    putText(f.next(), item.IComm);
    putDouble(f.next(), item.Qty);
    putDouble(f.next(), item.UPR);
    putBool(f.next(), item.LTax1);
    putBool(f.next(), item.LTax2);
}

bool DataStore::SeekGroup(int nGroup)
{
    DATA4 *g = data(TableId::GROUPS);
    d4tagSelectP(g, d4tag(g, "nGroup"));
    const QString key = QString::number(nGroup).rightJustified(2, QLatin1Char(' '));
    // A number that does not fit the two-character key cannot name a group.
    return key.size() == 2 && d4seek(g, key.toLatin1().constData()) == 0;
}

void DataStore::LoadCustomerGroup()
{
    if (SeekGroup(customer.ngroup)) {
        LoadGROUPS();
    } else {
        group.nGroup = 0;
        group.cGroup.clear();
    }
}

bool DataStore::CheckTableFiles() const
{
    for (const char *name : tableFilesChecked()) {
        const QString path = m_directory + QLatin1Char('/') + QLatin1String(name);
        if (xbase::fs::findNoCase(path.toStdString()).empty()) return false;
    }
    return true;
}

void DataStore::writeSettings()
{
    if (!OpenQLR3A()) return;
    StoreQLR3A();
    close(TableId::QLR3A);
}

void DataStore::close(TableId id)
{
    OpenTable &t = m_tables[size_t(id)];
    if (t.data) d4close(t.data);
    t = OpenTable{};
}

} // namespace data

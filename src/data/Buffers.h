#pragma once

#include <QString>

#include <array>

// The record buffers: one per table, the current record's fields as program values, filled by
// the table's load operation and written by its store operation. Members keep the tables'
// field names. Dates are day counts (core/Dates.h), 0 = no date.
namespace data {

struct CustomerBuffer
{
    int cuno = 0;
    QString title, first, last, addr1, addr2, addr3, addr4, zip;
    QString comments;
    int ngroup = 0;
    QString note, phone, fax, email;
};

struct GroupBuffer
{
    int nGroup = 0;
    QString cGroup;
};

struct ImportFormatBuffer
{
    QString FmtName;
    // FmtType, Fld1 to Fld14, DELIM, nFields, in that order.
    std::array<int, 17> values{};
};

struct InvoiceBuffer
{
    int IvNo = 0;
    int CuNo = 0;
    QString Dept;
    double IDate = 0;
    QString IMemo;
    double Discount = 0, Ship = 0, Tax = 0, Due = 0;
    QString REM;
    int ShipTo = 0;
};

// Shared by invoice items (ITM5) and estimate items (EstItm); the owner number is held
// separately (ItemOwners).
struct ItemBuffer
{
    QString PrID, PDesc, IComm;
    double Qty = 0, UPR = 0;
    bool LTax1 = false, LTax2 = false;
};

struct ItemOwners
{
    int IvNo = 0;   // ITM5
    int EstNo = 0;  // EstItm
};

struct PaymentBuffer
{
    int IvNo = 0;
    double PDate = 0;
    double PAmt = 0;
};

struct ProductBuffer
{
    QString PrID, RCode, PDesc;
    double UPrice = 0;
    bool LTax1 = false, LTax2 = false, lInven = false;
    QString IComm, PMemo;
    double REORDER = 0, ONHAND = 0;
};

struct PurchaseBuffer
{
    QString PURProd;
    double PURDate = 0;
    double PURQty = 0, PURCost = 0;
    int PURNo = 0;
};

struct LabelBuffer
{
    QString Name;
    // TopM, LeftM, BottomM, RightM, Width, Height, HGap, VGap, in that order.
    std::array<double, 8> measures{};
    int NAcross = 0;
    bool Continuous = false;
};

struct EstimateBuffer
{
    int EstNo = 0;
    int CuNo = 0;
    QString Dept;
    double EstDate = 0;
    double Discount = 0, Ship = 0, Tax = 0;
    QString REM;
};

// The selection values: one shared integer per table through which pick lists, editors and
// their callers pass the chosen record. Positive: a record number of the table; 0: make a new
// record; -1: nothing chosen.
struct SelectionValues
{
    int customer = -1;
    int group = -1;
    int product = -1;
    int invoice = -1;
    int estimate = -1;
    int purchase = -1;
    int label = -1;
};

// The one record of QLR3A, read once at start-up and written back whole on every change.
struct Settings
{
    QString FontName;
    int FontSize = 0;
    QString LabID, Company, Addr1, Addr2, Addr3, Addr4, CloLine, SigLine, LogoFile;
    double LogoHeight = 0, LogoWidth = 0;
    QString ShipLine, TaxLine;
    int ShipTax = 0, TaxRound = 0, LHJustify = 0;
    double TaxRate1 = 0, TaxRate2 = 0, TopMargin = 0;
    bool ByCust = false, fifo = false;
    QString MailHost, MailID, MailAddr, MailName, MailReply, MailPass;
    bool MailAuth = false;
    QString InvTitle, EstTitle;
    bool Charge = false;
    QString ChargeDir;
};

} // namespace data

#include "Catalogue.h"

#include <strings.h>

namespace data {

// Widths: character fields are as wide as the longest text their editors accept (a box
// without its own limit gets the width here as its limit); numbers used in keys hold six
// digits (two for groups); money and quantities have two decimals and room for a sign and
// the whole positions their money boxes accept; label measures have three decimals.
const std::vector<TableDef> &catalogue()
{
    static const std::vector<TableDef> tables = {
        {TableId::QLR3A,
         "QLR3A",
         {{"FontName", 'C', 40, 0},  {"FontSize", 'N', 3, 0},    {"LabID", 'C', 40, 0},
          {"Company", 'C', 35, 0},   {"Addr1", 'C', 35, 0},      {"Addr2", 'C', 35, 0},
          {"Addr3", 'C', 35, 0},     {"Addr4", 'C', 25, 0},      {"CloLine", 'C', 25, 0},
          {"SigLine", 'C', 35, 0},   {"LogoFile", 'C', 59, 0},   {"LogoHeight", 'N', 6, 2},
          {"LogoWidth", 'N', 6, 2},  {"ShipLine", 'C', 20, 0},   {"TaxLine", 'C', 20, 0},
          {"ShipTax", 'N', 1, 0},    {"TaxRound", 'N', 1, 0},    {"LHJustify", 'N', 1, 0},
          {"TaxRate1", 'N', 6, 2},   {"TaxRate2", 'N', 6, 2},    {"TopMargin", 'N', 6, 2},
          {"ByCust", 'L', 1, 0},     {"fifo", 'L', 1, 0},        {"MailHost", 'C', 69, 0},
          {"MailID", 'C', 128, 0},   {"MailAddr", 'C', 69, 0},   {"MailName", 'C', 69, 0},
          {"MailReply", 'C', 69, 0}, {"MailPass", 'C', 69, 0},   {"MailAuth", 'L', 1, 0},
          {"InvTitle", 'C', 40, 0},  {"EstTitle", 'C', 20, 0},   {"Charge", 'L', 1, 0},
          {"ChargeDir", 'C', 220, 0}},
         {},
         nullptr,
         nullptr},
        {TableId::CUST6,
         "CUST6",
         {{"cuno", 'N', 6, 0},   {"title", 'C', 3, 0},  {"first", 'C', 13, 0},
          {"last", 'C', 34, 0},  {"addr1", 'C', 34, 0}, {"addr2", 'C', 34, 0},
          {"addr3", 'C', 34, 0}, {"addr4", 'C', 19, 0}, {"zip", 'C', 10, 0},
          {"comments", 'M', 10, 0}, {"ngroup", 'N', 2, 0}, {"note", 'C', 34, 0},
          {"phone", 'C', 20, 0}, {"fax", 'C', 20, 0},   {"email", 'C', 60, 0}},
         {{"CName", "Upper(Last + First)"},
          {"CCNO", "Str(CuNo, 6)"},
          {"CZip", "Zip"},
          {"cComp", "Addr1"}},
         "cname",
         "AccTag.Ntx"},
        {TableId::GROUPS,
         "GROUPS",
         {{"nGroup", 'N', 2, 0}, {"cGroup", 'C', 20, 0}},
         {{"NGroup", "Str(nGroup, 2)"}, {"CGroup", "Upper(cGroup)"}},
         "nGroup",
         "AccTag.Ntx"},
        {TableId::ImportF,
         "ImportF",
         {{"FmtName", 'C', 30, 0}, {"FmtType", 'N', 2, 0}, {"Fld1", 'N', 2, 0},
          {"Fld2", 'N', 2, 0},     {"Fld3", 'N', 2, 0},    {"Fld4", 'N', 2, 0},
          {"Fld5", 'N', 2, 0},     {"Fld6", 'N', 2, 0},    {"Fld7", 'N', 2, 0},
          {"Fld8", 'N', 2, 0},     {"Fld9", 'N', 2, 0},    {"Fld10", 'N', 2, 0},
          {"Fld11", 'N', 2, 0},    {"Fld12", 'N', 2, 0},   {"Fld13", 'N', 2, 0},
          {"Fld14", 'N', 2, 0},    {"DELIM", 'N', 3, 0},   {"nFields", 'N', 2, 0}},
         {},
         nullptr,
         nullptr},
        {TableId::INV7,
         "INV7",
         {{"IvNo", 'N', 6, 0},       {"CuNo", 'N', 6, 0},    {"Dept", 'C', 20, 0},
          {"IDate", 'D', 8, 0},      {"IMemo", 'C', 30, 0},  {"Discount", 'N', 6, 2},
          {"Ship", 'N', 12, 2},      {"Tax", 'N', 12, 2},    {"Due", 'N', 12, 2},
          {"REM", 'M', 10, 0},       {"ShipTo", 'N', 6, 0}},
         {{"Inv", "Str(IvNo,6,0)"}, {"InvC", "Str(CuNo,6,0)"}, {"InvD", "DTOS(IDate)"}},
         "Inv",
         "Inv.Ntx"},
        {TableId::ITM5,
         "ITM5",
         {{"IvNo", 'N', 6, 0},   {"PrID", 'C', 10, 0},  {"Qty", 'N', 10, 2},
          {"UPR", 'N', 9, 2},    {"LTax1", 'L', 1, 0},  {"LTax2", 'L', 1, 0},
          {"PDesc", 'C', 27, 0}, {"IComm", 'C', 27, 0}, {"lBuild", 'L', 1, 0},
          {"BackOrder", 'N', 10, 2}},
         {{"Itm", "Str(IvNo,6,0)"}, {"ItmP", "PrID + Str(IvNo,6,0)"}},
         "Itm",
         "Itm.Ntx"},
        {TableId::PMT,
         "PMT",
         {{"IvNo", 'N', 6, 0}, {"PDate", 'D', 8, 0}, {"PAmt", 'N', 11, 2}},
         {{"Pmt", "Str(IvNo,6,0)"}, {"PmtD", "DTOS(PDate)"}},
         "Pmt",
         "Pmt.Ntx"},
        {TableId::Prod5,
         "Prod5",
         {{"PrID", 'C', 10, 0},     {"RCode", 'C', 10, 0},  {"PDesc", 'C', 27, 0},
          {"UPrice", 'N', 9, 2},    {"LTax1", 'L', 1, 0},   {"LTax2", 'L', 1, 0},
          {"lInven", 'L', 1, 0},    {"IComm", 'C', 27, 0},  {"PMemo", 'M', 10, 0},
          {"REORDER", 'N', 10, 2},  {"ONHAND", 'N', 12, 2}, {"lBuild", 'L', 1, 0}},
         {{"Prod", "Upper(PrID)"}},
         "Prod",
         "Prod.Ntx"},
        {TableId::Pur5,
         "Pur5",
         {{"PURProd", 'C', 10, 0}, {"PURDate", 'D', 8, 0}, {"PURQty", 'N', 11, 2},
          {"PURCost", 'N', 13, 2}, {"PURNo", 'N', 6, 0}},
         {{"Pur", "Upper(PurProd)+ DTOS(PURDATE)"}},
         "Pur",
         "Pur.Ntx"},
        {TableId::LABELS,
         "LABELS",
         {{"Name", 'C', 40, 0},    {"TopM", 'N', 8, 3},   {"LeftM", 'N', 8, 3},
          {"BottomM", 'N', 8, 3},  {"RightM", 'N', 8, 3}, {"Width", 'N', 8, 3},
          {"Height", 'N', 8, 3},   {"HGap", 'N', 8, 3},   {"VGap", 'N', 8, 3},
          {"NAcross", 'N', 1, 0},  {"Continuous", 'L', 1, 0}},
         {{"Labels", "Name"}},
         "Labels",
         "Labels.Ntx"},
        {TableId::Est,
         "Est",
         {{"EstNo", 'N', 6, 0},   {"CuNo", 'N', 6, 0}, {"Dept", 'C', 20, 0},
          {"EstDate", 'D', 8, 0}, {"Discount", 'N', 6, 2}, {"Ship", 'N', 12, 2},
          {"Tax", 'N', 12, 2},    {"REM", 'M', 10, 0}},
         {{"Est", "Str(EstNo,6,0)"}, {"EstC", "Str(CuNo,6,0)"}},
         "Est",
         "Est.Ntx"},
        {TableId::EstItm,
         "EstItm",
         {{"EstNo", 'N', 6, 0},  {"PrID", 'C', 10, 0}, {"PDesc", 'C', 27, 0},
          {"IComm", 'C', 27, 0}, {"Qty", 'N', 10, 2},  {"UPR", 'N', 9, 2},
          {"LTax1", 'L', 1, 0},  {"LTax2", 'L', 1, 0}},
         {{"EstItm", "Str(EstNo,6,0)"}},
         "EstItm",
         "EstItm.Ntx"},
    };
    return tables;
}

const TableDef &tableDef(TableId id) { return catalogue()[size_t(id)]; }

bool TableDef::hasMemo() const
{
    for (const FieldDef &f : fields)
        if (f.type == 'M') return true;
    return false;
}

int TableDef::fieldIndex(const char *fieldName) const
{
    for (size_t i = 0; i < fields.size(); ++i)
        if (strcasecmp(fields[i].name, fieldName) == 0) return int(i);
    return -1;
}

const std::vector<RebuildStep> &rebuildSteps()
{
    static const std::vector<RebuildStep> steps = {
        {TableId::CUST6, {"cName.ntx", "ccno.ntx", "czip.ntx", "ccomp.ntx", "CUST6.cgp"}, 25},
        {TableId::GROUPS, {"nGroup.ntx", "cGroup.ntx", "GROUPS.cgp"}, 30},
        {TableId::Prod5, {"Prod.ntx", "Prod5.cgp"}, 35},
        {TableId::Pur5, {"Pur.ntx", "Pur5.cgp"}, 40},
        {TableId::INV7, {"inv.ntx", "invc.ntx", "invd.ntx", "INV7.cgp"}, 60},
        {TableId::ITM5, {"itm.ntx", "itmP.ntx", "ITM5.cgp"}, 80},
        {TableId::Est, {"est.ntx", "estc.ntx", "Est.cgp"}, 85},
        {TableId::EstItm, {"estitm.ntx", "EstItm.cgp"}, 90},
        {TableId::PMT, {"Pmt.ntx", "PmtD.ntx", "PMT.cgp"}, 99},
        {TableId::LABELS, {"Labels.ntx", "LABELS.cgp"}, 100},
    };
    return steps;
}

const std::vector<PackStep> &packSteps()
{
    static const std::vector<PackStep> steps = {
        {TableId::CUST6, true, 10}, {TableId::GROUPS, false, 30}, {TableId::INV7, true, 35},
        {TableId::ITM5, false, 50}, {TableId::LABELS, false, 70}, {TableId::PMT, false, 75},
        {TableId::Pur5, false, 85}, {TableId::Prod5, true, 100},
    };
    return steps;
}

const std::vector<const char *> &tableFilesChecked()
{
    static const std::vector<const char *> files = {
        "QLR3A.dbf", "CUST6.dbf", "GROUPS.dbf", "INV7.dbf", "ITM5.dbf", "LABELS.dbf",
        "PMT.dbf",   "Prod5.dbf", "Pur5.dbf",   "ImportF.dbf", "Est.dbf", "EstItm.dbf"};
    return files;
}

} // namespace data

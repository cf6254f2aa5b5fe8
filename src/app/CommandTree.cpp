#include "CommandTree.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

QAction *CommandTree::add(QMenu *menu, const QString &objectName, const QString &caption)
{
    auto *a = new QAction(caption, m_owner);
    a->setObjectName(objectName);
    menu->addAction(a);
    m_actions.insert(objectName, a);
    return a;
}

void CommandTree::buildMenus(QMenuBar *bar, QWidget *owner)
{
    m_owner = owner;
    auto menu = [bar](const QString &name, const QString &caption) {
        QMenu *m = bar->addMenu(caption);
        m->setObjectName(name);
        m->setToolTipsVisible(true);
        return m;
    };
    auto sub = [](QMenu *parent, const QString &name, const QString &caption) {
        QMenu *m = parent->addMenu(caption);
        m->setObjectName(name);
        m->setToolTipsVisible(true);
        return m;
    };

    QMenu *file = menu("menuFile", QStringLiteral("&File"));
    QMenu *prefs = sub(file, "menuPreferences", QStringLiteral("Preferences"));
    add(prefs, "actStationery", QStringLiteral("Stationery"));
    add(prefs, "actInvoiceAndTaxSetup", QStringLiteral("Invoice and Tax Setup"));
    add(prefs, "actLabelForms", QStringLiteral("Label Forms"));
    add(prefs, "actReportFont", QStringLiteral("Report Font"));
    add(prefs, "actPrinterSetup", QStringLiteral("Printer Setup"));
    add(prefs, "actEMailSetup", QStringLiteral("EMail Setup"));
    QMenu *sort = sub(prefs, "menuCustomerSort", QStringLiteral("Customer Sort"));
    add(sort, "actSortByName", QStringLiteral("by Name"))->setCheckable(true);
    add(sort, "actSortByCompany", QStringLiteral("by Company Name"))->setCheckable(true);
    QMenu *method = sub(prefs, "menuInventoryMethod", QStringLiteral("Inventory Method"));
    add(method, "actFifo", QStringLiteral("First-in First-out"))->setCheckable(true);
    add(method, "actLifo", QStringLiteral("Last-in First-out"))->setCheckable(true);
    add(prefs, "actCreditCardProcessing", QStringLiteral("Credit Card Processing"));
    QMenu *maint = sub(file, "menuFileMaintenance", QStringLiteral("File Maintenance"));
    add(maint, "actBackup", QStringLiteral("Backup"));
    add(maint, "actRestore", QStringLiteral("Restore"));
    maint->addSeparator();
    add(maint, "actReIndex", QStringLiteral("Re-Index"));
    add(maint, "actPackData", QStringLiteral("Pack Data"));
    add(maint, "actUpgradeData", QStringLiteral("Upgrade Data"));
    maint->addSeparator();
    add(maint, "actDeleteCustomers", QStringLiteral("Delete Customers"));
    add(maint, "actEraseAllData", QStringLiteral("Erase All Data"));
    add(file, "actExit", QStringLiteral("E&xit"));

    QMenu *inv = menu("menuInvoices", QStringLiteral("Invoices"));
    add(inv, "actInvoicesEdit", QStringLiteral("Edit"));
    add(inv, "actInvoicesPrint", QStringLiteral("Print"));
    add(inv, "actInvoicesEMail", QStringLiteral("EMail"));
    add(inv, "actInvoicesLabels", QStringLiteral("Labels"));
    add(inv, "actInvoicesPackingList", QStringLiteral("Packing List"));

    QMenu *est = menu("menuEstimates", QStringLiteral("Estimates"));
    add(est, "actEstimatesEdit", QStringLiteral("Edit"));
    add(est, "actEstimatesPrint", QStringLiteral("Print"));
    add(est, "actEstimatesMailingLabels", QStringLiteral("Mailing Labels"));
    add(est, "actEstimatesEMail", QStringLiteral("EMail"));

    QMenu *cust = menu("menuCustomers", QStringLiteral("Customers"));
    add(cust, "actCustomersEdit", QStringLiteral("Edit"));
    add(cust, "actCustomersDefineGroups", QStringLiteral("Define Groups"));
    add(cust, "actCustomersImport", QStringLiteral("Import"));

    QMenu *prod = menu("menuProducts", QStringLiteral("Products && Services"));
    add(prod, "actProductsDefine", QStringLiteral("Define "));
    add(prod, "actProductsImport", QStringLiteral("Import"));
    add(prod, "actProductsPrint", QStringLiteral("Print"));

    QMenu *pur = menu("menuPurchases", QStringLiteral("Inventory Purchases"));
    add(pur, "actPurchasesBuyEdit", QStringLiteral("Buy / Edit"));
    add(pur, "actPurchasesPrint", QStringLiteral("Print"));

    QMenu *rep = menu("menuReports", QStringLiteral("Reports"));
    QMenu *ri = sub(rep, "menuReportsInvoices", QStringLiteral("Invoices"));
    add(ri, "actReportsInvoicesPrintDates", QStringLiteral("Print Selected Dates"));
    add(ri, "actReportsInvoicesPrintSelected", QStringLiteral("Print Selected"));
    add(ri, "actReportsInvoicesEMailDates", QStringLiteral("EMail Selected Dates"));
    add(ri, "actReportsInvoicesEMailSelected", QStringLiteral("EMail Selected"));
    QMenu *rb = sub(rep, "menuReportsBills", QStringLiteral("Bills"));
    add(rb, "actReportsBillsPrintDue", QStringLiteral("Print with Balance Due"));
    add(rb, "actReportsBillsPrintSelected", QStringLiteral("Print Selected"));
    add(rb, "actReportsBillsEMailDue", QStringLiteral("EMail with Balance Due"));
    add(rb, "actReportsBillsEMailSelected", QStringLiteral("EMail Selected"));
    QMenu *rs = sub(rep, "menuReportsStatements", QStringLiteral("Statements"));
    add(rs, "actReportsStatementsPrintDue", QStringLiteral("Print with Balance Due"));
    add(rs, "actReportsStatementsPrintSelected", QStringLiteral("Print Selected"));
    add(rs, "actReportsStatementsEMailDue", QStringLiteral("EMail with Balance Due"));
    add(rs, "actReportsStatementsEMailSelected", QStringLiteral("EMail Selected"));
    QMenu *sales = sub(rep, "menuReportsSales", QStringLiteral("Sales"));
    add(sales, "actSalesSummary", QStringLiteral("Sales Summary"));
    add(sales, "actProductSummary", QStringLiteral("Product Summary"));
    add(sales, "actProductBuyers", QStringLiteral("Product Buyers"));
    add(sales, "actIncomeSummary", QStringLiteral("Income Summary"));
    add(sales, "actReceivableIncome", QStringLiteral("Receivable Income"));
    add(sales, "actTaxSummary", QStringLiteral("Tax Summary"));
    add(sales, "actSalesByDept", QStringLiteral("Sales by Dept."));
    QMenu *invRep = sub(rep, "menuReportsInventory", QStringLiteral("Inventory"));
    add(invRep, "actInventoryReport", QStringLiteral("Inventory"));
    add(invRep, "actCostOfGoodsSold", QStringLiteral("Cost of Goods Sold"));
    add(invRep, "actStockOnHand", QStringLiteral("Stock on Hand"));
    add(invRep, "actPurchasingHistory", QStringLiteral("Purchasing History"));
    QMenu *prof = sub(rep, "menuReportsCustomerProfile", QStringLiteral("Customer Profile"));
    add(prof, "actProfileCustomers", QStringLiteral("for Selected Customers"));
    add(prof, "actProfileGroups", QStringLiteral("for Selected Groups"));
    QMenu *labels = sub(rep, "menuReportsMailingLabels", QStringLiteral("Mailing Labels"));
    add(labels, "actLabelsCustomers", QStringLiteral("Selected Customers"));
    add(labels, "actLabelsInvoicesDated", QStringLiteral("Invoices Dated ?"));
    add(labels, "actLabelsPastDue", QStringLiteral("Past Due Billing"));
    add(labels, "actLabelsStatements", QStringLiteral("Balance Due Statements"));
    add(labels, "actLabelsGroups", QStringLiteral("Customer Groups"));
    QMenu *bulk = sub(rep, "menuReportsBulkMail", QStringLiteral("Bulk Mail"));
    add(bulk, "actExportMergeFile", QStringLiteral("Export Merge File"));
    add(bulk, "actComposeBulkEMail", QStringLiteral("Compose Bulk EMail"));

    QMenu *help = menu("menuHelp", QStringLiteral("&Help"));
    add(help, "actAbout", QStringLiteral("About QLRI"));
    help->addSeparator();
    add(help, "actHelpContents", QStringLiteral("Help &Contents"));
}

QList<CommandTree::Panel> CommandTree::panels()
{
    using B = Panel::Button;
    const QString br = QStringLiteral("\r\n");
    return {
        {"panelInvoiceProcessing",
         "Invoice Processing",
         {B{"btnEditInvoices", "Edit" + br + "Invoices", "actInvoicesEdit", {}},
          B{"btnPrintInvoices", "Print" + br + "Invoices", "actInvoicesPrint", {}},
          B{"btnInvoiceLabels", "Invoice" + br + "Labels", "actInvoicesLabels", {}},
          B{"btnEMailInvoices", "EMail" + br + "Invoices", "actInvoicesEdit", {}},
          B{"btnPackingList", "Packing" + br + "List", "actInvoicesPackingList", {}}}},
        {"panelCustomerProcessing",
         "Customer Processing",
         {B{"btnEditCustomers", "Edit" + br + "Customers", "actCustomersEdit", {}},
          B{"btnDefineGroups", "Define" + br + "Groups", "actCustomersDefineGroups", {}},
          B{"btnImportCustomers", "Import" + br + "Customers", "actCustomersImport", {}}}},
        {"panelProductDefinitions",
         "Product Definitions",
         {B{"btnEditProducts", "Edit" + br + "Products", "actProductsDefine", {}},
          B{"btnImportProducts", "Import" + br + "Products", "actProductsImport", {}},
          B{"btnProductListing", "Product" + br + "Listing", "actProductsPrint", {}}}},
        {"panelInventoryPurchases",
         "Inventory Purchases",
         {B{"btnInventoryPurchases", "Inventory" + br + "Purchases", "actPurchasesBuyEdit", {}},
          B{"btnPurchaseReport", "Purchase" + br + "Report", "actPurchasesPrint", {}}}},
        {"panelReportGeneration",
         "Report Generation",
         {B{"btnReportInvoices",
            "Invoices",
            {},
            {{"Print Selected Dates", "actReportsInvoicesPrintDates"},
             {"Print Selected Invoices", "actReportsInvoicesPrintSelected"},
             {"EMail Selected Dates", "actReportsInvoicesEMailDates"},
             {"EMail Selected Invoices", "actReportsInvoicesEMailSelected"}}},
          B{"btnReportBills",
            "Bills",
            {},
            {{"Print with Balance Due", "actReportsBillsPrintDue"},
             {"Print Selected Bills", "actReportsBillsPrintSelected"},
             {"EMail with Balance Due", "actReportsBillsEMailDue"},
             {"EMail Selected Bills", "actReportsBillsEMailSelected"}}},
          B{"btnReportStatements",
            "Statements",
            {},
            {{"Print with Balance Due", "actReportsStatementsPrintDue"},
             {"Print Selected Statements", "actReportsStatementsPrintSelected"},
             {"EMail with Balance Due", "actReportsStatementsEMailDue"},
             {"EMail Selected Statements", "actReportsStatementsEMailSelected"}}},
          B{"btnReportSales",
            "Sales",
            {},
            {{"Sales Summary", "actSalesSummary"},
             {"Product Summary", "actProductSummary"},
             {"Product Buyers", "actProductBuyers"},
             {"Income Summary", "actIncomeSummary"},
             {"Receivable Income", "actReceivableIncome"},
             {"Tax Summary", "actTaxSummary"},
             {"Sales by Department", "actSalesByDept"}}},
          B{"btnReportInventory",
            "Inventory",
            {},
            {{"Inventory", "actInventoryReport"},
             {"Cost of Goods Sold", "actCostOfGoodsSold"},
             {"Stock on Hand", "actStockOnHand"},
             {"Purchasing History", "actPurchasingHistory"}}},
          B{"btnReportCustomerProfile",
            "Customer" + br + "Profile",
            {},
            {{"for Selected Customers", "actProfileCustomers"},
             {"for Selected Groups", "actProfileGroups"}}},
          B{"btnReportMailingLabels",
            "Mailing" + br + "Labels",
            {},
            {{"Selected Customers", "actLabelsCustomers"},
             {"Invoices Dated ?", "actLabelsInvoicesDated"},
             {"Past Due Billing", "actLabelsPastDue"},
             {"Balance Due Statements", "actLabelsStatements"},
             {"Customer Groups", "actLabelsGroups"}}},
          B{"btnReportBulkMail",
            "Bulk" + br + "Mail",
            {},
            {{"Export Merge File", "actExportMergeFile"},
             {"Compose Bulk EMail", "actComposeBulkEMail"}}}}},
        {"panelQuotesAndEstimates",
         "Quotes and Estimates",
         {B{"btnEditQuotes", "Edit" + br + "Quotes", "actEstimatesEdit", {}},
          B{"btnPrintEstimates", "Print", "actEstimatesPrint", {}},
          B{"btnEstimateLabels", "Mailing" + br + "Labels", "actEstimatesMailingLabels", {}},
          B{"btnEMailEstimates", "EMail", "actEstimatesEMail", {}}}},
    };
}

#include "MainU.h"
#include "MasterWindows.h"

#include "AboutU.h"
#include "DriveDirU.h"
#include "HelpU.h"
#include "StatusBarSink.h"
#include "core/Prompts.h"
#include "data/DataStore.h"
#include "data/Maintenance.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrinterInfo>
#include <QSvgRenderer>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The client area: the background picture, stretched.
class Background final : public QWidget
{
public:
    explicit Background(QWidget *parent) : QWidget(parent), m_picture(QStringLiteral(":/images/background.svg")) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        m_picture.render(&painter, rect());
    }

private:
    QSvgRenderer m_picture;
};

// Captions break lines with CR LF; a button breaks them with LF. "&&" stays: Qt shows one "&".
QString display(QString caption)
{
    return caption.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

struct Section
{
    const char *objectName;
    const char *caption;
    const char *icon;
};

const Section kSections[] = {
    {"btnSectionInvoices", "Invoice\r\nProcessing", ":/images/section-invoices.svg"},
    {"btnSectionCustomers", "Customers", ":/images/section-customers.svg"},
    {"btnSectionProducts", "Product\r\nDefinitions", ":/images/section-products.svg"},
    {"btnSectionPurchases", "Inventory\r\nPurchases", ":/images/section-purchases.svg"},
    {"btnSectionReports", "Reports", ":/images/section-reports.svg"},
    {"btnSectionEstimates", "Quotes &&\r\nEstimates", ":/images/section-estimates.svg"},
};

// The commands that work in this version; every other menu item and panel button is disabled
// and says so.
const char *const kAvailable[] = {
    "actReportFont", "actPrinterSetup", "actSortByName", "actSortByCompany", "actFifo",
    "actLifo", "actCreditCardProcessing", "actBackup", "actRestore", "actReIndex",
    "actPackData", "actEraseAllData", "actExit", "actAbout", "actHelpContents",
    "actCustomersEdit", "actCustomersDefineGroups", "actProductsDefine", "actPurchasesBuyEdit",
    "actLabelForms", "actExportMergeFile",
};

} // namespace

TMain::TMain(data::DataStore &store, core::Prompts &prompts, std::function<void()> exitProgram,
             QWidget *parent)
    : QMainWindow(parent), m_store(store), m_prompts(prompts),
      m_exitProgram(std::move(exitProgram)), m_status(new StatusBarSink(this)),
      m_about(new TAboutForm(this)), m_driveDir(new TDriveDir(prompts, this)),
      m_help(new THelp(this)),
      m_masters(std::make_unique<MasterWindows>(
          store, *m_status, [this](int topic) { m_help->showTopic(topic); }, this))
{
    setObjectName(QStringLiteral("TMain"));
    setWindowTitle(QStringLiteral("Quillory"));
    setStatusBar(m_status);
    m_commands.buildMenus(menuBar(), this);
    buildCentralArea();
    connectCommands();
    updateMenuActionState();
    m_reportFont = font();
    resize(900, 600);
    setMinimumSize(760, 480);
}

TMain::~TMain() = default;

void TMain::buildCentralArea()
{
    auto *central = new Background(this);
    central->setObjectName(QStringLiteral("background"));
    setCentralWidget(central);

    m_buttonBar = new QWidget(central);
    m_buttonBar->setObjectName(QStringLiteral("sectionBar"));
    m_buttonBar->setAutoFillBackground(true);
    auto *bar = new QHBoxLayout(m_buttonBar);
    bar->setContentsMargins(4, 4, 4, 4);
    bar->setSpacing(4);
    for (int i = 0; i < 6; ++i) {
        auto *b = new QToolButton(m_buttonBar);
        b->setObjectName(QLatin1String(kSections[i].objectName));
        b->setText(display(QLatin1String(kSections[i].caption)));
        b->setIcon(QIcon(QLatin1String(kSections[i].icon)));
        b->setIconSize(QSize(32, 32));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setCheckable(true);
        b->setAutoRaise(true);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        connect(b, &QToolButton::clicked, this, [this, i] { showSection(i); });
        bar->addWidget(b);
        m_sectionButtons.append(b);
    }

    for (const CommandTree::Panel &def : CommandTree::panels()) {
        auto *panel = new QFrame(central);
        panel->setObjectName(def.objectName);
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setAutoFillBackground(true);
        auto *layout = new QVBoxLayout(panel);
        layout->setContentsMargins(18, 12, 18, 18);
        auto *title = new QLabel(def.title, panel);
        title->setObjectName(def.objectName + QStringLiteral("Title"));
        QFont f = title->font();
        f.setPointSizeF(f.pointSizeF() * 1.4);
        f.setBold(true);
        title->setFont(f);
        title->setAlignment(Qt::AlignHCenter);
        layout->addWidget(title);
        auto *grid = new QGridLayout;
        grid->setSpacing(10);
        const int columns = def.buttons.size() > 5 ? 4 : int(def.buttons.size());
        int n = 0;
        for (const auto &bd : def.buttons) {
            auto *b = new QToolButton(panel);
            b->setObjectName(bd.objectName);
            b->setText(display(bd.caption));
            b->setMinimumSize(110, 56);
            b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
            if (bd.action.isEmpty()) {
                auto *menu = new QMenu(b);
                menu->setObjectName(bd.objectName + QStringLiteral("Menu"));
                menu->setToolTipsVisible(true);
                for (const auto &[caption, actionName] : bd.dropDown) {
                    QAction *target = m_commands.action(actionName);
                    QAction *item = menu->addAction(caption);
                    item->setObjectName(bd.objectName + QStringLiteral("_") + actionName);
                    connect(item, &QAction::triggered, target, &QAction::trigger);
                    // The drop-down items follow their command's state.
                    auto follow = [item, target] {
                        item->setEnabled(target->isEnabled());
                        item->setToolTip(target->toolTip());
                    };
                    connect(target, &QAction::changed, item, follow);
                    follow();
                }
                b->setMenu(menu);
                b->setPopupMode(QToolButton::InstantPopup);
            } else {
                QAction *target = m_commands.action(bd.action);
                connect(b, &QToolButton::clicked, target, &QAction::trigger);
                auto follow = [b, target] {
                    b->setEnabled(target->isEnabled());
                    b->setToolTip(target->toolTip());
                };
                connect(target, &QAction::changed, b, follow);
                follow();
            }
            grid->addWidget(b, n / columns, n % columns);
            ++n;
        }
        layout->addLayout(grid);
        panel->adjustSize();
        panel->hide();
        m_panels.append(panel);
    }
}

void TMain::updateMenuActionState()
{
    for (QAction *a : m_commands.actions()) {
        bool available = false;
        for (const char *name : kAvailable)
            if (a->objectName() == QLatin1String(name)) available = true;
        if (a->objectName() == QLatin1String("actPrinterSetup")) available = available && m_hasPrinter;
        a->setEnabled(available);
        a->setToolTip(available ? QString()
                                : QStringLiteral("This function is not available yet."));
    }
    if (!m_hasPrinter)
        m_commands.action(QStringLiteral("actPrinterSetup"))
            ->setToolTip(QStringLiteral("No printer is installed."));
}

void TMain::showSection(int index)
{
    for (int i = 0; i < m_sectionButtons.size(); ++i) m_sectionButtons[i]->setChecked(i == index);
    for (QFrame *p : m_panels) p->hide();
    m_section = index;
    if (QFrame *p = m_panels.value(index)) p->show();
    layoutPanels();
}

void TMain::layoutPanels()
{
    QWidget *area = centralWidget();
    if (!area || !m_buttonBar) return;
    m_buttonBar->setGeometry(1, 0, area->width() - 2, m_buttonBar->sizeHint().height());
    const int top = m_buttonBar->height();
    const int space = area->height() - top;  // the status bar lies outside the central area
    for (QFrame *p : m_panels) {
        const QSize s = p->sizeHint();
        p->resize(s);
        p->move((area->width() - s.width()) / 2, top + (space - s.height()) / 2);
    }
}

void TMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    layoutPanels();
}

void TMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_started) return;
    m_started = true;
    // Start-up runs once the window is on screen.
    QMetaObject::invokeMethod(this, [this] { startUp(); }, Qt::QueuedConnection);
}

bool TMain::startUp()
{
    m_started = true;
    layoutPanels();
    m_version = QCoreApplication::applicationVersion();
    m_about->setVersionText(m_version);
    m_startingUp = true;
    m_about->setStartup(true);
    m_about->show();
    m_about->repaint();
    QElapsedTimer shown;
    shown.start();

    if (!m_store.CheckTableFiles()) {
        m_prompts.information(
            QStringLiteral("Database files not found in startup directory\r\n"
                           "Program must be started from the directory containing the data "
                           "files."));
        m_exitProgram();
        return false;
    }
    m_store.startEngine();
    if (!m_store.OpenQLR3A()) return false;
    m_store.LoadQLR3A();
    m_store.closeAll();
    data::RebuildIndexes(m_store, *m_status, true);
    setWindowTitle(QStringLiteral("Quillory ") + m_version);
    m_store.packPending = false;
    setUpReportFont();
    m_hasPrinter = !QPrinterInfo::defaultPrinter().isNull() ||
                   !QPrinterInfo::availablePrinterNames().isEmpty();
    updateMenuActionState();
    checkPreferenceItems();
    while (shown.elapsed() < kSplashMilliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    m_about->hide();
    m_about->setStartup(false);
    m_startingUp = false;
    showSection(0);
    emit startedUp();
    return true;
}

void TMain::setUpReportFont()
{
    // The report font and the window font are one: the settings change both.
    QFont f = font();
    const QString face = m_store.settings.FontName.trimmed();
    if (!face.isEmpty()) f.setFamily(face);
    if (m_store.settings.FontSize > 0) f.setPointSize(m_store.settings.FontSize);
    m_reportFont = f;
    setFont(f);
}

void TMain::checkPreferenceItems()
{
    m_commands.action(QStringLiteral("actSortByName"))->setChecked(m_store.settings.ByCust);
    m_commands.action(QStringLiteral("actSortByCompany"))->setChecked(!m_store.settings.ByCust);
    m_commands.action(QStringLiteral("actFifo"))->setChecked(m_store.settings.fifo);
    m_commands.action(QStringLiteral("actLifo"))->setChecked(!m_store.settings.fifo);
}

void TMain::closeEvent(QCloseEvent *event)
{
    if (CODE4 *c = m_store.engine()) {
        error4exitTest(c);
        if (m_store.packPending) data::PackAll(m_store, *m_status);
    }
    event->accept();
}

#include "HelpU.h"

#include <QApplication>
#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

THelp::THelp(QWidget *parent) : QDialog(parent), m_browser(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("THelp"));
    setWindowTitle(QStringLiteral("Quillory Help"));
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenLinks(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    resize(640, 520);
}

QUrl THelp::contentsUrl() { return QUrl(QStringLiteral("qrc:/help/index.html")); }

QUrl THelp::topicUrl(int topic)
{
    const QUrl url(QStringLiteral("qrc:/help/topic-%1.html").arg(topic));
    return QFile::exists(QStringLiteral(":/help/topic-%1.html").arg(topic)) ? url : contentsUrl();
}

void THelp::open(const QUrl &url)
{
    // Asked for from a modal window (an editor's Help button), the help window must be modal
    // too, or the modal window would keep it from taking any input.
    QWidget *modal = QApplication::activeModalWidget();
    const bool overModal = modal && modal != this;
    if (isVisible() && isModal() != overModal)
        hide();
    setWindowModality(overModal ? Qt::ApplicationModal : Qt::NonModal);
    m_browser->setSource(url);
    show();
    raise();
    activateWindow();
}

void THelp::showContents() { open(contentsUrl()); }
void THelp::showTopic(int topic) { open(topicUrl(topic)); }
QUrl THelp::currentPage() const { return m_browser->source(); }

#include "AboutU.h"

#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>
#include <QVBoxLayout>

TAboutForm::TAboutForm(QWidget *parent) : QDialog(parent), m_ok(new QPushButton(tr("OK"), this))
{
    setObjectName(QStringLiteral("TAboutForm"));
    setWindowTitle(QStringLiteral("About Quillory "));
    setFixedSize(420, 260);
    m_ok->setObjectName(QStringLiteral("BtnOK"));
    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(m_ok, 0, Qt::AlignRight);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutForm::setVersionText(const QString &version)
{
    m_version = version;
    setWindowTitle(QStringLiteral("About Quillory ") + version);
}

void TAboutForm::setStartup(bool startup)
{
    m_startup = startup;
    m_ok->setVisible(!startup);
}

void TAboutForm::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QSvgRenderer picture(QStringLiteral(":/images/about.svg"));
    picture.render(&painter, rect());
    painter.setPen(QColor(40, 52, 70));
    QFont f = font();
    f.setPointSizeF(f.pointSizeF() * 2.4);
    f.setBold(true);
    painter.setFont(f);
    painter.drawText(QRect(28, 40, width() - 56, 60), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Quillory"));
    QFont small = font();
    painter.setFont(small);
    painter.drawText(QRect(30, 100, width() - 60, 60), Qt::AlignLeft | Qt::TextWordWrap,
                     tr("Invoices, customers, products and reports for a small business.") +
                         (m_version.isEmpty() ? QString() : QStringLiteral("\nVersion ") + m_version));
}

#include "MoneyBox.h"

#include "core/Locale.h"
#include "core/Numbers.h"
#include "core/Prompts.h"

#include <QKeyEvent>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

MoneyBox::MoneyBox(const masters::MoneyFormat &format, const core::Locale &locale,
                   core::Prompts &prompts, QWidget *parent)
    : QLineEdit(parent), m_format(format), m_locale(locale), m_prompts(prompts)
{
    setAlignment(Qt::AlignRight);
    buildMask();
    connect(this, &QLineEdit::textChanged, this, [this] { updateColour(); });
}

void MoneyBox::buildMask()
{
    // The mask's whole positions ("#": digit, sign or blank) and decimals ("9") as a validator,
    // so the text stays free to be right-aligned. The normalised text (blanks in front up to
    // the display width) always passes.
    m_mask = masters::MoneyMask(m_format, m_locale.decimalSeparator());
    const int leading = std::max(m_format.whole, m_format.width - m_format.decimals - 1);
    const QString pattern =
        QStringLiteral("[0-9+\\- ]{0,%1}(%2[0-9 ]{0,%3})?")
            .arg(leading)
            .arg(QRegularExpression::escape(QString(m_locale.decimalSeparator())))
            .arg(m_format.decimals);
    setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), this));
    setMaxLength(m_format.width + 1);
}

void MoneyBox::setColoured(bool on)
{
    m_coloured = on;
    updateColour();
}

void MoneyBox::setValue(double value)
{
    setText(core::FixedText(value, m_format.width, m_format.decimals, m_locale));
}

std::optional<double> MoneyBox::value()
{
    const std::optional<double> v = masters::MoneyValue(text(), m_locale);
    if (!v)
        m_prompts.warning(masters::NotANumberMessage(text()));
    return v;
}

bool MoneyBox::isRed() const { return m_coloured && text().contains(QLatin1Char('-')); }

bool MoneyBox::normalise()
{
    const std::optional<QString> shown = masters::NormaliseMoney(text(), m_format, m_locale);
    if (!shown)
        return false;
    setText(*shown);
    return true;
}

void MoneyBox::keyPressEvent(QKeyEvent *event)
{
    if (event->text() == QString(m_locale.decimalSeparator())) {
        // As the separator position of the mask is reached: the whole part is set, the
        // decimals are selected so that digits typed next replace them.
        if (normalise()) {
            const int separator = int(text().lastIndexOf(m_locale.decimalSeparator()));
            if (separator >= 0)
                setSelection(separator + 1, m_format.decimals);
        }
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void MoneyBox::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // Only when the user leaves the box, not when another window or a menu takes the focus
    // (the message box itself does that).
    const Qt::FocusReason reason = event->reason();
    if (m_reporting || reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return;
    if (!normalise()) {
        m_reporting = true;
        m_prompts.warning(masters::NotANumberMessage(text()));
        m_reporting = false;
    }
}

void MoneyBox::updateColour()
{
    QPalette p = palette();
    p.setColor(QPalette::Text, isRed() ? QColor(Qt::red) : QColor(Qt::black));
    setPalette(p);
}

#include "MoneyText.h"

#include "core/Locale.h"
#include "core/Numbers.h"

namespace masters {
namespace {

QString withoutBlanks(const QString &text)
{
    QString s = text;
    s.remove(QLatin1Char(' '));
    return s;
}

} // namespace

QString MoneyMask(const MoneyFormat &format, QChar separator)
{
    return QLatin1Char('!') + QString(format.whole, QLatin1Char('#')) + separator
           + QString(format.decimals, QLatin1Char('9')) + QLatin1String(";1;_");
}

std::optional<double> MoneyValue(const QString &text, const core::Locale &locale)
{
    return core::readNumber(withoutBlanks(text), locale.decimalSeparator());
}

std::optional<QString> NormaliseMoney(const QString &text, const MoneyFormat &format,
                                      const core::Locale &locale)
{
    const QString bare = withoutBlanks(text);
    const std::optional<double> value = core::readNumber(bare, locale.decimalSeparator());
    if (!value)
        return std::nullopt;
    // Adding zero turns a minus zero into zero, so the rule below adds the one minus shown.
    QString shown = core::FixedText(*value + 0.0, format.width, format.decimals, locale);
    if (bare.startsWith(QLatin1Char('-')) && !(*value < 0))
        shown = (QLatin1Char('-') + shown.trimmed()).rightJustified(int(text.size()), QLatin1Char(' '));
    return shown;
}

QString NotANumberMessage(const QString &text)
{
    return QLatin1Char('\'') + withoutBlanks(text) + QLatin1String("' is not a valid floating point value");
}

QString NotAnIntegerMessage(const QString &text)
{
    return QLatin1Char('\'') + withoutBlanks(text) + QLatin1String("' is not a valid integer value");
}

} // namespace masters

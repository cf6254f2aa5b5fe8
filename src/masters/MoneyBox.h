#pragma once

#include "MoneyText.h"

#include <QLineEdit>

#include <optional>

namespace core {
class Locale;
class Prompts;
}

// The entry for amounts, quantities, percentages and measures: right-aligned, taking digits,
// signs and blanks in its whole positions, the decimal separator and its decimals (the mask of
// MoneyMask()). Pressing the separator key or leaving the box shows the text normalised with
// the display format (MoneyText.h), then the typed digits replace the decimals. While the text
// holds a minus it is red (for boxes that are coloured). A text that is not a number is
// reported with the conversion message when the box is left, and again by value().
class MoneyBox final : public QLineEdit
{
    Q_OBJECT
public:
    MoneyBox(const masters::MoneyFormat &format, const core::Locale &locale,
             core::Prompts &prompts, QWidget *parent = nullptr);

    // Rebuilds the mask from the locale's separator (done when an editor opens).
    void buildMask();
    const QString &mask() const { return m_mask; }
    // Measures are not coloured.
    void setColoured(bool on);
    void setValue(double value);
    // The number, or nothing after showing the conversion message.
    std::optional<double> value();
    bool isRed() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool normalise();
    void updateColour();

    masters::MoneyFormat m_format;
    const core::Locale &m_locale;
    core::Prompts &m_prompts;
    QString m_mask;
    bool m_coloured = true;
    bool m_reporting = false;
};

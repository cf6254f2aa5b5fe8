#pragma once

#include "masters/RecordEditor.h"

#include <array>

class MoneyBox;
class QCheckBox;
class QLineEdit;

// The label stock editor ("Label Definition"): one LABELS record, opened on the label
// selection value (positive: that record; 0 or less: a new stock, kept as 0 until saved).
// LABELS must be open. There is no Delete: stocks are only added and changed. After Save of a
// new stock the selection value is its record number; otherwise it is unchanged, so a
// cancelled new stock leaves 0.
class TLabelDef final : public masters::RecordEditor
{
    Q_OBJECT
public:
    explicit TLabelDef(masters::EditorContext &context, QWidget *parent = nullptr);

    QLineEdit *nameBox() const { return m_name; }
    // TopM, LeftM, BottomM, RightM, Width, Height, HGap, VGap.
    MoneyBox *measureBox(int index) const { return m_measures[size_t(index)]; }
    QLineEdit *acrossBox() const { return m_across; }
    QCheckBox *continuousCheck() const { return m_continuous; }

protected:
    void open() override;
    bool BtnSaveClick() override;

private:
    QLineEdit *m_name;
    std::array<MoneyBox *, 8> m_measures{};
    QLineEdit *m_across;
    QCheckBox *m_continuous;
};

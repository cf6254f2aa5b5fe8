#pragma once

#include "RecordEditor.h"

class MoneyBox;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

// The product editor ("Product Definition"): one Prod5 record, opened on the product selection
// value (positive: that record; 0: a new product). Prod5 must be open. IDs are stored trimmed
// and upper-cased and must be unique; Delete also deletes the product's purchases. Afterwards
// the selection value is the saved record's number, unchanged after Delete or Cancel (-1 after
// Cancel on a new product).
class TProdDef final : public masters::RecordEditor
{
    Q_OBJECT
public:
    explicit TProdDef(masters::EditorContext &context, QWidget *parent = nullptr);

    QLineEdit *idBox() const { return m_id; }
    QLineEdit *descriptionBox() const { return m_description; }
    MoneyBox *priceBox() const { return m_price; }
    MoneyBox *reorderBox() const { return m_reorder; }
    QCheckBox *line1Check() const { return m_tax1; }
    QCheckBox *line2Check() const { return m_tax2; }

protected:
    void open() override;
    bool BtnSaveClick() override;
    void BtnDeleteClick() override;

private:
    QLineEdit *m_id, *m_description, *m_line2, *m_licence;
    MoneyBox *m_price, *m_reorder;
    QCheckBox *m_tax1, *m_tax2, *m_inventory;
    QPlainTextEdit *m_text;
};

#pragma once

#include "RecordEditor.h"

class MoneyBox;
class QDateEdit;
class QLineEdit;
class QPushButton;

// The purchase editor ("Inventory Purchase Definition"): one Pur5 record, opened on the
// purchase selection value (positive: that record; 0: a new purchase dated today). Pur5 and
// Prod5 must be open. Saving after a product was chosen with "Product" switches that product's
// "Inventory Item" flag on. Afterwards the selection value is the saved record's number,
// unchanged after Delete or Cancel (-1 after Cancel on a new purchase).
class TPurDef final : public masters::RecordEditor
{
    Q_OBJECT
public:
    explicit TPurDef(masters::EditorContext &context, QWidget *parent = nullptr);

    QPushButton *productButton() const { return m_productButton; }
    QLineEdit *productBox() const { return m_product; }
    QDateEdit *dateBox() const { return m_date; }
    MoneyBox *quantityBox() const { return m_quantity; }
    MoneyBox *costBox() const { return m_cost; }

protected:
    void open() override;
    bool BtnSaveClick() override;
    void BtnDeleteClick() override;

private:
    void BtnProductClick();

    QPushButton *m_productButton;
    QLineEdit *m_product;
    QDateEdit *m_date;
    MoneyBox *m_quantity, *m_cost;
    // The product chosen with "Product" since the editor opened; 0 for none.
    int m_chosenProduct = 0;
};

#pragma once

#include "RecordEditor.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The customer editor ("Customer"): one CUST6 record, opened on the customer selection value
// (positive: that record; 0: a new customer, numbered by the first gap when saved). CUST6 and
// GROUPS must be open. Afterwards the selection value is the saved record's number, unchanged
// after Delete or Cancel, and -1 after Cancel on a new customer.
class TCustomer final : public masters::RecordEditor
{
    Q_OBJECT
public:
    explicit TCustomer(masters::EditorContext &context, QWidget *parent = nullptr);

    QLineEdit *box(const char *field) const;
    QPlainTextEdit *commentsBox() const { return m_comments; }
    QPushButton *groupButton() const { return m_groupButton; }
    QLabel *addressCaption(int row) const { return row == 1 ? m_addr1Caption : m_addr2Caption; }

protected:
    void open() override;
    bool BtnSaveClick() override;
    void BtnDeleteClick() override;

private:
    void BtnGroupClick();
    void showGroup();

    QLineEdit *m_cuno, *m_title, *m_first, *m_last, *m_addr1, *m_addr2, *m_addr3, *m_addr4;
    QLineEdit *m_zip, *m_phone, *m_fax, *m_email, *m_note, *m_group;
    QPlainTextEdit *m_comments;
    QPushButton *m_groupButton;
    QLabel *m_addr1Caption, *m_addr2Caption;
};

#pragma once

#include "RecordEditor.h"

class QLineEdit;

// The group editor ("Customer Group Definition"): one GROUPS record, opened on the group
// selection value (positive: that record; 0: a new group). GROUPS and CUST6 must be open.
// Delete moves the group's customers to a group the user picks, then marks the group deleted.
// Afterwards the selection value is the saved record's number, 0 after a completed Delete, and
// unchanged after Cancel (-1 for a new group).
class TGroupDef final : public masters::RecordEditor
{
    Q_OBJECT
public:
    explicit TGroupDef(masters::EditorContext &context, QWidget *parent = nullptr);

    QLineEdit *numberBox() const { return m_number; }
    QLineEdit *nameBox() const { return m_name; }

protected:
    void open() override;
    bool BtnSaveClick() override;
    void BtnDeleteClick() override;

private:
    QLineEdit *m_number;
    QLineEdit *m_name;
};

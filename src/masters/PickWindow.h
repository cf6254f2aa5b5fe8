#pragma once

#include "PickTable.h"

#include <QDialog>

class QHBoxLayout;
class QPushButton;

namespace data {
class DataStore;
}

namespace masters {

// What every pick list window shares: its table's selection value and the three buttons.
// "New" sets the selection value to 0 and closes; "Cancel" and Escape set it to -1 and close;
// "Select" calls choose(), which sets the chosen record and closes, or stays open. The
// window's close button leaves the value as it stands. None of the buttons is a default
// button: Enter belongs to the list. Object names: newButton, selectButton, cancelButton.
class PickWindow : public QDialog
{
    Q_OBJECT
public:
    void setNewAllowed(bool allowed);

protected:
    PickWindow(data::DataStore &store, PickTable table, const QString &newCaption,
               const QString &selectCaption, QWidget *parent);

    int &selection();
    virtual void choose() = 0;
    // The three buttons in a row, right-aligned, for the window's layout.
    QHBoxLayout *buttonRow();
    void keyPressEvent(QKeyEvent *event) override;

    data::DataStore &m_store;
    QPushButton *m_new;
    QPushButton *m_select;
    QPushButton *m_cancel;

private:
    void BtnNewClick();
    void BtnCancelClick();

    PickTable m_table;
};

} // namespace masters

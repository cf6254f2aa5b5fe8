#pragma once

#include "PagedList.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTableWidget;

namespace data {
class DataStore;
}

// The paged pick list window: TPickCust, TPickProd, TPickInv, TPickEst and TPickPur are this
// one class with the kind of list it shows. The logic (masters::PagedList) holds the state and
// computes the rows; the window draws them and passes keys, clicks and the seek box on.
//
// Closing: "Select" (Enter, double click) sets the table's selection value to the highlighted
// record, "New" to 0, "Cancel" (Escape) to -1; the window's close button leaves it as it
// stands. Widgets have stable object names: "rows", "scrollBar", "seek", "seekCaption",
// "status", "statusCaption", "newButton", "selectButton", "cancelButton".
class TPagedPick final : public QDialog
{
    Q_OBJECT
public:
    TPagedPick(data::DataStore &store, masters::PagedKind kind, QWidget *parent = nullptr);

    masters::PagedList &list() { return m_list; }
    void setNewAllowed(bool allowed);
    // Prepares the list from the table's selection value and runs the window modally.
    int pick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void setUpLayout();
    void redraw();
    void drawStatus();
    void scrollAction(int action);
    void choose();
    void BtnNewClick();
    void BtnCancelClick();
    int &selection();

    data::DataStore &m_store;
    masters::PagedList m_list;
    QTableWidget *m_rows = nullptr;
    QScrollBar *m_bar = nullptr;
    QLabel *m_seekCaption = nullptr;
    QLineEdit *m_seek = nullptr;
    QLabel *m_statusCaption = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_new = nullptr;
    QPushButton *m_select = nullptr;
    QPushButton *m_cancel = nullptr;
    bool m_drawing = false;
};

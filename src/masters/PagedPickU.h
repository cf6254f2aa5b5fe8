#pragma once

#include "PagedList.h"
#include "PickWindow.h"

class QLabel;
class QLineEdit;
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
class TPagedPick final : public masters::PickWindow
{
    Q_OBJECT
public:
    TPagedPick(data::DataStore &store, masters::PagedKind kind, QWidget *parent = nullptr);

    masters::PagedList &list() { return m_list; }
    // Prepares the list from the table's selection value and runs the window modally.
    int pick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void setUpLayout();
    void redraw();
    void drawStatus();
    void scrollAction(int action);
    void choose() override;

    masters::PagedList m_list;
    QTableWidget *m_rows = nullptr;
    QScrollBar *m_bar = nullptr;
    QLabel *m_seekCaption = nullptr;
    QLineEdit *m_seek = nullptr;
    QLabel *m_statusCaption = nullptr;
    QLabel *m_status = nullptr;
    bool m_drawing = false;
};

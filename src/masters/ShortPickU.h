#pragma once

#include "ShortList.h"
#include "PickWindow.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace data {
class DataStore;
}

// The short pick list window: TPickGroup and TPickLab are this one class with the kind of list
// it shows; the logic is masters::ShortList. "Select" (a double click; for groups also Enter in
// the list) chooses the highlighted line, or says "Item Not Selected" and stays open; "New"
// sets the selection value to 0, "Cancel" (Escape) to -1, and the window's close button leaves
// it as it stands. Object names: "lines", "seek", "seekCaption", "newButton", "selectButton",
// "cancelButton".
class TShortPick final : public masters::PickWindow
{
    Q_OBJECT
public:
    TShortPick(data::DataStore &store, masters::ShortKind kind, QWidget *parent = nullptr);

    masters::ShortList &list() { return m_list; }
    // Fills the list from the table and runs the window modally.
    int pick();

    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void drawHighlight();
    void choose() override;

    masters::ShortList m_list;
    QListWidget *m_lines = nullptr;
    QLabel *m_seekCaption = nullptr;
    QLineEdit *m_seek = nullptr;
    bool m_drawing = false;
};

#pragma once

#include "Groups.h"

#include <QDialog>

class QListWidget;
class QPushButton;

namespace data {
class DataStore;
}

// The multi-group chooser ("Select One or More Groups"): every live group of GROUPS in the
// order of the tag the caller selected; any number can be chosen. choose() returns the group
// selection list, empty when nothing was chosen or the window was cancelled.
class TMultGroup final : public QDialog
{
    Q_OBJECT
public:
    TMultGroup(data::DataStore &store, QWidget *parent = nullptr);

    masters::GroupSelection choose();
    QListWidget *list() const { return m_list; }

private:
    data::DataStore &m_store;
    QListWidget *m_list;
    masters::GroupSelection m_selection;
};

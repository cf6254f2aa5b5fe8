#pragma once

#include <QString>

class QPushButton;
class QWidget;

namespace masters {

// The three buttons of every pick list: "New", "Select" (their captions vary by list) and
// "Cancel", named newButton, selectButton and cancelButton. None is a default button: Enter
// belongs to the list, where it chooses.
struct PickButtons
{
    QPushButton *newButton;
    QPushButton *select;
    QPushButton *cancel;
};

PickButtons MakePickButtons(QWidget *parent, const QString &newCaption,
                            const QString &selectCaption);

} // namespace masters

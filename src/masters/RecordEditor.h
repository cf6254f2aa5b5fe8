#pragma once

#include "data/Catalogue.h"

#include <QDialog>

#include <functional>
#include <initializer_list>
#include <utility>

class QHBoxLayout;
class QPushButton;
class QVBoxLayout;

namespace data {
class DataStore;
}

namespace masters {

class Picker;

// What every record editor reaches: the tables and buffers, the pick lists (for the buttons
// that choose a related record) and the help window.
struct EditorContext
{
    data::DataStore &store;
    Picker &picker;
    std::function<void(int topic)> showHelp;
};

// The frame shared by the record editors: a modal window with the editor's boxes above a row
// of "Save", "Delete", "Cancel" and "Help" buttons. The result code tells how it closed:
// 1 Save, 2 Delete, 3 Cancel (also the window's close button).
class RecordEditor : public QDialog
{
    Q_OBJECT
public:
    enum Result { Saved = 1, Deleted = 2, Cancelled = 3 };

    RecordEditor(EditorContext &context, const QString &title, int helpTopic,
                 QWidget *parent = nullptr);

    // Opens the editor on its table's selection value and returns the result code.
    int run();
    int resultCode() const { return m_result; }

    QPushButton *saveButton() const { return m_save; }
    QPushButton *deleteButton() const { return m_delete; }
    QPushButton *cancelButton() const { return m_cancel; }

protected:
    // Fills the boxes from the record (or a cleared buffer) before the window shows.
    virtual void open() = 0;
    // True when the record was stored and the window may close.
    virtual bool BtnSaveClick() = 0;
    // Editors without Delete hide the button; the default does nothing.
    virtual void BtnDeleteClick() {}

    void closeWith(Result result);
    // Opening on the selection value: true when it names a record that was reached (the
    // editor then loads it, and Delete is enabled); otherwise the editor is for a new record,
    // the selection value becomes -1 and Delete is disabled.
    bool openOn(data::TableId table, int &selection);
    // Checks that every text can be stored in the tables' character set; shows which
    // character cannot (naming the box) and returns false otherwise.
    bool textsStorable(std::initializer_list<std::pair<QString, QString>> captionAndText);

    // The area above the buttons where the editor lays out its boxes.
    QVBoxLayout *body() const { return m_body; }

    EditorContext &m_context;
    data::DataStore &m_store;

private:
    void reject() override;

    int m_helpTopic;
    int m_result = Cancelled;
    QVBoxLayout *m_body;
    QPushButton *m_save;
    QPushButton *m_delete;
    QPushButton *m_cancel;
    QPushButton *m_help;
};

} // namespace masters

#pragma once

#include "PickTable.h"
#include "xbase/EngineApi.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace data {
class DataStore;
}

// The short pick list: a small table (customer groups, label stocks) read whole into a list of
// names. The table must be open from show() until close().
namespace masters {

enum class ShortKind { Groups, Labels };

class ShortList
{
public:
    ShortList(data::DataStore &store, ShortKind kind);

    ShortKind kind() const { return m_kind; }
    // Groups: remembers the selected tag of GROUPS and selects cGroup; labels keep the table's
    // order. One line per record from the top, the name as stored with "<DELETED>" behind it
    // for records marked deleted; the line of the selection value's record is highlighted, or
    // the first. Labels then set the selection value to -1.
    void show();
    // Groups: selects the remembered tag again and drops the seek copy of the names. Called
    // however the list closes.
    void close();

    const QStringList &lines() const { return m_lines; }
    int highlightLine() const { return m_highlight; }  // -1: none
    void setHighlightLine(int line);

    bool hasSeek() const { return m_kind == ShortKind::Groups; }
    static constexpr int kSeekMaxLength = 20;
    // Groups with at least two lines: highlights the first line whose upper-cased name, cut to
    // the length of the trimmed, upper-cased text, is not less than the text in character-code
    // order; no line when there is none.
    void seek(const QString &text);

    // "Select": with no line highlighted shows "Item Not Selected" and returns false;
    // otherwise sets the selection value to the line's record and returns true.
    bool choose();

private:
    PickTable pickTable() const;
    DATA4 *data() const;
    int &selection() const;

    data::DataStore &m_store;
    ShortKind m_kind;
    QStringList m_lines;
    std::vector<QByteArray> m_upperNames;  // groups, for the seek box
    TAG4 *m_previousTag = nullptr;
    bool m_tagSwitched = false;
    int m_highlight = -1;
};

} // namespace masters

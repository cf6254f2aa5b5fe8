#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace core {

// Where long operations report what they are doing: the main window's status bar in the
// program, a recorder in tests. Logic receives the sink by reference (through the application
// context) and calls ShowStatus()/ShowProgress(); it never reaches a window.
//
// Protocol: an operation starts with ShowStatus(text), reports rising percentages from 1 to
// 100, and ends with an empty status, which clears the text.
class StatusSink
{
public:
    virtual ~StatusSink() = default;

    // Shows `text` (empty clears it) and clears the progress display, at once.
    virtual void showStatus(const QString &text) = 0;
    // Shows the progress display at `percent`, 0..100; 0 erases it. Drawn at once.
    virtual void showProgress(int percent) = 0;
};

void ShowStatus(StatusSink &sink, const QString &text);
// Percentages outside 0..100 are clamped, so a miscounting caller cannot draw past the bar.
void ShowProgress(StatusSink &sink, int percent);

// A sink for tests: keeps every call in order, and the state a status bar would show now.
class RecordingStatus final : public StatusSink
{
public:
    struct Event
    {
        enum class Kind { Status, Progress };
        Kind kind;
        QString text; // Status only
        int percent;  // Progress only; 0 for Status

        bool operator==(const Event &) const = default;
    };

    void showStatus(const QString &text) override;
    void showProgress(int percent) override;

    const QList<Event> &events() const { return m_events; }
    // The calls as text, one per call: "status:Reading" or "progress:25". Easy to compare
    // against an expected sequence in one assertion.
    QStringList log() const;
    // The percentages of the progress calls only, in order.
    QList<int> percentages() const;

    // What the status bar would show now: the last text, and the progress since that text
    // (0 when none).
    QString text() const { return m_text; }
    int percent() const { return m_percent; }

    void clear();

private:
    QList<Event> m_events;
    QString m_text;
    int m_percent = 0;
};

} // namespace core

#include "core/Status.h"

#include <algorithm>

namespace core {

void ShowStatus(StatusSink &sink, const QString &text)
{
    sink.showStatus(text);
}

void ShowProgress(StatusSink &sink, int percent)
{
    sink.showProgress(std::clamp(percent, 0, 100));
}

void RecordingStatus::showStatus(const QString &text)
{
    m_events.append({Event::Kind::Status, text, 0});
    m_text = text;
    m_percent = 0;
}

void RecordingStatus::showProgress(int percent)
{
    m_events.append({Event::Kind::Progress, QString(), percent});
    m_percent = percent;
}

QStringList RecordingStatus::log() const
{
    QStringList lines;
    lines.reserve(m_events.size());
    for (const Event &event : m_events) {
        if (event.kind == Event::Kind::Status)
            lines.append(QStringLiteral("status:") + event.text);
        else
            lines.append(QStringLiteral("progress:") + QString::number(event.percent));
    }
    return lines;
}

QList<int> RecordingStatus::percentages() const
{
    QList<int> result;
    for (const Event &event : m_events) {
        if (event.kind == Event::Kind::Progress) result.append(event.percent);
    }
    return result;
}

void RecordingStatus::clear()
{
    m_events.clear();
    m_text.clear();
    m_percent = 0;
}

} // namespace core

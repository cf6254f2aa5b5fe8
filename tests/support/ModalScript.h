#pragma once

// Drives nested modal windows in window tests. Each step names the window it expects (by
// object name or class name) and what to do with it; the script runs a step once that window is the active
// modal window, and the next step only after the active modal window has changed (closed, or
// another opened over it). Steps left when the script is destroyed, or a window that does not
// come within the time limit, fail the test: every modal window is then rejected so the test
// ends instead of hanging. So does a modal window that stays up with no step left for it.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>
#include <utility>

namespace testsupport {

class ModalScript
{
public:
    using Action = std::function<void(QWidget *)>;

    explicit ModalScript(int timeoutMs = 10000) : m_timeoutMs(timeoutMs)
    {
        // A window shown again (the same list, reopened by a loop) counts as a change too.
        m_showWatch.onShow = [this] { m_armed = true; };
        qApp->installEventFilter(&m_showWatch);
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
        m_clock.start();
    }
    ~ModalScript()
    {
        m_timer.stop();
        qApp->removeEventFilter(&m_showWatch);
    }

    ModalScript &then(const char *objectName, Action action)
    {
        m_steps.emplace_back(QString::fromLatin1(objectName), std::move(action));
        return *this;
    }
    // What went wrong, empty when every step ran.
    QString failure() const
    {
        if (!m_failure.isEmpty())
            return m_failure;
        if (!m_steps.empty())
            return QStringLiteral("step for %1 never ran").arg(m_steps.front().first);
        return {};
    }
    bool done() const { return m_steps.empty() && m_failure.isEmpty(); }

private:
    void poll()
    {
        QWidget *active = QApplication::activeModalWidget();
        if (active != m_lastActed)
            m_armed = true;
        if (!m_failure.isEmpty()) {
            // Whatever comes up after a failure is closed, so the test can end.
            if (auto *d = qobject_cast<QDialog *>(active))
                d->reject();
            return;
        }
        if (m_steps.empty()) {
            // Nothing more is expected: a window that stays up would hang the test.
            if (!active || !m_armed) {
                m_clock.restart();
            } else if (m_clock.elapsed() > m_timeoutMs) {
                fail(QStringLiteral("unexpected window %1").arg(nameOf(active)));
            }
            return;
        }
        if (m_clock.elapsed() > m_timeoutMs) {
            fail(QStringLiteral("timed out waiting for %1 (active: %2)")
                     .arg(m_steps.front().first,
                          active ? nameOf(active) : QStringLiteral("none")));
            return;
        }
        const QString &wanted = m_steps.front().first;
        if (!active || !m_armed
            || (active->objectName() != wanted
                && QLatin1String(active->metaObject()->className()) != wanted))
            return;
        auto [name, action] = std::move(m_steps.front());
        m_steps.pop_front();
        m_lastActed = active;
        m_armed = false;
        m_clock.restart();
        // Run outside this timer's slot: Qt does not fire a timer again while its slot runs, and
        // an action that opens a nested modal window would otherwise stop the script.
        QPointer<QWidget> target(active);
        QTimer::singleShot(0, [target, action = std::move(action)] {
            if (target)
                action(target);
        });
    }

    static QString nameOf(QWidget *w)
    {
        return QLatin1String(w->metaObject()->className()) + QLatin1Char(' ') + w->objectName();
    }
    void fail(const QString &why)
    {
        m_failure = why;
        while (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            d->reject();
    }

    struct ShowWatch : QObject
    {
        std::function<void()> onShow;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::Show && watched->isWidgetType()
                && static_cast<QWidget *>(watched)->isWindow())
                onShow();
            return false;
        }
    };

    ShowWatch m_showWatch;
    int m_timeoutMs;
    QTimer m_timer;
    QElapsedTimer m_clock;
    std::deque<std::pair<QString, Action>> m_steps;
    QWidget *m_lastActed = nullptr;
    bool m_armed = true;
    QString m_failure;
};

} // namespace testsupport

#pragma once

#include <QDate>

namespace core {

// Where the program learns today's date. Everything that depends on "now" (the two-digit year
// window, default dates in editors) asks Clock::current(), so a test can pin the date and get
// the same answers on every day of the year.
class Clock
{
public:
    virtual ~Clock() = default;

    // Today's date in local time; always a valid date.
    virtual QDate today() const = 0;
    int currentYear() const { return today().year(); }

    // The process-wide clock: the system clock unless a test has installed another.
    static const Clock &current();

    // Installs `clock` as the process-wide clock and returns the one it replaces. The clock is
    // not owned: the caller keeps it alive until it is replaced again. nullptr restores the
    // system clock. Meant for tests; ScopedClock is the convenient form.
    static const Clock *setCurrent(const Clock *clock);
};

class SystemClock final : public Clock
{
public:
    QDate today() const override;
};

class FixedClock final : public Clock
{
public:
    explicit FixedClock(QDate today) : m_today(today) {}

    QDate today() const override { return m_today; }
    void setToday(QDate today) { m_today = today; }

private:
    QDate m_today;
};

// Pins the process-wide clock to a fixed date for the lifetime of the object and puts the
// previous clock back on destruction. Scopes nest; destroy them in reverse order.
class ScopedClock
{
public:
    explicit ScopedClock(QDate today);
    // Pins the clock to 1 July of `year`: enough for everything that only needs the year.
    explicit ScopedClock(int year) : ScopedClock(QDate(year, 7, 1)) {}
    ~ScopedClock();

    ScopedClock(const ScopedClock &) = delete;
    ScopedClock &operator=(const ScopedClock &) = delete;

    FixedClock &clock() { return m_clock; }

private:
    FixedClock m_clock;
    const Clock *m_previous;
};

} // namespace core

#include "core/Clock.h"

#include <atomic>

namespace core {

namespace {

const SystemClock &systemClock()
{
    static const SystemClock clock;
    return clock;
}

// nullptr means the system clock, so the default needs no initialisation order.
std::atomic<const Clock *> g_current{nullptr};

} // namespace

const Clock &Clock::current()
{
    const Clock *clock = g_current.load(std::memory_order_acquire);
    return clock ? *clock : systemClock();
}

const Clock *Clock::setCurrent(const Clock *clock)
{
    const Clock *previous = g_current.exchange(clock, std::memory_order_acq_rel);
    return previous ? previous : &systemClock();
}

QDate SystemClock::today() const
{
    return QDate::currentDate();
}

ScopedClock::ScopedClock(QDate today) : m_clock(today), m_previous(Clock::setCurrent(&m_clock)) {}

ScopedClock::~ScopedClock()
{
    Clock::setCurrent(m_previous);
}

} // namespace core

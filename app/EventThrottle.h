// When a long loop on the GUI thread hands control to the event loop. A
// call of processEvents polls every event source, which costs more than a
// fast transfer row; a person cannot tell events handled at once from
// events handled a few milliseconds later. So the loop asks due() after
// every row and pumps only when the interval has passed since the end of
// the last pump: a click, a drag, a paint, a timer or a signal waits at
// most the interval plus one row.
//
//   EventThrottle throttle;
//   if (throttle.due()) { QCoreApplication::processEvents(); throttle.pumped(); }
#pragma once

#include <chrono>

namespace rk::app {

class EventThrottle {
public:
    using Clock = std::chrono::steady_clock;
    using Now = Clock::time_point (*)();

    static constexpr std::chrono::milliseconds kInterval{5};

    explicit EventThrottle(Now now = &Clock::now, Clock::duration interval = kInterval)
        : m_now(now), m_interval(interval)
    {
    }

    // True on the first call and whenever the interval has passed since the
    // last pumped().
    bool due() const { return !m_pumped || m_now() - m_last >= m_interval; }
    void pumped()
    {
        m_last = m_now();
        m_pumped = true;
    }

private:
    Now m_now;
    Clock::duration m_interval;
    Clock::time_point m_last{};
    bool m_pumped = false;
};

} // namespace rk::app

// The run's event processing: pumps only every few milliseconds, and still
// delivers what is pending well within what a person notices.
#include <QCoreApplication>
#include <QTimer>
#include <thread>

#include "app/EventThrottle.h"
#include "tests/app/WindowTestSupport.h"

namespace rk::test {
namespace {

using app::EventThrottle;
using namespace std::chrono_literals;

EventThrottle::Clock::time_point fakeNow;
EventThrottle::Clock::time_point readFakeNow() { return fakeNow; }

struct Step {
    int advanceUs;  // time passing before the row's call
    bool due;       // whether that call pumps
};

TEST(EventThrottleTest, PumpsOnTheFirstCallAndThenOnlyOnceTheIntervalHasPassedSinceTheLastPump)
{
    // legend: microseconds since the previous step, pumps (interval 5 ms)
    const Step steps[] = {{0, true},      {30, false},   {4900, false}, {69, false},
                          {1, true},      {0, false},    {4999, false}, {1, true},
                          {20000, true},  {4999, false}, {1, true}};
    fakeNow = EventThrottle::Clock::time_point(1h);
    EventThrottle throttle(&readFakeNow);
    int i = 0;
    for (const Step& s : steps) {
        fakeNow += std::chrono::microseconds(s.advanceUs);
        EXPECT_EQ(throttle.due(), s.due) << "step " << i;
        if (throttle.due()) throttle.pumped();
        ++i;
    }
}

TEST_F(WindowTest, ARunsEventProcessingDeliversPendingEventsWithinAFewMilliseconds)
{
    TestMainWindow& window = makeWindow();
    showAndActivate(window);
    transfer::TransferWindow& port = window.transferPort();
    port.processEvents();
    bool delivered = false;
    QTimer::singleShot(0, &window, [&] { delivered = true; });

    // Rows of at least a millisecond each: a few of them later the event
    // is handled, never twenty (a slow machine only makes them longer).
    int rows = 0;
    while (!delivered && rows < 20) {
        std::this_thread::sleep_for(1ms);
        port.processEvents();
        ++rows;
    }
    EXPECT_TRUE(delivered) << "after " << rows << " rows";
}

} // namespace
} // namespace rk::test

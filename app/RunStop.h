// Where a transfer run meets the end signals. The window marks its run
// (running()), passes on a signal that reached the event loop (signal())
// and asks, between rows and purge statements, whether to stop
// (stopIfRequested()); a signal the watch has seen but the event loop not
// yet is taken there too, so a run that processes no events still stops.
//
//   { const RunStop::Running running(stop); runTransfer(...); }
//   if (stop.signalled()) ...close...
#pragma once

namespace rk::app {

class RunStop {
public:
    // Marks a run for the life of the object.
    class Running {
    public:
        explicit Running(RunStop& stop) : m_stop(stop) { m_stop.m_inRun = true; }
        ~Running() { m_stop.m_inRun = false; }
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;

    private:
        RunStop& m_stop;
    };

    bool inRun() const { return m_inRun; }
    // An end signal has been taken; stays so.
    bool signalled() const { return m_signalled; }
    // An end signal reached the event loop: marks it (for the application
    // too, so no box waits). False when one was taken already.
    bool signal();
    // Throws rk::EAbort during a run once an end signal has come.
    void stopIfRequested();

private:
    bool m_inRun = false;
    bool m_signalled = false;
};

} // namespace rk::app

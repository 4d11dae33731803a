// The end signals (SIGTERM, SIGINT, SIGHUP), watched on a thread of their
// own, so that a caller can end the program even while the GUI thread is
// blocked (in the display connection, in a long call into the Firebird
// client, in a write).
//
//   EndSignalWatch watch;            // before any other thread exists
//   QSocketNotifier n(watch.notifyFd(), QSocketNotifier::Read); ...
//   if (endRequested()) { endRequestTaken(); ...stop... }
//
// The first signal sets the process-wide request and makes notifyFd()
// readable; the program takes it (endRequestTaken) where it can stop
// cleanly: between rows, between purge statements, in the event loop. Is it
// not taken within the grace time, or does a second signal come, the watch
// writes one German line and ends the process with exit 2 at once: the
// engine then drops an uncommitted transaction, and nothing committed is touched.
#pragma once

#include <atomic>
#include <chrono>
#include <csignal>
#include <string>
#include <thread>

namespace rk::app {

inline constexpr int kExitForcedEnd = 2;

class EndSignalWatch {
public:
    // Blocks the end signals in the calling thread (later threads inherit
    // the mask: the Firebird client would take SIGINT and SIGTERM for itself)
    // and starts the watching thread. They stay blocked after the watch.
    explicit EndSignalWatch(std::chrono::milliseconds grace = std::chrono::seconds(5));
    ~EndSignalWatch();
    EndSignalWatch(const EndSignalWatch&) = delete;
    EndSignalWatch& operator=(const EndSignalWatch&) = delete;

    // Readable once the first end signal has come; -1 when the watch could
    // not be set up (the signals then act as the system's defaults).
    int notifyFd() const { return m_notifyRead; }
    // Empties notifyFd() after it was readable.
    void drainNotify() const;

private:
    void watch();

    std::chrono::milliseconds m_grace;
    sigset_t m_signals{};
    int m_signalFd = -1;
    int m_stopFd = -1;
    int m_notifyRead = -1;
    int m_notifyWrite = -1;
    std::thread m_thread;
};

// Whether an end signal has come (false without a watch).
bool endRequested();
// The program has acted on the request: the grace time no longer applies;
// a second signal still ends the process at once.
void endRequestTaken();

// The line the forced end writes (UTF-8).
std::string forcedEndText(bool secondSignal);

} // namespace rk::app

// See EndSignalWatch.h. The watching thread only polls, reads and writes
// descriptors, reads atomics and, for the forced end, writes its line and
// calls _exit: it never waits for a lock of the GUI thread.
#include "app/shell/EndSignalWatch.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "app/shell/StderrLog.h"

namespace rk::app {

namespace {

std::atomic<bool> g_requested{false};
std::atomic<bool> g_taken{false};

} // namespace

bool endRequested() { return g_requested.load(std::memory_order_acquire); }

void endRequestTaken() { g_taken.store(true, std::memory_order_release); }

std::string forcedEndText(bool secondSignal)
{
    return std::string("rk_vad2av: Ende erzwungen (") +
           (secondSignal ? "zweites Signal" : "das Programm hat das Signal nicht rechtzeitig angenommen") +
           "). Festgeschriebene Tabellen bleiben, eine nicht festgeschriebene verwirft die Datenbank; "
           "die Importtabellen sind unvollständig.";
}

EndSignalWatch::EndSignalWatch(std::chrono::milliseconds grace) : m_grace(grace)
{
    sigemptyset(&m_signals);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&m_signals, sig);
    if (pthread_sigmask(SIG_BLOCK, &m_signals, nullptr) != 0) return;
    m_signalFd = ::signalfd(-1, &m_signals, SFD_NONBLOCK | SFD_CLOEXEC);
    m_stopFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    int notify[2];
    if (m_signalFd < 0 || m_stopFd < 0 || ::pipe2(notify, O_NONBLOCK | O_CLOEXEC) != 0) return;
    m_notifyRead = notify[0];
    m_notifyWrite = notify[1];
    m_thread = std::thread([this] { watch(); });
}

EndSignalWatch::~EndSignalWatch()
{
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        (void)!::write(m_stopFd, &one, sizeof one);
        m_thread.join();
    }
    for (int fd : {m_signalFd, m_stopFd, m_notifyRead, m_notifyWrite})
        if (fd >= 0) ::close(fd);
    // The signals stay blocked: the process is ending, and a signal that
    // came just now must not turn its exit code into a death by signal.
}

void EndSignalWatch::drainNotify() const
{
    char buffer[16];
    while (m_notifyRead >= 0 && ::read(m_notifyRead, buffer, sizeof buffer) > 0) {}
}

void EndSignalWatch::watch()
{
    using Clock = std::chrono::steady_clock;
    int received = 0;
    Clock::time_point deadline = Clock::time_point::max();
    for (;;) {
        int timeout = -1;
        if (deadline != Clock::time_point::max()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            timeout = int(std::max<long long>(0, left.count()));
        }
        pollfd fds[2] = {{m_signalFd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeout);
        if (ready > 0 && (fds[1].revents & POLLIN)) return;
        if (ready > 0 && (fds[0].revents & POLLIN)) {
            signalfd_siginfo info{};
            while (::read(m_signalFd, &info, sizeof info) == ssize_t(sizeof info)) ++received;
            if (received >= 2) {
                stderrLog().writeLineNow(forcedEndText(true));
                ::_exit(kExitForcedEnd);
            }
            if (received == 1 && !g_requested.exchange(true, std::memory_order_acq_rel)) {
                const char byte = 1;
                (void)!::write(m_notifyWrite, &byte, 1);
                deadline = Clock::now() + m_grace;
            }
        }
        if (g_taken.load(std::memory_order_acquire)) {
            deadline = Clock::time_point::max();
        } else if (Clock::now() >= deadline) {
            stderrLog().writeLineNow(forcedEndText(false));
            ::_exit(kExitForcedEnd);
        }
    }
}

} // namespace rk::app

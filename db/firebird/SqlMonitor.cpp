// The file transport of the trace records; see SqlMonitor.h.
#include "db/firebird/SqlMonitor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

namespace rk::target {

std::atomic<bool> SqlMonitor::s_attached{false};

namespace {

std::mutex& monitorMutex()
{
    static std::mutex m;
    return m;
}

struct MonitorState {
    int fd = -1;
    std::string title = "RK_VAD2AV";
};

MonitorState& state()
{
    static MonitorState s;
    return s;
}

} // namespace

void SqlMonitor::attachFromEnvironment()
{
    std::lock_guard lock(monitorMutex());
    MonitorState& s = state();
    if (s.fd >= 0) ::close(s.fd);
    s.fd = -1;
    if (const char* path = std::getenv("RK_SQL_MONITOR"); path && *path)
        s.fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    s_attached.store(s.fd >= 0, std::memory_order_relaxed);
}

void SqlMonitor::attachOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { attachFromEnvironment(); });
}

void SqlMonitor::setApplicationTitle(const std::string& title)
{
    std::lock_guard lock(monitorMutex());
    state().title = title;
}

void SqlMonitor::write(std::string_view eventText)
{
    std::lock_guard lock(monitorMutex());
    MonitorState& s = state();
    if (s.fd < 0) return;
    std::string record = "\r\n[Application: " + s.title + "]\r\n";
    record += eventText;
    // One write per record keeps records whole when several processes share
    // the file; a failing write loses the record, nothing else.
    const char* p = record.data();
    size_t left = record.size();
    while (left > 0) {
        const ssize_t n = ::write(s.fd, p, left);
        if (n <= 0) break;
        p += n;
        left -= static_cast<size_t>(n);
    }
}

} // namespace rk::target

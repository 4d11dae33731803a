// The file transport of the trace records; see SqlMonitor.h.
#include "db/firebird/SqlMonitor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <string>

namespace rk::target {

std::atomic<bool> SqlMonitor::s_attached{false};

namespace {

std::mutex& monitorMutex()
{
    static std::mutex m;
    return m;
}

// The file's descriptor, -1 while detached; guarded by monitorMutex().
int& monitorFd()
{
    static int fd = -1;
    return fd;
}

} // namespace

void SqlMonitor::attachFromEnvironment()
{
    std::lock_guard lock(monitorMutex());
    int& fd = monitorFd();
    if (fd >= 0) ::close(fd);
    fd = -1;
    if (const char* path = std::getenv("RK_SQL_MONITOR"); path && *path)
        fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    s_attached.store(fd >= 0, std::memory_order_relaxed);
}

void SqlMonitor::attachOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { attachFromEnvironment(); });
}

void SqlMonitor::write(std::string_view eventText)
{
    std::lock_guard lock(monitorMutex());
    const int fd = monitorFd();
    if (fd < 0) return;
    std::string record = "\r\n[Application: RK_VAD2AV]\r\n";
    record += eventText;
    // One write per record keeps records whole when several processes share
    // the file; a failing write loses the record, nothing else.
    const char* p = record.data();
    size_t left = record.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n <= 0) break;
        p += n;
        left -= static_cast<size_t>(n);
    }
}

} // namespace rk::target

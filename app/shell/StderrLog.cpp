// See StderrLog.h.
#include "app/shell/StderrLog.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rk::app {

void ignoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

StderrLog::StderrLog(int fd) : m_target(fd) { attach(); }

void StderrLog::attach()
{
    const int fd = m_target;
    Output out{fd, Mode::Plain};
    m_device = m_inode = 0;
    struct stat info {};
    if (::fstat(fd, &info) == 0) { // closed: every write fails and is counted
        m_device = info.st_dev;
        m_inode = info.st_ino;
        if (S_ISSOCK(info.st_mode)) {
            out.mode = Mode::Socket;
        } else if (S_ISFIFO(info.st_mode) || (S_ISCHR(info.st_mode) && ::isatty(fd))) { // not a file, /dev/null
            // A second open file description of the same pipe or terminal: O_NONBLOCK
            // there leaves the caller's own description (shared with its shell) as it is.
            const std::string self = "/proc/self/fd/" + std::to_string(fd);
            const int own = ::open(self.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
            if (own >= 0) {
                out.fd = own;
                m_ownFds.push_back(own);
            } else {
                // Not ours to open again (another account's pipe, no /proc):
                // a write of at most PIPE_BUF bytes only once poll says there is room.
                out.mode = Mode::Polled;
            }
        }
    }
    m_out.store(out);
}

StderrLog::~StderrLog()
{
    for (int fd : m_ownFds) ::close(fd);
}

size_t StderrLog::writeSome(Output out, std::string_view text) noexcept
{
    size_t done = 0;
    while (done < text.size()) {
        size_t chunk = text.size() - done;
        if (out.mode == Mode::Polled) {
            pollfd p{out.fd, POLLOUT, 0};
            if (::poll(&p, 1, 0) != 1 || !(p.revents & POLLOUT)) break;
            if (chunk > PIPE_BUF) chunk = PIPE_BUF;
        }
        const ssize_t n = out.mode == Mode::Socket
                              ? ::send(out.fd, text.data() + done, chunk, MSG_DONTWAIT | MSG_NOSIGNAL)
                              : ::write(out.fd, text.data() + done, chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break; // full (EAGAIN), broken (EPIPE), closed (EBADF)
        done += size_t(n);
    }
    return done;
}

bool StderrLog::writeLocked(std::string_view utf8Line)
{
    struct stat info {};
    const bool open = ::fstat(m_target, &info) == 0;
    if (!open ? m_device != 0 || m_inode != 0 : info.st_dev != m_device || info.st_ino != m_inode) {
        // Standard error now goes elsewhere; the rest of a line meant for the
        // old place does not belong at the start of the new one.
        attach();
        m_pending.clear();
    }
    if (!m_pending.empty()) {
        m_pending.erase(0, writeSome(m_out.load(), m_pending));
        if (!m_pending.empty()) {
            ++m_lost;
            return false;
        }
    }
    std::string text;
    if (m_lost > 0) text = lostLinesText(m_lost) + '\n';
    text.append(utf8Line);
    text += '\n';
    const size_t written = writeSome(m_out.load(), text);
    if (written == 0) {
        ++m_lost;
        return false;
    }
    m_lost = 0;
    m_pending = text.substr(written);
    return true;
}

bool StderrLog::writeLine(std::string_view utf8Line)
{
    const std::lock_guard lock(m_mutex);
    return writeLocked(utf8Line);
}

void StderrLog::writeLineNow(std::string_view utf8Line) noexcept
{
    try {
        std::unique_lock lock(m_mutex, std::try_to_lock);
        if (lock.owns_lock()) {
            writeLocked(utf8Line);
            return;
        }
    } catch (...) {
    }
    // The holder cannot be waited for; a line break first, in case it is in
    // the middle of a line.
    char buffer[1024];
    size_t size = 0;
    buffer[size++] = '\n';
    for (char c : utf8Line)
        if (size < sizeof buffer - 1) buffer[size++] = c;
    buffer[size++] = '\n';
    writeSome(m_out.load(), std::string_view(buffer, size));
}

long StderrLog::lostLines() const
{
    const std::lock_guard lock(m_mutex);
    return m_lost;
}

StderrLog& stderrLog()
{
    static StderrLog log(STDERR_FILENO);
    return log;
}

std::string lostLinesText(long count)
{
    return "rk_vad2av: " + std::to_string(count) +
           (count == 1 ? " Zeile" : " Zeilen") +
           " der Ausgabe verloren (Standardfehler war voll oder geschlossen)";
}

} // namespace rk::app

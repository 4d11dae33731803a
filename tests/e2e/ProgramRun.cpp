// See ProgramRun.h.
#include "tests/e2e/ProgramRun.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace rk::test {

using Clock = std::chrono::steady_clock;

ProgramRun::ProgramRun(std::string program, std::vector<std::string> args, std::map<std::string, std::string> env,
                       ErrPipe errPipe)
    : m_errUnread(errPipe == ErrPipe::FullUnread)
{
    int err[2], out[2];
    if (::pipe(err) != 0 || ::pipe(out) != 0) throw std::runtime_error("pipe failed");
    if (m_errUnread) {
        // The smallest pipe, filled up: the program's first write finds it full.
        ::fcntl(err[1], F_SETPIPE_SZ, 4096);
        ::fcntl(err[1], F_SETFL, O_NONBLOCK);
        const std::string filler(4096, 'x');
        while (::write(err[1], filler.data(), filler.size()) > 0) {}
        ::fcntl(err[1], F_SETFL, 0);
    }
    m_pid = ::fork();
    if (m_pid < 0) throw std::runtime_error("fork failed");
    if (m_pid == 0) {
        ::dup2(err[1], 2);
        ::dup2(out[1], 1);
        ::close(err[0]), ::close(err[1]), ::close(out[0]), ::close(out[1]);
        for (const auto& [k, v] : env) {
            if (v == kUnset)
                ::unsetenv(k.c_str());
            else
                ::setenv(k.c_str(), v.c_str(), 1);
        }
        std::vector<char*> argv{program.data()};
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(err[1]);
    ::close(out[1]);
    m_errFd = err[0];
    m_outFd = out[0];
}

ProgramRun::~ProgramRun()
{
    if (!m_exited && m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (m_errFd >= 0) ::close(m_errFd);
    if (m_outFd >= 0) ::close(m_outFd);
}

// One poll over both pipes; false once both are at their end.
bool ProgramRun::pump(std::chrono::milliseconds slice)
{
    if ((m_errFd < 0 || m_errUnread) && m_outFd < 0) {
        ::usleep(useconds_t(slice.count()) * 1000);
        return false;
    }
    pollfd fds[2] = {{m_errUnread ? -1 : m_errFd, POLLIN, 0}, {m_outFd, POLLIN, 0}};
    const int n = ::poll(fds, 2, int(slice.count()));
    if (n < 0 && errno != EINTR) return false;
    char buf[4096];
    for (pollfd& p : fds) {
        if (p.fd < 0) continue;
        if (p.revents & (POLLIN | POLLHUP)) {
            const ssize_t got = ::read(p.fd, buf, sizeof buf);
            if (got <= 0) {
                if (p.fd == m_errFd && !m_errPartial.empty()) m_errLines.push_back(std::move(m_errPartial));
                m_errPartial.clear();
                ::close(p.fd);
                (p.fd == m_errFd ? m_errFd : m_outFd) = -1;
                continue;
            }
            if (p.fd == m_outFd) {
                m_out.append(buf, size_t(got));
            } else {
                m_errPartial.append(buf, size_t(got));
                for (size_t nl; (nl = m_errPartial.find('\n')) != std::string::npos;) {
                    m_errLines.push_back(m_errPartial.substr(0, nl));
                    m_errPartial.erase(0, nl + 1);
                }
            }
        }
    }
    return (m_errFd >= 0 && !m_errUnread) || m_outFd >= 0;
}

bool ProgramRun::waitForLine(const std::function<bool(const std::string&)>& match, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    size_t checked = 0;
    while (Clock::now() < deadline) {
        for (; checked < m_errLines.size(); ++checked)
            if (match(m_errLines[checked])) return true;
        if (!pump(std::chrono::milliseconds(20))) break;
    }
    for (; checked < m_errLines.size(); ++checked)
        if (match(m_errLines[checked])) return true;
    return false;
}

bool ProgramRun::running()
{
    if (!m_exited && ::waitpid(m_pid, &m_status, WNOHANG) == m_pid) m_exited = true;
    return !m_exited;
}

void ProgramRun::signal(int sig)
{
    if (!m_exited) ::kill(m_pid, sig);
}

void ProgramRun::closeErr()
{
    if (m_errFd >= 0) ::close(m_errFd);
    m_errFd = -1;
}

int ProgramRun::wait(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!m_exited) {
        const pid_t r = ::waitpid(m_pid, &m_status, WNOHANG);
        if (r == m_pid) {
            m_exited = true;
            break;
        }
        if (Clock::now() >= deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &m_status, 0);
            m_exited = true;
            for (int i = 0; i < 200 && pump(std::chrono::milliseconds(5)); ++i) {}
            return -1;
        }
        pump(std::chrono::milliseconds(20));
    }
    for (int i = 0; i < 200 && pump(std::chrono::milliseconds(5)); ++i) {}
    return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : WIFSIGNALED(m_status) ? 128 + WTERMSIG(m_status) : -1;
}

} // namespace rk::test

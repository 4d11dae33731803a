// Runs the built rk_vad2av as a calling program would: arguments, its own
// environment additions, standard error collected line by line, a deadline
// after which the process is killed so a hanging run fails instead of
// blocking the test suite.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <sys/types.h>

namespace rk::test {

class ProgramRun {
public:
    // An environment value that removes the variable instead.
    static constexpr const char* kUnset = "\x01unset";

    // How the caller treats the program's standard error: reads it line by
    // line, or leaves a pipe that is full from the start unread.
    enum class ErrPipe { Read, FullUnread };

    ProgramRun(std::string program, std::vector<std::string> args, std::map<std::string, std::string> env,
               ErrPipe errPipe = ErrPipe::Read);
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // Reads standard error until a line satisfies `match` (true) or the
    // process ends or the time is up (false).
    bool waitForLine(const std::function<bool(const std::string&)>& match, std::chrono::milliseconds timeout);
    void signal(int sig);
    // The reader goes away, as `| head` does after its lines.
    void closeErr();
    bool running();
    // The exit code; -1 when the process had to be killed at the deadline,
    // 128 + n when signal n ended it.
    int wait(std::chrono::milliseconds timeout);
    pid_t pid() const { return m_pid; }

    const std::vector<std::string>& errLines() const { return m_errLines; }
    const std::string& out() const { return m_out; }

private:
    bool pump(std::chrono::milliseconds slice);

    pid_t m_pid = -1;
    int m_errFd = -1;
    bool m_errUnread = false;
    int m_outFd = -1;
    std::string m_errPartial;
    std::vector<std::string> m_errLines;
    std::string m_out;
    bool m_exited = false;
    int m_status = 0;
};

} // namespace rk::test

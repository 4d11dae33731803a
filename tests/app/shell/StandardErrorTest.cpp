// The writer of standard error and the end-signal watch, as a caller's pipe
// and a caller's signals meet them. The watch runs in a child process, since
// its forced end is the end of the process; this executable is its own, so
// that no earlier test has bound the process's writer to another stderr.
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "app/shell/EndSignalWatch.h"
#include "app/shell/StderrLog.h"

namespace rk::app {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Everything the pipe holds now.
std::string drain(int fd)
{
    std::string out;
    char buffer[8192];
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) out.append(buffer, size_t(n));
    return out;
}

// A pipe of one page, so that a test fills it with one block.
struct Pipe {
    int read = -1, write = -1;
    Pipe()
    {
        int fds[2];
        if (::pipe(fds) == 0) read = fds[0], write = fds[1];
        ::fcntl(write, F_SETPIPE_SZ, 4096);
    }
    ~Pipe()
    {
        if (read >= 0) ::close(read);
        if (write >= 0) ::close(write);
    }
    void fill() const
    {
        const int flags = ::fcntl(write, F_GETFL);
        ::fcntl(write, F_SETFL, flags | O_NONBLOCK);
        const std::string block(4096, 'x');
        while (::write(write, block.data(), block.size()) > 0) {}
        ::fcntl(write, F_SETFL, flags);
    }
};

TEST(StderrLog, AFullPipeDropsLinesAtOnceAndTheCountComesFirstOnceItReads)
{
    Pipe pipe;
    StderrLog log(pipe.write);
    pipe.fill();
    EXPECT_FALSE(log.writeLine("eins"));
    EXPECT_FALSE(log.writeLine("zwei"));
    EXPECT_EQ(log.lostLines(), 2);
    EXPECT_EQ(drain(pipe.read), std::string(4096, 'x'));
    EXPECT_TRUE(log.writeLine("drei"));
    EXPECT_EQ(drain(pipe.read), lostLinesText(2) + "\ndrei\n");
    EXPECT_EQ(log.lostLines(), 0);
    // The caller's own descriptor keeps its flags.
    EXPECT_EQ(::fcntl(pipe.write, F_GETFL) & O_NONBLOCK, 0);
}

TEST(StderrLog, ALineLongerThanTheRoomLeftIsNeverCut)
{
    Pipe pipe;
    StderrLog log(pipe.write);
    const std::string longLine(6000, 'L');
    EXPECT_TRUE(log.writeLine(longLine));
    std::string got = drain(pipe.read);
    EXPECT_TRUE(log.writeLine("kurz"));
    got += drain(pipe.read);
    EXPECT_EQ(got, longLine + "\nkurz\n");
}

TEST(StderrLog, AClosedReaderCostsTheLinesNotTheProcess)
{
    ignoreBrokenPipes();
    Pipe pipe;
    StderrLog log(pipe.write);
    ::close(pipe.read);
    pipe.read = -1;
    EXPECT_FALSE(log.writeLine("eins"));
    EXPECT_FALSE(log.writeLine("zwei"));
    EXPECT_EQ(log.lostLines(), 2);
}

TEST(StderrLog, LinesFollowTheDescriptorWhenItIsPointedElsewhere)
{
    Pipe first, second;
    const int fd = ::dup(first.write);
    StderrLog log(fd);
    EXPECT_TRUE(log.writeLine("eins"));
    ::dup2(second.write, fd); // as a test capturing stderr does
    EXPECT_TRUE(log.writeLine("zwei"));
    EXPECT_EQ(drain(first.read), "eins\n");
    EXPECT_EQ(drain(second.read), "zwei\n");
    ::close(fd);
}

// --- the end-signal watch ---------------------------------------------------

struct Outcome {
    int code = -1; // -1: killed at the deadline, or ended by a signal
    std::chrono::milliseconds took{};
    std::string err;
};

// Starts a child whose main thread runs `body` under a watch with a grace
// of 300 ms, sends it `signals` end signals 300 ms apart once it is ready,
// and waits at most 10 s.
Outcome runWatched(const std::function<void()>& body, int signals)
{
    int err[2], ready[2];
    if (::pipe(err) != 0 || ::pipe(ready) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(err[1], STDERR_FILENO);
        ::close(err[0]), ::close(err[1]), ::close(ready[0]);
        EndSignalWatch watch(300ms);
        (void)!::write(ready[1], "r", 1);
        body();
        ::_exit(0);
    }
    ::close(err[1]), ::close(ready[1]);
    char byte;
    (void)!::read(ready[0], &byte, 1);
    ::close(ready[0]);
    const auto signalled = Clock::now();
    for (int i = 0; i < signals; ++i) {
        if (i > 0) std::this_thread::sleep_for(300ms);
        ::kill(pid, SIGTERM);
    }
    Outcome outcome;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() - signalled > 10s) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(10ms);
    }
    outcome.took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - signalled);
    if (WIFEXITED(status)) outcome.code = WEXITSTATUS(status);
    outcome.err = drain(err[0]);
    ::close(err[0]);
    return outcome;
}

void takeWithin(std::chrono::milliseconds wait, std::chrono::milliseconds thenSleep)
{
    for (const auto end = Clock::now() + wait; !endRequested() && Clock::now() < end;)
        std::this_thread::sleep_for(5ms);
    if (endRequested()) endRequestTaken();
    std::this_thread::sleep_for(thenSleep);
}

TEST(EndSignalWatch, ASignalNotTakenInTimeOrASecondOneEndsTheProcessWithTwo)
{
    struct Case {
        const char* legend;
        std::function<void()> body; // the child's main thread
        int signals;
        int code;
        std::string line; // empty: no forced end
    };
    const Case cases[] = {
        {"blocked, never takes it", [] { std::this_thread::sleep_for(8s); }, 1, kExitForcedEnd,
         forcedEndText(false) + "\n"},
        {"takes it and ends by itself", [] { takeWithin(2s, 800ms); }, 1, 0, ""},
        {"takes it, then blocked: a second signal", [] { takeWithin(2s, 8s); }, 2, kExitForcedEnd,
         forcedEndText(true) + "\n"},
    };
    for (const Case& c : cases) {
        const Outcome outcome = runWatched(c.body, c.signals);
        EXPECT_EQ(outcome.code, c.code) << c.legend;
        EXPECT_EQ(outcome.err, c.line) << c.legend;
        EXPECT_LT(outcome.took, 4s) << c.legend;
    }
}

} // namespace
} // namespace rk::app

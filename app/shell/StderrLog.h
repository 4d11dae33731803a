// The one writer of lines to standard error. A caller may read our standard
// error through a pipe that it closes early (`| head`), fills and never
// reads, or a terminal that is stopped; none of that may stop or block the
// transfer. So a line is written whole or not at all, without ever waiting:
// lines that find the pipe broken or full are dropped and counted, and the
// count is said in one line as soon as the pipe takes lines again.
//
//   stderrLog().writeLine("Übertrage Wege... 400");   // UTF-8
//
// SIGPIPE is ignored for the whole process (ignoreBrokenPipes), so a closed
// pipe is an error of the write, never the end of the program.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace rk::app {

// Sets SIGPIPE to be ignored; before any thread is started.
void ignoreBrokenPipes();

class StderrLog {
public:
    // Writes to `fd` (left open). For a pipe, a FIFO or a terminal the
    // writes go through a descriptor of its own opened without blocking, so
    // the caller's descriptor keeps its flags; for a socket, writes that do
    // not wait; for a file, plain writes (a file does not fill up by waiting).
    // When `fd` is later pointed elsewhere (dup2), the next line goes there.
    explicit StderrLog(int fd);
    ~StderrLog();
    StderrLog(const StderrLog&) = delete;
    StderrLog& operator=(const StderrLog&) = delete;

    // `utf8Line` and a line break, or nothing. False when the line was dropped.
    bool writeLine(std::string_view utf8Line);
    // For a thread that must say its line while another may hold the
    // writer (the forced end): takes the writer if it is free, else writes
    // one attempt past it.
    void writeLineNow(std::string_view utf8Line) noexcept;

    // Lines dropped and not yet reported.
    long lostLines() const;

private:
    enum class Mode { Plain, Socket, Polled };
    // Where lines go and how: read without the lock by writeLineNow's
    // fallback, so it is one atomic value.
    struct Output {
        int fd = -1;
        Mode mode = Mode::Plain;
    };

    // Writes from `text` as much as goes without waiting; the count written.
    static size_t writeSome(Output out, std::string_view text) noexcept;
    bool writeLocked(std::string_view utf8Line);
    // Chooses how to write to what `m_target` refers to now (under the lock).
    void attach();

    mutable std::mutex m_mutex;
    const int m_target;
    // What m_target referred to when attach() chose (device and inode).
    unsigned long long m_device = 0, m_inode = 0;
    std::atomic<Output> m_out;
    // Descriptors of our own, opened by attach(); closed only at the end, so
    // that a fallback write that read an older Output never meets a closed
    // or reused descriptor.
    std::vector<int> m_ownFds;
    // The rest of a line a full pipe took only in part: it goes first, so
    // that no line is ever cut.
    std::string m_pending;
    long m_lost = 0;
};

// The writer of this process's standard error.
StderrLog& stderrLog();

// The line that reports `count` dropped lines (UTF-8).
std::string lostLinesText(long count);

} // namespace rk::app

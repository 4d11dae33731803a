// Trace records for external SQL monitors.
//
// Every traced event of the target objects makes one record:
//   CR LF "[Application: RK_VAD2AV]" CR LF <event text>
// Records go nowhere unless a developer attaches a monitor by naming a file
// in the environment variable RK_SQL_MONITOR; each record is then appended
// to that file (tail -f it). Callers test traceWanted() first, so nothing is
// formatted while no monitor is attached. A record never holds the password
// (the parameter block is never traced).
#pragma once

#include <atomic>
#include <string>
#include <string_view>

namespace rk::target {

enum TraceFlag : unsigned {
    tfQPrepare = 1u << 0,
    tfQExecute = 1u << 1,
    tfQFetch = 1u << 2,
    tfError = 1u << 3,
    tfStmt = 1u << 4,
    tfConnect = 1u << 5,
    tfTransact = 1u << 6,
    tfBlob = 1u << 7,
    tfService = 1u << 8,
    tfMisc = 1u << 9,
};
using TraceFlags = unsigned;
inline constexpr TraceFlags kAllTraceFlags = (1u << 10) - 1;

class SqlMonitor {
public:
    static bool attached() noexcept { return s_attached.load(std::memory_order_relaxed); }

    // Reads RK_SQL_MONITOR again.
    static void attachFromEnvironment();
    // The first call reads RK_SQL_MONITOR; later calls do nothing. Every
    // target object calls it when created.
    static void attachOnce();

    // Appends one record with `eventText`; does nothing while detached.
    static void write(std::string_view eventText);

    // The record header's title, "RK_VAD2AV" unless the shell sets another.
    static void setApplicationTitle(const std::string& title);

private:
    static std::atomic<bool> s_attached;
};

// True when an event of `category` is to be traced by an object whose trace
// flags are `flags`.
inline bool traceWanted(TraceFlags flags, TraceFlags category) noexcept
{
    return (flags & category) != 0 && SqlMonitor::attached();
}

} // namespace rk::target

// Trace records for external SQL monitors.
//
// Every traced event of the target objects makes one record:
//   CR LF "[Application: RK_VAD2AV]" CR LF <event text>
// Records go nowhere unless a developer attaches a monitor by naming a file
// in the environment variable RK_SQL_MONITOR; each record is then appended
// to that file (tail -f it). Callers test attached() first, so nothing is
// formatted while no monitor is attached. A record never holds the password
// (the parameter block is never traced).
#pragma once

#include <atomic>
#include <string_view>

namespace rk::target {

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

private:
    static std::atomic<bool> s_attached;
};

} // namespace rk::target

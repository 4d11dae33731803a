// What the process tells a calling program through its exit code. The old
// program always ended with 0, so a caller could not tell a failed transfer
// from a good one; the code now follows the last transfer run.
#pragma once

namespace rk::app {

enum class LastRun { None, Completed, NotConnected, Failed };

inline constexpr int kExitOk = 0;
inline constexpr int kExitStartupFailed = 1;
inline constexpr int kExitTransferFailed = 2;

// 0 when the last run completed, or when no run was started by hand; 2 when
// the last run failed or found no target, or when an unattended run ended
// without any run (the source was unreachable, say).
constexpr int processExitCode(LastRun last, bool unattended)
{
    switch (last) {
    case LastRun::Completed: return kExitOk;
    case LastRun::None: return unattended ? kExitTransferFailed : kExitOk;
    case LastRun::NotConnected:
    case LastRun::Failed: return kExitTransferFailed;
    }
    return kExitTransferFailed;
}

} // namespace rk::app

// The transfer run: purge the staging tables, copy every slot of the import
// plan row by row, mark the current user, write the job record. It is the
// body of the window's start handler and runs on the GUI thread from start to
// end: it binds and executes every row there and hands the window its
// messages after every row (the window's port decides how often it really
// processes them). Only the reading and mapping of a slot's rows runs ahead
// on a second thread (MappedRows), which touches neither the target nor the
// window.
#pragma once

#include <functional>
#include <string>

#include "transfer/TransferPorts.h"

namespace rk::transfer {

struct TransferContext {
    TargetStatement& targetStatement;
    TargetTransaction& targetTransaction;
    SourceQuery& sourceQuery;
    TransferWindow& window;
    Clock& clock;
    // Opens the target database (and writes its own log lines and boxes).
    std::function<void()> connectTarget;
    std::function<bool()> targetConnected;
    std::string jobId;
};

// How a run ended, for the process exit code of a calling program.
enum class RunOutcome { Completed, NotConnected };

// Errors other than those of the current-user step reach the caller after
// the closing actions (buttons enabled, open transaction committed).
RunOutcome runTransfer(TransferContext& ctx);

// Commit the target transaction if, and only if, it is active.
void commitIfActive(TargetTransaction& transaction);

// The close handler's target steps: commit an active transaction, then
// close the target connection. A failing commit or close raises and the
// later step does not run; the caller then abandons the close.
void closeTarget(TargetTransaction& transaction, const std::function<void()>& closeConnection);

} // namespace rk::transfer

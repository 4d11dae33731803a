// The transfer run: purge the staging tables, copy every slot of the import
// plan row by row, mark the current user, write the job record. It is the
// body of the window's start handler and runs on the GUI thread from start to end,
// pumping the window's messages after every row.
#pragma once

#include <functional>
#include <string>

#include "transfer/TransferPorts.h"

namespace rk::transfer {

struct TransferContext {
    TargetQuery& IBQ1;
    TargetTransaction& IBTransaction1;
    SourceQuery& PDXQ1;
    TransferWindow& window;
    Clock& clock;
    // Opens the target database (and writes its own log lines and boxes).
    std::function<void()> ConnectTargetDatabase;
    std::function<bool()> TargetConnected;
    std::string JobId;
};

// How a run ended, for the process exit code of a calling program.
enum class RunOutcome { Completed, NotConnected };

// Errors other than those of the current-user step reach the caller after
// the closing actions (buttons enabled, open transaction committed).
RunOutcome RunTransfer(TransferContext& ctx);

// Commit IBTransaction1 if, and only if, a transaction is active.
void CommitIfActive(TargetTransaction& transaction);

// The close handler's target steps: close IBQ1, commit an active
// transaction, close IBDatabase1. A failing commit or close raises and the
// later steps do not run; the caller then abandons the close.
void FormCloseTarget(TargetQuery& IBQ1, TargetTransaction& IBTransaction1, const std::function<void()>& closeDatabase);

} // namespace rk::transfer

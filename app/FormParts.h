// The objects Form1 owns besides its controls: the target connection, its
// transaction and statement, the source connection, query and table. The
// real set (RealFormParts.h) wraps the database layers; tests give Form1
// recorders instead, so the window can be exercised without any database.
#pragma once

#include <string>
#include <vector>

#include "transfer/TransferPorts.h"

namespace rk::app {

class FormParts {
public:
    virtual ~FormParts() = default;

    // Target side: IBQ1, IBTransaction1 and IBDatabase1.
    virtual transfer::TargetQuery& IBQ1() = 0;
    virtual transfer::TargetTransaction& IBTransaction1() = 0;
    // Opens the target database at the start of a run; talks to the user
    // through the window it was made for (log, dialog, boxes, close).
    virtual void ConnectTargetDatabase() = 0;
    virtual bool TargetConnected() = 0;
    // IBDatabase1.Close: commits a still active transaction in forced mode,
    // then detaches; may throw when the detach fails.
    virtual void CloseTargetDatabase() = 0;

    // Source side: Database1, PDXQ1 and Table1.
    virtual transfer::SourceQuery& PDXQ1() = 0;
    // Database1.Connected := true, the access check of FormShow.
    virtual void OpenDatabase1() = 0;
    virtual bool Database1Connected() = 0;
    // Opens Table1 ("BILDER.DB"; it stays open) and gives the names of its
    // column descriptions, as many as the table has fields.
    virtual std::vector<std::string> Table1FieldNames() = 0;

    virtual transfer::Clock& Clock() = 0;
};

} // namespace rk::app

// The narrow operations through which the transfer run reaches the target
// database, the source database, the window and the clock. The real
// implementations wrap the database layers (DatabasePorts.h) and the main
// window; tests implement them with recorders.
#pragma once

#include <cstdint>
#include <string>

#include "db/common/FieldValue.h"
#include "db/common/ParamValue.h"

namespace rk::transfer {

// The target statement IBQ1.
class TargetQuery {
public:
    virtual ~TargetQuery() = default;
    virtual void Close() = 0;
    virtual void ClearSql() = 0;
    virtual void AddSql(const std::string& line) = 0;
    virtual uint16_t ParamCount() const = 0;
    // Entry p of the parameter list, counted from 0, in the order of the text.
    virtual db::Param& Param(int p) = 0;
    virtual db::Param& ParamByName(const std::string& name) = 0;
    virtual void ExecSQL() = 0;
};

// The target transaction IBTransaction1.
class TargetTransaction {
public:
    virtual ~TargetTransaction() = default;
    virtual bool InTransaction() const = 0;
    virtual void Commit() = 0;
};

// The source query PDXQ1.
class SourceQuery {
public:
    virtual ~SourceQuery() = default;
    virtual void Close() = 0;
    // Closes any open result, even for an unchanged text.
    virtual void SetSql(const std::string& text) = 0;
    // The stored lines, each followed by CR LF; empty for an empty text.
    virtual std::string Sql() const = 0;
    virtual void Open() = 0;
    // -1 when the engine refuses to count.
    virtual int RecordCount() = 0;
    virtual bool Eof() = 0;
    virtual void Next() = 0;
    // First field whose name equals `name` without regard to case; the
    // reference stays valid, and follows the current row, while the result
    // is open. None: EDatabaseError "PDXQ1: Das Feld '%s' wurde nicht gefunden".
    virtual const db::Field& FieldByName(const std::string& name) = 0;
};

enum class ProgressBarId { Rows, Tables };

// What the run needs of the main window.
class TransferWindow {
public:
    virtual ~TransferWindow() = default;
    virtual void LogAppend(const std::string& line) = 0;
    virtual void FocusLog() = 0;
    virtual void SetButton1Enabled(bool enabled) = 0;
    virtual void SetButton2Enabled(bool enabled) = 0;
    virtual int ProgressMax(ProgressBarId bar) const = 0;
    // Below 0: EInvalidOperation "Eigenschaft TProgressBar außerhalb des
    // gültigen Bereichs" (see app/ProgressRange.h).
    virtual void SetProgressMax(ProgressBarId bar, int max) = 0;
    virtual int ProgressPosition(ProgressBarId bar) const = 0;
    virtual void SetProgressPosition(ProgressBarId bar, int position) = 0;
    virtual void Repaint() = 0;
    virtual void ProcessMessages() = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    // Local date and time, days since 1899-12-30 with the time as fraction.
    virtual double Now() = 0;
};

} // namespace rk::transfer

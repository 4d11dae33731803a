// The narrow operations through which the transfer run reaches the target
// database, the source database, the window and the clock. The real
// implementations wrap the database layers (DatabasePorts.h) and the main
// window; tests implement them with recorders.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "db/common/FieldValue.h"
#include "db/common/ParamValue.h"
#include "locale/LocaleFormats.h"

namespace rk::transfer {

// The target statement (its trace records and errors read "IBQ1: ...").
class TargetStatement {
public:
    virtual ~TargetStatement() = default;
    virtual void clearSql() = 0;
    virtual void addSql(const std::string& line) = 0;
    virtual uint16_t paramCount() const = 0;
    // Entry p of the parameter list, counted from 0, in the order of the text.
    virtual db::Param& param(int p) = 0;
    virtual db::Param& paramByName(const std::string& name) = 0;
    virtual void execute() = 0;
    // Executes with `values` for the entries of the parameter list, one per
    // entry, read where they lie during the call; date and time texts are
    // read back in `formats`, those they were written in. The real statement
    // binds them as they are; this default assigns them to the entries first.
    virtual void executeRow(std::span<const db::ParamView> values, const locale::LocaleFormats& formats)
    {
        (void)formats;
        for (size_t p = 0; p < values.size(); ++p) param(static_cast<int>(p)).value.assign(values[p]);
        execute();
    }
};

// The target transaction.
class TargetTransaction {
public:
    virtual ~TargetTransaction() = default;
    virtual bool inTransaction() const = 0;
    virtual void commit() = 0;
};

// The source query (its errors read "PDXQ1: ...").
class SourceQuery {
public:
    virtual ~SourceQuery() = default;
    virtual void close() = 0;
    // Closes any open result, even for an unchanged text.
    virtual void setSql(const std::string& text) = 0;
    // The stored lines, each followed by CR LF; empty for an empty text.
    virtual std::string sql() const = 0;
    virtual void open() = 0;
    // -1 when the engine refuses to count.
    virtual int recordCount() = 0;
    virtual bool eof() = 0;
    virtual void next() = 0;
    // First field whose name equals `name` without regard to case; the
    // reference stays valid, and follows the current row, while the result
    // is open. None: EDatabaseError "PDXQ1: Das Feld '%s' wurde nicht gefunden".
    virtual const db::Field& fieldByName(const std::string& name) = 0;
    // The record number in the file (0-based) of the row last read, or of
    // the row whose reading failed; -1 where the source cannot tell.
    virtual int64_t recordIndex() const { return -1; }
    // The field whose reading failed last; empty when none did.
    virtual std::string failedField() const { return {}; }
};

enum class ProgressBarId { Rows, Tables };

// What the run needs of the main window.
class TransferWindow {
public:
    virtual ~TransferWindow() = default;
    virtual void appendLog(const std::string& line) = 0;
    virtual void focusLog() = 0;
    virtual void setStartEnabled(bool enabled) = 0;
    virtual void setQuitEnabled(bool enabled) = 0;
    virtual int progressMax(ProgressBarId bar) const = 0;
    // Below 0: EInvalidOperation "Eigenschaft TProgressBar außerhalb des
    // gültigen Bereichs" (see app/ProgressRange.h).
    virtual void setProgressMax(ProgressBarId bar, int max) = 0;
    virtual int progressPosition(ProgressBarId bar) const = 0;
    virtual void setProgressPosition(ProgressBarId bar, int position) = 0;
    virtual void repaintWindow() = 0;
    virtual void processEvents() = 0;
    // Where the run may stop without processing events (between purge
    // statements): throws rk::EAbort when the run is to stop.
    virtual void stopIfRequested() {}
};

class Clock {
public:
    virtual ~Clock() = default;
    // Local date and time, days since 1899-12-30 with the time as fraction.
    virtual double now() = 0;
};

} // namespace rk::transfer

// The transfer run. The order of every step matters to the staging side and
// to a user watching the log: purges are committed one by one, each slot is
// committed as a whole, and an error leaves the committed slots in place.
#include "transfer/TransferRun.h"

#include <vector>

#include "db/common/Ansi.h"
#include "db/common/Exception.h"
#include "locale/LocaleFormats.h"
#include "transfer/ImportPlan.h"
#include "transfer/MappedRows.h"
#include "transfer/RowPlace.h"
#include "transfer/ValueMapping.h"

namespace rk::transfer {

namespace {

std::string timeStamp(Clock& clock) { return locale::formatDateTimeText("hh:nn:ss", clock.now()); }

// How far a run got, for the line a stopped run writes.
struct RunProgress {
    bool purging = true;
    int purged = 0;
    int purgeTotal = 0;
    int slotsDone = 0;
    std::string caption; // the slot being copied
    int rows = 0;        // its rows executed
};

void purgeStagingTables(TransferContext& ctx, const ImportPlan& plan, RunProgress& progress)
{
    for (const ImportSlot& slot : plan) progress.purgeTotal += slot.targetTable.empty() ? 0 : 1;
    for (const ImportSlot& slot : plan) {
        // An end signal stops the purge between its statements, each of
        // which can take seconds on a full table.
        ctx.window.stopIfRequested();
        commitIfActive(ctx.targetTransaction);
        ctx.targetStatement.clearSql();
        if (!slot.targetTable.empty()) {
            ctx.targetStatement.addSql(purgeSql(slot.targetTable));
            ctx.targetStatement.execute();
            ++progress.purged; // committed right below
        }
        commitIfActive(ctx.targetTransaction);
    }
    progress.purging = false;
}

// What a run stopped by an end signal has left: the committed part, after
// the closing commit.
std::string stopLine(const RunProgress& progress)
{
    const std::string head = ansi("Übertragung durch Signal abgebrochen: ");
    const std::string tail = ansi("; die Importtabellen sind unvollständig.");
    if (progress.purging)
        return head + ansiFormat("beim Löschen (%d von %d Importtabellen geleert), nichts übertragen", progress.purged,
                                 progress.purgeTotal) + tail;
    std::string text = head + ansiFormat("%d Tabellen vollständig übertragen", progress.slotsDone);
    if (!progress.caption.empty()) text += ansiFormat(", von %s %d Zeilen", progress.caption, progress.rows);
    return text + tail;
}

void copySlot(TransferContext& ctx, const ImportSlot& slot, int slotNumber, RunProgress& progress)
{
    ctx.window.stopIfRequested();
    progress.caption = slot.caption;
    progress.rows = 0;
    TransferWindow& window = ctx.window;
    window.setProgressPosition(ProgressBarId::Tables, slotNumber);
    ctx.targetStatement.clearSql();
    ctx.targetStatement.addSql(slot.insertSql);
    ctx.sourceQuery.setSql(slot.sourceSql);

    if (!ctx.sourceQuery.sql().empty()) {
        try {
            ctx.sourceQuery.open();
        } catch (rk::Exception& error) {
            // Opening reads the first row: a damaged one says where.
            const int64_t record = ctx.sourceQuery.recordIndex();
            const std::string field = ctx.sourceQuery.failedField();
            if (record >= 0 || !field.empty())
                error.setPlace(placeLine({sourceTableOf(slot.sourceSql), record, 1, {}, field}));
            throw;
        }
        const int rows = ctx.sourceQuery.recordCount();
        window.appendLog(ansi("Übertrage ") + slot.caption + "... " + std::to_string(rows));
        window.setProgressMax(ProgressBarId::Rows, rows);
        window.setProgressPosition(ProgressBarId::Rows, 0);

        // The rows are read and mapped ahead, on a thread of their own, while
        // this one executes them: each row in order, with its progress step
        // and event processing after its execution, and an error of reading
        // or mapping raised where the row would have come. Each row is bound
        // in the regional formats it was mapped in.
        std::vector<std::string> names;
        for (int p = 0; p < ctx.targetStatement.paramCount(); ++p) names.push_back(ctx.targetStatement.param(p).name);
        const std::string table = sourceTableOf(slot.sourceSql);
        const std::vector<std::string> keys = keyFieldsOf(slot);
        MappedRows mapped(ctx.sourceQuery, names, table, keys);
        for (int64_t position = 1; const auto values = mapped.next(); ++position) {
            try {
                ctx.targetStatement.executeRow(*values, mapped.formats());
            } catch (rk::Exception& error) {
                error.setPlace(placeLine(
                    {table, mapped.recordIndex(), position, keyValuesOf(*values, names, keys), error.field()}));
                throw;
            }
            ++progress.rows;
            window.setProgressPosition(ProgressBarId::Rows, window.progressPosition(ProgressBarId::Rows) + 1);
            window.processEvents();
        }
    }

    window.setProgressPosition(ProgressBarId::Tables, window.progressMax(ProgressBarId::Tables));
    commitIfActive(ctx.targetTransaction);
    window.setProgressPosition(ProgressBarId::Tables, 0);
    window.setProgressPosition(ProgressBarId::Rows, 0);
    ++progress.slotsDone;
    progress.caption.clear();
}

// Every error of this step is dropped on purpose: an old data set without a
// current user must still get its job record.
void markCurrentUser(TransferContext& ctx)
{
    try {
        ctx.sourceQuery.close();
        ctx.sourceQuery.setSql(kCurrentUserQuery);
        ctx.sourceQuery.open();
        const int32_t userId = integerReading(ctx.sourceQuery.fieldByName(kCurrentUserField));
        ctx.sourceQuery.close();

        ctx.targetStatement.clearSql();
        ctx.targetStatement.addSql(currentUserMarkSql(userId));
        ctx.targetStatement.execute();
        ctx.targetStatement.clearSql();
    } catch (...) {
    }
}

void writeJobRecord(TransferContext& ctx)
{
    ctx.targetStatement.clearSql();
    ctx.targetStatement.addSql(kJobRecordInsert);
    // No blank-to-NULL rule here: an empty job id is bound as an empty text.
    ctx.targetStatement.paramByName("JOB_ID").value.assignText(ctx.jobId);
    ctx.targetStatement.execute();
    ctx.targetStatement.clearSql();
}

void closingActions(TransferContext& ctx)
{
    ctx.window.setQuitEnabled(true);
    ctx.window.setStartEnabled(true);
    commitIfActive(ctx.targetTransaction);
}

} // namespace

void commitIfActive(TargetTransaction& transaction)
{
    if (transaction.inTransaction()) transaction.commit();
}

void closeTarget(TargetTransaction& transaction, const std::function<void()>& closeConnection)
{
    // The commit happens here, in the close handler, never in a destructor.
    commitIfActive(transaction);
    closeConnection();
}

RunOutcome runTransfer(TransferContext& ctx)
{
    ctx.connectTarget();
    if (!ctx.targetConnected()) return RunOutcome::NotConnected;

    ctx.window.setQuitEnabled(false);
    ctx.window.setStartEnabled(false);
    ctx.window.focusLog();

    RunProgress progress;
    try {
        const ImportPlan plan = buildImportPlan();
        ctx.window.appendLog(timeStamp(ctx.clock) + " Prozess gestartet ...");
        ctx.window.appendLog(ansi("Alte Übertragungsdateien löschen ..."));

        purgeStagingTables(ctx, plan, progress);

        ctx.window.setProgressMax(ProgressBarId::Tables, kSlotCount);
        ctx.window.setProgressPosition(ProgressBarId::Tables, 0);
        ctx.window.repaintWindow();
        ctx.window.processEvents();

        for (int i = 0; i < kSlotCount; ++i)
            if (!plan[i].caption.empty()) copySlot(ctx, plan[i], i + 1, progress);

        markCurrentUser(ctx);

        ctx.window.appendLog(timeStamp(ctx.clock) + " ... Prozess abgeschlossen!");
        ctx.window.appendLog("");
        ctx.window.appendLog("Das Programm kann jetzt beendet werden.");

        writeJobRecord(ctx);
    } catch (const EAbort&) {
        closingActions(ctx);
        ctx.window.appendLog(stopLine(progress));
        throw;
    } catch (...) {
        closingActions(ctx);
        throw;
    }
    closingActions(ctx);
    return RunOutcome::Completed;
}

} // namespace rk::transfer

// The transfer run. The order of every step matters to the staging side and
// to a user watching the log: purges are committed one by one, each slot is
// committed as a whole, and an error leaves the committed slots in place.
#include "transfer/TransferRun.h"

#include <vector>

#include "db/common/Ansi.h"
#include "locale/LocaleFormats.h"
#include "transfer/ImportPlan.h"
#include "transfer/ValueMapping.h"

namespace rk::transfer {

namespace {

std::string timeStamp(Clock& clock) { return locale::FormatDateTimeText("hh:nn:ss", clock.Now()); }

void purgeStagingTables(TransferContext& ctx, const ImportPlan& plan)
{
    for (const ImportSlot& slot : plan) {
        CommitIfActive(ctx.IBTransaction1);
        ctx.IBQ1.Close();
        ctx.IBQ1.ClearSql();
        if (!slot.TargetTable.empty()) {
            ctx.IBQ1.AddSql(PurgeSql(slot.TargetTable));
            ctx.IBQ1.ExecSQL();
        }
        CommitIfActive(ctx.IBTransaction1);
    }
}

void copySlot(TransferContext& ctx, const ImportSlot& slot, int slotNumber)
{
    TransferWindow& window = ctx.window;
    window.SetProgressPosition(ProgressBarId::Tables, slotNumber);
    ctx.IBQ1.Close();
    ctx.IBQ1.ClearSql();
    ctx.IBQ1.AddSql(slot.InsertSql);
    ctx.PDXQ1.SetSql(slot.SourceSql);

    if (!ctx.PDXQ1.Sql().empty()) {
        ctx.PDXQ1.Open();
        const int rows = ctx.PDXQ1.RecordCount();
        window.LogAppend(ansi("Übertrage ") + slot.Caption + "... " + std::to_string(rows));
        window.SetProgressMax(ProgressBarId::Rows, rows);
        window.SetProgressPosition(ProgressBarId::Rows, 0);

        // Each parameter meets the same field in every row of the slot, so
        // the lookup by name is made in the first row only; the field then
        // follows the cursor. A missing field still fails in that row.
        const int paramCount = ctx.IBQ1.ParamCount();
        std::vector<const db::Field*> fields(static_cast<size_t>(paramCount), nullptr);
        while (!ctx.PDXQ1.Eof()) {
            for (int p = 0; p < paramCount; ++p) {
                db::Param& param = ctx.IBQ1.Param(p);
                const db::Field*& field = fields[static_cast<size_t>(p)];
                if (!field) field = &ctx.PDXQ1.FieldByName(param.name);
                AssignParamFromField(param, *field);
            }
            ctx.IBQ1.ExecSQL();
            window.SetProgressPosition(ProgressBarId::Rows,
                                       window.ProgressPosition(ProgressBarId::Rows) + 1);
            window.ProcessMessages();
            ctx.PDXQ1.Next();
        }
    }

    window.SetProgressPosition(ProgressBarId::Tables, window.ProgressMax(ProgressBarId::Tables));
    CommitIfActive(ctx.IBTransaction1);
    window.SetProgressPosition(ProgressBarId::Tables, 0);
    window.SetProgressPosition(ProgressBarId::Rows, 0);
}

// Every error of this step is dropped on purpose: an old data set without a
// current user must still get its job record.
void markCurrentUser(TransferContext& ctx)
{
    try {
        ctx.PDXQ1.Close();
        ctx.PDXQ1.SetSql(kCurrentUserQuery);
        ctx.PDXQ1.Open();
        const int32_t userId = IntegerReading(ctx.PDXQ1.FieldByName(kCurrentUserField));
        ctx.PDXQ1.Close();

        ctx.IBQ1.Close();
        ctx.IBQ1.ClearSql();
        ctx.IBQ1.AddSql(CurrentUserMarkSql(userId));
        ctx.IBQ1.ExecSQL();
        ctx.IBQ1.Close();
        ctx.IBQ1.ClearSql();
    } catch (...) {
    }
}

void writeJobRecord(TransferContext& ctx)
{
    ctx.IBQ1.Close();
    ctx.IBQ1.ClearSql();
    ctx.IBQ1.AddSql(kJobRecordInsert);
    // No blank-to-NULL rule here: an empty job id is bound as an empty text.
    ctx.IBQ1.ParamByName("JOB_ID").value.assignText(ctx.JobId);
    ctx.IBQ1.ExecSQL();
    ctx.IBQ1.Close();
    ctx.IBQ1.ClearSql();
}

void closingActions(TransferContext& ctx)
{
    ctx.window.SetButton2Enabled(true);
    ctx.window.SetButton1Enabled(true);
    ctx.IBQ1.Close();
    CommitIfActive(ctx.IBTransaction1);
}

} // namespace

void CommitIfActive(TargetTransaction& transaction)
{
    if (transaction.InTransaction()) transaction.Commit();
}

void FormCloseTarget(TargetQuery& IBQ1, TargetTransaction& IBTransaction1, const std::function<void()>& closeDatabase)
{
    IBQ1.Close();
    // The commit happens here, in the close handler, never in a destructor.
    CommitIfActive(IBTransaction1);
    closeDatabase();
}

RunOutcome RunTransfer(TransferContext& ctx)
{
    ctx.ConnectTargetDatabase();
    if (!ctx.TargetConnected()) return RunOutcome::NotConnected;

    ctx.window.SetButton2Enabled(false);
    ctx.window.SetButton1Enabled(false);
    ctx.window.FocusLog();

    try {
        const ImportPlan plan = BuildImportPlan();
        ctx.window.LogAppend(timeStamp(ctx.clock) + " Prozess gestartet ...");
        ctx.window.LogAppend(ansi("Alte Übertragungsdateien löschen ..."));

        purgeStagingTables(ctx, plan);

        ctx.window.SetProgressMax(ProgressBarId::Tables, kSlotCount);
        ctx.window.SetProgressPosition(ProgressBarId::Tables, 0);
        ctx.window.Repaint();
        ctx.window.ProcessMessages();

        for (int i = 0; i < kSlotCount; ++i)
            if (!plan[i].Caption.empty()) copySlot(ctx, plan[i], i + 1);

        markCurrentUser(ctx);

        ctx.window.LogAppend(timeStamp(ctx.clock) + " ... Prozess abgeschlossen!");
        ctx.window.LogAppend("");
        ctx.window.LogAppend("Das Programm kann jetzt beendet werden.");

        writeJobRecord(ctx);
    } catch (...) {
        closingActions(ctx);
        throw;
    }
    closingActions(ctx);
    return RunOutcome::Completed;
}

} // namespace rk::transfer

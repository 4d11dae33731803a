// The example staging schema against the import plan: every statement the
// transfer sends to the target prepares and runs on it through statement, with
// the parameter lists the plan's INSERTs promise.
#include <gtest/gtest.h>

#include "tests/db/firebird/TargetTestSupport.h"
#include "transfer/ImportPlan.h"

namespace rk::target::test {
namespace {

using rk::test::FirebirdTestDatabase;

TEST(StagingSchema, EveryPlanStatementRunsThroughIBQ1)
{
    FirebirdTestDatabase db;
    TargetObjects t(db.path());
    const transfer::ImportPlan plan = transfer::buildImportPlan();
    const int expectedParams[] = {3, 7, 15, 46, 15, 5, 4, 6, 10, 6, 7};
    for (int i = 0; i < 11; ++i) {
        const transfer::ImportSlot& slot = plan[static_cast<size_t>(i)];
        SCOPED_TRACE(slot.targetTable);
        t.setSql(transfer::purgeSql(slot.targetTable));
        t.statement.execute();
        t.commitIfActive();

        t.setSql(slot.insertSql);
        ASSERT_EQ(t.statement.paramCount(), expectedParams[i]);
        for (int p = 0; p < t.statement.paramCount(); ++p) t.statement.param(p).value.clear();
        t.statement.param(0).value.assignInteger(1);  // every first column takes a number
        t.statement.execute();
        t.statement.execute();
        t.commitIfActive();
        EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM " + slot.targetTable), "2");
    }

    t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (42)");
    t.statement.execute();
    t.setSql(transfer::currentUserMarkSql(42));
    t.statement.execute();
    t.setSql(transfer::kJobRecordInsert);
    t.statement.paramByName("JOB_ID").value.assignText("JOB");
    t.statement.execute();
    t.commitIfActive();
    EXPECT_EQ(db.scalar("SELECT CU FROM IMPORT_RK5_NUTZER WHERE USERNR=42"), "T");
    EXPECT_EQ(db.scalar("SELECT JOB_ID FROM IMPORT_RK5_INFO WHERE STATUS='T' AND INFO IS NULL"), "JOB");
}

} // namespace
} // namespace rk::target::test

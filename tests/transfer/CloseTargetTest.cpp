// closeTarget, the close handler's target steps, over the real
// transaction and connection of a real target database, as the window wires them.
#include <gtest/gtest.h>

#include "tests/db/firebird/TargetTestSupport.h"
#include "transfer/DatabasePorts.h"
#include "transfer/TransferRun.h"

namespace rk::target::test {
namespace {

using rk::test::FirebirdTestDatabase;

void closeLikeTheWindow(TargetObjects& t)
{
    transfer::TargetTransactionAdapter<Transaction> transaction(t.transaction);
    transfer::closeTarget(transaction, [&] { t.attachment.close(); });
}

TEST(CloseTarget, CommitsAndDetaches)
{
    FirebirdTestDatabase db;
    TargetObjects t(db.path());
    t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (4)");
    t.statement.execute();
    closeLikeTheWindow(t);
    EXPECT_FALSE(t.transaction.inTransaction());
    EXPECT_FALSE(t.attachment.connected());
    EXPECT_EQ(db.scalar("SELECT USERNR FROM IMPORT_RK5_NUTZER"), "4");
    // Closing again, with nothing open, is harmless.
    closeLikeTheWindow(t);
}

// A commit-time trigger refuses every commit while BLOCK holds a row.
void refuseCommitsWhileBlocked(const FirebirdTestDatabase& db)
{
    db.execute("CREATE TABLE BLOCK (B INTEGER)");
    db.execute("CREATE EXCEPTION E_NO_COMMIT 'kein Commit'");
    db.execute("CREATE TRIGGER T_NO_COMMIT ON TRANSACTION COMMIT AS BEGIN "
               "IF (EXISTS(SELECT 1 FROM BLOCK)) THEN EXCEPTION E_NO_COMMIT; END");
}

TEST(CloseTarget, FailedCommitStaysActiveAndAbandonsTheClose)
{
    FirebirdTestDatabase db;
    refuseCommitsWhileBlocked(db);
    TargetObjects t(db.path());
    t.setSql("INSERT INTO BLOCK (B) VALUES (1)");
    t.statement.execute();
    const std::string refused = messageOf<EIBInterBaseError>([&] { t.transaction.commit(); });
    EXPECT_EQ(refused, "exception 1\r\nE_NO_COMMIT\r\nkein Commit\r\nAt trigger 'T_NO_COMMIT' line: 1, col: 97");
    EXPECT_TRUE(t.transaction.inTransaction());
    EXPECT_FALSE(t.statement.prepared());

    EXPECT_EQ(messageOf<EIBInterBaseError>([&] { closeLikeTheWindow(t); }),
              refused);
    EXPECT_TRUE(t.attachment.connected());
    EXPECT_TRUE(t.transaction.inTransaction());

    // Closing the connection forces the end: the commit fails, so the
    // transaction is rolled back, silently.
    t.attachment.close();
    EXPECT_FALSE(t.transaction.inTransaction());
    EXPECT_FALSE(t.attachment.connected());
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM BLOCK"), "0");
}

} // namespace
} // namespace rk::target::test

// attachment and transaction on real database files: attach errors,
// the dialect, path assignment, open and close, the transaction's rules,
// and files that another process holds or that are read-only.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <tuple>
#include <type_traits>

#include "db/common/ObjectNames.h"
#include "tests/db/firebird/TargetTestSupport.h"
#include "tests/support/ChildProcess.h"

namespace rk::target::test {
namespace {

using rk::test::ChildProcess;
using rk::test::FirebirdTestDatabase;
using Rows = std::vector<FirebirdTestDatabase::Row>;

// The three owners stay where they are made: they point at each other.
template <class T>
constexpr bool kFixedInPlace = !std::is_move_constructible_v<T> && !std::is_move_assignable_v<T>;
static_assert(kFixedInPlace<Attachment> && kFixedInPlace<Transaction> && kFixedInPlace<Statement>);

TEST(AttachmentAttach, MissingFileOrNoDatabaseGivesTheServersMessage)
{
    FirebirdTestDatabase folder("");
    const std::string missing = (folder.folder() / "none.fdb").string(), text = (folder.folder() / "text.fdb").string();
    std::ofstream(text) << std::string(20000, 'x');
    const std::tuple<std::string, std::string, long> cases[] = {
        {missing,
         "I/O error during \"open\" operation for file \"" + missing +
             "\"\r\nError while trying to open file\r\nNo such file or directory",
         -902},
        {text, "file " + text + " is not a valid database", -922}};
    for (const auto& [path, message, sqlCode] : cases) {
        Attachment database(names::kTargetConnection);
        database.setDatabaseName(path);
        const auto e = rk::test::caught<EIBInterBaseError>([&] { database.open(); });
        ASSERT_TRUE(e) << path;
        EXPECT_EQ(e->message(), message);
        EXPECT_EQ(e->sqlCode(), sqlCode) << path;
        EXPECT_FALSE(database.connected());
    }
}

TEST(AttachmentAttach, StatementsRunInTheDatabasesDialect)
{
    // A dialect 1 database opens silently; its NUMERIC(15,2) is a double.
    for (const auto& [dialect, stored] : {std::pair{1, "12.5"}, std::pair{3, "12.50"}}) {
        FirebirdTestDatabase db("", dialect);
        db.execute("CREATE TABLE T (D DATE, N NUMERIC(15,2))");
        TargetObjects t(db.path());
        t.attachment.open();
        EXPECT_EQ(t.attachment.sqlDialect(), 3);
        EXPECT_EQ(t.attachment.databaseSqlDialect(), dialect);
        EXPECT_EQ(t.attachment.effectiveDialect(), dialect);
        EXPECT_EQ(t.attachment.databaseParameterBlock().size(), 31u);
        t.setSql("INSERT INTO T (N) VALUES (:N)");
        t.statement.param(0).value.assignText("12.5");
        t.statement.execute();
        t.commitIfActive();
        t.attachment.close();
        EXPECT_EQ(t.attachment.databaseSqlDialect(), 1);
        EXPECT_EQ(db.query("SELECT N FROM T"), (Rows{{stored}})) << dialect;
    }
}

TEST(AttachmentPath, AssignmentRules)
{
    FirebirdTestDatabase db("");
    Attachment database(names::kTargetConnection);
    EXPECT_EQ(messageOf<EIBClientError>([&] { database.open(); }), "Der Name der Datenbank fehlt.");
    database.setDatabaseName(db.path());
    database.setConnected(true);
    database.setConnected(true);  // a second open does nothing
    database.setDatabaseName(db.path());  // same text: nothing
    EXPECT_EQ(messageOf<EIBClientError>([&] { database.setDatabaseName(db.path() + "x"); }),
              ansi("Operation kann nicht durchgeführt werden -- DB ist im Moment geöffnet."));
    EXPECT_EQ(database.databaseName(), db.path());
    EXPECT_TRUE(database.connected());
    database.setConnected(false);
    database.close();  // closing a closed connection does nothing
    database.setDatabaseName("/elsewhere.fdb");
    EXPECT_EQ(database.databaseName(), "/elsewhere.fdb");
}

TEST(AttachmentParams, BadNameFailsWhenOpening)
{
    FirebirdTestDatabase db("");
    Attachment database(names::kTargetConnection);
    database.setDatabaseName(db.path());
    database.setParams({"lc_ctype=ISO8859_1", "colour=blue"});
    EXPECT_EQ(messageOf<EIBClientError>([&] { database.open(); }), "DPB-Konstante (colour) ist unbekannt.");
    EXPECT_FALSE(database.connected());
    database.setParams(defaultTargetParams());
    database.open();
    EXPECT_TRUE(database.connected());
}

TEST(AttachmentErrors, MissingPrivilegeIsTheRoleErrorKind)
{
    // Embedded mode trusts the user name: another user than the tables'
    // owner lacks the privilege, SQLCODE -551.
    FirebirdTestDatabase db;
    TargetObjects t(db.path());
    t.attachment.setParams({"lc_ctype=ISO8859_1", "user_name=guest", "password=x"});
    t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (1)");
    const auto e = rk::test::caught<EIBInterBaseRoleError>([&] { t.statement.execute(); });
    ASSERT_TRUE(e) << "guest could insert";
    EXPECT_EQ(e->sqlCode(), -551);
    EXPECT_STREQ(e->kindName(), "EIBInterBaseRoleError");
    EXPECT_EQ(e->message(), "no permission for INSERT access to TABLE IMPORT_RK5_NUTZER");
}

TEST(TransactionRules, ClientErrors)
{
    FirebirdTestDatabase db("");
    Attachment database(names::kTargetConnection);
    Transaction orphan(nullptr, names::kTargetTransaction);
    EXPECT_EQ(messageOf<EIBClientError>([&] { orphan.start(); }),
              ansi("In der Transaktionskomponente sind keine Datenbanken aufgeführt."));
    Transaction transaction(&database, names::kTargetTransaction);
    EXPECT_EQ(messageOf<EIBClientError>([&] { transaction.start(); }),
              ansi("Operation kann nicht durchgeführt werden -- DB ist nicht offen."));
    EXPECT_EQ(messageOf<EIBClientError>([&] { transaction.commit(); }), "Transaktion ist nicht aktiv.");
    database.setDatabaseName(db.path());
    database.open();
    transaction.start();
    EXPECT_TRUE(transaction.inTransaction());
    EXPECT_EQ(messageOf<EIBClientError>([&] { transaction.start(); }), "Transaktion ist aktiv.");
    transaction.commit();
    EXPECT_FALSE(transaction.inTransaction());
}

TEST(AttachmentClose, CommitsAnActiveTransactionAndExecutionReopens)
{
    FirebirdTestDatabase db;
    TargetObjects t(db.path());
    t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (:U)");
    t.statement.param(0).value.assignInteger(1);
    t.statement.execute();  // opens the connection and starts the transaction
    ASSERT_TRUE(t.attachment.connected());
    ASSERT_TRUE(t.transaction.inTransaction());
    t.attachment.close();
    EXPECT_FALSE(t.transaction.inTransaction());
    EXPECT_FALSE(t.statement.prepared());
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_NUTZER"), "1");

    // The next execution opens again with the same settings.
    t.statement.param(0).value.assignInteger(2);
    t.statement.execute();
    EXPECT_TRUE(t.attachment.connected());
    EXPECT_EQ(t.statement.prepareCount(), 2u);
    t.commitIfActive();
    EXPECT_EQ(db.scalar("SELECT SUM(USERNR) FROM IMPORT_RK5_NUTZER"), "3");
}

TEST(AttachmentClose, DestructionRollsBackUnlessTheOwnerClosesFirst)
{
    FirebirdTestDatabase db;
    {
        TargetObjects t(db.path());
        t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (5)");
        t.statement.execute();
    }
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_NUTZER"), "0");
    {
        TargetObjects t(db.path());
        t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (6)");
        t.statement.execute();
        t.attachment.closeIgnoringErrors();
        EXPECT_FALSE(t.attachment.connected());
    }
    EXPECT_EQ(db.scalar("SELECT USERNR FROM IMPORT_RK5_NUTZER"), "6");
}

TEST(AttachmentClose, ConnectionThatGoesFirstIsForgotten)
{
    // Its end rolls back; what is left behind refuses to run, ends alone.
    FirebirdTestDatabase db;
    auto database = std::make_unique<Attachment>(names::kTargetConnection);
    Transaction transaction(database.get(), names::kTargetTransaction);
    Statement statement(database.get(), &transaction, names::kTargetStatement);
    database->setDatabaseName(db.path());
    statement.addSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (1)");
    statement.execute();
    database.reset();
    EXPECT_FALSE(transaction.inTransaction());
    EXPECT_FALSE(statement.prepared());
    EXPECT_EQ(messageOf<EIBClientError>([&] { statement.execute(); }), "Datenbank nicht zugewiesen.");
    EXPECT_EQ(messageOf<EIBClientError>([&] { transaction.start(); }),
              ansi("In der Transaktionskomponente sind keine Datenbanken aufgeführt."));
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_NUTZER"), "0");
}

TEST(AttachmentShared, FileHeldByAnotherProcessIsAClearErrorAndLosesNothing)
{
    FirebirdTestDatabase db;
    db.execute("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (1)");
    TargetObjects t(db.path());
    // Another process attaches with isql and stays attached until its input
    // closes; it has answered the query once it is attached.
    ChildProcess other = ChildProcess::start({"/usr/bin/isql-fb", "-q", "-user", "SYSDBA", db.path()}, {});
    other.write("SELECT 'ready' FROM RDB$DATABASE;\n");
    const bool ready = other.readUntil("ready").find("ready") != std::string::npos;
    const std::string message = messageOf<EIBInterBaseError>([&] { t.attachment.open(); });
    other.finish();
    ASSERT_TRUE(ready);
    EXPECT_EQ(message, "I/O error during \"lock\" operation for file \"" + db.path() +
                           "\"\r\nDatabase already opened with engine instance, incompatible with current");
    EXPECT_FALSE(t.attachment.connected());
    t.attachment.open();
    t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (2)");
    t.statement.execute();
    t.commitIfActive();
    t.attachment.close();
    EXPECT_EQ(db.query("SELECT USERNR FROM IMPORT_RK5_NUTZER ORDER BY 1"), (Rows{{"1"}, {"2"}}));
}

TEST(AttachmentShared, ReadOnlyDatabaseRefusesWritesAndKeepsItsRows)
{
    FirebirdTestDatabase db;
    db.execute("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (1)");
    db.setReadOnly();
    TargetObjects t(db.path());
    t.setSql("DELETE FROM IMPORT_RK5_NUTZER");
    EXPECT_EQ(messageOf<EIBInterBaseError>([&] { t.statement.execute(); }), "attempted update on read-only database");
    EXPECT_TRUE(t.transaction.inTransaction());
    t.commitIfActive();
    t.attachment.close();
    EXPECT_EQ(db.query("SELECT USERNR FROM IMPORT_RK5_NUTZER"), (Rows{{"1"}}));
}

} // namespace
} // namespace rk::target::test

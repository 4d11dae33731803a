// IBDatabase1 and IBTransaction1 on real database files: attach errors,
// the dialect, path assignment, open and close, the transaction's rules,
// and files that another process holds or that are read-only.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "db/common/ObjectNames.h"
#include "tests/db/firebird/TargetTestSupport.h"

extern char** environ;

namespace rk::target::test {
namespace {

using rk::test::FirebirdTestDatabase;
using Rows = std::vector<FirebirdTestDatabase::Row>;

TEST(IBDatabaseAttach, MissingFileGivesTheServersMessage)
{
    FirebirdTestDatabase folder("");
    const std::string path = (folder.folder() / "none.fdb").string();
    IBDatabase database(names::kTargetConnection);
    database.SetDatabaseName(path);
    try {
        database.Open();
        FAIL() << "attached to a missing file";
    } catch (const EIBInterBaseError& e) {
        EXPECT_EQ(e.message(), "I/O error during \"open\" operation for file \"" + path +
                                   "\"\r\nError while trying to open file\r\nNo such file or directory");
        EXPECT_EQ(e.sqlCode(), -902);
        EXPECT_EQ(e.ibErrorCode(), 335544344);
    }
    EXPECT_FALSE(database.Connected());
}

TEST(IBDatabaseAttach, FileThatIsNoDatabase)
{
    FirebirdTestDatabase folder("");
    const std::string path = (folder.folder() / "text.fdb").string();
    std::ofstream(path) << std::string(20000, 'x');
    IBDatabase database(names::kTargetConnection);
    database.SetDatabaseName(path);
    EXPECT_EQ(messageOf<EIBInterBaseError>([&] { database.Open(); }), "file " + path + " is not a valid database");
    EXPECT_FALSE(database.Connected());
}

TEST(IBDatabaseAttach, DialectOneDatabaseOpensSilentlyInDialectOne)
{
    FirebirdTestDatabase db("", 1);
    db.execute("CREATE TABLE T (D DATE, N NUMERIC(15,2))");
    TargetObjects t(db.path());
    t.IBDatabase1.Open();
    EXPECT_EQ(t.IBDatabase1.SQLDialect(), 3);
    EXPECT_EQ(t.IBDatabase1.DBSQLDialect(), 1);
    EXPECT_EQ(t.IBDatabase1.effectiveDialect(), 1);
    // Dialect 1 keeps NUMERIC(15,2) as a double; the statement works there.
    t.setSql("INSERT INTO T (N) VALUES (:N)");
    t.IBQ1.Param(0).value.assignText("12.5");
    t.IBQ1.ExecSQL();
    t.commitIfActive();
    t.IBDatabase1.Close();
    EXPECT_EQ(t.IBDatabase1.DBSQLDialect(), 1);
    EXPECT_EQ(db.query("SELECT N FROM T"), (Rows{{"12.5"}}));
}

TEST(IBDatabaseAttach, DialectThreeDatabase)
{
    FirebirdTestDatabase db("");
    IBDatabase database(names::kTargetConnection);
    database.SetDatabaseName(db.path());
    database.Open();
    EXPECT_EQ(database.DBSQLDialect(), 3);
    EXPECT_EQ(database.effectiveDialect(), 3);
    EXPECT_EQ(database.databaseParameterBlock().size(), 31u);
}

TEST(IBDatabasePath, AssignmentRules)
{
    FirebirdTestDatabase db("");
    IBDatabase database(names::kTargetConnection);
    EXPECT_EQ(messageOf<EIBClientError>([&] { database.Open(); }), "Der Name der Datenbank fehlt.");
    database.SetDatabaseName(db.path());
    database.SetConnected(true);
    database.SetConnected(true);  // a second open does nothing
    database.SetDatabaseName(db.path());  // same text: nothing
    EXPECT_EQ(messageOf<EIBClientError>([&] { database.SetDatabaseName(db.path() + "x"); }),
              ansi("Operation kann nicht durchgeführt werden -- DB ist im Moment geöffnet."));
    EXPECT_EQ(database.DatabaseName(), db.path());
    EXPECT_TRUE(database.Connected());
    database.SetConnected(false);
    database.Close();  // closing a closed connection does nothing
    database.SetDatabaseName("/elsewhere.fdb");
    EXPECT_EQ(database.DatabaseName(), "/elsewhere.fdb");
}

TEST(IBDatabaseParams, BadNameFailsWhenOpening)
{
    FirebirdTestDatabase db("");
    IBDatabase database(names::kTargetConnection);
    database.SetDatabaseName(db.path());
    database.SetParams({"lc_ctype=ISO8859_1", "colour=blue"});
    EXPECT_EQ(messageOf<EIBClientError>([&] { database.Open(); }), "DPB-Konstante (colour) ist unbekannt.");
    EXPECT_FALSE(database.Connected());
    database.SetParams({"lc_ctype=ISO8859_1", "user_name=sysdba", "password=" + std::string(300, 'p')});
    EXPECT_EQ(messageOf<EIBClientError>([&] { database.Open(); }),
              ansi("DPB-Wert für isc_dpb_password ist 300 Bytes lang; höchstens 255 Bytes sind möglich."));
    database.SetParams(defaultTargetParams());
    database.Open();
    EXPECT_TRUE(database.Connected());
}

TEST(IBDatabaseErrors, MissingPrivilegeIsTheRoleErrorKind)
{
    // Embedded mode trusts the user name: another user than the tables'
    // owner lacks the privilege, SQLCODE -551.
    FirebirdTestDatabase db;
    TargetObjects t(db.path());
    t.IBDatabase1.SetParams({"lc_ctype=ISO8859_1", "user_name=guest", "password=x"});
    t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (1)");
    try {
        t.IBQ1.ExecSQL();
        FAIL() << "guest could insert";
    } catch (const EIBInterBaseRoleError& e) {
        EXPECT_EQ(e.sqlCode(), -551);
        EXPECT_STREQ(e.kindName(), "EIBInterBaseRoleError");
        EXPECT_EQ(e.message(), "no permission for INSERT access to TABLE IMPORT_RK5_NUTZER");
    }
}

TEST(IBTransactionRules, ClientErrors)
{
    FirebirdTestDatabase db("");
    IBDatabase database(names::kTargetConnection);
    IBTransaction orphan(nullptr, names::kTargetTransaction);
    EXPECT_EQ(messageOf<EIBClientError>([&] { orphan.StartTransaction(); }),
              ansi("In der Transaktionskomponente sind keine Datenbanken aufgeführt."));
    IBTransaction transaction(&database, names::kTargetTransaction);
    EXPECT_EQ(messageOf<EIBClientError>([&] { transaction.StartTransaction(); }),
              ansi("Operation kann nicht durchgeführt werden -- DB ist nicht offen."));
    EXPECT_EQ(messageOf<EIBClientError>([&] { transaction.Commit(); }), "Transaktion ist nicht aktiv.");
    database.SetDatabaseName(db.path());
    database.Open();
    transaction.StartTransaction();
    EXPECT_TRUE(transaction.InTransaction());
    EXPECT_EQ(messageOf<EIBClientError>([&] { transaction.StartTransaction(); }), "Transaktion ist aktiv.");
    transaction.Commit();
    EXPECT_FALSE(transaction.InTransaction());
}

TEST(IBDatabaseClose, CommitsAnActiveTransactionAndExecutionReopens)
{
    FirebirdTestDatabase db;
    TargetObjects t(db.path());
    t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (:U)");
    t.IBQ1.Param(0).value.assignInteger(1);
    t.IBQ1.ExecSQL();  // opens the connection and starts the transaction
    ASSERT_TRUE(t.IBDatabase1.Connected());
    ASSERT_TRUE(t.IBTransaction1.InTransaction());
    t.IBDatabase1.Close();
    EXPECT_FALSE(t.IBTransaction1.InTransaction());
    EXPECT_FALSE(t.IBQ1.Prepared());
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_NUTZER"), "1");

    // The next execution opens again with the same settings.
    t.IBQ1.Param(0).value.assignInteger(2);
    t.IBQ1.ExecSQL();
    EXPECT_TRUE(t.IBDatabase1.Connected());
    EXPECT_EQ(t.IBQ1.prepareCount(), 2u);
    t.commitIfActive();
    EXPECT_EQ(db.scalar("SELECT SUM(USERNR) FROM IMPORT_RK5_NUTZER"), "3");
}

TEST(IBDatabaseClose, DestructionRollsBackUnlessTheOwnerClosesFirst)
{
    FirebirdTestDatabase db;
    {
        TargetObjects t(db.path());
        t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (5)");
        t.IBQ1.ExecSQL();
    }
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_NUTZER"), "0");
    {
        TargetObjects t(db.path());
        t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (6)");
        t.IBQ1.ExecSQL();
        t.IBDatabase1.closeIgnoringErrors();
        EXPECT_FALSE(t.IBDatabase1.Connected());
    }
    EXPECT_EQ(db.scalar("SELECT USERNR FROM IMPORT_RK5_NUTZER"), "6");
}

// Another process attaches with isql and stays attached until its input
// closes; it has answered the query once it is attached.
class OtherProcess {
public:
    explicit OtherProcess(const std::string& path)
    {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::string p = path;
        char* argv[] = {const_cast<char*>("isql-fb"), const_cast<char*>("-q"), const_cast<char*>("-user"),
                        const_cast<char*>("SYSDBA"), p.data(), nullptr};
        const int rc = posix_spawnp(&m_pid, "isql-fb", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        m_in = in[1];
        m_out = out[0];
        if (rc != 0) throw std::runtime_error("cannot start isql-fb");
        const std::string query = "SELECT 'ready' FROM RDB$DATABASE;\n";
        if (write(m_in, query.data(), query.size()) < 0) throw std::runtime_error("write");
        std::string seen;
        char buf[256];
        while (seen.find("ready") == std::string::npos) {
            const ssize_t n = read(m_out, buf, sizeof buf);
            if (n <= 0) break;
            seen.append(buf, static_cast<size_t>(n));
        }
        m_ready = seen.find("ready") != std::string::npos;
    }
    ~OtherProcess() { stop(); }
    bool ready() const { return m_ready; }
    void stop()
    {
        if (m_pid == 0) return;
        close(m_in);
        int status = 0;
        waitpid(m_pid, &status, 0);
        close(m_out);
        m_pid = 0;
    }

private:
    pid_t m_pid = 0;
    int m_in = -1, m_out = -1;
    bool m_ready = false;
};

TEST(IBDatabaseShared, FileHeldByAnotherProcessIsAClearErrorAndLosesNothing)
{
    FirebirdTestDatabase db;
    db.execute("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (1)");
    TargetObjects t(db.path());
    {
        OtherProcess other(db.path());
        ASSERT_TRUE(other.ready());
        EXPECT_EQ(messageOf<EIBInterBaseError>([&] { t.IBDatabase1.Open(); }),
                  "I/O error during \"lock\" operation for file \"" + db.path() +
                      "\"\r\nDatabase already opened with engine instance, incompatible with current");
        EXPECT_FALSE(t.IBDatabase1.Connected());
    }
    t.IBDatabase1.Open();
    t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (2)");
    t.IBQ1.ExecSQL();
    t.commitIfActive();
    t.IBDatabase1.Close();
    EXPECT_EQ(db.query("SELECT USERNR FROM IMPORT_RK5_NUTZER ORDER BY 1"), (Rows{{"1"}, {"2"}}));
}

TEST(IBDatabaseShared, ReadOnlyDatabaseRefusesWritesAndKeepsItsRows)
{
    FirebirdTestDatabase db;
    db.execute("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (1)");
    db.setReadOnly();
    TargetObjects t(db.path());
    t.setSql("DELETE FROM IMPORT_RK5_NUTZER");
    EXPECT_EQ(messageOf<EIBInterBaseError>([&] { t.IBQ1.ExecSQL(); }), "attempted update on read-only database");
    EXPECT_TRUE(t.IBTransaction1.InTransaction());
    t.commitIfActive();
    t.IBDatabase1.Close();
    EXPECT_EQ(db.query("SELECT USERNR FROM IMPORT_RK5_NUTZER"), (Rows{{"1"}}));
}

} // namespace
} // namespace rk::target::test

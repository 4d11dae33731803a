// Trace records: nothing while no monitor is attached; with the file
// transport switched on, the records of one connect, prepare, execute and
// commit, and never the password; the plan, and blobs not spelled out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "db/firebird/SqlMonitor.h"
#include "tests/db/firebird/TargetTestSupport.h"
#include "tests/db/paradox/reader/TempDir.h"

namespace rk::target::test {
namespace {

using rk::test::FirebirdTestDatabase;

class SqlMonitorTest : public ::testing::Test {
protected:
    FirebirdTestDatabase db;
    std::string traceFile = (db.folder() / "trace.log").string();

    void TearDown() override
    {
        unsetenv("RK_SQL_MONITOR");
        SqlMonitor::attachFromEnvironment();
    }

    void runOneInsert()
    {
        TargetObjects t(db.path());
        t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR, NAME, VORNAME) VALUES (:USERNR, :NAME, :VORNAME)");
        t.statement.param(0).value.assignInteger(7);
        t.statement.param(1).value.assignText("Hase");
        t.statement.execute();
        t.commitIfActive();
        t.attachment.close();
    }
};

TEST_F(SqlMonitorTest, RecordsOnlyWhileAttachedEachWholeInOrder)
{
    unsetenv("RK_SQL_MONITOR");
    SqlMonitor::attachFromEnvironment();
    EXPECT_FALSE(SqlMonitor::attached());
    runOneInsert();
    EXPECT_FALSE(std::ifstream(traceFile).good());

    setenv("RK_SQL_MONITOR", traceFile.c_str(), 1);
    SqlMonitor::attachFromEnvironment();
    ASSERT_TRUE(SqlMonitor::attached());
    runOneInsert();
    const std::string head = "\r\n[Application: RK_VAD2AV]\r\n";
    const std::string sql = "INSERT INTO IMPORT_RK5_NUTZER (USERNR, NAME, VORNAME) VALUES (:USERNR, :NAME, :VORNAME)\r\n";
    const std::string expected = head + "IBDatabase1: [Connect]" + head + "IBTransaction1: [Start transaction]" + head +
                                 "IBQ1: [Prepare] " + sql + "\r\n  Plan: " + head + "IBQ1: [Execute] " + sql +
                                 "\r\n  USERNR = 7\r\n  NAME = Hase\r\n  VORNAME = <NULL>" + head +
                                 "IBTransaction1: [Commit (Hard commit)]" + head + "IBDatabase1: [Disconnect]";
    const std::string trace = rk::test::readText(traceFile);
    EXPECT_EQ(trace, expected);
    EXPECT_EQ(trace.find("quartzfen"), std::string::npos);

    // A plan, when there is one, follows the text; a blob is not spelled out.
    TargetObjects t(db.path());
    t.setSql("UPDATE IMPORT_RK5_EB SET NOTIZ=:NOTIZ WHERE EBNR=:EBNR");
    t.statement.param(0).value.assignText("lang");
    t.statement.param(1).value.assignInteger(1);
    t.statement.execute();
    t.commitIfActive();
    const std::string more = rk::test::readText(traceFile).substr(trace.size());
    EXPECT_NE(more.find("\r\n  Plan: \nPLAN (IMPORT_RK5_EB NATURAL)"), std::string::npos) << more;
    EXPECT_NE(more.find("\r\n  NOTIZ = <BLOB>\r\n  EBNR = 1"), std::string::npos) << more;
}

} // namespace
} // namespace rk::target::test

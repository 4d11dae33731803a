// The built rk_vad2av under what a calling program and a machine can do to
// it: a log reader that goes away or never reads, a display that accepts and
// never answers, an end signal during the purge, a second account after root, targets it cannot use. Each run must end by itself,
// with its exit code and a German line that says why.
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "tests/e2e/ProgramFolderTest.h"

namespace rk::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr uid_t kNobody = 65534;

class EndsByItself : public ProgramFolderTest {};

TEST_F(EndsByItself, ALogReaderThatGoesAwayOrNeverReadsCostsOnlyTheLog)
{
    // legend: `| head -n 3`, a full pipe nobody reads
    for (const bool head : {true, false}) {
        FirebirdTestDatabase db;
        // Without a runtime folder Qt warns; that must not be the first line a caller reads.
        auto run = start({"-auto", "-nomessage", "-id:JOB7", db.path()}, {{"XDG_RUNTIME_DIR", ProgramRun::kUnset}},
                         head ? ProgramRun::ErrPipe::Read : ProgramRun::ErrPipe::FullUnread);
        if (head) {
            ASSERT_TRUE(run->waitForLine([&](const std::string&) { return run->errLines().size() >= 3; }, 30s));
            EXPECT_EQ(run->errLines().front(), "Übertragung von Ravelkamp 5 Daten in die Datenbank der Version VI");
            run->closeErr();
        }
        ASSERT_EQ(run->wait(60s), 0) << "head " << head;
        EXPECT_EQ(count(db, "WEGE"), std::to_string(kCounts.routes)) << "head " << head;
        EXPECT_EQ(count(db, "BILDER"), std::to_string(kCounts.pictures)) << "head " << head;
        EXPECT_EQ(count(db, "INFO"), "1") << "head " << head;
    }
}

TEST_F(EndsByItself, AStoppedXServerCountsAsNoDisplay)
{
    if (!fs::exists("/usr/bin/Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    const std::string display = ":" + std::to_string(700 + ::getpid() % 200);
    const auto server = startXServer(display, "640x480x24");
    ASSERT_TRUE(server) << "Xvfb did not start";
    std::this_thread::sleep_for(300ms);
    server->signal(SIGSTOP); // takes connections into its backlog, answers none

    // legend: -auto runs offscreen (0), a manual start fails (1)
    for (const bool unattended : {true, false}) {
        FirebirdTestDatabase db;
        std::vector<std::string> args{db.path()};
        if (unattended) args.insert(args.begin(), {"-auto", "-nomessage"});
        const auto started = Clock::now();
        auto run = start(args, onlyDisplay(display));
        EXPECT_EQ(run->wait(40s), unattended ? 0 : 1) << ::testing::PrintToString(run->errLines());
        EXPECT_LT(Clock::now() - started, 20s);
        ASSERT_FALSE(run->errLines().empty());
        EXPECT_TRUE(run->errLines().front().find("Kein Bildschirm erreichbar") != std::string::npos)
            << run->errLines().front();
    }
    server->signal(SIGCONT);
    server->signal(SIGTERM);
    server->wait(5s);
}

TEST_F(EndsByItself, AnEndSignalDuringThePurgeEndsAfterTheCurrentDelete)
{
    FirebirdTestDatabase db;
    db.execute("EXECUTE BLOCK AS DECLARE i INT = 0; BEGIN WHILE (i < 50000) DO BEGIN "
               "INSERT INTO IMPORT_RK5_REGIONEN (REG_R, REGION) VALUES ('R', 'alt'); i = i + 1; END END");
    auto run = start({"-auto", "-nomessage", db.path()});
    ASSERT_TRUE(run->waitForLine([](const std::string& l) { return l == "Alte Übertragungsdateien löschen ..."; }, 30s))
        << ::testing::PrintToString(run->errLines());
    const auto signalled = Clock::now();
    run->signal(SIGTERM);
    EXPECT_EQ(run->wait(30s), 2);
    EXPECT_LT(Clock::now() - signalled, 5s);
    EXPECT_TRUE(anyLineStarts(*run, "Übertragung durch Signal abgebrochen: beim Löschen ("))
        << ::testing::PrintToString(run->errLines());
    EXPECT_EQ(run->errLines().back().ends_with("die Importtabellen sind unvollständig."), true);
    // The DELETE ran whole or not at all; nothing was transferred.
    const std::string regions = count(db, "REGIONEN");
    EXPECT_TRUE(regions == "0" || regions == "50000") << regions;
    EXPECT_EQ(count(db, "GEBIETE"), "0");
    EXPECT_EQ(count(db, "INFO"), "0");
}

TEST_F(EndsByItself, ATargetItCannotUseGetsAGermanLineBeforeTheEngineText)
{
    struct Case {
        const char* legend;
        std::function<void(const FirebirdTestDatabase&)> prepare;
        const char* german;
    };
    const auto overwrite = [](size_t size) {
        return [size](const FirebirdTestDatabase& db) { std::ofstream(db.path(), std::ios::trunc) << std::string(size, 'x'); };
    };
    const Case cases[] = {
        {"too small", overwrite(100), "Die angegebene Datei ist keine Datenbank von RK VI"},
        {"not a database", overwrite(65536), "Die angegebene Datei ist keine Datenbank von RK VI"},
        {"staging table missing", [](const FirebirdTestDatabase& db) { db.execute("DROP TABLE IMPORT_RK5_GIPFEL"); },
         "In der Zieldatenbank fehlt eine Importtabelle"},
    };
    for (const Case& c : cases) {
        FirebirdTestDatabase db;
        c.prepare(db);
        auto run = start({"-auto", "-nomessage", db.path()});
        EXPECT_EQ(run->wait(60s), 2) << c.legend;
        const auto& lines = run->errLines();
        const auto german =
            std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.starts_with(c.german); });
        const auto engine = std::find_if(german, lines.end(), [](const std::string& l) { return l.starts_with("RK_VAD2AV: "); });
        EXPECT_NE(german, lines.end()) << c.legend << ::testing::PrintToString(lines);
        EXPECT_NE(engine, lines.end()) << c.legend << ::testing::PrintToString(lines);
    }

    // Held by another engine: an embedded session of isql-fb keeps it open.
    if (!fs::exists("/usr/bin/isql-fb")) GTEST_SKIP() << "isql-fb is not installed";
    FirebirdTestDatabase db;
    ProgramRun holder("/bin/sh", {"-c", "sleep 20 | /usr/bin/isql-fb -q -u sysdba " + db.path()}, {});
    std::this_thread::sleep_for(1500ms);
    auto run = start({"-auto", "-nomessage", db.path()});
    EXPECT_EQ(run->wait(60s), 2);
    EXPECT_TRUE(anyLineStarts(*run, "Die Zieldatenbank ist von einem anderen Programm geöffnet"))
        << ::testing::PrintToString(run->errLines());
}

TEST_F(EndsByItself, AnOrdinaryAccountAfterRootWorksOrIsToldWhatTheAdministratorDoes)
{
    if (::geteuid() != 0 || !fs::exists("/usr/bin/setpriv"))
        GTEST_SKIP() << "needs root and setpriv to run as a second account";
    // Root first, as an installer would.
    {
        FirebirdTestDatabase db;
        ASSERT_EQ(start({"-auto", "-nomessage", db.path()})->wait(60s), 0);
    }
    const fs::path home = m_dir / "home-nobody";
    fs::create_directories(home);
    ASSERT_EQ(::chown(home.c_str(), kNobody, kNobody), 0);
    fs::permissions(m_dir, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
    const auto asNobody = [&](const FirebirdTestDatabase& db, bool ownFile, std::map<std::string, std::string> env) {
        fs::permissions(db.folder(), fs::perms::all);
        if (ownFile) {
            EXPECT_EQ(::chown(db.path().c_str(), kNobody, kNobody), 0);
        }
        env["XDG_RUNTIME_DIR"] = home.string();
        env["HOME"] = home.string();
        std::vector<std::string> args{"--reuid=65534", "--regid=65534", "--clear-groups", RK_PROGRAM,
                                      "-auto",         "-nomessage",    db.path()};
        auto run = std::make_unique<ProgramRun>("/usr/bin/setpriv", args, environment(env));
        const int code = run->wait(60s);
        return std::make_pair(code, run->errLines());
    };

    FirebirdTestDatabase own;
    const auto [code, lines] = asNobody(own, true, {});
    EXPECT_EQ(code, 0) << ::testing::PrintToString(lines);
    EXPECT_EQ(count(own, "WEGE"), std::to_string(kCounts.routes));

    // A file it may only read.
    FirebirdTestDatabase foreign;
    ::chmod(foreign.path().c_str(), 0644);
    const auto [roCode, roLines] = asNobody(foreign, false, {});
    EXPECT_EQ(roCode, 2);
    EXPECT_TRUE(anyLineStarts(roLines, "Die Zieldatenbank lässt sich nicht beschreiben"))
        << ::testing::PrintToString(roLines);

    // The shared folder named by the caller, made by root for its group.
    struct stat folder {};
    if (::stat("/tmp/firebird", &folder) != 0 || (folder.st_mode & S_IWOTH)) return;
    FirebirdTestDatabase shared;
    const auto [lockCode, lockLines] = asNobody(shared, true, {{"FIREBIRD_LOCK", "/tmp/firebird"}});
    EXPECT_EQ(lockCode, 2);
    EXPECT_TRUE(anyLineStarts(lockLines, "Der Sperrordner der Datenbank-Engine /tmp/firebird (Eigentümer "))
        << ::testing::PrintToString(lockLines);
}

} // namespace
} // namespace rk::test

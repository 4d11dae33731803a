// The built rk_vad2av run as a calling program runs it: "-auto -nomessage
// -id:..." with the alias DBRK pointing at generated Paradox tables, a fresh
// staging database, Qt's offscreen platform; then the exit code, the staged
// rows and the job record are checked. Boxes write their text to standard
// error on this platform; a box nobody can answer is ended with SIGTERM, the
// way a caller ends a run that does not finish.
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <thread>

#include "tests/e2e/ProgramRun.h"
#include "tests/support/FirebirdTestDatabase.h"
#include "tools/demo/DemoData.h"

namespace rk::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const char* const kStaged[] = {"REGIONEN",   "GEBIETE", "GIPFEL",     "WEGE", "BEGEHUNGEN", "NAMENSLISTE",
                               "NUTZER",     "TAGESNOTIZ", "ZETTELWEGE", "EB",   "BILDER"};

// Small, so a run takes well under a second; every table has rows.
const tools::demo::DemoCounts kCounts{3, 6, 20, 40, 25, 10, 3, 8, 6, 12, 5};

int expectedRows(const std::string& table)
{
    const auto& n = kCounts;
    const std::map<std::string, int> rows = {
        {"REGIONEN", n.regions},   {"GEBIETE", n.areas},      {"GIPFEL", n.summits},      {"WEGE", n.routes},
        {"BEGEHUNGEN", n.ascents}, {"NAMENSLISTE", n.names},  {"NUTZER", n.users},        {"TAGESNOTIZ", n.dayNotes},
        {"ZETTELWEGE", n.noteRoutes}, {"EB", n.firstAscenders}, {"BILDER", n.pictures},
    };
    return rows.at(table);
}

class UnattendedRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("rk_e2e_" + std::to_string(::getpid()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "paradox");
        tools::demo::Manifest manifest{fs::path()};
        tools::demo::writeDemoSet(m_dir / "paradox", kCounts, manifest);
        writeEngineConfig(m_dir / "paradox");
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void writeEngineConfig(const fs::path& folder)
    {
        std::ofstream(m_dir / "engine.conf") << "[DBRK]\nPATH=" << folder.string() << "\nDEFAULT DRIVER=PARADOX\n";
    }

    std::unique_ptr<ProgramRun> start(std::vector<std::string> args)
    {
        return std::make_unique<ProgramRun>(RK_PROGRAM, std::move(args),
                                            std::map<std::string, std::string>{
                                                {"RK_ENGINE_CONFIG", (m_dir / "engine.conf").string()},
                                                {"QT_QPA_PLATFORM", "offscreen"},
                                                {"LC_ALL", "de_DE.UTF-8"},
                                                {"XDG_RUNTIME_DIR", m_dir.string()},
                                            });
    }

    static std::string count(const FirebirdTestDatabase& db, const std::string& table)
    {
        return db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_" + table).value_or("NULL");
    }

    static bool lineStarts(const std::string& line, const std::string& prefix) { return line.rfind(prefix, 0) == 0; }

    fs::path m_dir;
};

TEST_F(UnattendedRun, QuietRunFillsEveryStagingTableAndWritesOneJobRecord)
{
    FirebirdTestDatabase db;
    auto run = start({"-auto", "-nomessage", "-id:JOB42", db.path()});
    ASSERT_EQ(run->wait(60s), 0) << "stderr: " << ::testing::PrintToString(run->errLines());

    for (const char* table : kStaged) EXPECT_EQ(count(db, table), std::to_string(expectedRows(table))) << table;
    const auto jobs = db.query("SELECT JOB_ID, STATUS, INFO FROM IMPORT_RK5_INFO");
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0][0], "-id:JOB42");
    EXPECT_EQ(jobs[0][1], "T");
    EXPECT_EQ(jobs[0][2], std::nullopt);
    // No box was shown: nothing waited for a user.
    for (const std::string& line : run->errLines()) {
        EXPECT_FALSE(lineStarts(line, "Informationen:")) << line;
        EXPECT_FALSE(lineStarts(line, "RK_VAD2AV:")) << line;
    }
}

TEST_F(UnattendedRun, ALongJobIdKeepsItsLast32Characters)
{
    FirebirdTestDatabase db;
    const std::string id = "0123456789abcdefghij0123456789ABCDEFGHIJ";
    auto run = start({db.path(), "-id:" + id, "-nomessage", "-auto"});
    ASSERT_EQ(run->wait(60s), 0);
    EXPECT_EQ(db.scalar("SELECT JOB_ID FROM IMPORT_RK5_INFO"), id.substr(id.size() - 32));
}

TEST_F(UnattendedRun, UnreachableSourceEndsWithCodeTwoAndNoTransfer)
{
    writeEngineConfig(m_dir / "missing");
    FirebirdTestDatabase db;
    db.execute("INSERT INTO IMPORT_RK5_REGIONEN (REG_R, REGION) VALUES ('X', 'kept')");
    auto run = start({"-auto", "-nomessage", "-id:JOB42", db.path()});
    // The access check's box waits for OK; nobody is there to give it.
    ASSERT_TRUE(run->waitForLine([](const std::string& l) { return l == "Informationen: Kein Zugriff auf RK5 Daten."; },
                                 30s))
        << ::testing::PrintToString(run->errLines());
    run->signal(SIGTERM);
    EXPECT_EQ(run->wait(30s), 2);
    EXPECT_EQ(count(db, "REGIONEN"), "1");
    EXPECT_EQ(count(db, "INFO"), "0");
}

TEST_F(UnattendedRun, FailingSlotShowsTheErrorAndEndsWithCodeTwoOnceClosed)
{
    // Slot 3 reads GIPFEL; without its file the query fails.
    fs::remove(m_dir / "paradox" / "GIPFEL.DB");
    FirebirdTestDatabase db;
    auto run = start({"-auto", "-nomessage", "-id:JOB42", db.path()});
    ASSERT_TRUE(run->waitForLine([](const std::string& l) { return lineStarts(l, "RK_VAD2AV: "); }, 30s))
        << ::testing::PrintToString(run->errLines());
    // The error keeps the window open: the process waits for someone.
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(run->running());
    run->signal(SIGTERM);
    EXPECT_EQ(run->wait(30s), 2);

    // Slots before the failing one stay complete, later ones empty, no job record.
    EXPECT_EQ(count(db, "REGIONEN"), std::to_string(kCounts.regions));
    EXPECT_EQ(count(db, "GEBIETE"), std::to_string(kCounts.areas));
    EXPECT_EQ(count(db, "GIPFEL"), "0");
    EXPECT_EQ(count(db, "WEGE"), "0");
    EXPECT_EQ(count(db, "INFO"), "0");
}

TEST_F(UnattendedRun, HelpAndVersionPrintWithoutAWindow)
{
    auto version = start({"--version"});
    EXPECT_EQ(version->wait(10s), 0);
    EXPECT_EQ(version->out(), "1.0.5.2\n");

    auto help = start({"-auto", "--help"});
    EXPECT_EQ(help->wait(10s), 0);
    EXPECT_TRUE(help->out().starts_with("Aufruf: rk_vad2av")) << help->out();
    EXPECT_NE(help->out().find("-nomessage"), std::string::npos);
}

TEST_F(UnattendedRun, MissingClientLibraryFailsTheStartWithCodeOne)
{
    auto run = std::make_unique<ProgramRun>(
        RK_PROGRAM, std::vector<std::string>{"-auto", "-nomessage"},
        std::map<std::string, std::string>{{"RK_ENGINE_CONFIG", (m_dir / "engine.conf").string()},
                                           {"QT_QPA_PLATFORM", "offscreen"},
                                           {"XDG_RUNTIME_DIR", m_dir.string()},
                                           {"RK_FBCLIENT_LIBRARY", (m_dir / "no-such-libfbclient.so").string()}});
    // The start-up error box waits for OK like every error box.
    ASSERT_TRUE(run->waitForLine([](const std::string& l) { return lineStarts(l, "Anwendungsfehler: Exception "); },
                                 30s))
        << ::testing::PrintToString(run->errLines());
    run->signal(SIGTERM);
    EXPECT_EQ(run->wait(30s), 1);
}

} // namespace
} // namespace rk::test

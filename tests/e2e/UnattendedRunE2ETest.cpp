// The built rk_vad2av run as a calling program runs it: "-auto -nomessage
// -id:..." with the alias DBRK pointing at generated Paradox tables, a fresh
// staging database, Qt's offscreen platform; then the exit code, the staged
// rows and the job record are checked. On this platform every box and the
// file dialog writes one line to standard error and is answered at once, so
// each run here ends by itself.
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <thread>

#include "tests/e2e/ProgramFolderTest.h"

namespace rk::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class UnattendedRun : public ProgramFolderTest {
protected:
    // "hh:nn:ss" followed by rest.
    static bool timeStamped(const std::string& line, const std::string& rest)
    {
        const auto digit = [&](size_t i) { return line[i] >= '0' && line[i] <= '9'; };
        return line.size() == 8 + rest.size() && line.ends_with(rest) && line[2] == ':' && line[5] == ':' &&
               digit(0) && digit(1) && digit(3) && digit(4) && digit(6) && digit(7);
    }
};

TEST_F(UnattendedRun, QuietRunFillsEveryStagingTableWritesOneJobRecordAndLogsToStandardError)
{
    FirebirdTestDatabase db;
    auto run = start({"-auto", "-nomessage", "-id:JOB42", db.path()});
    ASSERT_EQ(run->wait(60s), 0) << "stderr: " << ::testing::PrintToString(run->errLines());

    for (const auto& [table, rows] : kExpectedRows) EXPECT_EQ(count(db, table), std::to_string(rows)) << table;
    const auto jobs = db.query("SELECT JOB_ID, STATUS, INFO FROM IMPORT_RK5_INFO");
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0][0], "-id:JOB42");
    EXPECT_EQ(jobs[0][1], "T");
    EXPECT_EQ(jobs[0][2], std::nullopt);

    // The status log, line by line and nothing else: no box, no Qt warning.
    // Time stamps are hh:nn:ss; slots whose caption is empty log nothing.
    const std::vector<std::string> logged = run->errLines();
    const std::vector<std::string> middle = {
        "Übertragung von Ravelkamp 5 Daten in die Datenbank der Version VI",
        "RKVI: Datenbank wird geöffnet ...",
        "RKVI: Datenbank geöffnet!",
        "Alte Übertragungsdateien löschen ...",     "Übertrage Regionen... 3",    "Übertrage Gebiete... 6",
        "Übertrage Gipfel... 20",                    "Übertrage Wege... 40",       "Übertrage Begehungen... 25",
        "Übertrage Namensliste... 10",               "Übertrage Nutzer... 3",      "Übertrage Tagesnotizen... 8",
        "Übertrage Zettelwege... 6",                 "Übertrage Erstbegeher... 12", "Übertrage Bilder... 5",
    };
    ASSERT_EQ(logged.size(), middle.size() + 4) << ::testing::PrintToString(logged);
    EXPECT_EQ(std::vector<std::string>(logged.begin(), logged.begin() + 3),
              std::vector<std::string>(middle.begin(), middle.begin() + 3));
    EXPECT_TRUE(timeStamped(logged[3], " Prozess gestartet ...")) << logged[3];
    EXPECT_EQ(std::vector<std::string>(logged.begin() + 4, logged.begin() + 1 + long(middle.size())),
              std::vector<std::string>(middle.begin() + 3, middle.end()));
    const std::string& done = logged[middle.size() + 1];
    EXPECT_TRUE(timeStamped(done, " ... Prozess abgeschlossen!")) << done;
    EXPECT_EQ(logged[middle.size() + 2], "");
    EXPECT_EQ(logged.back(), "Das Programm kann jetzt beendet werden.");
}

TEST_F(UnattendedRun, WithoutNoMessageTheFinalBoxIsAnsweredAndTheRunEndsWithCodeZero)
{
    FirebirdTestDatabase db;
    auto run = start({"-auto", db.path()});
    ASSERT_EQ(run->wait(60s), 0) << ::testing::PrintToString(run->errLines());
    ASSERT_FALSE(run->errLines().empty());
    EXPECT_EQ(run->errLines().back(), "Informationen: Übertragung beendet") << ::testing::PrintToString(run->errLines());
    for (const auto& [table, rows] : kExpectedRows) EXPECT_EQ(count(db, table), std::to_string(rows)) << table;
    EXPECT_EQ(count(db, "INFO"), "1");
}

TEST_F(UnattendedRun, WithoutADisplayAnUnattendedRunGoesOffscreenAndAManualStartFails)
{
    // legend: DISPLAY (unset, or a server that is not there)
    for (const char* display : {ProgramRun::kUnset, ":97"}) {
        const auto noDisplay = onlyDisplay(display);
        FirebirdTestDatabase db;
        auto run = start({"-auto", "-nomessage", db.path()}, noDisplay);
        EXPECT_EQ(run->wait(60s), 0) << display << ::testing::PrintToString(run->errLines());
        ASSERT_FALSE(run->errLines().empty());
        EXPECT_EQ(run->errLines().front(), "Kein Bildschirm erreichbar: die Übertragung läuft ohne Fenster.");
        EXPECT_EQ(count(db, "WEGE"), std::to_string(kCounts.routes)) << display;
        EXPECT_EQ(count(db, "INFO"), "1") << display;

        auto manual = start({db.path()}, noDisplay);
        EXPECT_EQ(manual->wait(30s), 1) << display;
        const auto& lines = manual->errLines();
        ASSERT_FALSE(lines.empty()) << display;
        EXPECT_TRUE(lines.front().starts_with("rk_vad2av: Kein Bildschirm erreichbar")) << lines.front();
        EXPECT_NE(std::find(lines.begin(), lines.end(), "  rk_vad2av -auto [-nomessage] [-id:KENNUNG] DATENBANK.fdb"),
                  lines.end())
            << ::testing::PrintToString(lines);
    }
}

TEST_F(UnattendedRun, WithADisplayTheFileDialogWaitsUntilAnEndSignalEndsIt)
{
    if (!fs::exists("/usr/bin/Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    const std::string display = ":" + std::to_string(200 + ::getpid() % 500);
    const auto server = startXServer(display, "1024x768x24");
    ASSERT_TRUE(server) << "Xvfb did not start";

    auto run = start({"-auto", "-nomessage", (m_dir / "fehlt.fdb").string()}, onlyDisplay(display));
    // A person could answer here: the dialog waits, and says nothing.
    std::this_thread::sleep_for(3s);
    EXPECT_TRUE(run->running());
    run->signal(SIGTERM);
    EXPECT_EQ(run->wait(10s), 2);
    EXPECT_FALSE(anyLineStarts(*run, "Dateidialog")) << ::testing::PrintToString(run->errLines());
    server->signal(SIGTERM);
    server->wait(5s);
}

TEST_F(UnattendedRun, MissingTargetPathCancelsTheDialogAndEndsWithCodeTwo)
{
    FirebirdTestDatabase db;
    db.execute("INSERT INTO IMPORT_RK5_REGIONEN (REG_R, REGION) VALUES ('X', 'kept')");
    const auto started = std::chrono::steady_clock::now();
    auto run = start({"-auto", "-nomessage", (m_dir / "fehlt.fdb").string()});
    EXPECT_EQ(run->wait(30s), 2);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    const auto& lines = run->errLines();
    const auto dialog = std::find_if(lines.begin(), lines.end(),
                                     [](const std::string& l) { return l.starts_with("Dateidialog: "); });
    ASSERT_NE(dialog, lines.end()) << ::testing::PrintToString(lines);
    EXPECT_EQ(*dialog, "Dateidialog: Pfad zur Ravelkamp VI Datenbank (abgebrochen: ohne Bildschirm kann niemand "
                       "eine Datei wählen)");
    EXPECT_NE(std::find(dialog, lines.end(), "Fehler: Keine Verbindung zur RK VI Datenbank!"), lines.end())
        << ::testing::PrintToString(lines);
    EXPECT_EQ(count(db, "REGIONEN"), "1");
}

TEST_F(UnattendedRun, ALongJobIdKeepsItsLast32Characters)
{
    FirebirdTestDatabase db;
    const std::string id = "0123456789abcdefghij0123456789ABCDEFGHIJ";
    auto run = start({db.path(), "-id:" + id, "-nomessage", "-auto"});
    ASSERT_EQ(run->wait(60s), 0);
    EXPECT_EQ(db.scalar("SELECT JOB_ID FROM IMPORT_RK5_INFO"), id.substr(id.size() - 32));
}

TEST_F(UnattendedRun, UnreachableSourceSaysWhyAndEndsWithCodeTwoWithoutTransfer)
{
    const std::string conf = (m_dir / "engine.conf").string();
    struct Case {
        const char* legend;
        const char* config; // null: no file
        std::string reason;
    };
    const Case cases[] = {
        {"no file", nullptr, "Unbekannter Alias: DBRK; Konfiguration: " + conf + " (nicht gefunden)"},
        {"no section", "[ANDERS]\nPATH=x\n", "Unbekannter Alias: DBRK; Konfiguration: " + conf},
        {"no PATH", "[DBRK]\nDEFAULT DRIVER=PARADOX\n",
         "Für den Alias DBRK ist kein Verzeichnis (PATH) eingetragen.; Konfiguration: " + conf},
        {"no folder", "[DBRK]\nPATH=fehlt\n",
         "Das Verzeichnis des Alias DBRK ist nicht vorhanden oder nicht lesbar.; Verzeichnis: " +
             (m_dir / "fehlt").string() + "; Konfiguration: " + conf},
    };
    FirebirdTestDatabase db;
    db.execute("INSERT INTO IMPORT_RK5_REGIONEN (REG_R, REGION) VALUES ('X', 'kept')");
    for (const Case& c : cases) {
        fs::remove(conf);
        if (c.config) std::ofstream(conf) << c.config;
        auto run = start({"-auto", "-nomessage", "-id:JOB42", db.path()});
        EXPECT_EQ(run->wait(30s), 2) << c.legend;
        const std::vector<std::string> expected = {"Kein Zugriff auf RK5 Daten, Grund: " + c.reason,
                                                   "Informationen: Kein Zugriff auf RK5 Daten."};
        EXPECT_EQ(run->errLines(), expected) << c.legend;
    }
    EXPECT_EQ(count(db, "REGIONEN"), "1");
    EXPECT_EQ(count(db, "INFO"), "0");
}

TEST_F(UnattendedRun, FailingSlotShowsTheErrorAndEndsWithCodeTwo)
{
    // Slot 3 reads GIPFEL; without its file the query fails.
    fs::remove(m_dir / "paradox" / "GIPFEL.DB");
    FirebirdTestDatabase db;
    auto run = start({"-auto", "-nomessage", "-id:JOB42", db.path()});
    // Nobody could act on the window the error leaves: it closes by itself.
    EXPECT_EQ(run->wait(30s), 2);
    EXPECT_TRUE(anyLineStarts(*run, "RK_VAD2AV: ")) << ::testing::PrintToString(run->errLines());

    // Slots before the failing one stay complete, later ones empty, no job record.
    EXPECT_EQ(count(db, "REGIONEN"), std::to_string(kCounts.regions));
    EXPECT_EQ(count(db, "GEBIETE"), std::to_string(kCounts.areas));
    EXPECT_EQ(count(db, "GIPFEL"), "0");
    EXPECT_EQ(count(db, "WEGE"), "0");
    EXPECT_EQ(count(db, "INFO"), "0");
}

TEST_F(UnattendedRun, EndSignalDuringALargeSlotStopsTheRunAfterTheCurrentRow)
{
    fs::remove_all(m_dir / "paradox");
    fs::create_directories(m_dir / "paradox");
    tools::demo::Manifest manifest{fs::path()};
    const tools::demo::DemoCounts large = tools::demo::countsFor(tools::demo::DemoSize::Large);
    tools::demo::writeDemoSet(m_dir / "paradox", large, manifest);
    FirebirdTestDatabase db;
    auto run = start({"-auto", "-nomessage", "-id:JOB42", db.path()});
    const std::string wege = "Übertrage Wege... " + std::to_string(large.routes);
    ASSERT_TRUE(run->waitForLine([&](const std::string& l) { return l == wege; }, 60s))
        << ::testing::PrintToString(run->errLines());
    std::this_thread::sleep_for(100ms); // well inside the slot
    const auto signalled = std::chrono::steady_clock::now();
    run->signal(SIGTERM);
    EXPECT_EQ(run->wait(30s), 2);
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, 1s);

    EXPECT_EQ(count(db, "REGIONEN"), std::to_string(large.regions));
    EXPECT_EQ(count(db, "GEBIETE"), std::to_string(large.areas));
    EXPECT_EQ(count(db, "GIPFEL"), std::to_string(large.summits));
    const int routes = std::stoi(count(db, "WEGE"));
    EXPECT_GT(routes, 0); // the rows so far were committed
    EXPECT_LT(routes, large.routes);
    EXPECT_EQ(count(db, "BEGEHUNGEN"), "0");
    EXPECT_EQ(count(db, "INFO"), "0");
}

TEST_F(UnattendedRun, HelpAndVersionPrintWithoutAWindow)
{
    auto version = start({"--version"});
    EXPECT_EQ(version->wait(10s), 0);
    EXPECT_EQ(version->out(), RK_VERSION "\n");

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
                                           {"XDG_RUNTIME_DIR", (m_dir / "run").string()},
                                           {"RK_FBCLIENT_LIBRARY", (m_dir / "no-such-libfbclient.so").string()}});
    // The start-up error box is answered at once, as every box here.
    EXPECT_EQ(run->wait(30s), 1);
    ASSERT_FALSE(run->errLines().empty());
    EXPECT_TRUE(run->errLines().front().starts_with("Anwendungsfehler: Exception ")) << run->errLines().front();
}

} // namespace
} // namespace rk::test

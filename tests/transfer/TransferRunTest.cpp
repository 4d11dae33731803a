// runTransfer over recording doubles of the window, source, target and clock:
// the exact journal of statements, log lines, bar values and commits of a
// run, a stop, a failing slot, the current user and a second run.
#include "transfer/TransferRun.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "TransferDoubles.h"
#include "tests/db/firebird/TargetTestSupport.h"
#include "locale/LocaleFormats.h"
#include "transfer/ImportPlan.h"

namespace rk::transfer {
namespace {

using test::Journal;

const char* const kTables[] = {"IMPORT_RK5_REGIONEN",    "IMPORT_RK5_GEBIETE",    "IMPORT_RK5_GIPFEL",
                               "IMPORT_RK5_WEGE",        "IMPORT_RK5_BEGEHUNGEN", "IMPORT_RK5_NAMENSLISTE",
                               "IMPORT_RK5_NUTZER",      "IMPORT_RK5_TAGESNOTIZ", "IMPORT_RK5_ZETTELWEGE",
                               "IMPORT_RK5_EB",          "IMPORT_RK5_BILDER"};
const char* const kCaptions[] = {"Regionen",     "Gebiete",    "Gipfel",      "Wege",  "Begehungen", "Namensliste",
                                 "Nutzer",       "Tagesnotizen", "Zettelwege", "Erstbegeher", "Bilder"};

// 2003-12-24 at 14:03:27 and 14:05:12.
constexpr double kStart = 37979.0 + (14 * 3600 + 3 * 60 + 27) / 86400.0;
constexpr double kEnd = 37979.0 + (14 * 3600 + 5 * 60 + 12) / 86400.0;

db::Field integerField(const char* name, int32_t v) { return db::Field{name, db::DataType::ftInteger, 4, v}; }

class TransferRunTest : public ::testing::Test {
public:
    void SetUp() override
    {
        locale::setCurrentFormats(locale::LocaleFormats{});
        clock.moments = {kStart, kEnd};
        const ImportPlan plan = buildImportPlan();
        for (int i = 0; i < 11; ++i) source.results[plan[i].sourceSql].rows = rowsPerSlot;
        test::FakeResult currentUser;
        currentUser.rows = 1;
        currentUser.anyField = false;
        currentUser.fields["ID"] = [](int) { return integerField("ID", 7); };
        source.results[kCurrentUserQuery] = currentUser;
    }

    void setRows(int slot, int rows) { source.results[buildImportPlan()[slot - 1].sourceSql].rows = rows; }

    RunOutcome run()
    {
        TransferContext ctx{target,
                            target,
                            source,
                            window,
                            clock,
                            [this] { journal.push_back("CONNECT"); },
                            [this] { return connected; },
                            jobId};
        return runTransfer(ctx);
    }

    // The journal lines of one kind, in order.
    std::vector<std::string> only(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const auto& line : journal)
            if (line.rfind(prefix, 0) == 0) out.push_back(line);
        return out;
    }

    int rowsPerSlot = 1;
    bool connected = true;
    std::string jobId = "-id:JOB42";
    Journal journal;
    test::FakeTarget target{journal};
    test::FakeSource source;
    test::FakeWindow window{journal};
    test::FakeClock clock;
};

TEST_F(TransferRunTest, PurgesEachTableInItsOwnCommitThenCopiesSlotBySlot)
{
    EXPECT_EQ(run(), RunOutcome::Completed);

    std::vector<std::string> expected = {"CONNECT", "quit button off", "start button off", "FOCUS",
                                         "LOG 14:03:27 Prozess gestartet ...",
                                         "LOG " + ansi("Alte Übertragungsdateien löschen ...")};
    for (const char* table : kTables) {
        expected.push_back(std::string("EXEC DELETE FROM ") + table);
        expected.push_back("COMMIT");
    }
    for (const char* step : {"table bar max=13", "table bar pos=0", "REPAINT"}) expected.push_back(step);
    for (int i = 0; i < 11; ++i) {
        for (std::string step : {"table bar pos=" + std::to_string(i + 1),
                                 "LOG " + ansi("Übertrage ") + kCaptions[i] + "... 1", std::string("row bar max=1"),
                                 std::string("row bar pos=0"), std::string("EXEC INSERT ") + kTables[i],
                                 std::string("table bar pos=13"), std::string("COMMIT"), std::string("table bar pos=0"),
                                 std::string("row bar pos=0")})
            expected.push_back(step);
    }
    for (std::string step :
         {std::string("EXEC UPDATE IMPORT_RK5_NUTZER SET CU='T' WHERE USERNR=7"),
          std::string("LOG 14:05:12 ... Prozess abgeschlossen!"), std::string("LOG "),
          std::string("LOG Das Programm kann jetzt beendet werden."), std::string("EXEC INSERT IMPORT_RK5_INFO"),
          std::string("quit button on"), std::string("start button on"), std::string("COMMIT")})
        expected.push_back(step);
    EXPECT_EQ(journal, expected);
    EXPECT_TRUE(window.startEnabled && window.quitEnabled);
}

// A transaction still open when the run starts is ended before the first purge.
TEST_F(TransferRunTest, OpenTransactionIsCommittedBeforeTheFirstPurge)
{
    target.execute();
    journal.clear();
    run();
    const auto first = std::find(journal.begin(), journal.end(), "EXEC DELETE FROM IMPORT_RK5_REGIONEN");
    ASSERT_NE(first, journal.end());
    ASSERT_NE(first, journal.begin());
    EXPECT_EQ(*(first - 1), "COMMIT");
}

TEST_F(TransferRunTest, EveryRowBindsEveryParameterFromItsFieldAndPumpsMessages)
{
    target.journalValues = true;
    setRows(1, 3);
    source.results[buildImportPlan()[0].sourceSql].fields["LAND"] = [](int row) {
        // A blank text becomes NULL and the next row's text is not NULL again.
        return db::Field{"Land", db::DataType::ftString, 10, std::string(row == 1 ? "  " : "DE")};
    };
    run();
    EXPECT_EQ(only("EXEC INSERT IMPORT_RK5_REGIONEN"),
              (std::vector<std::string>{"EXEC INSERT IMPORT_RK5_REGIONEN REG_R=REG_R#0 REGION=REGION#0 LAND=DE",
                                        "EXEC INSERT IMPORT_RK5_REGIONEN REG_R=REG_R#1 REGION=REGION#1 LAND=<NULL>",
                                        "EXEC INSERT IMPORT_RK5_REGIONEN REG_R=REG_R#2 REGION=REGION#2 LAND=DE"}));
    // one pump after the purge phase, then one per row: 3 + 10 other slots of 1 row
    EXPECT_EQ(window.messagePumps, 1 + 3 + 10);
    // the job record carries the job id and leaves INFO unassigned
    EXPECT_EQ(only("EXEC INSERT IMPORT_RK5_INFO"),
              (std::vector<std::string>{"EXEC INSERT IMPORT_RK5_INFO INFO=<NULL> JOB_ID=-id:JOB42"}));
}

TEST_F(TransferRunTest, EmptyJobIdIsBoundAsEmptyTextNotNull)
{
    jobId.clear();
    target.journalValues = true;
    run();
    EXPECT_EQ(only("EXEC INSERT IMPORT_RK5_INFO"),
              (std::vector<std::string>{"EXEC INSERT IMPORT_RK5_INFO INFO=<NULL> JOB_ID="}));
}

TEST_F(TransferRunTest, EmptySourceTableLogsZeroAndStillCommitsItsSlot)
{
    setRows(3, 0);
    run();
    const auto& log = window.log;
    EXPECT_NE(std::find(log.begin(), log.end(), ansi("Übertrage Gipfel... 0")), log.end());
    EXPECT_TRUE(only("EXEC INSERT IMPORT_RK5_GIPFEL").empty());
    // 11 purges + 10 slots that started a transaction + the closing commit:
    // an empty slot starts none, so its commit has nothing to end
    EXPECT_EQ(only("COMMIT").size(), 22u);
    EXPECT_NE(std::find(journal.begin(), journal.end(), "row bar max=0"), journal.end());
}

TEST_F(TransferRunTest, NotConnectedChangesNothing)
{
    connected = false;
    EXPECT_EQ(run(), RunOutcome::NotConnected);
    EXPECT_EQ(journal, (Journal{"CONNECT"}));
    EXPECT_TRUE(window.startEnabled && window.quitEnabled);
}

TEST_F(TransferRunTest, ConnectErrorReachesTheCallerBeforeAnyStep)
{
    TransferContext ctx{target, target, source, window, clock,
                        [] { throw EDatabaseError("attach failed"); }, [] { return true; }, jobId};
    EXPECT_THROW(runTransfer(ctx), EDatabaseError);
    EXPECT_TRUE(journal.empty());
}

TEST_F(TransferRunTest, FailureInSlot4KeepsEarlierSlotsAndTheRowsBeforeIt)
{
    setRows(4, 150);
    int wegeRows = 0;
    target.onExec = [&](const std::string& sql, int) {
        if (sql.rfind("INSERT INTO IMPORT_RK5_WEGE", 0) == 0 && ++wegeRows == 101)
            throw EDatabaseError("conversion error from string");
    };
    try {
        run();
        FAIL() << "the error must reach the caller";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "conversion error from string");
        // Where, on a line of its own: the double's values are "NAME#row", row 100 the 101st.
        EXPECT_EQ(e.place(), "Tabelle WEGE, Zeile 101 (REG_RGGNR REG_RGGNR#100, POSNR POSNR#100)");
    }
    EXPECT_EQ(only("EXEC INSERT IMPORT_RK5_WEGE").size(), 100u);
    EXPECT_EQ(window.progressPosition(ProgressBarId::Rows), 100) << "the failing row is not counted";
    for (const char* later : {"IMPORT_RK5_BEGEHUNGEN", "IMPORT_RK5_BILDER", "IMPORT_RK5_INFO"})
        EXPECT_TRUE(only(std::string("EXEC INSERT ") + later).empty()) << later;
    EXPECT_TRUE(only("EXEC UPDATE").empty());
    // the 100 rows are committed by the closing actions, after the buttons come back
    const Journal tail(journal.end() - 3, journal.end());
    EXPECT_EQ(tail, (Journal{"quit button on", "start button on", "COMMIT"}));
    EXPECT_EQ(window.log.back(), ansi("Übertrage Wege... 150"));
}

TEST_F(TransferRunTest, AStopCommitsWhatItHasAndSaysWhatWasCommitted)
{
    const std::string head = ansi("Übertragung durch Signal abgebrochen: ");
    const std::string tail = ansi("; die Importtabellen sind unvollständig.");
    struct Case {
        const char* legend;
        std::function<void(TransferRunTest&)> arm; // where the stop comes
        size_t deletes, wegeRows;
        std::string line;
    };
    const auto stop = [] { throw EAbort(ansi("Beendet durch Signal")); };
    const Case cases[] = {
        {"between purge statements",
         [stop](TransferRunTest& t) { t.window.onStopCheck = [&t, stop] { if (t.only("EXEC DELETE").size() == 3) stop(); }; },
         3, 0, head + ansi("beim Löschen (3 von 11 Importtabellen geleert), nichts übertragen") + tail},
        {"after row 100 of Wege",
         [stop](TransferRunTest& t) {
             t.window.onProcessMessages = [&t, stop] { if (t.only("EXEC INSERT IMPORT_RK5_WEGE").size() == 100) stop(); };
         },
         11, 100, head + ansi("3 Tabellen vollständig übertragen, von Wege 100 Zeilen") + tail},
    };
    struct Fresh : TransferRunTest {
        void TestBody() override {}
    };
    for (const Case& c : cases) {
        Fresh t;
        t.SetUp();
        t.setRows(4, 150);
        c.arm(t);
        EXPECT_THROW(t.run(), EAbort) << c.legend;
        EXPECT_EQ(t.only("EXEC DELETE").size(), c.deletes) << c.legend;
        EXPECT_EQ(t.only("EXEC INSERT IMPORT_RK5_WEGE").size(), c.wegeRows) << c.legend;
        EXPECT_TRUE(t.only("EXEC INSERT IMPORT_RK5_INFO").empty()) << c.legend;
        // The line comes after the closing actions (the commit of the rows so far): it reports what is committed.
        const Journal end(t.journal.end() - 2, t.journal.end());
        EXPECT_EQ(end, (Journal{c.wegeRows ? "COMMIT" : "start button on", "LOG " + c.line})) << c.legend;
    }
}

TEST_F(TransferRunTest, CurrentUserErrorsAreSwallowedAndTheJobRecordFollows)
{
    struct Case {
        const char* what;
        std::function<void(TransferRunTest&)> arrange;
    };
    const Case cases[] = {
        {"table missing", [](TransferRunTest& t) { t.source.results.erase(kCurrentUserQuery); }},
        {"field missing", [](TransferRunTest& t) { t.source.results[kCurrentUserQuery].fields.clear(); }},
        {"text id", [](TransferRunTest& t) {
             t.source.results[kCurrentUserQuery].fields["ID"] = [](int) {
                 return db::Field{"ID", db::DataType::ftString, 5, std::string("abc")};
             };
         }},
        {"update fails", [](TransferRunTest& t) {
             t.target.onExec = [](const std::string& sql, int) {
                 if (sql.rfind("UPDATE", 0) == 0) throw EDatabaseError("no such column CU");
             };
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        journal.clear();
        window.log.clear();
        SetUp();
        target.onExec = nullptr;
        c.arrange(*this);
        EXPECT_EQ(run(), RunOutcome::Completed);
        EXPECT_EQ(only("EXEC INSERT IMPORT_RK5_INFO").size(), 1u);
        EXPECT_EQ(window.log.back(), "Das Programm kann jetzt beendet werden.");
    }
}

TEST_F(TransferRunTest, BlankCurrentUserIdMarksUserZero)
{
    source.results[kCurrentUserQuery].fields["ID"] = [](int) {
        return db::Field{"ID", db::DataType::ftInteger, 4, std::monostate{}};
    };
    run();
    EXPECT_EQ(only("EXEC UPDATE"), (Journal{"EXEC UPDATE IMPORT_RK5_NUTZER SET CU='T' WHERE USERNR=0"}));
}

TEST_F(TransferRunTest, UncountableResultFailsWithTheProgressBarRangeError)
{
    source.results[buildImportPlan()[1].sourceSql].reportedCount = -1;
    EXPECT_EQ(target::test::messageOf<EInvalidOperation>([&] { run(); }),
              ansi("Eigenschaft TProgressBar außerhalb des gültigen Bereichs"));
    EXPECT_TRUE(window.startEnabled && window.quitEnabled);
    EXPECT_EQ(only("EXEC INSERT IMPORT_RK5_REGIONEN").size(), 1u);
    EXPECT_TRUE(only("EXEC INSERT IMPORT_RK5_GEBIETE").empty());
}

TEST_F(TransferRunTest, SecondRunPurgesAgainAndAppendsAnotherJobRecord)
{
    run();
    run();
    EXPECT_EQ(only("EXEC DELETE FROM IMPORT_RK5_REGIONEN").size(), 2u);
    EXPECT_EQ(only("EXEC INSERT IMPORT_RK5_INFO").size(), 2u);
    EXPECT_TRUE(only("EXEC DELETE FROM IMPORT_RK5_INFO").empty());
}

} // namespace
} // namespace rk::transfer

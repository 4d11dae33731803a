// The run over real Paradox tables (the demo set, memos included) through
// the real source query and the mapping thread, with more rows in a slot
// than the read-ahead ring holds. What it stages is checked value by value
// against the same tables read and mapped one row at a time on one thread;
// a failure at or beside a batch border stages exactly the rows before it,
// which the closing actions commit, and the failing row is not counted.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "db/common/ObjectNames.h"
#include "db/paradox/Query.h"
#include "db/paradox/Session.h"
#include "tests/db/paradox/SourceFolder.h"
#include "tests/support/GermanFormats.h"
#include "tests/transfer/TransferDoubles.h"
#include "tools/demo/DemoData.h"
#include "transfer/DatabasePorts.h"
#include "transfer/ImportPlan.h"
#include "transfer/TransferRun.h"
#include "transfer/ValueMapping.h"

namespace rk::transfer {
namespace {

using test::Journal;

constexpr int kRoutes = 3000;  // the WEGE slot: more rows than the ring's 16 batches of 64

class RealSourceRun : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = new rk::test::SourceFolder;
        tools::demo::Manifest manifest(folder->root() / "manifest.jsonl");
        tools::demo::writeDemoSet(folder->data(), {4, 12, 60, kRoutes, 200, 30, 3, 300, 20, 40, 10}, manifest);
    }
    static void TearDownTestSuite()
    {
        delete folder;
        folder = nullptr;
    }
    void SetUp() override { locale::setCurrentFormats(rk::test::germanFormats()); }
    void TearDown() override { locale::setCurrentFormats(locale::LocaleFormats{}); }

    // The INSERT lines of every slot as one thread reading and mapping row
    // after row would stage them.
    static Journal inTurn()
    {
        source::Session session("Default", folder->config());
        source::Query query(session, names::kSourceQuery, names::kSourceAlias);
        Journal journal;
        rk::test::FakeTarget target(journal);
        target.journalValues = true;
        for (const ImportSlot& slot : buildImportPlan()) {
            if (slot.caption.empty() || slot.sourceSql.empty()) continue;
            target.clearSql();
            target.addSql(slot.insertSql);
            query.setSql(slot.sourceSql);
            for (query.open(); !query.eof(); query.next()) {
                for (int p = 0; p < target.paramCount(); ++p)
                    assignParamFromField(target.param(p), query.fieldByName(target.param(p).name));
                target.execute();
            }
        }
        return journal;
    }

    // The run's INSERT lines; `failAt` fails that INSERT into WEGE.
    Journal run(int failAt, bool* failed)
    {
        source::Session session("Default", folder->config());
        source::Query query(session, names::kSourceQuery, names::kSourceAlias);
        SourceQueryAdapter<source::Query> sourcePort(query);
        target.journalValues = true;
        int wege = 0;
        target.onExec = [&](const std::string& sql, int) {
            if (sql.rfind("INSERT INTO IMPORT_RK5_WEGE", 0) == 0 && ++wege == failAt)
                throw EDatabaseError("conversion error from string");
        };
        // The run stops at the first WEGE row long enough for the reading to
        // fill every batch it may, then takes all rows at once.
        bool paused = false;
        window.onProcessMessages = [&] {
            if (wege == 1 && !paused) {
                paused = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
            }
        };
        clock.moments = {1.0, 2.0};
        TransferContext ctx{target, target, sourcePort, window, clock, [] {}, [] { return true; }, "-id:JOB"};
        *failed = false;
        try {
            runTransfer(ctx);
        } catch (const EDatabaseError&) {
            *failed = true;
        }
        return journal;
    }

    static Journal inserts(const Journal& journal)
    {
        Journal out;
        for (const auto& line : journal)
            if (line.rfind("EXEC INSERT IMPORT_RK5_", 0) == 0 && line.rfind("EXEC INSERT IMPORT_RK5_INFO", 0) != 0)
                out.push_back(line);
        return out;
    }

    static rk::test::SourceFolder* folder;
    Journal journal;
    rk::test::FakeTarget target{journal};
    test::FakeWindow window{journal};
    test::FakeClock clock;
};

rk::test::SourceFolder* RealSourceRun::folder = nullptr;

TEST_F(RealSourceRun, EveryValueOfEverySlotIsStagedAsReadInTurn)
{
    const Journal expected = inTurn();
    ASSERT_GT(expected.size(), size_t(kRoutes));
    bool failed = true;
    const Journal staged = inserts(run(0, &failed));
    EXPECT_FALSE(failed);
    ASSERT_EQ(staged.size(), expected.size());
    for (size_t i = 0; i < staged.size(); ++i) ASSERT_EQ(staged[i], expected[i]) << "INSERT " << i;
}

TEST_F(RealSourceRun, AFailureAtABatchBorderStagesAndCommitsTheRowsBeforeIt)
{
    const Journal all = inTurn();
    size_t firstWege = 0;
    while (all[firstWege].rfind("EXEC INSERT IMPORT_RK5_WEGE", 0) != 0) ++firstWege;
    for (int failAt : {64, 65, 1024, 1025, kRoutes}) {
        SCOPED_TRACE(failAt);
        journal.clear();
        bool failed = false;
        const Journal staged = inserts(run(failAt, &failed));
        EXPECT_TRUE(failed);
        const Journal expected(all.begin(), all.begin() + long(firstWege) + failAt - 1);
        EXPECT_EQ(staged, expected);
        EXPECT_EQ(window.progressPosition(ProgressBarId::Rows), failAt - 1) << "the failing row is not counted";
        ASSERT_GE(journal.size(), 3u);
        EXPECT_EQ(Journal(journal.end() - 3, journal.end()), (Journal{"quit button on", "start button on", "COMMIT"}));
    }
}

} // namespace
} // namespace rk::transfer

// Two transfers in one window with its real source and target objects: the
// user mends the data in the old program after a run and presses
// "Übertragung starten" again. The second run must stage the tables as they
// are then, exactly as a program started afresh stages them.
#include <QApplication>
#include <QPushButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>

#include "app/MainWindow.h"
#include "app/RealDatabaseParts.h"
#include "db/common/Ansi.h"
#include "db/paradox/Session.h"
#include "db/paradox/reader/ParadoxTable.h"
#include "tests/app/WindowTestSupport.h"
#include "tests/db/paradox/reader/TempDir.h"
#include "tests/support/FirebirdTestDatabase.h"
#include "tools/demo/DemoData.h"
#include "tools/pxwrite/ParadoxWriter.h"
#include "transfer/ImportPlan.h"

namespace rk::test {
namespace {

namespace fs = std::filesystem;

using Staged = std::map<std::string, std::vector<FirebirdTestDatabase::Row>>;

// Every staged row by table, sorted; the job record carries the time of the run.
Staged staged(const FirebirdTestDatabase& db)
{
    Staged out;
    for (const auto& slot : transfer::buildImportPlan()) {
        if (slot.targetTable.empty()) continue;
        auto rows = db.query("SELECT * FROM " + slot.targetTable);
        std::sort(rows.begin(), rows.end());
        out[slot.targetTable] = std::move(rows);
    }
    return out;
}

// Rewrites `file` with the same columns and header, the value of `column`
// in the last row changed to `text` (Windows-1252).
void changeLastValue(const fs::path& file, const std::string& column, const std::string& text)
{
    auto table = source::paradox::Table::open(file);
    std::vector<tools::pxwrite::Column> columns;
    size_t changed = 0;
    for (const auto& f : table->fields()) {
        if (f.name == column) changed = columns.size();
        columns.push_back({f.name, f.type, f.type == source::paradox::FieldType::Bcd ? f.bcdScale : f.size});
    }
    std::vector<std::vector<db::FieldValue>> rows;
    for (uint32_t r = 0; r < table->recordCount(); ++r) {
        table->readRecord(r);
        rows.emplace_back();
        for (int c = 0; c < static_cast<int>(columns.size()); ++c) rows.back().push_back(table->value(c));
    }
    rows.back()[changed] = text;
    tools::pxwrite::WriterOptions options;
    options.version = table->version();
    options.codePage = table->headerCodePage();
    table.reset();
    tools::pxwrite::ParadoxWriter writer(file, columns, options);
    for (const auto& r : rows) writer.addRow(r);
    writer.finish();
}

class SecondRun : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        fs::create_directories(paradox);
        std::ofstream(config) << "[DBRK]\nPATH=" << paradox.string() << "\n";
    }

    // One press of "Übertragung starten"; nothing may fail or ask (no
    // error, box or file dialog recorded).
    void press(TestMainWindow& window)
    {
        window.startButton()->click();
        EXPECT_EQ(events, Events{});
    }

    TempDir tmp;
    fs::path paradox = tmp.path() / "paradox";
    fs::path config = tmp.path() / "engine.conf";
};

TEST_F(SecondRun, StagesTheTablesAsTheyAreAtTheSecondPress)
{
    tools::demo::Manifest none("");
    tools::demo::DemoCounts counts{4, 10, 30, 60, 20, 10, 2, 5, 5, 10, 5};
    tools::demo::writeDemoSet(paradox, counts, none);

    FirebirdTestDatabase target;
    source::Session session("Default", config);
    TestMainWindow window({target.path()}, events,
                          [&](app::MainWindow& f) { return app::makeDatabaseParts(f, session); });
    press(window);
    const Staged first = staged(target);
    ASSERT_EQ(first.at("IMPORT_RK5_WEGE").size(), 60u);

    // Grown, shrunk and changed between the presses.
    counts.summits = 12;
    counts.routes = 90;
    tools::demo::writeDemoSet(paradox, counts, none);
    changeLastValue(paradox / "REGIONEN.DB", "REGION", ansi("Geändert"));
    press(window);
    const Staged second = staged(target);

    FirebirdTestDatabase freshTarget;
    {
        source::Session freshSession("Default", config);
        TestMainWindow fresh({freshTarget.path()}, events,
                             [&](app::MainWindow& f) { return app::makeDatabaseParts(f, freshSession); });
        press(fresh);
    }
    const Staged afresh = staged(freshTarget);
    EXPECT_EQ(afresh.at("IMPORT_RK5_WEGE").size(), 90u);
    EXPECT_EQ(afresh.at("IMPORT_RK5_GIPFEL").size(), 12u);
    EXPECT_NE(afresh.at("IMPORT_RK5_REGIONEN"), first.at("IMPORT_RK5_REGIONEN"));
    for (const auto& [table, rows] : afresh) EXPECT_EQ(second.at(table), rows) << table;
}

} // namespace
} // namespace rk::test

// The parts of the check that need no database: place lines, what the plan's
// statements say about keys, conditions and columns, the stored form of a
// value per column kind, and a slot read past its problems with the list
// capped and the rest counted.
#include <gtest/gtest.h>

#include "locale/Calendar.h"
#include "locale/LocaleFormats.h"
#include "tests/support/GermanFormats.h"
#include "tests/support/SourceDouble.h"
#include "transfer/SourceCheck.h"
#include "transfer/StagingCompare.h"

namespace rk::transfer {
namespace {

using db::DataType;
using db::Field;
using db::ParamView;
using Kind = db::ParamView::Kind;

TEST(PlaceLineTest, LeavesOutWhatIsUnknown)
{
    struct Case {
        RowPlace place;
        const char* line;
    } cases[] = {
        {{"WEGE", 1233, 17, {{"REG_RGGNR", "17"}, {"POSNR", "3"}}, "EBDATUM"},
         "Tabelle WEGE, Datensatz 1234 (REG_RGGNR 17, POSNR 3), Feld EBDATUM"},
        {{"GEBIETE", -1, 5, {{"REG_R", "SSW"}}, {}}, "Tabelle GEBIETE, Zeile 5 (REG_R SSW)"},
        {{"EB", 0, 1, {}, "NAME"}, "Tabelle EB, Datensatz 1, Feld NAME"},
        {{"EB", -1, -1, {}, {}}, "Tabelle EB"},
    };
    for (const Case& c : cases) EXPECT_EQ(placeLine(c.place), c.line);
}

TEST(PlanStatementsTest, EverySlotNamesItsTableKeysAndOneColumnPerParameter)
{
    const std::vector<std::vector<std::string>> keys = {
        {"POSNR"}, {"REG_R", "POSNR"}, {"REG_RG", "POSNR"}, {"REG_RGGNR", "POSNR"}, {"DATUM", "BEGNRTAG"},
        {"NR"},    {"USERNR"},         {"NR"},              {"NR"},                 {"EBNR"},
        {"NR"}};
    const std::vector<std::string> tables = {"REGIONEN",   "GEBIETE",    "GIPFEL", "WEGE", "BEGEHUNGEN", "NAMENSLISTE",
                                             "NUTZER",     "TAGESNOTIZ", "ZETTELWEGE", "EB", "BILDER"};
    const ImportPlan plan = buildImportPlan();
    for (size_t s = 0; s < tables.size(); ++s) {
        SCOPED_TRACE(plan[s].caption);
        EXPECT_EQ(sourceTableOf(plan[s].sourceSql), tables[s]);
        EXPECT_EQ(keyFieldsOf(plan[s]), keys[s]);
        const std::vector<std::string> names = insertParameterNames(plan[s].insertSql);
        EXPECT_EQ(names, insertColumnNames(plan[s].insertSql));  // the plan names each column after its parameter
        EXPECT_EQ(whereConditionOf(plan[s].sourceSql).empty(), s != 0);
    }
    EXPECT_EQ(conditionInGerman(whereConditionOf(plan[0].sourceSql)), "REG_R ist nicht leer");
    EXPECT_EQ(conditionInGerman("NOT (A IS NULL) AND NOT (B='')"), "A ist nicht leer und B ist nicht leer");
    EXPECT_EQ(conditionInGerman("X > 3"), "X > 3");  // a form it does not know stays SQL
}

TEST(StoredFormTest, IsWhatTheTargetKeeps)
{
    const locale::LocaleFormats german = test::germanFormats();
    const auto day = [](int y, int m, int d) { return db::DateValue{int32_t(locale::daysFromCivil(y, m, d))}; };
    const std::string refused12a = std::string(1, '\x01') + "12a";
    struct Case {
        const char* legend;
        ParamView value;
        StagedColumn column;
        db::FieldValue stored;
    } cases[] = {
        {"NULL stays NULL", {}, {"C", ColumnKind::Text, 10}, std::monostate{}},
        {"fixed text padded", {Kind::Text, 0, "T"}, {"C", ColumnKind::FixedText, 3}, std::string("T  ")},
        {"trailing blank kept", {Kind::Text, 0, " Wort "}, {"C", ColumnKind::Text, 10}, std::string(" Wort ")},
        {"integer into text", {Kind::Integer, -12, {}}, {"C", ColumnKind::Text, 10}, std::string("-12")},
        {"text into integer", {Kind::Text, 0, " 12 "}, {"C", ColumnKind::Integer, 0}, int32_t(12)},
        {"refused text", {Kind::Text, 0, "12a"}, {"C", ColumnKind::Integer, 0}, refused12a},
        {"decimal comma", {Kind::Text, 0, "3,1"}, {"C", ColumnKind::Float, 0}, 3.1},
        {"date text", {Kind::Text, 0, "05.03.2001"}, {"C", ColumnKind::Date, 0}, day(2001, 3, 5)},
        {"time to the second", {Kind::Text, 0, "08:05:09"}, {"C", ColumnKind::Time, 0}, db::TimeValue{29109000}},
    };
    for (const Case& c : cases) EXPECT_EQ(storedForm(c.value, c.column, german), c.stored) << c.legend;
}

TEST(CheckSlotTest, ReadsPastEveryProblemListsAHundredAndCountsTheRest)
{
    const ImportSlot slot{"Regionen", "SELECT * FROM REGIONEN.DB WHERE NOT (REG_R IS NULL) AND NOT (REG_R='') ORDER BY POSNR",
                          "IMPORT_RK5_REGIONEN", "INSERT INTO IMPORT_RK5_REGIONEN (REG_R,REGION) VALUES (:REG_R,:REGION)"};
    test::FakeSource source;
    test::FakeResult all;
    all.rows = 300;
    source.results["SELECT * FROM REGIONEN"] = all;
    // Every second row holds a decimal with a digit that is none.
    test::FakeResult selected;
    selected.rows = 250;
    selected.fields["REGION"] = [](int row) {
        if (row % 2 == 0) return Field{"REGION", DataType::ftString, 20, std::string("R") + std::to_string(row)};
        return Field{"REGION", DataType::ftBCD, 2, db::BcdValue{false, {1, 0xC}, 1}};
    };
    selected.fields["POSNR"] = [](int row) { return Field{"POSNR", DataType::ftSmallint, 0, int32_t(row + 1)}; };
    source.results[slot.sourceSql] = selected;
    test::FakeResult leftOut;
    leftOut.rows = 50;
    leftOut.fields["POSNR"] = [](int row) { return Field{"POSNR", DataType::ftSmallint, 0, int32_t(1000 + row)}; };
    source.results["SELECT * FROM REGIONEN.DB WHERE coalesce((NOT (REG_R IS NULL) AND NOT (REG_R='')), 0) = 0  "
                   "ORDER BY POSNR"] = leftOut;
    // REGION's column holds 3 characters: "R100" and longer are too long.
    const SlotCheck c = checkSlot(source, slot, [](const std::string& table, const std::string& column) {
        return table == "IMPORT_RK5_REGIONEN" && column == "REGION" ? 3 : 0;
    });
    EXPECT_EQ(c.table, "REGIONEN");
    EXPECT_EQ(c.tableRows, 300);
    EXPECT_EQ(c.selectedRows, 250);
    EXPECT_EQ(c.leftOutRows, 50);
    EXPECT_EQ(c.condition, "REG_R ist nicht leer");
    ASSERT_EQ(c.leftOut.size(), 50u);
    EXPECT_EQ(placeLine(c.leftOut[1]), "Tabelle REGIONEN, Zeile 2 (POSNR 1001)");
    // 125 decimals and the 75 texts from R100 on.
    EXPECT_EQ(c.problemCount, 125 + 75);
    ASSERT_EQ(c.problems.size(), kListedPerTable);
    EXPECT_EQ(placeLine(c.problems[0].place), "Tabelle REGIONEN, Zeile 2 (POSNR 2), Feld REGION");
    EXPECT_EQ(c.problems[0].value, "1,C");
    EXPECT_EQ(c.problems[0].message, ansi("Feld 'REGION' enthält keinen gültigen BCD-Wert"));
    EXPECT_FALSE(c.readingStopped);
}

} // namespace
} // namespace rk::transfer

// The end-to-end proof: the built rk_vad2av runs unattended on the demo
// data set, and every staged row is compared with the value computed from
// the generator's manifest by the documented rules (ExpectedStaging.h):
// counts, text bytes, NULLs, integers and dates, the current-user mark and
// the job record. A second run must leave only its own rows and a second
// job record, and the source files must stay byte for byte as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <strings.h>

#include "db/common/Ansi.h"
#include "tests/e2e/proof/ExpectedStaging.h"
#include "tests/e2e/proof/ManifestReader.h"
#include "tests/robustness/ProgramTest.h"

namespace rk::test {
namespace {

using Row = FirebirdTestDatabase::Row;

const char* const kTables[] = {"REGIONEN", "GEBIETE", "GIPFEL", "WEGE", "BEGEHUNGEN", "NAMENSLISTE",
                               "NUTZER", "TAGESNOTIZ", "ZETTELWEGE", "EB", "BILDER"};

std::string show(const FirebirdTestDatabase::Value& v)
{
    if (!v) return "NULL";
    std::string s = "\"";
    for (unsigned char c : *v) {
        if (c >= 0x20 && c < 0x7F && c != '"') {
            s += static_cast<char>(c);
        } else {
            char b[8];
            std::snprintf(b, sizeof b, "\\x%02X", c);
            s += b;
        }
    }
    return s + "\"";
}

struct TargetColumn {
    std::string name;
    int type;
};

std::vector<TargetColumn> targetColumns(const FirebirdTestDatabase& db, const std::string& table)
{
    std::vector<TargetColumn> out;
    for (const Row& r : db.query("SELECT TRIM(RF.RDB$FIELD_NAME), F.RDB$FIELD_TYPE FROM RDB$RELATION_FIELDS RF "
                                 "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
                                 "WHERE RF.RDB$RELATION_NAME = '" + table + "' ORDER BY RF.RDB$FIELD_POSITION"))
        if (*r[0] != "CU") out.push_back({*r[0], std::stoi(*r[1])});
    return out;
}

// The rows slot `source` must stage, in the target's column order.
std::vector<Row> expectedRows(const std::map<std::string, ManifestTable>& manifest, const std::string& source,
                              const std::vector<TargetColumn>& columns)
{
    const ManifestTable& t = manifest.at(source);
    const ManifestTable* rocks = source == "GEBIETE" ? &manifest.at("GESTEINE") : nullptr;
    std::vector<Row> rows;
    for (const auto& values : t.rows) {
        if (source == "REGIONEN") {
            const JsonValue& reg = values[static_cast<size_t>(t.column("REG_R"))];
            if (reg.kind == JsonValue::Null || reg.text.empty()) continue;
        }
        // The LEFT OUTER JOIN: the rock row with the same number, if any.
        const std::vector<JsonValue>* rock = nullptr;
        if (rocks) {
            const JsonValue& nr = values[static_cast<size_t>(t.column("GesteinNr"))];
            for (const auto& r : rocks->rows)
                if (nr.kind != JsonValue::Null && r[static_cast<size_t>(rocks->column("GesteinNr"))].text == nr.text)
                    rock = &r;
        }
        Row row;
        for (const TargetColumn& c : columns) {
            int i = t.column(c.name);
            if (i >= 0) {
                row.push_back(stagedForm(mapValue(t.columns[static_cast<size_t>(i)], values[static_cast<size_t>(i)]), c.type));
                continue;
            }
            i = rocks ? rocks->column(c.name) : -1;
            if (i < 0) throw std::runtime_error(source + " has no column " + c.name);
            row.push_back(rock ? stagedForm(mapValue(rocks->columns[static_cast<size_t>(i)], (*rock)[static_cast<size_t>(i)]), c.type)
                               : std::nullopt);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// Every staged value, or only the columns of one target type.
void expectStagedAsComputed(const FirebirdTestDatabase& db, const std::map<std::string, ManifestTable>& manifest,
                            int onlyType = -1)
{
    for (const char* source : kTables) {
        SCOPED_TRACE(source);
        const std::string target = std::string("IMPORT_RK5_") + source;
        auto columns = targetColumns(db, target);
        ASSERT_FALSE(columns.empty());
        if (onlyType >= 0) std::erase_if(columns, [&](const TargetColumn& c) { return c.type != onlyType; });
        if (columns.empty()) continue;
        std::string list;
        for (const auto& c : columns) list += (list.empty() ? "" : ", ") + c.name;
        std::vector<Row> actual = db.query("SELECT " + list + " FROM " + target);
        std::vector<Row> expected = expectedRows(manifest, source, columns);
        ASSERT_EQ(actual.size(), expected.size());
        std::sort(actual.begin(), actual.end());
        std::sort(expected.begin(), expected.end());
        int reported = 0;
        for (size_t r = 0; r < actual.size() && reported < 8; ++r)
            for (size_t c = 0; c < columns.size(); ++c)
                if (actual[r][c] != expected[r][c] && reported++ < 8)
                    ADD_FAILURE() << target << "." << columns[c].name << " (sorted row " << r
                                  << "): staged " << show(actual[r][c]) << ", expected " << show(expected[r][c]);
    }
}

std::string today()
{
    const std::time_t now = std::time(nullptr);
    char b[16];
    std::strftime(b, sizeof b, "%Y-%m-%d", std::localtime(&now));
    return b;
}

class ProofTest : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        if (IsSkipped()) return;
        tools::demo::Manifest m(tmp.path() / "manifest.jsonl");
        tools::demo::writeDemoSet(paradox, tools::demo::DemoSize::Demo, m);
        m.close();
        manifest = readManifest(tmp.path() / "manifest.jsonl");
    }

    void transfer(const std::string& jobId)
    {
        const ProgramResult r = runProgram(tmp.path(), paradox, {"-auto", "-nomessage", "-id:" + jobId, db.path()});
        ASSERT_EQ(r.exitCode, 0) << r.output;
    }

    FirebirdTestDatabase db;
    std::map<std::string, ManifestTable> manifest;
};

TEST_F(ProofTest, EveryStagedValueIsTheDocumentedFormOfTheSourceValue)
{
    const auto before = snapshotFiles(paradox);
    transfer("PROOF1");
    expectStagedAsComputed(db, manifest);

    // The source's current user is marked, nobody else.
    const auto& current = manifest.at("CURRENTUSER");
    const std::string user = current.rows.at(0).at(0).text;
    EXPECT_EQ(db.query("SELECT USERNR FROM IMPORT_RK5_NUTZER WHERE CU = 'T'"), (std::vector<Row>{{user}}));
    EXPECT_EQ(*db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_NUTZER WHERE CU IS NULL"),
              std::to_string(manifest.at("NUTZER").rows.size() - 1));

    const auto info = db.query("SELECT STATUS, JOB_ID, INFO, DATUM FROM IMPORT_RK5_INFO");
    ASSERT_EQ(info.size(), 1u);
    EXPECT_EQ(info[0][0], "T");
    EXPECT_EQ(info[0][1], "-id:PROOF1");  // an argument of up to 32 characters is taken whole
    EXPECT_EQ(info[0][2], std::nullopt);
    EXPECT_EQ(info[0][3], today());

    EXPECT_EQ(snapshotFiles(paradox), before) << "the transfer changed a source file";

    // The check, run as a person would after the transfer, finds the staging set equal to its source.
    const ProgramResult check = runProgram(tmp.path(), paradox, {"--check", db.path()});
    EXPECT_EQ(check.exitCode, 0) << check.output;
}

TEST_F(ProofTest, SecondRunLeavesOnlyItsOwnRowsAndTwoJobRecords)
{
    const auto before = snapshotFiles(paradox);
    const std::string longId = "JOB-2026-12-09-0001-ABCDEFGHIJKL";  // 32 characters: taken without "-id:"
    ASSERT_EQ(longId.size(), 32u);
    transfer(longId);
    // Rows the second run must purge, in every staging table.
    for (const char* source : kTables) db.execute(std::string("INSERT INTO IMPORT_RK5_") + source + " (" +
                                                  targetColumns(db, std::string("IMPORT_RK5_") + source)[0].name +
                                                  ") VALUES (NULL)");
    transfer("ZWEITER");
    expectStagedAsComputed(db, manifest);
    EXPECT_EQ(db.query("SELECT JOB_ID, STATUS FROM IMPORT_RK5_INFO ORDER BY JOB_ID DESC"),
              (std::vector<Row>{{longId, "T"}, {"-id:ZWEITER", "T"}}));
    EXPECT_EQ(snapshotFiles(paradox), before);
}

// A locale the machine does not have, and C: the program's date pattern is
// then a fallback or the C locale's, and every date must keep its century.
class ProofUnderLocale : public ProofTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ProofUnderLocale, EveryDateKeepsItsCentury)
{
    const ProgramResult r =
        runProgram(tmp.path(), paradox, {"-auto", "-nomessage", "-id:LOCALE", db.path()}, std::chrono::seconds(120),
                   GetParam());
    ASSERT_EQ(r.exitCode, 0) << r.output;
    // The demo set has dates of the last century to lose.
    EXPECT_NE(*db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_WEGE WHERE EXTRACT(YEAR FROM EBDATUM) < 1976"), "0");
    expectStagedAsComputed(db, manifest, kDate);
    // Under the same regional formats the check reads the dates back as the run wrote them.
    const ProgramResult check =
        runProgram(tmp.path(), paradox, {"--check", db.path()}, std::chrono::seconds(120), GetParam());
    EXPECT_EQ(check.exitCode, 0) << check.output;
}

INSTANTIATE_TEST_SUITE_P(Locales, ProofUnderLocale, ::testing::Values("xx_XX.UTF-8", "C"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param[0] == 'C' ? "C" : "Uninstalled");
                         });

// The oracle's number forms against the documented examples, so that a
// fault in the test's own formatting cannot hide one of the program's.
TEST(ProofOracle, NumberFormsFollowTheDocumentedExamples)
{
    const std::pair<double, const char*> floats[] = {
        {0.5, "0,5"}, {-0.5, "-0,5"}, {0.0, "0"}, {1e-5, "1E-5"}, {1e15, "1E15"}, {0.0001, "0,0001"},
        {1.0 / 3.0, "0,333333333333333"}, {2.0 / 3.0, "0,666666666666667"}, {123456789012345.0, "123456789012345"},
        {12.5, "12,5"}, {-1e-4, "-0,0001"}, {1234567.5, "1234567,5"}};
    for (const auto& [x, text] : floats) EXPECT_EQ(generalFloat(x), text) << x;
    const std::pair<long long, const char*> money[] = {{125000, "12,5"}, {30000, "3"}, {1, "0,0001"}, {-72500, "-7,25"}, {0, "0"}};
    for (const auto& [v, text] : money) EXPECT_EQ(generalCurrency(v), text) << v;
}

} // namespace
} // namespace rk::test

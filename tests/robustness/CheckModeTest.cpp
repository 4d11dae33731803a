// The check mode as a calling program uses it, on the demo set: the
// left-out regions named with their keys, damaged values named with record
// and field, a clean staging set found equal and every kind of later change
// found with its table and row; and a run that fails on a damaged record
// saying where. Nothing is written by a check: the source folder and, where
// the check reads one, the staging tables stay as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "db/paradox/reader/ParadoxTable.h"
#include "tests/robustness/ProgramTest.h"

namespace rk::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using source::paradox::Table;

class CheckModeTest : public DemoSetTest {
protected:
    ProgramResult run(const std::vector<std::string>& args) { return runProgram(tmp.path(), paradox, args, 120s); }
    void transfer()
    {
        const ProgramResult r = run({"-auto", "-nomessage", db.path()});
        ASSERT_EQ(r.exitCode, 0) << r.output;
    }

    // Damages one value in each of the first records at or after each of
    // `from` that hold one worth damaging: a positive WERTUNGHEINI gets the
    // digits C and C, a NOTIZ longer than its record's leader a pointer past
    // the end of WEGE.MB. Returns the record numbers (from 1) hit.
    std::vector<uint32_t> damageWege(const std::string& fieldName, std::vector<uint32_t> from)
    {
        const fs::path file = paradox / "WEGE.DB";
        std::vector<uint32_t> hit;
        std::unique_ptr<Table> t = Table::open(file);
        int field = 0, offset = 0;
        for (; t->fields()[size_t(field)].name != fieldName; ++field) offset += t->fields()[size_t(field)].size;
        const int size = t->fields()[size_t(field)].size;
        const bool memo = fieldName == "NOTIZ";
        std::ifstream in(file, std::ios::binary);
        char head[4];
        in.read(head, 4);
        const int headerSize = uint8_t(head[2]) | uint8_t(head[3]) << 8;
        const uint32_t perBlock = uint32_t((t->blockSize() - 6) / t->recordSize());
        std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
        for (uint32_t r : from) {
            for (;; ++r) {
                t->readRecord(r);
                const db::FieldValue v = t->value(field);
                const auto* bcd = std::get_if<db::BcdValue>(&v);
                const auto* text = std::get_if<std::string>(&v);
                if (memo ? text && int(text->size()) > size - 10 : bcd && !bcd->negative) break;
            }
            const long at = headerSize + long(r / perBlock) * t->blockSize() + 6 + long(r % perBlock) * t->recordSize() +
                            offset;
            if (memo) {
                out.seekp(at + size - 10 + 1);  // the pointer's block number, after its sub-allocation index
                out.write("\xF0\xFF\xFF", 3);
            } else {
                out.seekp(at + 16);
                out.put(char(0xCC));
            }
            hit.push_back(r + 1);
        }
        return hit;
    }

    static int count(const std::string& text, const std::string& needle)
    {
        int n = 0;
        for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
        return n;
    }
};

TEST_F(CheckModeTest, NamesTheLeftOutRegionsWithTheirKeys)
{
    const auto before = snapshotFiles(paradox);
    const ProgramResult r = run({"--check", "--json"});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_NE(r.output.find("\"table\":\"REGIONEN\",\"caption\":\"Regionen\",\"target_table\":\"IMPORT_RK5_REGIONEN\","
                            "\"source_rows\":10,\"selected_rows\":8,\"left_out_rows\":2,"
                            "\"condition\":\"REG_R ist nicht leer\",\"problems\":0"),
              std::string::npos)
        << r.output;
    for (const char* row : {"{\"type\":\"left_out\",\"table\":\"REGIONEN\",\"record\":3,\"position\":1,"
                            "\"keys\":{\"POSNR\":\"3\"},\"field\":null}",
                            "{\"type\":\"left_out\",\"table\":\"REGIONEN\",\"record\":6,\"position\":2,"
                            "\"keys\":{\"POSNR\":\"6\"},\"field\":null}"})
        EXPECT_NE(r.output.find(row), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("{\"type\":\"result\",\"ok\":true}"), std::string::npos) << r.output;
    EXPECT_EQ(snapshotFiles(paradox), before);
}

TEST_F(CheckModeTest, NamesEveryDamagedValueAndWritesNothing)
{
    std::vector<uint32_t> records = damageWege("WERTUNGHEINI", {20, 333});
    const uint32_t memo = damageWege("NOTIZ", {150}).front();
    records.push_back(memo);
    const auto before = snapshotFiles(paradox);
    const ProgramResult r = run({"--check", "--json", db.path()});
    EXPECT_EQ(r.exitCode, 2) << r.output;
    EXPECT_EQ(count(r.output, "\"type\":\"problem\""), 3) << r.output;
    for (uint32_t record : records) {
        const std::string where = "\"table\":\"WEGE\",\"record\":" + std::to_string(record) + ",";
        const size_t at = r.output.find(where);
        ASSERT_NE(at, std::string::npos) << where << "\n" << r.output;
        const std::string line = r.output.substr(at, r.output.find('\n', at) - at);
        if (record == memo) {
            // A record that cannot be read names no keys: its values never arrived.
            EXPECT_NE(line.find("\"keys\":{},\"field\":\"NOTIZ\""), std::string::npos) << line;
            EXPECT_NE(line.find("WEGE.MB"), std::string::npos) << line;
            continue;
        }
        EXPECT_NE(line.find("\"keys\":{\"REG_RGGNR\":"), std::string::npos) << line;
        EXPECT_NE(line.find("\"field\":\"WERTUNGHEINI\""), std::string::npos) << line;
        EXPECT_NE(line.find("\"message\":\"Feld 'WERTUNGHEINI' enthält keinen gültigen BCD-Wert\""), std::string::npos)
            << line;
    }
    EXPECT_EQ(snapshotFiles(paradox), before);
    EXPECT_EQ(*db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_WEGE"), "0");
    EXPECT_EQ(*db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_INFO"), "0");
}

TEST_F(CheckModeTest, FindsACleanStagingSetEqual)
{
    transfer();
    const ProgramResult r = run({"--check", db.path()});
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(count(r.output, "  gleich\n"), 11) << r.output;
    EXPECT_NE(r.output.find("Ergebnis: die Zieldatenbank enthält genau, was die Quelldaten ergeben."),
              std::string::npos)
        << r.output;
}

TEST_F(CheckModeTest, ARunFailingOnADamagedRecordSaysWhere)
{
    const uint32_t record = damageWege("WERTUNGHEINI", {100}).front();
    const ProgramResult r = run({"-auto", "-nomessage", db.path()});
    EXPECT_EQ(r.exitCode, 2) << r.output;
    // The box, as nobody is at the screen: one line on standard error.
    const std::string box = "RK_VAD2AV: Feld 'WERTUNGHEINI' enthält keinen gültigen BCD-Wert. Tabelle WEGE, Datensatz " +
                            std::to_string(record) + " (REG_RGGNR ";
    EXPECT_EQ(count(r.output, box), 1) << r.output;
    EXPECT_EQ(count(r.output, "Tabelle WEGE"), 1) << r.output;  // nowhere else, the status log included
    EXPECT_NE(r.output.find(", Feld WERTUNGHEINI\n"), std::string::npos) << r.output;
}

TEST_F(CheckModeTest, NamesTextsLongerThanTheirTargetColumn)
{
    db.execute("DROP TABLE IMPORT_RK5_NUTZER");
    db.execute("CREATE TABLE IMPORT_RK5_NUTZER (USERNR INTEGER, NAME VARCHAR(6), VORNAME VARCHAR(60), "
               "SPITZNAME VARCHAR(60), CU CHAR(1))");
    const ProgramResult r = run({"--check", "--json", db.path()});
    EXPECT_EQ(r.exitCode, 2) << r.output;
    // "Perry-Smith" is the one name of more than six characters.
    EXPECT_EQ(count(r.output, "\"type\":\"problem\""), 1) << r.output;
    EXPECT_NE(r.output.find("{\"type\":\"problem\",\"table\":\"NUTZER\",\"record\":2,\"position\":2,"
                            "\"keys\":{\"USERNR\":\"2\"},\"field\":\"NAME\",\"value\":\"Perry-Smith\","
                            "\"message\":\"Versuch, String mit der Länge 11 in einem Feld zu speichern, das nur 6 "
                            "aufnehmen kann\"}"),
              std::string::npos)
        << r.output;
    // A run stops at that row, and its error says where, the parameter included.
    const ProgramResult failed = run({"-auto", "-nomessage", db.path()});
    EXPECT_EQ(failed.exitCode, 2) << failed.output;
    EXPECT_NE(failed.output.find("Versuch, String mit der Länge 11 in einem Feld zu speichern, das nur 6 aufnehmen "
                                 "kann. Tabelle NUTZER, Datensatz 2 (USERNR 2), Feld NAME\n"),
              std::string::npos)
        << failed.output;
}

TEST_F(CheckModeTest, NamesSourceFilesChangedAfterTheJobRecord)
{
    transfer();
    fs::last_write_time(paradox / "WEGE.DB", fs::file_time_type::clock::now() + std::chrono::hours(1));
    const ProgramResult r = run({"--check", "--json", db.path()});
    EXPECT_EQ(r.exitCode, 2) << r.output;
    EXPECT_NE(r.output.find("\"changed_files\":[\"WEGE.DB\"]}"), std::string::npos) << r.output;
}

struct Change {
    const char* legend;
    const char* sql;       // Windows-1252, one statement per line
    const char* expected;  // a part of the check's JSON output
};

void PrintTo(const Change& c, std::ostream* os) { *os << c.legend; }

class StagingChangeTest : public CheckModeTest, public ::testing::WithParamInterface<Change> {};

TEST_P(StagingChangeTest, IsFoundWithTableAndRow)
{
    transfer();
    const std::string sql = GetParam().sql;
    for (size_t from = 0, bar; from <= sql.size(); from = bar + 1) {
        bar = std::min(sql.find('\n', from), sql.size());
        db.execute(sql.substr(from, bar - from));
    }
    const ProgramResult r = run({"--check", "--json", db.path()});
    EXPECT_EQ(r.exitCode, 2) << r.output;
    EXPECT_NE(r.output.find(GetParam().expected), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("{\"type\":\"result\",\"ok\":false}"), std::string::npos) << r.output;
}

INSTANTIATE_TEST_SUITE_P(
    Changes, StagingChangeTest,
    ::testing::Values(
        Change{"RowDeleted", "DELETE FROM IMPORT_RK5_NUTZER WHERE USERNR = 2",
               "\"kind\":\"missing\",\"target_table\":\"IMPORT_RK5_NUTZER\",\"table\":\"NUTZER\",\"record\":2,"
               "\"position\":2,\"keys\":{\"USERNR\":\"2\"}"},
        Change{"RowAdded", "INSERT INTO IMPORT_RK5_EB (EBNR, NAME) VALUES (9999, 'Neu')",
               "\"kind\":\"extra\",\"target_table\":\"IMPORT_RK5_EB\",\"table\":\"IMPORT_RK5_EB\",\"record\":null,"
               "\"position\":81,\"keys\":{\"EBNR\":\"9999\"}"},
        Change{"ValueChanged", "UPDATE IMPORT_RK5_NAMENSLISTE SET VORNAME = 'Anders' WHERE NR = 4",
               "\"kind\":\"different\",\"target_table\":\"IMPORT_RK5_NAMENSLISTE\",\"table\":\"NAMENSLISTE\","
               "\"record\":4,\"position\":4,\"keys\":{\"NR\":\"4\"},\"field\":null,\"column\":\"VORNAME\""},
        Change{"TrailingBlankAdded", "UPDATE IMPORT_RK5_WEGE SET WEG = WEG || ' ' WHERE WEG = ' Wort '",
               "\"column\":\"WEG\",\"staged\":\"\\\" Wort  \\\"\",\"expected\":\"\\\" Wort \\\"\"}"},
        Change{"UmlautReplaced", "UPDATE IMPORT_RK5_NUTZER SET NAME = 'Mueller' WHERE USERNR = 3",
               "\"kind\":\"different\",\"target_table\":\"IMPORT_RK5_NUTZER\",\"table\":\"NUTZER\",\"record\":3,"
               "\"position\":3,\"keys\":{\"USERNR\":\"3\"},\"field\":null,\"column\":\"NAME\","
               "\"staged\":\"\\\"Mueller\\\"\",\"expected\":\"\\\"Müller\\\"\"}"},
        Change{"OrderChanged",
               "INSERT INTO IMPORT_RK5_GIPFEL SELECT FIRST 1 * FROM IMPORT_RK5_GIPFEL\n"
               "DELETE FROM IMPORT_RK5_GIPFEL ROWS 1",
               "{\"type\":\"staging_table\",\"table\":\"IMPORT_RK5_GIPFEL\",\"source_table\":\"GIPFEL\","
               "\"staged_rows\":120,\"expected_rows\":120,\"equal_rows\":120,\"missing_rows\":0,\"extra_rows\":0,"
               "\"different_rows\":0,\"order_differs\":true"},
        Change{"JobRecordDeleted", "DELETE FROM IMPORT_RK5_INFO",
               "{\"type\":\"job_record\",\"present\":false,\"written\":null,\"changed_files\":[]}"}),
    [](const auto& info) { return std::string(info.param.legend); });

} // namespace
} // namespace rk::test

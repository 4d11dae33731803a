// Whatever shortcut the SQL layer takes (the equality index, the sorted
// record numbers, the values read beside SQLite), a statement must give the
// rows that plain SQLite gives over the same rows in ordinary tables. Each
// statement of the table runs through the source query and through such a copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "db/common/Ansi.h"
#include "db/common/ObjectNames.h"
#include "db/paradox/FieldTypes.h"
#include "db/paradox/Query.h"
#include "db/paradox/Session.h"
#include "db/paradox/SqlConnection.h"
#include "db/paradox/SqlText.h"
#include "db/paradox/SqlValues.h"
#include "tests/db/paradox/SourceFolder.h"

namespace rk::source {
namespace {

using db::FieldValue;
using FT = paradox::FieldType;
using Rows = std::vector<std::vector<std::string>>;

std::string exact(const char* prefix, double d)
{
    char number[40];
    std::snprintf(number, sizeof number, "%s%.17g", prefix, d);
    return number;
}

std::string show(const FieldValue& v)
{
    if (auto* i = std::get_if<int32_t>(&v)) return "i" + std::to_string(*i);
    if (auto* d = std::get_if<double>(&v)) return exact("f", *d);
    if (auto* b = std::get_if<bool>(&v)) return *b ? "true" : "false";
    if (auto* bcd = std::get_if<db::BcdValue>(&v)) return "bcd" + detail::encodeBcd(*bcd);
    if (auto* dt = std::get_if<db::DateValue>(&v)) return "date" + std::to_string(dt->days);
    if (auto* t = std::get_if<db::TimeValue>(&v)) return "time" + std::to_string(t->msecs);
    if (auto* ts = std::get_if<db::TimestampValue>(&v)) return exact("ts", ts->msecs);
    if (auto* s = std::get_if<std::string>(&v)) return "'" + *s + "'";
    return "NULL";
}

struct Statement {
    const char* sql;
    bool ordered; // the ORDER BY decides the order of every row
};

void PrintTo(const Statement& s, std::ostream* os) { *os << s.sql; }

class SqlAgreement : public testing::TestWithParam<Statement> {
protected:
    static void SetUpTestSuite()
    {
        folder = new test::SourceFolder;
        const FieldValue blank;
        const auto S = [](const char* utf8) { return FieldValue(ansi(utf8)); };
        const std::vector<tools::pxwrite::Column> names = {
            {"NR", FT::Long}, {"NAME", FT::Alpha, 10}, {"GRP", FT::Long}, {"D", FT::Date}};
        folder->table("NAMEN.DB", names,
                      {{1, S("berta"), 1, db::DateValue{700000}},
                       {2, S("Berta"), 2, blank},
                       {3, S("BERTA"), 1, db::DateValue{700001}},
                       {4, S("anton"), 2, db::DateValue{699999}},
                       {5, blank, 1, blank},
                       {6, S("Cäsar"), blank, db::DateValue{700000}},
                       {7, S("5"), 3, blank}});
        folder->table("MEHR.DB", names, {{10, S("dora"), 1, blank}, {3, S("BERTA"), 1, db::DateValue{700001}}});
        folder->table("GRUPPEN.DB", {{"GRP", FT::Long}, {"TITEL", FT::Alpha, 10}},
                      {{1, S("BERTA")}, {2, S("Anton")}, {4, S("leer")}});
        // Columns that take the names SQLite gives the record number.
        folder->table("NUMMERN.DB", {{"ROWID", FT::Long}, {"WERT", FT::Alpha, 10}},
                      {{100, S("c")}, {42, S("a")}, {7, S("b")}});
        folder->table("ALLEIDS.DB", {{"ROWID", FT::Long}, {"OID", FT::Long}, {"_ROWID_", FT::Long}, {"X", FT::Alpha, 4}},
                      {{9, 8, 7, S("x")}, {1, 2, 3, S("y")}});
        reference = copyIntoPlainTables({"NAMEN", "MEHR", "GRUPPEN", "NUMMERN", "ALLEIDS"});
    }
    static void TearDownTestSuite()
    {
        sqlite3_close(reference);
        delete folder;
    }

    // The rows of every table, read by a plain scan, in tables of the same
    // columns and declared types of an ordinary SQLite database.
    static sqlite3* copyIntoPlainTables(const std::vector<std::string>& tables)
    {
        sqlite3* db = nullptr;
        sqlite3_open(":memory:", &db);
        detail::SqlConnection source(folder->data(), {});
        for (const std::string& t : tables) {
            detail::Statement all = source.prepare("SELECT * FROM " + t);
            const int n = sqlite3_column_count(all.get());
            std::string create = "CREATE TABLE " + t + " (", insert = "INSERT INTO " + t + " VALUES (";
            for (int i = 0; i < n; ++i) {
                create += std::string(i ? ", " : "") + "\"" + sqlite3_column_name(all.get(), i) + "\" " +
                          sqlite3_column_decltype(all.get(), i);
                insert += i ? ", ?" : "?";
            }
            EXPECT_EQ(sqlite3_exec(db, (create + ")").c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << create;
            sqlite3_stmt* ins = nullptr;
            sqlite3_prepare_v2(db, (insert + ")").c_str(), -1, &ins, nullptr);
            while (source.step(all.get())) {
                for (int i = 0; i < n; ++i) sqlite3_bind_value(ins, i + 1, sqlite3_column_value(all.get(), i));
                EXPECT_EQ(sqlite3_step(ins), SQLITE_DONE);
                sqlite3_reset(ins);
            }
            sqlite3_finalize(ins);
        }
        return db;
    }

    static Rows throughPlainSqlite(const std::string& sql)
    {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(reference, stripTableExtensions(sql).c_str(), -1, &s, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "plain SQLite refuses " << sql << ": " << sqlite3_errmsg(reference);
            return {};
        }
        Rows rows;
        FieldValue v;
        while (sqlite3_step(s) == SQLITE_ROW) {
            rows.emplace_back();
            for (int i = 0; i < sqlite3_column_count(s); ++i) {
                if (auto declared = parseDeclaredType(sqlite3_column_decltype(s, i)))
                    detail::readColumn(s, i, declared->kind, v);
                else
                    detail::readUntypedColumn(s, i, v);
                rows.back().push_back(show(v));
            }
        }
        sqlite3_finalize(s);
        return rows;
    }

    static Rows throughTheLayer(const std::string& sql)
    {
        Session session("Default", folder->config());
        Query query(session, names::kSourceQuery, names::kSourceAlias);
        query.setSql(sql);
        Rows rows;
        try {
            query.open();
            for (; !query.eof(); query.next()) {
                rows.emplace_back();
                for (int i = 0; i < query.fieldCount(); ++i) rows.back().push_back(show(query.fields(i).value));
            }
        } catch (const rk::Exception& e) {
            ADD_FAILURE() << "the layer refuses " << sql << ": " << toUtf8(e.message());
        }
        return rows;
    }

    static test::SourceFolder* folder;
    static sqlite3* reference;
};

test::SourceFolder* SqlAgreement::folder = nullptr;
sqlite3* SqlAgreement::reference = nullptr;

TEST_P(SqlAgreement, GivesTheRowsOfPlainSqlite)
{
    Rows layer = throughTheLayer(GetParam().sql);
    Rows plain = throughPlainSqlite(GetParam().sql);
    EXPECT_FALSE(plain.empty()) << "a statement without rows proves little";
    if (!GetParam().ordered) {
        std::sort(layer.begin(), layer.end());
        std::sort(plain.begin(), plain.end());
    }
    EXPECT_EQ(layer, plain);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, SqlAgreement,
    testing::Values(
        // The equality index holds bytes: another collation matches more rows.
        Statement{"SELECT * FROM NAMEN WHERE NAME = 'berta'", false},
        Statement{"SELECT * FROM NAMEN WHERE NAME = 'BERTA' COLLATE NOCASE", false},
        Statement{"SELECT * FROM NAMEN WHERE NAME COLLATE NOCASE = 'Berta'", false},
        Statement{"SELECT * FROM NAMEN WHERE NAME = 'berta ' COLLATE RTRIM", false},
        Statement{"SELECT * FROM NAMEN LEFT OUTER JOIN GRUPPEN ON GRUPPEN.TITEL = NAMEN.NAME COLLATE NOCASE", false},
        Statement{"SELECT * FROM GRUPPEN LEFT OUTER JOIN NAMEN ON NAMEN.NAME = GRUPPEN.TITEL COLLATE NOCASE", false},
        // Values of another type than the column's: affinity decides.
        Statement{"SELECT * FROM NAMEN WHERE NR = '3'", false},
        Statement{"SELECT * FROM NAMEN WHERE NAME = 5", false},
        Statement{"SELECT * FROM NAMEN WHERE NR = 3.0", false},
        Statement{"SELECT * FROM NAMEN WHERE GRP IN (1, 3)", false},
        Statement{"SELECT * FROM NAMEN WHERE D = 700000", false},
        // Orders the layer sorts itself, and those it leaves to SQLite.
        Statement{"SELECT * FROM NAMEN ORDER BY NAME DESC, NR", true},
        Statement{"SELECT * FROM NAMEN ORDER BY NAME COLLATE NOCASE, NR", true},
        Statement{"SELECT * FROM NAMEN ORDER BY GRP NULLS LAST, NR DESC", true},
        Statement{"SELECT * FROM NAMEN ORDER BY 2, 1", true},
        Statement{"SELECT * FROM NAMEN ORDER BY D, 1 DESC", true},
        Statement{"SELECT * FROM NAMEN ORDER BY NR DESC LIMIT 3 OFFSET 1", true},
        Statement{"SELECT * FROM NAMEN.DB WHERE NOT (NAME IS NULL) AND NOT (NAME='') ORDER BY GRP, NR", true},
        Statement{"SELECT * FROM GRUPPEN LEFT OUTER JOIN NAMEN ON NAMEN.GRP=GRUPPEN.GRP ORDER BY GRUPPEN.GRP, NR", true},
        // More than one SELECT or table.
        Statement{"SELECT * FROM NAMEN UNION ALL SELECT * FROM MEHR", false},
        Statement{"SELECT * FROM NAMEN UNION SELECT * FROM MEHR", false},
        Statement{"SELECT * FROM NAMEN INTERSECT SELECT * FROM MEHR", false},
        Statement{"SELECT * FROM NAMEN WHERE NR IN (SELECT NR FROM MEHR) OR GRP = 2", false},
        Statement{"SELECT * FROM (SELECT * FROM NAMEN WHERE GRP = 1)", false},
        Statement{"SELECT * FROM NAMEN, GRUPPEN WHERE GRUPPEN.GRP = NAMEN.GRP", false},
        Statement{"SELECT * FROM NAMEN N WHERE N.GRP = 1", false},
        // Columns named like the record number.
        Statement{"SELECT * FROM NUMMERN ORDER BY WERT", true},
        Statement{"SELECT * FROM NUMMERN WHERE ROWID = 42", false},
        Statement{"SELECT * FROM ALLEIDS ORDER BY X", true}),
    [](const testing::TestParamInfo<Statement>& info) { return "S" + std::to_string(info.index); });

} // namespace
} // namespace rk::source

// The source query over generated Paradox tables: the import plan's kinds of
// statements, field lookup, row count and end test, and the errors.
#include "db/paradox/Query.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "db/common/Ansi.h"
#include "db/common/ObjectNames.h"
#include "db/paradox/Connection.h"
#include "db/paradox/EngineError.h"
#include "db/paradox/NameRules.h"
#include "db/paradox/Session.h"
#include "tests/db/paradox/SourceFolder.h"
#include "tests/support/ExceptionMessage.h"

namespace rk::source {
namespace {

using db::FieldValue;
using tools::pxwrite::Column;
using FT = paradox::FieldType;
using test::messageOf;

FieldValue L(int32_t v) { return v; }
FieldValue S(const char* utf8) { return ansi(utf8); }
const FieldValue kBlank{};

class QueryTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder.table("GEBIETE.DB",
                     {{"REG_R", FT::Alpha, 10}, {"POSNR", FT::Long}, {"GesteinNr", FT::Long}, {"GEBIET", FT::Alpha, 40}},
                     {{S("SX"), L(2), L(1), S("Bielatal")},
                      {S("BW"), L(1), L(7), S("Donautal")},
                      {S("SX"), L(1), L(2), S("Rathen")},
                      {S("SX"), L(2), kBlank, S("Schmilka")}});
        folder.table("Gesteine.db", {{"GesteinNr", FT::Long}, {"GESTEIN", FT::Alpha, 30}},
                     {{L(1), S("Sandstein")}, {L(2), S("Granit")}, {L(3), S("Kalk")}});
        folder.table("REGIONEN.DB", {{"REG_R", FT::Alpha, 10}, {"REGION", FT::Alpha, 30}, {"POSNR", FT::Long}},
                     {{S("SX"), S("Sächsische Schweiz"), L(3)},
                      {kBlank, S("ohne Kürzel"), L(1)},
                      {S("BW"), S("Schwäbische Alb"), L(2)}});
        folder.table("CURRENTUSER.DB", {{"ID", FT::Long}}, {});
    }

    // Field `name` of every row, in result order.
    std::vector<FieldValue> column(const std::string& sql, const std::string& name)
    {
        query.setSql(sql);
        query.open();
        std::vector<FieldValue> values;
        for (; !query.eof(); query.next()) values.push_back(query.fieldByName(name).value);
        return values;
    }

    // The session reads the configuration at its first opening, after SetUp.
    test::SourceFolder folder;
    Session session{"Default", folder.config()};
    Query query{session, names::kSourceQuery, names::kSourceAlias};
};

// A plain SELECT * over one table reads its values beside SQLite; every value,
// name and type must be what the same rows give through SQLite.
TEST_F(QueryTest, ValuesReadBesideSqlEqualThoseThroughIt)
{
    const std::vector<Column> columns = {
        {"NR", FT::Long},          {"Name", FT::Alpha, 20}, {"K", FT::Short},  {"Z", FT::Number},
        {"G", FT::Currency},       {"B", FT::Bcd, 2},       {"D", FT::Date},   {"T", FT::Time},
        {"TS", FT::Timestamp},     {"L", FT::Logical},      {"M", FT::Memo, 11}, {"BIN", FT::Binary, 10},
        {"BY", FT::Bytes, 4},      {"A", FT::AutoInc}};
    const std::string longMemo(3000, 'm');
    folder.table("ALLES.DB", columns,
                 {{L(1), S("Müller "), L(-3), 1.5, 12.5, db::BcdValue{true, {3, 1, 0}, 2}, db::DateValue{731000},
                   db::TimeValue{29109750}, db::TimestampValue{63100000000000.0}, true, S("Zeile\r\nzwei"),
                   std::string("\x01\x02"), std::string("A\0\0\0", 4), L(1)},
                  {L(2), kBlank, kBlank, kBlank, kBlank, kBlank, kBlank, kBlank, kBlank, kBlank, FieldValue(longMemo),
                   kBlank, kBlank, L(2)},
                  {L(3), S("ß"), L(0), -0.25, 0.0, db::BcdValue{false, {0}, 2}, db::DateValue{1}, db::TimeValue{0},
                   db::TimestampValue{86400000.0}, false, kBlank, kBlank, kBlank, L(3)}});
    const auto rows = [&](const std::string& sql, bool beside) {
        query.setSql(sql);
        query.open();
        EXPECT_EQ(query.readsBesideSql(), beside) << sql;
        std::vector<db::Field> all;
        for (; !query.eof(); query.next())
            for (int i = 0; i < query.fieldCount(); ++i) all.push_back(query.fields(i));
        return all;
    };
    const auto beside = rows("SELECT * FROM ALLES.DB WHERE NOT (NR IS NULL) ORDER BY NR DESC", true);
    const auto through = rows("SELECT ALLES.* FROM ALLES WHERE NOT (NR IS NULL) ORDER BY NR DESC", false);
    ASSERT_EQ(beside.size(), size_t(3 * columns.size()));
    ASSERT_EQ(beside.size(), through.size());
    for (size_t i = 0; i < beside.size(); ++i) {
        SCOPED_TRACE(beside[i].name + " in row " + std::to_string(i / columns.size()));
        EXPECT_EQ(beside[i].name, through[i].name);
        EXPECT_EQ(beside[i].dataType, through[i].dataType);
        EXPECT_EQ(beside[i].value, through[i].value);
    }
    EXPECT_EQ(std::get<int32_t>(beside[0].value), 3);
    // A join still goes through SQLite.
    rows("SELECT * FROM GEBIETE  LEFT OUTER JOIN GESTEINE ON GESTEINE.GesteinNr=GEBIETE.GesteinNr", false);
}

// A second run in the same process (the user mended the data in the old
// program after a failed run): every opening must read the files as they
// are then, on the path beside SQLite, the sorted one and the join alike.
TEST_F(QueryTest, EveryOpeningReadsTheFilesAsTheyAreThen)
{
    struct Version {
        const char* legend;
        std::vector<std::vector<FieldValue>> regions;  // REG_R, REGION, POSNR
        std::vector<std::vector<FieldValue>> rocks;    // GesteinNr, GESTEIN
    };
    const std::vector<Version> versions = {
        {"as first read", {{S("A"), S("eins"), L(3)}, {S("B"), S("zwei"), L(1)}, {S("C"), S("drei"), L(2)}},
         {{L(1), S("Sandstein")}, {L(2), S("Granit")}}},
        {"grown",
         {{S("A"), S("eins"), L(3)}, {S("B"), S("zwei"), L(1)}, {S("C"), S("drei"), L(2)}, {S("D"), S("vier"), L(5)},
          {S("E"), S("fünf"), L(4)}},
         {{L(1), S("Sandstein")}, {L(2), S("Granit")}, {L(7), S("Kalk")}}},
        {"shrunk", {{S("E"), S("fünf"), L(4)}, {S("A"), S("eins"), L(3)}}, {{L(2), S("Gneis")}}},
        {"changed", {{S("E"), S("FÜNF"), L(1)}, {S("X"), S("eins"), L(3)}}, {{L(1), S("Quarzit")}}},
    };
    const std::vector<Column> regionColumns = {{"REG_R", FT::Alpha, 10}, {"REGION", FT::Alpha, 30}, {"POSNR", FT::Long}};
    for (const Version& v : versions) {
        SCOPED_TRACE(v.legend);
        folder.table("REGIONEN.DB", regionColumns, v.regions);
        folder.table("Gesteine.db", {{"GesteinNr", FT::Long}, {"GESTEIN", FT::Alpha, 30}}, v.rocks);
        std::vector<std::vector<FieldValue>> byPos = v.regions;
        std::sort(byPos.begin(), byPos.end(),
                  [](const auto& a, const auto& b) { return std::get<int32_t>(a[2]) < std::get<int32_t>(b[2]); });
        std::vector<FieldValue> names;
        for (const auto& r : byPos) names.push_back(r[1]);

        EXPECT_EQ(column("SELECT * FROM REGIONEN ORDER BY POSNR", "REGION"), names);
        EXPECT_EQ(query.recordCount(), static_cast<int>(names.size()));
        EXPECT_EQ(column("SELECT REGION FROM REGIONEN ORDER BY POSNR", "REGION"), names);
        std::vector<FieldValue> inFileOrder;
        for (const auto& r : v.regions) inFileOrder.push_back(r[1]);
        EXPECT_EQ(column("SELECT * FROM REGIONEN", "REGION"), inFileOrder);
        // GEBIETE stays; the join finds the rocks of this version.
        const auto rock = [&](int32_t nr) {
            for (const auto& r : v.rocks)
                if (std::get<int32_t>(r[0]) == nr) return r[1];
            return kBlank;
        };
        // Donautal (7), Rathen (2), Bielatal (1), Schmilka (none).
        EXPECT_EQ(column("SELECT * FROM GEBIETE LEFT OUTER JOIN GESTEINE ON GESTEINE.GesteinNr=GEBIETE.GesteinNr "
                         "ORDER BY REG_R, POSNR, GEBIET",
                         "GESTEIN"),
                  (std::vector<FieldValue>{rock(7), rock(2), rock(1), kBlank}));
    }
}

TEST_F(QueryTest, LeftJoinRenamesTheRepeatedColumnAndKeepsRowsWithoutMatch)
{
    query.setSql("SELECT * FROM GEBIETE  LEFT OUTER JOIN GESTEINE ON GESTEINE.GesteinNr=GEBIETE.GesteinNr  "
                 "ORDER BY REG_R, POSNR ");
    query.open();
    std::vector<std::string> names;
    for (int i = 0; i < query.fieldCount(); ++i) names.push_back(query.fields(i).name);
    EXPECT_EQ(names, (std::vector<std::string>{"REG_R", "POSNR", "GesteinNr", "GEBIET", "GesteinNr_1", "GESTEIN"}));
    EXPECT_EQ(query.recordCount(), 4);

    std::vector<std::vector<FieldValue>> rows;
    for (; !query.eof(); query.next())
        rows.push_back({query.fieldByName("GEBIET").value, query.fieldByName("GESTEINNR").value,
                        query.fieldByName("GesteinNr_1").value, query.fieldByName("GESTEIN").value});
    const std::vector<std::vector<FieldValue>> expected = {
        {S("Donautal"), L(7), kBlank, kBlank}, // no rock 7: the row stays, GESTEIN is null
        {S("Rathen"), L(2), L(2), S("Granit")},
        {S("Bielatal"), L(1), L(1), S("Sandstein")}, // equal keys keep file order
        {S("Schmilka"), kBlank, kBlank, kBlank},
    };
    EXPECT_EQ(rows, expected);
}

TEST_F(QueryTest, OrderByOneOrTwoColumnsAscendingOrDescending)
{
    EXPECT_EQ(column("SELECT * FROM GEBIETE ORDER BY GEBIET", "GEBIET"),
              (std::vector<FieldValue>{S("Bielatal"), S("Donautal"), S("Rathen"), S("Schmilka")}));
    // A blank key sorts first ascending and last descending.
    EXPECT_EQ(column("SELECT * FROM GEBIETE ORDER BY GesteinNr", "GEBIET"),
              (std::vector<FieldValue>{S("Schmilka"), S("Bielatal"), S("Rathen"), S("Donautal")}));
    EXPECT_EQ(column("SELECT * FROM GEBIETE ORDER BY REG_R DESC, POSNR", "GEBIET"),
              (std::vector<FieldValue>{S("Rathen"), S("Bielatal"), S("Schmilka"), S("Donautal")}));
    // Ordered by a column of the joined table: SQLite sorts, values stay exact.
    EXPECT_EQ(column("SELECT * FROM GEBIETE LEFT OUTER JOIN GESTEINE ON GESTEINE.GesteinNr=GEBIETE.GesteinNr "
                     "ORDER BY GESTEIN, GEBIET",
                     "GEBIET"),
              (std::vector<FieldValue>{S("Donautal"), S("Schmilka"), S("Rathen"), S("Bielatal")}));
}

TEST_F(QueryTest, OrderWithCollationOrNullsLastIsLeftToSqlite)
{
    folder.table("NAMEN.DB", {{"NAME", FT::Alpha, 10}, {"NR", FT::Long}},
                 {{S("berta"), L(1)}, {S("Anton"), L(2)}, {kBlank, L(3)}, {S("Cäsar"), L(4)}});
    EXPECT_EQ(column("SELECT * FROM NAMEN ORDER BY NAME", "NR"), (std::vector<FieldValue>{L(3), L(2), L(4), L(1)}));
    EXPECT_EQ(column("SELECT * FROM NAMEN ORDER BY NAME COLLATE NOCASE", "NR"),
              (std::vector<FieldValue>{L(3), L(2), L(1), L(4)}));
    EXPECT_EQ(column("SELECT * FROM NAMEN ORDER BY NAME NULLS LAST", "NR"),
              (std::vector<FieldValue>{L(2), L(4), L(1), L(3)}));
    EXPECT_EQ(column("SELECT * FROM \"namen.db\" ORDER BY NR DESC", "NR"),
              (std::vector<FieldValue>{L(4), L(3), L(2), L(1)}));
}

TEST_F(QueryTest, WhereNotNullAndNotEmptyWithExtensionInTheName)
{
    query.setSql("SELECT * FROM REGIONEN.DB WHERE NOT (REG_R IS NULL) AND NOT (REG_R='') ORDER BY POSNR");
    query.open();
    EXPECT_EQ(query.recordCount(), 2);
    EXPECT_EQ(query.fieldByName("REGION").value, S("Schwäbische Alb"));
    query.next();
    EXPECT_EQ(query.fieldByName("REGION").value, S("Sächsische Schweiz"));
    query.next();
    EXPECT_TRUE(query.eof());
    // Past the end the cursor stays on the last row.
    query.next();
    EXPECT_TRUE(query.eof());
    EXPECT_EQ(query.fieldByName("REGION").value, S("Sächsische Schweiz"));
}

TEST_F(QueryTest, EmptyTableEndsAtOnceWithNullFields)
{
    query.setSql("SELECT * FROM CURRENTUSER");
    query.open();
    EXPECT_TRUE(query.eof());
    EXPECT_EQ(query.recordCount(), 0);
    const db::Field& id = query.fieldByName("id");
    EXPECT_EQ(id.dataType, db::DataType::ftInteger);
    EXPECT_TRUE(db::isBlank(id.value));
}

TEST_F(QueryTest, FieldReferenceFollowsTheCurrentRow)
{
    query.setSql("select * from gebiete.db order by posnr, gebiet");
    query.open();
    const db::Field& gebiet = query.fieldByName("gebiet");
    EXPECT_EQ(gebiet.value, S("Donautal"));
    query.next();
    EXPECT_EQ(gebiet.value, S("Rathen"));
    EXPECT_EQ(&query.fieldByName("GEBIET"), &gebiet);
    // Opening an open query does nothing: the cursor stays where it is.
    query.open();
    EXPECT_EQ(gebiet.value, S("Rathen"));
}

TEST_F(QueryTest, SqlTextReadsBackWithCrLfAndSettingItCloses)
{
    query.setSql("SELECT * FROM GEBIETE\nORDER BY POSNR");
    EXPECT_EQ(query.sql(), "SELECT * FROM GEBIETE\r\nORDER BY POSNR\r\n");
    query.open();
    EXPECT_TRUE(query.active());
    query.setSql(query.sql()); // unchanged text: still closes
    EXPECT_FALSE(query.active());
    EXPECT_TRUE(query.eof());
    query.setSql("");
    EXPECT_EQ(query.sql(), "");
}

TEST_F(QueryTest, ObjectErrorsCarryTheQueryName)
{
    EXPECT_EQ(messageOf<rk::Exception>([&] { query.open(); }), ansi("PDXQ1: Keine SQL-Anweisung verfügbar"));
    query.setSql("SELECT * FROM GEBIETE WHERE POSNR=:NR");
    EXPECT_EQ(messageOf<rk::Exception>([&] { query.open(); }), ansi("PDXQ1: Fehlender Wert für Parameter 'NR'"));
    EXPECT_FALSE(query.active());
    query.setSql("SELECT * FROM GEBIETE");
    query.open();
    EXPECT_EQ(messageOf<rk::Exception>([&] { query.fieldByName("GESTEIN"); }),
              ansi("PDXQ1: Das Feld 'GESTEIN' wurde nicht gefunden"));
    query.setSql("  ");
    EXPECT_EQ(messageOf<rk::Exception>([&] { query.open(); }), ansi("Fehler beim Erstellen des Cursor-Handle"));
}

TEST_F(QueryTest, EngineErrorsNameWhatIsWrong)
{
    const std::string dir = pathText(folder.data().string());
    struct Case {
        const char* sql;
        std::string message;
    } cases[] = {
        {"SELECT * FROM GIPFEL ORDER BY REG_RG, POSNR", ansi("Die Tabelle GIPFEL wurde nicht gefunden.\nVerzeichnis: ") + dir},
        {"SELECT * FROM WEGE.DB", ansi("Die Tabelle WEGE wurde nicht gefunden.\nVerzeichnis: ") + dir},
        {"SELECT * FROM GEBIETE ORDER BY NIX", ansi("Unbekanntes Feld in der SQL-Anweisung: NIX")},
        {"SELEC * FROM GEBIETE", ansi("Syntaxfehler in der SQL-Anweisung bei: SELEC")},
        {"SELECT * FROM GEBIETE WHERE (", ansi("Die SQL-Anweisung ist unvollständig.")},
        {"DELETE FROM GEBIETE", ansi("Die SQL-Anweisung ist nicht zulässig: die Quelldaten werden nur gelesen.")},
        {"ATTACH 'x.db' AS x", ansi("Die SQL-Anweisung ist nicht zulässig: die Quelldaten werden nur gelesen.")},
        {"SELECT 1; SELECT 2", ansi("Die SQL-Anweisung enthält mehr als eine Anweisung.")},
    };
    for (const auto& c : cases) {
        query.setSql(c.sql);
        EXPECT_EQ(messageOf<EDBEngineError>([&] { query.open(); }), c.message) << c.sql;
        EXPECT_FALSE(query.active()) << c.sql;
    }
    // The failures leave the connection usable.
    EXPECT_EQ(column("SELECT * FROM GESTEINE", "GESTEIN").size(), 3u);
}

TEST_F(QueryTest, ExpressionColumnsTakeTheTypeOfTheirValue)
{
    query.setSql("SELECT count(*) AS N, max(GEBIET) AS M FROM GEBIETE");
    query.open();
    EXPECT_EQ(query.fieldByName("N").dataType, db::DataType::ftInteger);
    EXPECT_EQ(query.fieldByName("N").value, L(4));
    EXPECT_EQ(query.fieldByName("M").dataType, db::DataType::ftString);
    EXPECT_EQ(query.fieldByName("M").value, S("Schmilka"));
}

TEST_F(QueryTest, JoinOverManyRowsMatchesEveryKey)
{
    std::vector<std::vector<FieldValue>> areas, rocks;
    for (int i = 0; i < 3000; ++i) areas.push_back({S("R"), L(3000 - i), L(i % 60), S("x")});
    for (int k = 0; k < 50; ++k) rocks.push_back({L(k), FieldValue(ansi("Gestein ") + std::to_string(k))});
    folder.table("G2.DB",
                 {{"REG_R", FT::Alpha, 10}, {"POSNR", FT::Long}, {"GesteinNr", FT::Long}, {"GEBIET", FT::Alpha, 40}},
                 areas);
    folder.table("S2.DB", {{"GesteinNr", FT::Long}, {"GESTEIN", FT::Alpha, 30}}, rocks);
    query.setSql("SELECT * FROM G2 LEFT OUTER JOIN S2 ON S2.GesteinNr=G2.GesteinNr ORDER BY REG_R, POSNR");
    query.open();
    EXPECT_EQ(query.recordCount(), 3000);
    int rows = 0, matched = 0;
    int32_t lastPos = 0;
    for (; !query.eof(); query.next(), ++rows) {
        const auto pos = std::get<int32_t>(query.fieldByName("POSNR").value);
        EXPECT_GT(pos, lastPos);
        lastPos = pos;
        const int32_t rock = std::get<int32_t>(query.fieldByName("GesteinNr").value);
        const FieldValue& name = query.fieldByName("GESTEIN").value;
        if (rock < 50) {
            ++matched;
            EXPECT_EQ(name, FieldValue(ansi("Gestein ") + std::to_string(rock)));
        } else {
            EXPECT_TRUE(db::isBlank(name));
        }
    }
    EXPECT_EQ(rows, 3000);
    EXPECT_EQ(matched, 2500);
}

} // namespace
} // namespace rk::source

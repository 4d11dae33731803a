// statement against a real embedded database: preparation and its lifetime,
// binding of NULL, integers, text, blobs and dates, the length check, the
// refusals, and the job-record INSERT of the transfer.
#include <gtest/gtest.h>

#include <tuple>
#include <variant>

#include "db/common/ObjectNames.h"
#include "locale/LocaleFormats.h"
#include "tests/db/firebird/TargetTestSupport.h"

namespace rk::target::test {
namespace {

using rk::test::FirebirdTestDatabase;

using Rows = std::vector<FirebirdTestDatabase::Row>;

class StatementTest : public ::testing::Test {
protected:
    FirebirdTestDatabase db;
    TargetObjects t{db.path()};
};

const char* const kRegionInsert =
    "INSERT INTO IMPORT_RK5_REGIONEN (REG_R,REGION,LAND) VALUES (:REG_R,:REGION,:LAND)";

TEST_F(StatementTest, ThousandExecutionsPrepareOnceAndACommitPreparesAgain)
{
    t.setSql(kRegionInsert);
    for (int i = 0; i < 1000; ++i) {
        t.statement.param(0).value.assignText("R" + std::to_string(i));
        t.statement.param(1).value.assignText("Region");
        t.statement.param(2).value.clear();
        t.statement.execute();
    }
    EXPECT_EQ(t.statement.prepareCount(), 1u);
    EXPECT_TRUE(t.transaction.inTransaction());
    t.transaction.commit();
    EXPECT_FALSE(t.statement.prepared());
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_REGIONEN"), "1000");

    t.statement.execute();  // same text, new transaction
    EXPECT_TRUE(t.transaction.inTransaction());
    EXPECT_EQ(t.statement.prepareCount(), 2u);
    t.transaction.commit();
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_REGIONEN WHERE LAND IS NULL"), "1001");
}

TEST_F(StatementTest, TextChangeReleasesAndKeepsValuesOfSameNames)
{
    t.setSql(kRegionInsert);
    t.statement.paramByName("reg_r").value.assignText("S1");
    t.statement.paramByName("Region").value.assignInteger(5);
    t.statement.execute();
    ASSERT_TRUE(t.statement.prepared());

    // addSql without Clear: the same names in a longer text keep their values.
    t.statement.addSql("");
    EXPECT_FALSE(t.statement.prepared());
    EXPECT_EQ(t.statement.param(0).value.asText(), "S1");
    EXPECT_EQ(t.statement.param(1).value.asText(), "5");
    t.statement.clearSql();
    EXPECT_EQ(t.statement.paramCount(), 0);
    EXPECT_EQ(messageOf<EDatabaseError>([&] { t.statement.paramByName("REG_R"); }),
              "IBQ1: Parameter 'REG_R' nicht gefunden");
}

TEST_F(StatementTest, TextLongerThanTheParameterIsRefusedBeforeExecution)
{
    // A VARCHAR(20) column; an integer column has no declared maximum, but
    // the client's length field ends at 32767: refused, not sent wrapped.
    const std::tuple<const char*, int, const char*> cases[] = {
        {"INSERT INTO IMPORT_RK5_GIPFEL (QG) VALUES (:QG)", 21, "20"},
        {"INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (:U)", 40000, "32767"}};
    for (const auto& [sql, length, most] : cases) {
        t.setSql(sql);
        t.statement.param(0).value.assignText(std::string(length, '1'));
        EXPECT_EQ(messageOf<EIBClientError>([&] { t.statement.execute(); }),
                  ansi("Versuch, String mit der Länge " + std::to_string(length) +
                       " in einem Feld zu speichern, das nur " + most + " aufnehmen kann"));
        EXPECT_TRUE(t.statement.prepared());
    }
    t.setSql("INSERT INTO IMPORT_RK5_GIPFEL (QG) VALUES (:QG)");
    t.statement.param(0).value.assignText(std::string(20, 'y'));
    t.statement.execute();
    t.commitIfActive();
    EXPECT_EQ(db.query("SELECT QG FROM IMPORT_RK5_GIPFEL"), (Rows{{std::string(20, 'y')}}));
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_NUTZER"), "0");
}

TEST_F(StatementTest, ServerConvertsIntegersAndTextsAcrossColumnTypes)
{
    // An integer for a text column, a numeric text for an integer column.
    t.setSql("INSERT INTO IMPORT_RK5_ZETTELWEGE (REG, NUTZER, JAHR) VALUES (:REG, :NUTZER, :JAHR)");
    t.statement.param(0).value.assignInteger(-4711);
    t.statement.param(1).value.assignText("42");
    t.statement.param(2).value.assignText(" 1999 ");
    t.statement.execute();

    t.statement.param(1).value.assignText("abc");
    EXPECT_EQ(messageOf<EIBInterBaseError>([&] { t.statement.execute(); }),
              "Dynamic SQL Error\r\nSQL error code = -303\r\nconversion error from string \"abc\"");
    // The failed execution leaves the statement prepared and the earlier row
    // in the still active transaction.
    EXPECT_TRUE(t.statement.prepared());
    EXPECT_TRUE(t.transaction.inTransaction());
    t.commitIfActive();
    EXPECT_EQ(db.query("SELECT REG, NUTZER, JAHR FROM IMPORT_RK5_ZETTELWEGE"),
              (Rows{{"-4711", "42", "1999"}}));
}

TEST_F(StatementTest, ExecuteRowBindsTheViewsWhereTheyLieAndLeavesTheListAlone)
{
    // Texts of one buffer side by side, as rows read ahead hand them over:
    // each view's bytes and no more reach the server; a blob takes its text
    // from the buffer as well.
    const std::string texts = "R1Region\xE4Long";
    t.setSql("INSERT INTO IMPORT_RK5_TAGESNOTIZ (NR, DATUM, NOTIZ, TAGESTITEL) VALUES (:NR, :DATUM, :NOTIZ, :TAGESTITEL)");
    t.statement.param(3).value.assignText("kept");
    using Kind = db::ParamView::Kind;
    const std::string_view all(texts);
    const std::vector<db::ParamView> row = {
        {Kind::Integer, 7, {}}, {Kind::Null, 0, {}}, {Kind::Text, 0, all.substr(8, 5)}, {Kind::Text, 0, all.substr(2, 7)}};
    t.statement.executeRow(row, *locale::currentFormats());
    EXPECT_EQ(t.statement.param(3).value.text(), "kept");
    EXPECT_TRUE(t.statement.param(0).value.isNull());
    EXPECT_EQ(messageOf<EIBClientError>([&] { t.statement.executeRow(std::span(row).first(3), *locale::currentFormats()); }),
              ansi("XSQLDA-Index außerhalb des gültigen Bereichs."));
    t.commitIfActive();
    EXPECT_EQ(db.query("SELECT NR, DATUM, NOTIZ, TAGESTITEL FROM IMPORT_RK5_TAGESNOTIZ"),
              (Rows{{"7", std::nullopt, "\xE4Long", "Region\xE4"}}));
}

TEST_F(StatementTest, DateAndTimeTextsAreReadByTheRegionalSettings)
{
    const std::shared_ptr<const locale::LocaleFormats> saved = locale::currentFormats();
    const locale::LocaleFormats german = locale::readLocaleFormats("de_DE.UTF-8");
    locale::setCurrentFormats(german);
    t.setSql("INSERT INTO IMPORT_RK5_INFO (DATUM, ZEIT, STATUS) VALUES (:DATUM, :ZEIT, 'T')");
    t.statement.param(0).value.assignText("24.12.2023");
    t.statement.param(1).value.assignText("13:45:30");
    t.statement.execute();
    t.statement.param(0).value.assignText("kein Datum");
    const std::string message = messageOf<EConvertError>([&] { t.statement.execute(); });
    // A row is read back in the formats it was written in, whatever is
    // current by the time it is bound.
    locale::setCurrentFormats(locale::LocaleFormats{});
    using Kind = db::ParamView::Kind;
    const std::vector<db::ParamView> row = {{Kind::Text, 0, "13.09.1999"}, {Kind::Text, 0, "08:15:00"}};
    t.statement.executeRow(row, german);
    locale::setCurrentFormats(*saved);
    EXPECT_EQ(message, ansi("'kein Datum' ist keine gültige Datums- und Uhrzeitangabe"));
    t.commitIfActive();
    EXPECT_EQ(db.query("SELECT DATUM, ZEIT FROM IMPORT_RK5_INFO ORDER BY DATUM"),
              (Rows{{"1999-09-13", "08:15:00"}, {"2023-12-24", "13:45:30"}}));
}

TEST_F(StatementTest, QuotedColonIsNoParameterAndUpdateWithoutParametersRuns)
{
    t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR, NAME) VALUES (1, :N)");
    t.statement.param(0).value.assignText("1:2");
    t.statement.execute();
    t.setSql("UPDATE IMPORT_RK5_NUTZER SET CU='T' WHERE NAME=:X AND NAME='1:2'");
    ASSERT_EQ(t.statement.paramCount(), 1);
    EXPECT_EQ(t.statement.param(0).name, "X");
    t.statement.param(0).value.assignText("1:2");
    t.statement.execute();
    t.setSql("UPDATE IMPORT_RK5_NUTZER SET VORNAME='v' WHERE USERNR=1");
    EXPECT_EQ(t.statement.paramCount(), 0);
    t.statement.execute();
    t.commitIfActive();
    EXPECT_EQ(db.query("SELECT CU, VORNAME FROM IMPORT_RK5_NUTZER"), (Rows{{"T", "v"}}));
}

// A string of `n` bytes counting up from `first` through `range` values.
std::string byteRun(int first, int range, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>(first + i % range);
    return s;
}
const std::string kUpper = byteRun(0x80, 128, 128);
// A text blob of 40000 bytes, an upper byte and a line feed at the 16 KiB seam.
const std::string kLong = byteRun('a', 26, 16383) + "\xE4\n" + byteRun('a', 26, 23615);

struct Stored {
    const char* legend;
    std::string sql;
    std::vector<std::variant<std::monostate, int, std::string>> values;  // monostate: not set
    const char* select;
    Rows rows;
    const char* setup = nullptr;  // run on the database first
};

class StatementStores : public StatementTest, public ::testing::WithParamInterface<Stored> {};

TEST_P(StatementStores, RowReadBack)
{
    const Stored& c = GetParam();
    if (c.setup) db.execute(c.setup);
    t.setSql(c.sql);
    ASSERT_EQ(t.statement.paramCount(), c.values.size()) << c.legend;
    for (int i = 0; i < t.statement.paramCount(); ++i) {
        if (const int* n = std::get_if<int>(&c.values[i])) t.statement.param(i).value.assignInteger(*n);
        if (const auto* text = std::get_if<std::string>(&c.values[i])) t.statement.param(i).value.assignText(*text);
    }
    t.statement.execute();
    t.commitIfActive();
    EXPECT_EQ(db.query(c.select), c.rows) << c.legend;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StatementStores,
    ::testing::Values(
        Stored{"upper bytes survive the ISO8859_1 connection",
               "INSERT INTO IMPORT_RK5_BILDER (NR, DATEI, NOTIZ) VALUES (:NR, :DATEI, :NOTIZ)",
               {1, kUpper, kUpper + ansi("Grüße")}, "SELECT DATEI, NOTIZ, CHAR_LENGTH(DATEI) FROM IMPORT_RK5_BILDER",
               {{kUpper, kUpper + ansi("Grüße"), "128"}}},
        Stored{"a long text arrives whole in a text blob", "INSERT INTO IMPORT_RK5_EB (NOTIZ) VALUES (:NOTIZ)", {kLong},
               "SELECT NOTIZ, OCTET_LENGTH(NOTIZ) FROM IMPORT_RK5_EB", {{kLong, "40000"}}},
        Stored{"an entry not set is NULL, an empty text a value for a text column and NULL for a date",
               "INSERT INTO IMPORT_RK5_TAGESNOTIZ (NR, DATUM, NOTIZ, TAGESTITEL) VALUES (:NR, :DATUM, :NOTIZ, :TAGESTITEL)",
               {{}, "", {}, ""}, "SELECT NR, DATUM, NOTIZ, TAGESTITEL FROM IMPORT_RK5_TAGESNOTIZ",
               {{std::nullopt, std::nullopt, std::nullopt, ""}}},
        Stored{"the job record without a job id: INFO NULL, JOB_ID empty, date and time the server's",
               "INSERT INTO IMPORT_RK5_INFO (DATUM, ZEIT, INFO, STATUS, JOB_ID) VALUES "
               "(current_date, current_time, :INFO, 'T', :JOB_ID)",
               {{}, ""}, "SELECT INFO, STATUS, JOB_ID, IIF(DATUM IS NULL OR ZEIT IS NULL, 'no', 'yes') FROM IMPORT_RK5_INFO",
               {{std::nullopt, "T", "", "yes"}}},
        Stored{"an empty job id for a numeric column is NULL", "INSERT INTO JOBS (JOB_ID) VALUES (:JOB_ID)", {""},
               "SELECT JOB_ID FROM JOBS", {{std::nullopt}}, "CREATE TABLE JOBS (JOB_ID INTEGER)"},
        Stored{"a repeated name is bound everywhere from its first entry, the later entry's value unsent",
               "INSERT INTO IMPORT_RK5_NUTZER (USERNR, NAME, VORNAME) VALUES (:X, :N, :x)", {7, "n", 9},
               "SELECT USERNR, NAME, VORNAME FROM IMPORT_RK5_NUTZER", {{"7", "n", "7"}}}));

struct Refusal {
    const char* legend;
    std::vector<std::string> lines;
    const char* message;  // UTF-8
    bool preparedAfter;
};

class StatementRefusal : public StatementTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(StatementRefusal, MessageAndState)
{
    const Refusal& r = GetParam();
    t.statement.clearSql();
    for (const std::string& line : r.lines) t.statement.addSql(line);
    for (int p = 0; p < t.statement.paramCount(); ++p) t.statement.param(p).value.assignInteger(p);
    EXPECT_EQ(messageOf<EIBError>([&] { t.statement.execute(); }), ansi(r.message)) << r.legend;
    EXPECT_EQ(t.statement.prepared(), r.preparedAfter) << r.legend;
    // Every refusal that reached the transaction step leaves it active.
    if (!r.lines.empty()) {
        EXPECT_TRUE(t.transaction.inTransaction()) << r.legend;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StatementRefusal,
    ::testing::Values(
        Refusal{"no line", {}, "Leere SQL-Anweisung.", false},
        Refusal{"blank lines", {" ", "\t"}, "Leere SQL-Anweisung.", false},
        Refusal{"doubled colon", {"UPDATE IMPORT_RK5_NUTZER SET NAME='a' WHERE USERNR=:A::B"},
                "Fehler bei der SQL-Auswertung:\r\n\r\nParametername erwartet", false},
        Refusal{"unterminated comment", {"DELETE FROM IMPORT_RK5_EB /* x"},
                "Fehler bei der SQL-Auswertung:\r\n\r\nEOF im Kommentar gefunden", false},
        Refusal{"select", {"SELECT USERNR FROM IMPORT_RK5_NUTZER WHERE USERNR=:U"},
                "Verwenden Sie Open für eine Select-Anweisung", true},
        Refusal{"start transaction", {"SET TRANSACTION"}, "Nicht gestattet.", false},
        Refusal{"more entries than placeholders", {"DELETE FROM IMPORT_RK5_EB WHERE EBNR=:A /* :B */"},
                "XSQLDA-Index außerhalb des gültigen Bereichs.", true},
        Refusal{"unknown table", {"DELETE FROM NO_SUCH_TABLE"},
                "Dynamic SQL Error\r\nSQL error code = -204\r\nTable unknown\r\nNO_SUCH_TABLE\r\nAt line 1, column 13",
                false}));

TEST(StatementWiring, MissingDatabaseOrTransaction)
{
    Attachment database(names::kTargetConnection);
    Transaction transaction(&database, names::kTargetTransaction);
    Statement noDatabase(nullptr, &transaction, names::kTargetStatement);
    noDatabase.addSql("DELETE FROM X");
    EXPECT_EQ(messageOf<EIBClientError>([&] { noDatabase.execute(); }), "Datenbank nicht zugewiesen.");
    Statement noTransaction(&database, nullptr, names::kTargetStatement);
    noTransaction.addSql("DELETE FROM X");
    EXPECT_EQ(messageOf<EIBClientError>([&] { noTransaction.execute(); }), "Transaktion ist nicht zugewiesen.");
}

} // namespace
} // namespace rk::target::test

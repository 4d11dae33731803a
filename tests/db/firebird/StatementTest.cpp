// statement against a real embedded database: preparation and its lifetime,
// binding of NULL, integers, text, blobs and dates, the length check, the
// refusals, and the job-record INSERT of the transfer.
#include <gtest/gtest.h>

#include "db/common/ObjectNames.h"
#include "locale/LocaleFormats.h"
#include "tests/db/firebird/TargetTestSupport.h"

namespace rk::target::test {
namespace {

using rk::test::FirebirdTestDatabase;

class StatementTest : public ::testing::Test {
protected:
    FirebirdTestDatabase db;
    TargetObjects t{db.path()};

    void insertOne(const std::string& sql, const std::string& text)
    {
        t.setSql(sql);
        t.statement.param(0).value.assignText(text);
        t.statement.execute();
        t.commitIfActive();
    }
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

TEST_F(StatementTest, UpperBytesSurviveTheIso8859Connection)
{
    std::string upper;
    for (int c = 0x80; c <= 0xFF; ++c) upper += static_cast<char>(c);
    t.setSql("INSERT INTO IMPORT_RK5_BILDER (NR, DATEI, NOTIZ) VALUES (:NR, :DATEI, :NOTIZ)");
    t.statement.param(0).value.assignInteger(1);
    t.statement.param(1).value.assignText(upper);
    t.statement.param(2).value.assignText(upper + ansi("Grüße"));
    t.statement.execute();
    t.commitIfActive();
    const auto rows = db.query("SELECT DATEI, NOTIZ, CHAR_LENGTH(DATEI) FROM IMPORT_RK5_BILDER");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], upper);
    EXPECT_EQ(rows[0][1], upper + ansi("Grüße"));
    EXPECT_EQ(rows[0][2], "128");
}

TEST_F(StatementTest, TextLongerThanTheParameterIsRefusedBeforeExecution)
{
    t.setSql("INSERT INTO IMPORT_RK5_GIPFEL (QG) VALUES (:QG)");  // VARCHAR(20)
    t.statement.param(0).value.assignText(std::string(21, 'x'));
    EXPECT_EQ(messageOf<EIBClientError>([&] { t.statement.execute(); }),
              ansi("Versuch, String mit der Länge 21 in einem Feld zu speichern, das nur 20 aufnehmen kann"));
    EXPECT_TRUE(t.statement.prepared());
    t.statement.param(0).value.assignText(std::string(20, 'y'));
    t.statement.execute();
    t.commitIfActive();
    EXPECT_EQ(db.query("SELECT QG FROM IMPORT_RK5_GIPFEL"), (std::vector<FirebirdTestDatabase::Row>{{std::string(20, 'y')}}));
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
              (std::vector<FirebirdTestDatabase::Row>{{"-4711", "42", "1999"}}));
}

TEST_F(StatementTest, TextBeyondASixteenBitLengthIsRefusedForNonTextParameters)
{
    // No declared maximum for an integer column, but the client's length
    // field ends at 32767: refused instead of sent with a wrapped length.
    t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (:U)");
    t.statement.param(0).value.assignText(std::string(40000, '1'));
    EXPECT_EQ(messageOf<EIBClientError>([&] { t.statement.execute(); }),
              ansi("Versuch, String mit der Länge 40000 in einem Feld zu speichern, das nur 32767 aufnehmen kann"));
    t.commitIfActive();
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_NUTZER"), "0");
}

TEST_F(StatementTest, LongTextArrivesWholeInATextBlob)
{
    std::string text;
    for (int i = 0; text.size() < 40000; ++i) text += static_cast<char>('a' + i % 26);
    text.resize(40000);
    text[16383] = '\xE4';
    text[16384] = '\n';
    insertOne("INSERT INTO IMPORT_RK5_EB (NOTIZ) VALUES (:NOTIZ)", text);
    EXPECT_EQ(db.scalar("SELECT NOTIZ FROM IMPORT_RK5_EB"), text);
    EXPECT_EQ(db.scalar("SELECT OCTET_LENGTH(NOTIZ) FROM IMPORT_RK5_EB"), "40000");
}

TEST_F(StatementTest, NullAndEmptyTexts)
{
    // Unassigned and cleared entries go as NULL; an empty text for a text
    // column is a value; for a date column (fresh descriptor) it is NULL.
    t.setSql("INSERT INTO IMPORT_RK5_TAGESNOTIZ (NR, DATUM, NOTIZ, TAGESTITEL) VALUES (:NR, :DATUM, :NOTIZ, :TAGESTITEL)");
    t.statement.param(0).value.assignInteger(1);
    t.statement.param(0).value.clear();
    t.statement.param(1).value.assignText("");
    t.statement.param(3).value.assignText("");
    t.statement.execute();
    t.commitIfActive();
    EXPECT_EQ(db.query("SELECT NR, DATUM, NOTIZ, TAGESTITEL FROM IMPORT_RK5_TAGESNOTIZ"),
              (std::vector<FirebirdTestDatabase::Row>{{std::nullopt, std::nullopt, std::nullopt, ""}}));
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
              (std::vector<FirebirdTestDatabase::Row>{{"7", std::nullopt, "\xE4Long", "Region\xE4"}}));
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
              (std::vector<FirebirdTestDatabase::Row>{{"1999-09-13", "08:15:00"}, {"2023-12-24", "13:45:30"}}));
}

TEST_F(StatementTest, JobRecordInsertBindsOnlyJobId)
{
    const char* jobRecord = "INSERT INTO IMPORT_RK5_INFO (DATUM, ZEIT, INFO, STATUS, JOB_ID) VALUES "
                            "(current_date, current_time, :INFO, 'T', :JOB_ID)";
    t.setSql(jobRecord);
    ASSERT_EQ(t.statement.paramCount(), 2);
    EXPECT_EQ(t.statement.param(0).name, "INFO");
    EXPECT_EQ(t.statement.param(1).name, "JOB_ID");
    t.statement.paramByName("JOB_ID").value.assignText("ABC");
    t.statement.execute();
    t.setSql(jobRecord);
    t.statement.paramByName("JOB_ID").value.assignText("");
    t.statement.execute();
    t.commitIfActive();
    EXPECT_EQ(db.query("SELECT INFO, STATUS, JOB_ID, IIF(DATUM IS NULL OR ZEIT IS NULL, 'no', 'yes') FROM IMPORT_RK5_INFO ORDER BY JOB_ID DESC"),
              (std::vector<FirebirdTestDatabase::Row>{{std::nullopt, "T", "ABC", "yes"},
                                                      {std::nullopt, "T", "", "yes"}}));
}

TEST_F(StatementTest, EmptyJobIdForANumericColumnIsNull)
{
    db.execute("CREATE TABLE JOBS (JOB_ID INTEGER)");
    insertOne("INSERT INTO JOBS (JOB_ID) VALUES (:JOB_ID)", "");
    EXPECT_EQ(db.query("SELECT JOB_ID FROM JOBS"), (std::vector<FirebirdTestDatabase::Row>{{std::nullopt}}));
}

TEST_F(StatementTest, RepeatedNameIsBoundEverywhereFromItsFirstEntry)
{
    t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR, NAME, VORNAME) VALUES (:X, :N, :x)");
    ASSERT_EQ(t.statement.paramCount(), 3);
    t.statement.paramByName("X").value.assignInteger(7);
    t.statement.paramByName("N").value.assignText("n");
    t.statement.execute();
    t.commitIfActive();
    EXPECT_EQ(db.query("SELECT USERNR, NAME, VORNAME FROM IMPORT_RK5_NUTZER"),
              (std::vector<FirebirdTestDatabase::Row>{{"7", "n", "7"}}));
}

TEST_F(StatementTest, QuotedColonIsNoParameterAndUpdateWithoutParametersRuns)
{
    insertOne("INSERT INTO IMPORT_RK5_NUTZER (USERNR, NAME) VALUES (1, :N)", "1:2");
    t.setSql("UPDATE IMPORT_RK5_NUTZER SET CU='T' WHERE NAME=:X AND NAME='1:2'");
    ASSERT_EQ(t.statement.paramCount(), 1);
    EXPECT_EQ(t.statement.param(0).name, "X");
    t.statement.param(0).value.assignText("1:2");
    t.statement.execute();
    t.setSql("UPDATE IMPORT_RK5_NUTZER SET VORNAME='v' WHERE USERNR=1");
    EXPECT_EQ(t.statement.paramCount(), 0);
    t.statement.execute();
    t.commitIfActive();
    EXPECT_EQ(db.query("SELECT CU, VORNAME FROM IMPORT_RK5_NUTZER"), (std::vector<FirebirdTestDatabase::Row>{{"T", "v"}}));
}

struct Refusal {
    const char* legend;
    std::vector<std::string> lines;
    const char* message;  // UTF-8
    bool preparedAfter;
};

class IBQueryRefusal : public StatementTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(IBQueryRefusal, MessageAndState)
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
    Cases, IBQueryRefusal,
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
                false}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(IBQueryWiring, MissingDatabaseOrTransaction)
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

// IBQ1 against a real embedded database: preparation and its lifetime,
// binding of NULL, integers, text, blobs and dates, the length check, the
// refusals, and the job-record INSERT of the transfer.
#include <gtest/gtest.h>

#include "db/common/ObjectNames.h"
#include "locale/LocaleFormats.h"
#include "tests/db/firebird/TargetTestSupport.h"

namespace rk::target::test {
namespace {

using rk::test::FirebirdTestDatabase;

class IBQueryTest : public ::testing::Test {
protected:
    FirebirdTestDatabase db;
    TargetObjects t{db.path()};

    void insertOne(const std::string& sql, const std::string& text)
    {
        t.setSql(sql);
        t.IBQ1.Param(0).value.assignText(text);
        t.IBQ1.ExecSQL();
        t.commitIfActive();
    }
};

const char* const kRegionInsert =
    "INSERT INTO IMPORT_RK5_REGIONEN (REG_R,REGION,LAND) VALUES (:REG_R,:REGION,:LAND)";

TEST_F(IBQueryTest, ThousandExecutionsPrepareOnceAndACommitPreparesAgain)
{
    t.setSql(kRegionInsert);
    for (int i = 0; i < 1000; ++i) {
        t.IBQ1.Param(0).value.assignText("R" + std::to_string(i));
        t.IBQ1.Param(1).value.assignText("Region");
        t.IBQ1.Param(2).value.clear();
        t.IBQ1.ExecSQL();
    }
    EXPECT_EQ(t.IBQ1.prepareCount(), 1u);
    EXPECT_TRUE(t.IBTransaction1.InTransaction());
    t.IBTransaction1.Commit();
    EXPECT_FALSE(t.IBQ1.Prepared());
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_REGIONEN"), "1000");

    t.IBQ1.ExecSQL();  // same text, new transaction
    EXPECT_TRUE(t.IBTransaction1.InTransaction());
    EXPECT_EQ(t.IBQ1.prepareCount(), 2u);
    t.IBTransaction1.Commit();
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_REGIONEN WHERE LAND IS NULL"), "1001");
}

TEST_F(IBQueryTest, TextChangeReleasesAndKeepsValuesOfSameNames)
{
    t.setSql(kRegionInsert);
    t.IBQ1.ParamByName("reg_r").value.assignText("S1");
    t.IBQ1.ParamByName("Region").value.assignInteger(5);
    t.IBQ1.ExecSQL();
    ASSERT_TRUE(t.IBQ1.Prepared());

    // AddSql without Clear: the same names in a longer text keep their values.
    t.IBQ1.AddSql("");
    EXPECT_FALSE(t.IBQ1.Prepared());
    EXPECT_EQ(t.IBQ1.Param(0).value.asText(), "S1");
    EXPECT_EQ(t.IBQ1.Param(1).value.asText(), "5");
    t.IBQ1.ClearSql();
    EXPECT_EQ(t.IBQ1.ParamCount(), 0);
    EXPECT_EQ(messageOf<EDatabaseError>([&] { t.IBQ1.ParamByName("REG_R"); }),
              "IBQ1: Parameter 'REG_R' nicht gefunden");
}

TEST_F(IBQueryTest, UpperBytesSurviveTheIso8859Connection)
{
    std::string upper;
    for (int c = 0x80; c <= 0xFF; ++c) upper += static_cast<char>(c);
    t.setSql("INSERT INTO IMPORT_RK5_BILDER (NR, DATEI, NOTIZ) VALUES (:NR, :DATEI, :NOTIZ)");
    t.IBQ1.Param(0).value.assignInteger(1);
    t.IBQ1.Param(1).value.assignText(upper);
    t.IBQ1.Param(2).value.assignText(upper + ansi("Grüße"));
    t.IBQ1.ExecSQL();
    t.commitIfActive();
    const auto rows = db.query("SELECT DATEI, NOTIZ, CHAR_LENGTH(DATEI) FROM IMPORT_RK5_BILDER");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], upper);
    EXPECT_EQ(rows[0][1], upper + ansi("Grüße"));
    EXPECT_EQ(rows[0][2], "128");
}

TEST_F(IBQueryTest, TextLongerThanTheParameterIsRefusedBeforeExecution)
{
    t.setSql("INSERT INTO IMPORT_RK5_GIPFEL (QG) VALUES (:QG)");  // VARCHAR(20)
    t.IBQ1.Param(0).value.assignText(std::string(21, 'x'));
    EXPECT_EQ(messageOf<EIBClientError>([&] { t.IBQ1.ExecSQL(); }),
              ansi("Versuch, String mit der Länge 21 in einem Feld zu speichern, das nur 20 aufnehmen kann"));
    EXPECT_TRUE(t.IBQ1.Prepared());
    t.IBQ1.Param(0).value.assignText(std::string(20, 'y'));
    t.IBQ1.ExecSQL();
    t.commitIfActive();
    EXPECT_EQ(db.query("SELECT QG FROM IMPORT_RK5_GIPFEL"), (std::vector<FirebirdTestDatabase::Row>{{std::string(20, 'y')}}));
}

TEST_F(IBQueryTest, ServerConvertsIntegersAndTextsAcrossColumnTypes)
{
    // An integer for a text column, a numeric text for an integer column.
    t.setSql("INSERT INTO IMPORT_RK5_ZETTELWEGE (REG, NUTZER, JAHR) VALUES (:REG, :NUTZER, :JAHR)");
    t.IBQ1.Param(0).value.assignInteger(-4711);
    t.IBQ1.Param(1).value.assignText("42");
    t.IBQ1.Param(2).value.assignText(" 1999 ");
    t.IBQ1.ExecSQL();

    t.IBQ1.Param(1).value.assignText("abc");
    EXPECT_EQ(messageOf<EIBInterBaseError>([&] { t.IBQ1.ExecSQL(); }),
              "Dynamic SQL Error\r\nSQL error code = -303\r\nconversion error from string \"abc\"");
    // The failed execution leaves the statement prepared and the earlier row
    // in the still active transaction.
    EXPECT_TRUE(t.IBQ1.Prepared());
    EXPECT_TRUE(t.IBTransaction1.InTransaction());
    t.commitIfActive();
    EXPECT_EQ(db.query("SELECT REG, NUTZER, JAHR FROM IMPORT_RK5_ZETTELWEGE"),
              (std::vector<FirebirdTestDatabase::Row>{{"-4711", "42", "1999"}}));
}

TEST_F(IBQueryTest, TextBeyondASixteenBitLengthIsRefusedForNonTextParameters)
{
    // No declared maximum for an integer column, but the client's length
    // field ends at 32767: refused instead of sent with a wrapped length.
    t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR) VALUES (:U)");
    t.IBQ1.Param(0).value.assignText(std::string(40000, '1'));
    EXPECT_EQ(messageOf<EIBClientError>([&] { t.IBQ1.ExecSQL(); }),
              ansi("Versuch, String mit der Länge 40000 in einem Feld zu speichern, das nur 32767 aufnehmen kann"));
    t.commitIfActive();
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM IMPORT_RK5_NUTZER"), "0");
}

TEST_F(IBQueryTest, LongTextArrivesWholeInATextBlob)
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

TEST_F(IBQueryTest, NullAndEmptyTexts)
{
    // Unassigned and cleared entries go as NULL; an empty text for a text
    // column is a value; for a date column (fresh descriptor) it is NULL.
    t.setSql("INSERT INTO IMPORT_RK5_TAGESNOTIZ (NR, DATUM, NOTIZ, TAGESTITEL) VALUES (:NR, :DATUM, :NOTIZ, :TAGESTITEL)");
    t.IBQ1.Param(0).value.assignInteger(1);
    t.IBQ1.Param(0).value.clear();
    t.IBQ1.Param(1).value.assignText("");
    t.IBQ1.Param(3).value.assignText("");
    t.IBQ1.ExecSQL();
    t.commitIfActive();
    EXPECT_EQ(db.query("SELECT NR, DATUM, NOTIZ, TAGESTITEL FROM IMPORT_RK5_TAGESNOTIZ"),
              (std::vector<FirebirdTestDatabase::Row>{{std::nullopt, std::nullopt, std::nullopt, ""}}));
}

TEST_F(IBQueryTest, DateAndTimeTextsAreReadByTheRegionalSettings)
{
    const locale::LocaleFormats saved = locale::CurrentFormats();
    locale::SetCurrentFormats(locale::ReadLocaleFormats("de_DE.UTF-8"));
    t.setSql("INSERT INTO IMPORT_RK5_INFO (DATUM, ZEIT, STATUS) VALUES (:DATUM, :ZEIT, 'T')");
    t.IBQ1.Param(0).value.assignText("24.12.2023");
    t.IBQ1.Param(1).value.assignText("13:45:30");
    t.IBQ1.ExecSQL();
    t.IBQ1.Param(0).value.assignText("kein Datum");
    const std::string message = messageOf<EConvertError>([&] { t.IBQ1.ExecSQL(); });
    locale::SetCurrentFormats(saved);
    EXPECT_EQ(message, ansi("'kein Datum' ist keine gültige Datums- und Uhrzeitangabe"));
    t.commitIfActive();
    EXPECT_EQ(db.query("SELECT DATUM, ZEIT FROM IMPORT_RK5_INFO"),
              (std::vector<FirebirdTestDatabase::Row>{{"2023-12-24", "13:45:30"}}));
}

TEST_F(IBQueryTest, JobRecordInsertBindsOnlyJobId)
{
    const char* jobRecord = "INSERT INTO IMPORT_RK5_INFO (DATUM, ZEIT, INFO, STATUS, JOB_ID) VALUES "
                            "(current_date, current_time, :INFO, 'T', :JOB_ID)";
    t.setSql(jobRecord);
    ASSERT_EQ(t.IBQ1.ParamCount(), 2);
    EXPECT_EQ(t.IBQ1.Param(0).name, "INFO");
    EXPECT_EQ(t.IBQ1.Param(1).name, "JOB_ID");
    t.IBQ1.ParamByName("JOB_ID").value.assignText("ABC");
    t.IBQ1.ExecSQL();
    t.setSql(jobRecord);
    t.IBQ1.ParamByName("JOB_ID").value.assignText("");
    t.IBQ1.ExecSQL();
    t.commitIfActive();
    EXPECT_EQ(db.query("SELECT INFO, STATUS, JOB_ID, IIF(DATUM IS NULL OR ZEIT IS NULL, 'no', 'yes') FROM IMPORT_RK5_INFO ORDER BY JOB_ID DESC"),
              (std::vector<FirebirdTestDatabase::Row>{{std::nullopt, "T", "ABC", "yes"},
                                                      {std::nullopt, "T", "", "yes"}}));
}

TEST_F(IBQueryTest, EmptyJobIdForANumericColumnIsNull)
{
    db.execute("CREATE TABLE JOBS (JOB_ID INTEGER)");
    insertOne("INSERT INTO JOBS (JOB_ID) VALUES (:JOB_ID)", "");
    EXPECT_EQ(db.query("SELECT JOB_ID FROM JOBS"), (std::vector<FirebirdTestDatabase::Row>{{std::nullopt}}));
}

TEST_F(IBQueryTest, RepeatedNameIsBoundEverywhereFromItsFirstEntry)
{
    t.setSql("INSERT INTO IMPORT_RK5_NUTZER (USERNR, NAME, VORNAME) VALUES (:X, :N, :x)");
    ASSERT_EQ(t.IBQ1.ParamCount(), 3);
    t.IBQ1.ParamByName("X").value.assignInteger(7);
    t.IBQ1.ParamByName("N").value.assignText("n");
    t.IBQ1.ExecSQL();
    t.commitIfActive();
    EXPECT_EQ(db.query("SELECT USERNR, NAME, VORNAME FROM IMPORT_RK5_NUTZER"),
              (std::vector<FirebirdTestDatabase::Row>{{"7", "n", "7"}}));
}

TEST_F(IBQueryTest, QuotedColonIsNoParameterAndUpdateWithoutParametersRuns)
{
    insertOne("INSERT INTO IMPORT_RK5_NUTZER (USERNR, NAME) VALUES (1, :N)", "1:2");
    t.setSql("UPDATE IMPORT_RK5_NUTZER SET CU='T' WHERE NAME=:X AND NAME='1:2'");
    ASSERT_EQ(t.IBQ1.ParamCount(), 1);
    EXPECT_EQ(t.IBQ1.Param(0).name, "X");
    t.IBQ1.Param(0).value.assignText("1:2");
    t.IBQ1.ExecSQL();
    t.setSql("UPDATE IMPORT_RK5_NUTZER SET VORNAME='v' WHERE USERNR=1");
    EXPECT_EQ(t.IBQ1.ParamCount(), 0);
    t.IBQ1.ExecSQL();
    t.commitIfActive();
    EXPECT_EQ(db.query("SELECT CU, VORNAME FROM IMPORT_RK5_NUTZER"), (std::vector<FirebirdTestDatabase::Row>{{"T", "v"}}));
}

struct Refusal {
    const char* legend;
    std::vector<std::string> lines;
    const char* message;  // UTF-8
    bool preparedAfter;
};

class IBQueryRefusal : public IBQueryTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(IBQueryRefusal, MessageAndState)
{
    const Refusal& r = GetParam();
    t.IBQ1.ClearSql();
    for (const std::string& line : r.lines) t.IBQ1.AddSql(line);
    for (int p = 0; p < t.IBQ1.ParamCount(); ++p) t.IBQ1.Param(p).value.assignInteger(p);
    EXPECT_EQ(messageOf<EIBError>([&] { t.IBQ1.ExecSQL(); }), ansi(r.message)) << r.legend;
    EXPECT_EQ(t.IBQ1.Prepared(), r.preparedAfter) << r.legend;
    // Every refusal that reached the transaction step leaves it active.
    if (!r.lines.empty()) {
        EXPECT_TRUE(t.IBTransaction1.InTransaction()) << r.legend;
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
    IBDatabase database(names::kTargetConnection);
    IBTransaction transaction(&database, names::kTargetTransaction);
    IBQuery noDatabase(nullptr, &transaction, names::kTargetStatement);
    noDatabase.AddSql("DELETE FROM X");
    EXPECT_EQ(messageOf<EIBClientError>([&] { noDatabase.ExecSQL(); }), "Datenbank nicht zugewiesen.");
    IBQuery noTransaction(&database, nullptr, names::kTargetStatement);
    noTransaction.AddSql("DELETE FROM X");
    EXPECT_EQ(messageOf<EIBClientError>([&] { noTransaction.ExecSQL(); }), "Transaktion ist nicht zugewiesen.");
}

} // namespace
} // namespace rk::target::test

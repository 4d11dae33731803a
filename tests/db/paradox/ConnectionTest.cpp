// Connections and tables of the source engine: the access check through the
// alias, the listing table's field list, every column kind through SQL unchanged,
// reader errors kept, and the source files left exactly as they were.
#include <gtest/gtest.h>

#include <fstream>

#include "db/common/Ansi.h"
#include "db/common/ObjectNames.h"
#include "db/paradox/Connection.h"
#include "db/paradox/EngineError.h"
#include "db/paradox/NameRules.h"
#include "db/paradox/Query.h"
#include "db/paradox/Session.h"
#include "db/paradox/Table.h"
#include "tests/db/paradox/SourceFolder.h"
#include "tests/support/ExceptionMessage.h"

namespace rk::source {
namespace {

using db::FieldValue;
using FT = paradox::FieldType;
using test::messageOf;

// A session on a fresh source folder and the connection X1 through the alias.
class AccessCheck : public testing::Test {
protected:
    test::SourceFolder folder;
    Session session{"Default", folder.config()};
    Connection connection{session, "X1", "DBRK"};
};

TEST_F(AccessCheck, PassesWithTheAliasAndGivesX1ItsFolder)
{
    connection.open();
    EXPECT_TRUE(connection.connected());
    EXPECT_EQ(connection.folder(), folder.data());
    // X1 exists as an alias of this session only while the connection is open.
    ASSERT_NE(session.findAlias("x1"), nullptr);
    EXPECT_EQ(session.findAlias("X1")->driver(), "PARADOX");
    EXPECT_EQ(session.config().findAlias("X1"), nullptr);
    connection.close();
    EXPECT_EQ(session.findAlias("X1"), nullptr);
}

TEST_F(AccessCheck, FailsWithoutAliasFileOrFolderAndNamesTheConfigurationFile)
{
    struct Case {
        const char* legend;
        const char* config; // null: no configuration file at all; "/": a folder in its place
        std::string message;
    };
    const std::string file = pathText(folder.config().string());
    const std::string read = ansi("\nKonfiguration: ") + file;
    const Case cases[] = {
        {"no file", nullptr, ansi("Unbekannter Alias: DBRK") + read + " (nicht gefunden)"},
        {"file unreadable", "/", ansi("Unbekannter Alias: DBRK") + read + " (nicht lesbar)"},
        {"no DBRK section", "[ANDERS]\nPATH=daten\n", ansi("Unbekannter Alias: DBRK") + read},
        {"no PATH", "[DBRK]\nDEFAULT DRIVER=PARADOX\n",
         ansi("Für den Alias DBRK ist kein Verzeichnis (PATH) eingetragen.") + read},
        {"folder missing", "[DBRK]\nPATH=fehlt\n",
         ansi("Das Verzeichnis des Alias DBRK ist nicht vorhanden oder nicht lesbar.\nVerzeichnis: ") +
             pathText((folder.root() / "fehlt").string()) + read},
        {"other driver", "[DBRK]\nPATH=daten\nDEFAULT DRIVER=DBASE\n",
         ansi("Der Treiber DBASE des Alias DBRK wird nicht unterstützt.") + read},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(folder.config());
        if (c.config && std::string(c.config) == "/")
            std::filesystem::create_directory(folder.config());
        else if (c.config)
            folder.writeConfig(c.config);
        Session session("Default", folder.config());
        Connection connection(session, "X1", "DBRK");
        EXPECT_EQ(messageOf<EDBEngineError>([&] { connection.open(); }), c.message) << c.legend;
        EXPECT_FALSE(connection.connected()) << c.legend;
        EXPECT_EQ(session.findAlias("X1"), nullptr) << c.legend; // the session alias went with the failure
    }
    std::filesystem::remove_all(folder.config());
}

TEST_F(AccessCheck, TableMissingPassesTheCheckButFailsTheQuery)
{
    connection.open();
    Query query(session, names::kSourceQuery, names::kSourceAlias);
    query.setSql("SELECT * FROM NUTZER");
    EXPECT_EQ(messageOf<rk::Exception>([&] { query.open(); }),
              ansi("Die Tabelle NUTZER wurde nicht gefunden.\nVerzeichnis: ") + pathText(folder.data().string()));
    // The query went through its own connection named like the alias.
    Connection* temporary = session.findConnection("dbrk");
    ASSERT_NE(temporary, nullptr);
    EXPECT_TRUE(temporary->temporary());
    EXPECT_TRUE(temporary->connected());
}

class SourceTables : public AccessCheck {
protected:
    void SetUp() override
    {
        using db::BcdValue;
        folder.table("BILDER.DB",
                     {{"NR", FT::Long},
                      {"Reg", FT::Alpha, 10},
                      {"Datei", FT::Alpha, 80},
                      {"Notiz", FT::Memo, 20},
                      {"Titel", FT::Alpha, 40},
                      {"NR", FT::Short}}, // a repeated name: the reader would never see one in Paradox's own files
                     {});
        folder.table("TYPEN.DB",
                     {{"Alpha", FT::Alpha, 12},  {"Datum", FT::Date},      {"Kurz", FT::Short},
                      {"Lang", FT::Long},        {"Geld", FT::Currency},   {"Zahl", FT::Number},
                      {"Ja", FT::Logical},       {"Memo", FT::Memo, 11},   {"Bin", FT::Binary, 10},
                      {"Fmt", FT::FmtMemo, 10},  {"Ole", FT::Ole, 10},     {"Bild", FT::Graphic, 10},
                      {"Zeit", FT::Time},        {"Stempel", FT::Timestamp}, {"Zaehler", FT::AutoInc},
                      {"Dezimal", FT::Bcd, 2},   {"Bytes", FT::Bytes, 4}},
                     {{ansi("Grüße "), db::DateValue{738000}, int32_t(-7), int32_t(-2000000000), 12.5, -0.125,
                       true, ansi("Zeile 1\r\nZeile 2 mit einem längeren Text über das Feld hinaus"),
                       std::string("\x00\x01\xFF", 3), std::string("{\\rtf1}"), std::string("OLE\x00", 4),
                       std::string(3000, '\x7F'), db::TimeValue{8 * 3600000 + 5 * 60000 + 9750},
                       db::TimestampValue{738000.0 * 86400000 + 1234}, int32_t(1),
                       BcdValue{true, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                       0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4}, 2},
                       std::string("A\0\0\0", 4)},
                      std::vector<FieldValue>(17), // every column blank
                      {ansi("z"), db::DateValue{1}, int32_t(0), int32_t(0), 0.0, 0.0, false, ansi(""),
                       std::string(), std::string(), std::string(), std::string(), db::TimeValue{0},
                       db::TimestampValue{86400000}, int32_t(3), 1.5, std::string("\0\0\0\0", 4)}});
    }
};

TEST_F(SourceTables, Table1ListsEveryColumnAndStaysOpen)
{
    connection.open();
    Table listingTable(session, names::kListingTable, names::kSourceConnection, names::kListingTableFile);
    listingTable.open();
    auto names = [&] {
        std::vector<std::string> n;
        for (const auto& d : listingTable.fieldDefs()) n.push_back(d.name);
        return n;
    };
    EXPECT_EQ(listingTable.fieldCount(), 6);
    EXPECT_EQ(names(), (std::vector<std::string>{"NR", "Reg", "Datei", "Notiz", "Titel", "NR_1"}));
    EXPECT_EQ(listingTable.fieldByName("notiz").dataType, db::DataType::ftMemo);
    EXPECT_EQ(listingTable.fieldByName("NR_1").dataType, db::DataType::ftSmallint);
    EXPECT_TRUE(listingTable.eof());
    listingTable.open(); // again: nothing changes
    EXPECT_TRUE(listingTable.active());
    EXPECT_EQ(names(), (std::vector<std::string>{"NR", "Reg", "Datei", "Notiz", "Titel", "NR_1"}));
    EXPECT_EQ(messageOf<rk::Exception>([&] { listingTable.fieldByName("HINT"); }),
              ansi("Table1: Das Feld 'HINT' wurde nicht gefunden"));
    // Closing the connection closes the table that uses it.
    connection.close();
    EXPECT_FALSE(listingTable.active());
}

TEST_F(SourceTables, TableWalksItsRowsAndClosesWithItsConnection)
{
    Table table(session, "Table2", "X1", "typen"); // found as TYPEN.DB
    table.open();
    EXPECT_EQ(table.recordCount(), 3);
    auto direct = paradox::Table::open(folder.data() / "TYPEN.DB");
    uint32_t row = 0;
    for (; !table.eof(); table.next(), ++row) {
        direct->readRecord(row);
        EXPECT_EQ(table.fieldByName("ALPHA").value, direct->value(0)) << row;
        EXPECT_EQ(table.fieldByName("dezimal").value, direct->value(15)) << row;
    }
    EXPECT_EQ(row, 3u);

    Query onX1(session, "Query1", "X1");
    onX1.setSql("SELECT * FROM TYPEN");
    onX1.open();
    EXPECT_EQ(connection.datasetCount(), 2);
    connection.close();
    EXPECT_FALSE(table.active());
    EXPECT_FALSE(onX1.active());
    EXPECT_EQ(connection.datasetCount(), 0);
}

TEST_F(SourceTables, Table1WithoutTheFileFailsWithTheEngineText)
{
    Table listingTable(session, "Table1", "X1", "FEHLT.DB");
    EXPECT_EQ(messageOf<rk::Exception>([&] { listingTable.open(); }),
              ansi("Die Tabelle FEHLT.DB wurde nicht gefunden.\nVerzeichnis: ") + pathText(folder.data().string()));
    EXPECT_TRUE(connection.connected()); // opened on the way, as the access check would have
}

TEST_F(SourceTables, EveryKindComesThroughSqlAsTheReaderGaveIt)
{
    auto direct = paradox::Table::open(folder.data() / "TYPEN.DB");
    // The first record holds a value in every column, the second none
    // (Bytes too: its zero bytes are blank).
    direct->readRecord(0);
    for (int i = 0; i < 17; ++i) EXPECT_FALSE(db::isBlank(direct->value(i))) << i;
    EXPECT_EQ(direct->value(0), FieldValue(ansi("Grüße ")));
    direct->readRecord(1);
    for (int i = 0; i < 17; ++i) EXPECT_TRUE(db::isBlank(direct->value(i))) << i;
    const db::DataType expectedTypes[] = {
        db::DataType::ftString, db::DataType::ftDate,    db::DataType::ftSmallint,  db::DataType::ftInteger,
        db::DataType::ftCurrency, db::DataType::ftFloat, db::DataType::ftBoolean,   db::DataType::ftMemo,
        db::DataType::ftBlob,   db::DataType::ftFmtMemo, db::DataType::ftParadoxOle, db::DataType::ftGraphic,
        db::DataType::ftTime,   db::DataType::ftDateTime, db::DataType::ftAutoInc,  db::DataType::ftBCD,
        db::DataType::ftBytes};
    // File order, a consumed ORDER BY, and SQLite's own sorter (an expression key).
    for (const char* sql : {"SELECT * FROM TYPEN", "SELECT * FROM TYPEN ORDER BY Zaehler",
                            "SELECT * FROM TYPEN ORDER BY Zaehler + 0"}) {
        Query query(session, names::kSourceQuery, names::kSourceAlias);
        query.setSql(sql);
        query.open();
        ASSERT_EQ(query.fieldCount(), 17) << sql;
        for (int i = 0; i < 17; ++i) EXPECT_EQ(query.fields(i).dataType, expectedTypes[i]) << sql << " " << i;
        EXPECT_EQ(query.fieldByName("Alpha").size, 12);
        EXPECT_EQ(query.fieldByName("Dezimal").size, 2);
        EXPECT_EQ(query.fieldByName("Bytes").size, 4);
        EXPECT_EQ(query.recordCount(), 3);
        uint32_t row = 0;
        for (; !query.eof(); query.next(), ++row) {
            // The blank row has no counter value and sorts first.
            const uint32_t sorted[] = {1, 0, 2};
            const uint32_t record = std::string(sql).find("ORDER") == std::string::npos ? row : sorted[row];
            direct->readRecord(record);
            for (int i = 0; i < 17; ++i)
                EXPECT_EQ(query.fields(i).value, direct->value(i)) << sql << " record " << record << " field " << i;
        }
        EXPECT_EQ(row, 3u);
    }
}

TEST_F(SourceTables, ReaderErrorsKeepTheReadersMessage)
{
    {
        std::ofstream bad(folder.data() / "KAPUTT.DB", std::ios::binary);
        bad << std::string(100, '\x55');
    }
    const std::string readerMessage =
        messageOf<paradox::EParadoxError>([&] { paradox::Table::open(folder.data() / "KAPUTT.DB"); });
    ASSERT_FALSE(readerMessage.empty());
    Query query(session, names::kSourceQuery, names::kSourceAlias);
    query.setSql("SELECT * FROM KAPUTT");
    for (int attempt = 0; attempt < 2; ++attempt)
        EXPECT_EQ(messageOf<paradox::EParadoxError>([&] { query.open(); }), readerMessage) << attempt;
}

TEST_F(SourceTables, SourceFilesStayByteIdenticalAndNothingIsAdded)
{
    const auto before = folder.snapshot();
    // Read-only media: no write permission on the folder or its files.
    for (const auto& e : std::filesystem::directory_iterator(folder.data()))
        std::filesystem::permissions(e.path(), std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    std::filesystem::permissions(folder.data(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    {
        connection.open();
        Table listingTable(session, names::kListingTable, names::kSourceConnection, names::kListingTableFile);
        listingTable.open();
        Query query(session, names::kSourceQuery, names::kSourceAlias);
        for (const char* sql : {"SELECT * FROM TYPEN ORDER BY Alpha, Lang", "SELECT * FROM TYPEN.DB WHERE Lang=0",
                                "SELECT * FROM BILDER LEFT OUTER JOIN TYPEN ON TYPEN.Lang=BILDER.NR",
                                "SELECT * FROM CURRENTUSER", "DELETE FROM TYPEN", "DROP TABLE TYPEN",
                                "ATTACH DATABASE 'neu.db' AS neu", "VACUUM INTO 'kopie.db'"}) {
            query.setSql(sql);
            try {
                query.open();
                for (; !query.eof(); query.next()) {
                }
            } catch (const EDatabaseError&) {
                // statements that would write are refused; what matters is the folder
            }
        }
    }
    std::filesystem::permissions(folder.data(), std::filesystem::perms::owner_all);
    EXPECT_EQ(folder.snapshot(), before);
}

} // namespace
} // namespace rk::source

// Damaged, truncated and foreign files: each gives an EParadoxError with a
// German text that names the file, never a crash or a hang. The cases patch
// a small table written by ParadoxWriter (version 7, 4 KB blocks, header of
// 2048 bytes, block 1 at 2048, records of 25 bytes: ID, Name, Notiz memo).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "db/common/Ansi.h"
#include "db/paradox/reader/ParadoxTable.h"
#include "tests/db/paradox/reader/TempDir.h"
#include "tests/db/paradox/reader/WriteTable.h"
#include "tests/support/ExceptionMessage.h"
#include "tests/support/SharedFixtures.h"

namespace {

using namespace rk::source::paradox;
using Bytes = std::vector<uint8_t>;

struct Sample {
    Bytes db, mb;
};

const Sample& sample()
{
    static const Sample s = [] {
        rk::test::TempDir dir;
        rk::test::writeTable(dir / "T.DB",
                             {{"ID", FieldType::Long}, {"Name", FieldType::Alpha, 10}, {"Notiz", FieldType::Memo, 11}},
                             {{int32_t(1), std::string("eins"), std::string(100, 'x')},
                              {int32_t(2), std::string("zwei"), std::string(5000, 'y')},
                              {int32_t(3), std::string("drei"), {}}});
        return Sample{rk::test::readBytes(dir / "T.DB"), rk::test::readBytes(dir / "T.MB")};
    }();
    return s;
}

void put16(Bytes& b, size_t at, unsigned v) { b[at] = uint8_t(v); b[at + 1] = uint8_t(v >> 8); }

// Opens the patched bytes and reads every value; returns the error text.
std::string failure(const Bytes& db, const std::optional<Bytes>& mb)
{
    try {
        std::optional<std::span<const uint8_t>> mbSpan;
        if (mb) mbSpan = std::span<const uint8_t>(*mb);
        auto t = Table::openMemory("T.DB", db, mbSpan);
        for (uint32_t r = 0; r < t->recordCount(); ++r) {
            t->readRecord(r);
            for (int f = 0; f < static_cast<int>(t->fields().size()); ++f) t->value(f);
        }
    } catch (const EParadoxError& e) {
        return e.message();
    }
    return "(no error)";
}

struct Case {
    const char* legend;
    std::function<void(Bytes& db, Bytes& mb)> patch;
    const char* message;  // UTF-8
    bool withMb = true;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.legend; }

class Corrupt : public ::testing::TestWithParam<Case> {};

TEST_P(Corrupt, GivesAClearErrorNamingTheFile)
{
    Bytes db = sample().db, mb = sample().mb;
    GetParam().patch(db, mb);
    EXPECT_EQ(failure(db, GetParam().withMb ? std::optional<Bytes>(mb) : std::nullopt),
              rk::ansi(GetParam().message));
}

const char* const kForeign = "Die Datei 'T.DB' ist keine Paradox-Tabelle.";

INSTANTIATE_TEST_SUITE_P(
    Files, Corrupt,
    ::testing::Values(
        Case{"empty", [](Bytes& db, Bytes&) { db.clear(); }, kForeign},
        Case{"shorter_than_a_header", [](Bytes& db, Bytes&) { db.resize(40); }, kForeign},
        Case{"text_file", [](Bytes& db, Bytes&) { db.assign(3000, 'a'); }, kForeign},
        Case{"unknown_version", [](Bytes& db, Bytes&) { db[0x39] = 0x42; }, kForeign},
        Case{"index_file_type", [](Bytes& db, Bytes&) { db[0x04] = 1; }, kForeign},
        Case{"block_size_zero", [](Bytes& db, Bytes&) { db[0x05] = 0; }, kForeign},
        Case{"header_past_end", [](Bytes& db, Bytes&) { put16(db, 0x02, 0xF000); },
             "Die Datei 'T.DB' ist beschädigt: der Tabellenkopf reicht über das Dateiende hinaus."},
        Case{"no_fields", [](Bytes& db, Bytes&) { put16(db, 0x21, 0); },
             "Die Datei 'T.DB' ist beschädigt: unmögliche Feldanzahl 0."},
        Case{"field_table_past_header", [](Bytes& db, Bytes&) { put16(db, 0x21, 300); },
             "Die Datei 'T.DB' ist beschädigt: der Tabellenkopf ist zu kurz für die Feldbeschreibungen."},
        Case{"record_longer_than_block", [](Bytes& db, Bytes&) { put16(db, 0x00, 5000); },
             "Die Datei 'T.DB' ist beschädigt: unmögliche Datensatzlänge 5000."},
        Case{"unknown_field_type", [](Bytes& db, Bytes&) { db[0x78] = 0x07; },
             "Die Datei 'T.DB' ist beschädigt: unbekannter Feldtyp 7 in Feld 1."},
        Case{"impossible_field_size", [](Bytes& db, Bytes&) { db[0x79] = 3; },
             "Die Datei 'T.DB' ist beschädigt: unmögliche Feldgröße 3 in Feld 1."},
        Case{"sizes_do_not_add_up", [](Bytes& db, Bytes&) { db[0x7B] = 12; },
             "Die Datei 'T.DB' ist beschädigt: die Feldgrößen (27) passen nicht zur Datensatzlänge 25."},
        Case{"field_name_without_end",
             [](Bytes& db, Bytes&) {
                 const size_t names = 0x78 + 6 + 4 + 12 + 261;
                 std::memset(db.data() + names, 'N', 2048 - names);
             },
             "Die Datei 'T.DB' ist beschädigt: der Name von Feld 1 fehlt im Tabellenkopf."},
        Case{"password_protected", [](Bytes& db, Bytes&) { db[0x5C] = 0x17; },
             "Die Datei 'T.DB' ist kennwortgeschützt; verschlüsselte Tabellen werden nicht gelesen."},
        Case{"unknown_code_page", [](Bytes& db, Bytes&) { put16(db, 0x6A, 9999); },
             "Die Datei 'T.DB' verwendet die nicht unterstützte Codepage 9999."},
        Case{"header_only", [](Bytes& db, Bytes&) { db.resize(2048); },
             "Die Datei 'T.DB' ist beschädigt: Datenblock 1 liegt hinter dem Dateiende."},
        Case{"block_cut_in_its_head", [](Bytes& db, Bytes&) { db.resize(2048 + 3); },
             "Die Datei 'T.DB' ist beschädigt: Datenblock 1 ist abgeschnitten."},
        Case{"records_cut_off", [](Bytes& db, Bytes&) { db.resize(2048 + 6 + 60); },
             "Die Datei 'T.DB' ist beschädigt: Datenblock 1 ist abgeschnitten."},
        Case{"chain_loops", [](Bytes& db, Bytes&) { put16(db, 2048, 1); },
             "Die Datei 'T.DB' ist beschädigt: die Blockkette kehrt zu Block 1 zurück."},
        Case{"chain_leaves_the_file", [](Bytes& db, Bytes&) { put16(db, 2048, 700); },
             "Die Datei 'T.DB' ist beschädigt: Datenblock 700 liegt hinter dem Dateiende."},
        Case{"ragged_block_fill", [](Bytes& db, Bytes&) { put16(db, 2048 + 4, 49); },
             "Die Datei 'T.DB' ist beschädigt: Datenblock 1 hat eine ungültige Belegung."},
        Case{"overfull_block", [](Bytes& db, Bytes&) { put16(db, 2048 + 4, 25 * 200); },
             "Die Datei 'T.DB' ist beschädigt: Datenblock 1 hat eine ungültige Belegung."},
        // The chain walked gives other records than the header counts.
        Case{"header_counts_more", [](Bytes& db, Bytes&) { db[0x06] = 4; },
             "Die Datei 'T.DB' ist beschädigt: die Blockkette enthält 3 Datensätze, der Tabellenkopf nennt 4."},
        Case{"header_counts_fewer", [](Bytes& db, Bytes&) { db[0x06] = 2; },
             "Die Datei 'T.DB' ist beschädigt: die Blockkette enthält 3 Datensätze, der Tabellenkopf nennt 2."},
        Case{"no_blocks_in_use", [](Bytes& db, Bytes&) { put16(db, 0x0C, 0); },
             "Die Datei 'T.DB' ist beschädigt: die Blockkette enthält 0 Datensätze, der Tabellenkopf nennt 3."},
        Case{"missing_mb", [](Bytes&, Bytes&) {}, "Die Blob-Datei 'T.MB' zur Tabelle 'T.DB' fehlt.", false},
        Case{"foreign_mb", [](Bytes&, Bytes& mb) { mb.assign(100, 'z'); },
             "Die Datei 'T.MB' ist keine Paradox-Blob-Datei."},
        Case{"mb_cut_off", [](Bytes&, Bytes& mb) { mb.resize(4096); },
             "Die Datei 'T.MB' ist beschädigt: Blob-Verweis 4096 zeigt hinter das Dateiende."},
        Case{"blob_ref_into_header", [](Bytes& db, Bytes&) { db[2048 + 6 + 15 + 1] = 0; },
             "Die Datei 'T.MB' ist beschädigt: Blob-Verweis 0 zeigt hinter das Dateiende."},
        Case{"sub_block_type_wrong", [](Bytes&, Bytes& mb) { mb[4096] = 4; },
             "Die Datei 'T.MB' ist beschädigt: Block bei 4096 ist kein unterteilter Blob-Block."},
        Case{"sub_slot_length_wrong", [](Bytes&, Bytes& mb) { mb[4096 + 12 + 63 * 5 + 1] = 2; },
             "Die Datei 'T.MB' ist beschädigt: Blob auf Platz 63 in Block 4096 hat nicht die Länge 100."},
        Case{"sub_slot_outside_block", [](Bytes&, Bytes& mb) { mb[4096 + 12 + 63 * 5] = 0xFF; },
             "Die Datei 'T.MB' ist beschädigt: Blob auf Platz 63 in Block 4096 liegt außerhalb des Blocks."},
        Case{"sub_slot_number_too_high", [](Bytes& db, Bytes&) { db[2048 + 6 + 15] = 70; },
             "Die Datei 'T.MB' ist beschädigt: Blob-Verweis auf Platz 70 in Block 4096."},
        // Found by the fuzzer: the slot entry itself lay past the end of a cut .MB.
        Case{"mb_cut_inside_slot_table",
             [](Bytes& db, Bytes& mb) {
                 db[2048 + 6 + 15] = 62;
                 mb.resize(4096 + 100);
             },
             "Die Datei 'T.MB' ist beschädigt: Blob-Verweis 4096 zeigt hinter das Dateiende."},
        Case{"single_blob_length_differs", [](Bytes&, Bytes& mb) { mb[8192 + 3] = 0x11; },
             "Die Datei 'T.MB' ist beschädigt: Blob bei 8192 ist 4881 Bytes lang, der Datensatz nennt 5000."},
        Case{"single_blob_cut_off", [](Bytes&, Bytes& mb) { mb.resize(8192 + 4000); },
             "Die Datei 'T.MB' ist beschädigt: Blob bei 8192 ist abgeschnitten."},
        Case{"single_blob_longer_than_its_chunks", [](Bytes&, Bytes& mb) { mb[8192 + 1] = 1; },
             "Die Datei 'T.MB' ist beschädigt: Blob bei 8192 ist abgeschnitten."}),
    [](const auto& info) { return std::string(info.param.legend); });

TEST(CorruptSample, UnpatchedSampleReads)
{
    EXPECT_EQ(failure(sample().db, sample().mb), "(no error)");
    EXPECT_EQ(sample().db.size(), 2048u + 4096u);
    EXPECT_EQ(sample().mb.size(), 4096u * 4);  // header, one sub-allocated block, a two-chunk blob
}

TEST(CorruptFiles, OpeningErrorsNameTheFile)
{
    rk::test::TempDir dir;
    const auto expectMessage = [](const std::filesystem::path& p, const std::string& utf8) {
        EXPECT_EQ(rk::test::messageOf<EParadoxError>([&] { Table::open(p); }), rk::ansiFormat(utf8, p.string()));
    };
    expectMessage(dir / "FEHLT.DB", "Die Datei '%s' wurde nicht gefunden.");
    std::filesystem::create_directory(dir / "ORDNER.DB");
    expectMessage(dir / "ORDNER.DB", "Die Datei '%s' ist keine gewöhnliche Datei.");
    rk::test::writeBytes(dir / "LEER.DB", {});
    expectMessage(dir / "LEER.DB", "Die Datei '%s' ist keine Paradox-Tabelle.");

    // A .DB with memo columns but no .MB beside it.
    rk::test::writeBytes(dir / "T.DB", sample().db);
    EXPECT_EQ(rk::test::messageOf<EParadoxError>([&] { Table::open(dir / "T.DB"); }),
              rk::ansiFormat("Die Blob-Datei '%s' zur Tabelle '%s' fehlt.", (dir / "T.MB").string(),
                             (dir / "T.DB").string()));
    // The .MB is found whatever the letter case of its name.
    rk::test::writeBytes(dir / "t.mb", sample().mb);
    auto t = Table::open(dir / "T.DB");
    t->readRecord(1);
    EXPECT_EQ(t->value(2), rk::db::FieldValue(std::string(5000, 'y')));
}

// Real tables with their chain damaged: the walk finds fewer records than
// the header counts. Offsets from a hex dump: biolife has 2 KB blocks after
// a 2048-byte header, chained 1 -> 2 -> 3 with 11, 11 and 6 records;
// TypSammlung's header names its one block at 0x0C.
TEST(CorruptFiles, RealTableWithADamagedChainIsRefused)
{
    struct Damage {
        const char* file;
        const char* mb;
        size_t at;
        const char* message;  // UTF-8
    } damages[] = {
        {"Rparadox/biolife.db", "Rparadox/biolife.mb", 2048,
         "Die Datei 'T.DB' ist beschädigt: die Blockkette enthält 11 Datensätze, der Tabellenkopf nennt 28."},
        {"Rparadox/TypSammlung.DB", "Rparadox/TypSammlung.MB", 0x0C,
         "Die Datei 'T.DB' ist beschädigt: die Blockkette enthält 0 Datensätze, der Tabellenkopf nennt 5."},
    };
    for (const Damage& d : damages) {
        const auto file = rk::test::paradoxFixture(d.file);
        RK_REQUIRE_FIXTURE(file);
        Bytes db = rk::test::readBytes(file);
        const Bytes mb = rk::test::readBytes(rk::test::paradoxFixture(d.mb));
        EXPECT_EQ(failure(db, mb), "(no error)") << d.file;  // as it is, it reads
        put16(db, d.at, 0);
        EXPECT_EQ(failure(db, mb), rk::ansi(d.message)) << d.file;
    }
}

TEST(CorruptFiles, PrimaryIndexFixtureIsNoTable)
{
    const auto px = rk::test::paradoxFixture("Paradox-Reader/testtab.PX");
    RK_REQUIRE_FIXTURE(px);
    EXPECT_EQ(rk::test::messageOf<EParadoxError>([&] { Table::open(px); }),
              rk::ansiFormat("Die Datei '%s' ist keine Paradox-Tabelle.", px.string()));
}

} // namespace

// Real Paradox files read whole. Expected values come from hex dumps of the
// files (offsets in the comments): integers are big-endian with the sign bit
// flipped, doubles big-endian with the sign bit set (negatives inverted),
// dates count days from 0001-01-01 = 1 (Python's date.toordinal()).
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "db/common/Ansi.h"
#include "db/paradox/reader/ParadoxTable.h"
#include "tests/db/paradox/reader/TempDir.h"
#include "tests/db/paradox/reader/ValuePrinters.h"
#include "tests/support/SharedFixtures.h"

namespace {

using namespace rk::source::paradox;
using rk::db::BcdValue;
using rk::db::DateValue;
using rk::db::FieldValue;
using rk::db::TimestampValue;
using rk::db::TimeValue;
using rk::test::paradoxFixture;

const FieldValue kBlank{};

std::vector<FieldValue> row(Table& t, uint32_t r)
{
    t.readRecord(r);
    std::vector<FieldValue> out;
    for (int f = 0; f < static_cast<int>(t.fields().size()); ++f) out.push_back(t.value(f));
    return out;
}

void expectFields(const Table& t, const std::vector<std::tuple<std::string, FieldType, int>>& want)
{
    ASSERT_EQ(t.fields().size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(t.fields()[i].name, rk::ansi(std::get<0>(want[i]))) << i;
        EXPECT_EQ(t.fields()[i].type, std::get<1>(want[i])) << i;
        const int size = t.fields()[i].type == FieldType::Bcd ? t.fields()[i].bcdScale : t.fields()[i].size;
        EXPECT_EQ(size, std::get<2>(want[i])) << i;
    }
}

TEST(FixtureTypSammlung, EveryRowAndKind)
{
    const auto file = paradoxFixture("Rparadox/TypSammlung.DB");
    RK_REQUIRE_FIXTURE(file);
    auto t = Table::open(file);
    EXPECT_EQ(t->version(), 70);
    EXPECT_EQ(t->codePage(), 1252);
    ASSERT_EQ(t->recordCount(), 5u);
    expectFields(*t, {{"Alpha", FieldType::Alpha, 30}, {"Numerisch", FieldType::Number, 8},
                      {"Währung", FieldType::Currency, 8}, {"Integer kurz", FieldType::Short, 2},
                      {"Integer lang", FieldType::Long, 4}, {"BCD", FieldType::Bcd, 6},
                      {"Datum", FieldType::Date, 4}, {"Zeit", FieldType::Time, 4},
                      {"Datum/Zeit", FieldType::Timestamp, 8}, {"Memo", FieldType::Memo, 11},
                      {"Logisch", FieldType::Logical, 1}, {"Zähler", FieldType::AutoInc, 4},
                      {"Binär", FieldType::Binary, 10}, {"Bytes", FieldType::Bytes, 255}});
    // The Bytes column holds 255 zero bytes in every record: blank.
    const FieldValue zeros = kBlank;
    // Record 0 at 0x806: c044.. = 40.0, 8028 = 40, BCD c6 .. 40 00 00 00,
    // date 800af93b = 719163 (1970-01-01), time 80000000 = midnight,
    // timestamp c2cc418cd7b9c000 = 62135722800000 (1970-01-01 11:00).
    EXPECT_EQ(row(*t, 0), (std::vector<FieldValue>{
        rk::ansi("AAA Irgendein Text"), 40.0, 40.0, int32_t(40), int32_t(40),
        BcdValue{false, {4, 0, 0, 0, 0, 0, 0, 0}, 6}, DateValue{719163}, TimeValue{0},
        TimestampValue{62135722800000.0}, kBlank, kBlank, int32_t(1), kBlank, zeros}));
    // Record 1 at 0x974: only the text, c037.. = 23, logical 80 = false; the
    // BCD bytes are 06 00.. : blank (bit 6 of the first byte clear).
    EXPECT_EQ(row(*t, 1), (std::vector<FieldValue>{
        rk::ansi("Erste Zeile"), 23.0, kBlank, kBlank, kBlank, kBlank, kBlank, kBlank, kBlank, kBlank,
        false, int32_t(3), kBlank, zeros}));
    // Record 2 at 0xae2: date 7ffffe92 = -366 (before the year 1), time
    // 80404520 = 4212000 ms, memo 44 3f100000 28000000: 40 bytes in slot
    // 0x3f of the sub-allocated .MB block at 0x1000.
    EXPECT_EQ(row(*t, 2), (std::vector<FieldValue>{
        rk::ansi("Fünfter Datensatz"), 1.34, 13.002, kBlank, kBlank,
        BcdValue{false, {1, 3, 1, 2, 3, 4, 5, 7}, 6}, DateValue{-366}, TimeValue{4212000},
        TimestampValue{-31618800000.0}, rk::ansi("Dies ist eine Memo im 'Fünften Datensat'"), kBlank,
        int32_t(5), kBlank, zeros}));
    // Record 3 at 0xc50: zero values, not blanks (8000.., c6 00..).
    EXPECT_EQ(row(*t, 3), (std::vector<FieldValue>{
        rk::ansi("Null-Werte"), 0.0, 0.0, int32_t(0), int32_t(0), BcdValue{false, {0, 0, 0, 0, 0, 0}, 6},
        kBlank, kBlank, kBlank, kBlank, kBlank, int32_t(4), kBlank, zeros}));
    // Record 4 at 0xdbe: negatives (3fbbff.. = -40.0, 7fd8 = -40, BCD 46 ff..bf
    // ff ff ff), date 800b2396 = 730006 (1999-09-09), logical 81 = true.
    EXPECT_EQ(row(*t, 4), (std::vector<FieldValue>{
        rk::ansi("Zweite Zeile"), -40.0, -40.0, int32_t(-40), int32_t(-40),
        BcdValue{true, {4, 0, 0, 0, 0, 0, 0, 0}, 6}, DateValue{730006}, TimeValue{40271000},
        TimestampValue{63190926671000.0}, kBlank, true, int32_t(2), kBlank, zeros}));
}

TEST(FixtureTesttab, EveryRowAndKind)
{
    const auto file = paradoxFixture("Paradox-Reader/testtab.DB");
    RK_REQUIRE_FIXTURE(file);
    auto t = Table::open(file);
    EXPECT_EQ(t->version(), 50);
    EXPECT_EQ(t->codePage(), 1252);
    ASSERT_EQ(t->recordCount(), 5u);
    expectFields(*t, {{"ID", FieldType::AutoInc, 4}, {"ALPHA", FieldType::Alpha, 5},
                      {"NUMBER", FieldType::Number, 8}, {"MONEY", FieldType::Currency, 8},
                      {"SHORT", FieldType::Short, 2}, {"LONG", FieldType::Long, 4}, {"BCD", FieldType::Bcd, 2},
                      {"DATE", FieldType::Date, 4}, {"TIME", FieldType::Time, 4},
                      {"TIMESTAMP", FieldType::Timestamp, 8}, {"LOGICAL", FieldType::Logical, 1},
                      {"BINARY", FieldType::Bytes, 5}, {"BYTES", FieldType::Binary, 10},
                      {"MEMO", FieldType::Memo, 11}});
    const std::string bytes("123\0\0", 5);
    // Record 0 at 0x806: BCD c2 .. 01 11 11 = 111.11, date 800b34f4 = 734452
    // (2011-11-11), binary 3b100000 01000000: one byte in slot 0x3b, memo
    // 31 3f100000 03000000: "111" in slot 0x3f.
    EXPECT_EQ(row(*t, 0), (std::vector<FieldValue>{
        int32_t(1), std::string("AAA"), 111.11, 111.11, int32_t(111), int32_t(111),
        BcdValue{false, {1, 1, 1, 1, 1}, 2}, DateValue{734452}, TimeValue{40271000},
        TimestampValue{63456693071000.0}, true, bytes, std::string("1"), std::string("111")}));
    // Record 1: negatives (BCD 42 ff.. dd dd = -222.22), logical 80 = false.
    EXPECT_EQ(row(*t, 1), (std::vector<FieldValue>{
        int32_t(2), std::string("BBB"), -222.22, -222.22, int32_t(-222), int32_t(-222),
        BcdValue{true, {2, 2, 2, 2, 2}, 2}, DateValue{738511}, TimeValue{80542000},
        TimestampValue{63807430942000.0}, false, bytes, kBlank, std::string("222")}));
    // Record 3: every field but ID, ALPHA and BINARY is zero bytes.
    EXPECT_EQ(row(*t, 3), (std::vector<FieldValue>{
        int32_t(4), std::string("DDD"), kBlank, kBlank, kBlank, kBlank, kBlank, kBlank, kBlank, kBlank, kBlank,
        bytes, kBlank, kBlank}));
    // Dates far in the future: 8010e615 = 1107477 (3033-03-03), 801c2b2c = 1846060 (5055-05-05).
    EXPECT_EQ(row(*t, 2)[7], FieldValue(DateValue{1107477}));
    EXPECT_EQ(row(*t, 4)[7], FieldValue(DateValue{1846060}));
    EXPECT_EQ(row(*t, 4)[13], FieldValue(std::string("555")));
}

TEST(FixtureBiolife, ChainSkipsTheFreeBlockAndBlobsComeFromBothBlockKinds)
{
    const auto file = paradoxFixture("Rparadox/biolife.db");
    RK_REQUIRE_FIXTURE(file);
    auto t = Table::open(file);
    EXPECT_EQ(t->version(), 40);
    EXPECT_EQ(t->codePage(), 437);
    // Blocks 1 -> 2 -> 3 hold 11 + 11 + 6 records; block 4 is free (-179).
    ASSERT_EQ(t->recordCount(), 28u);
    expectFields(*t, {{"Species No", FieldType::Number, 8}, {"Category", FieldType::Alpha, 15},
                      {"Common_Name", FieldType::Alpha, 30}, {"Species Name", FieldType::Alpha, 40},
                      {"Length (cm)", FieldType::Number, 8}, {"Length_In", FieldType::Number, 8},
                      {"Notes", FieldType::Memo, 60}, {"Graphic", FieldType::Graphic, 10}});
    const auto r0 = row(*t, 0);
    EXPECT_EQ(r0[0], FieldValue(90020.0));
    EXPECT_EQ(r0[1], FieldValue(std::string("Triggerfish")));
    EXPECT_EQ(r0[3], FieldValue(std::string("Ballistoides conspicillum")));
    EXPECT_EQ(r0[4], FieldValue(50.0));
    // Notes: ref 0x103f, 701 bytes; slot 63 at 0x1147 = 15 2c 01 00 0d:
    // data at 0x1150, 44 units, 701 = 43 * 16 + 13.
    const auto& notes = std::get<std::string>(r0[6]);
    EXPECT_EQ(notes.size(), 701u);
    EXPECT_EQ(notes.substr(0, 42), "Also known as the big spotted triggerfish.");
    // Graphic: ref 0x20ff, a single blob of 38886 bytes (0x97e6) at 0x2009,
    // beginning with the 8-byte graphic prefix 01 00 00 01 de 97 00 00, "BM".
    const auto& graphic = std::get<std::string>(r0[7]);
    EXPECT_EQ(graphic.size(), 38886u);
    EXPECT_EQ(graphic.substr(0, 10), std::string("\x01\x00\x00\x01\xde\x97\x00\x00" "BM", 10));
    std::set<std::string> names;
    for (uint32_t r = 0; r < t->recordCount(); ++r) {
        const auto v = row(*t, r);
        names.insert(std::get<std::string>(v[2]));
        EXPECT_TRUE(std::holds_alternative<std::string>(v[6])) << r;
        EXPECT_TRUE(std::holds_alternative<std::string>(v[7])) << r;
    }
    EXPECT_EQ(names.size(), 28u);
}

TEST(FixtureVidorder, Version3WithoutCodePage)
{
    const auto file = paradoxFixture("paradoxdriver/VIDORDER.DB");
    RK_REQUIRE_FIXTURE(file);
    auto t = Table::open(file);
    EXPECT_EQ(t->version(), 30);
    EXPECT_EQ(t->headerCodePage(), 0);
    EXPECT_EQ(t->codePage(), 850);
    EXPECT_EQ(t->blockSize(), 1024);
    ASSERT_EQ(t->recordCount(), 50u);
    ASSERT_EQ(t->fields().size(), 11u);
    EXPECT_EQ(t->fields()[1].name, "Customer #");
    // First record at 0x163: date 800b1457 = 726103 (1989-01-01), alpha
    // "1332" "06:30P" "B" "NV" "CA", c00c.. = 3.5, c014.. = 5.0, blanks.
    EXPECT_EQ(row(*t, 0), (std::vector<FieldValue>{
        DateValue{726103}, std::string("1332"), std::string("06:30P"), std::string("B"), std::string("NV"),
        std::string("CA"), 3.5, 5.0, kBlank, kBlank, kBlank}));
    OpenOptions as1252;
    as1252.defaultCodePage = 1252;
    EXPECT_EQ(Table::open(file, as1252)->codePage(), 1252);
}

TEST(FixtureBcd, DecimalsNegativesBlankAndGarbageDigits)
{
    const auto file = paradoxFixture("paradoxdriver/bcd.db");
    RK_REQUIRE_FIXTURE(file);
    auto t = Table::open(file);
    EXPECT_EQ(t->codePage(), 850);
    ASSERT_EQ(t->recordCount(), 3u);
    expectFields(*t, {{"A", FieldType::Bcd, 2}, {"B", FieldType::Bcd, 0}, {"C", FieldType::Bcd, 32}});
    // C of record 0 at 0x828: e0 12 29 99 99 99 99 99 99 98 0b 00 e0 00 00 bf 4a;
    // record 1 holds the same digits inverted behind 60.
    const std::vector<uint8_t> garbage = {1, 2, 2, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9,
                                          8, 0, 0xb, 0, 0, 0xe, 0, 0, 0, 0, 0, 0xb, 0xf, 4, 0xa};
    EXPECT_EQ(row(*t, 0), (std::vector<FieldValue>{BcdValue{false, {1, 2, 3}, 2}, BcdValue{false, {1}, 0},
                                                    BcdValue{false, garbage, 32}}));
    EXPECT_EQ(row(*t, 1), (std::vector<FieldValue>{BcdValue{true, {1, 2, 3}, 2}, BcdValue{true, {1}, 0},
                                                    BcdValue{true, garbage, 32}}));
    const auto r2 = row(*t, 2);
    EXPECT_EQ(r2[0], FieldValue(BcdValue{false, {0, 0}, 2}));  // c2 00..: zero
    EXPECT_EQ(r2[1], kBlank);                                   // all zero bytes
}

TEST(FixtureMemo, InRecordAndSubAllocated)
{
    const auto file = paradoxFixture("paradoxdriver/memo.db");
    RK_REQUIRE_FIXTURE(file);
    auto t = Table::open(file);
    ASSERT_EQ(t->recordCount(), 2u);
    // Record 0: ref 0x103f, 555 bytes (0x22b), slot 63 = 15 23 01 00 0b.
    const auto r0 = row(*t, 0);
    const std::string line = "0123456789001234567890012345678900123456789001234567890012345678900123456789"
                             "0012345678900123456789001234567890\n";
    EXPECT_EQ(r0[0], FieldValue(int32_t(1)));
    EXPECT_EQ(r0[1], FieldValue(line + line + line + line + line));
    // Record 1: ref 0, 12 bytes held in the 240-byte leader.
    EXPECT_EQ(row(*t, 1), (std::vector<FieldValue>{int32_t(2), std::string("01234567890\n")}));
}

TEST(FixtureFmtMemoAndOle, RawBlobBytes)
{
    const auto fmemo = paradoxFixture("paradoxdriver/fmemo.db");
    const auto ole = paradoxFixture("paradoxdriver/ole.db");
    RK_REQUIRE_FIXTURE(fmemo);
    auto t = Table::open(fmemo);
    ASSERT_EQ(t->recordCount(), 2u);
    // Records: 3f100000 a9000000 (169 bytes, slot 63), 3e100000 d6020000 (726, slot 62).
    EXPECT_EQ(std::get<std::string>(row(*t, 0)[1]).size(), 169u);
    EXPECT_EQ(std::get<std::string>(row(*t, 1)[1]).size(), 726u);

    auto o = Table::open(ole);
    ASSERT_EQ(o->recordCount(), 1u);
    // ffb00500 68950500: a single blob of 365928 bytes at 0x5b000 (90 chunks).
    const auto values = row(*o, 0);
    const auto& bytes = std::get<std::string>(values[1]);
    ASSERT_EQ(bytes.size(), 365928u);
    EXPECT_EQ(bytes[0], '\x01');
    EXPECT_EQ(bytes.substr(10, 16), "Paradox Document");
}

TEST(FixtureFiles, UnchangedAfterReadingAndNothingCreatedBeside)
{
    const auto dir = paradoxFixture("");
    RK_REQUIRE_FIXTURE(dir);
    const auto snapshot = [&] {
        std::map<std::filesystem::path, std::vector<uint8_t>> files;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
            if (e.is_regular_file()) files[e.path()] = rk::test::readBytes(e.path());
        return files;
    };
    const auto before = snapshot();
    for (const auto& [path, bytes] : before) {
        const auto ext = path.extension().string();
        if (ext != ".DB" && ext != ".db") continue;
        auto t = Table::open(path);
        for (uint32_t r = 0; r < t->recordCount(); ++r) row(*t, r);
    }
    EXPECT_EQ(before.size(), 16u);  // the README and 15 table files
    EXPECT_TRUE(before == snapshot());
}

} // namespace

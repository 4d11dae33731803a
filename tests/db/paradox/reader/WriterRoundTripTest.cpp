// Tables written by ParadoxWriter and read back by Table: every field kind
// with values and blanks across file versions and block sizes, memo
// placement (record, sub-allocated and single .MB blocks) and code pages.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "db/common/Ansi.h"
#include "db/paradox/reader/ParadoxTable.h"
#include "tests/db/paradox/reader/TempDir.h"
#include "tests/db/paradox/reader/ValuePrinters.h"
#include "tests/db/paradox/reader/WriteTable.h"
#include "tests/support/ExceptionMessage.h"

namespace {

using namespace rk::source::paradox;
using rk::db::FieldValue;
using rk::tools::pxwrite::Column;
using rk::tools::pxwrite::ParadoxWriter;
using rk::tools::pxwrite::WriterOptions;

std::vector<Column> allKinds()
{
    return {
        {rk::ansi("Name"), FieldType::Alpha, 24},      {"Datum", FieldType::Date},
        {"Kurz", FieldType::Short},                     {"Lang", FieldType::Long},
        {rk::ansi("Währung"), FieldType::Currency},     {"Zahl", FieldType::Number},
        {"Logisch", FieldType::Logical},                {"Memo", FieldType::Memo, 20},
        {rk::ansi("Binär"), FieldType::Binary},         {"Format", FieldType::FmtMemo, 15},
        {"OLE", FieldType::Ole},                        {"Bild", FieldType::Graphic},
        {"Zeit", FieldType::Time},                      {"Stempel", FieldType::Timestamp},
        {"Nr", FieldType::AutoInc},                     {"Betrag", FieldType::Bcd, 2},
        {"Roh", FieldType::Bytes, 6},
    };
}

std::vector<std::vector<FieldValue>> allKindsRows()
{
    const std::string bigBinary = [] {
        std::string s(9000, '\0');
        for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>(i * 7);
        return s;
    }();
    return {
        {rk::ansi("Müller-Lüdenscheidt"), rk::db::DateValue{738000}, int32_t(-32767), int32_t(-2147483647),
         -12.5, 3.141592653589793, true, rk::ansi("kurz: ä"), std::string("\0\1\2", 3), std::string(300, 'f'),
         bigBinary, std::string(1, '\x42'), rk::db::TimeValue{86399999}, rk::db::TimestampValue{63e12 + 1234},
         int32_t(7), rk::db::BcdValue{true, {1, 2, 3, 4, 5}, 2}, std::string("\x01\0\x02\0\0\0", 6)},
        std::vector<FieldValue>(17),  // a row of blanks
        {std::string(" "), rk::db::DateValue{1}, int32_t(0), int32_t(0), 0.0, -0.0, false,
         std::string(5000, 'm'), std::string(3000, '\0'), std::string("x"), std::string("y"), std::string("z"),
         rk::db::TimeValue{0}, rk::db::TimestampValue{86400000}, int32_t(2147483647),
         rk::db::BcdValue{false, {0, 0}, 2}, std::string(6, '\xff')},
    };
}

struct Layout {
    int version;
    int blockKb;
};

class AllKindsRoundTrip : public ::testing::TestWithParam<Layout> {};

TEST_P(AllKindsRoundTrip, ValuesAndBlanksReadBackUnchanged)
{
    rk::test::TempDir dir;
    const auto file = dir / "ALLE.DB";
    const auto rows = allKindsRows();
    WriterOptions opt;
    opt.version = GetParam().version;
    opt.blockSizeKb = GetParam().blockKb;
    rk::test::writeTable(file, allKinds(), rows, opt);
    auto t = Table::open(file);
    EXPECT_EQ(t->version(), GetParam().version);
    EXPECT_EQ(t->blockSize(), GetParam().blockKb * 1024);
    ASSERT_EQ(t->recordCount(), rows.size());
    ASSERT_EQ(t->fields().size(), allKinds().size());
    EXPECT_EQ(t->fields()[4].name, rk::ansi("Währung"));
    EXPECT_EQ(t->fields()[7].size, 20);
    EXPECT_EQ(t->fields()[15].size, 17);
    EXPECT_EQ(t->fields()[15].bcdScale, 2);
    for (uint32_t r = 0; r < rows.size(); ++r) {
        t->readRecord(r);
        for (size_t f = 0; f < rows[r].size(); ++f) {
            // A blank Bytes column is stored as zero bytes and reads blank again.
            EXPECT_EQ(t->value(static_cast<int>(f)), rows[r][f]) << "row " << r << " field " << f;
        }
    }
    t->readRecord(2);
    EXPECT_TRUE(std::signbit(std::get<double>(t->value(5))));  // -0.0 is a value, not blank
}

INSTANTIATE_TEST_SUITE_P(Layouts, AllKindsRoundTrip,
                         ::testing::Values(Layout{70, 4}, Layout{70, 1}, Layout{70, 32}, Layout{50, 2},
                                           Layout{40, 2}, Layout{30, 2}, Layout{35, 4}),
                         [](const auto& info) {
                             return "v" + std::to_string(info.param.version) + "_" +
                                    std::to_string(info.param.blockKb) + "k";
                         });

TEST(WriterBlobs, MemosGoToRecordSubAllocatedOrSingleBlocks)
{
    rk::test::TempDir dir;
    const auto file = dir / "MEMO.DB";
    std::vector<std::string> memos = {std::string("0123456789"), std::string(11, 'a'), std::string(2048, 'b'),
                                      std::string(2049, 'c'), std::string(100000, 'd')};
    for (int i = 0; i < 150; ++i) memos.push_back(std::string(20 + i * 3 % 200, static_cast<char>('A' + i % 26)));
    rk::test::TableRows rows;
    for (size_t i = 0; i < memos.size(); ++i) rows.push_back({int32_t(i), memos[i]});
    rk::test::writeTable(file, {{"Id", FieldType::Long}, {"Memo", FieldType::Memo, 20}}, rows);
    const auto mb = rk::test::readBytes(dir / "MEMO.MB");
    ASSERT_GE(mb.size(), 3 * 4096u);
    EXPECT_EQ(mb[0], 0);
    EXPECT_EQ(mb[4096], 3) << "the 11-byte memo opens a sub-allocated block";
    size_t single = 0, sub = 0;
    for (size_t at = 4096; at < mb.size(); at += 4096) {
        if (mb[at] == 3) ++sub;
        if (mb[at] == 2) ++single;
    }
    EXPECT_EQ(single, 2u);  // 2049 and 100000 bytes
    EXPECT_GE(sub, 3u);     // 150 small memos need several blocks of 64 slots at most

    auto t = Table::open(file);
    ASSERT_EQ(t->recordCount(), memos.size());
    for (uint32_t i = 0; i < memos.size(); ++i) {
        t->readRecord(i);
        EXPECT_EQ(t->value(1), FieldValue(memos[i])) << "memo " << i;
    }
    // The ten-byte memo fits the leader: no reference in the record.
    const auto db = rk::test::readBytes(file);
    const size_t rec0 = t->recordCount() ? 2048 + 6 : 0;
    ASSERT_GT(db.size(), rec0 + 24);
    EXPECT_EQ(std::string(db.begin() + rec0 + 4, db.begin() + rec0 + 14), "0123456789");
    EXPECT_EQ(db[rec0 + 14] | db[rec0 + 15] | db[rec0 + 16] | db[rec0 + 17], 0);
    // The 11-byte memo: slot 63 of the sub-allocated block at 4096, as Paradox numbers them.
    const size_t rec1 = rec0 + 24;
    EXPECT_EQ(std::vector<uint8_t>(db.begin() + rec1 + 14, db.begin() + rec1 + 22),
              (std::vector<uint8_t>{0x3F, 0x10, 0, 0, 11, 0, 0, 0}));
}

struct CodePageCase {
    int codePage;
    std::vector<uint8_t> stored;  // "ä¢" as the code page writes it
};

class CodePages : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(CodePages, TextIsStoredInTheTablesCodePageAndReadAsWindows1252)
{
    rk::test::TempDir dir;
    const auto file = dir / "CP.DB";
    WriterOptions opt;
    opt.codePage = GetParam().codePage;
    rk::test::writeTable(file, {{rk::ansi("Größe"), FieldType::Alpha, 4}, {"Notiz", FieldType::Memo, 14}},
                         {{rk::ansi("ä¢"), rk::ansi("ä¢\n")}}, opt);
    const auto db = rk::test::readBytes(file);
    ASSERT_GT(db.size(), 2048u + 8);
    EXPECT_EQ(std::vector<uint8_t>(db.begin() + 2054, db.begin() + 2056), GetParam().stored);
    EXPECT_EQ(db[0x6A] | db[0x6B] << 8, GetParam().codePage);

    auto t = Table::open(file);
    EXPECT_EQ(t->codePage(), GetParam().codePage);
    EXPECT_EQ(t->fields()[0].name, rk::ansi("Größe"));
    t->readRecord(0);
    EXPECT_EQ(t->value(0), FieldValue(rk::ansi("ä¢")));
    EXPECT_EQ(t->value(1), FieldValue(rk::ansi("ä¢\n")));
}

INSTANTIATE_TEST_SUITE_P(Oem, CodePages,
                         ::testing::Values(CodePageCase{437, {0x84, 0x9B}}, CodePageCase{850, {0x84, 0xBD}},
                                           CodePageCase{1252, {0xE4, 0xA2}}),
                         [](const auto& info) { return "cp" + std::to_string(info.param.codePage); });

TEST(WriterVersion3, NoCodePageInHeaderSoTheDefaultApplies)
{
    rk::test::TempDir dir;
    const auto file = dir / "ALT.DB";
    WriterOptions opt;
    opt.version = 30;
    // Written in 850, the usual OEM code page.
    rk::test::writeTable(file, {{"Text", FieldType::Alpha, 4}}, {{rk::ansi("ä¢")}}, opt);
    auto t850 = Table::open(file);
    EXPECT_EQ(t850->headerCodePage(), 0);
    EXPECT_EQ(t850->codePage(), 850);
    t850->readRecord(0);
    EXPECT_EQ(t850->value(0), FieldValue(rk::ansi("ä¢")));

    OpenOptions as437;
    as437.defaultCodePage = 437;
    auto t437 = Table::open(file, as437);
    EXPECT_EQ(t437->codePage(), 437);
    t437->readRecord(0);
    EXPECT_EQ(t437->value(0), FieldValue(rk::ansi("ä?")));  // 0xBD is a box corner in 437
}

TEST(WriterBlocks, EmptyTableHasNoBlocks)
{
    rk::test::TempDir dir;
    const auto file = dir / "LEER.DB";
    rk::test::writeTable(file, {{"ID", FieldType::Long}}, {});
    auto t = Table::open(file);
    EXPECT_EQ(t->recordCount(), 0u);
    EXPECT_EQ(std::filesystem::file_size(file), 2048u);
    EXPECT_THROW(t->readRecord(0), EParadoxError);
}

TEST(WriterErrors, MessagesAreWindows1252)
{
    rk::test::TempDir dir;
    rk::tools::pxwrite::WriterOptions options;
    options.blockSizeKb = 64;
    EXPECT_EQ(rk::test::messageOf<rk::tools::pxwrite::EPxWriteError>(
                  [&] { ParadoxWriter(dir / "G.DB", {{"S", FieldType::Short}}, options); }),
              (dir / "G.DB").string() + rk::ansi(": Blockgröße außerhalb 1 bis 32 KB"));
}

TEST(WriterErrors, ValuesThatDoNotFitAreRefused)
{
    rk::test::TempDir dir;
    ParadoxWriter w(dir / "F.DB", {{"S", FieldType::Short}, {"A", FieldType::Alpha, 3}, {"B", FieldType::Bcd, 1}});
    EXPECT_THROW(w.addRow({int32_t(40000), {}, {}}), rk::tools::pxwrite::EPxWriteError);
    EXPECT_THROW(w.addRow({{}, std::string("vier"), {}}), rk::tools::pxwrite::EPxWriteError);
    EXPECT_THROW(w.addRow({{}, {}, rk::db::BcdValue{false, {1, 2, 3}, 2}}), rk::tools::pxwrite::EPxWriteError);
    EXPECT_THROW(w.addRow({std::string("x"), {}, {}}), rk::tools::pxwrite::EPxWriteError);
    w.addRow({int32_t(1), {}, 2.25});  // 2.25 with one decimal: printf rounding to 2.2
    w.finish();
    auto t = Table::open(dir / "F.DB");
    ASSERT_EQ(t->recordCount(), 1u);
    t->readRecord(0);
    EXPECT_EQ(t->value(2), FieldValue(rk::db::BcdValue{false, {2, 2}, 1}));
}

} // namespace

// Reading a large table in an order that jumps all over the file must not
// keep the whole file resident, and must still read every value right; a
// file cut short while it is open gives a clear error.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "db/common/Ansi.h"
#include "db/paradox/reader/ParadoxTable.h"
#include "tests/db/paradox/reader/TempDir.h"
#include "tests/db/paradox/reader/WriteTable.h"
#include "tests/support/ExceptionMessage.h"

namespace rk::source::paradox {
namespace {

// VmRSS (now) or VmHWM (the peak since the last resetPeak) in KiB.
long statusKiB(const std::string& item)
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == item) {
            status >> value;
            return value;
        }
        status.ignore(4096, '\n');
    }
    return -1;
}

// A counter of /proc/self/io: "rchar" (bytes read) or "syscr" (read calls).
long ioCount(const std::string& item)
{
    std::ifstream io("/proc/self/io");
    std::string key;
    long value = 0;
    while (io >> key >> value)
        if (key == item + ":") return value;
    return -1;
}

// A table of `rows` records: NR = i and TEXT = "Satz i", in blocks of `blockKb` KB.
void writeNumbered(const std::filesystem::path& file, uint32_t rows, int textSize, int blockKb)
{
    tools::pxwrite::WriterOptions options;
    options.blockSizeKb = blockKb;
    tools::pxwrite::ParadoxWriter writer(file, {{"NR", FieldType::Long}, {"TEXT", FieldType::Alpha, textSize}}, options);
    for (uint32_t i = 0; i < rows; ++i) writer.addRow({int32_t(i), std::string("Satz ") + std::to_string(i)});
    writer.finish();
}

// Reads the records in `order`; each must be the one asked for.
void expectNumbered(Table& table, const std::vector<uint32_t>& order)
{
    for (uint32_t i : order) {
        table.readRecord(i);
        ASSERT_EQ(table.value(0), db::FieldValue(int32_t(i)));
        ASSERT_EQ(table.value(1), db::FieldValue(std::string("Satz ") + std::to_string(i)));
    }
}

std::string unreadable(const std::filesystem::path& file)
{
    return rk::ansiFormat("Die Datei '%s' kann nicht gelesen werden (Systemfehler 5).", file.string());
}

bool resetPeak() { return static_cast<bool>(std::ofstream("/proc/self/clear_refs") << "5"); }

TEST(ResidentMemory, ReadingABigTableOutOfOrderKeepsOnlyPartOfItResident)
{
    test::TempDir dir;
    const auto file = dir / "BIG.DB";
    constexpr int32_t kRows = 1000000;  // a million records of 204 bytes: about 200 MiB
    writeNumbered(file, kRows, 200, 32);
    ASSERT_GT(std::filesystem::file_size(file), size_t(190) << 20);

    const long before = statusKiB("VmRSS:");
    ASSERT_TRUE(resetPeak()) << "cannot reset the peak resident size";
    // Opening walks the whole block chain: that alone must not map the file in.
    auto table = Table::open(file);
    ASSERT_EQ(table->recordCount(), uint32_t(kRows));
    // A stride that is coprime to the count visits every record once, far apart.
    for (uint32_t k = 0, i = 0; k < uint32_t(kRows); ++k, i = (i + 7919) % kRows) {
        table->readRecord(i);
        ASSERT_EQ(std::get<int32_t>(table->value(0)), int32_t(i));
        if (k % 100000 == 0) {
            ASSERT_EQ(std::get<std::string>(table->value(1)), "Satz " + std::to_string(i));
        }
    }
    const long peak = statusKiB("VmHWM:") - before;
    EXPECT_LT(peak, 100 * 1024) << "resident memory grew by up to " << peak << " KiB";
}

// Another program cutting the table short while it is open: a clear error
// for the records that are gone, not a crash.
TEST(ResidentMemory, TableCutShortWhileOpenGivesAClearError)
{
    test::TempDir dir;
    const auto file = dir / "CUT.DB";
    writeNumbered(file, 2000, 100, 4);
    auto table = Table::open(file);
    std::filesystem::resize_file(file, std::filesystem::file_size(file) / 2);
    table->readRecord(0);
    EXPECT_EQ(std::get<int32_t>(table->value(0)), 0);
    EXPECT_EQ(test::messageOf<EParadoxError>([&] { table->readRecord(1999); }), unreadable(file));
}

// The same for the blob file: blobs in a sub-allocated block and in blocks
// of their own, the .MB cut back to its header after opening.
TEST(ResidentMemory, BlobFileCutShortWhileOpenGivesAClearError)
{
    test::TempDir dir;
    const auto file = dir / "CUT.DB";
    test::writeTable(file, {{"NR", FieldType::Long}, {"NOTIZ", FieldType::Memo, 20}},
                     {{int32_t(0), std::string("kurz")},
                      {int32_t(1), std::string(100, 's')},
                      {int32_t(2), std::string(5000, 'g')}});
    auto table = Table::open(file);
    std::filesystem::resize_file(dir / "CUT.MB", 4096);
    table->readRecord(0);
    EXPECT_EQ(std::get<std::string>(table->value(1)), "kurz");  // in the record's leader
    for (uint32_t r : {1u, 2u}) {
        table->readRecord(r);
        EXPECT_EQ(test::messageOf<EParadoxError>([&] { table->value(1); }), unreadable(dir / "CUT.MB")) << r;
    }
}

// Records come a block at a time when read in file order and one by one
// otherwise; every order must give the record asked for, and one past the
// last is a clear error.
TEST(ResidentMemory, EveryOrderOfReadingGivesTheRecordAsked)
{
    test::TempDir dir;
    const auto file = dir / "ORDER.DB";
    // 1 KB blocks of 16 records of 63 bytes: 6 MiB, more than the reader
    // keeps of a file, so places 4 MiB apart meet in one slot of its cache.
    constexpr uint32_t kRows = 100000;
    writeNumbered(file, kRows, 59, 1);
    auto table = Table::open(file);
    ASSERT_EQ(table->recordCount(), kRows);
    std::vector<uint32_t> order;
    for (uint32_t i = 0; i < kRows; ++i) order.push_back(i);           // forward
    for (uint32_t i = kRows; i-- > 0;) order.push_back(i);             // backward
    for (uint32_t i = 0; i < kRows; i += 7) order.push_back(i);        // jumps
    for (uint32_t i : {5u, 6u, 6u, 7u, 40u, 41u, 5u, 42u, 15u, 16u, 17u, 299u, 0u, 1u}) order.push_back(i);
    for (uint32_t i = 0; i < 2000; ++i) order.push_back(i % 2 ? i + 65536 : i);  // 4 MiB apart
    expectNumbered(*table, order);
    EXPECT_EQ(test::messageOf<EParadoxError>([&] { table->readRecord(kRows); }),
              rk::ansiFormat("Die Datei '%s' hat keinen Datensatz 100001.", file.string()));
}

// Reads that never come back to bytes read before (records in random order)
// copy just the record, not a piece around it; reads that do again (a
// backward pass) are served from pieces once more.
TEST(ResidentMemory, ScatteredReadsReadJustTheRecordAndNearOnesUsePiecesAgain)
{
    test::TempDir dir;
    const auto file = dir / "STREU.DB";
    // 2 KB blocks of 8 records of 254 bytes, 64 MiB: far more than the
    // reader keeps of a file.
    constexpr uint32_t kRows = 262144;
    writeNumbered(file, kRows, 250, 2);
    auto table = Table::open(file);
    if (ioCount("rchar") < 0) GTEST_SKIP() << "/proc/self/io is not readable here";
    std::vector<uint32_t> scattered;
    for (uint32_t i = 0, r = 12345; i < 20000; ++i) scattered.push_back((r = r * 1103515245u + 12345u) % kRows);
    const long before = ioCount("rchar");
    expectNumbered(*table, scattered);
    EXPECT_LT(ioCount("rchar") - before, 20000L * 2048) << "about a piece of 8 KiB per record";

    std::vector<uint32_t> backward;
    for (uint32_t i = 20000; i-- > 0;) backward.push_back(i);
    const long calls = ioCount("syscr");
    expectNumbered(*table, backward);
    EXPECT_LT(ioCount("syscr") - calls, 2000L) << "a read call per record";
}

// Key order over a table stored round-robin (the records of one key far
// apart, a key's memos likewise): every record with its own memo.
TEST(ResidentMemory, KeyOrderOverAnUnsortedTableGivesEachRecordItsOwnMemo)
{
    test::TempDir dir;
    const auto file = dir / "RUNDE.DB";
    constexpr uint32_t kKeys = 1000, kRounds = 40;  // memos of 100 bytes: a 5 MiB .MB
    auto memo = [](uint32_t r) {
        std::string m = "Notiz " + std::to_string(r) + " ";
        m.resize(100, static_cast<char>('a' + r % 26));
        return m;
    };
    test::TableRows rows;
    for (uint32_t r = 0; r < kKeys * kRounds; ++r) rows.push_back({int32_t(r), memo(r)});
    test::writeTable(file, {{"NR", FieldType::Long}, {"NOTIZ", FieldType::Memo, 10}}, rows);
    auto table = Table::open(file);
    for (uint32_t key = 0; key < kKeys; ++key)
        for (uint32_t round = 0; round < kRounds; ++round) {
            const uint32_t r = round * kKeys + key;
            table->readRecord(r);
            ASSERT_EQ(table->value(0), db::FieldValue(int32_t(r)));
            ASSERT_EQ(table->value(1), db::FieldValue(memo(r)));
        }
}

} // namespace
} // namespace rk::source::paradox

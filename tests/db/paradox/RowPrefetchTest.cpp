// Reading ahead: rows in their order across batches, an error at its own
// row, the end that stays, a reading held by lock(), and a stop while the
// reading waits or runs. Then the query that reads ahead: its count taken
// in the middle of the rows, and a memo that is gone raised at its row.
#include "db/paradox/RowPrefetch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>

#include "db/common/Ansi.h"
#include "db/common/ObjectNames.h"
#include "db/paradox/Query.h"
#include "db/paradox/Session.h"
#include "tests/db/paradox/SourceFolder.h"

namespace rk::source {
namespace {

using detail::RowPrefetch;
using FT = paradox::FieldType;

// Rows 0..rows-1 as (number, text); `failAt` throws instead of that row.
RowPrefetch::ReadRow counting(std::atomic<int>& reads, int rows, int failAt = -1)
{
    return [&reads, rows, failAt](std::vector<db::FieldValue>& row) {
        const int n = reads++;
        if (n == failAt) throw std::runtime_error("Zeile " + std::to_string(n));
        if (n >= rows) return false;
        row[0] = int32_t(n);
        std::string* s = std::get_if<std::string>(&row[1]);
        if (!s) s = &row[1].emplace<std::string>();
        *s = "Text " + std::to_string(n);
        return true;
    };
}

std::vector<db::Field> twoFields()
{
    return {db::Field{"NR", db::DataType::ftInteger, 0, {}}, db::Field{"TEXT", db::DataType::ftString, 10, {}}};
}

TEST(RowPrefetch, RowsComeInTheirOrderAndTheEndStays)
{
    for (int rows : {0, 1, 63, 64, 65, 1000}) {
        std::atomic<int> reads{0};
        RowPrefetch ahead(2, counting(reads, rows));
        std::vector<db::Field> fields = twoFields();
        for (int n = 0; n < rows; ++n) {
            ASSERT_TRUE(ahead.next(fields)) << rows << " rows, row " << n;
            ASSERT_EQ(fields[0].value, db::FieldValue(int32_t(n)));
            ASSERT_EQ(fields[1].value, db::FieldValue("Text " + std::to_string(n)));
        }
        for (int again = 0; again < 3; ++again) {
            EXPECT_FALSE(ahead.next(fields)) << rows << " rows";
            if (rows > 0) {
                EXPECT_EQ(fields[0].value, db::FieldValue(int32_t(rows - 1))) << "the last row stays";
            }
        }
        EXPECT_EQ(reads.load(), rows + 1) << "nothing is read past the end";
    }
}

TEST(RowPrefetch, AnErrorShowsAtItsRowAndAgainAfter)
{
    for (int failAt : {0, 5, 64, 300}) {
        std::atomic<int> reads{0};
        RowPrefetch ahead(2, counting(reads, 1000, failAt));
        std::vector<db::Field> fields = twoFields();
        for (int n = 0; n < failAt; ++n) ASSERT_TRUE(ahead.next(fields));
        for (int again = 0; again < 2; ++again) {
            try {
                ahead.next(fields);
                ADD_FAILURE() << "no error at row " << failAt;
            } catch (const std::runtime_error& e) {
                EXPECT_EQ(std::string(e.what()), "Zeile " + std::to_string(failAt));
            }
        }
        EXPECT_EQ(reads.load(), failAt + 1) << "the reading stops at its error";
    }
}

TEST(RowPrefetch, LockHoldsTheReadingAndAStopEndsItWhereverItIs)
{
    std::atomic<int> reads{0};
    {
        RowPrefetch ahead(2, counting(reads, 1000000));
        std::vector<db::Field> fields = twoFields();
        ASSERT_TRUE(ahead.next(fields));
        {
            auto held = ahead.lock();
            const int before = reads.load();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            EXPECT_EQ(reads.load(), before) << "read while held";
        }
        // The reading fills its batches, then waits for the caller; the
        // destructor must end that wait.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_LT(reads.load(), 1000) << "read far ahead of the caller";

    // A stop while a row is being read.
    std::atomic<bool> inside{false};
    {
        RowPrefetch slow(1, [&inside](std::vector<db::FieldValue>& row) {
            inside = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            row[0] = int32_t(1);
            return true;
        });
        while (!inside) std::this_thread::yield();
    }
}

// The query over a real table, reading ahead or (as the transfer's own
// thread drives it) one row at a time: the same rows, the same errors.
class ReadingAhead : public testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        query.setReadAhead(GetParam());
        std::vector<std::vector<db::FieldValue>> rows;
        for (int32_t i = 0; i < kRows; ++i) rows.push_back({int32_t(kRows - i), std::string(200, 'm') + std::to_string(i)});
        folder.table("NOTIZEN.DB", {{"NR", FT::Long}, {"NOTIZ", FT::Memo, 10}}, rows);
    }
    static constexpr int32_t kRows = 3000;
    test::SourceFolder folder;
    Session session{"Default", folder.config()};
    Query query{session, names::kSourceQuery, names::kSourceAlias};
};

TEST_P(ReadingAhead, TheCountTakenAmidTheRowsLeavesThemAsTheyAre)
{
    query.setSql("SELECT * FROM NOTIZEN ORDER BY NR");
    query.open();
    const db::Field& nr = query.fieldByName("NR");
    for (int32_t expected = 1; !query.eof(); query.next(), ++expected) {
        ASSERT_EQ(nr.value, db::FieldValue(expected));
        ASSERT_EQ(query.fieldByName("NOTIZ").value, db::FieldValue(std::string(200, 'm') + std::to_string(kRows - expected)));
        if (expected % 500 == 7) {
            ASSERT_EQ(query.recordCount(), kRows);
        }
    }
    // A second opening of the same text starts at its first row again.
    query.setSql("SELECT * FROM NOTIZEN ORDER BY NR");
    query.open();
    query.next();
    EXPECT_EQ(nr.value, db::FieldValue(int32_t(2)));
}

TEST_P(ReadingAhead, AMemoCutAwayWhileOpenFailsAtItsOwnRow)
{
    query.setSql("SELECT * FROM NOTIZEN");  // file order: row i holds memo i
    query.open();
    // The memos of the first rows are read by now at most; keep the
    // file's first half (4 KiB pieces of 64 small memos each).
    const auto mb = folder.data() / "NOTIZEN.MB";
    std::filesystem::resize_file(mb, std::filesystem::file_size(mb) / 2);
    int32_t row = 0;
    try {
        for (; !query.eof(); query.next(), ++row)
            ASSERT_EQ(query.fieldByName("NOTIZ").value, db::FieldValue(std::string(200, 'm') + std::to_string(row)));
        FAIL() << "all memos read from a file cut in half";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.message(), ansiFormat("Die Datei '%s' kann nicht gelesen werden (Systemfehler 5).", mb.string()));
    }
    EXPECT_GT(row, 0);
    EXPECT_LT(row, kRows);
    EXPECT_EQ(query.fieldByName("NR").value, db::FieldValue(int32_t(kRows - row))) << "the last good row stays";
}

INSTANTIATE_TEST_SUITE_P(Query, ReadingAhead, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Ahead" : "InTurn"; });

} // namespace
} // namespace rk::source

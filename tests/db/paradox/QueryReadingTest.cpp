// The query read row by row over a table of 3,000 rows with memos: its
// count taken in the middle of the rows leaves them as they are, and a memo
// file cut short while open fails at its own row and keeps the last good one.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "db/common/Ansi.h"
#include "db/common/ObjectNames.h"
#include "db/paradox/Query.h"
#include "db/paradox/Session.h"
#include "tests/db/paradox/SourceFolder.h"
#include "tests/support/ExceptionMessage.h"

namespace rk::source {
namespace {

using FT = paradox::FieldType;

class QueryReading : public testing::Test {
protected:
    void SetUp() override
    {
        std::vector<std::vector<db::FieldValue>> rows;
        for (int32_t i = 0; i < kRows; ++i) rows.push_back({int32_t(kRows - i), std::string(200, 'm') + std::to_string(i)});
        folder.table("NOTIZEN.DB", {{"NR", FT::Long}, {"NOTIZ", FT::Memo, 10}}, rows);
    }
    static constexpr int32_t kRows = 3000;
    test::SourceFolder folder;
    Session session{"Default", folder.config()};
    Query query{session, names::kSourceQuery, names::kSourceAlias};
};

TEST_F(QueryReading, TheCountTakenAmidTheRowsLeavesThemAsTheyAre)
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

TEST_F(QueryReading, AMemoCutAwayWhileOpenFailsAtItsOwnRow)
{
    query.setSql("SELECT * FROM NOTIZEN");  // file order: row i holds memo i
    query.open();
    // The memos of the first rows are read by now at most; keep the
    // file's first half (4 KiB pieces of 64 small memos each).
    const auto mb = folder.data() / "NOTIZEN.MB";
    std::filesystem::resize_file(mb, std::filesystem::file_size(mb) / 2);
    int32_t row = 0;
    EXPECT_EQ(test::messageOf<EDatabaseError>([&] {
                  for (; !query.eof(); query.next(), ++row)
                      ASSERT_EQ(query.fieldByName("NOTIZ").value,
                                db::FieldValue(std::string(200, 'm') + std::to_string(row)));
              }),
              ansiFormat("Die Datei '%s' kann nicht gelesen werden (Systemfehler 5).", mb.string()));
    EXPECT_GT(row, 0);
    EXPECT_LT(row, kRows);
    EXPECT_EQ(query.fieldByName("NR").value, db::FieldValue(int32_t(kRows - row))) << "the last good row stays";
}

} // namespace
} // namespace rk::source

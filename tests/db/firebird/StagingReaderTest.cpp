// The check's reading of staging tables on a real embedded Firebird file:
// each column kind arrives as its typed value (fixed texts with their
// padding, blobs whole, NULL blank), the columns as described, and a
// read-only transaction that refuses to write.
#include <gtest/gtest.h>

#include "db/common/ObjectNames.h"
#include "db/firebird/Attachment.h"
#include "db/firebird/StagingReader.h"
#include "db/firebird/TargetErrors.h"
#include "locale/Calendar.h"
#include "tests/support/FirebirdTestDatabase.h"

namespace rk::target {
namespace {

TEST(StagingReaderTest, EveryColumnKindArrivesAsItsValue)
{
    rk::test::FirebirdTestDatabase db("");
    db.execute("CREATE TABLE T (C CHAR(3), V VARCHAR(20), I INTEGER, S SMALLINT, N NUMERIC(9,2), D DATE, "
               "Z TIME, TS TIMESTAMP, B BLOB SUB_TYPE TEXT, E VARCHAR(5))");
    const std::string memo(40000, 'm');  // more than one segment
    db.execute("INSERT INTO T VALUES ('T', ' Wort ', -7, 3, 12.5, '2001-03-05', '08:05:09', "
               "'1899-12-30 23:59:58', '" + memo + "', NULL)");
    Attachment database(names::kTargetConnection);
    database.setDatabaseName(db.path());
    database.open();
    StagingReader reader(database);
    const std::vector<StagingReader::Column> columns = reader.open("SELECT C, V, I, S, N, D, Z, TS, B, E FROM T");
    ASSERT_EQ(columns.size(), 10u);
    EXPECT_EQ(columns[0].name, "C");
    EXPECT_EQ(columns[0].sqlType, SQL_TEXT);
    EXPECT_EQ(columns[0].length, 3);
    EXPECT_EQ(columns[1].sqlType, SQL_VARYING);
    EXPECT_EQ(columns[1].length, 20);
    EXPECT_EQ(columns[8].sqlType, SQL_BLOB);

    std::vector<db::FieldValue> row;
    ASSERT_TRUE(reader.fetch(row));
    const int32_t day = int32_t(locale::daysFromCivil(2001, 3, 5));
    const double stamp = double(locale::daysFromCivil(1899, 12, 30)) * 86400000.0 + 86398000.0;
    const std::vector<db::FieldValue> expected = {
        std::string("T  "), std::string(" Wort "), int32_t(-7), int32_t(3), 12.5, db::DateValue{day},
        db::TimeValue{29109000}, db::TimestampValue{stamp}, memo, std::monostate{}};
    ASSERT_EQ(row.size(), expected.size());
    for (size_t c = 0; c < expected.size(); ++c) EXPECT_EQ(row[c], expected[c]) << columns[c].name;
    EXPECT_FALSE(reader.fetch(row));

    // The transaction is read-only: a write through it is refused.
    EXPECT_THROW(reader.open("INSERT INTO T (I) VALUES (1) RETURNING I"), EIBInterBaseError);
    EXPECT_EQ(*db.scalar("SELECT COUNT(*) FROM T"), "1");
}

} // namespace
} // namespace rk::target

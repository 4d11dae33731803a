// Real Paradox files, written by Paradox software, queried through SQL on
// their read-only shared folder: every row arrives, in the number the file
// header states, with exactly the values the reader decodes.
#include <gtest/gtest.h>

#include <fstream>

#include "db/common/Ansi.h"
#include "db/common/ObjectNames.h"
#include "db/paradox/Query.h"
#include "db/paradox/Session.h"
#include "tests/db/paradox/SourceFolder.h"
#include "tests/support/SharedFixtures.h"

namespace rk::source {
namespace {

struct FixtureCase {
    const char* folder;
    const char* table; // as a statement names it
    const char* file;
    int records;       // from the file header, as the fixtures' README lists it
};

void PrintTo(const FixtureCase& c, std::ostream* os) { *os << c.folder << "/" << c.file; }

class FixtureQuery : public testing::TestWithParam<FixtureCase> {
protected:
    // A session whose alias DBRK names the fixture folder itself.
    std::unique_ptr<Session> sessionOn(const std::filesystem::path& dir)
    {
        std::ofstream(temp.config(), std::ios::binary) << "[DBRK]\nPATH=" << dir.string() << "\n";
        return std::make_unique<Session>("Default", temp.config());
    }
    test::SourceFolder temp;
};

TEST_P(FixtureQuery, SelectAllGivesEveryRecordAsTheReaderDecodesIt)
{
    const auto& p = GetParam();
    const auto dir = test::paradoxFixture(p.folder);
    RK_REQUIRE_FIXTURE(dir / p.file);
    auto session = sessionOn(dir);
    Query query(*session, names::kSourceQuery, names::kSourceAlias);
    query.setSql(std::string("SELECT * FROM ") + p.table);

    auto direct = paradox::Table::open(dir / p.file);
    ASSERT_EQ(direct->recordCount(), static_cast<uint32_t>(p.records));
    std::vector<std::vector<db::FieldValue>> expected;
    std::string readerError;
    try {
        for (uint32_t r = 0; r < direct->recordCount(); ++r) {
            direct->readRecord(r);
            expected.emplace_back();
            for (size_t i = 0; i < direct->fields().size(); ++i) expected.back().push_back(direct->value(int(i)));
        }
    } catch (const paradox::EParadoxError& e) {
        readerError = e.message();
    }

    std::vector<std::vector<db::FieldValue>> got;
    try {
        query.open();
        EXPECT_EQ(query.recordCount(), p.records);
        EXPECT_EQ(query.fieldCount(), static_cast<int>(direct->fields().size()));
        for (; !query.eof(); query.next()) {
            got.emplace_back();
            for (int i = 0; i < query.fieldCount(); ++i) got.back().push_back(query.fields(i).value);
        }
    } catch (const paradox::EParadoxError& e) {
        // A value the reader refuses fails the query with the reader's words.
        EXPECT_EQ(e.message(), readerError);
        return;
    }
    EXPECT_EQ(readerError, "");
    EXPECT_EQ(got, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FixtureQuery,
    testing::Values(FixtureCase{"Rparadox", "TypSammlung", "TypSammlung.DB", 5},
                    FixtureCase{"Rparadox", "BIOLIFE.DB", "biolife.db", 28},
                    FixtureCase{"Paradox-Reader", "testtab", "testtab.DB", 5},
                    FixtureCase{"paradoxdriver", "vidorder", "VIDORDER.DB", 50},
                    FixtureCase{"paradoxdriver", "bcd", "bcd.db", 3},
                    FixtureCase{"paradoxdriver", "fmemo", "fmemo.db", 2},
                    FixtureCase{"paradoxdriver", "memo", "memo.db", 2},
                    FixtureCase{"paradoxdriver", "ole", "ole.db", 1}),
    [](const testing::TestParamInfo<FixtureCase>& i) { return std::string(i.param.folder).substr(0, 3) + "_" +
                                                              std::to_string(i.index); });

TEST_F(FixtureQuery, OrderByQuotedNameAndLookupOfGermanNames)
{
    const auto dir = test::paradoxFixture("Rparadox");
    RK_REQUIRE_FIXTURE(dir / "biolife.db");
    auto session = sessionOn(dir);
    Query query(*session, names::kSourceQuery, names::kSourceAlias);
    query.setSql("SELECT * FROM biolife ORDER BY Category, \"Species No\" DESC");
    query.open();
    EXPECT_EQ(query.recordCount(), 28);
    std::string lastCategory;
    double lastNo = 0;
    int rows = 0;
    for (; !query.eof(); query.next(), ++rows) {
        const auto& category = std::get<std::string>(query.fieldByName("CATEGORY").value);
        const double no = std::get<double>(query.fieldByName("species no").value);
        ASSERT_GE(category, lastCategory);
        if (category == lastCategory) {
            EXPECT_LT(no, lastNo);
        }
        lastCategory = category;
        lastNo = no;
    }
    EXPECT_EQ(rows, 28);

    // Field names in Windows-1252 match without regard to case, umlauts too.
    query.setSql("SELECT * FROM TypSammlung");
    query.open();
    EXPECT_EQ(query.fieldByName(ansi("WÄHRUNG")).dataType, db::DataType::ftCurrency);
    EXPECT_EQ(query.fieldByName(ansi("zähler")).dataType, db::DataType::ftAutoInc);
    EXPECT_EQ(query.fieldByName(ansi("Datum/Zeit")).dataType, db::DataType::ftDateTime);
}

} // namespace
} // namespace rk::source

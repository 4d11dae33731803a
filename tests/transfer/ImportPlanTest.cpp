// The import plan's statements: each INSERT's columns and parameters, the
// texts against the golden copy, the job record and the source tables read.
#include "transfer/ImportPlan.h"

#include <gtest/gtest.h>

#include <fstream>

#include "db/common/Ansi.h"

#include "TransferDoubles.h"

namespace rk::transfer {
namespace {

// The invariants the transfer relies on: each INSERT's parameter list repeats
// its column list one for one, and no name occurs twice.
TEST(ImportPlan, EveryInsertNamesItsColumnsAsParameters)
{
    const ImportPlan plan = buildImportPlan();
    const int expectedParams[kSlotCount] = {3, 7, 15, 46, 15, 5, 4, 6, 10, 6, 7, 0, 0};
    for (int i = 0; i < kSlotCount; ++i) {
        SCOPED_TRACE("slot " + std::to_string(i + 1));
        const std::string& sql = plan[i].insertSql;
        const auto params = test::scanParams(sql);
        EXPECT_EQ(static_cast<int>(params.size()), expectedParams[i]);
        if (params.empty()) continue;

        const size_t open = sql.find('(');
        std::string columns = sql.substr(open + 1, sql.find(')') - open - 1);
        std::vector<std::string> names;
        std::string word;
        for (char c : columns + ",") {
            if (c == ',') {
                names.push_back(word);
                word.clear();
            } else if (c != ' ') {
                word += c;
            }
        }
        EXPECT_EQ(names, params);
        for (size_t a = 0; a < params.size(); ++a)
            for (size_t b = a + 1; b < params.size(); ++b) EXPECT_NE(params[a], params[b]);
    }
}

// Every text of the plan, character for character, against a copy kept
// apart from the program (ImportPlan.golden): a lost blank or sort key fails.
TEST(ImportPlan, EveryTextMatchesTheGoldenCopy)
{
    std::ifstream in(std::string(RK_SOURCE_DIR) + "/tests/transfer/ImportPlan.golden");
    ASSERT_TRUE(in) << "ImportPlan.golden not found";
    std::vector<std::string> golden;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') golden.push_back(line);

    std::vector<std::string> actual;
    auto add = [&](const std::string& name, const std::string& text) { actual.push_back(name + "|" + toUtf8(text) + "|"); };
    const ImportPlan plan = buildImportPlan();
    for (int i = 0; i < kSlotCount; ++i) {
        const std::string slot = "slot " + std::to_string(i + 1);
        add(slot + " caption", plan[i].caption);
        add(slot + " source", plan[i].sourceSql);
        add(slot + " target", plan[i].targetTable);
        add(slot + " insert", plan[i].insertSql);
    }
    add("current-user query", kCurrentUserQuery);
    add("current-user field", kCurrentUserField);
    add("current-user mark 12", currentUserMarkSql(12));
    add("current-user mark -3", currentUserMarkSql(-3));
    add("job record", kJobRecordInsert);
    for (int i = 0; i < kSlotCount; ++i)
        if (!plan[i].targetTable.empty()) add("purge " + std::to_string(i + 1), purgeSql(plan[i].targetTable));

    ASSERT_EQ(actual.size(), golden.size());
    for (size_t i = 0; i < golden.size(); ++i) EXPECT_EQ(actual[i], golden[i]);
}

TEST(ImportPlan, JobRecordAssignsOnlyItsTwoParameters)
{
    EXPECT_EQ(test::scanParams(kJobRecordInsert), (std::vector<std::string>{"INFO", "JOB_ID"}));
}

TEST(ImportPlan, SourceTablesAreThoseAfterFromAndJoinOnceEachWithoutExtension)
{
    // The joined GESTEINE and the current user's table count too; REGIONEN is written "REGIONEN.DB".
    EXPECT_EQ(sourceTables(buildImportPlan()),
              (std::vector<std::string>{"REGIONEN", "GEBIETE", "GESTEINE", "GIPFEL", "WEGE", "BEGEHUNGEN",
                                        "NAMENSLISTE", "NUTZER", "TAGESNOTIZ", "ZETTELWEGE", "EB", "BILDER",
                                        "CURRENTUSER"}));
    ImportPlan plan{};
    plan[0].sourceSql = "select * from a.db left outer join B on B.X=a.X";
    plan[1].sourceSql = "SELECT * FROM  A  ORDER BY X";
    EXPECT_EQ(sourceTables(plan), (std::vector<std::string>{"A", "B", "CURRENTUSER"}));
}

} // namespace
} // namespace rk::transfer

#include "transfer/ImportPlan.h"

#include <gtest/gtest.h>

#include "TransferDoubles.h"

namespace rk::transfer {
namespace {

// The invariants the transfer relies on: each INSERT's parameter list repeats
// its column list one for one, and no name occurs twice.
TEST(ImportPlan, EveryInsertNamesItsColumnsAsParameters)
{
    const ImportPlan plan = BuildImportPlan();
    const int expectedParams[kSlotCount] = {3, 7, 15, 46, 15, 5, 4, 6, 10, 6, 7, 0, 0};
    for (int i = 0; i < kSlotCount; ++i) {
        SCOPED_TRACE("slot " + std::to_string(i + 1));
        const std::string& sql = plan[i].InsertSql;
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

TEST(ImportPlan, SlotsKeepTheirExactTexts)
{
    const ImportPlan plan = BuildImportPlan();
    EXPECT_EQ(plan[0].SourceSql,
              "SELECT * FROM REGIONEN.DB WHERE NOT (REG_R IS NULL) AND NOT (REG_R='') ORDER BY POSNR");
    EXPECT_EQ(plan[1].SourceSql,
              "SELECT * FROM GEBIETE  LEFT OUTER JOIN GESTEINE ON GESTEINE.GesteinNr=GEBIETE.GesteinNr  ORDER BY "
              "REG_R, POSNR ");
    EXPECT_EQ(plan[6].InsertSql, "INSERT INTO IMPORT_RK5_NUTZER  (USERNR, NAME, VORNAME, SPITZNAME) VALUES  "
                                 "(:USERNR, :NAME, :VORNAME, :SPITZNAME) ");
    EXPECT_EQ(plan[10].Caption, "Bilder");
    for (int i : {11, 12}) {
        EXPECT_TRUE(plan[i].Caption.empty() && plan[i].SourceSql.empty() && plan[i].TargetTable.empty() &&
                    plan[i].InsertSql.empty());
    }
}

TEST(ImportPlan, CompletionStatements)
{
    EXPECT_EQ(PurgeSql("IMPORT_RK5_EB"), "DELETE FROM IMPORT_RK5_EB");
    EXPECT_EQ(CurrentUserMarkSql(12), "UPDATE IMPORT_RK5_NUTZER SET CU='T' WHERE USERNR=12");
    EXPECT_EQ(CurrentUserMarkSql(-3), "UPDATE IMPORT_RK5_NUTZER SET CU='T' WHERE USERNR=-3");
    EXPECT_EQ(test::scanParams(kJobRecordInsert), (std::vector<std::string>{"INFO", "JOB_ID"}));
}

} // namespace
} // namespace rk::transfer

// SQL text rules of the source engine: lines read back with CR LF,
// parameter scanning, ".DB" table names, name comparison and renaming.
#include "db/paradox/NameRules.h"
#include "db/paradox/SqlText.h"

#include <gtest/gtest.h>

#include "db/common/Ansi.h"

namespace rk::source {
namespace {

struct LinesCase {
    const char* legend;
    std::string text;
    std::string readBack;
};

void PrintTo(const LinesCase& c, std::ostream* os) { *os << c.legend; }

class SqlLines : public testing::TestWithParam<LinesCase> {};

TEST_P(SqlLines, ReadBackIsEachLineWithCrLf)
{
    EXPECT_EQ(joinLines(splitLines(GetParam().text)), GetParam().readBack) << GetParam().legend;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SqlLines,
    testing::Values(LinesCase{"empty stays empty", "", ""},
                    LinesCase{"one line", "SELECT * FROM NUTZER", "SELECT * FROM NUTZER\r\n"},
                    LinesCase{"trailing blanks kept", "SELECT * FROM GIPFEL ORDER BY REG_RG, POSNR ",
                              "SELECT * FROM GIPFEL ORDER BY REG_RG, POSNR \r\n"},
                    LinesCase{"LF, CR and CR LF all end lines", "A\nB\rC\r\nD", "A\r\nB\r\nC\r\nD\r\n"},
                    LinesCase{"final break adds no line", "A\r\n", "A\r\n"},
                    LinesCase{"empty line inside kept", "A\n\nB", "A\r\n\r\nB\r\n"},
                    LinesCase{"a lone break is one empty line", "\n", "\r\n"}));

TEST(SqlParameters, NamedOutsideQuotesAndComments)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(parameterNames("SELECT * FROM NUTZER WHERE USERNR=:NR AND NAME=:Name"), (V{"NR", "Name"}));
    EXPECT_EQ(parameterNames("SELECT * FROM T WHERE ZEIT='10:30' AND \"a:b\"=1 -- :x\n/* :y */"), V{});
    EXPECT_EQ(parameterNames("SELECT a::b, :\"Mit Blank\" FROM T"), (V{"Mit Blank"}));
    EXPECT_EQ(parameterNames("SELECT * FROM CURRENTUSER"), V{});
    EXPECT_EQ(parameterNames("x = : y"), V{}); // a colon alone names nothing
}

TEST(SqlTableNames, ExtensionRemovedOutsideQuotesOnly)
{
    EXPECT_EQ(stripTableExtensions("SELECT * FROM REGIONEN.DB WHERE NOT (REG_R IS NULL)"),
              "SELECT * FROM REGIONEN WHERE NOT (REG_R IS NULL)");
    EXPECT_EQ(stripTableExtensions("select * from gipfel.db,wege.Db"), "select * from gipfel,wege");
    EXPECT_EQ(stripTableExtensions("SELECT REGIONEN.DB.REG_R FROM REGIONEN.DB"), "SELECT REGIONEN.REG_R FROM REGIONEN");
    // A longer name after the point, quoted text and qualified columns stay.
    EXPECT_EQ(stripTableExtensions("SELECT A.DBX, 'X.DB', \"Y.DB\" FROM A"), "SELECT A.DBX, 'X.DB', \"Y.DB\" FROM A");
    EXPECT_EQ(stripTableExtensions("GESTEINE.GesteinNr=GEBIETE.GesteinNr"), "GESTEINE.GesteinNr=GEBIETE.GesteinNr");
}

TEST(SqlCounting, FinalOrderByIsLeftOutOnlyWhereItCannotChangeTheCount)
{
    EXPECT_EQ(withoutFinalOrderBy("SELECT * FROM GIPFEL ORDER BY REG_RG, POSNR"), "SELECT * FROM GIPFEL ");
    EXPECT_EQ(withoutFinalOrderBy("select * from wege\r\norder  by posnr\r\n"), "select * from wege\r\n");
    EXPECT_EQ(withoutFinalOrderBy("SELECT * FROM NUTZER"), "SELECT * FROM NUTZER");
    // A LIMIT makes the order part of which rows come.
    EXPECT_EQ(withoutFinalOrderBy("SELECT * FROM T ORDER BY A LIMIT 3"), "SELECT * FROM T ORDER BY A LIMIT 3");
    // Inside parentheses or quotes it is not the statement's own order.
    EXPECT_EQ(withoutFinalOrderBy("SELECT * FROM (SELECT * FROM T ORDER BY A LIMIT 1)"),
              "SELECT * FROM (SELECT * FROM T ORDER BY A LIMIT 1)");
    EXPECT_EQ(withoutFinalOrderBy("SELECT 'ORDER BY' FROM T"), "SELECT 'ORDER BY' FROM T");
}

TEST(SourceNames, TakenNameGetsFirstFreeNumber)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(uniqueFieldName("GesteinNr", V{"REG_R", "GesteinNr"}), "GesteinNr_1");
    EXPECT_EQ(uniqueFieldName("POSNR", V{"posnr", "POSNR_1"}), "POSNR_2");
    EXPECT_EQ(uniqueFieldName("NAME", V{"NAME_1"}), "NAME"); // only the plain name counts as taken
    EXPECT_EQ(uniqueFieldName("A_1", V{"A", "A_1"}), "A_1_1");
}

} // namespace
} // namespace rk::source

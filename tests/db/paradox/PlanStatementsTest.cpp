// The import plan's source statements, verbatim (irregular blanks and all),
// over small generated tables with the columns they name: each opens,
// counts its rows before reading them, and delivers them in its order.
#include <gtest/gtest.h>

#include "db/common/Ansi.h"
#include "db/common/ObjectNames.h"
#include "db/paradox/Query.h"
#include "db/paradox/Session.h"
#include "tests/db/paradox/SourceFolder.h"

namespace rk::source {
namespace {

using db::FieldValue;
using FT = paradox::FieldType;

struct PlanCase {
    const char* sql;
    int rows;
    std::vector<const char*> orderedBy; // fields whose values must not decrease, in this order
    const char* field;                  // a field the INSERT of the slot asks for
};

void PrintTo(const PlanCase& c, std::ostream* os) { *os << c.sql; }

// The kinds the plan orders by (long, short, alpha, date) as comparable
// keys; blank first, as the order puts it.
std::pair<int, std::variant<double, std::string>> keyOf(const FieldValue& v)
{
    if (auto* i = std::get_if<int32_t>(&v)) return {1, double(*i)};
    if (auto* d = std::get_if<db::DateValue>(&v)) return {1, double(d->days)};
    if (auto* s = std::get_if<std::string>(&v)) return {2, *s};
    return {0, 0.0};
}

bool notAfter(const std::vector<FieldValue>& a, const std::vector<FieldValue>& b)
{
    std::vector<std::pair<int, std::variant<double, std::string>>> ka, kb;
    for (const auto& v : a) ka.push_back(keyOf(v));
    for (const auto& v : b) kb.push_back(keyOf(v));
    return ka <= kb;
}

class PlanStatements : public testing::TestWithParam<PlanCase> {
protected:
    void SetUp() override
    {
        auto t = [](const char* s) { return FieldValue(ansi(s)); };
        auto i = [](int32_t v) { return FieldValue(v); };
        const FieldValue blank;
        folder.table("REGIONEN.DB", {{"REG_R", FT::Alpha, 5}, {"REGION", FT::Alpha, 30}, {"LAND", FT::Alpha, 20}, {"POSNR", FT::Long}},
                     {{t("SX"), t("Sachsen"), t("D"), i(2)}, {blank, t("leer"), blank, i(1)},
                      {t(""), t("auch leer"), blank, i(4)}, {t("BW"), t("Alb"), t("D"), i(3)}});
        folder.table("GEBIETE.DB", {{"REG_R", FT::Alpha, 5}, {"REG_RG", FT::Alpha, 10}, {"GEBIET", FT::Alpha, 30},
                                    {"GesteinNr", FT::Short}, {"POSNR", FT::Long}},
                     {{t("SX"), t("SX-2"), t("Rathen"), i(1), i(2)}, {t("SX"), t("SX-1"), t("Bielatal"), i(9), i(1)},
                      {t("BW"), t("BW-1"), t("Donautal"), blank, i(1)}});
        folder.table("GESTEINE.DB", {{"GesteinNr", FT::Short}, {"GESTEIN", FT::Alpha, 20}},
                     {{i(1), t("Sandstein")}, {i(2), t("Kalk")}});
        folder.table("GIPFEL.DB", {{"REG_RG", FT::Alpha, 10}, {"POSNR", FT::Long}, {"GIPFEL", FT::Alpha, 30}},
                     {{t("SX-2"), i(1), t("Lokomotive")}, {t("SX-1"), i(2), t("Falkenstein")}, {t("SX-1"), i(1), t("Mönch")}});
        folder.table("WEGE.DB", {{"REG_RGGNR", FT::Alpha, 15}, {"POSNR", FT::Long}, {"WEG", FT::Alpha, 40}},
                     {{t("SX-1-2"), i(5), t("Westkante")}, {t("SX-1-1"), i(7), t("Alter Weg")}, {t("SX-1-1"), i(3), t("Nordriss")}});
        folder.table("BEGEHUNGEN.DB", {{"DATUM", FT::Date}, {"BEGNRTAG", FT::Short}, {"NR", FT::Long}},
                     {{FieldValue(db::DateValue{730000}), i(2), i(1)}, {FieldValue(db::DateValue{729000}), i(1), i(2)},
                      {FieldValue(db::DateValue{730000}), i(1), i(3)}, {blank, blank, i(4)}});
        for (const char* name : {"NAMENSLISTE.DB", "NUTZER.DB", "TAGESNOTIZ.DB", "ZETTELWEGE.DB", "EB.DB", "BILDER.DB"})
            folder.table(name, {{"NR", FT::Long}, {"NAME", FT::Alpha, 20}}, {{i(2), t("b")}, {i(1), t("a")}});
        folder.table("CURRENTUSER.DB", {{"ID", FT::Long}}, {{i(7)}});
    }

    test::SourceFolder folder;
    Session session{"Default", folder.config()};
    Query query{session, names::kSourceQuery, names::kSourceAlias};
};

TEST_P(PlanStatements, OpenCountAndOrder)
{
    const auto& p = GetParam();
    query.setSql(p.sql);
    query.open();
    EXPECT_EQ(query.recordCount(), p.rows);
    int rows = 0;
    std::vector<FieldValue> last;
    for (; !query.eof(); query.next(), ++rows) {
        std::vector<FieldValue> key;
        for (const char* f : p.orderedBy) key.push_back(query.fieldByName(f).value);
        if (rows > 0) {
            EXPECT_TRUE(notAfter(last, key)) << "row " << rows;
        }
        last = key;
        query.fieldByName(p.field);
    }
    EXPECT_EQ(rows, p.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Slots, PlanStatements,
    testing::Values(
        PlanCase{"SELECT * FROM REGIONEN.DB WHERE NOT (REG_R IS NULL) AND NOT (REG_R='') ORDER BY POSNR", 2, {"POSNR"}, "LAND"},
        PlanCase{"SELECT * FROM GEBIETE  LEFT OUTER JOIN GESTEINE ON GESTEINE.GesteinNr=GEBIETE.GesteinNr  ORDER BY REG_R, POSNR ",
                 3, {"REG_R", "POSNR"}, "GESTEIN"},
        PlanCase{"SELECT * FROM GIPFEL ORDER BY REG_RG, POSNR", 3, {"REG_RG", "POSNR"}, "GIPFEL"},
        PlanCase{"SELECT * FROM WEGE ORDER BY REG_RGGNR, POSNR", 3, {"REG_RGGNR", "POSNR"}, "WEG"},
        PlanCase{"SELECT * FROM BEGEHUNGEN ORDER BY DATUM, BEGNRTAG", 4, {"DATUM", "BEGNRTAG"}, "NR"},
        PlanCase{"SELECT * FROM NAMENSLISTE", 2, {}, "NAME"}, PlanCase{"SELECT * FROM NUTZER", 2, {}, "NAME"},
        PlanCase{"SELECT * FROM TAGESNOTIZ", 2, {}, "NR"}, PlanCase{"SELECT * FROM ZETTELWEGE", 2, {}, "NR"},
        PlanCase{"SELECT * FROM EB", 2, {}, "NR"}, PlanCase{"SELECT * FROM BILDER", 2, {}, "NR"},
        PlanCase{"SELECT * FROM CURRENTUSER", 1, {}, "ID"}));

TEST_F(PlanStatements, JoinWithoutMatchKeepsTheAreaWithNullRock)
{
    query.setSql("SELECT * FROM GEBIETE  LEFT OUTER JOIN GESTEINE ON GESTEINE.GesteinNr=GEBIETE.GesteinNr  ORDER BY REG_R, POSNR ");
    query.open();
    std::vector<FieldValue> rocks;
    for (; !query.eof(); query.next()) rocks.push_back(query.fieldByName("GESTEIN").value);
    // BW-1 has no rock number, SX-1 number 9 that GESTEINE lacks, SX-2 number 1.
    EXPECT_EQ(rocks, (std::vector<FieldValue>{FieldValue{}, FieldValue{}, FieldValue(ansi("Sandstein"))}));
}

} // namespace
} // namespace rk::source

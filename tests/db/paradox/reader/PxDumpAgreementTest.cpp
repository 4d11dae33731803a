// rk_pxdump and the transfer agree on every value of the real tables: what
// the dump shows as null the transfer sends as NULL (0 and "F" on the
// integer and logical paths), what it shows the transfer sends, and a
// BCD value is the same number in both.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "db/common/Ansi.h"
#include "db/paradox/FieldTypes.h"
#include "db/paradox/reader/ParadoxTable.h"
#include "tests/support/SharedFixtures.h"
#include "tools/pxdump/JsonDump.h"
#include "transfer/ValueMapping.h"

namespace {

using namespace rk::source::paradox;
using rk::db::ParamView;

// "-12.50" as ten-thousandths.
int64_t decimalAsTenThousandths(const std::string& text)
{
    int64_t v = 0;
    int decimals = -1;
    for (char c : text) {
        if (c == '.') decimals = 0;
        else if (c >= '0' && c <= '9') {
            v = v * 10 + (c - '0');
            if (decimals >= 0) ++decimals;
        }
    }
    for (int i = std::max(decimals, 0); i < 4; ++i) v *= 10;
    return text[0] == '-' ? -v : v;
}

class PxDumpAgreesWithTransfer : public ::testing::TestWithParam<const char*> {};

TEST_P(PxDumpAgreesWithTransfer, EveryValueOfTheTable)
{
    const auto file = rk::test::paradoxFixture(GetParam());
    RK_REQUIRE_FIXTURE(file);
    auto t = Table::open(file);
    std::string scratch;
    for (uint32_t r = 0; r < t->recordCount(); ++r) {
        t->readRecord(r);
        for (size_t i = 0; i < t->fields().size(); ++i) {
            const FieldInfo& info = t->fields()[i];
            rk::db::Field field{info.name, rk::source::dataTypeFor(rk::source::engineTypeOf(info)),
                                rk::source::fieldSizeOf(info), t->value(int(i))};
            const std::string json = rk::tools::pxdump::valueJson(field.value, info.type);
            const std::string where = "record " + std::to_string(r) + " field " + info.name + ": " + json;
            // The dump marks a value the transfer cannot read (digits above
            // 9, a day outside the years 1 to 9999) instead of failing.
            const bool invalidBcd = json.rfind("{\"invalid_bcd\"", 0) == 0;
            const bool marked = invalidBcd || json.rfind("{\"days\"", 0) == 0 || json.rfind("{\"msecs\"", 0) == 0;
            std::optional<ParamView> sent;
            try {
                sent = rk::transfer::parameterValue(field, scratch, *rk::locale::currentFormats());
            } catch (const rk::Exception&) {
            }
            if (!sent || invalidBcd) {
                EXPECT_TRUE(!sent && marked) << where;
                continue;
            }
            if (json == "null") {
                if (field.dataType == rk::db::DataType::ftInteger) EXPECT_EQ(sent->integer, 0) << where;
                else if (field.dataType == rk::db::DataType::ftBoolean) EXPECT_EQ(sent->text, "F") << where;
                else EXPECT_EQ(sent->kind, ParamView::Kind::Null) << where;
                continue;
            }
            // A text of blanks and control characters shows as it is; the
            // transfer's blank test sends it as NULL.
            const bool shownText = info.type == FieldType::Alpha || info.type == FieldType::Memo;
            if (shownText && rk::isBlankText(std::get<std::string>(field.value))) continue;
            EXPECT_NE(sent->kind, ParamView::Kind::Null) << where;
            if (info.type == FieldType::Bcd) {
                EXPECT_EQ(decimalAsTenThousandths(json.substr(1, json.size() - 2)),
                          rk::transfer::bcdToTenThousandths(std::get<rk::db::BcdValue>(field.value), info.name))
                    << where;
            }
            if (field.dataType == rk::db::DataType::ftInteger) {
                EXPECT_EQ(json, std::to_string(sent->integer)) << where;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, PxDumpAgreesWithTransfer,
                         ::testing::Values("paradoxdriver/bcd.db", "Rparadox/TypSammlung.DB",
                                           "Paradox-Reader/testtab.DB", "Rparadox/biolife.db",
                                           "paradoxdriver/VIDORDER.DB", "paradoxdriver/memo.db",
                                           "paradoxdriver/fmemo.db", "paradoxdriver/ole.db"));

} // namespace

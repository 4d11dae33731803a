// assignParamFromField and the field readings: one case per kind of source
// column, the blank test, the parameter states from row to row, the BCD
// conversion, and the round trip of dates and times through their texts.
#include <algorithm>
#include <cmath>
#include <cctype>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "db/common/Ansi.h"
#include "db/common/Exception.h"
#include "db/paradox/reader/ParadoxTable.h"
#include "tests/db/firebird/TargetTestSupport.h"
#include "locale/LocaleFormats.h"
#include "tests/support/GermanFormats.h"
#include "tests/support/SharedFixtures.h"
#include "tests/support/SourceDouble.h"
#include "transfer/ValueMapping.h"

namespace rk::transfer {
namespace {

using db::BcdValue;
using db::DataType;
using db::DateValue;
using db::Field;
using db::FieldValue;
using db::TimestampValue;
using db::TimeValue;
using locale::kMSecsPerDay;

using rk::test::FakeSource;
using rk::target::test::messageOf;

// Days of 0001-01-01 counting (day 1) for a calendar date.
int32_t dayCount(int y, int m, int d)
{
    return int32_t(locale::dateTimeFromParts({y, m, d, 0, 0, 0, 0})) + locale::kDateDelta;
}

int32_t msOfDay(int h, int mi, int s, int ms = 0) { return ((h * 60 + mi) * 60 + s) * 1000 + ms; }

BcdValue bcd(bool negative, std::vector<uint8_t> digits, int scale) { return BcdValue{negative, std::move(digits), scale}; }

// The formats every table case runs under, whatever the machine's locale.
using rk::test::germanFormats;

class WithFormats : public ::testing::Test {
protected:
    void SetUp() override { locale::setCurrentFormats(germanFormats()); }
    void TearDown() override { locale::setCurrentFormats(locale::LocaleFormats{}); }
};

enum class State { Integer, Text, Null };

struct MappingCase {
    const char* legend;
    DataType type;
    int size;
    FieldValue value;
    State state;
    int32_t integer;      // State::Integer
    std::string text;     // State::Text, Windows-1252 bytes
};

void PrintTo(const MappingCase& c, std::ostream* os) { *os << c.legend; }

class ValueTable : public WithFormats, public ::testing::WithParamInterface<MappingCase> {};

TEST_P(ValueTable, GivesTheParameterItsValue)
{
    const MappingCase& c = GetParam();
    FakeSource source;
    source.fields.push_back(Field{"Feld", c.type, c.size, c.value});
    db::Param param{"FELD", {}};
    assignParamFromField(param, source);
    // A null is typed as text and holds nothing: "" as text.
    const bool integer = c.state == State::Integer;
    EXPECT_EQ(param.value.dataType(), integer ? DataType::ftInteger : DataType::ftString);
    EXPECT_EQ(param.value.isNull(), c.state == State::Null);
    EXPECT_EQ(param.value.holdsInteger(), integer);
    EXPECT_EQ(param.value.holdsText(), c.state == State::Text);
    EXPECT_EQ(param.value.asText(), integer ? std::to_string(c.integer) : c.text);
}

using S = std::string;
const FieldValue kBlank{};

INSTANTIATE_TEST_SUITE_P(
    Columns, ValueTable,
    ::testing::Values(
        MappingCase{"long_integer", DataType::ftInteger, 0, int32_t(42), State::Integer, 42, {}},
        MappingCase{"long_integer_min", DataType::ftInteger, 0, INT32_MIN, State::Integer, INT32_MIN, {}},
        MappingCase{"long_integer_blank_is_0", DataType::ftInteger, 0, kBlank, State::Integer, 0, {}},
        MappingCase{"logical_true", DataType::ftBoolean, 0, true, State::Text, 0, "T"},
        MappingCase{"logical_false", DataType::ftBoolean, 0, false, State::Text, 0, "F"},
        MappingCase{"logical_blank", DataType::ftBoolean, 0, kBlank, State::Text, 0, "F"},
        MappingCase{"short", DataType::ftSmallint, 0, int32_t(-12345), State::Text, 0, "-12345"},
        MappingCase{"short_zero", DataType::ftSmallint, 0, int32_t(0), State::Text, 0, "0"},
        MappingCase{"short_blank", DataType::ftSmallint, 0, kBlank, State::Null, 0, {}},
        MappingCase{"autoinc", DataType::ftAutoInc, 0, int32_t(2147483647), State::Text, 0, "2147483647"},
        MappingCase{"autoinc_blank", DataType::ftAutoInc, 0, kBlank, State::Null, 0, {}},
        MappingCase{"number", DataType::ftFloat, 0, 0.5, State::Text, 0, "0,5"},
        MappingCase{"number_negative", DataType::ftFloat, 0, -0.5, State::Text, 0, "-0,5"},
        MappingCase{"number_zero", DataType::ftFloat, 0, 0.0, State::Text, 0, "0"},
        MappingCase{"number_small", DataType::ftFloat, 0, 1e-5, State::Text, 0, "1E-5"},
        MappingCase{"number_fifteen_digits", DataType::ftFloat, 0, 123456789012345.0, State::Text, 0,
                    "123456789012345"},
        MappingCase{"number_blank", DataType::ftFloat, 0, kBlank, State::Null, 0, {}},
        MappingCase{"money", DataType::ftCurrency, 0, 12.5, State::Text, 0, "12,5"},
        MappingCase{"money_blank", DataType::ftCurrency, 0, kBlank, State::Null, 0, {}},
        MappingCase{"bcd", DataType::ftBCD, 2, bcd(false, {3, 1, 0}, 2), State::Text, 0, "3,1"},
        MappingCase{"bcd_rounded", DataType::ftBCD, 5, bcd(true, {1, 2, 3, 4, 5, 6}, 5), State::Text, 0,
                    "-1,2346"},
        MappingCase{"bcd_half_down_to_even", DataType::ftBCD, 5, bcd(false, {5}, 5), State::Text, 0, "0"},
        MappingCase{"bcd_half_up_to_even", DataType::ftBCD, 5, bcd(false, {1, 5}, 5), State::Text, 0, "0,0002"},
        MappingCase{"bcd_blank", DataType::ftBCD, 2, kBlank, State::Null, 0, {}},
        MappingCase{"date", DataType::ftDate, 0, DateValue{dayCount(2003, 12, 24)}, State::Text, 0, "24.12.2003"},
        MappingCase{"date_blank", DataType::ftDate, 0, kBlank, State::Null, 0, {}},
        MappingCase{"time_without_rounding", DataType::ftTime, 0, TimeValue{msOfDay(8, 5, 9, 750)}, State::Text,
                    0, "08:05:09"},
        MappingCase{"time_blank", DataType::ftTime, 0, kBlank, State::Null, 0, {}},
        MappingCase{"timestamp", DataType::ftDateTime, 0,
                    TimestampValue{dayCount(2003, 12, 24) * double(kMSecsPerDay) + msOfDay(13, 5, 9)}, State::Text,
                    0, "24.12.2003 13:05:09"},
        MappingCase{"timestamp_midnight", DataType::ftDateTime, 0,
                    TimestampValue{dayCount(2003, 12, 24) * double(kMSecsPerDay)}, State::Text, 0, "24.12.2003"},
        MappingCase{"timestamp_half_second", DataType::ftDateTime, 0,
                    TimestampValue{dayCount(2003, 12, 24) * double(kMSecsPerDay) + 500}, State::Text, 0,
                    "24.12.2003"},
        MappingCase{"timestamp_blank", DataType::ftDateTime, 0, kBlank, State::Null, 0, {}},
        MappingCase{"alpha", DataType::ftString, 30, S(ansi("Grüße")), State::Text, 0, ansi("Grüße")},
        MappingCase{"alpha_blanks_kept", DataType::ftString, 30, S(" Wort "), State::Text, 0, " Wort "},
        MappingCase{"alpha_three_blanks", DataType::ftString, 30, S("   "), State::Null, 0, {}},
        MappingCase{"alpha_tab_crlf", DataType::ftString, 30, S("\t\r\n"), State::Null, 0, {}},
        // The edge of the blank test: 0x20 and below are blank, "!" (0x21) is text.
        MappingCase{"alpha_controls_and_blank", DataType::ftString, 30, S("\x01\x1F\x20"), State::Null, 0, {}},
        MappingCase{"alpha_exclamation", DataType::ftString, 30, S(" ! "), State::Text, 0, " ! "},
        MappingCase{"memo_exclamation", DataType::ftMemo, 0, S("!"), State::Text, 0, "!"},
        MappingCase{"alpha_no_break_space", DataType::ftString, 30, S("\xA0"), State::Text, 0, "\xA0"},
        MappingCase{"alpha_delete", DataType::ftString, 30, S("\x7F"), State::Text, 0, "\x7F"},
        MappingCase{"alpha_up_to_nul", DataType::ftString, 30, S("ab\0cd", 5), State::Text, 0, "ab"},
        MappingCase{"alpha_nul_first", DataType::ftString, 30, S("\0cd", 3), State::Null, 0, {}},
        MappingCase{"alpha_blank", DataType::ftString, 30, kBlank, State::Null, 0, {}},
        MappingCase{"memo_with_nul", DataType::ftMemo, 0, S("a\0b", 3), State::Text, 0, S("a\0b", 3)},
        MappingCase{"memo_empty", DataType::ftMemo, 0, S(""), State::Null, 0, {}},
        MappingCase{"memo_line_breaks", DataType::ftMemo, 0, S("\r\n\r\n"), State::Null, 0, {}},
        MappingCase{"memo_blank", DataType::ftMemo, 0, kBlank, State::Null, 0, {}},
        MappingCase{"formatted_memo", DataType::ftFmtMemo, 0, S("\0\x01{x}", 5), State::Text, 0,
                    S("\0\x01{x}", 5)},
        MappingCase{"graphic", DataType::ftGraphic, 0, S("BM\0\0", 4), State::Text, 0, S("BM\0\0", 4)},
        MappingCase{"ole_empty", DataType::ftParadoxOle, 0, S(""), State::Null, 0, {}},
        MappingCase{"binary_control_bytes", DataType::ftBlob, 0, S("\x01\x02", 2), State::Null, 0, {}},
        MappingCase{"binary", DataType::ftBlob, 0, S("\xFF\0", 2), State::Text, 0, S("\xFF\0", 2)},
        MappingCase{"bytes", DataType::ftBytes, 4, S("A\0\0\0", 4), State::Text, 0, S("A\0\0\0", 4)},
        MappingCase{"bytes_zero", DataType::ftBytes, 4, S("\0\0\0\0", 4), State::Null, 0, {}},
        MappingCase{"bytes_declared_size", DataType::ftBytes, 4, S("AB"), State::Text, 0, S("AB\0\0", 4)},
        MappingCase{"bytes_blank", DataType::ftBytes, 4, kBlank, State::Null, 0, {}}),
    [](const ::testing::TestParamInfo<MappingCase>& info) { return std::string(info.param.legend); });

TEST_F(WithFormats, TextThenNullThenTextAgain)
{
    FakeSource source;
    source.fields.push_back(Field{"NAME", DataType::ftString, 20, S("Anna")});
    db::Param param{"name", {}};
    assignParamFromField(param, source);
    EXPECT_EQ(param.value.text(), "Anna");
    source.fields[0].value = FieldValue{};
    assignParamFromField(param, source);
    EXPECT_TRUE(param.value.isNull());
    EXPECT_EQ(param.value.dataType(), DataType::ftString);
    source.fields[0].value = S("Berta");
    assignParamFromField(param, source);
    EXPECT_FALSE(param.value.isNull());
    EXPECT_EQ(param.value.text(), "Berta");
}

TEST_F(WithFormats, LongIntegerIsNeverNull)
{
    FakeSource source;
    source.fields.push_back(Field{"ID", DataType::ftInteger, 0, {}});
    db::Param param{"ID", {}};
    for (const FieldValue& v : {FieldValue{int32_t(7)}, FieldValue{}, FieldValue{int32_t(0)}, FieldValue{}}) {
        source.fields[0].value = v;
        assignParamFromField(param, source);
        EXPECT_FALSE(param.value.isNull());
        EXPECT_EQ(param.value.dataType(), DataType::ftInteger);
    }
    EXPECT_EQ(param.value.integer(), 0);
}

TEST_F(WithFormats, MissingFieldStopsWithTheSourceError)
{
    FakeSource source;
    source.fields.push_back(Field{"A", DataType::ftString, 1, S("x")});
    db::Param param{"Fehlt", {}};
    param.value.assignText("alt");
    EXPECT_EQ(messageOf<EDatabaseError>([&] { assignParamFromField(param, source); }),
              "PDXQ1: Das Feld 'Fehlt' wurde nicht gefunden");
    EXPECT_EQ(param.value.text(), "alt");
}

TEST_F(WithFormats, FormatsFollowTheCurrentSettingsFromRowToRow)
{
    FakeSource source;
    source.fields.push_back(Field{"N", DataType::ftFloat, 0, 1.5});
    db::Param param{"N", {}};
    assignParamFromField(param, source);
    EXPECT_EQ(param.value.text(), "1,5");
    locale::LocaleFormats point = germanFormats();
    point.decimalMark = '.';
    locale::setCurrentFormats(point);
    assignParamFromField(param, source);
    EXPECT_EQ(param.value.text(), "1.5");
}

TEST_F(WithFormats, DateOutsideTheCalendarStopsTheRun)
{
    FakeSource source;
    source.fields.push_back(Field{"D", DataType::ftDateTime, 0, TimestampValue{-1000.0}});
    db::Param param{"D", {}};
    EXPECT_EQ(messageOf<EConvertError>([&] { assignParamFromField(param, source); }),
              ansi("'0.-1000' ist kein gültiger Zeitstempel"));
    source.fields[0] = Field{"D", DataType::ftDate, 0, DateValue{0}};
    EXPECT_THROW(assignParamFromField(param, source), EConvertError);
}

struct IntegerCase {
    const char* legend;
    DataType type;
    FieldValue value;
    int32_t expected;
};

void PrintTo(const IntegerCase& c, std::ostream* os) { *os << c.legend; }

class IntegerReadings : public WithFormats, public ::testing::WithParamInterface<IntegerCase> {};

TEST_P(IntegerReadings, ReadTheValue)
{
    EXPECT_EQ(integerReading(Field{"ID", GetParam().type, 0, GetParam().value}), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Types, IntegerReadings,
    ::testing::Values(IntegerCase{"integer", DataType::ftInteger, int32_t(-7), -7},
                      IntegerCase{"integer_blank", DataType::ftInteger, kBlank, 0},
                      IntegerCase{"smallint", DataType::ftSmallint, int32_t(-32768), -32768},
                      IntegerCase{"autoinc", DataType::ftAutoInc, int32_t(12), 12},
                      IntegerCase{"autoinc_blank", DataType::ftAutoInc, kBlank, 0},
                      IntegerCase{"float_half_to_even_down", DataType::ftFloat, 2.5, 2},
                      IntegerCase{"float_half_to_even_up", DataType::ftFloat, 3.5, 4},
                      IntegerCase{"float_negative_half", DataType::ftFloat, -2.5, -2},
                      IntegerCase{"float_nearest", DataType::ftFloat, 2.5000001, 3},
                      IntegerCase{"currency", DataType::ftCurrency, -7.6, -8},
                      IntegerCase{"float_min", DataType::ftFloat, -2147483648.4, INT32_MIN},
                      IntegerCase{"float_max", DataType::ftFloat, 2147483647.4, INT32_MAX},
                      IntegerCase{"float_blank", DataType::ftFloat, kBlank, 0},
                      IntegerCase{"bcd_half_to_even", DataType::ftBCD, bcd(false, {2, 5}, 1), 2},
                      IntegerCase{"bcd_above_half", DataType::ftBCD, bcd(false, {2, 5, 0, 0, 1}, 4), 3},
                      IntegerCase{"bcd_negative_half", DataType::ftBCD, bcd(true, {3, 5}, 1), -4},
                      IntegerCase{"bcd_blank", DataType::ftBCD, kBlank, 0},
                      IntegerCase{"text", DataType::ftString, S("42"), 42},
                      IntegerCase{"text_leading_blanks_sign", DataType::ftString, S("  -17"), -17},
                      IntegerCase{"text_plus", DataType::ftString, S("+8"), 8},
                      IntegerCase{"text_dollar_hex", DataType::ftString, S("$1F"), 31},
                      IntegerCase{"text_x_hex", DataType::ftString, S("x10"), 16},
                      IntegerCase{"text_0x_hex", DataType::ftString, S("0XfF"), 255},
                      IntegerCase{"text_negative_hex", DataType::ftString, S("-$10"), -16},
                      IntegerCase{"text_max", DataType::ftString, S("2147483647"), INT32_MAX},
                      IntegerCase{"text_min", DataType::ftString, S("-2147483648"), INT32_MIN},
                      IntegerCase{"text_leading_zeros", DataType::ftString, S("000000000000012"), 12},
                      IntegerCase{"text_up_to_nul", DataType::ftString, S("5\0x", 3), 5}),
    [](const ::testing::TestParamInfo<IntegerCase>& info) { return std::string(info.param.legend); });

class IntegerTextErrors : public WithFormats, public ::testing::WithParamInterface<const char*> {};

TEST_P(IntegerTextErrors, NameTheText)
{
    const std::string text = GetParam();
    EXPECT_EQ(messageOf<EConvertError>([&] { integerReading(Field{"ID", DataType::ftString, 20, text}); }),
              ansi("'") + text + ansi("' ist kein gültiger Integerwert"));
}

INSTANTIATE_TEST_SUITE_P(Texts, IntegerTextErrors,
                         ::testing::Values("", " ", "12a", "4 2", "42 ", "-", "$", "0x", "1.5", "2147483648",
                                           "-2147483649", "$80000000", "99999999999999999999", "$G", "--1"));

TEST_F(WithFormats, IntegerReadingErrors)
{
    EXPECT_EQ(messageOf<EConvertError>([] { integerReading(Field{"ID", DataType::ftString, 20, kBlank}); }),
              ansi("'' ist kein gültiger Integerwert"));
    for (DataType t : {DataType::ftDate, DataType::ftBoolean, DataType::ftMemo, DataType::ftBytes})
        EXPECT_EQ(messageOf<EDatabaseError>([t] { integerReading(Field{"ID", t, 0, kBlank}); }),
                  ansi("Feld 'ID' kann nicht als Typ Integer angesprochen werden"))
            << "type " << int(t);
    // A rounded number outside 32 bits is no integer (it must not wrap).
    EXPECT_EQ(messageOf<EConvertError>([] { integerReading(Field{"ID", DataType::ftFloat, 0, 1e10}); }),
              ansi("'10000000000' ist kein gültiger Integerwert"));
    EXPECT_THROW(integerReading(Field{"ID", DataType::ftFloat, 0, std::nan("")}), EConvertError);
    EXPECT_THROW(integerReading(Field{"ID", DataType::ftFloat, 0, -2147483648.6}), EConvertError);
    EXPECT_THROW(integerReading(Field{"ID", DataType::ftFloat, 0, 2147483647.6}), EConvertError);
    EXPECT_THROW(integerReading(Field{"ID", DataType::ftBCD, 0, bcd(false, {3, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0)}),
                 EConvertError);
}

TEST(LogicalReadingTest, NonzeroIsTrue)
{
    EXPECT_TRUE(logicalReading(Field{"L", DataType::ftBoolean, 0, true}));
    EXPECT_TRUE(logicalReading(Field{"L", DataType::ftBoolean, 0, int32_t(-1)}));
    EXPECT_FALSE(logicalReading(Field{"L", DataType::ftBoolean, 0, int32_t(0)}));
    EXPECT_FALSE(logicalReading(Field{"L", DataType::ftBoolean, 0, kBlank}));
    EXPECT_THROW(logicalReading(Field{"L", DataType::ftBoolean, 0, S("T")}), EDatabaseError);
}

struct BcdCase {
    const char* legend;
    BcdValue value;
    int64_t expected;
};

void PrintTo(const BcdCase& c, std::ostream* os) { *os << c.legend; }

class BcdConversion : public ::testing::TestWithParam<BcdCase> {};

TEST_P(BcdConversion, CountsTenThousandths)
{
    EXPECT_EQ(bcdToTenThousandths(GetParam().value, "B"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, BcdConversion,
    ::testing::Values(BcdCase{"whole", bcd(false, {1, 2}, 0), 120000},
                      BcdCase{"four_decimals", bcd(false, {1, 2, 3, 4, 5}, 4), 12345},
                      BcdCase{"no_digits", bcd(false, {}, 0), 0},
                      BcdCase{"negative_zero", bcd(true, {0, 0}, 1), 0},
                      BcdCase{"half_to_even_zero", bcd(false, {5}, 5), 0},
                      BcdCase{"half_to_even_two", bcd(false, {1, 5}, 5), 2},
                      BcdCase{"above_half", bcd(false, {5, 0, 0, 1}, 8), 1},
                      BcdCase{"below_half", bcd(false, {4, 9, 9, 9}, 8), 0},
                      BcdCase{"negative_round", bcd(true, {2, 5, 0, 0, 0, 5}, 5), -25000},
                      BcdCase{"digits_far_below", bcd(false, {9, 9}, 12), 0},
                      BcdCase{"leading_zeros", bcd(false, std::vector<uint8_t>(40, 0), 0), 0},
                      BcdCase{"largest", bcd(false, {9, 2, 2, 3, 3, 7, 2, 0, 3, 6, 8, 5, 4, 7, 7, 5, 8, 0, 7}, 4),
                              INT64_MAX},
                      BcdCase{"smallest", bcd(true, {9, 2, 2, 3, 3, 7, 2, 0, 3, 6, 8, 5, 4, 7, 7, 5, 8, 0, 8}, 4),
                              INT64_MIN},
                      // Nibbles above 9 past the fifth decimal are a writer's filler.
                      BcdCase{"filler_past_the_fifth", bcd(false, {1, 2, 3, 4, 4, 4, 12, 15}, 7), 12344},
                      BcdCase{"digit_before_filler_breaks_tie", bcd(false, {0, 0, 0, 2, 5, 0, 3, 14, 15}, 9), 3},
                      BcdCase{"filler_ends_the_digits", bcd(false, {0, 0, 0, 2, 5, 0, 14, 7}, 8), 2},
                      BcdCase{"filler_at_the_sixth", bcd(true, {0, 0, 0, 3, 5, 10}, 6), -4},
                      BcdCase{"filler_far_below", bcd(false, {10, 11}, 12), 0},
                      BcdCase{"largest_by_rounding",
                              bcd(false, {9, 2, 2, 3, 3, 7, 2, 0, 3, 6, 8, 5, 4, 7, 7, 5, 8, 0, 6, 5}, 5),
                              INT64_MAX - 1}),
    [](const ::testing::TestParamInfo<BcdCase>& info) { return std::string(info.param.legend); });

// Column C (32 decimals) of a table written by real software holds a
// double's digits of 0.123 and filler nibbles from the 20th decimal on.
TEST(BcdConversion, ColumnWrittenByRealSoftware)
{
    const auto file = rk::test::paradoxFixture("paradoxdriver/bcd.db");
    RK_REQUIRE_FIXTURE(file);
    auto t = source::paradox::Table::open(file);
    t->readRecord(0);
    EXPECT_EQ(bcdToTenThousandths(std::get<BcdValue>(t->value(2)), "C"), 1230);
    t->readRecord(1);
    EXPECT_EQ(bcdToTenThousandths(std::get<BcdValue>(t->value(2)), "C"), -1230);
}

TEST(BcdConversion, RefusesWhatDoesNotFitOrIsDamaged)
{
    const auto overflow = ansi("Wert des Feldes 'Betrag' ist außerhalb des zulässigen Bereichs");
    const std::vector<BcdValue> tooLarge = {
        bcd(false, {9, 2, 2, 3, 3, 7, 2, 0, 3, 6, 8, 5, 4, 7, 7, 5, 8, 0, 8}, 4),
        bcd(true, {9, 2, 2, 3, 3, 7, 2, 0, 3, 6, 8, 5, 4, 7, 7, 5, 8, 0, 9}, 4),
        bcd(false, {9, 2, 2, 3, 3, 7, 2, 0, 3, 6, 8, 5, 4, 7, 7, 5, 8, 0, 7, 5}, 5), // rounds up past the top
        bcd(false, std::vector<uint8_t>(32, 9), 0),
    };
    for (const BcdValue& v : tooLarge)
        EXPECT_EQ(messageOf<EDatabaseError>([&] { bcdToTenThousandths(v, "Betrag"); }), overflow)
            << v.digits.size() << " digits";
    // A nibble above 9 through the fifth decimal can change the value sent.
    const std::vector<BcdValue> damaged = {
        bcd(false, {1, 10, 3}, 1),             // whole part
        bcd(false, {1, 2, 3, 4, 11}, 4),       // fourth decimal
        bcd(false, {1, 0, 0, 0, 0, 12}, 5),    // fifth decimal, which rounds
        bcd(false, {0xf, 0, 0, 0, 0, 0}, 0),   // first digit, no decimals at all
    };
    for (const BcdValue& v : damaged)
        EXPECT_EQ(messageOf<EDatabaseError>([&] { bcdToTenThousandths(v, "Betrag"); }),
                  ansi("Feld 'Betrag' enthält keinen gültigen BCD-Wert"))
            << v.digits.size() << " digits";
    // Through the mapping, a range error names the source field.
    FakeSource source;
    source.fields.push_back(Field{"Betrag", DataType::ftBCD, 4, tooLarge[0]});
    db::Param param{"BETRAG", {}};
    EXPECT_EQ(messageOf<EDatabaseError>([&] { assignParamFromField(param, source); }), overflow);
}

// Every date, time and timestamp the mapping writes reads back as the same
// moment, to the second, under the named locale.
class RoundTrip : public ::testing::TestWithParam<const char*> {
protected:
    void TearDown() override { locale::setCurrentFormats(locale::LocaleFormats{}); }
};

TEST_P(RoundTrip, DatesAndTimesReadBack)
{
    const auto formats = locale::tryReadLocaleFormats(GetParam());
    if (!formats) GTEST_SKIP() << "locale " << GetParam() << " is not installed";
    locale::setCurrentFormats(*formats);
    const int32_t first = dayCount(1, 1, 1);
    const int32_t last = dayCount(9999, 12, 31);
    int checked = 0;
    for (int64_t day = first, step = 0; day <= last; day += 997 + step % 3, ++step) {
        const int32_t ms = int32_t((step * 7919 * 1000 + step % 1000) % kMSecsPerDay);
        const int32_t wholeSeconds = ms / 1000 * 1000;
        const double dayMoment = double(day - locale::kDateDelta);
        const double timeOfDay = double(wholeSeconds) / kMSecsPerDay;
        const double expectedStamp = dayMoment < 0 ? dayMoment - timeOfDay : dayMoment + timeOfDay;
        const struct {
            Field field;
            double expected;
        } cases[] = {
            {Field{"D", DataType::ftDate, 0, DateValue{int32_t(day)}}, dayMoment},
            {Field{"T", DataType::ftTime, 0, TimeValue{ms}}, timeOfDay},
            {Field{"S", DataType::ftDateTime, 0, TimestampValue{double(day) * kMSecsPerDay + ms}}, expectedStamp},
            {Field{"S", DataType::ftDateTime, 0, TimestampValue{double(day) * kMSecsPerDay}}, dayMoment},
        };
        for (const auto& c : cases) {
            FakeSource source;
            source.fields.push_back(c.field);
            db::Param param{c.field.name, {}};
            assignParamFromField(param, source);
            ASSERT_TRUE(param.value.holdsText());
            const locale::DateTime back = locale::parseDateTimeText(param.value.text());
            ASSERT_NEAR(back, c.expected, 1e-9) << param.value.text();
            ++checked;
        }
    }
    EXPECT_GT(checked, 14000);
}

INSTANTIATE_TEST_SUITE_P(Locales, RoundTrip, ::testing::Values("de_DE.UTF-8", "en_US.UTF-8"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param).substr(0, 5);
                         });

} // namespace
} // namespace rk::transfer

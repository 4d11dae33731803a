// AssignParamFromField and the field readings: one case per kind of source
// column, the blank test, the parameter states from row to row, the BCD
// conversion, and the round trip of dates and times through their texts.
#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "db/common/Ansi.h"
#include "db/common/Exception.h"
#include "transfer/ValueMapping.h"
#include "transfer/locale/LocaleFormats.h"

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

// A source row of fields, looked up without regard to case.
class FakeSource : public SourceQuery {
public:
    std::vector<Field> fields;

    void Close() override {}
    void SetSql(const std::string&) override {}
    std::string Sql() const override { return {}; }
    void Open() override {}
    int RecordCount() override { return 1; }
    bool Eof() override { return false; }
    void Next() override {}
    const Field& FieldByName(const std::string& name) override
    {
        auto same = [](const std::string& a, const std::string& b) {
            return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
                return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
            });
        };
        for (const Field& f : fields)
            if (same(f.name, name)) return f;
        throw EDatabaseError(ansiFormat("PDXQ1: Das Feld '%s' wurde nicht gefunden", name));
    }
};

// Days of 0001-01-01 counting (day 1) for a calendar date.
int32_t dayCount(int y, int m, int d)
{
    return int32_t(locale::EncodeDateTime({y, m, d, 0, 0, 0, 0})) + locale::kDateDelta;
}

int32_t msOfDay(int h, int mi, int s, int ms = 0) { return ((h * 60 + mi) * 60 + s) * 1000 + ms; }

BcdValue bcd(bool negative, std::vector<uint8_t> digits, int scale) { return BcdValue{negative, std::move(digits), scale}; }

// The formats every table case runs under, whatever the machine's locale.
locale::LocaleFormats germanFormats()
{
    locale::LocaleFormats f;
    f.DecimalMark = ',';
    f.DateMark = '.';
    f.DatePattern = "dd.MM.yyyy";
    f.TimePattern = "hh:mm:ss";
    f.TimeShortPattern = "hh:mm";
    return f;
}

class WithFormats : public ::testing::Test {
protected:
    void SetUp() override { locale::SetCurrentFormats(germanFormats()); }
    void TearDown() override { locale::SetCurrentFormats(locale::LocaleFormats{}); }
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
    AssignParamFromField(param, source);
    switch (c.state) {
    case State::Integer:
        EXPECT_EQ(param.value.dataType(), DataType::ftInteger);
        EXPECT_FALSE(param.value.isNull());
        ASSERT_TRUE(param.value.holdsInteger());
        EXPECT_EQ(param.value.integer(), c.integer);
        break;
    case State::Text:
        EXPECT_EQ(param.value.dataType(), DataType::ftString);
        EXPECT_FALSE(param.value.isNull());
        ASSERT_TRUE(param.value.holdsText());
        EXPECT_EQ(param.value.text(), c.text);
        break;
    case State::Null:
        EXPECT_EQ(param.value.dataType(), DataType::ftString);
        EXPECT_TRUE(param.value.isNull());
        EXPECT_FALSE(param.value.holdsText());
        EXPECT_EQ(param.value.asText(), "");
        break;
    }
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
    AssignParamFromField(param, source);
    EXPECT_EQ(param.value.text(), "Anna");
    source.fields[0].value = FieldValue{};
    AssignParamFromField(param, source);
    EXPECT_TRUE(param.value.isNull());
    EXPECT_EQ(param.value.dataType(), DataType::ftString);
    source.fields[0].value = S("Berta");
    AssignParamFromField(param, source);
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
        AssignParamFromField(param, source);
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
    try {
        AssignParamFromField(param, source);
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.message(), "PDXQ1: Das Feld 'Fehlt' wurde nicht gefunden");
    }
    EXPECT_EQ(param.value.text(), "alt");
}

TEST_F(WithFormats, FormatsFollowTheCurrentSettingsFromRowToRow)
{
    FakeSource source;
    source.fields.push_back(Field{"N", DataType::ftFloat, 0, 1.5});
    db::Param param{"N", {}};
    AssignParamFromField(param, source);
    EXPECT_EQ(param.value.text(), "1,5");
    locale::LocaleFormats point = germanFormats();
    point.DecimalMark = '.';
    locale::SetCurrentFormats(point);
    AssignParamFromField(param, source);
    EXPECT_EQ(param.value.text(), "1.5");
}

TEST_F(WithFormats, DateOutsideTheCalendarStopsTheRun)
{
    FakeSource source;
    source.fields.push_back(Field{"D", DataType::ftDateTime, 0, TimestampValue{-1000.0}});
    db::Param param{"D", {}};
    try {
        AssignParamFromField(param, source);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), ansi("'0.-1000' ist kein gültiger Zeitstempel"));
    }
    source.fields[0] = Field{"D", DataType::ftDate, 0, DateValue{0}};
    EXPECT_THROW(AssignParamFromField(param, source), EConvertError);
}

} // namespace
} // namespace rk::transfer

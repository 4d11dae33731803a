// The engine's field-type table, the type each Paradox column kind arrives
// as, and the encodings that carry kinds and BCD digits through SQLite.
#include "db/paradox/FieldTypes.h"
#include "db/paradox/SqlValues.h"

#include <gtest/gtest.h>

namespace rk::source {
namespace {

using db::DataType;
using paradox::FieldType;

struct EngineCase {
    EngineType type;
    DataType expected;
};

void PrintTo(const EngineCase& c, std::ostream* os)
{
    *os << "code " << c.type.code << " subtype " << c.type.subtype << " size " << c.type.size;
}

class EngineTypeTable : public testing::TestWithParam<EngineCase> {};

TEST_P(EngineTypeTable, CodeSubtypeAndSizeGiveTheDataType)
{
    const auto& p = GetParam();
    EXPECT_EQ(dataTypeFor(p.type), p.expected)
        << "code " << p.type.code << " subtype " << p.type.subtype << " size " << p.type.size;
}

// Legend: {code, subtype, declared size} -> DataType.
INSTANTIATE_TEST_SUITE_P(
    Rows, EngineTypeTable,
    testing::Values(EngineCase{{1, 0, 30}, DataType::ftString}, EngineCase{{1, 0, 0}, DataType::ftUnknown},
                    EngineCase{{2, 0, 0}, DataType::ftDate}, EngineCase{{3, 0, 10}, DataType::ftBlob},
                    EngineCase{{3, 22, 10}, DataType::ftMemo}, EngineCase{{3, 24, 10}, DataType::ftFmtMemo},
                    EngineCase{{3, 25, 10}, DataType::ftParadoxOle}, EngineCase{{3, 26, 10}, DataType::ftGraphic},
                    EngineCase{{3, 27, 10}, DataType::ftDBaseOle}, EngineCase{{3, 28, 10}, DataType::ftTypedBinary},
                    EngineCase{{3, 33, 0}, DataType::ftOraClob}, EngineCase{{3, 34, 0}, DataType::ftOraBlob},
                    EngineCase{{4, 0, 0}, DataType::ftBoolean}, EngineCase{{5, 0, 2}, DataType::ftSmallint},
                    EngineCase{{5, 0, 4}, DataType::ftUnknown}, EngineCase{{6, 0, 4}, DataType::ftInteger},
                    EngineCase{{6, 29, 4}, DataType::ftAutoInc}, EngineCase{{7, 0, 8}, DataType::ftFloat},
                    EngineCase{{7, 21, 8}, DataType::ftCurrency}, EngineCase{{8, 0, 2}, DataType::ftBCD},
                    EngineCase{{9, 0, 10}, DataType::ftBytes}, EngineCase{{9, 0, 0}, DataType::ftUnknown},
                    EngineCase{{10, 0, 0}, DataType::ftTime}, EngineCase{{11, 0, 0}, DataType::ftDateTime},
                    EngineCase{{12, 0, 2}, DataType::ftWord}, EngineCase{{12, 0, 1}, DataType::ftUnknown},
                    EngineCase{{13, 0, 4}, DataType::ftInteger}, EngineCase{{15, 0, 5}, DataType::ftVarBytes},
                    EngineCase{{15, 0, 0}, DataType::ftUnknown}, EngineCase{{18, 0, 0}, DataType::ftLargeint},
                    EngineCase{{19, 0, 0}, DataType::ftLargeint}, EngineCase{{20, 0, 1}, DataType::ftADT},
                    EngineCase{{20, 0, 0}, DataType::ftUnknown}, EngineCase{{21, 0, 1}, DataType::ftArray},
                    EngineCase{{22, 0, 1}, DataType::ftReference}, EngineCase{{23, 0, 0}, DataType::ftDataSet},
                    EngineCase{{24, 0, 0}, DataType::ftTimeStamp}, EngineCase{{0, 0, 5}, DataType::ftUnknown},
                    EngineCase{{14, 0, 5}, DataType::ftUnknown}, EngineCase{{16, 0, 5}, DataType::ftUnknown},
                    EngineCase{{17, 0, 5}, DataType::ftUnknown}, EngineCase{{25, 0, 5}, DataType::ftUnknown}));

TEST(EngineTypeTable, UnknownAndObjectTypesGiveNoField)
{
    EXPECT_FALSE(hasField(DataType::ftUnknown));
    for (auto t : {DataType::ftADT, DataType::ftArray, DataType::ftReference, DataType::ftDataSet})
        EXPECT_FALSE(hasField(t));
    EXPECT_TRUE(hasField(DataType::ftString));
    EXPECT_TRUE(hasField(DataType::ftTimeStamp));
}

struct KindCase {
    paradox::FieldInfo info;
    DataType expected;
    int fieldSize;
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << paradox::typeName(c.info.type); }

class ParadoxKinds : public testing::TestWithParam<KindCase> {};

TEST_P(ParadoxKinds, ArriveAsTheirFieldTypeThroughSqlite)
{
    const auto& p = GetParam();
    EXPECT_EQ(dataTypeFor(engineTypeOf(p.info)), p.expected);
    EXPECT_EQ(fieldSizeOf(p.info), p.fieldSize);
    // The declared type in the virtual table reads back as the same kind.
    const auto declared = parseDeclaredType(declaredType(p.info).c_str());
    ASSERT_TRUE(declared.has_value()) << declaredType(p.info);
    EXPECT_EQ(declared->kind, p.info.type);
    EXPECT_EQ(declared->size, p.fieldSize);
    EXPECT_EQ(dataTypeFor(engineTypeOf(*declared)), p.expected);
}

// Legend: {name, kind, record bytes, BCD decimals} -> DataType, Field::size.
INSTANTIATE_TEST_SUITE_P(
    Kinds, ParadoxKinds,
    testing::Values(KindCase{{"A", FieldType::Alpha, 30}, DataType::ftString, 30},
                    KindCase{{"D", FieldType::Date, 4}, DataType::ftDate, 0},
                    KindCase{{"S", FieldType::Short, 2}, DataType::ftSmallint, 0},
                    KindCase{{"L", FieldType::Long, 4}, DataType::ftInteger, 0},
                    KindCase{{"$", FieldType::Currency, 8}, DataType::ftCurrency, 0},
                    KindCase{{"N", FieldType::Number, 8}, DataType::ftFloat, 0},
                    KindCase{{"B", FieldType::Logical, 1}, DataType::ftBoolean, 0},
                    KindCase{{"M", FieldType::Memo, 11}, DataType::ftMemo, 0},
                    KindCase{{"Bin", FieldType::Binary, 10}, DataType::ftBlob, 0},
                    KindCase{{"F", FieldType::FmtMemo, 10}, DataType::ftFmtMemo, 0},
                    KindCase{{"O", FieldType::Ole, 10}, DataType::ftParadoxOle, 0},
                    KindCase{{"G", FieldType::Graphic, 10}, DataType::ftGraphic, 0},
                    KindCase{{"T", FieldType::Time, 4}, DataType::ftTime, 0},
                    KindCase{{"@", FieldType::Timestamp, 8}, DataType::ftDateTime, 0},
                    KindCase{{"+", FieldType::AutoInc, 4}, DataType::ftAutoInc, 0},
                    KindCase{{"#", FieldType::Bcd, 17, 2}, DataType::ftBCD, 2},
                    KindCase{{"Y", FieldType::Bytes, 5}, DataType::ftBytes, 5}));

TEST(DeclaredType, ForeignTextsAreNotKinds)
{
    EXPECT_FALSE(parseDeclaredType(nullptr));
    EXPECT_FALSE(parseDeclaredType("INTEGER"));
    EXPECT_FALSE(parseDeclaredType("PDX_ALPHA_TEXT"));
    EXPECT_FALSE(parseDeclaredType("PDX_ALPHA_TEXT(3)x"));
    EXPECT_FALSE(parseDeclaredType("PDX_TIME_REAL(0)")); // a kind's name with another kind's affinity
    EXPECT_FALSE(parseDeclaredType("PDX_TIMESTAMP(0)"));
    EXPECT_EQ(declaredType({"A", FieldType::Alpha, 30}), "PDX_ALPHA_TEXT(30)");
}

TEST(BcdThroughSqlite, StoredDigitsComeBackExactly)
{
    using db::BcdValue;
    const BcdValue cases[] = {
        {false, {0, 0, 1, 2, 3, 4, 5}, 2},  // leading zeros are stored digits too
        {true, {7, 5, 0, 0}, 4},            // only decimals
        {false, {4, 2}, 0},                 // no decimals
        {false, {1, 15, 10}, 1},            // nibbles above 9 from a damaged file
        {true, {}, 0},
        {false, {3}, 5},                    // a scale beyond the digits
    };
    for (const auto& v : cases) EXPECT_EQ(detail::decodeBcd(detail::encodeBcd(v)), v) << detail::encodeBcd(v);
    EXPECT_EQ(detail::encodeBcd({true, {0, 1, 2, 3, 4, 5}, 2}), "-0123.45");
}

} // namespace
} // namespace rk::source

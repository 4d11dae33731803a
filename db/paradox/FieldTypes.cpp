// The engine's field-type table and the declared column types of the
// virtual tables (see FieldTypes.h).
#include "db/paradox/FieldTypes.h"

#include <cstdlib>
#include <cstring>

namespace rk::source {
namespace {

using paradox::FieldType;
using db::DataType;

// Engine subtypes that refine a type code.
constexpr int kSubMoney = 21;
constexpr int kSubMemo = 22;
constexpr int kSubFmtMemo = 24;
constexpr int kSubOle = 25;
constexpr int kSubGraphic = 26;
constexpr int kSubDbaseOle = 27;
constexpr int kSubTypedBinary = 28;
constexpr int kSubAutoInc = 29;
constexpr int kSubOraBlob = 34;
constexpr int kSubOraClob = 33;

// Kind name inside the declared type; the suffix gives SQLite the affinity
// that matches how xColumn stores the value (INT, REAL, TEXT, BLOB).
struct KindName {
    FieldType kind;
    const char* name;
};
constexpr KindName kKinds[] = {
    {FieldType::Alpha, "PDX_ALPHA_TEXT"},       {FieldType::Date, "PDX_DATE_INT"},
    {FieldType::Short, "PDX_SHORT_INT"},        {FieldType::Long, "PDX_LONG_INT"},
    {FieldType::Currency, "PDX_MONEY_REAL"},    {FieldType::Number, "PDX_NUMBER_REAL"},
    {FieldType::Logical, "PDX_LOGICAL_INT"},    {FieldType::Memo, "PDX_MEMO_TEXT"},
    {FieldType::Binary, "PDX_BINARY_BLOB"},     {FieldType::FmtMemo, "PDX_FMTMEMO_BLOB"},
    {FieldType::Ole, "PDX_OLE_BLOB"},           {FieldType::Graphic, "PDX_GRAPHIC_BLOB"},
    {FieldType::Time, "PDX_TIME_INT"},          {FieldType::Timestamp, "PDX_TIMESTAMP_REAL"},
    {FieldType::AutoInc, "PDX_AUTOINC_INT"},    {FieldType::Bcd, "PDX_BCD_TEXT"},
    {FieldType::Bytes, "PDX_BYTES_BLOB"},
};

EngineType engineTypeOfKind(FieldType kind, int size)
{
    switch (kind) {
    case FieldType::Alpha: return {1, 0, size};
    case FieldType::Date: return {2, 0, 0};
    case FieldType::Short: return {5, 0, 2}; // Paradox shorts are always two bytes
    case FieldType::Long: return {6, 0, 4};
    case FieldType::AutoInc: return {6, kSubAutoInc, 4};
    case FieldType::Currency: return {7, kSubMoney, 8};
    case FieldType::Number: return {7, 0, 8};
    case FieldType::Logical: return {4, 0, 1};
    case FieldType::Memo: return {3, kSubMemo, size};
    case FieldType::Binary: return {3, 0, size};
    case FieldType::FmtMemo: return {3, kSubFmtMemo, size};
    case FieldType::Ole: return {3, kSubOle, size};
    case FieldType::Graphic: return {3, kSubGraphic, size};
    case FieldType::Time: return {10, 0, 4};
    case FieldType::Timestamp: return {11, 0, 8};
    case FieldType::Bcd: return {8, 0, size};
    case FieldType::Bytes: return {9, 0, size};
    }
    return {0, 0, 0};
}

} // namespace

DataType dataTypeFor(const EngineType& t)
{
    switch (t.code) {
    case 1: return t.size == 0 ? DataType::ftUnknown : DataType::ftString;
    case 2: return DataType::ftDate;
    case 3:
        switch (t.subtype) {
        case kSubMemo: return DataType::ftMemo;
        case kSubFmtMemo: return DataType::ftFmtMemo;
        case kSubOle: return DataType::ftParadoxOle;
        case kSubGraphic: return DataType::ftGraphic;
        case kSubDbaseOle: return DataType::ftDBaseOle;
        case kSubTypedBinary: return DataType::ftTypedBinary;
        case kSubOraClob: return DataType::ftOraClob;
        case kSubOraBlob: return DataType::ftOraBlob;
        default: return DataType::ftBlob;
        }
    case 4: return DataType::ftBoolean;
    case 5: return t.size == 2 ? DataType::ftSmallint : DataType::ftUnknown;
    case 6: return t.subtype == kSubAutoInc ? DataType::ftAutoInc : DataType::ftInteger;
    case 7: return t.subtype == kSubMoney ? DataType::ftCurrency : DataType::ftFloat;
    case 8: return DataType::ftBCD;
    case 9: return t.size == 0 ? DataType::ftUnknown : DataType::ftBytes;
    case 10: return DataType::ftTime;
    case 11: return DataType::ftDateTime;
    case 12: return t.size == 2 ? DataType::ftWord : DataType::ftUnknown;
    case 13: return DataType::ftInteger;
    case 15: return t.size == 0 ? DataType::ftUnknown : DataType::ftVarBytes;
    case 18:
    case 19: return DataType::ftLargeint;
    case 20: return t.size == 0 ? DataType::ftUnknown : DataType::ftADT;
    case 21: return t.size == 0 ? DataType::ftUnknown : DataType::ftArray;
    case 22: return t.size == 0 ? DataType::ftUnknown : DataType::ftReference;
    case 23: return DataType::ftDataSet;
    case 24: return DataType::ftTimeStamp;
    default: return DataType::ftUnknown;
    }
}

bool hasField(DataType type)
{
    const int n = static_cast<int>(type);
    return n != 0 && !(n >= 26 && n <= 29);
}

EngineType engineTypeOf(const paradox::FieldInfo& info)
{
    return engineTypeOfKind(info.type, fieldSizeOf(info));
}

int fieldSizeOf(const paradox::FieldInfo& info)
{
    switch (info.type) {
    case FieldType::Alpha:
    case FieldType::Bytes: return info.size;
    case FieldType::Bcd: return info.bcdScale;
    default: return 0;
    }
}

std::string declaredType(const paradox::FieldInfo& info)
{
    for (const auto& k : kKinds)
        if (k.kind == info.type) {
            return std::string(k.name) + "(" + std::to_string(fieldSizeOf(info)) + ")";
        }
    return "PDX_UNKNOWN";
}

std::optional<DeclaredColumn> parseDeclaredType(const char* decl)
{
    if (!decl) return std::nullopt;
    for (const auto& k : kKinds) {
        const size_t n = std::strlen(k.name);
        if (std::strncmp(decl, k.name, n) != 0 || decl[n] != '(') continue;
        char* end = nullptr;
        const long size = std::strtol(decl + n + 1, &end, 10);
        if (!end || *end != ')' || end[1] != '\0') return std::nullopt;
        return DeclaredColumn{k.kind, static_cast<int>(size)};
    }
    return std::nullopt;
}

EngineType engineTypeOf(const DeclaredColumn& column)
{
    return engineTypeOfKind(column.kind, column.size);
}

} // namespace rk::source

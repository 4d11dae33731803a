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
const char* kindName(FieldType kind)
{
    switch (kind) {
    case FieldType::Alpha: return "PDX_ALPHA_TEXT";
    case FieldType::Date: return "PDX_DATE_INT";
    case FieldType::Short: return "PDX_SHORT_INT";
    case FieldType::Long: return "PDX_LONG_INT";
    case FieldType::Currency: return "PDX_MONEY_REAL";
    case FieldType::Number: return "PDX_NUMBER_REAL";
    case FieldType::Logical: return "PDX_LOGICAL_INT";
    case FieldType::Memo: return "PDX_MEMO_TEXT";
    case FieldType::Binary: return "PDX_BINARY_BLOB";
    case FieldType::FmtMemo: return "PDX_FMTMEMO_BLOB";
    case FieldType::Ole: return "PDX_OLE_BLOB";
    case FieldType::Graphic: return "PDX_GRAPHIC_BLOB";
    case FieldType::Time: return "PDX_TIME_INT";
    case FieldType::Timestamp: return "PDX_TIMESTAMP_REAL";
    case FieldType::AutoInc: return "PDX_AUTOINC_INT";
    case FieldType::Bcd: return "PDX_BCD_TEXT";
    case FieldType::Bytes: return "PDX_BYTES_BLOB";
    }
    return nullptr;
}

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
    case FieldType::Date:
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::Currency:
    case FieldType::Number:
    case FieldType::Logical:
    case FieldType::Memo:
    case FieldType::Binary:
    case FieldType::FmtMemo:
    case FieldType::Ole:
    case FieldType::Graphic:
    case FieldType::Time:
    case FieldType::Timestamp:
    case FieldType::AutoInc: return 0;
    }
    return 0;
}

std::string declaredType(const paradox::FieldInfo& info)
{
    if (const char* name = kindName(info.type)) return std::string(name) + "(" + std::to_string(fieldSizeOf(info)) + ")";
    return "PDX_UNKNOWN";
}

std::optional<DeclaredColumn> parseDeclaredType(const char* decl)
{
    if (!decl) return std::nullopt;
    const char* open = std::strchr(decl, '(');
    if (!open) return std::nullopt;
    std::optional<FieldType> kind;
    for (int code = 0; code < 256 && !kind; ++code) {
        const auto k = paradox::fieldTypeOfCode(static_cast<uint8_t>(code));
        const char* name = k ? kindName(*k) : nullptr;
        if (name && std::strncmp(decl, name, size_t(open - decl)) == 0 && name[open - decl] == '\0') kind = k;
    }
    if (!kind) return std::nullopt;
    char* end = nullptr;
    const long size = std::strtol(open + 1, &end, 10);
    if (!end || *end != ')' || end[1] != '\0') return std::nullopt;
    return DeclaredColumn{*kind, static_cast<int>(size)};
}

EngineType engineTypeOf(const DeclaredColumn& column)
{
    return engineTypeOfKind(column.kind, column.size);
}

} // namespace rk::source

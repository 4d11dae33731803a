// The engine's field-type table and the declared column types of the
// virtual tables (see FieldTypes.h).
#include "db/paradox/FieldTypes.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

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

// The engine type's size is the size of the field (fieldSizeOf) or of the
// declared column.
constexpr int kFieldSize = -1;

enum class SizeOfField { None, Declared, Decimals };

// What the source engine makes of each kind: the declared type inside SQLite
// (a name, and a suffix for the affinity that matches how xColumn stores the
// value), the engine type it is reported as, and what fieldSizeOf gives.
struct KindRow {
    FieldType kind;
    const char* name;
    Affinity affinity;
    EngineType engine;
    SizeOfField size;
};
constexpr KindRow kKindRows[] = {
    {FieldType::Alpha, "PDX_ALPHA", Affinity::Text, {1, 0, kFieldSize}, SizeOfField::Declared},
    {FieldType::Date, "PDX_DATE", Affinity::Integer, {2, 0, 0}, SizeOfField::None},
    {FieldType::Short, "PDX_SHORT", Affinity::Integer, {5, 0, 2}, SizeOfField::None}, // always two bytes
    {FieldType::Long, "PDX_LONG", Affinity::Integer, {6, 0, 4}, SizeOfField::None},
    {FieldType::Currency, "PDX_MONEY", Affinity::Real, {7, kSubMoney, 8}, SizeOfField::None},
    {FieldType::Number, "PDX_NUMBER", Affinity::Real, {7, 0, 8}, SizeOfField::None},
    {FieldType::Logical, "PDX_LOGICAL", Affinity::Integer, {4, 0, 1}, SizeOfField::None},
    {FieldType::Memo, "PDX_MEMO", Affinity::Text, {3, kSubMemo, kFieldSize}, SizeOfField::None},
    {FieldType::Binary, "PDX_BINARY", Affinity::Blob, {3, 0, kFieldSize}, SizeOfField::None},
    {FieldType::FmtMemo, "PDX_FMTMEMO", Affinity::Blob, {3, kSubFmtMemo, kFieldSize}, SizeOfField::None},
    {FieldType::Ole, "PDX_OLE", Affinity::Blob, {3, kSubOle, kFieldSize}, SizeOfField::None},
    {FieldType::Graphic, "PDX_GRAPHIC", Affinity::Blob, {3, kSubGraphic, kFieldSize}, SizeOfField::None},
    {FieldType::Time, "PDX_TIME", Affinity::Integer, {10, 0, 4}, SizeOfField::None},
    {FieldType::Timestamp, "PDX_TIMESTAMP", Affinity::Real, {11, 0, 8}, SizeOfField::None},
    {FieldType::AutoInc, "PDX_AUTOINC", Affinity::Integer, {6, kSubAutoInc, 4}, SizeOfField::None},
    {FieldType::Bcd, "PDX_BCD", Affinity::Text, {8, 0, kFieldSize}, SizeOfField::Decimals},
    {FieldType::Bytes, "PDX_BYTES", Affinity::Blob, {9, 0, kFieldSize}, SizeOfField::Declared},
};
static_assert(paradox::rowsFollowFieldTypes(kKindRows));

const KindRow* rowOf(FieldType kind)
{
    const int place = paradox::placeOf(kind);
    return place < 0 ? nullptr : &kKindRows[place];
}

std::string_view suffixOf(Affinity affinity)
{
    switch (affinity) {
    case Affinity::Integer: return "_INT";
    case Affinity::Real: return "_REAL";
    case Affinity::Text: return "_TEXT";
    case Affinity::Blob: return "_BLOB";
    }
    return {};
}

EngineType engineTypeOfKind(FieldType kind, int size)
{
    const KindRow* row = rowOf(kind);
    if (!row) return {0, 0, 0};
    EngineType type = row->engine;
    if (type.size == kFieldSize) type.size = size;
    return type;
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
    // The object types ftADT, ftArray, ftReference and ftDataSet lie together.
    return type != DataType::ftUnknown && !(type >= DataType::ftADT && type <= DataType::ftDataSet);
}

EngineType engineTypeOf(const paradox::FieldInfo& info)
{
    return engineTypeOfKind(info.type, fieldSizeOf(info));
}

int fieldSizeOf(const paradox::FieldInfo& info)
{
    const KindRow* row = rowOf(info.type);
    switch (row ? row->size : SizeOfField::None) {
    case SizeOfField::None: return 0;
    case SizeOfField::Declared: return info.size;
    case SizeOfField::Decimals: return info.bcdScale;
    }
    return 0;
}

Affinity affinityOf(FieldType kind)
{
    const KindRow* row = rowOf(kind);
    return row ? row->affinity : Affinity::Blob;
}

std::string declaredType(const paradox::FieldInfo& info)
{
    const KindRow* row = rowOf(info.type);
    if (!row) return "PDX_UNKNOWN";
    return std::string(row->name) + std::string(suffixOf(row->affinity)) + "(" + std::to_string(fieldSizeOf(info)) +
           ")";
}

std::optional<DeclaredColumn> parseDeclaredType(const char* decl)
{
    if (!decl) return std::nullopt;
    const char* open = std::strchr(decl, '(');
    if (!open) return std::nullopt;
    const std::string_view written(decl, size_t(open - decl));
    for (const KindRow& row : kKindRows) {
        const std::string_view name(row.name);
        if (!written.starts_with(name) || written.substr(name.size()) != suffixOf(row.affinity)) continue;
        char* end = nullptr;
        const long size = std::strtol(open + 1, &end, 10);
        if (!end || *end != ')' || end[1] != '\0') return std::nullopt;
        return DeclaredColumn{row.kind, static_cast<int>(size)};
    }
    return std::nullopt;
}

EngineType engineTypeOf(const DeclaredColumn& column)
{
    return engineTypeOfKind(column.kind, column.size);
}

} // namespace rk::source

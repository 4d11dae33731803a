// The kinds of Paradox columns, and where a new one goes. Each layer keeps
// what it knows of the kinds in one table with a row per kind, in the order
// of kFieldTypes, checked at compile time by rowsFollowFieldTypes(); code
// that does something different per kind switches over FieldType without a
// default. A new kind is added to the enum, to the switch in isFieldType()
// and to kFieldTypes; the compiler then names every table and switch that
// must learn it (ParadoxTable.cpp, FieldTypes.cpp, SqlValues.cpp, ...).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace rk::source::paradox {

// Column kinds with the type byte they carry in the file's field table.
enum class FieldType : uint8_t {
    Alpha = 0x01, Date = 0x02, Short = 0x03, Long = 0x04, Currency = 0x05,
    Number = 0x06, Logical = 0x09, Memo = 0x0C, Binary = 0x0D, FmtMemo = 0x0E, Ole = 0x0F, Graphic = 0x10,
    Time = 0x14, Timestamp = 0x15, AutoInc = 0x16, Bcd = 0x17, Bytes = 0x18
};

// Every kind once, in the order of the enum: the order of the tables' rows.
inline constexpr FieldType kFieldTypes[] = {
    FieldType::Alpha,   FieldType::Date,    FieldType::Short,   FieldType::Long,      FieldType::Currency,
    FieldType::Number,  FieldType::Logical, FieldType::Memo,    FieldType::Binary,    FieldType::FmtMemo,
    FieldType::Ole,     FieldType::Graphic, FieldType::Time,    FieldType::Timestamp, FieldType::AutoInc,
    FieldType::Bcd,     FieldType::Bytes,
};
inline constexpr size_t kFieldTypeCount = std::size(kFieldTypes);

namespace detail {

// No default: a new enumerator is named here first.
constexpr bool isFieldType(FieldType t)
{
    switch (t) {
    case FieldType::Alpha: case FieldType::Date: case FieldType::Short: case FieldType::Long:
    case FieldType::Currency: case FieldType::Number: case FieldType::Logical: case FieldType::Memo:
    case FieldType::Binary: case FieldType::FmtMemo: case FieldType::Ole: case FieldType::Graphic:
    case FieldType::Time: case FieldType::Timestamp: case FieldType::AutoInc: case FieldType::Bcd:
    case FieldType::Bytes:
        return true;
    }
    return false;
}

// The place of each type byte in kFieldTypes; -1 for a byte no kind has.
constexpr std::array<int8_t, 256> kPlaceOfCode = [] {
    std::array<int8_t, 256> place{};
    place.fill(-1);
    for (size_t i = 0; i < kFieldTypeCount; ++i) place[static_cast<uint8_t>(kFieldTypes[i])] = static_cast<int8_t>(i);
    return place;
}();

constexpr bool listsEveryKindOnce()
{
    size_t kinds = 0;
    for (int code = 0; code < 256; ++code) {
        const bool kind = isFieldType(static_cast<FieldType>(code));
        if (kind != (kPlaceOfCode[size_t(code)] >= 0)) return false;
        kinds += kind ? 1 : 0;
    }
    return kinds == kFieldTypeCount;
}
static_assert(listsEveryKindOnce(), "kFieldTypes must hold every FieldType once");

} // namespace detail

// The place of a kind in kFieldTypes (and so its row in every table); -1 for
// a value outside the enum.
constexpr int placeOf(FieldType t) { return detail::kPlaceOfCode[static_cast<uint8_t>(t)]; }

// True when `rows` has a row per kind, each row's `kind` in the order of kFieldTypes.
template <class Row, size_t N>
constexpr bool rowsFollowFieldTypes(const Row (&rows)[N])
{
    if (N != kFieldTypeCount) return false;
    for (size_t i = 0; i < N; ++i)
        if (rows[i].kind != kFieldTypes[i]) return false;
    return true;
}

} // namespace rk::source::paradox

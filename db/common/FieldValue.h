// The typed value of one source field in the current row, as the source
// engine hands it to the value mapping. The source decodes, the mapping
// formats; neither knows the other's internals.
//
//   monostate       blank (null) value of any kind
//   int32_t         Short (sign-extended), Long Integer, Autoincrement
//   double          Number, Money
//   bool            Logical
//   BcdValue        BCD, the stored digits
//   DateValue       Date
//   TimeValue       Time
//   TimestampValue  Timestamp
//   std::string     Alpha (Windows-1252, up to the first NUL), Memo (all
//                   bytes, Windows-1252), Formatted Memo, Graphic, OLE,
//                   Binary (raw bytes) and Bytes (all bytes of the declared
//                   size, raw; all of them zero is blank)
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "db/common/DataType.h"

namespace rk::db {

// A stored decimal: digits most significant first, `scale` of them after the
// decimal point. Digits are the stored nibbles (0..15): a corrupt file may
// hold values above 9, and the reader passes them on for the mapping to judge.
struct BcdValue {
    bool negative = false;
    std::vector<uint8_t> digits;
    int scale = 0;
    bool operator==(const BcdValue&) const = default;
};

// Days of the proleptic Gregorian calendar, 0001-01-01 being day 1.
struct DateValue {
    int32_t days = 0;
    bool operator==(const DateValue&) const = default;
};

// Milliseconds since midnight.
struct TimeValue {
    int32_t msecs = 0;
    bool operator==(const TimeValue&) const = default;
};

// days * 86400000 + milliseconds of the day, with days counted as in
// DateValue (so 0001-01-01 00:00 is 86400000).
struct TimestampValue {
    double msecs = 0;
    bool operator==(const TimestampValue&) const = default;
};

using FieldValue = std::variant<std::monostate, int32_t, double, bool, BcdValue, DateValue, TimeValue,
                                TimestampValue, std::string>;

inline bool isBlank(const FieldValue& v) { return std::holds_alternative<std::monostate>(v); }

// A set of lambdas as one visitor: std::visit(Overloaded{[](int32_t) {...},
// ...}, value). Code that treats each kind of value visits it this way, one
// lambda per kind and no catch-all, so that a new kind of value is a
// compile error at every place that must learn it.
template <class... Fs>
struct Overloaded : Fs... {
    using Fs::operator()...;
};

// One field of a source result: its name (Windows-1252), its type, the
// declared size of its column (characters for Alpha, bytes for Bytes, the
// number of decimals for BCD, 0 where the type has none) and its value in
// the current row.
struct Field {
    std::string name;
    DataType dataType = DataType::ftUnknown;
    int size = 0;
    FieldValue value;
};

} // namespace rk::db

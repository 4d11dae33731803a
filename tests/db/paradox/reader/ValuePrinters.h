// Readable gtest output for the source value types, so a failed comparison
// shows digits and day numbers instead of object bytes.
#pragma once

#include <ostream>

#include "db/common/FieldValue.h"

namespace rk::db {

inline void PrintTo(const BcdValue& v, std::ostream* os)
{
    *os << "Bcd{" << (v.negative ? "-" : "+");
    for (uint8_t d : v.digits) *os << "0123456789abcdef"[d & 0x0F];
    *os << " scale " << v.scale << "}";
}
inline void PrintTo(const DateValue& v, std::ostream* os) { *os << "Date{" << v.days << "}"; }
inline void PrintTo(const TimeValue& v, std::ostream* os) { *os << "Time{" << v.msecs << "}"; }
inline void PrintTo(const TimestampValue& v, std::ostream* os) { *os << "Timestamp{" << v.msecs << "}"; }

} // namespace rk::db

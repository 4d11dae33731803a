// The value a stored decimal stands for, as the program reads it. The
// transfer sends at most four decimals and rk_pxdump shows the same value,
// so both take it from here.
//
//   if (auto v = rk::db::readBcd(stored)) ... v->digits, v->scale (<= 4)
#pragma once

#include <optional>

#include "db/common/FieldValue.h"

namespace rk::db {

// Decimals a read decimal keeps; further ones round, halves to even.
constexpr int kBcdDecimalsRead = 4;

// The stored value rounded to kBcdDecimalsRead decimals (a value with fewer
// keeps its own): digits 0..9, no leading zeros before the integer digits,
// `negative` only when a digit is nonzero. The digits through the fifth
// decimal decide; past it a digit only tells an exact half from more, and
// writers fill the places past their own precision with nibbles above 9:
// from the first such nibble on, the rest is filler and no part of the
// value. nullopt when a deciding digit is above 9 (a damaged file).
std::optional<BcdValue> readBcd(const BcdValue& stored);

} // namespace rk::db

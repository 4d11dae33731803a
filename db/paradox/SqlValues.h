// How a db::FieldValue travels through SQLite and comes back unchanged.
// Integers, logicals, dates (days) and times (milliseconds) are INTEGER;
// numbers, money and timestamps (milliseconds) REAL; alpha and memo TEXT
// (Windows-1252 bytes, never re-encoded); BCD TEXT of its stored digits;
// the other blob kinds and bytes BLOB. Blank is NULL.
#pragma once

#include <string>
#include <string_view>

#include <sqlite3.h>

#include "db/common/FieldValue.h"
#include "db/paradox/reader/ParadoxTable.h"

namespace rk::source::detail {

// "[-]int.frac" of the stored digits, digits above 9 as 'A' to 'F'; a scale
// outside the digits is written as "[-]digits;scale".
std::string encodeBcd(const db::BcdValue& v);
db::BcdValue decodeBcd(std::string_view text);

// Sets the result of an xColumn call.
void setResult(sqlite3_context* ctx, paradox::FieldType kind, const db::FieldValue& value);

// Reads result column `i` of the current row as the value of a column of
// `kind`, reusing the storage a text already held.
void readColumn(sqlite3_stmt* stmt, int i, paradox::FieldType kind, db::FieldValue& out);

// A result column without a Paradox kind (an expression): by storage class.
void readUntypedColumn(sqlite3_stmt* stmt, int i, db::FieldValue& out);

} // namespace rk::source::detail

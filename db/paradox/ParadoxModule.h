// The SQLite virtual-table module over one Paradox file. A table is made by
// SqlConnection with "CREATE VIRTUAL TABLE name USING paradox('/f/X.DB')".
// Rows are read on demand and only the columns SQLite asks for are
// decoded. Two plans avoid copying rows: an ORDER BY over columns of the
// table is done by sorting record numbers (kept for the life of the
// connection, so counting the rows of the statement sorts nothing again),
// and an equality constraint (the join's ON) is answered from a hash index
// of that column, built on first use; a comparison under another collation
// than BINARY is left to SQLite.
#pragma once

#include <sqlite3.h>

namespace rk::source::detail {

class SqlConnection;

inline constexpr const char* kParadoxModuleName = "paradox";

void registerParadoxModule(sqlite3* db, SqlConnection* connection);

} // namespace rk::source::detail

// Field types of the source engine. Each Paradox column kind is reported as
// an engine type code and subtype; the engine type decides the DataType of
// the field. Inside SQLite a column carries its kind in its declared type
// ("PDX_ALPHA_TEXT(30)": kind, affinity, size), so a result column read
// back through sqlite3_column_decltype() becomes the same field again.
#pragma once

#include <optional>
#include <string>

#include "db/common/DataType.h"
#include "db/paradox/reader/ParadoxTable.h"

namespace rk::source {

struct EngineType {
    int code = 0;
    int subtype = 0;
    int size = 0; // declared size: characters, bytes, or the decimals of a BCD column
};

// The engine's type table: code, subtype and declared size to DataType.
db::DataType dataTypeFor(const EngineType& type);

// ftUnknown and the object types (26 to 29) give no field: the column is
// left out of the fields.
bool hasField(db::DataType type);

// How a Paradox column is reported to the engine.
EngineType engineTypeOf(const paradox::FieldInfo& info);

// The size a db::Field carries: characters for Alpha, bytes for Bytes, the
// number of decimals for BCD, else 0.
int fieldSizeOf(const paradox::FieldInfo& info);

// How SQLite holds a kind's values: the affinity its declared type names,
// matching how xColumn stores them. TEXT and BLOB values sort bytewise.
enum class Affinity { Integer, Real, Text, Blob };
Affinity affinityOf(paradox::FieldType kind);

// The declared type of the column in the virtual table.
std::string declaredType(const paradox::FieldInfo& info);

struct DeclaredColumn {
    paradox::FieldType kind;
    int size = 0; // as fieldSizeOf()
};

// Reads a declared type back; nullopt for anything not made by declaredType().
std::optional<DeclaredColumn> parseDeclaredType(const char* decltype_);

// The field of a declared column: its engine type and DataType.
EngineType engineTypeOf(const DeclaredColumn& column);

} // namespace rk::source

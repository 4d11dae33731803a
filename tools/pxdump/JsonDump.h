// The JSON Lines form of a Paradox table that rk_pxdump prints: a header
// object, then one array per record in field order. Kept apart from main()
// so the tests can check the exact text.
#pragma once

#include <ostream>
#include <string>

#include "db/common/FieldValue.h"
#include "db/source/paradox/ParadoxTable.h"

namespace rk::tools::pxdump {

// {"table":..., "version":..., "codepage":..., "records":..., "fields":[...]}
std::string headerLine(const source::paradox::Table& table);

// One value as JSON: null for blank, numbers, "YYYY-MM-DD", ... (UTF-8).
std::string valueJson(const db::FieldValue& value, source::paradox::FieldType type);

// Writes the header line and every record, each followed by '\n'.
void dumpTable(source::paradox::Table& table, std::ostream& out);

} // namespace rk::tools::pxdump

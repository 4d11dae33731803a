// The JSON Lines form of a Paradox table that rk_pxdump prints: a header
// object, then one array per record in field order. Kept apart from main()
// so the tests can check the exact text.
#pragma once

#include <ostream>
#include <string>

#include "db/common/FieldValue.h"
#include "db/paradox/reader/ParadoxTable.h"
#include "tools/pxdump/TextDecoder.h"

namespace rk::tools::pxdump {

// A JSON string of UTF-8 text: quote, backslash and every control byte
// escaped, DEL (0x7F) too so that it shows; the demo manifest uses it as well.
std::string jsonString(const std::string& utf8);

// {"table":..., "version":..., "codepage":..., "records":..., "fields":[...]}
std::string headerLine(const source::paradox::Table& table);

// One value as JSON: null for blank, numbers, "YYYY-MM-DD", ... (UTF-8).
// Texts are Windows-1252, or in the decoder's code page when one is given.
std::string valueJson(const db::FieldValue& value, source::paradox::FieldType type,
                      const TextDecoder* decoder = nullptr);

// Writes the header line and every record, each followed by '\n'. A table
// opened with OpenOptions::storedText has its texts decoded from its code
// page straight to UTF-8.
void dumpTable(source::paradox::Table& table, std::ostream& out);

} // namespace rk::tools::pxdump

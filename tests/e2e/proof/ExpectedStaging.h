// The staged values the transfer must produce from the manifest's source
// values, computed here from the documented rules for a German locale
// (decimal comma, dates dd.mm.yyyy, times hh:mm:ss, Windows-1252 text) and
// written afresh, without the program's mapping or formatting code.
//
//   Mapped m = mapValue(column, value);             // the parameter's state
//   Staged s = stagedForm(m, kFieldTypeDate);       // what the column holds
#pragma once

#include <optional>
#include <string>

#include "tests/e2e/proof/ManifestReader.h"

namespace rk::test {

// What assignParamFromField must leave in the parameter.
struct Mapped {
    enum Kind { Null, Integer, Text } kind = Null;
    long long integer = 0;
    std::string text;  // Windows-1252 bytes
};

Mapped mapValue(const ManifestColumn& column, const JsonValue& value);

// Firebird's RDB$FIELD_TYPE codes of the staging columns.
enum TargetType { kShort = 7, kInteger = 8, kDate = 12, kTime = 13, kChar = 14, kTimestamp = 35, kVarchar = 37,
                  kBlob = 261 };

// The column's content as FirebirdTestDatabase::query prints it: decimal
// integers, text and blob bytes, dates "YYYY-MM-DD"; nullopt for NULL.
std::optional<std::string> stagedForm(const Mapped& mapped, int targetType);

// The documented number forms, exposed for their own tests.
std::string generalFloat(double x);
std::string generalCurrency(long long tenThousandths);

} // namespace rk::test

// Where a row of a slot lies, said so that a person can find it in the old
// program: the source table, the record number in its file (counted from 1,
// as rk_pxdump lists the records), the row's key values and the field.
// Errors of a run carry it as their place line; the check prints it for
// every problem it finds.
//
//   RowPlace place{sourceTableOf(slot.sourceSql), record, position, keys, "EBDATUM"};
//   placeLine(place)  // "Tabelle WEGE, Datensatz 1234 (REG_RGGNR 17, POSNR 3), Feld EBDATUM"
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "db/common/FieldValue.h"
#include "db/common/ParamValue.h"
#include "transfer/ImportPlan.h"
#include "transfer/TransferPorts.h"

namespace rk::transfer {

using KeyValues = std::vector<std::pair<std::string, std::string>>;

struct RowPlace {
    std::string table;
    int64_t record = -1;    // 0-based in the file; -1 unknown
    int64_t position = -1;  // 1-based in the slot's result, used when the record is unknown
    KeyValues keys;
    std::string field;
};

// "Tabelle T, Datensatz N (K1 v1, K2 v2), Feld F"; "Zeile N" for a row
// known only by its position; the parts that are unknown are left out.
std::string placeLine(const RowPlace& place);

// The table a source statement reads first (after FROM), without ".DB".
std::string sourceTableOf(const std::string& sourceSql);
// The WHERE condition of a source statement, empty when it has none.
std::string whereConditionOf(const std::string& sourceSql);
// The ORDER BY columns of a source statement, in order.
std::vector<std::string> orderColumnsOf(const std::string& sourceSql);
// The fields that name a row of a slot: its ORDER BY columns, else the
// first parameter of its INSERT.
std::vector<std::string> keyFieldsOf(const ImportSlot& slot);

// A value as a person reads it: integers as digits, the rest as the run's
// text form; a value that cannot be formatted shows as "?".
std::string valueText(const db::Field& field);
// The key fields of the source's current row (a missing field is left out).
KeyValues keyValuesOf(SourceQuery& source, const std::vector<std::string>& keyFields);
// The key values among a row's parameter values (`names` parallel to them).
KeyValues keyValuesOf(std::span<const db::ParamView> values, const std::vector<std::string>& names,
                      const std::vector<std::string>& keyFields);

} // namespace rk::transfer

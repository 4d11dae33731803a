// The comparison of a staging table with what a run would stage now: every
// row the slot's statement selects, mapped as a run maps it, in the form the
// target stores it (texts byte for byte, integers, dates and times as
// values), against every row the staging table holds. Rows are compared by
// a hash of their values, so only two lists of hashes are held, never a
// table; the rows behind the first differences are read again for the
// report. Where the slot's statement orders its rows, the order counts too.
//
//   TableCompare c = compareSlot(source, staging, plan[3]);
//   if (!c.equal()) for (const RowDifference& d : c.differences) print(d);
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/common/FieldValue.h"
#include "locale/LocaleFormats.h"
#include "transfer/ImportPlan.h"
#include "transfer/RowPlace.h"
#include "transfer/SourceCheck.h"
#include "transfer/TransferPorts.h"

namespace rk::transfer {

// What a staging column holds, as the target describes it.
enum class ColumnKind { FixedText, Text, Blob, Integer, Float, Date, Time, Timestamp, Other };

struct StagedColumn {
    std::string name;
    ColumnKind kind = ColumnKind::Other;
    int length = 0;  // characters of a text column, 0 for the other kinds
};

// The staging tables as the check reads them (a read-only transaction).
class StagingSource {
public:
    virtual ~StagingSource() = default;
    // Runs a SELECT; its columns as described. Closes a previous one.
    virtual std::vector<StagedColumn> open(const std::string& select) = 0;
    // The next row's values: blank for NULL, int32_t, double, DateValue,
    // TimeValue, TimestampValue or the bytes of a text; false past the last.
    virtual bool fetch(std::vector<db::FieldValue>& row) = 0;
};

struct RowDifference {
    enum class Kind { Missing, Extra, Different, Order };
    Kind kind = Kind::Different;
    RowPlace place;          // the source row (missing, different, order); the staged row's position (extra)
    std::string column;      // different: the first column that differs
    std::string staged;      // as a person reads it
    std::string expected;
};

struct TableCompare {
    std::string table;        // the source table
    std::string targetTable;
    int64_t stagedRows = 0;
    int64_t expectedRows = 0;
    int64_t equalRows = 0;
    int64_t missingRows = 0;
    int64_t extraRows = 0;
    int64_t differentRows = 0;
    bool orderDiffers = false;
    std::string error;  // the table could not be read (source or target); the counts are then incomplete
    std::vector<RowDifference> differences;  // the first kListedPerTable
    bool equal() const
    {
        return error.empty() && stagedRows == expectedRows && missingRows == 0 && extraRows == 0 &&
               differentRows == 0 && !orderDiffers;
    }
};

// The value a parameter value becomes in a column of that kind: a text in
// a fixed-length column padded with blanks, a text in a number or date
// column converted as the target converts it. A value the target would
// refuse gives a text no column holds.
db::FieldValue storedForm(const db::ParamView& value, const StagedColumn& column,
                          const locale::LocaleFormats& formats);
// A stored value as a person reads it (Windows-1252): texts in quotes,
// dates as YYYY-MM-DD, NULL as NULL.
std::string storedText(const db::FieldValue& value);

// The latest job record's moment (days since 1899-12-30 with the time as
// fraction, the local time it was written); nullopt without one.
std::optional<double> latestJobRecord(StagingSource& staging);

TableCompare compareSlot(SourceQuery& source, StagingSource& staging, const ImportSlot& slot);

} // namespace rk::transfer

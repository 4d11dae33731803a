// The check of the source: every slot of the import plan read through the
// same statements and the same value mapping as a run, without writing
// anything. Per slot it counts the table's rows, the rows the slot selects
// and the rows its condition leaves out (named by their keys), and lists
// every row that would stop a run (a damaged record, a value that cannot be
// mapped, a text longer than its target column), each with its place. It
// never stops at the first problem and holds no table in memory: at most
// kListedPerTable rows of each list are kept, the rest only counted.
//
//   SlotCheck c = checkSlot(source, plan[3], limits);
//   for (const CheckProblem& p : c.problems) print(placeLine(p.place), p.message);
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "transfer/ImportPlan.h"
#include "transfer/RowPlace.h"
#include "transfer/TransferPorts.h"

namespace rk::transfer {

constexpr size_t kListedPerTable = 100;

struct CheckProblem {
    RowPlace place;
    std::string value;    // as read, Windows-1252; empty when it could not be read
    std::string message;  // the message a run would show
};

struct SlotCheck {
    std::string caption;
    std::string table;        // the source table, without ".DB"
    std::string targetTable;
    int64_t tableRows = -1;   // rows of the source table; -1 when it cannot be counted
    int64_t selectedRows = 0;
    int64_t leftOutRows = 0;
    std::string condition;    // the condition in plain German; empty without one
    std::vector<RowPlace> leftOut;  // the first kListedPerTable
    int64_t problemCount = 0;
    std::vector<CheckProblem> problems;  // the first kListedPerTable
    // Set when the table could not be read to its end: the rest is unknown.
    bool readingStopped = false;
};

// The length limit of a target column for a parameter's text, 0 for none.
using ColumnLimit = std::function<int(const std::string& targetTable, const std::string& column)>;

// The parameter names of an INSERT text, in order (colon and name, up to a
// blank, comma, semicolon, closing parenthesis or line break; quotes skipped).
std::vector<std::string> insertParameterNames(const std::string& insertSql);
// The column list of an INSERT text, in order.
std::vector<std::string> insertColumnNames(const std::string& insertSql);

// A WHERE condition of the import plan in plain German: what a row needs
// to be transferred ("REG_R ist nicht leer"); the SQL text itself for a
// form it does not know.
std::string conditionInGerman(const std::string& condition);

// Reads one slot as a run would, and its left-out rows. Errors that keep
// the table from being read at all (missing file, bad statement) become
// the slot's one problem.
SlotCheck checkSlot(SourceQuery& source, const ImportSlot& slot, const ColumnLimit& limits = {});

} // namespace rk::transfer

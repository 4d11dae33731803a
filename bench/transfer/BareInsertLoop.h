// The bare limit of the benchmark: the prepared INSERT of the WEGE slot
// executed over the Firebird client API with parameter values that are
// already final and in memory, the way the target layer binds them
// (integers as 32-bit integers, texts as fixed text, text for blob columns
// as a new blob, dates as timestamps), one commit at the end.
//
//   BareValues v = collectBareValues(sourceRows...);   // not timed
//   double seconds = runBareInsertLoop("/tmp/b.fdb", insertSql, v);
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rk::bench {

// Every parameter value of every row, packed: one Cell per parameter and
// row, the bytes in one arena.
struct BareValues {
    enum Kind : uint8_t { Null, Integer, Text, Stamp };
    struct Cell {
        Kind kind;
        uint32_t length;   // Text: bytes; Stamp: 8
        uint64_t offset;   // into bytes; Integer: the value
    };
    size_t columns = 0;
    std::vector<Cell> cells;  // row-major
    std::string bytes;
    size_t rows() const { return columns ? cells.size() / columns : 0; }
};

// Executes `insertSql` (":NAME" parameters) once per row of `values` into
// the database file `path`, commits, and returns the seconds taken from the
// attach to the end of the commit.
double runBareInsertLoop(const std::string& path, const std::string& insertSql, const BareValues& values);

// The SQL type codes the server describes for the parameters of `insertSql`.
std::vector<short> describeParamTypes(const std::string& path, const std::string& insertSql);

} // namespace rk::bench

// The demo generator's record of what it wrote: JSON Lines, UTF-8. One line
// per table before its rows, then one line per row:
//
//   {"table":"WEGE","file":"WEGE.DB","version":70,"codePage":1252,
//    "columns":[["REG","alpha",10],["NR","autoinc",0],...]}
//   {"table":"WEGE","row":["SSW",17,...]}
//
// Values by column kind: null for blank; numbers for short, long, autoinc,
// number and currency (doubles with 17 significant digits); true/false for
// logical; strings "YYYY-MM-DD" for date, "HH:MM:SS.mmm" for time and
// "YYYY-MM-DD HH:MM:SS.mmm" for timestamp; BCD as a decimal string with its
// column's decimals ("-12.50"); alpha and memo as the text the table holds,
// in UTF-8; fmtmemo, graphic, ole, binary and bytes as lower-case hex of the
// stored bytes. Tests compute expected staged values from these lines
// without the program's own mapping code.
#pragma once

#include <cstdio>
#include <filesystem>
#include <span>
#include <string>

#include "db/common/FieldValue.h"
#include "tools/pxdump/JsonDump.h"
#include "tools/pxwrite/ParadoxWriter.h"

namespace rk::tools::demo {

class Manifest {
public:
    // An empty path writes nothing.
    explicit Manifest(const std::filesystem::path& file);
    ~Manifest();
    Manifest(const Manifest&) = delete;
    Manifest& operator=(const Manifest&) = delete;

    bool enabled() const { return m_file != nullptr; }
    void table(const std::string& name, const std::string& file, const pxwrite::WriterOptions& options,
               std::span<const pxwrite::Column> columns);
    void row(const std::string& name, std::span<const pxwrite::Column> columns,
             std::span<const db::FieldValue> values);
    // Flushes and closes; throws when the data did not reach the file.
    void close();

private:
    std::FILE* m_file = nullptr;
    std::filesystem::path m_path;
    std::string m_line;
};

// The JSON string literal of a UTF-8 text, quotes included: rk_pxdump's.
using pxdump::jsonString;

// "YYYY-MM-DD" of a day count (0001-01-01 is day 1).
std::string isoDate(int32_t days);
// "HH:MM:SS.mmm" of milliseconds since midnight.
std::string isoTime(int32_t msecs);

} // namespace rk::tools::demo

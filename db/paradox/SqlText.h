// Text handling of source SQL statements before SQLite sees them: the
// statement as a list of lines, the ":NAME" parameters it names, and the
// rewriting of Paradox file names ("REGIONEN.DB") that SQLite would read as
// schema.table.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rk::source {

// Splits at CR LF, CR or LF; a final line break adds no empty line.
std::vector<std::string> splitLines(std::string_view text);
// Each line followed by CR LF.
std::string joinLines(const std::vector<std::string>& lines);

// Names of the parameters written as a colon and a name, outside quotes and
// comments, in order of appearance; "::" is a literal colon. A quoted name
// (:"A B") counts with its quotes removed.
std::vector<std::string> parameterNames(std::string_view sql);

// Replaces every unquoted NAME.DB (extension in any case, not followed by a
// name character) with NAME, so that SQLite reads a table name.
std::string stripTableExtensions(std::string_view sql);

// The statement without its final top-level ORDER BY clause, for counting
// its rows; unchanged when it has none or when a LIMIT follows it.
std::string withoutFinalOrderBy(std::string_view sql);

// Where the '*' of "SELECT * FROM T [alias] [WHERE ...] [ORDER BY ...]
// [LIMIT ...]" stands: one table, no second table, compound, grouping or
// ORDER BY by column number outside parentheses; nullopt for any other
// statement. Table extensions must be stripped first.
std::optional<size_t> plainSelectAllStar(std::string_view sql);

} // namespace rk::source

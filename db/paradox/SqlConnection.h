// One SQL connection of the source engine: an in-memory SQLite database in
// which every Paradox file of the alias folder that a statement names
// becomes a virtual table (ParadoxModule), created the first time a
// statement needs it. Its tables show the files as they were when they
// were first named, so a query makes a connection for each opening and
// drops it when it closes. Nothing is ever written beside the source files:
// the database lives in memory, temporary storage too, and an authorizer
// lets statements only read.
//
//   SqlConnection c("/data/rk5", {});
//   Statement s = c.prepare("SELECT * FROM GIPFEL ORDER BY REG_RG, POSNR");
//   while (c.step(s.get())) { ... sqlite3_column_*(s.get(), i) ... }
#pragma once

#include <exception>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <sqlite3.h>

#include "db/paradox/reader/ParadoxTable.h"

namespace rk::source::detail {

struct StatementDeleter {
    void operator()(sqlite3_stmt* s) const noexcept { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

// The file of a table name written in a statement: "GIPFEL", "gipfel.db"
// and "GIPFEL.DB" all find GIPFEL.DB in `folder`, without regard to case.
std::optional<std::filesystem::path> findTableFile(const std::filesystem::path& folder, std::string_view name);

class SqlConnection {
public:
    SqlConnection(std::filesystem::path folder, paradox::OpenOptions options);
    ~SqlConnection();
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;

    // Prepares exactly one statement (file names "X.DB" allowed); null for a
    // text without any statement. Errors: EDBEngineError with the engine's
    // text, or the reader's own error for a file that cannot be read.
    Statement prepare(const std::string& sql);

    // One step: true on a row, false at the end; errors as for prepare().
    bool step(sqlite3_stmt* stmt);

    const std::filesystem::path& folder() const { return m_folder; }
    const paradox::OpenOptions& options() const { return m_options; }
    sqlite3* handle() const { return m_db; }

    // Used by the virtual tables: an exception raised inside an SQLite
    // callback waits here and is rethrown once SQLite has returned.
    void setPendingError(std::exception_ptr e) { if (!m_pending) m_pending = std::move(e); }
    void rethrowPendingError();
    bool ddlAllowed() const { return m_ddlAllowed; }

    // The reader behind a virtual table of this connection, by its name as
    // SQLite reports it (sqlite3_column_table_name); null when none. Valid
    // while the connection lives.
    paradox::Table* openedTable(std::string_view name) const;
    void tableOpened(std::string_view name, paradox::Table* table);
    void tableClosed(paradox::Table* table);

private:
    void createVirtualTable(const std::string& name, const std::filesystem::path& file);
    [[noreturn]] void throwSqliteError();

    std::filesystem::path m_folder;
    paradox::OpenOptions m_options;
    sqlite3* m_db = nullptr;
    std::exception_ptr m_pending;
    bool m_ddlAllowed = false;
    std::map<std::string, paradox::Table*> m_tables; // by upper-cased name
};

} // namespace rk::source::detail

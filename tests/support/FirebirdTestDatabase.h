// A fresh Firebird database file for one test, removed afterwards.
//
//   rk::test::FirebirdTestDatabase db;                 // staging schema, dialect 3
//   rk::test::FirebirdTestDatabase empty("", 1);       // no tables, dialect 1
//   ... open db.path() with the program's own objects ...
//   auto rows = db.query("SELECT REG_R, REGION FROM IMPORT_RK5_REGIONEN");
//
// The file lives in its own temporary folder; character set ISO8859_1. The
// first guard of a schema and dialect creates a template through the client
// library in embedded mode, running the schema file's statements (split at
// ";") one by one; every guard then gets a copy of it. query() and
// execute() use an attachment of their own, so they see committed work.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace rk::test {

class FirebirdTestDatabase {
public:
    using Value = std::optional<std::string>;  // nullopt for NULL
    using Row = std::vector<Value>;

    // `schema` empty: no tables. Throws rk::Exception on failure.
    explicit FirebirdTestDatabase(const std::filesystem::path& schema = stagingSchema(), int dialect = 3);
    ~FirebirdTestDatabase();
    FirebirdTestDatabase(const FirebirdTestDatabase&) = delete;
    FirebirdTestDatabase& operator=(const FirebirdTestDatabase&) = delete;

    const std::string& path() const noexcept { return m_path; }
    const std::filesystem::path& folder() const noexcept { return m_folder; }

    // tools/staging-schema.sql of the source tree.
    static std::filesystem::path stagingSchema();

    // Runs one statement in the database's dialect and commits it.
    void execute(const std::string& sql) const;

    // All rows of a SELECT, each column as text: integers in decimal (with
    // a "." before scaled digits), CHAR/VARCHAR and text blobs as their
    // bytes, DATE "YYYY-MM-DD", TIME "HH:MM:SS", TIMESTAMP both with a blank.
    std::vector<Row> query(const std::string& sql) const;

    // The first column of the first row, for counts and single values.
    Value scalar(const std::string& sql) const;

    // Marks the database read-only (a database property, not file mode).
    void setReadOnly() const;

private:
    std::filesystem::path m_folder;
    std::string m_path;
    int m_dialect = 3;
};

} // namespace rk::test

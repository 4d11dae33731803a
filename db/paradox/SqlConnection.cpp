// The SQLite side of a source connection (see SqlConnection.h).
#include "db/paradox/SqlConnection.h"

#include <algorithm>
#include <vector>

#include "db/paradox/EngineError.h"
#include "db/paradox/NameRules.h"
#include "db/paradox/ParadoxModule.h"
#include "db/paradox/SqlText.h"

namespace rk::source::detail {
namespace {

// Statements may only read; our own CREATE VIRTUAL TABLE passes while
// ddlAllowed() is set. This keeps ATTACH, VACUUM INTO and the like from
// ever creating a file.
int authorize(void* self, int action, const char*, const char*, const char*, const char*)
{
    if (static_cast<SqlConnection*>(self)->ddlAllowed()) return SQLITE_OK;
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE: return SQLITE_OK;
    default: return SQLITE_DENY;
    }
}

bool onlyBlanksAndSemicolons(const char* tail)
{
    for (; tail && *tail; ++tail)
        if (*tail != ' ' && *tail != '\t' && *tail != '\r' && *tail != '\n' && *tail != ';') return false;
    return true;
}

std::string quoteIdentifier(const std::string& name)
{
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

} // namespace

SqlConnection::SqlConnection(std::filesystem::path folder, paradox::OpenOptions options)
    : m_folder(std::move(folder)), m_options(options)
{
    // ":memory:" never touches a file; temp_store keeps sorter and
    // temporary tables in memory as well. One thread uses a connection.
    const int rc = sqlite3_open_v2(":memory:", &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        throw EDBEngineError(engine_text::fromSqlite(msg));
    }
    sqlite3_exec(m_db, "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    registerParadoxModule(m_db, this);
    sqlite3_set_authorizer(m_db, authorize, this);
}

SqlConnection::~SqlConnection()
{
    // Statements are owned by the queries and finalised before this point;
    // sqlite3_close_v2 defers the close if one was not.
    sqlite3_close_v2(m_db);
}

void SqlConnection::rethrowPendingError()
{
    if (!m_pending) return;
    std::exception_ptr e = std::move(m_pending);
    m_pending = nullptr;
    std::rethrow_exception(e);
}

void SqlConnection::throwSqliteError()
{
    rethrowPendingError();
    throw EDBEngineError(engine_text::fromSqlite(sqlite3_errmsg(m_db)));
}

Statement SqlConnection::prepare(const std::string& sql)
{
    const std::string text = stripTableExtensions(sql);
    m_pending = nullptr;
    // Each round creates one missing table; a statement names few tables.
    for (int round = 0; round < 256; ++round) {
        sqlite3_stmt* raw = nullptr;
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v2(m_db, text.c_str(), static_cast<int>(text.size()) + 1, &raw, &tail);
        Statement stmt(raw);
        if (rc == SQLITE_OK) {
            if (!onlyBlanksAndSemicolons(tail)) throw EDBEngineError(engine_text::oneStatementOnly());
            return stmt;
        }
        const std::string msg = sqlite3_errmsg(m_db);
        const std::string prefix = "no such table: ";
        if (msg.compare(0, prefix.size(), prefix) != 0) throwSqliteError();
        std::string name = msg.substr(prefix.size());
        if (name.compare(0, 5, "main.") == 0) name = name.substr(5);
        auto file = findTableFile(m_folder, name);
        if (!file) throw EDBEngineError(engine_text::tableMissing(name, pathText(m_folder.string())));
        createVirtualTable(name, *file);
    }
    throw EDBEngineError(engine_text::fromSqlite("too many tables"));
}

bool SqlConnection::step(sqlite3_stmt* stmt)
{
    m_pending = nullptr;
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throwSqliteError();
}

paradox::Table* SqlConnection::openedTable(std::string_view name) const
{
    const auto it = m_tables.find(upperAnsi(name));
    return it == m_tables.end() ? nullptr : it->second;
}

void SqlConnection::tableOpened(std::string_view name, paradox::Table* table) { m_tables[upperAnsi(name)] = table; }

void SqlConnection::tableClosed(paradox::Table* table)
{
    std::erase_if(m_tables, [&](const auto& entry) { return entry.second == table; });
}

std::optional<std::filesystem::path> findTableFile(const std::filesystem::path& folder, std::string_view name)
{
    std::string wanted = upperAnsi(name);
    if (wanted.size() < 3 || wanted.compare(wanted.size() - 3, 3, ".DB") != 0) wanted += ".DB";
    std::vector<std::filesystem::path> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        if (upperAnsi(pathText(it->path().filename().string())) == wanted) found.push_back(it->path());
    }
    if (found.empty()) return std::nullopt;
    // Two files differing only in case: take the same one every time.
    return *std::min_element(found.begin(), found.end());
}

void SqlConnection::createVirtualTable(const std::string& name, const std::filesystem::path& file)
{
    std::string path = "'";
    for (char c : file.string()) path += c == '\'' ? std::string("''") : std::string(1, c);
    path += "'";
    m_ddlAllowed = true;
    m_pending = nullptr;
    const std::string sql =
        "CREATE VIRTUAL TABLE " + quoteIdentifier(name) + " USING " + kParadoxModuleName + "(" + path + ")";
    char* err = nullptr;
    const int rc = sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &err);
    m_ddlAllowed = false;
    const std::string msg = err ? err : "";
    sqlite3_free(err);
    if (rc == SQLITE_OK) return;
    rethrowPendingError();
    throw EDBEngineError(engine_text::fromSqlite(msg));
}

} // namespace rk::source::detail

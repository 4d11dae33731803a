// The "paradox" virtual-table module (see ParadoxModule.h). Arguments:
// USING paradox('/folder/FILE.DB'). Exceptions never cross into SQLite:
// each callback catches, hands the exception to the connection (which
// rethrows it once SQLite has returned) and reports SQLITE_ERROR.
#include "db/paradox/ParadoxModule.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <numeric>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "db/paradox/FieldTypes.h"
#include "db/paradox/NameRules.h"
#include "db/paradox/SqlConnection.h"
#include "db/paradox/SqlValues.h"

namespace rk::source::detail {
namespace {

using paradox::FieldType;

// How SQLite orders the stored values of a column: NULL first, then
// numbers, then TEXT and BLOB bytewise (BINARY collation).
enum class KeyClass { Numeric, Bytes };

KeyClass keyClassOf(FieldType kind)
{
    switch (affinityOf(kind)) {
    case Affinity::Integer:
    case Affinity::Real: return KeyClass::Numeric;
    case Affinity::Text:
    case Affinity::Blob: return KeyClass::Bytes;
    }
    return KeyClass::Bytes;
}

// The value as SQLite holds it; false for NULL (NaN becomes NULL in SQLite too).
bool numericKey(const db::FieldValue& v, double& out)
{
    const std::optional<double> number = std::visit(
        db::Overloaded{
            [](std::monostate) -> std::optional<double> { return std::nullopt; },
            [](int32_t i) -> std::optional<double> { return i; },
            [](double d) -> std::optional<double> { return d; },
            [](bool b) -> std::optional<double> { return b ? 1 : 0; },
            [](const db::BcdValue&) -> std::optional<double> { return std::nullopt; },
            [](db::DateValue dt) -> std::optional<double> { return dt.days; },
            [](db::TimeValue t) -> std::optional<double> { return t.msecs; },
            [](db::TimestampValue ts) -> std::optional<double> { return ts.msecs; },
            [](const std::string&) -> std::optional<double> { return std::nullopt; },
        },
        v);
    if (!number) return false;
    out = *number;
    if (std::isnan(out)) return false;
    if (out == 0) out = 0; // -0.0 and 0.0 are one key
    return true;
}

bool bytesKey(const db::FieldValue& v, std::string& out)
{
    if (auto* s = std::get_if<std::string>(&v)) out = *s;
    else if (auto* b = std::get_if<db::BcdValue>(&v)) out = encodeBcd(*b);
    else return false;
    return true;
}

struct SortKey {
    int column;
    bool descending;
};

// idxStr of a consumed ORDER BY: "<column><+|->" per term, e.g. "3+5-".
std::string encodeSort(const std::vector<SortKey>& keys)
{
    std::string s;
    for (const auto& k : keys) s += std::to_string(k.column) + (k.descending ? "-" : "+");
    return s;
}

std::vector<SortKey> decodeSort(const char* s)
{
    std::vector<SortKey> keys;
    while (s && *s) {
        char* end = nullptr;
        const long col = std::strtol(s, &end, 10);
        if (end == s || (*end != '+' && *end != '-')) break;
        keys.push_back({static_cast<int>(col), *end == '-'});
        s = end + 1;
    }
    return keys;
}

struct EqIndex {
    std::unordered_map<double, std::vector<uint32_t>> numbers;
    std::unordered_map<std::string, std::vector<uint32_t>> bytes;
};

struct PxTable : sqlite3_vtab {
    SqlConnection* connection = nullptr;
    std::unique_ptr<paradox::Table> table;
    std::vector<FieldType> kinds;
    std::map<std::string, std::shared_ptr<const std::vector<uint32_t>>> sortedOrders;
    std::map<int, EqIndex> eqIndexes;

    // Cursors and the query's direct reading share the reader; loading the
    // record it holds already reads nothing.
    void load(uint32_t record) { table->readRecord(record); }
    db::FieldValue value(uint32_t record, int column)
    {
        load(record);
        return table->value(column);
    }

    // Record numbers of `rows` in the order of `keys`; ties keep file order.
    std::vector<uint32_t> sortRows(std::vector<uint32_t> rows, const std::vector<SortKey>& keys)
    {
        struct Column {
            KeyClass cls;
            std::vector<double> numbers;
            std::vector<std::string> bytes;
            std::vector<uint8_t> present;
        };
        std::vector<Column> columns;
        for (const auto& k : keys) {
            Column c{keyClassOf(kinds[k.column]), {}, {}, std::vector<uint8_t>(rows.size())};
            (c.cls == KeyClass::Numeric ? c.numbers.resize(rows.size()) : c.bytes.resize(rows.size()));
            columns.push_back(std::move(c));
        }
        db::FieldValue v;
        for (size_t i = 0; i < rows.size(); ++i) {
            load(rows[i]);
            for (size_t k = 0; k < keys.size(); ++k) {
                table->readValue(keys[k].column, v);
                Column& c = columns[k];
                c.present[i] = c.cls == KeyClass::Numeric ? numericKey(v, c.numbers[i]) : bytesKey(v, c.bytes[i]);
            }
        }
        std::vector<uint32_t> positions(rows.size());
        std::iota(positions.begin(), positions.end(), 0u);
        std::stable_sort(positions.begin(), positions.end(), [&](uint32_t a, uint32_t b) {
            for (size_t k = 0; k < keys.size(); ++k) {
                const Column& c = columns[k];
                int cmp;
                if (!c.present[a] || !c.present[b])
                    cmp = static_cast<int>(c.present[a]) - static_cast<int>(c.present[b]);
                else if (c.cls == KeyClass::Numeric)
                    cmp = c.numbers[a] < c.numbers[b] ? -1 : (c.numbers[b] < c.numbers[a] ? 1 : 0);
                else
                    cmp = c.bytes[a].compare(c.bytes[b]);
                if (cmp != 0) return keys[k].descending ? cmp > 0 : cmp < 0;
            }
            return false;
        });
        std::vector<uint32_t> out(rows.size());
        for (size_t i = 0; i < positions.size(); ++i) out[i] = rows[positions[i]];
        return out;
    }

    const EqIndex& eqIndex(int column)
    {
        auto it = eqIndexes.find(column);
        if (it != eqIndexes.end()) return it->second;
        EqIndex index;
        const KeyClass cls = keyClassOf(kinds[column]);
        double number = 0;
        std::string bytes;
        db::FieldValue v;
        for (uint32_t r = 0; r < table->recordCount(); ++r) {
            load(r);
            table->readValue(column, v);
            if (cls == KeyClass::Numeric && numericKey(v, number)) index.numbers[number].push_back(r);
            if (cls == KeyClass::Bytes && bytesKey(v, bytes)) index.bytes[bytes].push_back(r);
        }
        return eqIndexes.emplace(column, std::move(index)).first->second;
    }
};

struct PxCursor : sqlite3_vtab_cursor {
    bool fileOrder = true;                                // rows 0..end-1
    std::shared_ptr<const std::vector<uint32_t>> shared; // a cached sorted order
    std::vector<uint32_t> own;                            // a filtered list
    const std::vector<uint32_t>* rows = nullptr;
    size_t pos = 0;
    size_t end = 0;

    uint32_t current() const { return fileOrder ? static_cast<uint32_t>(pos) : (*rows)[pos]; }
};

PxTable* tableOf(sqlite3_vtab_cursor* c) { return static_cast<PxTable*>(c->pVtab); }

int fail(sqlite3_vtab* vt, SqlConnection* connection)
{
    connection->setPendingError(std::current_exception());
    sqlite3_free(vt->zErrMsg);
    try {
        throw;
    } catch (const std::exception& e) {
        vt->zErrMsg = sqlite3_mprintf("%s", e.what());
    } catch (...) {
        vt->zErrMsg = sqlite3_mprintf("unknown error");
    }
    return SQLITE_ERROR;
}

// 'text' with doubled quotes, as SQLite hands a module argument over.
std::string unquote(const char* arg)
{
    std::string s = arg ? arg : "";
    if (s.size() < 2 || s.front() != '\'' || s.back() != '\'') return s;
    std::string out;
    for (size_t i = 1; i + 1 < s.size(); ++i) {
        out += s[i];
        if (s[i] == '\'' && s[i + 1] == '\'') ++i;
    }
    return out;
}

int xConnect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out, char** err)
{
    auto* connection = static_cast<SqlConnection*>(aux);
    try {
        if (argc < 4) throw std::invalid_argument("paradox: file argument missing");
        auto table = paradox::Table::open(unquote(argv[3]), connection->options());
        std::string decl = "CREATE TABLE x(";
        std::vector<FieldType> kinds;
        std::vector<std::string> names;
        for (size_t i = 0; i < table->fields().size(); ++i) {
            const auto& f = table->fields()[i];
            // A damaged header may repeat a name; SQLite would refuse the table.
            names.push_back(uniqueFieldName(f.name.empty() ? std::string("?") : f.name, names));
            if (i) decl += ", ";
            decl += '"';
            for (char c : names.back()) decl += c == '"' ? std::string("\"\"") : std::string(1, c);
            decl += "\" " + declaredType(f);
            kinds.push_back(f.type);
        }
        decl += ")";
        if (sqlite3_declare_vtab(db, decl.c_str()) != SQLITE_OK) {
            *err = sqlite3_mprintf("%s: %s", table->path().string().c_str(), sqlite3_errmsg(db));
            return SQLITE_ERROR;
        }
        auto* vt = new PxTable();
        vt->connection = connection;
        vt->table = std::move(table);
        vt->kinds = std::move(kinds);
        connection->tableOpened(argv[2], vt->table.get());
        *out = vt;
        return SQLITE_OK;
    } catch (const std::exception& e) {
        connection->setPendingError(std::current_exception());
        *err = sqlite3_mprintf("%s", e.what());
        return SQLITE_ERROR;
    }
}

int xDisconnect(sqlite3_vtab* vt)
{
    auto* t = static_cast<PxTable*>(vt);
    t->connection->tableClosed(t->table.get());
    delete t;
    return SQLITE_OK;
}

int xBestIndex(sqlite3_vtab* vt, sqlite3_index_info* info)
{
    auto* t = static_cast<PxTable*>(vt);
    const double rows = std::max<double>(1, t->table->recordCount());
    int eqColumn = -1;
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (!c.usable || c.op != SQLITE_INDEX_CONSTRAINT_EQ || c.iColumn < 0) continue;
        // The index holds the bytes: "= 'abc' COLLATE NOCASE" matches more.
        if (keyClassOf(t->kinds[c.iColumn]) == KeyClass::Bytes &&
            sqlite3_stricmp(sqlite3_vtab_collation(info, i), "BINARY") != 0)
            continue;
        eqColumn = c.iColumn;
        // SQLite checks the constraint again: the index only narrows the rows.
        info->aConstraintUsage[i].argvIndex = 1;
        info->aConstraintUsage[i].omit = 0;
        break;
    }
    std::vector<SortKey> keys;
    for (int i = 0; i < info->nOrderBy; ++i) {
        if (info->aOrderBy[i].iColumn < 0) { keys.clear(); break; }
        keys.push_back({info->aOrderBy[i].iColumn, info->aOrderBy[i].desc != 0});
    }
    if (!keys.empty()) {
        info->idxStr = sqlite3_mprintf("%s", encodeSort(keys).c_str());
        info->needToFreeIdxStr = 1;
        info->orderByConsumed = 1;
    }
    info->idxNum = eqColumn + 1;
    if (eqColumn >= 0) {
        info->estimatedRows = 10;
        info->estimatedCost = 10 + std::log2(rows);
    } else {
        info->estimatedRows = static_cast<sqlite3_int64>(rows);
        info->estimatedCost = rows;
    }
    return SQLITE_OK;
}

int xOpen(sqlite3_vtab*, sqlite3_vtab_cursor** out)
{
    *out = new PxCursor();
    return SQLITE_OK;
}

int xClose(sqlite3_vtab_cursor* c)
{
    delete static_cast<PxCursor*>(c);
    return SQLITE_OK;
}

int xFilter(sqlite3_vtab_cursor* base, int idxNum, const char* idxStr, int argc, sqlite3_value** argv)
{
    auto* c = static_cast<PxCursor*>(base);
    PxTable* t = tableOf(base);
    try {
        const std::vector<SortKey> keys = decodeSort(idxStr);
        c->shared.reset();
        c->own.clear();
        c->pos = 0;
        c->fileOrder = true;
        c->end = t->table->recordCount();
        const int eqColumn = idxNum - 1;
        if (eqColumn >= 0 && argc >= 1) {
            const int type = sqlite3_value_type(argv[0]);
            const KeyClass cls = keyClassOf(t->kinds[eqColumn]);
            const std::vector<uint32_t>* hit = nullptr;
            static const std::vector<uint32_t> none;
            bool indexed = true;
            if (type == SQLITE_NULL) {
                hit = &none; // "= NULL" is never true
            } else if (cls == KeyClass::Numeric && (type == SQLITE_INTEGER || type == SQLITE_FLOAT)) {
                double key = sqlite3_value_double(argv[0]);
                if (key == 0) key = 0;
                const auto& idx = t->eqIndex(eqColumn).numbers;
                auto it = idx.find(key);
                hit = it == idx.end() ? &none : &it->second;
            } else if (cls == KeyClass::Bytes && (type == SQLITE_TEXT || type == SQLITE_BLOB)) {
                const auto* p = static_cast<const char*>(sqlite3_value_blob(argv[0]));
                const std::string key(p ? p : "", static_cast<size_t>(sqlite3_value_bytes(argv[0])));
                const auto& idx = t->eqIndex(eqColumn).bytes;
                auto it = idx.find(key);
                hit = it == idx.end() ? &none : &it->second;
            } else {
                indexed = false; // types differ: SQLite's own comparison decides on a full scan
            }
            if (indexed) {
                c->own = keys.empty() ? *hit : t->sortRows(*hit, keys);
                c->rows = &c->own;
                c->fileOrder = false;
                c->end = c->own.size();
                return SQLITE_OK;
            }
        }
        if (!keys.empty()) {
            auto& cached = t->sortedOrders[idxStr];
            if (!cached) {
                std::vector<uint32_t> all(t->table->recordCount());
                std::iota(all.begin(), all.end(), 0u);
                cached = std::make_shared<const std::vector<uint32_t>>(t->sortRows(std::move(all), keys));
            }
            c->shared = cached;
            c->rows = c->shared.get();
            c->fileOrder = false;
            c->end = c->rows->size();
        }
        return SQLITE_OK;
    } catch (...) {
        return fail(t, t->connection);
    }
}

int xNext(sqlite3_vtab_cursor* base)
{
    ++static_cast<PxCursor*>(base)->pos;
    return SQLITE_OK;
}

int xEof(sqlite3_vtab_cursor* base)
{
    auto* c = static_cast<PxCursor*>(base);
    return c->pos >= c->end;
}

int xColumn(sqlite3_vtab_cursor* base, sqlite3_context* ctx, int column)
{
    auto* c = static_cast<PxCursor*>(base);
    PxTable* t = tableOf(base);
    try {
        setResult(ctx, t->kinds[column], t->value(c->current(), column));
        return SQLITE_OK;
    } catch (const std::exception& e) {
        t->connection->setPendingError(std::current_exception());
        sqlite3_result_error(ctx, e.what(), -1);
        return SQLITE_ERROR;
    }
}

int xRowid(sqlite3_vtab_cursor* base, sqlite3_int64* rowid)
{
    *rowid = static_cast<PxCursor*>(base)->current();
    return SQLITE_OK;
}

const sqlite3_module kModule = {
    /* iVersion */ 0,
    /* xCreate */ xConnect,
    /* xConnect */ xConnect,
    /* xBestIndex */ xBestIndex,
    /* xDisconnect */ xDisconnect,
    /* xDestroy */ xDisconnect,
    /* xOpen */ xOpen,
    /* xClose */ xClose,
    /* xFilter */ xFilter,
    /* xNext */ xNext,
    /* xEof */ xEof,
    /* xColumn */ xColumn,
    /* xRowid */ xRowid,
    /* xUpdate */ nullptr,
    /* xBegin */ nullptr,
    /* xSync */ nullptr,
    /* xCommit */ nullptr,
    /* xRollback */ nullptr,
    /* xFindFunction */ nullptr,
    /* xRename */ nullptr,
    /* xSavepoint */ nullptr,
    /* xRelease */ nullptr,
    /* xRollbackTo */ nullptr,
    /* xShadowName */ nullptr,
};

} // namespace

void registerParadoxModule(sqlite3* db, SqlConnection* connection)
{
    sqlite3_create_module(db, kParadoxModuleName, &kModule, connection);
}

} // namespace rk::source::detail

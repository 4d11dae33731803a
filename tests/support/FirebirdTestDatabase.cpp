// The per-test Firebird database guard; see FirebirdTestDatabase.h.
#include "tests/support/FirebirdTestDatabase.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "db/firebird/ClientLibrary.h"
#include "db/firebird/TargetErrors.h"

namespace rk::test {

namespace {

using rk::target::checkStatus;
using rk::target::ClientLibrary;

const ClientLibrary& lib() { return ClientLibrary::instance(); }

// Embedded mode trusts the user name; the password is not checked.
std::string plainDpb(bool readOnly = false)
{
    std::string dpb(1, static_cast<char>(isc_dpb_version1));
    auto text = [&](char item, const std::string& v) {
        dpb += item;
        dpb += static_cast<char>(v.size());
        dpb += v;
    };
    text(isc_dpb_user_name, "SYSDBA");
    text(isc_dpb_lc_ctype, "ISO8859_1");
    if (readOnly) {
        dpb += static_cast<char>(isc_dpb_set_db_readonly);
        dpb += static_cast<char>(1);
        dpb += static_cast<char>(1);
    }
    return dpb;
}

class Attachment {
public:
    explicit Attachment(const std::string& path, bool readOnly = false)
    {
        ISC_STATUS_ARRAY st = {};
        const std::string dpb = plainDpb(readOnly);
        lib().attachDatabase(st, static_cast<short>(path.size()), path.c_str(), &m_db, static_cast<short>(dpb.size()),
                             dpb.data());
        checkStatus(lib(), st);
    }
    ~Attachment()
    {
        ISC_STATUS_ARRAY st = {};
        if (m_tr) lib().rollbackTransaction(st, &m_tr);
        if (m_db) lib().detachDatabase(st, &m_db);
    }
    isc_db_handle* db() { return &m_db; }
    isc_tr_handle* begin()
    {
        ISC_STATUS_ARRAY st = {};
        struct {
            isc_db_handle* db;
            int len;
            const char* tpb;
        } teb = {&m_db, 0, nullptr};
        lib().startMultiple(st, &m_tr, 1, &teb);
        checkStatus(lib(), st);
        return &m_tr;
    }
    void commit()
    {
        ISC_STATUS_ARRAY st = {};
        lib().commitTransaction(st, &m_tr);
        checkStatus(lib(), st);
    }

private:
    isc_db_handle m_db = 0;
    isc_tr_handle m_tr = 0;
};

std::vector<std::string> splitStatements(const std::string& script)
{
    std::string withoutComments;
    std::istringstream in(script);
    for (std::string line; std::getline(in, line);) {
        const size_t dash = line.find("--");
        withoutComments += line.substr(0, dash);
        withoutComments += '\n';
    }
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t semi; (semi = withoutComments.find(';', start)) != std::string::npos; start = semi + 1) {
        std::string s = withoutComments.substr(start, semi - start);
        if (s.find_first_not_of(" \t\r\n") != std::string::npos) out.push_back(s);
    }
    return out;
}

std::string twoDigits(int v)
{
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

std::string dateText(const std::tm& t)
{
    char b[32];
    std::snprintf(b, sizeof b, "%04d-%02d-%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    return b;
}

std::string timeText(const std::tm& t)
{
    return twoDigits(t.tm_hour) + ":" + twoDigits(t.tm_min) + ":" + twoDigits(t.tm_sec);
}

std::string scaled(long long v, int scale)
{
    if (scale >= 0) {
        for (int i = 0; i < scale; ++i) v *= 10;
        return std::to_string(v);
    }
    const bool neg = v < 0;
    const std::string digits = std::to_string(neg ? -v : v);
    const size_t decimals = static_cast<size_t>(-scale);
    const std::string padded =
        digits.size() <= decimals ? std::string(decimals - digits.size() + 1, '0') + digits : digits;
    std::string out = neg ? "-" : "";
    out.append(padded, 0, padded.size() - decimals);
    out += '.';
    out.append(padded, padded.size() - decimals, decimals);
    return out;
}

std::string readBlob(isc_db_handle* db, isc_tr_handle* tr, ISC_QUAD id)
{
    ISC_STATUS_ARRAY st = {};
    isc_blob_handle blob = 0;
    lib().openBlob2(st, db, tr, &blob, &id, 0, nullptr);
    checkStatus(lib(), st);
    std::string out;
    char buf[16384];
    for (;;) {
        unsigned short got = 0;
        const ISC_STATUS rc = lib().getSegment(st, &blob, &got, sizeof buf, buf);
        if (rc != 0 && rc != isc_segment) break;
        out.append(buf, got);
    }
    ISC_STATUS_ARRAY ignored = {};
    lib().closeBlob(ignored, &blob);
    return out;
}

} // namespace

std::filesystem::path FirebirdTestDatabase::stagingSchema()
{
    return std::filesystem::path(RK_SOURCE_DIR) / "tools" / "staging-schema.sql";
}

namespace {

std::filesystem::path makeTempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "rk-fdb-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw rk::Exception("cannot create a temporary folder");
    return pattern;
}

void createDatabase(const std::string& path, const std::filesystem::path& schema, int dialect)
{
    std::vector<std::string> statements;
    if (!schema.empty()) {
        std::ifstream in(schema, std::ios::binary);
        if (!in) throw rk::Exception("cannot read " + schema.string());
        std::stringstream ss;
        ss << in.rdbuf();
        statements = splitStatements(ss.str());
    }
    ISC_STATUS_ARRAY st = {};
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    const std::string create =
        "CREATE DATABASE '" + path + "' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET ISO8859_1";
    lib().dsqlExecuteImmediate(st, &db, &tr, 0, create.c_str(), static_cast<unsigned short>(dialect), nullptr);
    checkStatus(lib(), st);
    lib().detachDatabase(st, &db);
    checkStatus(lib(), st);
    if (statements.empty()) return;
    Attachment a(path);
    isc_tr_handle* t = a.begin();
    for (const std::string& s : statements) {
        lib().dsqlExecuteImmediate(st, a.db(), t, 0, s.c_str(), static_cast<unsigned short>(dialect), nullptr);
        checkStatus(lib(), st);
    }
    a.commit();
}

// Creating a database costs a few hundred milliseconds; each schema and
// dialect is created once per process and copied for every test.
class Templates {
public:
    ~Templates()
    {
        std::error_code ec;
        if (!m_folder.empty()) std::filesystem::remove_all(m_folder, ec);
    }
    std::filesystem::path get(const std::filesystem::path& schema, int dialect)
    {
        std::lock_guard lock(m_mutex);
        const std::string key = schema.string() + "|" + std::to_string(dialect);
        if (auto it = m_files.find(key); it != m_files.end()) return it->second;
        if (m_folder.empty()) m_folder = makeTempFolder();
        const auto file = m_folder / ("template" + std::to_string(m_files.size()) + ".fdb");
        createDatabase(file.string(), schema, dialect);
        m_files.emplace(key, file);
        return file;
    }

private:
    std::mutex m_mutex;
    std::filesystem::path m_folder;
    std::map<std::string, std::filesystem::path> m_files;
};

Templates& templates()
{
    static Templates t;
    return t;
}

} // namespace

FirebirdTestDatabase::FirebirdTestDatabase(const std::filesystem::path& schema, int dialect) : m_dialect(dialect)
{
    const std::filesystem::path source = templates().get(schema, dialect);
    m_folder = makeTempFolder();
    m_path = (m_folder / "test.fdb").string();
    std::filesystem::copy_file(source, m_path);
}

FirebirdTestDatabase::~FirebirdTestDatabase()
{
    std::error_code ec;
    std::filesystem::remove_all(m_folder, ec);
}

void FirebirdTestDatabase::execute(const std::string& sql) const
{
    Attachment a(m_path);
    isc_tr_handle* t = a.begin();
    ISC_STATUS_ARRAY st = {};
    lib().dsqlExecuteImmediate(st, a.db(), t, 0, sql.c_str(), static_cast<unsigned short>(m_dialect), nullptr);
    checkStatus(lib(), st);
    a.commit();
}

void FirebirdTestDatabase::setReadOnly() const
{
    Attachment a(m_path, true);
}

std::vector<FirebirdTestDatabase::Row> FirebirdTestDatabase::query(const std::string& sql) const
{
    Attachment a(m_path);
    isc_tr_handle* t = a.begin();
    ISC_STATUS_ARRAY st = {};
    isc_stmt_handle stmt = 0;
    lib().dsqlAllocateStatement(st, a.db(), &stmt);
    checkStatus(lib(), st);
    struct StmtGuard {
        isc_stmt_handle* h;
        ~StmtGuard()
        {
            ISC_STATUS_ARRAY s = {};
            lib().dsqlFreeStatement(s, h, DSQL_drop);
        }
    } guard{&stmt};

    std::vector<char> daStorage(XSQLDA_LENGTH(1));
    auto* da = reinterpret_cast<XSQLDA*>(daStorage.data());
    da->version = SQLDA_VERSION1;
    da->sqln = 1;
    lib().dsqlPrepare(st, t, &stmt, 0, sql.c_str(), static_cast<unsigned short>(m_dialect), da);
    checkStatus(lib(), st);
    if (da->sqld > da->sqln) {
        const int n = da->sqld;
        daStorage.assign(XSQLDA_LENGTH(n), 0);
        da = reinterpret_cast<XSQLDA*>(daStorage.data());
        da->version = SQLDA_VERSION1;
        da->sqln = static_cast<ISC_SHORT>(n);
        lib().dsqlDescribe(st, &stmt, SQLDA_VERSION1, da);
        checkStatus(lib(), st);
    }
    const int n = da->sqld;
    std::vector<std::vector<char>> buffers(static_cast<size_t>(n));
    std::vector<ISC_SHORT> indicators(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        XSQLVAR& v = da->sqlvar[i];
        const int type = v.sqltype & ~1;
        size_t size = static_cast<size_t>(v.sqllen) + (type == SQL_VARYING ? 2 : 0);
        buffers[i].assign(size + 8, 0);
        v.sqldata = buffers[i].data();
        v.sqlind = &indicators[i];
        v.sqltype = static_cast<ISC_SHORT>(v.sqltype | 1);
    }
    lib().dsqlExecute(st, t, &stmt, SQLDA_VERSION1, nullptr);
    checkStatus(lib(), st);

    std::vector<Row> rows;
    for (;;) {
        const ISC_STATUS rc = lib().dsqlFetch(st, &stmt, SQLDA_VERSION1, da);
        if (rc == 100) break;
        checkStatus(lib(), st);
        Row row;
        for (int i = 0; i < n; ++i) {
            const XSQLVAR& v = da->sqlvar[i];
            if (indicators[i] < 0) {
                row.emplace_back(std::nullopt);
                continue;
            }
            const char* d = v.sqldata;
            std::tm tm = {};
            switch (v.sqltype & ~1) {
            case SQL_TEXT: row.emplace_back(std::string(d, static_cast<size_t>(v.sqllen))); break;
            case SQL_VARYING: {
                unsigned short len;
                std::memcpy(&len, d, 2);
                row.emplace_back(std::string(d + 2, len));
                break;
            }
            case SQL_SHORT: { short x; std::memcpy(&x, d, 2); row.emplace_back(scaled(x, v.sqlscale)); break; }
            case SQL_LONG: { int32_t x; std::memcpy(&x, d, 4); row.emplace_back(scaled(x, v.sqlscale)); break; }
            case SQL_INT64: { int64_t x; std::memcpy(&x, d, 8); row.emplace_back(scaled(x, v.sqlscale)); break; }
            case SQL_FLOAT: { float x; std::memcpy(&x, d, 4); char b[64]; std::snprintf(b, sizeof b, "%.9g", x); row.emplace_back(b); break; }
            case SQL_DOUBLE: { double x; std::memcpy(&x, d, 8); char b[64]; std::snprintf(b, sizeof b, "%.17g", x); row.emplace_back(b); break; }
            case SQL_TYPE_DATE: lib().decodeSqlDate(reinterpret_cast<const ISC_DATE*>(d), &tm); row.emplace_back(dateText(tm)); break;
            case SQL_TYPE_TIME: lib().decodeSqlTime(reinterpret_cast<const ISC_TIME*>(d), &tm); row.emplace_back(timeText(tm)); break;
            case SQL_TIMESTAMP: lib().decodeTimestamp(reinterpret_cast<const ISC_TIMESTAMP*>(d), &tm); row.emplace_back(dateText(tm) + " " + timeText(tm)); break;
            case SQL_BLOB: { ISC_QUAD id; std::memcpy(&id, d, sizeof id); row.emplace_back(readBlob(a.db(), t, id)); break; }
            default: {
                std::string unknown = "<type ";
                unknown += std::to_string(v.sqltype & ~1);
                unknown += '>';
                row.emplace_back(std::move(unknown));
            }
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

FirebirdTestDatabase::Value FirebirdTestDatabase::scalar(const std::string& sql) const
{
    const std::vector<Row> rows = query(sql);
    if (rows.empty() || rows[0].empty()) return std::nullopt;
    return rows[0][0];
}

} // namespace rk::test

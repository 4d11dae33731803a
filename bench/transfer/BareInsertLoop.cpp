// The bare INSERT loop; see BareInsertLoop.h. Buffers are set up once; per
// row only the descriptors' types, lengths and data pointers change.
#include "bench/transfer/BareInsertLoop.h"

#include <ibase.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "db/firebird/ClientLibrary.h"
#include "db/firebird/TargetErrors.h"

namespace rk::bench {

namespace {

std::string placeholders(const std::string& sql)
{
    std::string out;
    for (size_t i = 0; i < sql.size(); ++i) {
        if (sql[i] != ':') {
            out += sql[i];
            continue;
        }
        out += '?';
        while (i + 1 < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[i + 1])) || sql[i + 1] == '_'))
            ++i;
    }
    return out;
}

struct Prepared {
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    isc_stmt_handle stmt = 0;
    std::unique_ptr<char[]> storage;
    XSQLDA* in = nullptr;
};

void attachAndPrepare(const std::string& path, const std::string& insertSql, size_t columns, Prepared& p)
{
    const auto& lib = target::ClientLibrary::instance();
    ISC_STATUS_ARRAY st = {};
    const auto check = [&] { target::checkStatus(lib, st); };
    std::string dpb(1, char(isc_dpb_version1));
    for (auto [item, text] : {std::pair{char(isc_dpb_lc_ctype), std::string("ISO8859_1")},
                              std::pair{char(isc_dpb_user_name), std::string("sysdba")}}) {
        dpb += item;
        dpb += char(text.size());
        dpb += text;
    }
    lib.attachDatabase(st, short(path.size()), path.c_str(), &p.db, short(dpb.size()), dpb.data());
    check();
    struct { isc_db_handle* db; long len; const char* tpb; } teb = {&p.db, 0, nullptr};
    lib.startMultiple(st, &p.tr, 1, &teb);
    check();
    lib.dsqlAllocateStatement(st, &p.db, &p.stmt);
    check();
    const std::string server = placeholders(insertSql);
    lib.dsqlPrepare(st, &p.tr, &p.stmt, 0, server.c_str(), 3, nullptr);
    check();
    const auto n = static_cast<short>(columns);
    p.storage.reset(new char[XSQLDA_LENGTH(n)]());
    p.in = reinterpret_cast<XSQLDA*>(p.storage.get());
    p.in->version = SQLDA_VERSION1;
    p.in->sqln = n;
    lib.dsqlDescribeBind(st, &p.stmt, 3, p.in);
    check();
    if (p.in->sqld != n) throw std::runtime_error("parameter count differs from the values");
}

} // namespace

std::vector<short> describeParamTypes(const std::string& path, const std::string& insertSql)
{
    size_t count = 0;
    for (char c : insertSql) count += c == ':';
    Prepared p;
    attachAndPrepare(path, insertSql, count, p);
    std::vector<short> types;
    for (short i = 0; i < p.in->sqld; ++i) types.push_back(p.in->sqlvar[i].sqltype);
    const auto& lib = target::ClientLibrary::instance();
    ISC_STATUS_ARRAY st = {};
    lib.dsqlFreeStatement(st, &p.stmt, DSQL_drop);
    lib.rollbackTransaction(st, &p.tr);
    lib.detachDatabase(st, &p.db);
    return types;
}

double runBareInsertLoop(const std::string& path, const std::string& insertSql, const BareValues& values)
{
    const auto& lib = target::ClientLibrary::instance();
    ISC_STATUS_ARRAY st = {};
    const auto check = [&] { target::checkStatus(lib, st); };
    const auto start = std::chrono::steady_clock::now();

    Prepared p;
    attachAndPrepare(path, insertSql, values.columns, p);
    isc_db_handle& db = p.db;
    isc_tr_handle& tr = p.tr;
    isc_stmt_handle& stmt = p.stmt;
    XSQLDA* in = p.in;

    std::vector<short> indicators(values.columns, 0);
    std::vector<ISC_QUAD> blobIds(values.columns);
    std::vector<int32_t> integers(values.columns);
    std::vector<bool> isBlob(values.columns);
    for (size_t c = 0; c < values.columns; ++c) {
        isBlob[c] = (in->sqlvar[c].sqltype & ~1) == SQL_BLOB;
        in->sqlvar[c].sqlind = &indicators[c];
    }

    const BareValues::Cell* cell = values.cells.data();
    for (size_t row = 0; row < values.rows(); ++row) {
        for (size_t c = 0; c < values.columns; ++c, ++cell) {
            XSQLVAR& v = in->sqlvar[c];
            switch (cell->kind) {
            case BareValues::Null:
                v.sqltype = short(v.sqltype | 1);
                indicators[c] = -1;
                break;
            case BareValues::Integer:
                integers[c] = static_cast<int32_t>(cell->offset);
                v.sqltype = short(SQL_LONG | 1);
                v.sqllen = 4;
                v.sqlscale = 0;
                v.sqldata = reinterpret_cast<char*>(&integers[c]);
                indicators[c] = 0;
                break;
            case BareValues::Stamp:
                v.sqltype = short(SQL_TIMESTAMP | 1);
                v.sqllen = 8;
                v.sqldata = const_cast<char*>(values.bytes.data() + cell->offset);
                indicators[c] = 0;
                break;
            case BareValues::Text:
                indicators[c] = 0;
                if (isBlob[c]) {
                    isc_blob_handle blob = 0;
                    blobIds[c] = ISC_QUAD{};
                    lib.createBlob2(st, &db, &tr, &blob, &blobIds[c], 0, nullptr);
                    check();
                    for (uint32_t at = 0; at < cell->length; at += 16384) {
                        const auto len = static_cast<unsigned short>(std::min<uint32_t>(16384, cell->length - at));
                        lib.putSegment(st, &blob, len, values.bytes.data() + cell->offset + at);
                        check();
                    }
                    lib.closeBlob(st, &blob);
                    check();
                    v.sqldata = reinterpret_cast<char*>(&blobIds[c]);
                } else {
                    v.sqltype = short(SQL_TEXT | 1);
                    v.sqllen = static_cast<short>(cell->length);
                    v.sqldata = const_cast<char*>(values.bytes.data() + cell->offset);
                }
                break;
            }
        }
        lib.dsqlExecute(st, &tr, &stmt, 3, in);
        check();
    }
    lib.dsqlFreeStatement(st, &stmt, DSQL_drop);
    check();
    lib.commitTransaction(st, &tr);
    check();
    const auto end = std::chrono::steady_clock::now();
    lib.detachDatabase(st, &db);
    return std::chrono::duration<double>(end - start).count();
}

} // namespace rk::bench

// Executions per second of a prepared 10-column INSERT: once through IBQ1
// (parameter entries, binding, execute) and once as a bare client-API loop
// with a hand-built XSQLDA, each into its own fresh staging database, in
// one transaction. Prints both figures and their ratio, and the figure of
// the transfer's biggest INSERT (46 parameters) through IBQ1.
//
//   rk_target_bench [rows]        (default 20000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "db/common/ObjectNames.h"
#include "db/firebird/ClientLibrary.h"
#include "db/firebird/Attachment.h"
#include "db/firebird/Statement.h"
#include "db/firebird/Transaction.h"
#include "db/firebird/TargetErrors.h"
#include "locale/LocaleFormats.h"
#include "tests/support/FirebirdTestDatabase.h"
#include "transfer/ImportPlan.h"

using namespace rk::target;
using Clock = std::chrono::steady_clock;

namespace {

const char* const kInsert =
    "INSERT INTO IMPORT_RK5_ZETTELWEGE  (NR, REG, NUTZER, JAHR, V, RP, OU, AKTUELL, TERMIN, NOTIZ ) VALUES  "
    "(:NR, :REG, :NUTZER, :JAHR, :V, :RP, :OU, :AKTUELL, :TERMIN, :NOTIZ) ";

const std::string kMemo(300, 'm');

double viaStatement(const std::string& path, int rows)
{
    Attachment database(rk::names::kTargetConnection);
    Transaction transaction(&database, rk::names::kTargetTransaction);
    Statement query(&database, &transaction, rk::names::kTargetStatement);
    database.setDatabaseName(path);
    database.open();
    query.addSql(kInsert);
    // Dates arrive as text in the user's format, as the transfer sends them.
    rk::locale::LocaleFormats f = *rk::locale::currentFormats();
    f.dateMark = '.';
    f.datePattern = "dd.mm.yyyy";
    rk::locale::setCurrentFormats(f);

    char reg[16];
    const std::string yes = "T", no = "F", date = "24.12.2023";
    const auto start = Clock::now();
    for (int i = 0; i < rows; ++i) {
        query.param(0).value.assignInteger(i);
        query.param(1).value.assignText(std::string_view(reg, std::snprintf(reg, sizeof reg, "R%d", i % 100)));
        query.param(2).value.assignInteger(i % 7);
        query.param(3).value.assignInteger(1990 + i % 30);
        query.param(4).value.assignText(i % 2 ? yes : no);
        query.param(5).value.assignText(no);
        query.param(6).value.assignText(yes);
        query.param(7).value.assignText(no);
        query.param(8).value.assignText(date);
        if (i % 10 == 0)
            query.param(9).value.assignText(kMemo);
        else
            query.param(9).value.clear();
        query.execute();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    transaction.commit();
    return rows / seconds;
}

// The biggest statement of the transfer: 46 parameters, texts and numbers
// as the mapping produces them, one memo in ten rows.
double wegeViaStatement(const std::string& path, int rows)
{
    Attachment database(rk::names::kTargetConnection);
    Transaction transaction(&database, rk::names::kTargetTransaction);
    Statement query(&database, &transaction, rk::names::kTargetStatement);
    database.setDatabaseName(path);
    query.addSql(rk::transfer::buildImportPlan()[3].insertSql);
    const std::string flag = "T", memo(200, 'w');
    const auto start = Clock::now();
    for (int i = 0; i < rows; ++i) {
        for (int p = 0; p < query.paramCount(); ++p) {
            rk::db::ParamValue& v = query.param(p).value;
            const std::string& name = query.param(p).name;
            if (name == "NR" || name == "POSNR" || name == "EBNAMENR")
                v.assignInteger(i);
            else if (name == "EBDATUM")
                v.clear();
            else if (name == "NOTIZ" || name == "CRUX" || name == "TIPP" || name == "WEGBESCHREIBUNG" || name == "EBTEXT")
                i % 10 == 0 && name == "NOTIZ" ? v.assignText(memo) : v.clear();
            else
                v.assignText(flag);  // fits every text column, CHAR(1) flags too
        }
        query.execute();
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    transaction.commit();
    return rows / seconds;
}

double bareApi(const std::string& path, int rows)
{
    const ClientLibrary& lib = ClientLibrary::instance();
    ISC_STATUS_ARRAY st = {};
    isc_db_handle db = 0;
    isc_tr_handle tr = 0;
    isc_stmt_handle stmt = 0;
    std::string dpb = std::string("\x01\x30\x09", 3) + "ISO8859_1" + std::string("\x1c\x06", 2) + "sysdba";
    lib.attachDatabase(st, 0, path.c_str(), &db, static_cast<short>(dpb.size()), dpb.data());
    checkStatus(lib, st);
    struct {
        isc_db_handle* db;
        int len;
        const char* tpb;
    } teb = {&db, 0, nullptr};
    lib.startMultiple(st, &tr, 1, &teb);
    checkStatus(lib, st);
    lib.dsqlAllocateStatement(st, &db, &stmt);
    checkStatus(lib, st);
    const char* sql = "INSERT INTO IMPORT_RK5_ZETTELWEGE (NR, REG, NUTZER, JAHR, V, RP, OU, AKTUELL, TERMIN, NOTIZ) "
                      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    lib.dsqlPrepare(st, &tr, &stmt, 0, sql, 3, nullptr);
    checkStatus(lib, st);
    std::vector<char> storage(XSQLDA_LENGTH(10));
    auto* da = reinterpret_cast<XSQLDA*>(storage.data());
    da->version = SQLDA_VERSION1;
    da->sqln = 10;
    lib.dsqlDescribeBind(st, &stmt, 3, da);
    checkStatus(lib, st);

    int32_t ints[3];
    char reg[16];
    const char* flags[4] = {"T", "F", "T", "F"};
    ISC_DATE date = 0;
    ISC_QUAD blobId = {};
    short ind[10] = {};
    for (int v = 0; v < 10; ++v) da->sqlvar[v].sqlind = &ind[v];
    auto setLong = [&](int v, int32_t* p) {
        da->sqlvar[v].sqltype = SQL_LONG + 1;
        da->sqlvar[v].sqllen = 4;
        da->sqlvar[v].sqlscale = 0;
        da->sqlvar[v].sqldata = reinterpret_cast<char*>(p);
    };
    setLong(0, &ints[0]);
    setLong(2, &ints[1]);
    setLong(3, &ints[2]);
    da->sqlvar[1].sqltype = SQL_TEXT + 1;
    da->sqlvar[1].sqldata = reg;
    for (int v = 4; v < 8; ++v) {
        da->sqlvar[v].sqltype = SQL_TEXT + 1;
        da->sqlvar[v].sqllen = 1;
    }
    da->sqlvar[8].sqltype = SQL_TYPE_DATE + 1;
    da->sqlvar[8].sqldata = reinterpret_cast<char*>(&date);
    for (int v = 5; v < 8; ++v) da->sqlvar[v].sqldata = const_cast<char*>(flags[v - 4]);
    // The tightest loop a hand-written client would run: the constant date
    // is encoded once.
    std::tm tm = {};
    tm.tm_year = 123;
    tm.tm_mon = 11;
    tm.tm_mday = 24;
    lib.encodeSqlDate(&tm, &date);
    da->sqlvar[9].sqltype = SQL_BLOB + 1;
    da->sqlvar[9].sqldata = reinterpret_cast<char*>(&blobId);

    const auto start = Clock::now();
    for (int i = 0; i < rows; ++i) {
        ints[0] = i;
        ints[1] = i % 7;
        ints[2] = 1990 + i % 30;
        da->sqlvar[1].sqllen = static_cast<short>(std::snprintf(reg, sizeof reg, "R%d", i % 100));
        da->sqlvar[4].sqldata = const_cast<char*>(flags[i % 2]);
        if (i % 10 == 0) {
            isc_blob_handle blob = 0;
            lib.createBlob2(st, &db, &tr, &blob, &blobId, 0, nullptr);
            checkStatus(lib, st);
            lib.putSegment(st, &blob, static_cast<unsigned short>(kMemo.size()), kMemo.data());
            checkStatus(lib, st);
            lib.closeBlob(st, &blob);
            checkStatus(lib, st);
            ind[9] = 0;
        } else {
            ind[9] = -1;
        }
        lib.dsqlExecute(st, &tr, &stmt, 3, da);
        checkStatus(lib, st);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    lib.dsqlFreeStatement(st, &stmt, DSQL_drop);
    lib.commitTransaction(st, &tr);
    checkStatus(lib, st);
    lib.detachDatabase(st, &db);
    return rows / seconds;
}

} // namespace

int main(int argc, char** argv)
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : 20000;
    try {
        double bare = 0, ours = 0;
        // Alternate and keep the best of three, so a busy machine skews less.
        for (int round = 0; round < 3; ++round) {
            rk::test::FirebirdTestDatabase a, b;
            const double x = bareApi(a.path(), rows);
            const double y = viaStatement(b.path(), rows);
            bare = std::max(bare, x);
            ours = std::max(ours, y);
        }
        std::printf("prepared 10-column INSERT, %d rows, one transaction (best of 3)\n", rows);
        std::printf("  bare client API : %10.0f executions/s\n", bare);
        std::printf("  IBQ1.ExecSQL    : %10.0f executions/s\n", ours);
        std::printf("  ratio           : %10.1f %%\n", 100.0 * ours / bare);
        rk::test::FirebirdTestDatabase c;
        std::printf("46-column INSERT (IMPORT_RK5_WEGE) through IBQ1: %.0f executions/s\n", wegeViaStatement(c.path(), rows));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}

// Reading staging tables without writing; see StagingReader.h.
#include "db/firebird/StagingReader.h"

#include <cstring>
#include <ctime>

#include "db/firebird/Attachment.h"
#include "db/firebird/ClientLibrary.h"
#include "db/firebird/TargetErrors.h"
#include "locale/Calendar.h"

namespace rk::target {

namespace {

XSQLDA* sqldaOf(std::vector<char>& storage) { return reinterpret_cast<XSQLDA*>(storage.data()); }

void sizeSqlda(std::vector<char>& storage, int columns)
{
    storage.assign(XSQLDA_LENGTH(columns > 0 ? columns : 1), 0);
    sqldaOf(storage)->version = SQLDA_VERSION1;
    sqldaOf(storage)->sqln = static_cast<ISC_SHORT>(columns > 0 ? columns : 1);
}

int32_t dayOf(const std::tm& tm) { return int32_t(locale::daysFromCivil(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday)); }

// A scaled number's stored integer is divided by this.
double divisorOf(int scale)
{
    double f = 1;
    for (int k = 0; k < -scale; ++k) f *= 10;
    return f;
}

// ISC_TIME counts ten-thousandths of a second.
int32_t msecsOf(ISC_TIME time) { return int32_t(time / 10); }

} // namespace

StagingReader::StagingReader(Attachment& database) : m_lib(database.client()), m_database(database)
{
    // Read-only, snapshot: the rows as they stood when the check began.
    static const char tpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_concurrency, isc_tpb_wait};
    struct Entry {
        isc_db_handle* database;
        int tpbLength;
        const char* tpb;
    } entry = {database.handle(), int(sizeof tpb), tpb};
    ISC_STATUS_ARRAY status = {};
    m_lib.startMultiple(status, &m_transaction, 1, &entry);
    checkStatus(m_lib, status);
}

StagingReader::~StagingReader()
{
    closeStatement();
    ISC_STATUS_ARRAY status = {};
    if (m_transaction) m_lib.rollbackTransaction(status, &m_transaction);
}

void StagingReader::closeStatement() noexcept
{
    if (!m_statement) return;
    ISC_STATUS_ARRAY status = {};
    m_lib.dsqlFreeStatement(status, &m_statement, DSQL_drop);
    m_statement = 0;
}

std::vector<StagingReader::Column> StagingReader::open(const std::string& select)
{
    closeStatement();
    ISC_STATUS_ARRAY status = {};
    m_lib.dsqlAllocateStatement(status, m_database.handle(), &m_statement);
    checkStatus(m_lib, status);
    const auto dialect = static_cast<unsigned short>(m_database.effectiveDialect());
    sizeSqlda(m_sqlda, 1);
    m_lib.dsqlPrepare(status, &m_transaction, &m_statement, 0, select.c_str(), dialect, sqldaOf(m_sqlda));
    checkStatus(m_lib, status);
    const int columns = sqldaOf(m_sqlda)->sqld;
    if (columns > sqldaOf(m_sqlda)->sqln) {
        sizeSqlda(m_sqlda, columns);
        m_lib.dsqlDescribe(status, &m_statement, dialect, sqldaOf(m_sqlda));
        checkStatus(m_lib, status);
    }
    XSQLDA* da = sqldaOf(m_sqlda);
    m_buffers.assign(size_t(columns), {});
    m_nulls.assign(size_t(columns), 0);
    std::vector<Column> described;
    for (int c = 0; c < columns; ++c) {
        XSQLVAR& v = da->sqlvar[c];
        const int type = v.sqltype & ~1;
        described.push_back({std::string(v.aliasname, size_t(v.aliasname_length)), type, v.sqlsubtype, v.sqlscale,
                             v.sqllen});
        // Varying text carries its 2-byte length in front.
        m_buffers[size_t(c)].assign(size_t(v.sqllen) + (type == SQL_VARYING ? 2 : 0), 0);
        v.sqldata = m_buffers[size_t(c)].data();
        v.sqlind = &m_nulls[size_t(c)];
        v.sqltype = static_cast<ISC_SHORT>(type | 1);
    }
    m_lib.dsqlExecute(status, &m_transaction, &m_statement, dialect, nullptr);
    checkStatus(m_lib, status);
    return described;
}

bool StagingReader::fetch(std::vector<db::FieldValue>& row)
{
    ISC_STATUS_ARRAY status = {};
    XSQLDA* da = sqldaOf(m_sqlda);
    const ISC_STATUS rc = m_lib.dsqlFetch(status, &m_statement, SQLDA_VERSION1, da);
    if (rc == 100) return false;
    checkStatus(m_lib, status);
    row.resize(size_t(da->sqld));
    for (int c = 0; c < da->sqld; ++c) {
        const XSQLVAR& v = da->sqlvar[c];
        db::FieldValue& out = row[size_t(c)];
        if (m_nulls[size_t(c)] < 0) {
            out = std::monostate{};
            continue;
        }
        const char* data = v.sqldata;
        const double scale = divisorOf(v.sqlscale);
        switch (v.sqltype & ~1) {
        case SQL_TEXT: out = std::string(data, size_t(v.sqllen)); break;
        case SQL_VARYING: {
            short length = 0;
            std::memcpy(&length, data, sizeof length);
            out = std::string(data + 2, size_t(length));
            break;
        }
        case SQL_SHORT: {
            short n = 0;
            std::memcpy(&n, data, sizeof n);
            if (v.sqlscale == 0) out = int32_t(n);
            else out = double(n) / scale;
            break;
        }
        case SQL_LONG: {
            int32_t n = 0;
            std::memcpy(&n, data, sizeof n);
            if (v.sqlscale == 0) out = n;
            else out = double(n) / scale;
            break;
        }
        case SQL_INT64: {
            int64_t n = 0;
            std::memcpy(&n, data, sizeof n);
            if (v.sqlscale == 0 && n >= INT32_MIN && n <= INT32_MAX) out = int32_t(n);
            else out = double(n) / scale;
            break;
        }
        case SQL_FLOAT: {
            float f = 0;
            std::memcpy(&f, data, sizeof f);
            out = double(f);
            break;
        }
        case SQL_DOUBLE: case SQL_D_FLOAT: {
            double d = 0;
            std::memcpy(&d, data, sizeof d);
            out = d;
            break;
        }
        case SQL_TYPE_DATE: {
            ISC_DATE d = 0;
            std::memcpy(&d, data, sizeof d);
            std::tm tm = {};
            m_lib.decodeSqlDate(&d, &tm);
            out = db::DateValue{dayOf(tm)};
            break;
        }
        case SQL_TYPE_TIME: {
            ISC_TIME t = 0;
            std::memcpy(&t, data, sizeof t);
            out = db::TimeValue{msecsOf(t)};
            break;
        }
        case SQL_TIMESTAMP: {
            ISC_TIMESTAMP ts = {};
            std::memcpy(&ts, data, sizeof ts);
            std::tm tm = {};
            m_lib.decodeSqlDate(&ts.timestamp_date, &tm);
            out = db::TimestampValue{double(dayOf(tm)) * 86400000.0 + double(msecsOf(ts.timestamp_time))};
            break;
        }
        case SQL_BLOB: {
            ISC_QUAD id = {};
            std::memcpy(&id, data, sizeof id);
            out = readBlob(id);
            break;
        }
        default: out = std::string("?"); break;
        }
    }
    return true;
}

std::string StagingReader::readBlob(const ISC_QUAD& id)
{
    ISC_STATUS_ARRAY status = {};
    isc_blob_handle blob = 0;
    ISC_QUAD blobId = id;
    m_lib.openBlob2(status, m_database.handle(), &m_transaction, &blob, &blobId, 0, nullptr);
    checkStatus(m_lib, status);
    std::string bytes;
    char segment[16384];
    for (;;) {
        unsigned short got = 0;
        const ISC_STATUS rc = m_lib.getSegment(status, &blob, &got, sizeof segment, segment);
        if (rc != 0 && rc != isc_segment) break;
        bytes.append(segment, got);
    }
    ISC_STATUS_ARRAY closing = {};
    m_lib.closeBlob(closing, &blob);
    if (status[1] != isc_segstr_eof) checkStatus(m_lib, status);
    return bytes;
}

} // namespace rk::target

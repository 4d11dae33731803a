// Reads staging tables for the check, in a read-only snapshot transaction
// of its own on an open connection: one SELECT at a time, its columns as
// the server describes them and its rows as typed values. It never writes:
// the transaction is read-only and ends by rollback.
//
//   StagingReader reader(db);                        // db: an open Attachment
//   auto columns = reader.open("SELECT REG_R, REGION FROM IMPORT_RK5_REGIONEN");
//   std::vector<db::FieldValue> row;
//   while (reader.fetch(row)) use(row);
#pragma once

#include <ibase.h>

#include <string>
#include <vector>

#include "db/common/FieldValue.h"

namespace rk::target {

class Attachment;
class ClientLibrary;

class StagingReader {
public:
    // What the server says of a result column: SQL type (without the
    // nullable bit), subtype, scale and length in bytes.
    struct Column {
        std::string name;
        int sqlType = 0;
        int subType = 0;
        int scale = 0;
        int length = 0;
    };

    explicit StagingReader(Attachment& database);
    ~StagingReader();
    StagingReader(const StagingReader&) = delete;
    StagingReader& operator=(const StagingReader&) = delete;

    std::vector<Column> open(const std::string& select);
    // Blank for NULL; int32_t for 16- and 32-bit integers (and 64-bit ones
    // that fit); double for the other numbers; DateValue, TimeValue,
    // TimestampValue; the bytes of texts and blobs (fixed-length texts with
    // their padding).
    bool fetch(std::vector<db::FieldValue>& row);

private:
    void closeStatement() noexcept;
    std::string readBlob(const ISC_QUAD& id);

    const ClientLibrary& m_lib;
    Attachment& m_database;
    isc_tr_handle m_transaction = 0;
    isc_stmt_handle m_statement = 0;
    std::vector<char> m_sqlda;  // XSQLDA_LENGTH(n) bytes
    std::vector<std::vector<char>> m_buffers;
    std::vector<short> m_nulls;
};

} // namespace rk::target

// The Firebird client library, loaded at run time and resolved by name.
//
// The first target object (Attachment, Transaction, Statement) calls
// ClientLibrary::instance(); the library then stays loaded until the process
// ends. The file is "libfbclient.so.2" from the normal search path unless
// the environment variable RK_FBCLIENT_LIBRARY names another one (tests use
// that to provoke the missing-library error).
#pragma once

#include <ibase.h>

#include <string>

#include "db/common/Exception.h"

namespace rk::target {

// The operating system refused something the program cannot do without
// (here: an entry point missing from the client library).
RK_DECLARE_ERROR(EOSError, Exception);

// The number reported with a missing entry point: the loader of the old
// platform's "procedure not found", kept so the message reads the same.
inline constexpr int kEntryPointNotFound = 127;

class ClientLibrary {
public:
    // The process-wide library, loaded on the first call. Throws
    // EIBClientError when the file cannot be loaded and EOSError when an
    // entry point is missing; a later call tries again.
    static const ClientLibrary& instance();

    // Loads `file` and resolves every entry point, without caching; the
    // handle is never closed (entry points stay valid for the process).
    static ClientLibrary load(const std::string& file);

    static std::string defaultFileName();

    // Entry points, typed after ibase.h.
    decltype(&::isc_attach_database) attachDatabase = nullptr;
    decltype(&::isc_detach_database) detachDatabase = nullptr;
    decltype(&::isc_database_info) databaseInfo = nullptr;
    decltype(&::isc_start_multiple) startMultiple = nullptr;
    decltype(&::isc_commit_transaction) commitTransaction = nullptr;
    decltype(&::isc_rollback_transaction) rollbackTransaction = nullptr;
    decltype(&::isc_dsql_allocate_statement) dsqlAllocateStatement = nullptr;
    decltype(&::isc_dsql_prepare) dsqlPrepare = nullptr;
    decltype(&::isc_dsql_sql_info) dsqlSqlInfo = nullptr;
    decltype(&::isc_dsql_describe_bind) dsqlDescribeBind = nullptr;
    decltype(&::isc_dsql_describe) dsqlDescribe = nullptr;
    decltype(&::isc_dsql_execute) dsqlExecute = nullptr;
    decltype(&::isc_dsql_execute_immediate) dsqlExecuteImmediate = nullptr;
    decltype(&::isc_dsql_fetch) dsqlFetch = nullptr;
    decltype(&::isc_dsql_free_statement) dsqlFreeStatement = nullptr;
    decltype(&::isc_create_blob2) createBlob2 = nullptr;
    decltype(&::isc_open_blob2) openBlob2 = nullptr;
    decltype(&::isc_put_segment) putSegment = nullptr;
    decltype(&::isc_get_segment) getSegment = nullptr;
    decltype(&::isc_close_blob) closeBlob = nullptr;
    decltype(&::isc_sqlcode) sqlcode = nullptr;
    decltype(&::fb_interpret) interpret = nullptr;
    decltype(&::isc_encode_sql_date) encodeSqlDate = nullptr;
    decltype(&::isc_encode_sql_time) encodeSqlTime = nullptr;
    decltype(&::isc_encode_timestamp) encodeTimestamp = nullptr;
    decltype(&::isc_decode_sql_date) decodeSqlDate = nullptr;
    decltype(&::isc_decode_sql_time) decodeSqlTime = nullptr;
    decltype(&::isc_decode_timestamp) decodeTimestamp = nullptr;

private:
    ClientLibrary() = default;
};

// Answers to database_info and dsql_sql_info: an item byte, a 2-byte
// little-endian length at `p`, then that many bytes of little-endian value.
inline int infoLength(const char* p)
{
    return static_cast<unsigned char>(p[0]) | (static_cast<unsigned char>(p[1]) << 8);
}

inline int infoInteger(const char* p, int len)
{
    int value = 0;
    for (int i = 0; i < len && i < 4; ++i) value |= static_cast<unsigned char>(p[i]) << (8 * i);
    return value;
}

} // namespace rk::target

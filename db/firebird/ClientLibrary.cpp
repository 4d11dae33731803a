// Loading the Firebird client library with dlopen and resolving its entry
// points by name; see ClientLibrary.h.
#include "db/firebird/ClientLibrary.h"

#include <dlfcn.h>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "db/common/Ansi.h"
#include "db/firebird/TargetErrors.h"

namespace rk::target {

namespace {

template <class Fn>
void resolve(void* handle, const char* name, Fn& slot)
{
    dlerror();
    void* address = dlsym(handle, name);
    if (!address) {
        const char* why = dlerror();
        std::string text = why ? why : name;
        throw EOSError(ansiFormat("Systemfehler.  Code: %d.\r\n%s", kEntryPointNotFound, text));
    }
    slot = reinterpret_cast<Fn>(address);
}

} // namespace

std::string ClientLibrary::defaultFileName()
{
    if (const char* env = std::getenv("RK_FBCLIENT_LIBRARY"); env && *env) return env;
    return "libfbclient.so.2";
}

ClientLibrary ClientLibrary::load(const std::string& file)
{
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) throwClientError(ClientError::GDS32NotFound);

    ClientLibrary lib;
    resolve(handle, "isc_attach_database", lib.attachDatabase);
    resolve(handle, "isc_detach_database", lib.detachDatabase);
    resolve(handle, "isc_database_info", lib.databaseInfo);
    resolve(handle, "isc_start_multiple", lib.startMultiple);
    resolve(handle, "isc_commit_transaction", lib.commitTransaction);
    resolve(handle, "isc_rollback_transaction", lib.rollbackTransaction);
    resolve(handle, "isc_dsql_allocate_statement", lib.dsqlAllocateStatement);
    resolve(handle, "isc_dsql_prepare", lib.dsqlPrepare);
    resolve(handle, "isc_dsql_sql_info", lib.dsqlSqlInfo);
    resolve(handle, "isc_dsql_describe_bind", lib.dsqlDescribeBind);
    resolve(handle, "isc_dsql_describe", lib.dsqlDescribe);
    resolve(handle, "isc_dsql_execute", lib.dsqlExecute);
    resolve(handle, "isc_dsql_execute_immediate", lib.dsqlExecuteImmediate);
    resolve(handle, "isc_dsql_fetch", lib.dsqlFetch);
    resolve(handle, "isc_dsql_free_statement", lib.dsqlFreeStatement);
    resolve(handle, "isc_create_blob2", lib.createBlob2);
    resolve(handle, "isc_open_blob2", lib.openBlob2);
    resolve(handle, "isc_put_segment", lib.putSegment);
    resolve(handle, "isc_get_segment", lib.getSegment);
    resolve(handle, "isc_close_blob", lib.closeBlob);
    resolve(handle, "isc_sqlcode", lib.sqlcode);
    resolve(handle, "fb_interpret", lib.interpret);
    resolve(handle, "isc_encode_sql_date", lib.encodeSqlDate);
    resolve(handle, "isc_encode_sql_time", lib.encodeSqlTime);
    resolve(handle, "isc_encode_timestamp", lib.encodeTimestamp);
    resolve(handle, "isc_decode_sql_date", lib.decodeSqlDate);
    resolve(handle, "isc_decode_sql_time", lib.decodeSqlTime);
    resolve(handle, "isc_decode_timestamp", lib.decodeTimestamp);
    return lib;
}

const ClientLibrary& ClientLibrary::instance()
{
    // Loaded once; a failed load leaves nothing behind, so the next target
    // object tries again and fails the same way.
    static std::mutex mutex;
    static std::unique_ptr<ClientLibrary> loaded;
    std::lock_guard lock(mutex);
    if (!loaded) loaded = std::make_unique<ClientLibrary>(load(defaultFileName()));
    return *loaded;
}

} // namespace rk::target

#if defined(__SANITIZE_ADDRESS__)
// The embedded engine's ICU keeps its tables until the process ends; the
// leak checker of sanitizer builds should not count them against us.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libicuuc.so\nleak:libicui18n.so\n";
}
#endif

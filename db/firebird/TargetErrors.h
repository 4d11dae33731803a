// The target side's errors: EIBInterBaseError for a failing client call
// (server texts, SQLCODE, first error code), EIBInterBaseRoleError for
// SQLCODE -551, EIBClientError for a rule broken on the client side, with its
// number and German text. All are EDatabaseError.
//
// A failing client call becomes an exception only through checkStatus(),
// right after the call, so the texts are copied out of the status vector
// while it is still valid.
#pragma once

#include <ibase.h>

#include <string>
#include <string_view>

#include "db/common/Ansi.h"
#include "db/common/Exception.h"

namespace rk::target {

class ClientLibrary;

class EIBError : public EDatabaseError {
public:
    EIBError(std::string message, long sqlCode = 0, long ibErrorCode = 0)
        : EDatabaseError(std::move(message)), m_sqlCode(sqlCode), m_ibErrorCode(ibErrorCode)
    {
    }
    long sqlCode() const noexcept { return m_sqlCode; }
    long ibErrorCode() const noexcept { return m_ibErrorCode; }
    const char* kindName() const noexcept override { return "EIBError"; }

private:
    long m_sqlCode;
    long m_ibErrorCode;
};

RK_DECLARE_ERROR(EIBInterBaseError, EIBError);
RK_DECLARE_ERROR(EIBInterBaseRoleError, EIBInterBaseError);

// The client-side messages this system can reach. The numbers are ours and
// stable; the texts are in clientErrorPattern().
enum class ClientError : int {
    GDS32NotFound = 1,
    DatabaseOpen = 2,
    DatabaseNameMissing = 3,
    DpbConstantNotSupported = 4,
    DpbConstantUnknown = 5,
    DpbValueTooLong = 6,
    TransactionActive = 7,
    NoDatabasesInTransaction = 8,
    DatabaseClosed = 9,
    TransactionNotActive = 10,
    EmptyQuery = 11,
    DatabaseNotAssigned = 12,
    TransactionNotAssigned = 13,
    UnknownError = 14,
    NotPermitted = 15,
    UnknownSqlDataType = 16,
    SqlParseError = 17,
    XsqldaIndexOutOfRange = 18,
    IsASelectStatement = 19,
    StringTooLarge = 20,
    NotSupported = 21,
};

class EIBClientError : public EIBError {
public:
    EIBClientError(ClientError code, std::string message)
        : EIBError(std::move(message), 0, static_cast<long>(code)), m_code(code)
    {
    }
    ClientError clientError() const noexcept { return m_code; }
    const char* kindName() const noexcept override { return "EIBClientError"; }

private:
    ClientError m_code;
};

// The UTF-8 printf pattern of a client error.
std::string_view clientErrorPattern(ClientError code);

template <class... Args>
[[noreturn]] void throwClientError(ClientError code, const Args&... args)
{
    throw EIBClientError(code, ansiFormat(clientErrorPattern(code), args...));
}

// Builds the message of a failed client call from `status` and throws the
// matching kind. Only call with a status vector whose first error is set.
[[noreturn]] void raiseStatus(const ClientLibrary& lib, const ISC_STATUS* status);

// Whether the call that filled `status` failed.
inline bool callFailed(const ISC_STATUS* status) noexcept
{
    return status[0] == 1 && status[1] != 0;
}

// Throws when the call that filled `status` failed.
inline void checkStatus(const ClientLibrary& lib, const ISC_STATUS* status)
{
    if (callFailed(status)) raiseStatus(lib, status);
}

} // namespace rk::target

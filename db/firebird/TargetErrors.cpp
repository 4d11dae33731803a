// Client error texts and the status-vector message; see TargetErrors.h.
#include "db/firebird/TargetErrors.h"

#include <vector>

#include "db/common/Ansi.h"
#include "db/firebird/ClientLibrary.h"

namespace rk::target {

std::string_view clientErrorPattern(ClientError code)
{
    switch (code) {
    case ClientError::GDS32NotFound: return "InterBase-DLL gds32.dll wurde im Pfad nicht gefunden";
    case ClientError::DatabaseOpen: return "Operation kann nicht durchgeführt werden -- DB ist im Moment geöffnet.";
    case ClientError::DatabaseNameMissing: return "Der Name der Datenbank fehlt.";
    case ClientError::DpbConstantNotSupported: return "DPB-Konstante (isc_dpb_%s) wird nicht unterstützt.";
    case ClientError::DpbConstantUnknown: return "DPB-Konstante (%s) ist unbekannt.";
    case ClientError::DpbValueTooLong:
        return "DPB-Wert für isc_dpb_%s ist %d Bytes lang; höchstens 255 Bytes sind möglich.";
    case ClientError::TransactionActive: return "Transaktion ist aktiv.";
    case ClientError::NoDatabasesInTransaction:
        return "In der Transaktionskomponente sind keine Datenbanken aufgeführt.";
    case ClientError::DatabaseClosed: return "Operation kann nicht durchgeführt werden -- DB ist nicht offen.";
    case ClientError::TransactionNotActive: return "Transaktion ist nicht aktiv.";
    case ClientError::EmptyQuery: return "Leere SQL-Anweisung.";
    case ClientError::DatabaseNotAssigned: return "Datenbank nicht zugewiesen.";
    case ClientError::TransactionNotAssigned: return "Transaktion ist nicht zugewiesen.";
    case ClientError::UnknownError: return "Unbekannter Fehler.";
    case ClientError::NotPermitted: return "Nicht gestattet.";
    case ClientError::UnknownSqlDataType: return "Unbekannter SQL-Datentyp (%d).";
    case ClientError::SqlParseError: return "Fehler bei der SQL-Auswertung:\r\n\r\n%s";
    case ClientError::XsqldaIndexOutOfRange: return "XSQLDA-Index außerhalb des gültigen Bereichs.";
    case ClientError::IsASelectStatement: return "Verwenden Sie Open für eine Select-Anweisung";
    case ClientError::StringTooLarge:
        return "Versuch, String mit der Länge %d in einem Feld zu speichern, das nur %d aufnehmen kann";
    case ClientError::NotSupported: return "Nicht unterstütztes Merkmal.";
    }
    return "Unbekannter Fehler.";
}

void raiseStatus(const ClientLibrary& lib, const ISC_STATUS* status)
{
    const long sqlCode = lib.sqlcode(status);
    const long errorCode = status[1];

    // fb_interpret walks its own copy of the vector pointer; the texts land
    // in our buffer and are copied at once.
    std::vector<char> buffer(20480);
    const ISC_STATUS* cursor = status;
    std::string message;
    while (lib.interpret(buffer.data(), static_cast<unsigned>(buffer.size()), &cursor) > 0) {
        if (!message.empty() && message.back() != '\n') message += "\r\n";
        // Operating-system texts inside a message (a full disk, a missing
        // file) arrive in the process locale's UTF-8.
        message += ansiFromMaybeUtf8(buffer.data());
    }
    if (!message.empty() && message.back() == '.') message.pop_back();

    if (sqlCode == -551) throw EIBInterBaseRoleError(std::move(message), sqlCode, errorCode);
    throw EIBInterBaseError(std::move(message), sqlCode, errorCode);
}

} // namespace rk::target

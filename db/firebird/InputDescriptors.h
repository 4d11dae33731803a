// The input descriptors of a prepared statement: one XSQLVAR per
// placeholder in owned XSQLDA storage, with per-variable storage that lives
// as long as the prepared statement and is reused for every row.
//
// Binding rewrites a variable's type to what the value is (32-bit integer,
// fixed text, timestamp, blob id); text is not copied: sqldata points into
// the parameter entry's own string, which outlives the execute call.
#pragma once

#include <ibase.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/common/ParamValue.h"
#include "locale/LocaleFormats.h"

namespace rk::target {

class ClientLibrary;

// What writing a blob needs: the connection and the transaction; and the
// regional formats the values' date texts were written in.
struct BindContext {
    const ClientLibrary& lib;
    isc_db_handle* database;
    isc_tr_handle* transaction;
    const locale::LocaleFormats& formats;
};

// The moment as the target stores a timestamp (whole seconds; the client's
// encoding leaves milliseconds out).
ISC_TIMESTAMP encodeTimestamp(const ClientLibrary& lib, const locale::DateTimeParts& parts);

class InputDescriptors {
public:
    // Room for n variables, none described yet.
    void reset(int n);
    void clear() noexcept;

    XSQLDA* sqlda() noexcept { return m_sqlda.get(); }
    int allocated() const noexcept { return m_sqlda ? m_sqlda->sqln : 0; }
    int count() const noexcept { return m_sqlda ? m_sqlda->sqld : 0; }

    // After the server described the variables: checks each type
    // ("Unbekannter SQL-Datentyp (%d)."), keeps text lengths as maxima,
    // names the variables, and points every one at its own indicator and
    // buffer. Variables from `bound` on get no entry of the parameter list
    // and are sent as NULL.
    void adoptDescription(const std::vector<std::string>& names, int bound);

    XSQLVAR& var(int i) noexcept { return m_sqlda->sqlvar[i]; }
    const XSQLVAR& var(int i) const noexcept { return m_sqlda->sqlvar[i]; }
    const std::string& name(int i) const noexcept { return m_slots[i].name; }
    int maxLength(int i) const noexcept { return m_slots[i].maxLength; }
    bool isNull(int i) const noexcept;

    // Binds one parameter value onto variable i; a text stays where it is
    // and is read during the execute call.
    void bind(int i, const db::ParamView& value, const BindContext& ctx);

private:
    struct Slot {
        ISC_SHORT indicator = -1;
        alignas(8) unsigned char data[8] = {};
        int maxLength = 0;
        std::string name;
    };

    void bindText(XSQLVAR& v, Slot& s, std::string_view text);
    void bindBlob(XSQLVAR& v, Slot& s, std::string_view text, const BindContext& ctx);
    void bindTimestamp(XSQLVAR& v, Slot& s, std::string_view text, const BindContext& ctx);

    struct FreeDeleter {
        void operator()(XSQLDA* p) const noexcept { std::free(p); }
    };
    std::unique_ptr<XSQLDA, FreeDeleter> m_sqlda;
    std::vector<Slot> m_slots;
};

} // namespace rk::target

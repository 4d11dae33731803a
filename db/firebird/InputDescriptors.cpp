// Binding parameter values onto the input XSQLDA; see InputDescriptors.h.
#include "db/firebird/InputDescriptors.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>

#include "db/firebird/ClientLibrary.h"
#include "db/firebird/TargetErrors.h"
#include "locale/LocaleFormats.h"

namespace rk::target {

namespace {

constexpr int kBlobSegment = 16384;
// sqllen is a signed 16-bit length.
constexpr int kMaxTextLength = 32767;

bool knownType(int type)
{
    switch (type) {
    case SQL_TEXT: case SQL_VARYING: case SQL_DOUBLE: case SQL_D_FLOAT: case SQL_FLOAT: case SQL_LONG:
    case SQL_SHORT: case SQL_TIMESTAMP: case SQL_BLOB: case SQL_ARRAY: case SQL_QUAD: case SQL_TYPE_TIME:
    case SQL_TYPE_DATE: case SQL_INT64:
        return true;
    default:
        return false;
    }
}

void setNull(XSQLVAR& v, ISC_SHORT& indicator)
{
    v.sqltype = static_cast<ISC_SHORT>(v.sqltype | 1);
    indicator = -1;
}

} // namespace

void InputDescriptors::reset(int n)
{
    if (n < 1) n = 1;  // the client wants sqln >= 1 even without placeholders
    auto* raw = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(n)));
    if (!raw) throw std::bad_alloc();
    m_sqlda.reset(raw);
    m_sqlda->version = SQLDA_VERSION1;
    m_sqlda->sqln = static_cast<ISC_SHORT>(n);
    m_sqlda->sqld = 0;
    m_slots.clear();
}

void InputDescriptors::clear() noexcept
{
    m_sqlda.reset();
    m_slots.clear();
}

void InputDescriptors::adoptDescription(const std::vector<std::string>& names, int bound)
{
    const int n = count();
    m_slots.assign(static_cast<size_t>(n), Slot{});
    for (int i = 0; i < n; ++i) {
        XSQLVAR& v = var(i);
        Slot& s = m_slots[i];
        const int type = v.sqltype & ~1;
        if (!knownType(type)) throwClientError(ClientError::UnknownSqlDataType, type);
        if (type == SQL_TEXT || type == SQL_VARYING) s.maxLength = v.sqllen;
        if (i < static_cast<int>(names.size())) s.name = names[i];
        v.sqldata = reinterpret_cast<ISC_SCHAR*>(s.data);
        v.sqlind = &s.indicator;
        if (i >= bound) setNull(v, s.indicator);
    }
}

bool InputDescriptors::isNull(int i) const noexcept
{
    const XSQLVAR& v = m_sqlda->sqlvar[i];
    return (v.sqltype & 1) && m_slots[i].indicator < 0;
}

void InputDescriptors::bind(int i, const db::ParamView& value, const BindContext& ctx)
{
    XSQLVAR& v = var(i);
    Slot& s = m_slots[i];
    const bool nullable = (v.sqltype & 1) != 0;

    if (value.kind == db::ParamView::Kind::Null) {
        setNull(v, s.indicator);
        return;
    }
    if (value.kind == db::ParamView::Kind::Integer) {
        const int32_t n = value.integer;
        v.sqltype = static_cast<ISC_SHORT>(SQL_LONG | (nullable ? 1 : 0));
        v.sqllen = 4;
        v.sqlscale = 0;
        v.sqlsubtype = 0;
        std::memcpy(s.data, &n, sizeof n);
        v.sqldata = reinterpret_cast<ISC_SCHAR*>(s.data);
        if (nullable) s.indicator = 0;
        return;
    }
    if (value.kind != db::ParamView::Kind::Text) throwClientError(ClientError::NotSupported);

    const std::string_view text = value.text;
    if (nullable) s.indicator = 0;
    switch (v.sqltype & ~1) {
    case SQL_TEXT:
    case SQL_VARYING:
        bindText(v, s, text);
        return;
    case SQL_BLOB:
        bindBlob(v, s, text, ctx);
        return;
    default:
        break;
    }
    if (text.empty()) {
        setNull(v, s.indicator);
        return;
    }
    switch (v.sqltype & ~1) {
    case SQL_TIMESTAMP:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
        bindTimestamp(v, s, text, ctx);
        return;
    default:
        bindText(v, s, text);
    }
}

void InputDescriptors::bindText(XSQLVAR& v, Slot& s, std::string_view text)
{
    const int length = static_cast<int>(text.size());
    if (s.maxLength > 0 && length > s.maxLength)
        throwClientError(ClientError::StringTooLarge, length, s.maxLength);
    // Longer text cannot be described with a 16-bit length; refuse it rather
    // than send a truncated or wrapped length.
    if (length > kMaxTextLength) throwClientError(ClientError::StringTooLarge, length, kMaxTextLength);
    v.sqltype = static_cast<ISC_SHORT>(SQL_TEXT | (v.sqltype & 1));
    v.sqllen = static_cast<ISC_SHORT>(length);
    // The client reads the bytes during the execute call only.
    v.sqldata = const_cast<ISC_SCHAR*>(text.data() ? text.data() : "");
}

void InputDescriptors::bindBlob(XSQLVAR& v, Slot& s, std::string_view text, const BindContext& ctx)
{
    ISC_STATUS_ARRAY status = {};
    isc_blob_handle blob = 0;
    ISC_QUAD id = {};
    ctx.lib.createBlob2(status, ctx.database, ctx.transaction, &blob, &id, 0, nullptr);
    checkStatus(ctx.lib, status);
    for (size_t pos = 0; pos < text.size(); pos += kBlobSegment) {
        const size_t len = std::min<size_t>(kBlobSegment, text.size() - pos);
        ctx.lib.putSegment(status, &blob, static_cast<unsigned short>(len), text.data() + pos);
        if (callFailed(status)) {
            ISC_STATUS_ARRAY ignored = {};
            ctx.lib.closeBlob(ignored, &blob);
            raiseStatus(ctx.lib, status);
        }
    }
    ctx.lib.closeBlob(status, &blob);
    checkStatus(ctx.lib, status);
    std::memcpy(s.data, &id, sizeof id);
    v.sqldata = reinterpret_cast<ISC_SCHAR*>(s.data);
    v.sqllen = sizeof(ISC_QUAD);
}

ISC_TIMESTAMP encodeTimestamp(const ClientLibrary& lib, const locale::DateTimeParts& parts)
{
    std::tm tm = {};
    tm.tm_year = parts.year - 1900;
    tm.tm_mon = parts.month - 1;
    tm.tm_mday = parts.day;
    tm.tm_hour = parts.hour;
    tm.tm_min = parts.minute;
    tm.tm_sec = parts.second;
    ISC_TIMESTAMP ts = {};
    lib.encodeTimestamp(&tm, &ts);
    return ts;
}

void InputDescriptors::bindTimestamp(XSQLVAR& v, Slot& s, std::string_view text, const BindContext& ctx)
{
    // Read by the same regional settings that wrote the text.
    const ISC_TIMESTAMP ts =
        encodeTimestamp(ctx.lib, locale::dateTimeParts(locale::parseDateTimeText(text, ctx.formats)));
    std::memcpy(s.data, &ts, sizeof ts);
    v.sqltype = static_cast<ISC_SHORT>(SQL_TIMESTAMP | (v.sqltype & 1));
    v.sqllen = sizeof(ISC_TIMESTAMP);
    v.sqlscale = 0;
    v.sqlsubtype = 0;
    v.sqldata = reinterpret_cast<ISC_SCHAR*>(s.data);
}

} // namespace rk::target

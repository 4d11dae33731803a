// Building the database parameter block; see DatabaseParams.h.
#include "db/firebird/DatabaseParams.h"

#include <array>
#include <cstdint>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "db/common/Ansi.h"
#include "db/common/Exception.h"
#include "db/firebird/TargetErrors.h"

namespace rk::target {

namespace {

// Item code n is at index n - 1.
constexpr std::array<std::string_view, 67> kNames = {
    "cdd_pathname", "allocation", "journal", "page_size", "num_buffers", "buffer_length", "debug",
    "garbage_collect", "verify", "sweep", "enable_journal", "disable_journal", "dbkey_scope",
    "number_of_users", "trace", "no_garbage_collect", "damaged", "license", "sys_user_name", "encrypt_key",
    "activate_shadow", "sweep_interval", "delete_shadow", "force_write", "begin_log", "quit_log",
    "no_reserve", "user_name", "password", "password_enc", "sys_user_name_enc", "interp", "online_dump",
    "old_file_size", "old_num_files", "old_file", "old_start_page", "old_start_seqno", "old_start_file",
    "drop_walfile", "old_dump_id", "wal_backup_dir", "wal_chkptlen", "wal_numbufs", "wal_bufsize",
    "wal_grp_cmt_wait", "lc_messages", "lc_ctype", "cache_manager", "shutdown", "online", "shutdown_delay",
    "reserved", "overwrite", "sec_attach", "disable_wal", "connect_timeout", "dummy_packet_interval",
    "gbak_attach", "sql_role_name", "set_page_buffers", "working_directory", "sql_dialect",
    "set_db_readonly", "set_db_sql_dialect", "gfix_attach", "gstat_attach",
};

enum class Kind { Unsupported, Text, Byte, Sweep, FourBytes, Flag };

Kind kindOf(int code)
{
    switch (code) {
    case 18: case 19: case 20: case 28: case 29: case 30: case 47: case 48: case 60: case 63:
        return Kind::Text;
    case 5: case 9: case 13: case 17: case 24: case 27:
        return Kind::Byte;
    case 10:
        return Kind::Sweep;
    case 22:
        return Kind::FourBytes;
    case 21: case 23: case 25: case 26:
        return Kind::Flag;
    default:
        return Kind::Unsupported;
    }
}

// A decimal integer as the numeric items take it; anything else is a
// conversion error naming the text.
int32_t readInteger(const std::string& text)
{
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < INT32_MIN || v > INT32_MAX)
        throw EConvertError(ansiFormat("'%s' ist kein gültiger ganzzahliger Wert", text));
    return static_cast<int32_t>(v);
}

// An item with a one-byte value: code, length 1, the byte.
void appendByteItem(std::string& dpb, int code, int byte)
{
    dpb += static_cast<char>(code);
    dpb += static_cast<char>(1);
    dpb += static_cast<char>(byte);
}

} // namespace

int dpbItemCode(std::string_view name)
{
    for (size_t i = 0; i < kNames.size(); ++i)
        if (kNames[i] == name) return static_cast<int>(i) + 1;
    return 0;
}

std::string buildDpb(const std::vector<std::string>& params)
{
    std::string dpb(1, static_cast<char>(1));
    for (const std::string& line : params) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string written = line.substr(0, eq);
        if (isBlankText(written)) continue;
        const std::string value = line.substr(eq + 1);

        std::string name = lowerAscii(written);
        if (name.starts_with("isc_dpb_")) name.erase(0, 8);

        const int code = dpbItemCode(name);
        if (code == 0) throwClientError(ClientError::DpbConstantUnknown, written);

        switch (kindOf(code)) {
        case Kind::Unsupported:
            throwClientError(ClientError::DpbConstantNotSupported, name);
        case Kind::Text: {
            // One length byte: a longer value would wrap and corrupt the block.
            if (value.size() > 255)
                throwClientError(ClientError::DpbValueTooLong, name, static_cast<int>(value.size()));
            dpb += static_cast<char>(code);
            dpb += static_cast<char>(value.size());
            const size_t start = dpb.size();
            dpb += value;
            if (code == 63 && !value.empty()) dpb[start] = static_cast<char>(value[0] - '0');
            break;
        }
        case Kind::Byte:
            appendByteItem(dpb, code, readInteger(value) & 0xFF);
            break;
        case Kind::Sweep:
            appendByteItem(dpb, code, 2);
            break;
        case Kind::FourBytes: {
            const auto v = static_cast<uint32_t>(readInteger(value));
            dpb += static_cast<char>(code);
            dpb += static_cast<char>(4);
            for (int shift = 0; shift < 32; shift += 8) dpb += static_cast<char>((v >> shift) & 0xFF);
            break;
        }
        case Kind::Flag:
            appendByteItem(dpb, code, 0);
            break;
        }
    }
    return dpb;
}

} // namespace rk::target

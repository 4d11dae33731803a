// Byte tables that turn text of a DOS or Windows code page into
// Windows-1252. Built once per table with iconv, then applied per byte, so
// decoding a text field costs no iconv call.
#pragma once

#include <array>
#include <optional>

namespace rk::source::paradox::detail {

using ByteTable = std::array<char, 256>;

// The table for single-byte code page `codePage` (437, 850, 1252, ...).
// Bytes without a Windows-1252 form become '?'. nullopt when iconv does not
// know the code page.
std::optional<ByteTable> toAnsiTable(int codePage);

// The reverse: Windows-1252 into `codePage` (for writing test tables).
std::optional<ByteTable> fromAnsiTable(int codePage);

} // namespace rk::source::paradox::detail

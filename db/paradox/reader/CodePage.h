// Code pages of Paradox tables: the name iconv knows a code page number by,
// the code page a table's sort order (language driver) implies, and byte
// tables that turn text of a DOS or Windows code page into Windows-1252.
// The tables are built once per table with iconv, then applied per byte, so
// decoding a text field costs no iconv call.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace rk::source::paradox::detail {

using ByteTable = std::array<char, 256>;

// iconv's name for Windows code page number `codePage`: "CP850" for most,
// others where iconv spells them otherwise ("HP-ROMAN8" for 1051,
// "MACINTOSH" for 10000, "ISO-8859-5" for 28595, ...).
std::string iconvName(int codePage);

// The code page of the sort order a table's header names ("intl" 437,
// "cyrr" 866, "ANSIINTL" 1252, ...; letter case does not matter); 0 when
// the name is not known.
int sortOrderCodePage(std::string_view name);

// The table for single-byte code page `codePage` (437, 850, 1252, ...).
// Bytes without a Windows-1252 form become '?'. nullopt when iconv does not
// know the code page.
std::optional<ByteTable> toAnsiTable(int codePage);

// The reverse: Windows-1252 into `codePage` (for writing test tables).
std::optional<ByteTable> fromAnsiTable(int codePage);

} // namespace rk::source::paradox::detail

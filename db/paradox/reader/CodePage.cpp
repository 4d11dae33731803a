// iconv-built code page tables; see CodePage.h.
#include "db/paradox/reader/CodePage.h"

#include <iconv.h>
#include <string>

namespace rk::source::paradox::detail {

namespace {

std::optional<ByteTable> buildTable(int codePage, bool toAnsi)
{
    ByteTable table{};
    if (codePage == 1252) {
        for (int i = 0; i < 256; ++i) table[i] = static_cast<char>(i);
        return table;
    }
    if (codePage <= 0 || codePage > 65535) return std::nullopt;
    const std::string other = "CP" + std::to_string(codePage);
    iconv_t cd = toAnsi ? iconv_open("WINDOWS-1252", other.c_str()) : iconv_open(other.c_str(), "WINDOWS-1252");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    for (int i = 0; i < 256; ++i) {
        char in = static_cast<char>(i);
        char out[8];
        char* inp = &in;
        char* outp = out;
        size_t inLeft = 1, outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);  // reset shift state between bytes
        const size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        table[i] = (r != static_cast<size_t>(-1) && inLeft == 0 && outp - out == 1) ? out[0] : '?';
    }
    iconv_close(cd);
    return table;
}

} // namespace

std::optional<ByteTable> toAnsiTable(int codePage) { return buildTable(codePage, true); }
std::optional<ByteTable> fromAnsiTable(int codePage) { return buildTable(codePage, false); }

} // namespace rk::source::paradox::detail
